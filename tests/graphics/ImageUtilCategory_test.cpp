#include "graphics/ImageUtilCategory.h"

#include "foundation/OmxImageUtil.h"
#include "graphics/ImageUtilColours.h"
#include "graphics/StretchImage.h"

#include "support/TestMain.h"

#include <QPainter>

#include <cstring>

namespace {

QColor pixelAt(const QImage& img, int x, int y) {
    return QColor::fromRgba(img.convertToFormat(QImage::Format_ARGB32).pixel(x, y));
}

TEST(ImageUtil, TintKeepsAlpha) {
    QImage img(3, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(10, 200, 30, 0));
    img.setPixel(1, 0, qRgba(10, 200, 30, 128));
    img.setPixel(2, 0, qRgba(10, 200, 30, 255));
    img.setText("name", "dot");
    const QImage tinted = tintedImageWithColor(img, QColor(255, 0, 0));
    EXPECT_EQ(tinted.size(), img.size());
    EXPECT_EQ(tinted.text("name"), "dot");
    EXPECT_EQ(pixelAt(tinted, 0, 0).alpha(), 0);
    EXPECT_NEAR(pixelAt(tinted, 1, 0).alpha(), 128, 1);
    EXPECT_EQ(pixelAt(tinted, 1, 0).red(), 255);
    EXPECT_EQ(pixelAt(tinted, 1, 0).green(), 0);
    EXPECT_EQ(pixelAt(tinted, 2, 0), QColor(255, 0, 0));
}

TEST(ImageUtil, TintFlippedMirrors) {
    QImage img(1, 2, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(0, 0, 0, 255));
    img.setPixel(0, 1, qRgba(0, 0, 0, 0));
    const QImage tinted = tintedImageWithColor(img, Qt::white, true);
    EXPECT_EQ(pixelAt(tinted, 0, 0).alpha(), 0);
    EXPECT_EQ(pixelAt(tinted, 0, 1).alpha(), 255);
}

TEST(ImageUtil, QuarterTurnSwapsSidesCounterClockwise) {
    QImage img(40, 10, QImage::Format_ARGB32);
    img.fill(Qt::black);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    const QImage turned = rotatedImage(img, 90);
    ASSERT_EQ(turned.size(), QSize(10, 40));
    // Counter-clockwise: the top-left corner goes to the bottom-left.
    EXPECT_EQ(pixelAt(turned, 0, 39), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(turned, 0, 0), QColor(0, 0, 0));
    EXPECT_EQ(rotatedImage(img, 180).size(), QSize(10, 40));  // canvas always swapped
}

QImage swatches(const std::vector<QColor>& colours) {
    QImage img(int(colours.size()), 1, QImage::Format_ARGB32);
    for (int i = 0; i < int(colours.size()); ++i) img.setPixelColor(i, 0, colours[i]);
    return img;
}

TEST(ImageUtil, ColourCubeWithFullRangesKeepsColoursAndSetsAlpha) {
    const QByteArray cube = colorLookupForAlpha(0.5f, 0, 1, 0, 1);
    ASSERT_EQ(cube.size(), 524288);
    const std::vector<QColor> colours = {QColor(255, 0, 0),     QColor(12, 200, 90),
                                         QColor(128, 128, 128), QColor(250, 240, 10),
                                         QColor(0, 0, 0),       QColor(255, 255, 255)};
    const QImage out = imageWithColorLookup(swatches(colours), cube, false);
    ASSERT_FALSE(out.isNull());
    for (int i = 0; i < int(colours.size()); ++i) {
        const QColor c = pixelAt(out, i, 0);
        SCOPED_TRACE(colours[i].name().toStdString());
        EXPECT_NEAR(c.alpha(), 128, 1);
        EXPECT_NEAR(c.red(), colours[i].red(), 3);
        EXPECT_NEAR(c.green(), colours[i].green(), 3);
        EXPECT_NEAR(c.blue(), colours[i].blue(), 3);
    }
}

TEST(ImageUtil, ColourCubeTurnsLowSaturationGrey) {
    const QByteArray cube = colorLookupForAlpha(1, 0, 1, 0.2f, 1);
    const float* f = reinterpret_cast<const float*>(cube.constData());
    // Entry (r 31, g 30, b 30): saturation 1/31 becomes 0.
    const int e = ((30 * 32 + 30) * 32 + 31) * 4;
    EXPECT_FLOAT_EQ(f[e], f[e + 1]);
    EXPECT_FLOAT_EQ(f[e + 1], f[e + 2]);
    // Entry (r 31, g 0, b 0): saturation 1 maps to 0.8 * 0.8 + 0.2.
    const int red = 31 * 4;
    EXPECT_FLOAT_EQ(f[red], 1);
    EXPECT_NEAR(f[red + 1], 0.16f, 1e-5);
    EXPECT_NEAR(f[red + 2], 0.16f, 1e-5);

    const QImage out = imageWithColorLookup(swatches({QColor(120, 110, 110)}), cube, false);
    const QColor c = pixelAt(out, 0, 0);
    EXPECT_EQ(c.red(), c.green());
    EXPECT_EQ(c.green(), c.blue());
}

TEST(ImageUtil, ColourCubeRejectsBadData) {
    const QImage img = swatches({QColor(1, 2, 3)});
    EXPECT_TRUE(imageWithColorLookup(img, QByteArray(), false).isNull());
    EXPECT_TRUE(imageWithColorLookup(img, QByteArray(1000, '\0'), false).isNull());
    EXPECT_TRUE(imageWithColorLookup(img, QByteArray(16, '\0'), false).isNull());
}

TEST(ImageUtil, DarkenAndLighten) {
    QImage img(2, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(100, 100, 100, 255));
    img.setPixel(1, 0, qRgba(100, 100, 100, 0));
    const QImage light = darkenedImageWithContrast(img, -0.5f);
    EXPECT_NEAR(pixelAt(light, 0, 0).red(), 178, 1);  // halfway to white
    EXPECT_EQ(pixelAt(light, 1, 0).alpha(), 0);       // transparent stays so
    EXPECT_EQ(pixelAt(darkenedImageWithContrast(img, 3.0f), 0, 0), QColor(0, 0, 0));
}

TEST(ImageUtil, HueAdjust) {
    const QImage img = swatches({QColor(255, 0, 0), QColor(90, 90, 90)});
    EXPECT_EQ(adjustImage(img, 0).cacheKey(), img.cacheKey());
    const QImage shifted = adjustImage(img, 2.0944f);  // a third of a turn
    EXPECT_GT(pixelAt(shifted, 0, 0).green(), pixelAt(shifted, 0, 0).red());
    EXPECT_EQ(pixelAt(shifted, 1, 0), QColor(90, 90, 90));  // greys keep their value
}

TEST(ImageUtil, CopiesAndOpacity) {
    QImage img(4, 2, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 255, 255));
    img.setPixel(0, 0, qRgba(255, 0, 0, 255));
    const QImage half = imageWithCGImage(img, 0.5f);
    EXPECT_NEAR(pixelAt(half, 1, 1).alpha(), 128, 1);
    EXPECT_EQ(cgImageCopy(img).format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(pixelAt(cgImageCopyFlipped(img), 0, 1), QColor(255, 0, 0));
    const QByteArray jpeg = dataAsJpeg(img);
    ASSERT_GT(jpeg.size(), 2);
    EXPECT_EQ(uchar(jpeg[0]), 0xFF);
    EXPECT_EQ(uchar(jpeg[1]), 0xD8);
}

TEST(ImageUtil, InvertedColours) {
    QImage img(8, 8, QImage::Format_ARGB32);
    img.fill(qRgb(0, 0, 0));
    const QImage inv = imageWithColorInverted(img);
    EXPECT_EQ(pixelAt(inv, 4, 4), QColor(255, 255, 255));
}

bool hasPixel(const QImage& image, const QColor& wanted, int tolerance = 0) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QColor c = QColor::fromRgba(argb.pixel(x, y));
            if (std::abs(c.red() - wanted.red()) <= tolerance &&
                std::abs(c.green() - wanted.green()) <= tolerance &&
                std::abs(c.blue() - wanted.blue()) <= tolerance && c.alpha() == wanted.alpha())
                return true;
        }
    }
    return false;
}

