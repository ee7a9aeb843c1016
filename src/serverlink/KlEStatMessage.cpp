#include "serverlink/KlEStatMessage.h"

#include "foundation/OmLog.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr size_t kShortHeader = sizeof(kle_v3_statreq);
constexpr size_t kHeader = sizeof(_kle_v3_stat_data);

bool hasBytes(const char* data, size_t size, size_t offset, const char* text, size_t n) {
    return size >= offset + n && std::memcmp(data + offset, text, n) == 0;
}

QByteArray header(uint8_t op, uint16_t length, uint16_t flags, size_t size) {
    QByteArray out(qsizetype(size), '\0');
    _kle_v3_stat_data h = blank_stat;
    h.length.set(length);
    h.op = op;
    h.flags.set(flags);
    std::memcpy(out.data(), &h, std::min(size, kHeader));
    return out;
}

void putBigEndian16(QByteArray& out, size_t offset, uint16_t value) {
    qToBigEndian<quint16>(value, out.data() + offset);
}

}  // namespace

void initStatusRequest(kle_v3_statreq* header, uint8_t op, const KlReqV4* request) {
    if (!header) return;
    std::memcpy(header, &blank_stat, sizeof *header);
    header->length.set(kShortHeader);
    header->op = op;
    header->flags.set(request ? request->requestWord() : 0);
}

bool KlReadCText(const char* data, size_t size, size_t offset, QByteArray* text, size_t* end) {
    if (offset >= size) return false;
    const void* nul = std::memchr(data + offset, 0, size - offset);
    if (!nul) return false;
    const size_t length = size_t(static_cast<const char*>(nul) - (data + offset));
    if (text) *text = QByteArray(data + offset, qsizetype(length));
    if (end) *end = offset + length + 1;
    return true;
}

KlDatagramKind KlEStatMessage::acceptDatagram(const char* data, size_t size) {
    if (hasBytes(data, size, 0, "BFTP", 4) &&
        (hasBytes(data, size, 32, "BFTM", 4) || hasBytes(data, size, 32, "BFTT", 4))) {
        return KlDatagramKind::BftpBeacon;
    }
    if (hasBytes(data, size, 0, "CITP", 4) && hasBytes(data, size, 16, "PINF", 4) &&
        hasBytes(data, size, 20, "PLoc", 4)) {
        return KlDatagramKind::CitpPresence;
    }
    if (hasBytes(data, size, 2, blank_stat.magic, sizeof blank_stat.magic)) {
        return KlDatagramKind::ServerMessage;
    }
    return KlDatagramKind::Dropped;
}

QByteArray KlEStatMessage::statusRequest(uint16_t requestWord) {
    return header(kKlEOpStatusRequest, kShortHeader, requestWord, kShortHeader);
}

QByteArray KlEStatMessage::statusRequest(const KlReqV4& request) {
    kle_v3_statreq h;
    initStatusRequest(&h, kKlEOpStatusRequest, &request);
    return QByteArray(reinterpret_cast<const char*>(&h), sizeof h);
}

QByteArray KlEStatMessage::prefsDictRequest() {
    return header(kKlEOpPrefsDictRequest, kShortHeader, 0, kShortHeader);
}

QByteArray KlEStatMessage::getPrefRequest(const QByteArray& key) {
    if (size_t(key.size()) > kMaxGetPrefKeyLength) {
        OmLogNoFlood(kOmLogWarning, "preference key of %d bytes is too long to ask for\n",
                     int(key.size()));
        return {};
    }
    const size_t size = kHeader + size_t(key.size()) + 1;
    QByteArray out = header(kKlEOpGetPref, uint16_t(size), 0, size);
    putBigEndian16(out, 14, uint16_t(key.size() + 1));
    std::memcpy(out.data() + kHeader, key.constData(), size_t(key.size()));
    return out;
}

QByteArray KlEStatMessage::setPrefRequest(const QByteArray& key, const QByteArray& value,
                                          uint16_t flags) {
    const size_t size = kHeader + size_t(key.size()) + size_t(value.size()) + 2;
    if (size > kMaxSentDatagram) {
        OmLogNoFlood(kOmLogWarning, "preference '%s' with a value of %d bytes does not fit\n",
                     key.left(64).constData(), int(value.size()));
        return {};
    }
    // The length field stays 14 here; the payload length carries the size.
    QByteArray out = header(kKlEOpSetPref, kShortHeader, flags, size);
    putBigEndian16(out, 14, uint16_t(size - kHeader));
    std::memcpy(out.data() + kHeader, key.constData(), size_t(key.size()));
    std::memcpy(out.data() + kHeader + key.size() + 1, value.constData(), size_t(value.size()));
    return out;
}

QByteArray KlEStatMessage::remoteCommand(uint32_t command) {
    return header(uint8_t(command), kShortHeader, uint16_t(command >> 8), kShortHeader);
}

QByteArray KlEStatMessage::remoteCommandWithData(uint32_t command, const QByteArray& data) {
    // The data replaces the flags word and payload length, from byte 12 on.
    constexpr size_t kPrefix = 12;
    const size_t size = kPrefix + size_t(data.size());
    if (size > kMaxSentDatagram) {
        OmLogNoFlood(kOmLogWarning, "remote command %u with %d bytes of data does not fit\n",
                     command, int(data.size()));
        return {};
    }
    QByteArray out = header(uint8_t(command), uint16_t(size), 0, size);
    std::memcpy(out.data() + kPrefix, data.constData(), size_t(data.size()));
    return out;
}

int KlEStatMessage::op(const char* data, size_t size) {
    if (size < 12) return -1;
    return uint8_t(data[11]);
}

namespace {

bool refuse(QString* why, const QString& reason) {
    if (why) *why = reason;
    return false;
}

}  // namespace

bool KlEStatMessage::readPrefsDict(const char* data, size_t size, QByteArray* text, QString* why) {
    if (size < kHeader) return refuse(why, "preference dictionary without payload");
    const size_t payload = qFromBigEndian<quint16>(data + 14);
    if (payload > size - kHeader) {
        return refuse(why, QString::asprintf("preference dictionary claims %d bytes, %d received",
                                             int(payload), int(size - kHeader)));
    }
    const char* start = data + kHeader;
    const void* nul = std::memchr(start, 0, payload);
    const size_t length = nul ? size_t(static_cast<const char*>(nul) - start) : payload;
    *text = QByteArray(start, qsizetype(length));
    return true;
}

bool KlEStatMessage::readOnePref(const char* data, size_t size, QByteArray* key, QByteArray* value,
                                 QString* why) {
    size_t afterKey = 0;
    if (!KlReadCText(data, size, kHeader, key, &afterKey) ||
        !KlReadCText(data, size, afterKey, value, nullptr)) {
        return refuse(why, "preference value lacks its key or value");
    }
    return true;
}

bool KlEStatMessage::readContentItem(const char* data, size_t size, bool* fragment,
                                     QByteArray* bytes, QString* why) {
    if (size < kHeader) return refuse(why, "content item data without payload");
    // The sender writes the fragment flag as a little-endian 1.
    *fragment = uint8_t(data[12]) == 1 && data[13] == 0;
    if (*fragment) {
        const size_t payload = qFromBigEndian<quint16>(data + 14);
        if (payload > size - kHeader) {
            return refuse(why,
                          QString::asprintf("content item fragment claims %d bytes, %d received",
                                            int(payload), int(size - kHeader)));
        }
        *bytes = QByteArray(data + kHeader, qsizetype(payload));
        return true;
    }
    if (!KlReadCText(data, size, kHeader, bytes, nullptr))
        return refuse(why, "content item text is not terminated");
    return true;
}
