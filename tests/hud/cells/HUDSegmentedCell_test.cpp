#include "hud/cells/HUDSegmentedCell.h"

#include "hud/controls/HUDSegmentedControl.h"
#include "hud/controls/HUDStepper.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/cells/SegCellImage.h"
#include "platform/AttributedString.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>

namespace {

class SegmentedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

QImage canvas(int w, int h, const QColor& fill = Qt::transparent) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QImage renderControl(HUDSegmentedCell& cell, int w, int h) {
    QImage image = canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    cell.drawWithFrame(p, QRectF(0, 0, w, h), nullptr);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 6) {
    return nearColour(a, b, tolerance);
}

// The most opaque pixel inside the area: the heart of a glyph.
QColor strongestPixel(const QImage& image, const QRect& area) {
    QColor best(0, 0, 0, 0);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y).alpha() > best.alpha()) best = image.pixelColor(x, y);
    return best;
}

// Bounds of the pixels that pass the test.
QRect boundsWhere(const QImage& image, const std::function<bool(const QColor&)>& test) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

std::unique_ptr<HUDSegmentedCell> cellWith(const QStringList& labels, int style = 1) {
    auto cell = std::make_unique<HUDSegmentedCell>();
    cell->setSegmentStyle(style);
    cell->setSegmentCount(int(labels.size()));
    for (int i = 0; i < labels.size(); ++i)
        if (!labels[i].isNull()) cell->setLabel(labels[i], i);
    return cell;
}

bool isGreen(const QColor& c) {
    return c.green() > 200 && c.red() < 60 && c.blue() < 60;
}

TEST_F(SegmentedTest, OnlyRoundedAndSmallSquareStylesAreTaken) {
    HUDSegmentedCell cell;
    EXPECT_EQ(cell.segmentStyle(), kSegmentStyleRounded);
    const struct {
        int requested;
        int expected;
    } cases[] = {{2, 1}, {6, 6}, {3, 6}, {0, 6}, {1, 1}};
    for (const auto& c : cases) {
        cell.setSegmentStyle(c.requested);
        EXPECT_EQ(cell.segmentStyle(), c.expected) << "after " << c.requested;
    }
}

TEST_F(SegmentedTest, ArchiveKeepsThemeKeyWithGradientThemeAsFallback) {
    EXPECT_EQ(HUDSegmentedCell::initWithCoder({})->themeKey(), "gradientTheme");
    auto cell = HUDSegmentedCell::initWithCoder({{"themeKey", "flatTheme"}});
    EXPECT_EQ(cell->themeKey(), "flatTheme");
    EXPECT_EQ(cell->encodeWithCoder().value("themeKey").toString(), "flatTheme");
}

TEST_F(SegmentedTest, HasTextNeedsANonEmptyLabel) {
    EXPECT_FALSE(cellWith({QString(), QString()})->hasText());
    EXPECT_FALSE(cellWith({"", ""})->hasText());
    EXPECT_TRUE(cellWith({"", "x"})->hasText());
}

TEST_F(SegmentedTest, SegmentsShareTheWidthLeftByFixedOnes) {
    auto cell = cellWith({"a", "b", "c"});
    cell->setWidth(40, 1);
    const QRectF frame(10, 5, 140, 20);
    EXPECT_EQ(cell->rectForSegment(0, frame), QRectF(10, 5, 50, 20));
    EXPECT_EQ(cell->rectForSegment(1, frame), QRectF(60, 5, 40, 20));
    EXPECT_EQ(cell->rectForSegment(2, frame), QRectF(100, 5, 50, 20));
    EXPECT_EQ(cell->segmentAtPoint({99, 10}, frame), 1);
    EXPECT_EQ(cell->segmentAtPoint({151, 10}, frame), -1);
    EXPECT_TRUE(cell->rectForSegment(3, frame).isNull());
}

