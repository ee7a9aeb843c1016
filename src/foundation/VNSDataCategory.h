#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <stdexcept>

// Thrown by compress(); name() is "NSData Compression Failed", what() the
// reason ("Buffer Allocation Failed" or "Error: <zlib code>").
class VNSDataCompressionError : public std::runtime_error {
public:
    explicit VNSDataCompressionError(const std::string& reason) : std::runtime_error(reason) {}
    static const char* name() { return "NSData Compression Failed"; }
};

// The largest length decompress() will allocate for.
inline constexpr quint32 kMaxDecompressedSize = 512u << 20;

// A 4-byte little-endian length of the original data followed by one zlib
// stream at the given level (zlib's default when -1).
QByteArray compress(const QByteArray& data, int level = -1);
// The data back, or nullopt (with a log line) when the buffer is shorter than
// 5 bytes, the stream is damaged, or its inflated size differs from the
// length it claims. An empty buffer that was compressed comes back as an
// empty value, not nullopt. A claimed length above `maxSize` is refused
// before anything is allocated.
std::optional<QByteArray> decompress(const QByteArray& data,
                                     quint32 maxSize = kMaxDecompressedSize);

// Two upper-case hex digits per byte, a blank after every second byte.
QString encodeHexChar(const QByteArray& data);
// Pairs the hex digits of `text` into bytes, skipping anything else; an
// unpaired final digit is dropped.
QByteArray decodeHexChar(const QString& text);
