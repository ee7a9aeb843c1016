#include "graphics/KeloDecompressJPEG.h"

#include "support/TestMain.h"

#include <QBuffer>
#include <QPainter>

#include <thread>
#include <vector>

namespace {

// A picture with distinct quadrants, so that a decode into the wrong pixel
// order or size shows.
QImage testPicture(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, QColor(255, 0, 0));
    p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(0, 255, 0));
    p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(0, 0, 255));
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(255, 255, 255));
    return img;
}

QByteArray jpegOf(const QImage& img) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(img.save(&buffer, "JPEG", 90));
    return bytes;
}

// Offset of the frame header's height field (SOF0..SOF2), -1 when absent.
int sofSizeOffset(const QByteArray& jpeg) {
    for (int i = 0; i + 8 < jpeg.size(); ++i) {
        const auto m = uchar(jpeg[i + 1]);
        if (uchar(jpeg[i]) == 0xFF && m >= 0xC0 && m <= 0xC2) return i + 5;
    }
    return -1;
}

QByteArray withFrameSize(QByteArray jpeg, int w, int h) {
    const int at = sofSizeOffset(jpeg);
    EXPECT_GT(at, 0);
    jpeg[at] = char(h >> 8);
    jpeg[at + 1] = char(h);
    jpeg[at + 2] = char(w >> 8);
    jpeg[at + 3] = char(w);
    return jpeg;
}

bool near(QRgb a, QColor b) {
    return std::abs(qRed(a) - b.red()) < 24 && std::abs(qGreen(a) - b.green()) < 24 &&
           std::abs(qBlue(a) - b.blue()) < 24;
}

}  // namespace

TEST(KeloDecompressJPEG, DecodesAtTheJpegsSizeWithColoursInPlace) {
    const QImage decoded = cgImageWithJPEGData(jpegOf(testPicture(320, 180)));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(320, 180));
    EXPECT_TRUE(near(decoded.pixel(40, 40), QColor(255, 0, 0)));
    EXPECT_TRUE(near(decoded.pixel(280, 40), QColor(0, 255, 0)));
    EXPECT_TRUE(near(decoded.pixel(40, 140), QColor(0, 0, 255)));
    EXPECT_TRUE(near(decoded.pixel(280, 140), QColor(255, 255, 255)));
}

TEST(KeloDecompressJPEG, BadDataGivesNoImage) {
    const QByteArray good = jpegOf(testPicture(320, 180));
    QByteArray flipped = good;
    for (int i = good.size() / 2; i < good.size() - 2; ++i) flipped[i] = char(0xFF);
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"not a JPEG", QByteArray("hello, this is not a picture at all")},
        {"start-of-image marker only", good.left(2)},
        {"cut inside the header", good.left(sofSizeOffset(good) + 2)},
        {"cut inside the scan data", good.left(good.size() * 6 / 10)},
        {"scan data overwritten", flipped},
        {"zero width", withFrameSize(good, 0, 180)},
        {"65535 x 65535 claimed", withFrameSize(good, 65535, 65535)},
        {"one side too large", withFrameSize(good, KeloDecompressJPEG::kMaxSide + 1, 16)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(cgImageWithJPEGData(c.data).isNull());
        QImage out(8, 8, QImage::Format_RGB32);
        KeloDecompressJPEG::instance()->decompressJPEGDataSizeOutput(c.data, QSizeF(320, 180),
                                                                     &out);
        EXPECT_TRUE(out.isNull()) << "the previous image must be replaced";
    }
}

TEST(KeloDecompressJPEG, MutatedDataDecodesWholeOrNotAtAll) {
    const QByteArray good = jpegOf(testPicture(96, 64));
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int decoded = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bad = good;
        for (int n = 0; n < 1 + round % 4; ++n)
            bad[int(next() % uint32_t(bad.size()))] = char(next());
        if (round % 3 == 0) bad.truncate(int(next() % uint32_t(bad.size())));
        const QImage img = cgImageWithJPEGData(bad);
        if (img.isNull()) continue;
        ++decoded;
        EXPECT_GT(img.width(), 0);
        EXPECT_LE(img.width(), KeloDecompressJPEG::kMaxSide);
        EXPECT_LE(img.height(), KeloDecompressJPEG::kMaxSide);
    }
    EXPECT_FALSE(cgImageWithJPEGData(good).isNull()) << "the decoder recovers after failures";
    EXPECT_LT(decoded, 400);
}

TEST(KeloDecompressJPEG, OutputEntryIgnoresSizeAndNullPointer) {
    const QByteArray jpeg = jpegOf(testPicture(64, 48));
    KeloDecompressJPEG::instance()->decompressJPEGDataSizeOutput(jpeg, QSizeF(), nullptr);
    QImage out;
    KeloDecompressJPEG::instance()->decompressJPEGDataSizeOutput(jpeg, QSizeF(1, 1), &out);
    EXPECT_EQ(out.size(), QSize(64, 48));
}

TEST(KeloDecompressJPEG, PixelBufferEntryChecksTheAnnouncedSize) {
    auto* decoder = KeloDecompressJPEG::instance();
    const QByteArray jpeg = jpegOf(testPicture(320, 180));
    const QImage previous(4, 4, QImage::Format_RGB32);

    QImage out = previous;
    decoder->decompressJPEGDataSizeCvpixbuf(QByteArray(), QSizeF(320, 180), &out);
    EXPECT_EQ(out, previous) << "empty data leaves the buffer alone";

    decoder->decompressJPEGDataSizeCvpixbuf(jpeg, QSizeF(320.9, 180.2), &out);
    EXPECT_EQ(out.size(), QSize(320, 180)) << "sizes count in whole pixels";

    out = previous;
    decoder->decompressJPEGDataSizeCvpixbuf(jpeg, QSizeF(640, 360), &out);
    EXPECT_TRUE(out.isNull()) << "a picture of another size than announced";

    decoder->decompressJPEGDataSizeCvpixbuf(jpeg, QSizeF(320, 180), nullptr);
}

TEST(KeloDecompressJPEG, OneInstanceAndConcurrentDecodes) {
    const QByteArray small = jpegOf(testPicture(32, 16));
    const QByteArray large = jpegOf(testPicture(320, 180));
    std::vector<std::thread> threads;
    std::vector<KeloDecompressJPEG*> seen(8, nullptr);
    std::vector<int> good(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            seen[t] = KeloDecompressJPEG::instance();
            for (int i = 0; i < 50; ++i) {
                const bool big = (i + t) % 2 == 0;
                const QImage img = cgImageWithJPEGData(big ? large : small);
                if (img.size() == (big ? QSize(320, 180) : QSize(32, 16))) ++good[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(seen[t], KeloDecompressJPEG::instance());
        EXPECT_EQ(good[t], 50);
    }
}

KELO_TEST_MAIN()
