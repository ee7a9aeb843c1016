// Sending side of the network singleton: preferences, remote and daemon
// commands, the collection assignment, layer details and prepared datagrams.
// Every operation builds one datagram and sends it at once; answers come
// back through the receive dispatch.

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KlECMessage.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/KlSockets.h"

#include <QStringList>

std::atomic<KlE_Control_Status*> KlE_Control_Status::sLiveObject_{nullptr};

namespace {

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

}  // namespace

KlE_Control_Status* KlE_Control_Status::liveObject() {
    return sLiveObject_.load();
}

void KlE_Control_Status::getPrefValue(const QString& key, KeloObject* kelo) {
    if (!kelo || kelo->address() == 0 || key.isNull()) return;
    const QByteArray k = key.toUtf8();
    if (!fitsAsCText(k, "preference key")) return;
    const QByteArray datagram = KlEStatMessage::getPrefRequest(k);
    if (datagram.isEmpty()) return;
    send(udpsocket_, datagram, net_info_->convertLocalAddress(kelo->address()), options_.prefsPort);
}

void KlE_Control_Status::setPref(const QString& pref, const QString& value, KeloObject* kelo,
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
    send(udpsocket_, datagram, net_info_->convertLocalAddress(kelo->address()), options_.prefsPort);
}

void KlE_Control_Status::KeloRemoteNotification(const Notification& notification) {
    const QVariantMap& info = notification.userInfo;
    const int type = info.value("type").toInt();
    if (type != 1 && type != 2) {
        kelo::printf("ERROR: unhandled KeloRemoteNotification %s\n", qPrintable(describe(info)));
        return;
    }
    KeloObject* kelo = keloObjectForName(info.value("fixtureName").toString());
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

void KlE_Control_Status::sendKeloRemoteCommand(int command, const QString& kelo) {
    const KeloObject* k = keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    // Without data the command goes to the server's own address.
    send(udpsocket_, KlEStatMessage::remoteCommand(uint32_t(command)), k->address(),
         options_.prefsPort);
}

void KlE_Control_Status::sendKeloRemoteCommand(int command, const QString& kelo,
                                               const QByteArray& data) {
    const KeloObject* k = keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    const QByteArray datagram = KlEStatMessage::remoteCommandWithData(uint32_t(command), data);
    if (datagram.isEmpty()) return;
    send(udpsocket_, datagram, net_info_->convertLocalAddress(k->address()), options_.prefsPort);
}

void KlE_Control_Status::forceSendKeloRemoteCommand(int command, uint32_t rawIPAddress) {
    if (command == 0 || rawIPAddress == 0) return;
    send(udpsocket_, KlEStatMessage::remoteCommand(uint32_t(command)), rawIPAddress,
         options_.prefsPort);
}

void KlE_Control_Status::sendKeloDaemonCommand(uint32_t command, const QString& kelo) {
    const KeloObject* k = keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    send(udpsocket_, KlECMessage::command(command), net_info_->convertLocalAddress(k->address()),
         options_.statusPort);
}

void KlE_Control_Status::sendKeloDaemonCommand(uint32_t command, const QVariant& data,
                                               const QString& kelo) {
    const KeloObject* k = keloObjectForName(kelo);
    if (command == 0 || !k || k->address() == 0) return;
    QByteArray bytes;
    if (data.typeId() == QMetaType::QString)
        bytes = data.toString().toUtf8() + '\0';
    else if (data.typeId() == QMetaType::QByteArray)
        bytes = data.toByteArray();
    const QByteArray datagram = KlECMessage::commandWithData(command, bytes);
    if (datagram.isEmpty()) return;
    send(udpsocket_, datagram, net_info_->convertLocalAddress(k->address()), options_.statusPort);
}

void KlE_Control_Status::setKeloCollectionID(int collectionID, KeloObject* kelo) {
    if (!kelo || kelo->address() == 0) return;
    send(udpsocket_, KlECMessage::collectionAssignment(uint8_t(collectionID)),
         net_info_->convertLocalAddress(kelo->address()), options_.statusPort);
}

void KlE_Control_Status::requestLayerDetail(int layer, KeloObject* kelo) {
    if (!kelo || layer < 0 || layer >= kelo->layerCount() || kelo->address() == 0 ||
        !kelo->active() || !kelo->isRunning())
        return;
    const uint32_t to =
        kelo->isLocalIP() ? kLoopbackAddress : net_info_->convertLocalAddress(kelo->address());
    send(udpsocket_, KlEStatMessage::statusRequest(uint16_t(0x8000 | layer)), to,
         options_.statusPort);
}

ssize_t KlE_Control_Status::sendMsg(const char* bytes, size_t length, KeloObject* kelo) {
    KlE_Control_Status* link = liveObject();
    if (!link || !kelo || !bytes) return -1;
    return link->send(link->udpsocket_, QByteArray(bytes, qsizetype(length)),
                      link->net_info_->convertLocalAddress(kelo->address()),
                      link->options_.prefsPort);
}

int KlE_Control_Status::_privateUdpSocket() {
    KlE_Control_Status* link = liveObject();
    return link ? link->udpsocket_.load() : -1;
}
