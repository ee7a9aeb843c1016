#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// Self-describing compressed blocks: the uncompressed length as 4 bytes,
// little-endian, then one zlib stream at level 9. Any thread.

// The largest block contentUiDecompress() will inflate to.
inline constexpr quint32 kContentUiMaxDecompressedSize = 1u << 30;

// Throws VNSDataCompressionError ("NSData Compression Failed") on failure.
QByteArray contentUiCompress(const QByteArray& data);
// Nothing (with a log line) for a block under 5 bytes, a damaged stream, one
// whose inflated size differs from its length field, or a length field over
// kContentUiMaxDecompressedSize.
std::optional<QByteArray> contentUiDecompress(const QByteArray& block);
