#pragma once

#include <QByteArray>
#include <QUuid>

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <functional>

// Sends a payload behind a 16-byte server message header as one datagram or,
// when it is too long for one, as fragments that the receiver's
// KlMsgDataCollector puts back together. A fragment datagram: the caller's
// header with the length field p + 18, the fragment flag (a little-endian 1)
// at 12 and p at 14; then the message UUID, the u32 little-endian offset of
// the chunk, in the first fragment the u32 little-endian total size, and the
// chunk. Every datagram ends in two zero bytes that the length field counts.
class KlDataSender {
public:
    static constexpr uint32_t kMaxUnfragmented = 64999;
    static constexpr uint32_t kFirstChunk = 64960;
    static constexpr uint32_t kLaterChunk = 64964;
    // Content-editor texts up to this length (with NUL and padding byte) go
    // as one plain datagram.
    static constexpr uint32_t kMaxContentEditorPayload = 65000;

    // Receives each finished datagram; false stops the message.
    using Deliver = std::function<bool(const uint8_t* datagram, size_t size)>;

    // Sends on `socket` to `addr`; false when a send failed (the rest of the
    // message is then not sent). `header` is 16 bytes; bytes 0-1, 12-13 and
    // 14-15 are rewritten as the datagrams go out.
    static bool sendto(int socket, const sockaddr_in& addr, uint8_t* header, const void* payload,
                       uint32_t payloadSize);
    // The same, handing each datagram to `deliver`.
    static bool send(uint8_t* header, const void* payload, uint32_t payloadSize,
                     const Deliver& deliver, const QUuid& uuid = QUuid::createUuid());

    // A content-editor query (op 22) or set (op 24) of the UTF-8 `text`: one
    // datagram of text, NUL and a zero byte while that payload is at most
    // kMaxContentEditorPayload bytes, else the text and its NUL in fragments.
    static bool sendContentEditorMessage(const QByteArray& text, bool set, const Deliver& deliver,
                                         const QUuid& uuid = QUuid::createUuid());
};
