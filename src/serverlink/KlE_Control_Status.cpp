#include "serverlink/KlE_Control_Status.h"

#include "foundation/KeloPrintfLog.h"
#include "graphics/KeloDecompressJPEG.h"
#include "serverlink/KeloDaemonProbe.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KlMsgNotificationDataCollector.h"
#include "serverlink/KlSockets.h"
#include "serverlink/KlUdpSocket.h"
#include "serverlink/ReceiveThread.h"
#include "serverlink/channels/BftpBeaconChannel.h"
#include "serverlink/channels/CitpDiscoveryChannel.h"
#include "serverlink/channels/ContentEditorChannel.h"
#include "serverlink/channels/StatusChannel.h"

#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

// Made once on the main thread and never destroyed; `_privateUdpSocket`
// reads it from any thread.
std::atomic<KlE_Control_Status*> sInstance{nullptr};
std::once_flag sInstanceOnce;
KlE_Control_Status::Options sDefaultOptions;

constexpr int kTicksPerCheck = 30;  // ticks between interface and daemon checks (1 s)
constexpr int kBeaconTick = 5;      // the tick of each check period that beacons
constexpr int kTickMs = 33;
// The daemon lookup runs on a worker; started a tick ahead, its answer is
// normally in by the check.
constexpr int kDaemonLookupTick = kTicksPerCheck - 1;
constexpr int kSocketBufferSize = 262144;  // bytes, sending
// Bytes, receiving: room for the replies of a thousand servers to one tick.
// The system may grant less (net.core.rmem_max) unless the process may
// force it.
constexpr int kReceiveBufferSize = 4 << 20;

// Sockets of the link get large buffers, and each datagram arrives with the
// interface it came in on and the socket's count of datagrams dropped.
void configureReceiveSocket(int socket) {
    const int size = kSocketBufferSize, receive = kReceiveBufferSize;
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &receive, sizeof receive) != 0)
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receive, sizeof receive);
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    const int r = setsockopt(socket, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    if (r != 0) {
        kelo::printf("      setsockopt(IP_RECVIF) returned %d\n", r);
        kelo::printf("        errno = %d\n", errno);
    }
}

KeloNetworkInterface* chooseNetworkInterface(const KlE_Control_Status::Options& options) {
    return options.networkInterface ? options.networkInterface
                                    : KeloNetworkInterface::networkInterface();
}

}  // namespace

KlE_Control_Status::KlE_Control_Status(const Options& options)
    : options_(options),
      net_info_(chooseNetworkInterface(options_)),
      servers_(*net_info_, this, options_.maxServers) {
    KeloDecompressJPEG::instance();
    net_info_->setVerbose(false);
    net_info_->scanForInterfaces();
    udpSocket_ = makeSocket(KlSocketRole::Status);
    citpSocket_ = makeSocket(KlSocketRole::Discovery);
    masterSocket_ = makeSocket(KlSocketRole::ManagerBeacon);
    const auto receiver = [this](const ReceivedDatagram& d) { incomingMessage(d); };
    udpSocket_->setReceiver(receiver);
    citpSocket_->setReceiver(receiver);
    discovery_ = std::make_unique<CitpDiscoveryChannel>(*citpSocket_, servers_);
    status_ = std::make_unique<StatusChannel>(*udpSocket_, servers_, options_.statusPort,
                                              options_.prefsPort);
    contentEditor_ =
        std::make_unique<ContentEditorChannel>(*udpSocket_, servers_, options_.prefsPort);
    bftp_ = std::make_unique<BftpBeaconChannel>(*masterSocket_, servers_, options_.citpGroup,
                                                options_.citpPort);
    daemon_ = std::make_unique<KeloDaemonProbe>(options_.daemonLookup);
    startupTimerIfNeeded();
}

KlE_Control_Status::~KlE_Control_Status() {
    stopTimerAndCloseSockets();
    masterSocket_->close();
}

