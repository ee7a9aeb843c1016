#include "serverlink/KlDataSender.h"

#include "serverlink/KlEStatMessage.h"

#include <QtEndian>

#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeader = sizeof(_kle_v3_stat_data);
// Bytes that follow the header in a fragment: UUID and offset, plus the total
// size in the first.
constexpr uint32_t kFragmentFields = 20;
constexpr uint32_t kFirstFragmentFields = 24;
// The two bytes at the end that the length field counts.
constexpr uint32_t kTrailer = 2;

static_assert(kFragmentFields + KlDataSender::kLaterChunk ==
              kFirstFragmentFields + KlDataSender::kFirstChunk);

}  // namespace

bool KlDataSender::sendto(int socket, const sockaddr_in& addr, uint8_t* header, const void* payload,
                          uint32_t payloadSize) {
    return send(header, payload, payloadSize, [&](const uint8_t* datagram, size_t size) {
        return ::sendto(socket, datagram, size, 0, reinterpret_cast<const sockaddr*>(&addr),
                        sizeof addr) == ssize_t(size);
    });
}

bool KlDataSender::send(uint8_t* header, const void* payload, uint32_t payloadSize,
                        const Deliver& deliver, const QUuid& uuid) {
    if (!header || !payload || payloadSize == 0) return true;
    const auto* bytes = static_cast<const uint8_t*>(payload);
    // One buffer for every datagram of the message; first and later
    // fragments fill the same room.
    std::vector<uint8_t> buffer(
        kHeader + kTrailer +
        (payloadSize <= kMaxUnfragmented ? payloadSize : kFirstFragmentFields + kFirstChunk));
    const QByteArray id = uuid.toRfc4122();
    uint32_t sent = 0;
    while (sent < payloadSize) {
        const uint32_t remaining = payloadSize - sent;
        uint8_t* out = buffer.data() + kHeader;
        uint32_t chunk;
        uint16_t flag;
        if (sent == 0 && remaining <= kMaxUnfragmented) {
            flag = 0;
            chunk = remaining;
        } else {
            flag = 1;
            std::memcpy(out, id.constData(), 16);
            qToLittleEndian<quint32>(sent, out + 16);
            out += kFragmentFields;
            if (sent == 0) {
                qToLittleEndian<quint32>(payloadSize, out);
                out += 4;
                chunk = std::min(remaining, kFirstChunk);
            } else {
                chunk = std::min(remaining, kLaterChunk);
            }
        }
        std::memcpy(out, bytes + sent, chunk);
        out += chunk;
        std::memset(out, 0, kTrailer);
        const uint32_t p = uint32_t(out - buffer.data()) - uint32_t(kHeader);
        qToBigEndian<quint16>(uint16_t(p + kHeader + kTrailer), header);
        qToLittleEndian<quint16>(flag, header + 12);
        qToBigEndian<quint16>(uint16_t(p), header + 14);
        std::memcpy(buffer.data(), header, kHeader);
        if (!deliver(buffer.data(), p + kHeader + kTrailer)) return false;
        sent += chunk;
    }
    return true;
}

bool KlDataSender::sendContentEditorMessage(const QByteArray& text, bool set,
                                            const Deliver& deliver, const QUuid& uuid) {
    const auto n = uint64_t(text.size());
    _kle_v3_stat_data h = blank_stat;
    h.length.set(14);
    h.op = set ? kKlEOpContentSet : kKlEOpContentQuery;
    h.payloadLength.set(uint16_t(n + 2));
    if (n + 2 <= kMaxContentEditorPayload) {
        QByteArray datagram(qsizetype(kHeader + n + 2), '\0');
        std::memcpy(datagram.data(), &h, kHeader);
        std::memcpy(datagram.data() + kHeader, text.constData(), size_t(n));
        return deliver(reinterpret_cast<const uint8_t*>(datagram.constData()),
                       size_t(datagram.size()));
    }
    if (n + 1 > UINT32_MAX) return false;
    uint8_t header[kHeader];
    std::memcpy(header, &h, kHeader);
    // The text with its NUL: QByteArray keeps one after its data.
    return send(header, text.constData(), uint32_t(n + 1), deliver, uuid);
}
