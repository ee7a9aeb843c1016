#include "hud/theme/HUDGradient.h"
#include "hud/theme/HUDShadow.h"
#include "hud/theme/KLColor.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <set>

namespace {
constexpr double kTol = 2e-4;  // QColor keeps 16 bits per component

class ContrastTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UserDefaults::setStandardFile(dir_.filePath("defaults.plist"));
    }
    void TearDown() override {
        UserDefaults::setStandardFile(dir_.filePath("empty.plist"));
        Init_gUIContrast();
    }
    static void setDefaults(const QVariant& contrast, const QVariant& brightness) {
        UserDefaults& d = UserDefaults::standard();
        d.setObject("Contrast", contrast);
        d.setObject("TextBrightness", brightness);
        Init_gUIContrast();
    }
    QTemporaryDir dir_;
};

double whiteOf(const QColor& c) {
    return c.redF();
}

TEST_F(ContrastTest, DefaultsAreReadAndRangeChecked) {
    struct Case {
        QVariant contrast, brightness;
        double wantContrast, wantBrightness;
        QVariant writtenBrightness;
    };
    const Case cases[] = {
        // Missing brightness takes the contrast and is written back.
        {0.7, QVariant(), 0.7, 0.7, 0.7},
        {0.7, 0.4, 0.7, 0.4, 0.4},
        // Out-of-range contrast means none, and does not touch the brightness.
        {1.5, 0.5, 1, 0.5, 0.5},
        {QVariant(), 0.5, 1, 0.5, 0.5},
        {-0.2, QVariant(), 1, 1, QVariant()},
        {0.5, 1.0, 0.5, 1, 1.0},
        {QVariant(), QVariant(), 1, 1, QVariant()},
        {"0.6", QVariant(), 0.6, 0.6, 0.6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.contrast.toString().toStdString() + " / " +
                     c.brightness.toString().toStdString());
        setDefaults(c.contrast, c.brightness);
        EXPECT_NEAR(gUIContrast, c.wantContrast, 1e-9);
        EXPECT_NEAR(gUITextBrightness, c.wantBrightness, 1e-9);
        const QVariant written = UserDefaults::standard().object("TextBrightness");
        EXPECT_EQ(written.isValid(), c.writtenBrightness.isValid());
        if (c.writtenBrightness.isValid()) {
            EXPECT_NEAR(written.toDouble(), c.writtenBrightness.toDouble(), 1e-9);
        }
    }
}

TEST_F(ContrastTest, DarkGreysDarkenAndLightGreysBrighten) {
    setDefaults(0.7, QVariant());
    const double factor = 1 - 0.3 / 1.5;  // 0.8
    struct Case {
        double white, want;
    };
    const Case cases[] = {
        {45 / 255.0, 45 / 255.0 * factor},
        {217 / 255.0, 1 - (38 / 255.0) * 0.49},
        {110 / 255.0, 110 / 255.0 * factor},  // the threshold itself is dark
        {111 / 255.0, 1 - (144 / 255.0) * 0.49},
        {0, 0},
        {1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.white * 255);
        const QColor grey = colorWithContrastWhite(c.white, 0.5);
        EXPECT_NEAR(whiteOf(grey), c.want, kTol);
        EXPECT_NEAR(grey.alphaF(), 0.5, kTol);
        // The brightness of the HSB form follows the same rule.
        EXPECT_NEAR(colorWithContrastHue(0.3, 0.5, c.white, 1).valueF(), c.want, kTol);
    }
}

TEST_F(ContrastTest, BrightnessWorksWithoutContrast) {
    setDefaults(1.5, 0.5);
    EXPECT_NEAR(whiteOf(colorWithContrastWhite(45 / 255.0, 1)), 45 / 255.0, kTol);
    EXPECT_NEAR(whiteOf(colorWithContrastWhite(200 / 255.0, 1)), 1 - (55 / 255.0) * 0.25, kTol);
}

