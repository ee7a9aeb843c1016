#include "foundation/VIBufferStream.h"
#include "foundation/VOBufferStream.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "support/TestMain.h"

namespace {

const uint8_t kBytes[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

uint32_t hostLong(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

TEST(VIBufferStream, ShortReadCopiesRemainderZeroFillsAndEnds) {
    VIBufferStream s(kBytes, 8);
    uint8_t first[3];
    s.Read(first, 3);
    EXPECT_FALSE(s.IsAtEnd());
    uint8_t out[8];
    std::memset(out, 0xAA, sizeof out);
    const uint8_t* old = s.Read(out, 8);
    EXPECT_EQ(old, kBytes + 3);
    EXPECT_EQ(0, std::memcmp(out, kBytes + 3, 5));
    EXPECT_EQ(0, out[5] | out[6] | out[7]);
    EXPECT_TRUE(s.IsAtEnd());
    EXPECT_EQ(s.GetPosition(), 8u);
    EXPECT_EQ(s.GetSizeRemaining(), 0u);
}

TEST(VIBufferStream, PeeksHonourSwapAndRemainingBytes) {
    VIBufferStream plain(kBytes, 8);
    VIBufferStream swapped(kBytes, 8, true);
    EXPECT_EQ(plain.PeekLong(), hostLong(kBytes));
    EXPECT_EQ(swapped.PeekLong(), 0x01020304u);
    EXPECT_EQ(swapped.PeekWord(), 0x0102u);
    EXPECT_EQ(swapped.PeekLongSkipping(4), 0x05060708u);
    EXPECT_EQ(swapped.PeekLongSkipping(5), 0u);
    EXPECT_EQ(swapped.GetPosition(), 0u);

    swapped.SetPosition(4);  // exactly four remain
    EXPECT_EQ(swapped.PeekLong(), 0x05060708u);
    swapped.SetPosition(5);  // three remain
    EXPECT_EQ(swapped.PeekLong(), 0u);
    EXPECT_EQ(swapped.PeekWord(), 0x0607u);
    swapped.SetPosition(7);
    EXPECT_EQ(swapped.PeekWord(), 0u);
    EXPECT_EQ(swapped.PeekByte(), 0x08);
}

TEST(VIBufferStream, SearchReportsOneBasedDistances) {
    const uint8_t text[] = {'a', 'b', ':', 'c', 0x12, 0x34, 0x56, 0x78};
    VIBufferStream s(text, sizeof text, true);
    EXPECT_EQ(s.Search(':'), 3u);
    EXPECT_EQ(s.Search('z'), 0u);
    EXPECT_EQ(s.SearchWord(0x5678), 8u);
    EXPECT_EQ(s.SearchWord(0x3456), 0u);  // only even offsets count
    s.SetPosition(3);
    EXPECT_EQ(s.Search(':'), 0u);
    EXPECT_EQ(s.Search('c'), 1u);
}

// Every way of pushing the position past the end must leave the stream
// reading nothing and never touching memory beyond the buffer.
TEST(VIBufferStream, NoArgumentsReadOutsideTheBuffer) {
    struct Case {
        const char* what;
        void (*move)(VIBufferStream&);
        uint32_t position;
    };
    const Case cases[] = {
        {"SetPosition beyond size", [](VIBufferStream& s) { s.SetPosition(100); }, 8},
        {"SetPosition at size", [](VIBufferStream& s) { s.SetPosition(8); }, 8},
        {"skip past end", [](VIBufferStream& s) { s.Read(nullptr, 20); }, 20},
        {"skip to max", [](VIBufferStream& s) { s.Read(nullptr, UINT32_MAX); }, UINT32_MAX},
        {"skip that would wrap",
         [](VIBufferStream& s) {
             s.Read(nullptr, 6);
             s.Read(nullptr, UINT32_MAX - 2);
         },
         UINT32_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The bytes after the stream's 8 are a guard that must never show up.
        const uint8_t backing[12] = {1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0xEE, 0xEE, 0xEE};
        VIBufferStream s(backing, 8, true);
        c.move(s);
        EXPECT_EQ(s.GetPosition(), c.position);
        EXPECT_TRUE(s.IsAtEnd());
        EXPECT_EQ(s.GetSizeRemaining(), 0u);
        EXPECT_EQ(s.GetCurrentPtr(), backing + 8);
        EXPECT_EQ(s.PeekByte(), 0);
        EXPECT_EQ(s.PeekWord(), 0u);
        EXPECT_EQ(s.PeekLong(), 0u);
        EXPECT_EQ(s.PeekLongSkipping(UINT32_MAX), 0u);
        EXPECT_EQ(s.Search(char(0xEE)), 0u);
        EXPECT_EQ(s.SearchWord(0xEEEE), 0u);
        uint8_t out[4] = {9, 9, 9, 9};
        s.Read(out, 4);
        EXPECT_EQ(0, out[0] | out[1] | out[2] | out[3]);
        EXPECT_EQ(s.GetPosition(), c.position);
    }
}

TEST(VIBufferStream, PeekLongSkippingNeverWraps) {
    VIBufferStream s(kBytes, 8);
    EXPECT_EQ(s.PeekLongSkipping(UINT32_MAX - 2), 0u);
    EXPECT_EQ(s.PeekLongSkipping(UINT32_MAX), 0u);
}

TEST(VIBufferStream, AttachedBufferIsOwnedAndReadFromTheStart) {
    VIBufferStream s(kBytes, 8);
    s.Read(nullptr, 8);
    auto* owned = static_cast<uint8_t*>(std::malloc(2));
    owned[0] = 0xAB;
    owned[1] = 0xCD;
    s.AttachBuffer(owned, 2);
    EXPECT_FALSE(s.IsAtEnd());
    EXPECT_EQ(s.GetPosition(), 0u);
    EXPECT_EQ(s.PeekByte(), 0xAB);
    EXPECT_EQ(s.GetSize(), 2u);
}

TEST(VIBufferStream, EmptyStreamReadsZeros) {
    VIBufferStream s;
    EXPECT_TRUE(s.IsAtEnd());
    uint8_t out[2] = {1, 1};
    EXPECT_EQ(s.Read(out, 2), nullptr);
    EXPECT_EQ(out[0] | out[1], 0);
    EXPECT_EQ(s.Search('a'), 0u);
}

TEST(VOBufferStream, BlobHeaderLayout) {
    const uint8_t expected[24] = {0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00,
                                  0x64, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const uint8_t expectedSwapped[24] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00,
                                         0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    VOBufferStream plain;
    plain.WriteBlobHeader(1, 2, 0, 100);
    ASSERT_EQ(plain.GetPosition(), 24u);
    // The little-endian layout is what a little-endian host writes unswapped.
    if constexpr (std::endian::native == std::endian::little) {
        EXPECT_EQ(0, std::memcmp(plain.GetBuffer(), expected, 24));
    }

    VOBufferStream swapped(16, 16, std::endian::native == std::endian::little);
    swapped.WriteBlobHeader(1, 2, 7, 256);
    ASSERT_EQ(swapped.GetPosition(), 24u);
    EXPECT_EQ(0, std::memcmp(swapped.GetBuffer(), expectedSwapped, 24));
}

TEST(VOBufferStream, FixedBufferOverflowBecomesFullAndKeepsEarlierBytes) {
    uint8_t backing[8] = {};
    VOBufferStream s(backing, 6);
    s.Write("abcd", 4);
    s.Write("efgh", 4);
    EXPECT_TRUE(s.IsFull());
    EXPECT_EQ(s.GetPosition(), 4u);
    s.Write("x", 1);  // ignored while full, even though it would fit
    EXPECT_EQ(0, std::memcmp(backing, "abcd\0\0\0\0", 8));
    s.Reset();
    EXPECT_FALSE(s.IsFull());
    s.WriteText(-42);
    EXPECT_EQ(0, std::memcmp(backing, "-42d", 4));
}

TEST(VOBufferStream, OwningStreamGrowsAndKeepsItsBytes) {
    VOBufferStream s(4, 3);
    s.WriteText("abc");
    s.WriteText("defghijk");  // needs 7 more than the 1 free: grows by 8
    s.WriteText(1234);
    EXPECT_FALSE(s.IsFull());
    EXPECT_EQ(s.GetPosition(), 15u);
    EXPECT_GE(s.GetCapacity(), 15u);
    EXPECT_EQ(0, std::memcmp(s.GetBuffer(), "abcdefghijk1234", 15));
}

TEST(VOBufferStream, WriteAtPositionStaysInsideTheCapacity) {
    struct Case {
        const char* what;
        uint32_t n;
        uint32_t at;
        bool written;
    };
    const Case cases[] = {
        {"inside", 2, 3, true},
        {"up to the capacity", 2, 6, true},
        {"one past", 2, 7, false},
        {"at beyond capacity", 1, 100, false},
        {"at + n wraps u32", 16, UINT32_MAX - 4, false},
        {"n wraps u32", UINT32_MAX, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t backing[12] = {};
        std::memset(backing + 8, 0xEE, 4);
        VOBufferStream s(backing, 8);
        const uint8_t src[16] = {0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11, 0x22,
                                 0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11, 0x22};
        s.WriteAtPosition(src, c.n, c.at);
        EXPECT_EQ(s.GetPosition(), 0u);
        EXPECT_EQ(backing[8] & backing[9] & backing[10] & backing[11], 0xEE);
        if (c.written) {
            EXPECT_EQ(backing[c.at], 0x11);
        } else {
            EXPECT_EQ(0, std::memcmp(backing, "\0\0\0\0\0\0\0\0", 8));
        }
    }
}

TEST(VOBufferStream, TypedWriteAtPositionSwapsAndChecksBounds) {
    VOBufferStream s(16, 8, true);
    s.Write("\0\0\0\0\0\0\0\0", 8);
    s.WriteAtPosition(uint32_t(0x01020304), 0);
    s.WriteAtPosition(uint16_t(0x0506), 4);
    s.WriteAtPosition(uint8_t(0x07), 6);
    s.WriteAtPosition(uint32_t(0xFFFFFFFF), 13);  // past the capacity of 16
    s.WriteAtPosition(uint16_t(0xFFFF), 15);
    const uint8_t expected[8] = {1, 2, 3, 4, 5, 6, 7, 0};
    EXPECT_EQ(0, std::memcmp(s.GetBuffer(), expected, 8));
    EXPECT_EQ(s.GetBuffer()[15], 0);
    EXPECT_EQ(s.GetPosition(), 8u);
}

TEST(VOBufferStream, DeleteAtPositionOnlyInsideWrittenBytes) {
    struct Case {
        const char* what;
        uint32_t n;
        uint32_t at;
        const char* result;
    };
    const Case cases[] = {
        {"middle", 2, 1, "adef"},
        {"tail", 2, 4, "abcd"},
        {"everything", 6, 0, ""},
        {"nothing", 0, 3, "abcdef"},
        {"past the written part", 2, 5, "abcdef"},
        {"at + n wraps u32", 8, UINT32_MAX - 3, "abcdef"},
        {"n wraps u32", UINT32_MAX, 1, "abcdef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VOBufferStream s(16, 16);
        s.WriteText("abcdef");
        s.DeleteAtPosition(c.n, c.at);
        ASSERT_EQ(s.GetPosition(), std::strlen(c.result));
        EXPECT_EQ(0, std::memcmp(s.GetBuffer(), c.result, s.GetPosition()));
    }
}

TEST(VOBufferStream, PositionNeverPassesTheCapacity) {
    uint8_t backing[8] = {};
    VOBufferStream s(backing, 4);
    s.Write("ab", 2);
    s.SetPosition(4);  // exactly at the end: a writer of a full buffer stands here
    EXPECT_FALSE(s.IsFull());
    EXPECT_FALSE(s.WillFit(1));
    EXPECT_TRUE(s.WillFit(0));
    s.SetPosition(100);
    EXPECT_TRUE(s.IsFull());
    EXPECT_EQ(s.GetPosition(), 4u);
    EXPECT_EQ(s.GetCurrentDataPtr(), backing + 4);
    EXPECT_FALSE(s.WillFit(UINT32_MAX));
    s.SetPosition(1);
    EXPECT_FALSE(s.IsFull());
    s.Write("xyz", 3);
    EXPECT_EQ(0, std::memcmp(backing, "axyz\0\0\0\0", 8));
}

TEST(VOBufferStream, OwningStreamStopsWhenGrowthWouldOverflow) {
    VOBufferStream s(uint32_t(0), 0);
    s.Write("abc", 3);
    static const uint8_t big = 0;
    // The size is checked before anything is copied, so a short source is safe.
    s.Write(&big, UINT32_MAX);
    EXPECT_TRUE(s.IsFull());
    EXPECT_EQ(s.GetPosition(), 3u);
    EXPECT_EQ(0, std::memcmp(s.GetBuffer(), "abc", 3));
}

TEST(VOBufferStream, DetachHandsOverTheBufferAndLeavesAnEmptyStream) {
    VOBufferStream s(4, 4);
    s.WriteText("hello");
    uint8_t* b = s.DetachBuffer();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(0, std::memcmp(b, "hello", 5));
    std::free(b);
    EXPECT_EQ(s.GetBuffer(), nullptr);
    EXPECT_EQ(s.GetPosition(), 0u);
    EXPECT_EQ(s.GetCapacity(), 0u);
    EXPECT_EQ(s.GetCurrentDataPtr(), nullptr);
    EXPECT_EQ(s.DetachBuffer(), nullptr);
    // No buffer and none of its own to grow: later writes go nowhere.
    s.WriteText("more");
    s.WriteAtPosition(uint32_t(1), 0);
    s.DeleteAtPosition(1, 0);
    EXPECT_TRUE(s.IsFull());
    EXPECT_EQ(s.GetPosition(), 0u);
    EXPECT_EQ(s.GetBuffer(), nullptr);

    uint8_t backing[4];
    VOBufferStream fixed(backing, 4);
    EXPECT_EQ(fixed.DetachBuffer(), nullptr);
    EXPECT_EQ(fixed.GetBuffer(), backing);
}

TEST(VBufferStream, BothStreamsWorkThroughTheBase) {
    std::vector<std::unique_ptr<VBufferStream>> streams;
    streams.push_back(std::make_unique<VIBufferStream>(kBytes, 8));
    streams.push_back(std::make_unique<VOBufferStream>(8, 8));
    for (auto& s : streams) {
        s->SetPosition(3);
        EXPECT_EQ(s->GetPosition(), 3u);
        EXPECT_NE(s->GetBuffer(), nullptr);
    }
}

}  // namespace

KELO_TEST_MAIN()
