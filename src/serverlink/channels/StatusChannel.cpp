#include "serverlink/channels/StatusChannel.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloServerTable.h"
#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlECMessage.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/KlSockets.h"
#include "serverlink/ServerLinkLog.h"
#include "serverlink/ServerLinkNotifications.h"
#include "serverlink/StatusReplyWalker.h"

#include <QHash>
#include <QStringList>

#include <deque>

namespace {

// A stalled main thread shows as a gap between two runs longer than this
// (seconds); nobody is dropped for kGracePeriod seconds after it.
constexpr double kStallGap = 1.0;
constexpr double kGracePeriod = 1.2;

// A NUL inside a key or value would end it early on the server's side.
bool fitsAsCText(const QByteArray& text, const char* what) {
    if (!text.contains('\0')) return true;
    OmLogNoFlood(kOmLogWarning, "%s '%s' holds a NUL: not sent\n", what, text.left(64).constData());
    return false;
}

QString describe(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantMap) {
        QStringList parts;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            parts << QString("%1 = %2;").arg(it.key(), describe(it.value()));
        return "{" + parts.join(' ') + "}";
    }
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList parts;
        for (const QVariant& v : value.toList()) parts << describe(v);
        return "(" + parts.join(", ") + ")";
    }
    return value.toString();
}

// Dictionaries read lately, by their text; the oldest goes first.
class PrefsDictCache {
public:
    // About two rounds of answers from a couple of thousand servers.
    static constexpr qsizetype kMaxBytes = 8 << 20;  // of text held

    const QVariant* find(const QByteArray& text) const {
        const auto it = read_.constFind(text);
        return it == read_.constEnd() ? nullptr : &*it;
    }
    void insert(const QByteArray& text, const QVariant& value) {
        while (!order_.empty() && bytes_ + text.size() > kMaxBytes) {
            bytes_ -= order_.front().size();
            read_.remove(order_.front());
            order_.pop_front();
        }
        if (read_.contains(text)) return;
        read_.insert(text, value);
        order_.push_back(text);
        bytes_ += text.size();
    }

private:
    QHash<QByteArray, QVariant> read_;
    std::deque<QByteArray> order_;  // the keys of read_, oldest first
    qsizetype bytes_ = 0;
};

}  // namespace

StatusChannel::StatusChannel(KlDatagramSocket& socket, KeloServerTable& servers,
                             uint16_t statusPort, uint16_t prefsPort)
    : socket_(socket),
      servers_(servers),
      net_(servers.networkInterface()),
      statusPort_(statusPort),
      prefsPort_(prefsPort) {}

bool StatusChannel::open() {
    return socket_.open();
}

void StatusChannel::close() {
    socket_.close();
}

bool StatusChannel::isOpen() const {
    return socket_.isOpen();
}

ssize_t StatusChannel::send(const QByteArray& datagram, uint32_t address, uint16_t port) {
    return socket_.send(datagram, address, port);
}

uint32_t StatusChannel::destination(const KeloObject* kelo) const {
    return net_.convertLocalAddress(kelo->address());
}

bool StatusChannel::check(bool ok, uint32_t source, const char* what, size_t size,
                          const QString& how) const {
    if (!ok) logRefusedDatagram("status", source, what, size, how);
    return ok;
}

// --- Scheduler -------------------------------------------------------------------

void StatusChannel::runStatus() {
    const double now = KeloObject::now();
    if (lastRunStatus_ != 0 && now - lastRunStatus_ > kStallGap) gracePeriod_ = now + kGracePeriod;
    const double cutoff = now - servers_.plocTimeout();
    static const QByteArray prefsDictRequest = KlEStatMessage::prefsDictRequest();
    // The tick's polls go out as one batch. Status requests are written to
    // requests_ first and pointed at once it has stopped growing.
    requests_.clear();
    polls_.clear();
    for (const auto& [name, object] : servers_.keloes()) {
        KeloObject* kelo = object.get();
        if (kelo->lastPLocValid() && kelo->lastPLoc() < cutoff && now > gracePeriod_) {
            if (servers_.plocReport()) {
                const uint32_t a = kelo->address();
                kelo::printf("### Lost contact with %u.%u.%u.%u: '%s'\n", a >> 24, (a >> 16) & 255,
                             (a >> 8) & 255, a & 255, qPrintable(name));
            }
            servers_.removeCurrent(name);
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
            const uint32_t to = kelo->isLocalIP() ? kLoopbackAddress : destination(kelo);
            initStatusRequest(&requests_.emplace_back(), kKlEOpStatusRequest, &request);
            polls_.push_back({nullptr, sizeof(kle_v3_statreq), to, statusPort_});
            kelo->updatePolledPrefsWithGracePeriod(gracePeriod_);
        } else {
            if (gServerLinkVerbose) kelo::puts("getting prefs");
            polls_.push_back({prefsDictRequest.constData(), size_t(prefsDictRequest.size()),
                              destination(kelo), prefsPort_});
        }
    }
    size_t next = 0;
    for (KlOutgoingDatagram& d : polls_) {
        if (!d.data) d.data = reinterpret_cast<const char*>(&requests_[next++]);
    }
    socket_.sendBatch(polls_.data(), polls_.size());
    if (now > gracePeriod_) gracePeriod_ = 0;
    lastRunStatus_ = now;
}

