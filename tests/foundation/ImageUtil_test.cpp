#include "foundation/OmxImageUtil.h"

#include <gtest/gtest.h>

#include <QFile>

#include <vector>

#include "support/TestMain.h"

namespace {

// Resources come from the fixtures; set before the path is first looked up.
const bool kResources = qputenv("KELO_RESOURCES", KELO_FIXTURES "/utils");

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(KELO_FIXTURES "/utils/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ImageLoading, DecodesByKindAndExtension) {
    ASSERT_TRUE(kResources);
    const QByteArray png = fixture("swatch.png");
    const QByteArray jpg = fixture("swatch.jpg");
    ASSERT_FALSE(png.isEmpty());
    ASSERT_FALSE(jpg.isEmpty());

    EXPECT_EQ(cgImageWithPNGData(png).size(), QSize(4, 2));
    EXPECT_EQ(cgImageWithJPEGData(jpg, true).size(), QSize(16, 8));
    EXPECT_TRUE(cgImageWithJPEGData(png).isNull());
    EXPECT_TRUE(cgImageWithPNGData(jpg).isNull());
    EXPECT_TRUE(cgImageWithJPEGData(jpg.left(jpg.size() / 3)).isNull());
    EXPECT_TRUE(cgImageWithJPEGData(QByteArray()).isNull());

    EXPECT_EQ(cgImageWithResourceNamed("swatch.png").size(), QSize(4, 2));
    EXPECT_EQ(cgImageWithResourceNamed("swatch.jpg").size(), QSize(16, 8));
    EXPECT_TRUE(cgImageWithResourceNamed("missing.png").isNull());
    EXPECT_TRUE(cgImageWithResourceNamed("").isNull());
    EXPECT_EQ(cgImageWithFile(KELO_FIXTURES "/utils/swatch.png").size(), QSize(4, 2));
}

TEST(ImageLoading, SizedCopyScalesAndTints) {
    QImage src(2, 2, QImage::Format_ARGB32);
    src.fill(QColor(200, 100, 50));
    QImage out = createSizedCGImageFromCGImage(src, 8, 6);
    ASSERT_EQ(out.size(), QSize(8, 6));
    EXPECT_FALSE(out.hasAlphaChannel());
    EXPECT_EQ(out.pixelColor(7, 5), QColor(200, 100, 50));

    out = createSizedCGImageFromCGImage(src, 3, 3, QColor(255, 0, 128));
    QColor c = out.pixelColor(1, 1);
    EXPECT_EQ(c.red(), 200);
    EXPECT_EQ(c.green(), 0);
    EXPECT_NEAR(c.blue(), 25, 1);

    EXPECT_TRUE(createSizedCGImageFromCGImage(src, 0, 4).isNull());
    EXPECT_TRUE(createSizedCGImageFromCGImage(QImage(), 4, 4).isNull());
}

std::vector<uint8_t> jfif(std::vector<uint8_t> after) {
    std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',
                              0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    for (uint8_t x : after) b.push_back(x);
    return b;
}

TEST(getJPEGsize, WalksOnlyTheGivenBytes) {
    const std::vector<uint8_t> sof = {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x02, 0x80};
    std::vector<uint8_t> withComment = {0xFF, 0xFE, 0x00, 0x04, 'h', 'i'};
    withComment.insert(withComment.end(), sof.begin(), sof.end());
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        unsigned width, height;
    };
    const Case cases[] = {
        {"frame header", jfif(sof), 640, 480},
        {"after another segment", jfif(withComment), 640, 480},
        {"frame header cut short", jfif({0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x02}), 120, 90},
        {"segment length beyond the end", jfif({0xFF, 0xE1, 0xFF, 0xFF, 0x00}), 120, 90},
        {"zero-length segments", jfif({0xFF, 0xE1, 0x00, 0x00, 0xFF, 0xE1, 0x00, 0x00}), 120, 90},
        {"fill bytes", jfif({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 120, 90},
        {"zero height", jfif({0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x00, 0x02, 0x80}), 120, 90},
        {"zero width", jfif({0xFF, 0xC0, 0x00, 0x11, 0x08, 0x01, 0xE0, 0x00, 0x00}), 120, 90},
        {"not a marker", jfif({0x12, 0xC0}), 120, 90},
        {"not JFIF", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0}, 120, 90},
        {"signature only", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I'}, 120, 90},
        {"empty", {}, 120, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // An exact-size heap copy, so that a read past the end is caught by
        // the sanitisers.
        auto* copy = new uint8_t[c.bytes.size() + 1];
        std::copy(c.bytes.begin(), c.bytes.end(), copy);
        unsigned w = 0;
        unsigned h = 0;
        getJPEGsize(c.bytes.empty() ? nullptr : copy, c.bytes.size(), &w, &h);
        EXPECT_EQ(w, c.width);
        EXPECT_EQ(h, c.height);
        delete[] copy;
    }
    // The length given wins over the bytes behind it.
    const std::vector<uint8_t> full = jfif(sof);
    EXPECT_EQ(getJPEG_CGSize(full.data(), full.size() - 1), QSizeF(120, 90));
    const QByteArray jpg = fixture("swatch.jpg");
    EXPECT_EQ(getJPEG_CGSize(jpg.constData(), size_t(jpg.size())), QSizeF(16, 8));
}

TEST(PixelFormats, SharedDescriptions) {
    EXPECT_EQ(stdPixelFormat().value("PixelFormatType"), "BGRA");
    EXPECT_EQ(&stdPixelFormat(), &stdPixelFormat());
    EXPECT_TRUE(stdPixelFormatDeep().value("OpenGLCompatibility").toBool());
    EXPECT_EQ(OmxGetColorSpace(), QColorSpace(QColorSpace::SRgb));
    EXPECT_EQ(GetCIContextOptions().value("outputColorSpace").value<QColorSpace>(),
              OmxGetColorSpace());
}

}  // namespace

KELO_TEST_MAIN_GUI()
