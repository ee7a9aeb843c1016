#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class KeloNetworkInterface;
class KeloObject;
class KeloServerTable;
class KlDatagramSocket;
class KlMsgNotificationDataCollector;

// The content-editor channel: sends queries (op 22) and sets (op 24) to a
// server's preference port, as one datagram or in fragments, and posts the
// content item data (op 23) that comes back, put together again when it came
// in fragments, as "KeloContentEditorNotification". Main thread only.
class ContentEditorChannel {
public:
    ContentEditorChannel(KlDatagramSocket& socket, KeloServerTable& servers, uint16_t prefsPort);
    ~ContentEditorChannel();
    ContentEditorChannel(const ContentEditorChannel&) = delete;
    ContentEditorChannel& operator=(const ContentEditorChannel&) = delete;

    // Nothing goes without a server, an address or a text.
    void sendContentEditorMessage(KeloObject* kelo, const QString& text, bool set);
    // One op 23 server message that passed the acceptance filter.
    void receive(const char* data, size_t size, bool local, uint32_t clientAddr);
    void notifyContentItemData(KeloObject* kelo, const QString& text);
    // Puts fragmented content item data back together; made on first need.
    KlMsgNotificationDataCollector* collectorMgr() const { return collectorMgr_.get(); }

private:
    bool check(bool ok, uint32_t source, size_t size, const QString& how) const;

    KlDatagramSocket& socket_;
    KeloServerTable& servers_;
    KeloNetworkInterface& net_;
    uint16_t prefsPort_;
    std::unique_ptr<KlMsgNotificationDataCollector> collectorMgr_;
};
