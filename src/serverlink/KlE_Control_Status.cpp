#include "serverlink/KlE_Control_Status.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "foundation/OmxProcess.h"
#include "graphics/KeloDecompressJPEG.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/BftpBeacon.h"
#include "serverlink/CitpMessage.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KlDataSender.h"
#include "serverlink/KlSockets.h"
#include "serverlink/ReceiveThread.h"
#include "serverlink/StatusReplyWalker.h"

#include <QTimer>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <mutex>

bool gLogCICVMEthernet = false;

namespace {

KlE_Control_Status* sInstance = nullptr;
std::once_flag sInstanceOnce;
KlE_Control_Status::Options sDefaultOptions;
bool gVerboseMode = false;

constexpr int kTicksPerCheck = 30;
constexpr int kBeaconTick = 5;
constexpr int kSocketBufferSize = 262144;
constexpr int kAddressChangedBits = 1;
constexpr int kRunningBits = 2;
constexpr int kPrefsBits = 8;
constexpr int kServerBits = 16;
constexpr int kInterfacesBits = 64;
constexpr int kCollectionBits = 128;
constexpr int kNotifyMask = 0xD1;

QString addressKey(uint32_t address) {
    return QString::asprintf("%08x", address);
}
QString collectionKey(int collection) {
    return QString::asprintf("%03d", collection);
}

// Sockets of the link get large buffers, and each datagram arrives with the
// interface it came in on.
void configureReceiveSocket(int socket) {
    const int size = kSocketBufferSize;
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    const int on = 1;
    const int r = setsockopt(socket, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    if (r != 0) {
        kelo::printf("      setsockopt(IP_RECVIF) returned %d\n", r);
        kelo::printf("        errno = %d\n", errno);
    }
}

// The identity as the beacon carries it: cut at a NUL and to 111 bytes.
QByteArray beaconIdentity(const QString& identity) {
    QByteArray text = identity.toUtf8();
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    return text.left(qsizetype(BftpBeacon::kIdentityField - 1));
}

}  // namespace

KlE_Control_Status::KlE_Control_Status(const Options& options) : options_(options) {
    KeloDecompressJPEG::instance();
    net_info_ = options_.networkInterface ? options_.networkInterface
                                          : KeloNetworkInterface::networkInterface();
    plocTimeout_ = 5.0;
    net_info_->setVerbose(false);
    net_info_->scanForInterfaces();
    if (options_.receiveThreads) {
        auto handler = [this](const ReceivedDatagram& d) { incomingMessage(d); };
        auto valid = [this] { return sktValid_.load(); };
        networkThread_ = std::make_unique<ReceiveThread>(
            "KlE_Control_Status networkThread", [this] { return udpsocket_.load(); }, valid,
            handler);
        citpThread_ = std::make_unique<ReceiveThread>(
            "KlE_Control_Status citpThread", [this] { return citpsocket_.load(); }, valid, handler);
    }
    startupTimerIfNeeded();
    sLiveObject_ = this;
}

KlE_Control_Status::~KlE_Control_Status() {
    KlE_Control_Status* self = this;
    sLiveObject_.compare_exchange_strong(self, nullptr);
    stopTimerAndCloseSockets();
    networkThread_.reset();
    citpThread_.reset();
    if (mastersocket_ >= 0) safeCloseSocket(mastersocket_);
}

KlE_Control_Status* KlE_Control_Status::instance() {
    // The process's instance is never destroyed: its threads run until exit.
    std::call_once(sInstanceOnce, [] { sInstance = new KlE_Control_Status(sDefaultOptions); });
    return sInstance;
}

KlE_Control_Status* KlE_Control_Status::defaultObject() {
    return sInstance ? sInstance : instance();
}

void KlE_Control_Status::setDefaultOptions(const Options& options) {
    sDefaultOptions = options;
}

void KlE_Control_Status::setVerboseMode(bool on) {
    gVerboseMode = on;
}

bool KlE_Control_Status::verboseMode() {
    return gVerboseMode;
}

// --- Server table ------------------------------------------------------------

KeloObject* KlE_Control_Status::keloObjectForName(const QString& name) const {
    const auto it = keloes_.find(name);
    return it == keloes_.end() ? nullptr : it->second.get();
}

bool KlE_Control_Status::isLocalAddress(uint32_t address) const {
    return address == kLoopbackAddress || net_info_->isLocalAddress(address);
}

KeloObject* KlE_Control_Status::keloObjectForAddress(uint32_t address) const {
    if (isLocalAddress(address)) return keloObjectForName(localKelo_);
    const auto it = addresses_.find(addressKey(address));
    return it == addresses_.end() ? nullptr : it->second;
}

KeloObject* KlE_Control_Status::keloObjectForAddress(uint32_t address, bool local) const {
    if (!local) {
        const auto it = addresses_.find(addressKey(address));
        return it == addresses_.end() ? nullptr : it->second;
    }
    KeloObject* found = nullptr;
    for (const auto& [key, kelo] : addresses_) {
        if (kelo->isLocalIP()) found = kelo;
    }
    return found;
}

KeloObject* KlE_Control_Status::addKeloForName(const QString& name) {
    KeloObject* kelo = keloObjectForName(name);
    if (!kelo) {
        if (gVerboseMode) kelo::printf("adding '%s'\n", qPrintable(name));
        auto created = std::make_unique<KeloObject>();
        created->setName(name);
        kelo = created.get();
        keloes_[name] = std::move(created);
        updateAddresses();
    }
    kelo->setActive(true);
    changes_ |= kServerBits;
    return kelo;
}

void KlE_Control_Status::updateAddresses() {
    addresses_.clear();
    for (const auto& [name, kelo] : keloes_) {
        if (kelo->address() == 0) continue;
        addresses_[addressKey(kelo->address())] = kelo.get();
        kelo->setIsLocalIP(net_info_->isLocalAddress(kelo->address()));
    }
    changes_ |= kAddressChangedBits;
}

void KlE_Control_Status::kelo(const QString& name, uint32_t changedAddress) {
    if (isLocalAddress(changedAddress)) {
        localKelo_ = name;
        if (gVerboseMode) kelo::printf("Local Kelo is '%s'\n", qPrintable(name));
    }
    changes_ |= kAddressChangedBits;
    KeloObject* object = keloObjectForName(name);
    if (object) object->addChanges(1);
    NotificationCenter::defaultCenter().post("KeloStatusChangeNotification", object,
                                             {{"Type", "KeloAddressChanged"}});
}

void KlE_Control_Status::scanForInterfaces() {
    net_info_->scanForInterfaces();
    changes_ |= kInterfacesBits;
    for (const auto& [name, kelo] : keloes_) {
        kelo->setIsReachable(net_info_->isReachable(kelo->address()));
    }
}

void KlE_Control_Status::refreshAllKeloStatus() {
    changes_ |= kInterfacesBits;
    for (const auto& [name, kelo] : keloes_) {
        kelo->setGeneralStatusArrived(0.0);
        kelo->setNeedsPrefUpdate(true);
        kelo->setEthIfName(QString());
        kelo->addChanges(64);
    }
}

void KlE_Control_Status::sendChangeNotificationsAndClear() {
    if (changes_ & kNotifyMask) {
        NotificationCenter::defaultCenter().post("kKeloPatchChangedNotification", nullptr);
    }
    changes_ = 0;
}

QString KlE_Control_Status::combinedStrings(const QStringList& strings) {
    return strings.join(QChar(0x0B));
}

QStringList KlE_Control_Status::separatedStrings(const QString& string) {
    return string.split(QChar(0x0B));
}

// --- Timer and sockets -------------------------------------------------------

void KlE_Control_Status::startupTimerIfNeeded() {
    if (updateTimer_) return;
    if (options_.timer) {
        updateTimer_ = new QTimer();
        updateTimer_->setTimerType(Qt::PreciseTimer);
        updateTimer_->setInterval(33);
        QObject::connect(updateTimer_, &QTimer::timeout, [this] { timerProc(); });
        updateTimer_->start();
    }
    loopcount_ = 7;
    checkForDaemon();
    changes_ |= kInterfacesBits;
}

void KlE_Control_Status::stopTimerAndCloseSockets() {
    delete updateTimer_;
    updateTimer_ = nullptr;
    closeSockets();
}

void KlE_Control_Status::closeSockets() {
    sktValid_ = false;
    const int udp = udpsocket_.exchange(-1);
    const int citp = citpsocket_.exchange(-1);
    // Wake the receive threads first, so none goes on waiting on a
    // descriptor that is about to be closed (and perhaps reused).
    if (networkThread_) networkThread_->wake();
    if (citpThread_) citpThread_->wake();
    if (udp > 0) safeCloseSocket(udp);
    if (citp > 0) safeCloseSocket(citp);
}

void KlE_Control_Status::openSockets() {
    // A discovery socket left from a try whose UDP socket failed would
    // otherwise leak at every tick until the UDP socket opens.
    const int leftover = citpsocket_.exchange(-1);
    if (leftover > 0) safeCloseSocket(leftover);
    net_info_->setVerbose(false);
    scanForInterfaces();
    uint32_t localAddress = 0;
    const int citp = net_info_->multicastSocketForInterface(
        QString(), options_.citpPort, options_.citpGroup, &localAddress, true);
    const int udp = safesocket(AF_INET, SOCK_DGRAM, 0);
    if (citp > 0) {
        const uint32_t groups[] = {options_.citpGroupScoped};
        net_info_->addMulticastAddresses(groups, 1, citp);
        configureReceiveSocket(citp);
        if (gVerboseMode) {
            kelo::printf("KlE_Control_Status created socket %d for CITP on IP %x\n", citp,
                         localAddress);
        }
    }
    citpsocket_ = citp;
    if (udp > 0) {
        configureReceiveSocket(udp);
        if (gVerboseMode) kelo::printf("KlE_Control_Status created socket %d for UDP\n", udp);
        udpsocket_ = udp;
        sktValid_ = true;
    }
    if (networkThread_) networkThread_->wake();
    if (citpThread_) citpThread_->wake();
}

ssize_t KlE_Control_Status::send(int socket, const QByteArray& datagram, uint32_t address,
                                 uint16_t port) {
    if (options_.sendHook) {
        options_.sendHook(socket, datagram, address, port);
        return datagram.size();
    }
    if (socket < 0 || datagram.isEmpty()) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    return sendto(socket, datagram.constData(), size_t(datagram.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void KlE_Control_Status::sendManagerBeacons() {
    if (mastersocket_ < 0) {
        const int s = safesocket(AF_INET, SOCK_DGRAM, 0);
        if (s < 0) return;
        mastersocket_ = setMulticastInterface(s, masterinterface_, gVerboseMode);
        if (mastersocket_ < 0) return;
    }
    if (changes_ & kInterfacesBits) return;
    for (const auto& [key, interface] : managedCollectionIDs_) {
        const QByteArray beacon = BftpBeacon::managerBeacon(uint8_t(key.toInt()), manager_ident_);
        const ssize_t r = send(mastersocket_, beacon, options_.citpGroup, options_.citpPort);
        if (!gVerboseMode) continue;
        if (r < 0)
            kelo::printf("master beacon send error %d (%d)\n", int(r), errno);
        else
            kelo::puts("master beacon sent ok");
    }
}

void KlE_Control_Status::timerProc() {
    ++loopcount_;
    if (masterinterface_ != 0 && loopcount_ == kBeaconTick && !manager_ident_.isEmpty()) {
        sendManagerBeacons();
    }
    if (!sktValid_) openSockets();
    if (loopcount_ >= kTicksPerCheck) {
        loopcount_ = 0;
        const bool daemonChanged = checkForDaemon();
        const bool interfacesChanged = net_info_->checkForInterfaceChanges();
        if (interfacesChanged) {
            changes_ |= kInterfacesBits;
            scanForInterfaces();
        }
        if (interfacesChanged || daemonChanged) closeSockets();
    }
    runStatus();
}

bool KlE_Control_Status::checkForDaemon() {
    const int pid = GetPIDForProcessName("KeloDaemon");
    if (pid == KeloDaemonPID_) return false;
    KeloDaemonPID_ = pid;
    daemonRunning_ = pid > 0;
    kelo::puts(daemonRunning_ ? "local KeloDaemon running" : "local KeloDaemon not running");
    return true;
}

void KlE_Control_Status::runStatus() {
    const double now = KeloObject::now();
    if (sLastRunStatus_ != 0 && now - sLastRunStatus_ > 1.0) sGracePeriod_ = now + 1.2;
    const double cutoff = now - plocTimeout_;
    const int udp = udpsocket_.load();
    for (const auto& [name, object] : keloes_) {
        KeloObject* kelo = object.get();
        if (kelo->lastPLocValid() && kelo->lastPLoc() < cutoff && now > sGracePeriod_) {
            if (plocReport_) {
                const uint32_t a = kelo->address();
                kelo::printf("### Lost contact with %u.%u.%u.%u: '%s'\n", a >> 24, (a >> 16) & 255,
                             (a >> 8) & 255, a & 255, qPrintable(name));
            }
            current_.removeAll(name);
            changes_ |= kServerBits;
            kelo->setLastPLocValid(false);
            kelo->setIsRunning(false);
            kelo->setAddress(0, 0);
            kelo->setProgressSecs(0);
            kelo->setProgressMax(0);
            kelo->setGeneralStatusArrived(0.0);
            kelo->setNeedsPrefUpdate(true);
            kelo->setEthIfName(QString());
            continue;
        }
        if (kelo->address() == 0 || !kelo->active() || !kelo->isRunning()) continue;
        if (kelo->prefsDict().size() >= 2 && !kelo->needsPrefUpdate()) {
            const KlReqV4 request = kelo->request();
            if (request.type == KlReqV4::kNone) continue;
            const uint32_t to = kelo->isLocalIP() ? kLoopbackAddress
                                                  : net_info_->convertLocalAddress(kelo->address());
            send(udp, KlEStatMessage::statusRequest(request), to, options_.statusPort);
            kelo->updatePolledPrefsWithGracePeriod(sGracePeriod_);
        } else {
            if (gVerboseMode) kelo::puts("getting prefs");
            send(udp, KlEStatMessage::prefsDictRequest(),
                 net_info_->convertLocalAddress(kelo->address()), options_.prefsPort);
        }
    }
    if (now > sGracePeriod_) sGracePeriod_ = 0;
    sLastRunStatus_ = now;
}

// --- Receiving -----------------------------------------------------------------

void KlE_Control_Status::incomingMessage(const ReceivedDatagram& packet) {
    const bool local = net_info_->isLocalAddress(packet.source);
    if (gLogCICVMEthernet) {
        DumpCitp("incomingMessage", packet.data.constData(), size_t(packet.data.size()),
                 packet.source, packet.sourcePort, packet.ifname.constData());
    }
    handleMessage(packet.data.constData(), size_t(packet.data.size()), local,
                  local ? kLoopbackAddress : packet.source, packet.source,
                  packet.ifname.constData());
}

void KlE_Control_Status::handleMessage(const char* data, size_t size, bool local,
                                       uint32_t clientAddr, uint32_t realEthernetAddress,
                                       const char* ifname) {
    switch (KlEStatMessage::acceptDatagram(data, size)) {
        case KlDatagramKind::ServerMessage:
            handleServerMessage(data, size, local, clientAddr);
            break;
        case KlDatagramKind::CitpPresence:
            handlePLoc(data, size, clientAddr, realEthernetAddress, ifname);
            break;
        case KlDatagramKind::BftpBeacon:
            handleBftp(data, size, clientAddr, realEthernetAddress);
            break;
        case KlDatagramKind::Dropped:
            break;
    }
}

void KlE_Control_Status::handleServerMessage(const char* data, size_t size, bool local,
                                             uint32_t clientAddr) {
    const int op = KlEStatMessage::op(data, size);
    KeloObject* kelo = keloObjectForAddress(clientAddr, local);
    switch (op) {
        case kKlEOpStatusReply:
            if (kelo) changes_ |= fileStatusReply(kelo, data, size, KeloObject::now());
            break;
        case kKlEOpPrefsDict: {
            QByteArray text;
            if (!kelo || !KlEStatMessage::readPrefsDict(data, size, &text) || text.isEmpty()) break;
            const QVariant prefs = PropertyList::read(text);
            if (prefs.typeId() != QMetaType::QVariantMap) break;
            kelo->setPrefsDict(prefs.toMap());
            kelo->addChanges(8);
            kelo->setNeedsPrefUpdate(false);
            changes_ |= kPrefsBits;
            kelo->rereadMixesIfWanted();
            break;
        }
        case kKlEOpOnePref:
            if (kelo) handleOnePref(kelo, data, size);
            break;
        case kKlEOpContentItemData: {
            bool fragment = false;
            QByteArray bytes;
            if (!kelo || !KlEStatMessage::readContentItem(data, size, &fragment, &bytes)) break;
            if (fragment) {
                if (!collectorMgr_)
                    collectorMgr_ = std::make_unique<KlMsgNotificationDataCollector>();
                const std::optional<QByteArray> message = collectorMgr_->handleDataMsg(bytes);
                if (!message) break;
                // The text ends at its NUL.
                const qsizetype nul = message->indexOf('\0');
                bytes = nul < 0 ? *message : message->left(nul);
            }
            notifyContentItemData(kelo, QString::fromUtf8(bytes));
            break;
        }
        case kKlEOpStatusRequest:
        case kKlEOp12:
        case kKlEOp254:
            break;
        default:
            kelo::printf("unknown KlEStat %d bytes, op %d\n", int(size), op);
            break;
    }
}

void KlE_Control_Status::handleOnePref(KeloObject* kelo, const char* data, size_t size) {
    QByteArray key, value;
    if (!KlEStatMessage::readOnePref(data, size, &key, &value)) return;
    const QString keyString = QString::fromUtf8(key);
    QVariantMap prefs = kelo->prefsDict();
    const auto entry = prefs.find(keyString);
    // A value for a key the dictionary lacks has nowhere to go: it changes
    // nothing, so it must not be reported as a change either.
    if (entry == prefs.end() || entry->typeId() != QMetaType::QVariantMap) return;
    QVariantMap item = entry->toMap();
    const bool unchanged = setPrefValue(QString::fromUtf8(value), keyString, &item);
    if (!unchanged) {
        kelo->addChanges(8);
        changes_ |= kPrefsBits;
    }
    const auto updates = item.constFind("_prefUpdates");
    const bool current = updates != item.constEnd() && updates->toLongLong() == kelo->prefUpdates();
    if (!current) item.insert("_prefUpdates", qint64(kelo->prefUpdates()));
    prefs.insert(keyString, item);
    kelo->setPrefsDict(prefs);
    if (current || unchanged) return;
    const auto polled = kelo->polledPrefs().find(keyString);
    if (polled == kelo->polledPrefs().end()) return;
    if (polled->second.pollType == 2) {
        if (keyString == "mixes") kelo->rereadMixesIfWanted();
        NotificationCenter::defaultCenter().post("kKeloPrefChangedNotification", nullptr,
                                                 {{"prefName", keyString}});
    } else {
        kelo->addChanges(16);
        changes_ |= kServerBits;
    }
}

bool KlE_Control_Status::setPrefValue(const QString& value, const QString& key, QVariantMap* item) {
    if (!item) return false;
    QVariant result = value;
    const QString type = item->value("_type").toString();
    if (type == "s_array" || type == "dict") {
        QString error;
        result = PropertyList::read(value.toUtf8(), &error);
        if (!result.isValid()) {
            // Keeping the old value beats storing nothing under "_value".
            OmLogNoFlood(kOmLogWarning, "preference '%s': value does not parse (%s)\n",
                         qPrintable(key), qPrintable(error));
            return true;
        }
    }
    const auto old = item->constFind("_value");
    const bool equal = old != item->constEnd() && old->isValid() && *old == result;
    item->insert("_value", result);
    return equal;
}

void KlE_Control_Status::notifyContentItemData(KeloObject* kelo, const QString& text) {
    NotificationCenter::defaultCenter().post("KeloContentEditorNotification", kelo,
                                             {{"opcode", 23}, {"message", text}});
}

void KlE_Control_Status::sendContentEditorMessage(KeloObject* kelo, const QString& text, bool set) {
    if (!kelo || kelo->address() == 0 || text.isNull()) return;
    const int udp = udpsocket_.load();
    const uint32_t to = net_info_->convertLocalAddress(kelo->address());
    KlDataSender::sendContentEditorMessage(text.toUtf8(), set, [&](const uint8_t* d, size_t n) {
        const QByteArray datagram(reinterpret_cast<const char*>(d), qsizetype(n));
        return send(udp, datagram, to, options_.prefsPort) == ssize_t(n);
    });
}

// --- Discovery and beacons -----------------------------------------------------

void KlE_Control_Status::handlePLoc(const char* data, size_t size, uint32_t clientAddr,
                                    uint32_t realEthernetAddress, const char* ifname) {
    CitpPresence presence;
    if (!CitpMessage::readPLoc(data, size, &presence)) return;
    const QString& name = presence.name;
    const double now = KeloObject::now();
    KeloObject* kelo = keloObjectForName(name);
    if (kelo) {
        kelo->setName(name);
        int flags = 0;
        if (kelo->address() != clientAddr) {
            kelo->setAddress(clientAddr, realEthernetAddress);
            flags = 1;
            kelo->setNeedsProductUpdate(true);
            updateAddresses();
            this->kelo(name, clientAddr);
        }
        if (!kelo->isReachable()) {
            kelo->setIsReachable(net_info_->isReachable(clientAddr));
            if (kelo->isReachable()) {
                kelo->setAddress(clientAddr, realEthernetAddress);
                kelo->setIsReachable(net_info_->isReachable(clientAddr));
                kelo->setNeedsProductUpdate(true);
                flags = 1;
                updateAddresses();
                this->kelo(name, clientAddr);
            }
        }
        if (presence.running != kelo->isRunning()) {
            kelo->setIsRunning(presence.running);
            flags |= 2;
            changes_ |= kRunningBits;
            kelo->setNeedsProductUpdate(true);
        }
        if (kelo->tcpPort() != presence.tcpPort) {
            kelo->setTcpPort(presence.tcpPort);
            flags |= 1;
            changes_ |= kAddressChangedBits;
            kelo->setNeedsProductUpdate(true);
        }
        kelo->addChanges(flags);
        if (plocReport_) {
            kelo::printf("### PLoc from %u.%u.%u.%u (%0.1fs) '%s'\n", clientAddr >> 24,
                         (clientAddr >> 16) & 255, (clientAddr >> 8) & 255, clientAddr & 255,
                         now - kelo->lastPLoc(), qPrintable(name));
        }
    } else {
        if (keloes_.size() >= options_.maxServers) {
            OmLogNoFlood(kOmLogWarning, "server limit of %zu reached: new servers ignored\n",
                         options_.maxServers);
            return;
        }
        auto created = std::make_unique<KeloObject>();
        kelo = created.get();
        kelo->setName(name);
        kelo->setIsRunning(presence.running);
        kelo->setAddress(clientAddr, realEthernetAddress);
        kelo->setIsReachable(net_info_->isReachable(clientAddr));
        kelo->setTcpPort(presence.tcpPort);
        kelo->setNeedsProductUpdate(true);
        this->kelo(name, clientAddr);
        keloes_[name] = std::move(created);
        updateAddresses();
        changes_ |= kServerBits;
        if (plocReport_) {
            const uint32_t a = kelo->address();
            kelo::printf("### Added new %u.%u.%u.%u: '%s'\n", a >> 24, (a >> 16) & 255,
                         (a >> 8) & 255, a & 255, qPrintable(name));
        }
    }
    kelo->setLastPLoc(now);
    kelo->setLastPLocValid(true);
    if (!current_.contains(name)) {
        current_.append(name);
        changes_ |= kServerBits;
    }
    kelo->doProductUpdate();
    changes_ |= kelo->updateEthIfNames(QString::fromUtf8(ifname ? ifname : ""));
}

void KlE_Control_Status::handleBftp(const char* data, size_t size, uint32_t clientAddr,
                                    uint32_t realEthernetAddress) {
    if (size >= 36 && std::memcmp(data + 32, "BFTT", 4) == 0) {
        BftpTransferBeacon beacon;
        KeloObject* kelo = keloObjectForAddress(clientAddr);
        if (!kelo || !BftpBeacon::readTransferBeacon(data, size, &beacon)) return;
        kelo->setBftpTcpPort(beacon.bftpTcpPort);
        kelo->setDaemonVersion(int32_t(beacon.daemonVersion));
        kelo->setKeloVersion(int32_t(beacon.keloVersion));
        uint32_t mask = 0;
        if (uint32_t(kelo->daemonVersion()) >= BftpBeacon::kProgressDaemonVersion) {
            kelo->setProgressSecs(beacon.progressSecs);
            kelo->setProgressMax(beacon.progressMax);
            mask = beacon.subnetMask;
        } else {
            kelo->setProgressSecs(0);
            kelo->setProgressMax(0);
        }
        kelo->setOtherSideSubnetMask(mask);
        if (kelo->collectionID() != beacon.collectionID) {
            kelo->setCollectionID(beacon.collectionID);
            kelo->addChanges(128);
            changes_ |= kCollectionBits;
        }
        kelo->setContentTimeStamp(beacon.contentTimeStamp);
        return;
    }
    BftpManagerBeacon beacon;
    if (!BftpBeacon::readManagerBeacon(data, size, &beacon)) return;
    QVariantMap entry{{"collectionID", int(beacon.collectionID)},
                      {"IP_address", qint64(realEthernetAddress)},
                      {"last_seen", qint64(MachAbsoluteTime())},
                      {"master", QString::fromUtf8(beacon.identity)}};
    const QString key = collectionKey(beacon.collectionID);
    if (managedCollectionIDs_.count(key) &&
        beacon.identity.left(qsizetype(BftpBeacon::kIdentityField)) != manager_ident_) {
        entry.insert("event", "ManagerConflictError");
        NotificationCenter::defaultCenter().post("KeloContentManagerNotification", nullptr, entry);
    }
    visibleManagers_.insert(key, entry);
}

void KlE_Control_Status::setManagerIdentity(const QString& identity, int collection,
                                            const QString& interface) {
    const uint32_t ifaddr = net_info_->getInterfaceAddress(interface, nullptr);
    if (masterinterface_ != ifaddr && mastersocket_ >= 0) {
        mastersocket_ = setMulticastInterface(mastersocket_, ifaddr, gVerboseMode);
    }
    const QString key = collectionKey(collection);
    manager_ident_.clear();
    if (!identity.isEmpty())
        managedCollectionIDs_[key] = interface;
    else
        managedCollectionIDs_.erase(key);
    masterinterface_ = ifaddr;
    managerIdentity_ = identity;
    if (!identity.isEmpty()) manager_ident_ = beaconIdentity(identity);
    if (gVerboseMode) {
        QStringList keys;
        for (const auto& [k, v] : managedCollectionIDs_) keys << k + " = " + v;
        kelo::printf("managership %s\n", qPrintable("{" + keys.join("; ") + "}"));
    }
}

// --- Free functions ------------------------------------------------------------

QString screenNameForKeloName(const QString& name) {
    QString result = name;
    if (result.startsWith("KeloEgret on ")) result.remove(0, 13);
    if (result.startsWith("Kelo on ")) result.remove(0, 8);
    return result;
}

QString screenNameForKelo(const KeloObject* kelo, bool withAddress) {
    if (!kelo) return QString();
    const QString name = screenNameForKeloName(kelo->name());
    const QString address = kelo->addressString();
    if (withAddress && !address.isEmpty()) return QString("%1 (%2)").arg(name, address);
    return name;
}

void DumpCitp(const char* label, const char* bytes, size_t length, uint32_t sourceAddress,
              uint16_t sourcePort, const char* ifname) {
    if (!gLogCICVMEthernet || !bytes) return;
    QByteArray line;
    auto add = [&line](const QByteArray& part) {
        line += part;
        if (line.size() > 199) line.truncate(199);
    };
    add(QByteArray("   ") + label + " ");
    if (ifname && *ifname) add(QByteArray(ifname) + " ");
    if (sourceAddress) {
        add(QString::asprintf("ip %s p %d ", qPrintable(IpAddressString(sourceAddress)), sourcePort)
                .toUtf8());
    }
    size_t header = 4;
    if (length >= 14 && std::memcmp(bytes + 2, "KlEStat", 7) == 0) {
        add(QString::asprintf("KlEStat sz %d v %d, op %d, f %x ", qFromBigEndian<quint16>(bytes),
                              uint8_t(bytes[10]), uint8_t(bytes[11]),
                              qFromBigEndian<quint16>(bytes + 12))
                .toUtf8());
        header = 14;
    } else if (length >= 4) {
        add(QByteArray(bytes, 4) + " ");
    } else {
        header = length;
    }
    size_t offset = header;
    while (offset + 4 <= length && line.size() <= 89) {
        uint32_t word;
        std::memcpy(&word, bytes + offset, 4);
        add(QByteArray::number(word, 16) + " ");
        offset += 4;
    }
    for (size_t i = header; i < length && line.size() <= 179; ++i) {
        const uint8_t c = uint8_t(bytes[i]);
        line += (c < 32 || c > 126) ? '.' : char(c);
    }
    kelo::puts(line.left(199).constData());
}