// --- Receiving ---------------------------------------------------------------------

QVariant StatusChannel::decodePrefsDict(const char* data, size_t size) {
    if (KlEStatMessage::acceptDatagram(data, size) != KlDatagramKind::ServerMessage ||
        KlEStatMessage::op(data, size) != kKlEOpPrefsDict)
        return {};
    QByteArray text;
    if (!KlEStatMessage::readPrefsDict(data, size, &text, nullptr) || text.isEmpty()) return {};
    // A server whose dictionary is late is asked again every tick and
    // answers each time: thousands of them at once would otherwise be read
    // over and over, slower than they arrive.
    thread_local PrefsDictCache cache;
    if (const QVariant* known = cache.find(text)) return *known;
    QVariant prefs = PropertyList::read(text);
    if (prefs.typeId() != QMetaType::QVariantMap) prefs = QVariant();
    cache.insert(text, prefs);
    return prefs;
}

void StatusChannel::receive(const char* data, size_t size, bool local, uint32_t clientAddr,
                            const QVariant& decoded) {
    const int op = KlEStatMessage::op(data, size);
    KeloObject* kelo = servers_.keloObjectForAddress(clientAddr, local);
    switch (op) {
        case kKlEOpStatusReply:
            if (kelo) servers_.addChanges(fileStatusReply(kelo, data, size, KeloObject::now()));
            break;
        case kKlEOpPrefsDict: {
            if (!kelo) break;
            if (decoded.typeId() == QMetaType::QVariantMap) {
                filePrefsDict(kelo, decoded.toMap());
                break;
            }
            QByteArray text;
            QString why;
            if (!check(KlEStatMessage::readPrefsDict(data, size, &text, &why), clientAddr,
                       "preference dictionary", size, why) ||
                !check(!text.isEmpty(), clientAddr, "preference dictionary", size, "it is empty"))
                break;
            QString error;
            const QVariant prefs = PropertyList::read(text, &error);
            if (!check(prefs.typeId() == QMetaType::QVariantMap, clientAddr,
                       "preference dictionary", size,
                       prefs.isValid() ? QString("it is no dictionary") : error))
                break;
            filePrefsDict(kelo, prefs.toMap());
            break;
        }
        case kKlEOpOnePref:
            if (kelo) handleOnePref(kelo, data, size, clientAddr);
            break;
        case kKlEOpStatusRequest:
        case kKlEOp12:
        case kKlEOp254:
            break;
        default:
            check(false, clientAddr, "server message", size, QString("unknown op %1").arg(op));
            break;
    }
}

void StatusChannel::filePrefsDict(KeloObject* kelo, const QVariantMap& prefs) {
    kelo->setPrefsDict(prefs);
    kelo->addChanges(8);
    kelo->setNeedsPrefUpdate(false);
    servers_.addChanges(KeloServerTable::kPrefsBits);
    kelo->rereadMixesIfWanted();
}

void StatusChannel::handleOnePref(KeloObject* kelo, const char* data, size_t size,
                                  uint32_t source) {
    QByteArray key, value;
    QString why;
    if (!check(KlEStatMessage::readOnePref(data, size, &key, &value, &why), source,
               "preference value", size, why))
        return;
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
        servers_.addChanges(KeloServerTable::kPrefsBits);
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
        NotificationCenter::defaultCenter().post(kKeloPrefChangedNotification, nullptr,
                                                 {{"prefName", keyString}});
    } else {
        kelo->addChanges(16);
        servers_.addChanges(KeloServerTable::kServerBits);
    }
}

