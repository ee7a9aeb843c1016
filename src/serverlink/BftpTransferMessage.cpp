#include "serverlink/BftpTransferMessage.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kBftpMagic = fourCharCode("BFTP");
constexpr uint32_t kSendMagic = fourCharCode("BFTS");
constexpr uint32_t kProgressMagic = fourCharCode("BFTp");

void put32(char* at, uint32_t v) {
    qToBigEndian(v, at);
}
void put16(char* at, uint16_t v) {
    qToBigEndian(v, at);
}
uint32_t get32(const char* at) {
    return qFromBigEndian<uint32_t>(at);
}
uint16_t get16(const char* at) {
    return qFromBigEndian<uint16_t>(at);
}

}  // namespace

QByteArray BftpTransferMessage::request(const BftpTransferRequest& request) {
    const size_t n = std::min(request.receivers.size(), kMaxReceivers);
    const size_t size = kRequestSize + 4 * n;
    QByteArray out(qsizetype(size), '\0');
    char* d = out.data();
    put32(d + 0, kBftpMagic);
    put32(d + 4, uint32_t(size));
    put32(d + 8, request.transferID);
    d[16] = char(request.collectionID);
    put16(d + 20, request.bitRate);
    put16(d + 22, request.udpPort);
    put32(d + 24, 1);
    put32(d + 32, kSendMagic);
    d[36] = char(request.opcode);
    d[37] = char(uint8_t(n));
    put16(d + 38, 1);
    request.content.copyTo(reinterpret_cast<uint8_t*>(d + 40));
    for (size_t i = 0; i < n; ++i) put32(d + kRequestSize + 4 * i, request.receivers[i]);
    return out;
}

int BftpTransferMessage::readReplyHeader(const char* header, uint32_t* length) {
    if (get32(header) != kBftpMagic) return kTransferBadMagic;
    const uint32_t l = get32(header + 4);
    *length = l;
    if (l <= kReplyHeaderSize) return kTransferNothingToRead;
    if (l < kReplyNameOffset || l > kMaxReplySize) return kTransferShortBody;
    return kTransferEndedNormally;
}

int BftpTransferMessage::readReply(const char* data, size_t size, BftpProgressReply* out) {
    if (size < kReplyHeaderSize) return kTransferShortHeader;
    uint32_t length = 0;
    if (const int e = readReplyHeader(data, &length)) return e;
    if (length > size) return kTransferShortBody;
    if (get32(data + 32) != kProgressMagic) return kTransferBadReplyMagic;

    out->length = length;
    out->transferID = get32(data + 8);
    out->status = get32(data + 12);
    out->collectionID = uint8_t(data[16]);
    out->flags = get16(data + 20);
    out->progress = get16(data + 22);
    out->content = *KlContentRef::fromBytes(data + 36, KlContentRef::kSize);

    const char* name = data + kReplyNameOffset;
    const size_t room = length - kReplyNameOffset;
    const auto* nul = static_cast<const char*>(std::memchr(name, 0, room));
    const size_t nameLength = nul ? size_t(nul - name) : room;
    out->name = QByteArray(name, qsizetype(nameLength));
    out->receivers.clear();
    if (!nul) return kTransferEndedNormally;

    // The receiver count sits at the next even offset after the name's NUL.
    const size_t a = (kReplyNameOffset + nameLength + 1 + 1) & ~size_t(1);
    if (a > length || length - a < 3) return kTransferEndedNormally;
    const size_t m = get16(data + a);
    if (m * 12 > length - a - 2) return kTransferShortBody;
    out->receivers.reserve(m);
    for (size_t i = 0; i < m; ++i) {
        const char* r = data + a + 2 + 12 * i;
        out->receivers.push_back({get32(r), get32(r + 4), get32(r + 8)});
    }
    return kTransferEndedNormally;
}
