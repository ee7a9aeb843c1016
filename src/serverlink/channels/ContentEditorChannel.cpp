#include "serverlink/channels/ContentEditorChannel.h"

#include "platform/NotificationCenter.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloServerTable.h"
#include "serverlink/KlDataSender.h"
#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/KlMsgNotificationDataCollector.h"
#include "serverlink/ServerLinkLog.h"
#include "serverlink/ServerLinkNotifications.h"

ContentEditorChannel::ContentEditorChannel(KlDatagramSocket& socket, KeloServerTable& servers,
                                           uint16_t prefsPort)
    : socket_(socket), servers_(servers), net_(servers.networkInterface()), prefsPort_(prefsPort) {}

ContentEditorChannel::~ContentEditorChannel() = default;

bool ContentEditorChannel::check(bool ok, uint32_t source, size_t size, const QString& how) const {
    if (!ok) logRefusedDatagram("content editor", source, "content item data", size, how);
    return ok;
}

void ContentEditorChannel::sendContentEditorMessage(KeloObject* kelo, const QString& text,
                                                    bool set) {
    if (!kelo || kelo->address() == 0 || text.isNull()) return;
    const uint32_t to = net_.convertLocalAddress(kelo->address());
    KlDataSender::sendContentEditorMessage(text.toUtf8(), set, [&](const uint8_t* d, size_t n) {
        const QByteArray datagram(reinterpret_cast<const char*>(d), qsizetype(n));
        return socket_.send(datagram, to, prefsPort_) == ssize_t(n);
    });
}

void ContentEditorChannel::receive(const char* data, size_t size, bool local, uint32_t clientAddr) {
    KeloObject* kelo = servers_.keloObjectForAddress(clientAddr, local);
    if (!kelo) return;
    bool fragment = false;
    QByteArray bytes;
    QString why;
    if (!check(KlEStatMessage::readContentItem(data, size, &fragment, &bytes, &why), clientAddr,
               size, why))
        return;
    if (fragment) {
        if (!collectorMgr_) collectorMgr_ = std::make_unique<KlMsgNotificationDataCollector>();
        const std::optional<QByteArray> message = collectorMgr_->handleDataMsg(bytes);
        if (!message) return;
        // The text ends at its NUL.
        const qsizetype nul = message->indexOf('\0');
        bytes = nul < 0 ? *message : message->left(nul);
    }
    notifyContentItemData(kelo, QString::fromUtf8(bytes));
}

void ContentEditorChannel::notifyContentItemData(KeloObject* kelo, const QString& text) {
    NotificationCenter::defaultCenter().post(kKeloContentEditorNotification, kelo,
                                             {{"opcode", 23}, {"message", text}});
}
