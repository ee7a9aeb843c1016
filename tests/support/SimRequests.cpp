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

size_t transferRequestLength(const QByteArray& head) {
    if (head.size() < 8 || !head.startsWith("BFTP")) return 0;
    const size_t length = qFromBigEndian<quint32>(head.constData() + 4);
    if (length < kTransferRequestSize || length > kTransferRequestSize + 4 * 255 ||
        (length - kTransferRequestSize) % 4 != 0)
        return 0;
    return length;
}

std::optional<TransferRequest> readTransferRequest(const QByteArray& bytes) {
    const size_t length = transferRequestLength(bytes);
    if (length == 0 || size_t(bytes.size()) != length) return std::nullopt;
    const char* d = bytes.constData();
    if (std::memcmp(d + 32, "BFTS", 4) != 0) return std::nullopt;
    const size_t count = uint8_t(d[37]);
    if (length != kTransferRequestSize + 4 * count) return std::nullopt;
    TransferRequest r;
    r.transferID = qFromBigEndian<quint32>(d + 8);
    r.collectionID = uint8_t(d[16]);
    r.bitRate = qFromBigEndian<quint16>(d + 20);
    r.replyPort = qFromBigEndian<quint16>(d + 22);
    r.opcode = uint8_t(d[36]);
    r.item = SimContentRef::fromBytes(bytes.mid(40, 4));
    for (size_t i = 0; i < count; ++i)
        r.receivers.push_back(qFromBigEndian<quint32>(d + kTransferRequestSize + 4 * i));
    return r;
}

}  // namespace SimRequests
