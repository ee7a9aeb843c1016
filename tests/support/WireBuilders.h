#pragma once

// Datagrams as a Kelo server sends them, for tests and the simulated server.
// They build exactly what is asked, lies included: every length can be given
// explicitly to make a datagram that does not hold together.

#include <QByteArray>

#include <cstdint>
#include <initializer_list>

namespace WireBuilders {

// Bytes 0-13 of a server message: length 14, magic, version 0, op, flags.
QByteArray serverHeader(uint8_t op, uint16_t flags = 0);
// A server message with a payload from byte 16; `payloadLength` -1 means the
// payload's size.
QByteArray serverMessage(uint8_t op, uint16_t flags, const QByteArray& payload,
                         int payloadLength = -1);

// One status reply record; `length` -1 means 4 + the body's size.
QByteArray statusRecord(uint16_t typeWord, const QByteArray& body, int length = -1);
// A preview picture record; `dataLength` -1 means the JPEG's size.
QByteArray previewRecord(uint16_t typeWord, uint16_t width, uint16_t height, uint16_t originalWidth,
                         uint16_t originalHeight, const QByteArray& jpeg, int dataLength = -1);
// An op 11 reply: the records, then a zero record length when `terminated`.
QByteArray statusReply(std::initializer_list<QByteArray> records, bool terminated = true);

// A CITP PINF/PLoc message; `messageSize` -1 means the datagram's size.
QByteArray citpPLoc(uint16_t tcpPort, const QByteArray& type, const QByteArray& name,
                    const QByteArray& state, int64_t messageSize = -1);

// A "BFTT" beacon; the time stamp gets its NUL.
QByteArray transferBeacon(uint32_t daemonVersion, uint32_t keloVersion, uint16_t progressSecs,
                          uint16_t progressMax, uint32_t subnetMask, uint16_t bftpPort,
                          uint8_t collectionID, const QByteArray& timeStamp);

}  // namespace WireBuilders
