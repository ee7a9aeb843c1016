#include "support/SimRequests.h"

#include <QtEndian>

#include <cstring>

namespace SimRequests {

std::optional<uint8_t> serverMessageOp(const char* data, size_t size) {
    if (!data || size < 12 || std::memcmp(data + 2, "KlEStat", 8) != 0) return std::nullopt;
    return uint8_t(data[11]);
}

uint16_t requestWord(const char* data, size_t size) {
    return size < 14 ? 0 : qFromBigEndian<quint16>(data + 12);
}

bool readText(const char* data, size_t size, size_t offset, QByteArray* text, size_t* end) {
    if (offset >= size) return false;
    const void* nul = std::memchr(data + offset, 0, size - offset);
    if (!nul) return false;
    const size_t length = size_t(static_cast<const char*>(nul) - (data + offset));
    *text = QByteArray(data + offset, qsizetype(length));
    if (end) *end = offset + length + 1;
    return true;
}

std::optional<ContentMessage> readContentMessage(const char* data, size_t size) {
    const std::optional<uint8_t> op = serverMessageOp(data, size);
    if (!op || size < 16) return std::nullopt;
    const size_t payload = qFromBigEndian<quint16>(data + 14);
    if (payload > size - 16) return std::nullopt;
    ContentMessage m;
    m.op = *op;
    m.fragment = qFromLittleEndian<quint16>(data + 12) == 1;
    m.payload = QByteArray(data + 16, qsizetype(payload));
    return m;
}

}  // namespace SimRequests