// A control is as wide as its segments: set widths add up, shared ones take
// what their labels need. Drawn wider, segments of set widths end where their
// widths end; the last one does not stretch to the control's edge.
TEST_F(SegmentedTest, SizeFitsTheSegmentsAndSetWidthsNeverStretch) {
    auto heights = cellWith({"45", "60", "90", "120"});
    for (int i = 0; i < 4; ++i) heights->setWidth(34, i);
    EXPECT_EQ(heights->cellSize(), QSizeF(4 * 34 + 3, 24));

    auto shared = cellWith({"Monitor", "Manage"});
    const QFontMetricsF metrics(shared->font());
    const double widest =
        std::max(metrics.horizontalAdvance("Monitor"), metrics.horizontalAdvance("Manage"));
    const QSizeF size = shared->cellSize();
    EXPECT_GE(size.width(), 2 * widest + 3);
    for (int i = 0; i < 2; ++i)
        EXPECT_GE(shared->rectForSegment(i, QRectF(QPointF(0, 0), size)).width(), widest) << i;

    heights->setSelectedSegment(3);
    const QImage wide = renderControl(*heights, 240, 24);
    ASSERT_TRUE(wide.save(artefactPath("hud-segmented-set-widths.png")));
    EXPECT_EQ(wide.pixelColor(4 * 34 - 10, 12).alpha(), 255) << "the last segment";
    for (int x : {4 * 34 + 8, 200, 238})
        EXPECT_EQ(wide.pixelColor(x, 12).alpha(), 0) << "nothing drawn at " << x;

    // The control takes that size.
    HUDSegmentedControl control;
    control.cell()->setSegmentCount(4);
    for (int i = 0; i < 4; ++i) control.cell()->setWidth(34, i);
    EXPECT_EQ(control.sizeHint(), QSize(4 * 34 + 3, 24));
}

TEST_F(SegmentedTest, BackgroundIsCachedFromSixteenByTen) {
    auto cell = cellWith({QString()}, kSegmentStyleSmallSquare);
    cell->setEnabled(false);
    const size_t before = SegCellImage::allImages().size();
    renderControl(*cell, 15, 24);
    renderControl(*cell, 15, 24);
    EXPECT_EQ(SegCellImage::allImages().size(), before) << "a narrow control is drawn directly";

    renderControl(*cell, 16, 10);
    ASSERT_EQ(SegCellImage::allImages().size(), before + 1);
    const SegCellImage& entry = *SegCellImage::allImages().back();
    EXPECT_EQ(entry.bstate.segment, -1);
    EXPECT_EQ(entry.bstate.segmentCount, 0);
    EXPECT_EQ(entry.bstate.isSelected, 0);
    EXPECT_EQ(entry.bstate.isEnabled, 0);
    ASSERT_TRUE(entry.img);
    EXPECT_EQ(entry.img->width(), 16);
}

TEST_F(SegmentedTest, BackgroundImageIsReplacedOnlyBySmallerDraws) {
    auto cell = cellWith({QString(), QString()}, kSegmentStyleSmallSquare);
    renderControl(*cell, 200, 24);
    SegCellImage* entry = SegCellImage::imageForCell(cell.get(), -1, QRectF(0, 0, 200, 24));
    ASSERT_TRUE(entry && entry->img);
    // Another test may have rendered this look smaller already.
    const double width = entry->img->width();
    EXPECT_LE(width, 200);
    const StretchImage* first = entry->img.get();
    renderControl(*cell, 300, 24);
    EXPECT_EQ(entry->img.get(), first);
    renderControl(*cell, int(width) - 20, 24);
    ASSERT_TRUE(entry->img);
    EXPECT_EQ(entry->img->width(), width - 20);
}

TEST_F(SegmentedTest, CachedBackgroundOutlineSitsWhereItWasRendered) {
    auto cell = cellWith({QString()}, kSegmentStyleSmallSquare);
    const QImage image = renderControl(*cell, 60, 24);
    // The outline's left edge runs at x 1.5: column 1 carries it, 0 lies outside, 4 is filled.
    EXPECT_GT(image.pixelColor(1, 12).alpha(), 60);
    EXPECT_LT(image.pixelColor(0, 12).alpha(), 60);
    EXPECT_EQ(image.pixelColor(4, 12).alpha(), 255);
}

TEST_F(SegmentedTest, CachedSegmentLooksLikeADirectDraw) {
    for (int style : {kSegmentStyleRounded, kSegmentStyleSmallSquare}) {
        for (int selected : {0, 1, 2}) {
            auto cached = cellWith({QString(), QString(), QString()}, style);
            cached->setSelectedSegment(selected);
            // A see-through selected fill forces the direct path without changing the look.
            auto direct = cellWith({QString(), QString(), QString()}, style);
            direct->setSelectedSegment(selected);
            direct->setSelectedBgColor(QColor(0, 0, 0, 0));
            renderControl(*cached, 151, 23);
            const QImage a = renderControl(*cached, 151, 23);
            const QImage b = renderControl(*direct, 151, 23);
            int differing = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    if (!near(a.pixelColor(x, y), b.pixelColor(x, y), 12)) ++differing;
            EXPECT_LT(differing, 12) << "style " << style << ", selected " << selected;
        }
    }
}

