#pragma once

#include "platform/NotificationCenter.h"
#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlEStatMessage.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class KeloNetworkInterface;
class KeloObject;
class KeloServerTable;

// The status-and-preference channel: its scheduler polls every wanted
// running server once a tick for status or, while the server's preferences
// are missing, for its preference dictionary, and notices lost contact; it
// sends preference reads and changes, remote and daemon commands, the
// collection assignment and layer details; and it files the replies (status,
// preference dictionary, one preference) into the sender's object.
//
// Nothing is sent for a missing server, an address of 0, a command of 0, or
// a key or value that does not fit one datagram (logged). Main thread only.
class StatusChannel {
public:
    StatusChannel(KlDatagramSocket& socket, KeloServerTable& servers, uint16_t statusPort,
                  uint16_t prefsPort);
    StatusChannel(const StatusChannel&) = delete;
    StatusChannel& operator=(const StatusChannel&) = delete;

    bool open();
    void close();
    bool isOpen() const;

    // --- Scheduler -----------------------------------------------------------
    // One poll of every server. After a stalled main thread (more than 1 s
    // since the last run) nobody is dropped for 1.2 s.
    void runStatus();

    // --- Receiving -------------------------------------------------------------
    // A server message of op 10-19 or 254 that passed the acceptance filter;
    // `clientAddr` is 127.0.0.1 for a sender on this computer; `decoded` is
    // what decodePrefsDict made of it on the receive thread, if anything.
    void receive(const char* data, size_t size, bool local, uint32_t clientAddr,
                 const QVariant& decoded = QVariant());
    // The dictionary a preference dictionary message (op 17) carries, read
    // on the receive thread so that the main thread only files it; invalid
    // for any other datagram or a bad one (the main thread then reads it
    // again and says what is wrong). Any thread.
    static QVariant decodePrefsDict(const char* data, size_t size);
    // Stores `value` as the entry's "_value" (parsed for "s_array" and "dict"
    // entries); true when it equals what was there.
    static bool setPrefValue(const QString& value, const QString& key, QVariantMap* item);

    // --- Sending -----------------------------------------------------------------
    void getPrefValue(const QString& key, KeloObject* kelo);
    // `key` may be an entry's "_alias"; the entry's real key is sent.
    void setPref(const QString& key, const QString& value, KeloObject* kelo, uint16_t flags = 0);
    // "KeloRemoteNotification": type 1 reads, type 2 sets a preference.
    void KeloRemoteNotification(const Notification& notification);
    void sendKeloRemoteCommand(int command, const QString& kelo);
    void sendKeloRemoteCommand(int command, const QString& kelo, const QByteArray& data);
    void forceSendKeloRemoteCommand(int command, uint32_t rawIPAddress);
    void sendKeloDaemonCommand(uint32_t command, const QString& kelo);
    // A string goes as UTF-8 with its NUL, a byte array as is, anything else
    // as no data.
    void sendKeloDaemonCommand(uint32_t command, const QVariant& data, const QString& kelo);
    void setKeloCollectionID(int collectionID, KeloObject* kelo);
    void requestLayerDetail(int layer, KeloObject* kelo);
    // A prepared datagram to the server's preference port; -1 without a
    // socket or server.
    ssize_t sendMsg(const char* bytes, size_t length, KeloObject* kelo);

private:
    void filePrefsDict(KeloObject* kelo, const QVariantMap& prefs);
    void handleOnePref(KeloObject* kelo, const char* data, size_t size, uint32_t source);
    bool check(bool ok, uint32_t source, const char* what, size_t size, const QString& how) const;
    ssize_t send(const QByteArray& datagram, uint32_t address, uint16_t port);
    uint32_t destination(const KeloObject* kelo) const;

    KlDatagramSocket& socket_;
    KeloServerTable& servers_;
    KeloNetworkInterface& net_;
    uint16_t statusPort_;
    uint16_t prefsPort_;
    double lastRunStatus_ = 0;
    double gracePeriod_ = 0;
    // One tick's polls, kept between ticks so that polling allocates nothing.
    std::vector<kle_v3_statreq> requests_;
    std::vector<KlOutgoingDatagram> polls_;
};