TEST_F(ContrastTest, RgbIsDarkenedOnlyWhenAllComponentsAreDark) {
    setDefaults(0.7, 0.5);
    const QColor bright = colorWithContrastRed(0.5, 0.1, 0.1, 0.3);
    EXPECT_NEAR(bright.redF(), 0.5, kTol);
    EXPECT_NEAR(bright.greenF(), 0.1, kTol);
    EXPECT_NEAR(bright.alphaF(), 0.3, kTol);
    const QColor dark = colorWithContrastRed(0.4, 0.1, 0.0, 0.3);
    EXPECT_NEAR(dark.redF(), 0.32, kTol);
    EXPECT_NEAR(dark.greenF(), 0.08, kTol);
    EXPECT_NEAR(dark.alphaF(), 0.3, kTol);
    // Brightness never lightens an RGB colour.
    const QColor light = colorWithContrastRed(0.9, 0.9, 0.9, 1);
    EXPECT_NEAR(light.redF(), 0.9, kTol);
}

TEST_F(ContrastTest, ContrastIsReadOnFirstUse) {
    gUIContrast = 0;
    UserDefaults::standard().setObject("Contrast", 0.4);
    const QColor grey = colorWithContrastWhite(0.3, 1);
    EXPECT_NEAR(gUIContrast, 0.4, 1e-9);
    EXPECT_NEAR(whiteOf(grey), 0.3 * (1 - 0.6 / 1.5), kTol);
}

TEST(ColourConversion, RecordsProfilesAndGLFloats) {
    const QColor blue = colorWithRGBColor({0, 39321, 65535});
    EXPECT_NEAR(blue.redF(), 0, kTol);
    EXPECT_NEAR(blue.greenF(), 0.6, kTol);
    EXPECT_NEAR(blue.blueF(), 1.0, kTol);

    // The D50 white point is white.
    const QColor white = colorWithX(0.9642f, 1.0f, 0.8249f);
    EXPECT_NEAR(white.redF(), 1, 2e-3);
    EXPECT_NEAR(white.greenF(), 1, 2e-3);
    EXPECT_NEAR(white.blueF(), 1, 2e-3);
    EXPECT_EQ(colorWithX(NAN, 0, 0), QColor(Qt::black));

    float gl[4] = {9, 9, 9, 9};
    getGLfloats(QColor(), gl);
    EXPECT_EQ(gl[0] + gl[1] + gl[2] + gl[3], 0.0f);
    getGLfloats(QColor::fromHsvF(0, 1, 1, 0.25), gl);
    EXPECT_NEAR(gl[0], 1, kTol);
    EXPECT_NEAR(gl[1], 0, kTol);
    EXPECT_NEAR(gl[3], 0.25, kTol);
}

TEST(ColourHsv, HueSextantsAndRoundTrip) {
    struct Case {
        float r, g, b, hue, saturation, value;
    };
    const Case cases[] = {
        {1, 0, 0, 6, 1, 1},  // green is smallest: f = blue - red, i = 5
        {0, 0, 1, 4, 1, 1},       {0, 1, 0, 2, 1, 1}, {0.5f, 0.5f, 0.5f, -1, 0, 0.5f},
        {1, 0.5f, 0, 0.5f, 1, 1},  // blue is smallest: f = red - green, i = 1
    };
    for (const Case& c : cases) {
        float h, s, v;
        rgbToHsv(c.r, c.g, c.b, &h, &s, &v);
        EXPECT_FLOAT_EQ(h, c.hue);
        EXPECT_FLOAT_EQ(s, c.saturation);
        EXPECT_FLOAT_EQ(v, c.value);
    }
    for (float r : {0.0f, 0.2f, 0.7f, 1.0f})
        for (float g : {0.0f, 0.4f, 0.9f})
            for (float b : {0.1f, 0.5f, 1.0f}) {
                float h, s, v, r2, g2, b2;
                rgbToHsv(r, g, b, &h, &s, &v);
                hsvToRgb(h, s, v, &r2, &g2, &b2);
                EXPECT_NEAR(r2, r, 1e-5) << r << " " << g << " " << b;
                EXPECT_NEAR(g2, g, 1e-5) << r << " " << g << " " << b;
                EXPECT_NEAR(b2, b, 1e-5) << r << " " << g << " " << b;
            }
    EXPECT_TRUE(isOdd(3));
    EXPECT_TRUE(isOdd(-1));
    EXPECT_FALSE(isOdd(0));
    EXPECT_FALSE(isOdd(6));
}

