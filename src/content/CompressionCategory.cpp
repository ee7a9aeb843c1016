#include "content/CompressionCategory.h"

#include "foundation/VNSDataCategory.h"

#include <zlib.h>

QByteArray contentUiCompress(const QByteArray& data) {
    return compress(data, Z_BEST_COMPRESSION);
}

std::optional<QByteArray> contentUiDecompress(const QByteArray& block) {
    return decompress(block, kContentUiMaxDecompressedSize);
}
