#include "content/CompressionCategory.h"
#include "foundation/VNSDataCategory.h"
#include "support/TestMain.h"

#include <zlib.h>

namespace {

QByteArray pattern(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) data[i] = char((i * 7) % 13);
    return data;
}

TEST(CompressionCategory, RoundTrip) {
    for (int size : {0, 1, 100, 4000, 100000}) {
        const QByteArray data = pattern(size);
        const QByteArray block = contentUiCompress(data);
        ASSERT_GE(block.size(), 6) << size;
        EXPECT_EQ(uint8_t(block[0]), uint8_t(size & 255)) << size;
        EXPECT_EQ(uint8_t(block[1]), uint8_t(size >> 8)) << size;
        // Level 9: the zlib header of the best compression.
        EXPECT_EQ(block.mid(4, 2), QByteArray::fromHex("78da")) << size;
        EXPECT_EQ(contentUiDecompress(block), data) << size;
    }
    EXPECT_EQ(contentUiCompress(pattern(100)).left(6), QByteArray::fromHex("6400000078da"));
}

TEST(CompressionCategory, BadBlocks) {
    const QByteArray good = contentUiCompress(pattern(100));
    QByteArray shortLength = good;
    shortLength[0] = char(99);
    QByteArray longLength = good;
    longLength[0] = char(101);
    QByteArray damaged = good;
    damaged[10] = char(damaged[10] ^ 0x55);
    QByteArray huge = good;
    huge.replace(0, 4, QByteArray::fromHex("01000040"));  // 1 GiB + 1
    const struct {
        const char* name;
        QByteArray block;
    } cases[] = {
        {"empty", {}},
        {"length only", good.left(4)},
        {"length field too small", shortLength},
        {"length field too large", longLength},
        {"damaged stream", damaged},
        {"cut stream", good.left(good.size() - 3)},
        {"over 1 GiB", huge},
        {"no zlib stream", QByteArray::fromHex("0400000001020304")},
    };
    for (const auto& c : cases) EXPECT_FALSE(contentUiDecompress(c.block)) << c.name;
}

TEST(CompressionCategory, GigabyteClaimNeedsAStreamThatLong) {
    // A real 1 GiB claim is allowed by the limit but must still inflate to it:
    // a tiny stream is refused before anything is allocated.
    QByteArray block = contentUiCompress(pattern(10));
    block.replace(0, 4, QByteArray::fromHex("00000040"));
    EXPECT_FALSE(contentUiDecompress(block));
}

}  // namespace

KELO_TEST_MAIN()