TEST_F(SegmentedTest, SelectedSegmentShapeFollowsStyleAndPosition) {
    // Control 100 x 24: segments run from x 1.5; the second ends at 98.5.
    const struct {
        int style;
        QStringList labels;
        int selected;
        QPoint green;
        QPoint notGreen;
    } cases[] = {
        // Small square without text: the last segment loses 3 points.
        {6, {QString(), QString()}, 1, {93, 12}, {97, 12}},
        {6, {"A", QString()}, 1, {97, 12}, {99, 12}},
        // Rounded: the first segment is square on its right, round on its left.
        {1, {QString(), QString()}, 0, {48, 1}, {2, 1}},
        {1, {QString(), QString()}, 1, {52, 1}, {97, 1}},
    };
    for (const auto& c : cases) {
        auto cell = cellWith(c.labels, c.style);
        cell->setSelectedSegment(c.selected);
        cell->setSelectedBgColor(QColor(0, 255, 0));
        const QImage image = renderControl(*cell, 100, 24);
        EXPECT_TRUE(isGreen(image.pixelColor(c.green)))
            << "style " << c.style << " segment " << c.selected << " at " << c.green.x();
        EXPECT_FALSE(isGreen(image.pixelColor(c.notGreen)))
            << "style " << c.style << " segment " << c.selected << " at " << c.notGreen.x();
    }
}

TEST_F(SegmentedTest, SegmentsAreDividedByTheDarkerStroke) {
    auto cell = cellWith({QString(), QString()}, kSegmentStyleSmallSquare);
    cell->setSelectedBgColor(QColor(0, 255, 0));
    cell->setSelectedSegment(0);
    const QImage image = renderControl(*cell, 101, 24);
    // The divider at x 50 straddles columns 49 and 50 over the green fill.
    const QColor divider = image.pixelColor(50, 12);
    EXPECT_FALSE(isGreen(divider));
    EXPECT_LT(divider.green(), 200);
}

TEST_F(SegmentedTest, LabelColourPrecedence) {
    auto cell = cellWith({"HH", "HH", "HH"});
    const QColor red(255, 0, 0), blue(0, 0, 255), yellow(255, 255, 0);
    cell->setSegmentTextColors(QList<QColor>{blue, red});
    cell->setSelectedTextColor(yellow);
    cell->setSelectedSegment(0);
    const QColor expected[] = {yellow, red, kelo()->textColor()};
    for (int i = 0; i < 3; ++i) {
        QImage image = canvas(60, 24);
        QPainter p(&image);
        cell->drawInteriorForSegment(p, i, QRectF(0, 0, 60, 24));
        p.end();
        EXPECT_RGB(strongestPixel(image, image.rect()), expected[i]) << "segment " << i;
    }

    cell->setEnabled(false);
    QImage image = canvas(60, 24);
    QPainter p(&image);
    cell->drawInteriorForSegment(p, 1, QRectF(0, 0, 60, 24));
    p.end();
    EXPECT_RGB(strongestPixel(image, image.rect()), dimTextColor());
}

TEST_F(SegmentedTest, LabelIsCentredButNeverLeftOfThree) {
    const QColor white(255, 255, 255);
    auto opaque = [](const QColor& c) { return c.alpha() > 100; };
    {
        auto cell = cellWith({"WWWWWWWWWW"});
        cell->setSelectedTextColor(white);
        QImage image = canvas(40, 24);
        QPainter p(&image);
        cell->drawInteriorForSegment(p, 0, QRectF(0, 0, 20, 24));
        p.end();
        const QRect ink = boundsWhere(image, opaque);
        EXPECT_GE(ink.left(), 3);
        EXPECT_LE(ink.left(), 5);
    }
    {
        auto cell = cellWith({"HH"});
        QImage image = canvas(100, 24);
        QPainter p(&image);
        cell->drawInteriorForSegment(p, 0, QRectF(20, 0, 60, 24));
        p.end();
        const QRect ink = boundsWhere(image, opaque);
        EXPECT_NEAR((ink.left() + ink.right() + 1) / 2.0, 50, 2);
        EXPECT_NEAR((ink.top() + ink.bottom() + 1) / 2.0, 12, 3);
    }
}