TEST(ImageUtil, CropKeepsTheTopLeft) {
    QImage img(40, 10, QImage::Format_ARGB32);
    img.fill(Qt::blue);
    img.setPixel(0, 0, qRgb(255, 0, 0));
    const QImage cropped = imageCroppedToSize(img, QSize(20, 20));
    ASSERT_EQ(cropped.size(), QSize(20, 20));
    EXPECT_EQ(pixelAt(cropped, 0, 0), QColor(255, 0, 0));
    EXPECT_EQ(pixelAt(cropped, 19, 9), QColor(0, 0, 255));
    EXPECT_EQ(pixelAt(cropped, 5, 15).alpha(), 0);
    EXPECT_EQ(imageCroppedToHeight(img, 4).size(), QSize(40, 4));
    EXPECT_TRUE(contrastedImageNamed("no-such-image.png").isNull());
}

struct GreenText : ImageUtilColours {
    QColor defaultTextColor() const override { return QColor(0, 255, 0); }
};

TEST(ImageUtil, TextImages) {
    EXPECT_TRUE(imageWithAttrString(AttributedString(), false).isNull());
    const QImage red = imageWithString("MMMM", Qt::red, 20, false);
    ASSERT_FALSE(red.isNull());
    EXPECT_GE(red.height(), 20);
    EXPECT_TRUE(hasPixel(red, QColor(255, 0, 0)));
    EXPECT_FALSE(hasPixel(red, QColor(76, 0, 0), 2));
    EXPECT_TRUE(hasPixel(imageWithString("MMMM", Qt::red, 20, true), QColor(76, 0, 0), 2))
        << "embossing adds a shade 30 % of the way from black";

    GreenText green;
    ImageUtilColours::install(&green);
    EXPECT_TRUE(hasPixel(imageWithString("MMMM", QColor()), QColor(0, 255, 0)));
    ImageUtilColours::install(nullptr);
}