TEST(KLColorTest, GreysAreSharedBy8BitValue) {
    KLColor* a = KLColor::colorWithCalibratedWhite(0.5, 1);
    EXPECT_EQ(a, KLColor::colorWithCalibratedWhite(0.501, 1));
    EXPECT_NE(a, KLColor::colorWithCalibratedWhite(0.6, 1));
    EXPECT_NE(a, KLColor::colorWithCalibratedWhite(0.5, 0.5));
    // Out-of-range values land in the end slots rather than outside the table.
    EXPECT_EQ(KLColor::colorWithCalibratedWhite(7, -3), KLColor::colorWithCalibratedWhite(1, 0));
    EXPECT_EQ(a->numberOfComponents(), 4);
    EXPECT_NEAR(a->color().redF(), 127 / 255.0, kTol);
    EXPECT_EQ(a->description(), "CalibratedRGB 0.500000 1.000000");
    EXPECT_TRUE(a->isEqual(KLColor::colorWithCGColor(QColor::fromRgbF(0.5, 0.5, 0.5, 1))));
}

TEST(KLColorTest, ComponentsHueAndUniqueID) {
    KLColor* red = KLColor::colorWithCGColor(QColor(255, 0, 0));
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red, KLColor::colorWithCGColor(QColor::fromRgbF(1, 0, 0, 1)));
    EXPECT_EQ(red->uniqueID(), 0xFF0000FFu);
    EXPECT_DOUBLE_EQ(red->hueComponent(), 1.0);
    EXPECT_DOUBLE_EQ(red->saturationComponent(), 1.0);
    double comps[4];
    red->getComponents(comps);
    EXPECT_DOUBLE_EQ(comps[0], 1);
    EXPECT_DOUBLE_EQ(comps[3], 1);

    const KLColor* gray = red->colorUsingColorSpaceName(KLColor::kGenericGray);
    ASSERT_NE(gray, red);
    EXPECT_EQ(gray->colorSpaceName(), KLColor::kGenericGray);
    EXPECT_EQ(gray->numberOfComponents(), 2);
    gray->getComponents(comps);
    EXPECT_NEAR(comps[0], 1 / 3.0, 1e-9);
    // A child hands requests back to its parent.
    EXPECT_EQ(gray->colorUsingColorSpaceName(KLColor::kCalibratedRGB), red);
    EXPECT_EQ(red->colorUsingColorSpaceName("No Such Space"), red);
    EXPECT_EQ(KLColor::colorWithCGColor(QColor()), nullptr);
    EXPECT_NEAR(red->colorWithAlphaComponent(0.25).alphaF(), 0.25, kTol);
}

TEST(KLColorTest, CGColorTableHas255SlotsAndThenRefuses) {
    std::set<KLColor*> made;
    KLColor* refused = nullptr;
    int i = 0;
    for (; i < 300; ++i) {
        KLColor* c = KLColor::colorWithCGColor(QColor(i % 256, 7, 200 + i / 256));
        if (!c) {
            refused = c;
            break;
        }
        made.insert(c);
    }
    EXPECT_LT(i, 300);
    EXPECT_EQ(refused, nullptr);
    EXPECT_LE(made.size(), 255u);
    // Colours already in the table are still found.
    EXPECT_NE(KLColor::colorWithCGColor(QColor(0, 7, 200)), nullptr);
}

TEST(Palette, SelectionColourFollowsTheStrokeOnlyWhenRecomputed) {
    const QColor before = timelineSelectionColor();
    EXPECT_NEAR(before.greenF(), 0.5696498, kTol);
    EXPECT_NEAR(timelineSelectionOverlayColor().alphaF(), 0.4, kTol);
    const float saved[4] = {gl_selectstroke[0], gl_selectstroke[1], gl_selectstroke[2],
                            gl_selectstroke[3]};
    gl_selectstroke[1] = 0.25f;
    EXPECT_EQ(timelineSelectionColor(), before);
    recomputeTimelineSelectionColor();
    EXPECT_NEAR(timelineSelectionColor().greenF(), 0.25, kTol);
    EXPECT_NEAR(timelineSelectionOverlayColor().greenF(), 0.25, kTol);
    EXPECT_NEAR(timelineSelectionOverlayColor().alphaF(), 0.4, kTol);
    std::copy(saved, saved + 4, gl_selectstroke);
    recomputeTimelineSelectionColor();
}

