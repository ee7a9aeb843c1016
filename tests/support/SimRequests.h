#pragma once

// What a controller sends a simulated server, read from the bytes alone:
// the simulator's own readers, so that a fault the product's decoder shares
// with its encoder cannot hide.

#include "support/SimContentRef.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace SimRequests {

// The receive buffer of a simulated server; no datagram is longer.
constexpr size_t kMaxReceived = 65792;

// The op of a server message (bytes 2-9 "KlEStat" and its NUL, op at 11);
// nothing for anything else.
std::optional<uint8_t> serverMessageOp(const char* data, size_t size);
// The request word of a status request (bytes 12-13, big-endian).
uint16_t requestWord(const char* data, size_t size);
// A NUL-terminated text from `offset`; false when it does not end within
// the bytes. `end` (may be null) gets the offset after the NUL.
bool readText(const char* data, size_t size, size_t offset, QByteArray* text, size_t* end);

// A content-editor query or set: whole, or one fragment (flag 1 as a
// little-endian word at 12), its payload from byte 16 as long as byte 14's
// big-endian length says.
struct ContentMessage {
    uint8_t op = 0;
    bool fragment = false;
    QByteArray payload;
};
std::optional<ContentMessage> readContentMessage(const char* data, size_t size);

// A content-transfer request to a collection master ("BFTP" ... "BFTS"):
// 44 bytes, then 4 per receiver, big-endian.
struct TransferRequest {
    uint32_t transferID = 0;
    uint8_t collectionID = 0;
    uint16_t bitRate = 0;
    uint16_t replyPort = 0;  // the sender's UDP port
    uint8_t opcode = 0;
    SimContentRef item;
    std::vector<uint32_t> receivers;  // host order
};
constexpr size_t kTransferRequestSize = 44;
// The request when the bytes hold exactly one: magic, sub-magic, a length
// that matches the receiver count; nothing otherwise.
std::optional<TransferRequest> readTransferRequest(const QByteArray& bytes);
// The length a request's first 8 bytes announce, or 0 when they are no
// request's beginning or announce more than 255 receivers could fill.
size_t transferRequestLength(const QByteArray& head);

}  // namespace SimRequests