TEST_F(SegmentedTest, ImageSitsBesideTheLabelOrCentredWithout) {
    QImage glyph(10, 10, QImage::Format_ARGB32_Premultiplied);
    glyph.fill(QColor(255, 0, 0));
    auto red = [](const QColor& c) { return c.red() > 60 && c.green() < 40 && c.blue() < 40; };
    const QColor grey(40, 40, 40);
    for (const QString& label : {QString(""), QString("HH")}) {
        auto cell = cellWith({label});
        cell->setImage(glyph, 0);
        cell->setImageScaling(2, 0);
        // The image is laid over what is there, so the canvas must be opaque.
        QImage image = canvas(80, 20, grey);
        QPainter p(&image);
        cell->drawInteriorForSegment(p, 0, QRectF(0, 0, 80, 20));
        p.end();
        const QRect ink = boundsWhere(image, red);
        double labelWidth = 0;
        if (!label.isEmpty()) {
            TextAttributes attributes;
            attributes.font = cell->font();
            labelWidth = AttributedString(label, attributes).size().width();
        }
        const double left = label.isEmpty() ? 35 : 40 - (labelWidth + 10 + 5) / 2;
        EXPECT_NEAR(ink.left(), left, 1) << "label \"" << label.toStdString() << "\"";
        EXPECT_EQ(ink.size(), QSize(10, 10));
        EXPECT_EQ(ink.top(), 5);
    }
    // Scaled proportionally down to the segment's height less 4.
    auto cell = cellWith({""});
    cell->setImage(glyph, 0);
    QImage image = canvas(80, 12, grey);
    QPainter p(&image);
    cell->drawInteriorForSegment(p, 0, QRectF(0, 0, 80, 12));
    p.end();
    EXPECT_EQ(boundsWhere(image, red), QRect(36, 2, 8, 8));
}

TEST_F(SegmentedTest, ControlSelectsEnabledSegmentsOnClick) {
    HUDSegmentedControl control;
    control.cell()->setSegmentCount(3);
    control.cell()->setEnabled(false, 2);
    control.resize(150, 24);
    QList<int> signalled;
    QObject::connect(&control, &HUDSegmentedControl::selectedSegmentChanged,
                     [&](int segment) { signalled.append(segment); });
    auto click = [&](double x) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(x, 10), QPointF(x, 10), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&control, &press);
    };
    click(75);
    EXPECT_EQ(control.selectedSegment(), 1);
    click(140);
    EXPECT_EQ(control.selectedSegment(), 1) << "a disabled segment cannot be chosen";
    click(76);
    EXPECT_EQ(signalled, QList<int>{1});
    control.setEnabled(false);
    EXPECT_FALSE(control.cell()->isEnabled());
    click(10);
    EXPECT_EQ(control.selectedSegment(), 1);
}

TEST_F(SegmentedTest, StepperCellDrawsOnlyARedOutlineInsetByTwo) {
    HUDStepperCell cell;
    QImage image = canvas(20, 30);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, 20, 30), nullptr);
    p.end();
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x <= 17 && y >= 2 && y <= 27;
            const bool edge = inside && (x == 2 || x == 17 || y == 2 || y == 27);
            const QColor c = image.pixelColor(x, y);
            if (edge) {
                EXPECT_EQ(c, QColor(255, 0, 0)) << x << "," << y;
            } else {
                EXPECT_EQ(c.alpha(), 0) << x << "," << y;
            }
        }
    }
}

TEST_F(SegmentedTest, StepperStepsByHalvesWithinItsLimits) {
    HUDStepper stepper;
    stepper.resize(19, 27);
    stepper.setMaxValue(2);
    int signalled = 0;
    QObject::connect(&stepper, &HUDStepper::valueChanged, [&] { ++signalled; });
    auto click = [&](double y, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(9, y), QPointF(9, y), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(&stepper, &press);
    };
    click(3);
    click(3);
    click(3);
    EXPECT_EQ(stepper.value(), 2);
    click(3, Qt::RightButton);
    click(24);
    EXPECT_EQ(stepper.value(), 1);
    EXPECT_EQ(signalled, 3);
}

}  // namespace

KELO_TEST_MAIN_GUI()
