#pragma once

#include <QByteArray>

#include <cstdint>

// Daemon command datagrams ("KlEC"), sent to the status port of a server.
// The total length is the one little-endian field; the rest is big-endian.
class KlECMessage {
public:
    // Plain command, 12 bytes.
    static QByteArray command(uint32_t command);
    // Command with data, 16 + n bytes. Callers sending a text include its NUL.
    // Empty when the datagram would be too long to send.
    static QByteArray commandWithData(uint32_t command, const QByteArray& data);
    // Collection assignment, 13 bytes: "COLL" and the one-byte collection ID.
    static QByteArray collectionAssignment(uint8_t collectionID);
};