TEST(ImageUtil, CircledString) {
    // One character is always bold 11: only the padding follows the size.
    const QImage big = imageWithCircledString(QString("7"), 30, QColor());
    const QImage small = imageWithCircledString(QString("7"), 8, QColor());
    ASSERT_FALSE(big.isNull());
    EXPECT_EQ(big.height(), small.height());
    EXPECT_EQ(big.width(), small.width() + 7);

    const QImage pill = imageWithCircledString(QString("12"), 10, Qt::blue);
    ASSERT_FALSE(pill.isNull());
    EXPECT_EQ(pixelAt(pill, 4, pill.height() / 2), QColor(0, 0, 255));
    EXPECT_EQ(pixelAt(pill, 0, 0).alpha(), 0);
    EXPECT_TRUE(hasPixel(pill, QColor(200, 200, 200), 1)) << "light outline";

    AttributedString black(QString("12"), TextAttributes{.foreground = QColor(Qt::black)});
    EXPECT_TRUE(hasPixel(imageWithCircledString(black, 10, QColor()), QColor(0, 0, 0)));
    EXPECT_FALSE(hasPixel(imageWithCircledString(black, 10, QColor()), QColor(200, 200, 200), 1))
        << "black text takes a black outline";
}

TEST(ImageUtil, GearIconsAreSharedAndPointTheirArrowDown) {
    const QColor text = ImageUtilColours::shared().defaultTextColor();
    StretchImage* first = gearWithDownArrow(QRectF(0, 0, 40.7, 20));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(gearWithDownArrow(QRectF(0, 0, 90, 30)), first);
    const QImage wide = first->nsImage();
    ASSERT_FALSE(wide.isNull());
    EXPECT_EQ(wide.width(), 40) << "sized by the first frame only";
    const QImage small = gearWithDownArrow();
    ASSERT_EQ(small.size(), QSize(15, 18));
    EXPECT_EQ(small.cacheKey(), gearWithDownArrow().cacheKey());
    if (!cgImageWithResourceNamed("KLR_Gear.png").isNull() ||
        !cgImageWithResourceNamed("Gear.png").isNull())
        GTEST_SKIP() << "the arrows below are placed for the stand-in gears";

    // The stand-in gear is 16 x 16: the arrow's base runs along y = 8 and its
    // tip lies below, at (19.5, 14).
    ASSERT_EQ(wide.height(), 16);
    EXPECT_EQ(pixelAt(wide, 19, 12), text);
    EXPECT_EQ(pixelAt(wide, 19, 4).alpha(), 0);
    EXPECT_EQ(pixelAt(wide, 24, 12).alpha(), 0);

    // Stand-in gear 10 x 10: the arrow spans y 6.5 to its tip at (11.5, 9.5).
    EXPECT_EQ(pixelAt(small, 11, 7), text);
    EXPECT_EQ(pixelAt(small, 11, 4).alpha(), 0);
    EXPECT_NE(pixelAt(small, 5, 1).alpha(), 0) << "the gear sits at the top left";
}

}  // namespace

KELO_TEST_MAIN_GUI()
