#include "foundation/VNSDataCategory.h"

#include "support/TestMain.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

QByteArray prefixed(quint32 length, const QByteArray& stream) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = char((length >> (8 * i)) & 0xFF);
    return out + stream;
}

QByteArray zlibStream(const QByteArray& data) {
    uLongf size = compressBound(data.size());
    QByteArray out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(data.constData()), data.size(), 9),
              Z_OK);
    out.resize(size);
    return out;
}

TEST(Compression, RoundTripsAndKeepsTheBufferFormat) {
    QByteArray random(100000, '\0');
    QRandomGenerator gen(7);
    for (char& c : random) c = char(gen.bounded(256));
    const QByteArray cases[] = {QByteArray(), QByteArray("x"), QByteArray(1 << 20, 'a'), random};
    for (const QByteArray& data : cases) {
        const QByteArray packed = compress(data);
        // The prefix is the original length, little-endian; the rest a plain zlib stream.
        EXPECT_EQ(packed.left(4), prefixed(quint32(data.size()), {}));
        QByteArray inflated(data.size() + 1, '\0');
        uLongf size = inflated.size();
        ASSERT_EQ(
            uncompress(reinterpret_cast<Bytef*>(inflated.data()), &size,
                       reinterpret_cast<const Bytef*>(packed.constData() + 4), packed.size() - 4),
            Z_OK);
        EXPECT_EQ(inflated.left(size), data);
        const auto back = decompress(packed);
        ASSERT_TRUE(back.has_value()) << data.size();
        EXPECT_EQ(*back, data);
    }
    // Empty data: 4 zero bytes, then the stream of nothing.
    EXPECT_EQ(compress({}), QByteArray("\0\0\0\0\x78\x9C\x03\0\0\0\0\x01", 12));
    // Streams made elsewhere (another level) read the same.
    EXPECT_EQ(decompress(prefixed(5, zlibStream("hello"))), QByteArray("hello"));
}

TEST(Compression, BadBuffersGiveNothingAndNeverAllocateTheClaimedLength) {
    const QByteArray stream = zlibStream("hello world");
    QByteArray damaged = stream;
    damaged[damaged.size() / 2] = char(damaged[damaged.size() / 2] ^ 0x55);
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()},
        {"prefix only", QByteArray(4, '\0')},
        {"prefix and one garbage byte", prefixed(1, "x")},
        {"damaged stream", prefixed(11, damaged)},
        {"truncated stream", prefixed(11, stream.left(stream.size() - 3))},
        {"prefix larger than the data", prefixed(12, stream)},
        {"prefix smaller than the data", prefixed(10, stream)},
        {"prefix 0 for real data", prefixed(0, stream)},
        {"prefix 0xFFFFFFFF", prefixed(0xFFFFFFFFu, stream)},
        {"prefix beyond any inflation", prefixed(stream.size() * 2000, stream)},
    };
    for (const auto& [name, bytes] : cases) EXPECT_FALSE(decompress(bytes).has_value()) << name;
}

TEST(Compression, HighRatioStreamsWithinTheBoundStillInflate) {
    // A run of zeros deflates near the format's best ratio; the allocation
    // bound must not reject it.
    const QByteArray zeros(8 << 20, '\0');
    const auto back = decompress(compress(zeros));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->size(), zeros.size());
}

TEST(HexText, EncodesInGroupsAndDecodesLeniently) {
    EXPECT_EQ(encodeHexChar(QByteArray("\x01\xAB\x02", 3)), "01AB 02");
    EXPECT_EQ(encodeHexChar(QByteArray("\xDE\xAD\xBE\xEF", 4)), "DEAD BEEF ");
    EXPECT_EQ(encodeHexChar(QByteArray()), "");
    const std::pair<const char*, QByteArray> decodes[] = {
        {"01ab 02", QByteArray("\x01\xAB\x02", 3)},
        {"<0-1:aB_x0 2>", QByteArray("\x01\xAB\x02", 3)},
        {"DEAD BEEF ", QByteArray("\xDE\xAD\xBE\xEF", 4)},
        {"abc", QByteArray("\xAB", 1)},
        {"g h", QByteArray()},
    };
    for (const auto& [text, bytes] : decodes) EXPECT_EQ(decodeHexChar(text), bytes) << text;
    QByteArray all;
    for (int i = 0; i < 256; ++i) all.append(char(i));
    EXPECT_EQ(decodeHexChar(encodeHexChar(all)), all);
}

}  // namespace

KELO_TEST_MAIN()