std::unique_ptr<KlDatagramSocket> KlE_Control_Status::makeSocket(KlSocketRole role) {
    if (options_.socketFactory) return options_.socketFactory(role);
    switch (role) {
        case KlSocketRole::Status:
            return std::make_unique<KlUdpSocket>(
                [](uint32_t) {
                    const int udp = safesocket(AF_INET, SOCK_DGRAM, 0);
                    if (udp > 0) {
                        configureReceiveSocket(udp);
                        if (gServerLinkVerbose)
                            kelo::printf("KlE_Control_Status created socket %d for UDP\n", udp);
                    }
                    return udp;
                },
                "KlE_Control_Status networkThread", &StatusChannel::decodePrefsDict);
        case KlSocketRole::Discovery:
            return std::make_unique<KlUdpSocket>(
                [this](uint32_t) {
                    uint32_t localAddress = 0;
                    const int citp = net_info_->multicastSocketForInterface(
                        QString(), options_.citpPort, options_.citpGroup, &localAddress, true);
                    if (citp > 0) {
                        const uint32_t groups[] = {options_.citpGroupScoped};
                        net_info_->addMulticastAddresses(groups, 1, citp);
                        configureReceiveSocket(citp);
                        if (gServerLinkVerbose) {
                            kelo::printf("KlE_Control_Status created socket %d for CITP on IP %x\n",
                                         citp, localAddress);
                        }
                    }
                    return citp;
                },
                "KlE_Control_Status citpThread");
        case KlSocketRole::ManagerBeacon:
            return std::make_unique<KlUdpSocket>([](uint32_t interfaceAddress) {
                const int s = safesocket(AF_INET, SOCK_DGRAM, 0);
                if (s < 0) return -1;
                return setMulticastInterface(s, interfaceAddress, gServerLinkVerbose);
            });
    }
    return nullptr;
}

KlE_Control_Status* KlE_Control_Status::defaultObject() {
    std::call_once(sInstanceOnce, [] { sInstance = new KlE_Control_Status(sDefaultOptions); });
    return sInstance.load();
}

void KlE_Control_Status::setDefaultOptions(const Options& options) {
    sDefaultOptions = options;
}

void KlE_Control_Status::setVerboseMode(bool on) {
    gServerLinkVerbose = on;
}

bool KlE_Control_Status::verboseMode() {
    return gServerLinkVerbose;
}

// --- Server table ------------------------------------------------------------

KeloObject* KlE_Control_Status::keloObjectForName(const QString& name) const {
    return servers_.keloObjectForName(name);
}

KeloObject* KlE_Control_Status::keloObjectForAddress(uint32_t address) const {
    return servers_.keloObjectForAddress(address);
}

KeloObject* KlE_Control_Status::keloObjectForAddress(uint32_t address, bool local) const {
    return servers_.keloObjectForAddress(address, local);
}

KeloObject* KlE_Control_Status::addKeloForName(const QString& name) {
    return servers_.addKeloForName(name);
}

void KlE_Control_Status::updateAddresses() {
    servers_.updateAddresses();
}

void KlE_Control_Status::kelo(const QString& name, uint32_t changedAddress) {
    servers_.kelo(name, changedAddress);
}

void KlE_Control_Status::scanForInterfaces() {
    servers_.scanForInterfaces();
}

void KlE_Control_Status::refreshAllKeloStatus() {
    servers_.refreshAllKeloStatus();
}

void KlE_Control_Status::sendChangeNotificationsAndClear() {
    servers_.sendChangeNotificationsAndClear();
}

QVariantMap KlE_Control_Status::visibleManagers() const {
    return bftp_->visibleManagers();
}

QString KlE_Control_Status::managerIdentity() const {
    return bftp_->managerIdentity();
}

bool KlE_Control_Status::daemonRunning() const {
    return daemon_->daemonRunning();
}

bool KlE_Control_Status::sktValid() const {
    return status_->isOpen();
}

uint64_t KlE_Control_Status::droppedDatagrams() const {
    return udpSocket_->droppedDatagrams() + citpSocket_->droppedDatagrams();
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
        updateTimer_ = std::make_unique<QTimer>();
        updateTimer_->setTimerType(Qt::PreciseTimer);
        updateTimer_->setInterval(kTickMs);
        QObject::connect(updateTimer_.get(), &QTimer::timeout, [this] { timerProc(); });
        updateTimer_->start();
    }
    loopcount_ = 7;
    checkForDaemon();
    servers_.addChanges(KeloServerTable::kInterfacesBits);
}

void KlE_Control_Status::stopTimerAndCloseSockets() {
    updateTimer_.reset();
    closeSockets();
}

void KlE_Control_Status::closeSockets() {
    status_->close();
    discovery_->close();
}

void KlE_Control_Status::openSockets() {
    // A discovery socket left from a try whose status socket failed would
    // otherwise leak at every tick until the status socket opens.
    discovery_->close();
    net_info_->setVerbose(false);
    scanForInterfaces();
    discovery_->open();
    status_->open();
}

void KlE_Control_Status::timerProc() {
    // Replies and presence messages that wait are filed before the polls
    // and the lost-contact check, and the main thread needs no wake-up of
    // its own for them.
    ReceiveThread::handOffQueued();
    ++loopcount_;
    if (loopcount_ == kBeaconTick && bftp_->hasManagerRole()) bftp_->sendManagerBeacons();
    if (!sktValid()) openSockets();
    if (loopcount_ == kDaemonLookupTick) daemon_->requestCheck();
    bool interfacesChanged = false;
    // A late lookup is applied at the tick it arrives.
    const bool daemonChanged = daemon_->takeAnswer().value_or(false);
    if (loopcount_ >= kTicksPerCheck) {
        loopcount_ = 0;
        interfacesChanged = net_info_->checkForInterfaceChanges();
        if (interfacesChanged) scanForInterfaces();
    }
    if (interfacesChanged || daemonChanged) closeSockets();
    runStatus();
}

