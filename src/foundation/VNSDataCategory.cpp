#include "foundation/VNSDataCategory.h"

#include "foundation/OmLog.h"

#include <zlib.h>

#include <algorithm>
#include <new>

namespace {

constexpr qsizetype kPrefixSize = 4;
// deflate's best case is about 1032:1; a little slack for the stream's
// header and check.
constexpr quint64 kMaxInflateRatio = 1032;
constexpr quint64 kInflateSlack = 64;

}  // namespace

QByteArray compress(const QByteArray& data, int level) {
    if (static_cast<quint64>(data.size()) > 0xFFFFFFFFu)
        throw VNSDataCompressionError("Error: " + std::to_string(Z_BUF_ERROR));
    const qsizetype room = std::max<qsizetype>(static_cast<qsizetype>(data.size() * 1.5), 1024);
    QByteArray out;
    try {
        out.resize(kPrefixSize + room);
    } catch (const std::bad_alloc&) {
        throw VNSDataCompressionError("Buffer Allocation Failed");
    }
    const quint32 length = static_cast<quint32>(data.size());
    for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    uLongf written = static_cast<uLongf>(room);
    const int rc = compress2(reinterpret_cast<Bytef*>(out.data() + kPrefixSize), &written,
                             reinterpret_cast<const Bytef*>(data.constData()),
                             static_cast<uLong>(data.size()), level);
    if (rc != Z_OK) throw VNSDataCompressionError("Error: " + std::to_string(rc));
    out.resize(kPrefixSize + static_cast<qsizetype>(written));
    return out;
}

std::optional<QByteArray> decompress(const QByteArray& data, quint32 maxSize) {
    if (data.size() <= kPrefixSize) return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const quint32 length = quint32(bytes[0]) | quint32(bytes[1]) << 8 | quint32(bytes[2]) << 16 |
                           quint32(bytes[3]) << 24;
    // The prefix comes from outside: never allocate more than the stream
    // could inflate to.
    const quint64 streamSize = static_cast<quint64>(data.size() - kPrefixSize);
    if (length > maxSize || length > streamSize * kMaxInflateRatio + kInflateSlack) {
        OmLogNoFlood(kOmLogWarning,
                     "decompress: claimed length %u is impossible for %llu compressed bytes",
                     length, static_cast<unsigned long long>(streamSize));
        return std::nullopt;
    }
    QByteArray out;
    try {
        out.resize(length);
    } catch (const std::bad_alloc&) {
        OmLogNoFlood(kOmLogError, "decompress: cannot allocate %u bytes", length);
        return std::nullopt;
    }
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) {
        OmLogNoFlood(kOmLogError, "decompress: inflateInit failed");
        return std::nullopt;
    }
    Bytef spare = 0;
    zs.next_in = const_cast<Bytef*>(bytes + kPrefixSize);
    zs.avail_in = static_cast<uInt>(std::min<quint64>(streamSize, 0xFFFFFFFFu));
    zs.next_out = length ? reinterpret_cast<Bytef*>(out.data()) : &spare;
    zs.avail_out = length;
    // Damage, a short stream or one longer than the prefix all end without Z_STREAM_END.
    const int rc = inflate(&zs, Z_FINISH);
    const uLong produced = zs.total_out;
    inflateEnd(&zs);
    if (rc != Z_STREAM_END || produced != length) {
        OmLogNoFlood(kOmLogWarning, "decompress: inflate failed (%d), %lu of %u bytes", rc,
                     static_cast<unsigned long>(produced), length);
        return std::nullopt;
    }
    return out;
}

QString encodeHexChar(const QByteArray& data) {
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(data.size() * 2 + data.size() / 2);
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto b = static_cast<uchar>(data[i]);
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 0x0F]);
        if (i % 2 == 1) out += QLatin1Char(' ');
    }
    return out;
}

QByteArray decodeHexChar(const QString& text) {
    QByteArray out;
    int high = -1;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int v;
        if (u >= '0' && u <= '9')
            v = u - '0';
        else if (u >= 'a' && u <= 'f')
            v = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            v = u - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            out.append(static_cast<char>(high << 4 | v));
            high = -1;
        }
    }
    return out;
}
