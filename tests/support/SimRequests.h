#pragma once

// What a controller sends a simulated server, read from the bytes alone:
// the simulator's own readers, so that a fault the product's decoder shares
// with its encoder cannot hide.

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <optional>

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

}  // namespace SimRequests