bool StatusChannel::setPrefValue(const QString& value, const QString& key, QVariantMap* item) {
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

// --- Sending -------------------------------------------------------------------------

void StatusChannel::getPrefValue(const QString& key, KeloObject* kelo) {
    if (!kelo || kelo->address() == 0 || key.isNull()) return;
    const QByteArray k = key.toUtf8();
    if (!fitsAsCText(k, "preference key")) return;
    const QByteArray datagram = KlEStatMessage::getPrefRequest(k);
    if (datagram.isEmpty()) return;
    send(datagram, destination(kelo), prefsPort_);
}

void StatusChannel::setPref(const QString& pref, const QString& value, KeloObject* kelo,
                            uint16_t flags) {
    if (!kelo || pref.isNull() || value.isNull()) return;
    QString key = pref;
    const QVariantMap& prefs = kelo->prefsDict();
    if (kelo->hasPrefsDict() && !prefs.contains(key)) {
        for (auto it = prefs.begin(); it != prefs.end(); ++it) {
            const QVariant alias = it->toMap().value("_alias");
            if (alias.typeId() == QMetaType::QString && alias.toString() == pref) {
                key = it.key();
                break;
            }
        }
    }
    if (key == "mixes") kelo->rereadMixesIfWanted();
    if (kelo->address() == 0) return;
    const QByteArray k = key.toUtf8(), v = value.toUtf8();
    if (!fitsAsCText(k, "preference key") || !fitsAsCText(v, "preference value")) return;
    const QByteArray datagram = KlEStatMessage::setPrefRequest(k, v, flags);
    if (datagram.isEmpty()) return;
    kelo->anticipatePrefUpdates();
    send(datagram, destination(kelo), prefsPort_);
}

void StatusChannel::KeloRemoteNotification(const Notification& notification) {
    const QVariantMap& info = notification.userInfo;
    const int type = info.value("type").toInt();
    if (type != 1 && type != 2) {
        kelo::printf("ERROR: unhandled KeloRemoteNotification %s\n", qPrintable(describe(info)));
        return;
    }
    KeloObject* kelo = servers_.keloObjectForName(info.value("fixtureName").toString());
    if (!kelo) return;
    const QString prefName = info.value("prefName").toString();
    if (type == 1) {
        getPrefValue(prefName, kelo);
        return;
    }
    setPref(prefName, info.value("prefValue").toString(), kelo);
    if (prefName == "alias") {
        // The server's name changes: read it all afresh.
        kelo->setGeneralStatusArrived(0.0);
        kelo->clearPrefsDict();
        kelo->setNeedsPrefUpdate(true);
    }
}

void StatusChannel::sendKeloRemoteCommand(int command, const QString& kelo) {
    const KeloObject* k = servers_.keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    // Without data the command goes to the server's own address.
    send(KlEStatMessage::remoteCommand(uint32_t(command)), k->address(), prefsPort_);
}

void StatusChannel::sendKeloRemoteCommand(int command, const QString& kelo,
                                          const QByteArray& data) {
    const KeloObject* k = servers_.keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    const QByteArray datagram = KlEStatMessage::remoteCommandWithData(uint32_t(command), data);
    if (datagram.isEmpty()) return;
    send(datagram, destination(k), prefsPort_);
}

void StatusChannel::forceSendKeloRemoteCommand(int command, uint32_t rawIPAddress) {
    if (command == 0 || rawIPAddress == 0) return;
    send(KlEStatMessage::remoteCommand(uint32_t(command)), rawIPAddress, prefsPort_);
}

void StatusChannel::sendKeloDaemonCommand(uint32_t command, const QString& kelo) {
    const KeloObject* k = servers_.keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    send(KlECMessage::command(command), destination(k), statusPort_);
}

void StatusChannel::sendKeloDaemonCommand(uint32_t command, const QVariant& data,
                                          const QString& kelo) {
    const KeloObject* k = servers_.keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    QByteArray bytes;
    if (data.typeId() == QMetaType::QString)
        bytes = data.toString().toUtf8() + '\0';
    else if (data.typeId() == QMetaType::QByteArray)
        bytes = data.toByteArray();
    const QByteArray datagram = KlECMessage::commandWithData(command, bytes);
    if (datagram.isEmpty()) return;
    send(datagram, destination(k), statusPort_);
}

void StatusChannel::setKeloCollectionID(int collectionID, KeloObject* kelo) {
    if (!kelo || kelo->address() == 0) return;
    send(KlECMessage::collectionAssignment(uint8_t(collectionID)), destination(kelo), statusPort_);
}

void StatusChannel::requestLayerDetail(int layer, KeloObject* kelo) {
    if (!kelo || layer < 0 || layer >= kelo->layerCount() || kelo->address() == 0 ||
        !kelo->active() || !kelo->isRunning())
        return;
    const uint32_t to = kelo->isLocalIP() ? kLoopbackAddress : destination(kelo);
    send(KlEStatMessage::statusRequest(uint16_t(0x8000 | layer)), to, statusPort_);
}

ssize_t StatusChannel::sendMsg(const char* bytes, size_t length, KeloObject* kelo) {
    if (!kelo || !bytes) return -1;
    return send(QByteArray(bytes, qsizetype(length)), destination(kelo), prefsPort_);
}