TEST(Palette, TimelineColourObjectsMatchTheirVectors) {
    const std::pair<const float*, QColor> pairs[] = {
        {GL_bgColour(), NS_bgColour()},
        {GL_playheadColour(), NS_playheadColour()},
        {GL_playheadShadowColour(), NS_playheadShadowColour()},
        {GL_cueFillColour(), NS_cueFillColour()},
        {GL_cueStrokeColour(), NS_cueStrokeColour()},
    };
    for (const auto& [v, c] : pairs) {
        float got[4];
        getGLfloats(c, got);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(got[i], v[i], kTol);
    }
    const QColor dim = NS_dimPlayheadColour();
    EXPECT_NEAR(dim.redF(), 128 / 255.0 + (1.0 - 128 / 255.0) * 0.35, kTol);
}

TEST(Gradient, HardStopsSurviveAsBrushes) {
    const HUDGradient g({Qt::white, QColor(128, 128, 128), Qt::black, QColor(64, 64, 64)},
                        {0, 0.5, 0.5, 1});
    EXPECT_EQ(g.interpolatedColorAtLocation(0.25).red(), 192);
    EXPECT_EQ(g.interpolatedColorAtLocation(0.75).red(), 32);
    EXPECT_EQ(g.interpolatedColorAtLocation(-1), QColor(Qt::white));
    EXPECT_EQ(g.interpolatedColorAtLocation(2), QColor(64, 64, 64));
    EXPECT_FALSE(HUDGradient().interpolatedColorAtLocation(0.5).isValid());

    // Angle 90 runs from the lowest y to the highest.
    QImage image(1, 100, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        g.drawInRect(p, QRectF(0, 0, 1, 100), 90);
    }
    EXPECT_GT(qRed(image.pixel(0, 0)), 240);
    EXPECT_GT(qRed(image.pixel(0, 48)), 120);
    EXPECT_LT(qRed(image.pixel(0, 51)), 10);
    EXPECT_GT(qRed(image.pixel(0, 99)), 55);

    const QLinearGradient across = g.linearGradient(QRectF(10, 0, 40, 20), 0);
    EXPECT_EQ(across.start(), QPointF(10, 10));
    EXPECT_EQ(across.finalStop(), QPointF(50, 10));
    EXPECT_EQ(across.stops().size(), 4);
    const QLinearGradient down = g.linearGradient(QRectF(0, 0, 40, 20), 270);
    EXPECT_NEAR(down.start().y(), 20, 1e-9);
    EXPECT_NEAR(down.finalStop().y(), 0, 1e-9);
}

TEST(Shadow, PaintsOnlyTheOffsetShadow) {
    QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const HUDShadow shadow(Qt::red, {3, -3}, 0);
    EXPECT_EQ(shadow.deviceOffset(), QPointF(3, 3));
    {
        QPainter p(&image);
        shadow.paint(p, QRectF(5, 5, 5, 5),
                     [](QPainter& q) { q.fillRect(QRectF(5, 5, 5, 5), Qt::blue); });
    }
    EXPECT_EQ(QColor(image.pixel(12, 12)), QColor(Qt::red));
    EXPECT_EQ(qAlpha(image.pixel(6, 6)), 0);

    // A blurred shadow spreads beyond the shape and keeps its colour.
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        HUDShadow(Qt::green, {0, 0}, 4).paint(p, QRectF(8, 8, 4, 4), [](QPainter& q) {
            q.fillRect(QRectF(8, 8, 4, 4), Qt::black);
        });
    }
    EXPECT_GT(qAlpha(image.pixel(7, 10)), 0);
    EXPECT_LT(qAlpha(image.pixel(7, 10)), 255);
    EXPECT_EQ(qRed(image.pixel(10, 10)), 0);
}
}  // namespace

KELO_TEST_MAIN()