bool KlE_Control_Status::checkForDaemon() {
    return daemon_->checkForDaemon();
}

void KlE_Control_Status::runStatus() {
    status_->runStatus();
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
                  packet.ifname.constData(), packet.decoded);
}

void KlE_Control_Status::handleMessage(const char* data, size_t size, bool local,
                                       uint32_t clientAddr, uint32_t realEthernetAddress,
                                       const char* ifname, const QVariant& decoded) {
    switch (KlEStatMessage::acceptDatagram(data, size)) {
        case KlDatagramKind::ServerMessage:
            if (KlEStatMessage::op(data, size) == kKlEOpContentItemData)
                contentEditor_->receive(data, size, local, clientAddr);
            else
                status_->receive(data, size, local, clientAddr, decoded);
            break;
        case KlDatagramKind::CitpPresence:
            discovery_->receive(data, size, clientAddr, realEthernetAddress, ifname);
            break;
        case KlDatagramKind::BftpBeacon:
            bftp_->receive(data, size, clientAddr, realEthernetAddress);
            break;
        case KlDatagramKind::Dropped:
            break;
    }
}

bool KlE_Control_Status::setPrefValue(const QString& value, const QString& key, QVariantMap* item) {
    return StatusChannel::setPrefValue(value, key, item);
}

void KlE_Control_Status::notifyContentItemData(KeloObject* kelo, const QString& text) {
    contentEditor_->notifyContentItemData(kelo, text);
}

KlMsgNotificationDataCollector* KlE_Control_Status::collectorMgr() const {
    return contentEditor_->collectorMgr();
}

void KlE_Control_Status::sendContentEditorMessage(KeloObject* kelo, const QString& text, bool set) {
    contentEditor_->sendContentEditorMessage(kelo, text, set);
}

// --- Sending ---------------------------------------------------------------------

void KlE_Control_Status::getPrefValue(const QString& key, KeloObject* kelo) {
    status_->getPrefValue(key, kelo);
}

void KlE_Control_Status::setPref(const QString& key, const QString& value, KeloObject* kelo,
                                 uint16_t flags) {
    status_->setPref(key, value, kelo, flags);
}

void KlE_Control_Status::KeloRemoteNotification(const Notification& notification) {
    status_->KeloRemoteNotification(notification);
}

void KlE_Control_Status::sendKeloRemoteCommand(int command, const QString& kelo) {
    status_->sendKeloRemoteCommand(command, kelo);
}

void KlE_Control_Status::sendKeloRemoteCommand(int command, const QString& kelo,
                                               const QByteArray& data) {
    status_->sendKeloRemoteCommand(command, kelo, data);
}

void KlE_Control_Status::forceSendKeloRemoteCommand(int command, uint32_t rawIPAddress) {
    status_->forceSendKeloRemoteCommand(command, rawIPAddress);
}

void KlE_Control_Status::sendKeloDaemonCommand(uint32_t command, const QString& kelo) {
    status_->sendKeloDaemonCommand(command, kelo);
}

void KlE_Control_Status::sendKeloDaemonCommand(uint32_t command, const QVariant& data,
                                               const QString& kelo) {
    status_->sendKeloDaemonCommand(command, data, kelo);
}

void KlE_Control_Status::setKeloCollectionID(int collectionID, KeloObject* kelo) {
    status_->setKeloCollectionID(collectionID, kelo);
}

void KlE_Control_Status::requestLayerDetail(int layer, KeloObject* kelo) {
    status_->requestLayerDetail(layer, kelo);
}

ssize_t KlE_Control_Status::sendMsg(const char* bytes, size_t length, KeloObject* kelo) {
    KlE_Control_Status* link = sInstance.load();
    return link ? link->status_->sendMsg(bytes, length, kelo) : -1;
}

int KlE_Control_Status::_privateUdpSocket() {
    KlE_Control_Status* link = sInstance.load();
    return link ? link->udpSocket_->descriptor() : -1;
}

void KlE_Control_Status::setManagerIdentity(const QString& identity, int collection,
                                            const QString& interface) {
    bftp_->setManagerIdentity(identity, collection, interface);
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
    const QString address = kelo->addressString();
    const QString name = screenNameForKeloName(kelo->name());
    if (withAddress && !address.isEmpty()) return QString("%1 (%2)").arg(name, address);
    return name;
}
