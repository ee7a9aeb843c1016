#include "hud/cells/HUDSliderCell.h"

#include "hud/controls/HUDSlider.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/cells/HorizSliderImage.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <tuple>

namespace {

class SliderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

// The cell drawn in its own view of the given size.
QImage render(HUDSliderCell& cell, int w, int h) {
    QWidget view;
    view.resize(w, h);
    QImage image = canvas(w, h);
    QPainter p(&image);
    cell.drawWithFrame(p, QRectF(0, 0, w, h), &view);
    return image;
}

bool near(const QColor& a, const QColor& b, int tolerance = 4) {
    return nearColour(a, b, tolerance);
}

int opaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() > 0) ++count;
    return count;
}

// The leftmost column holding an opaque pixel, or -1.
int firstOpaqueColumn(const QImage& image) {
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).alpha() > 128) return x;
    return -1;
}

size_t cacheSize() {
    return HorizSliderImage::allImages().size();
}

TEST_F(SliderTest, ArchiveKeepsOnlyThemeKey) {
    EXPECT_EQ(HUDSliderCell::initWithCoder({})->themeKey(), "gradientTheme");
    HUDSliderCell cell;
    cell.setThemeKey("flatTheme");
    cell.setLayerKey("layer 3");
    cell.setBarYoffset(4);
    const QVariantMap archive = cell.encodeWithCoder();
    EXPECT_EQ(archive.keys(), QStringList{"themeKey"});
    EXPECT_EQ(HUDSliderCell::initWithCoder(archive)->themeKey(), "flatTheme");
}

TEST_F(SliderTest, CacheThresholdAndSharingAcrossWidths) {
    HUDSliderCell cell;
    cell.setControlSize(3);  // a size no other test draws, so entries here are new
    QImage image = canvas(200, 40);
    QPainter p(&image);

    const size_t before = cacheSize();
    cell.drawBarInside(p, QRectF(0, 0, 19, 17), true);
    cell.drawBarInside(p, QRectF(0, 0, 19, 17), true);
    EXPECT_EQ(cacheSize(), before) << "a bar under 20 points is drawn directly";
    cell.drawBarInside(p, QRectF(0, 0, 60, 3), true);
    EXPECT_EQ(cacheSize(), before) << "a bar under 4 points high is drawn directly";

    cell.drawBarInside(p, QRectF(0, 0, 20, 17), true);
    ASSERT_EQ(cacheSize(), before + 1);
    HorizSliderImage* entry = HorizSliderImage::allImages().back().get();
    EXPECT_TRUE(entry->sliderTrackImg);
    EXPECT_FALSE(entry->sliderKnobImg);
    EXPECT_EQ(entry->bstate.imageHeight, 17);

    // Another length, same height and state: the same entry.
    cell.drawBarInside(p, QRectF(5, 20, 150, 17.8), true);
    EXPECT_EQ(cacheSize(), before + 1);
    EXPECT_EQ(HorizSliderImage::imageForCell(&cell, QRectF(0, 0, 300, 17)), entry);

    // Each change of state makes its own entry; earlier ones stay.
    cell.setEnabled(false);
    cell.drawBarInside(p, QRectF(0, 0, 100, 17), true);
    cell.setEnabled(true);
    cell.setHighlighted(true);
    cell.drawBarInside(p, QRectF(0, 0, 100, 17), true);
    EXPECT_EQ(cacheSize(), before + 3);
    EXPECT_EQ(HorizSliderImage::allImages()[before].get(), entry);
    cell.setHighlighted(false);
    EXPECT_EQ(HorizSliderImage::imageForCell(&cell, QRectF(0, 0, 100, 17)), entry);
}

TEST_F(SliderTest, SharedBarKeepsBothEndsAtEveryLength) {
    HUDSliderCell cell;
    cell.setControlSize(3);
    cell.setFocusRingType(2);  // a state of its own: the first draw below makes the image
    for (int width : {300, 40, 20}) {
        const QRectF r(10, 0, width, 22);
        QImage cached = canvas(320, 22);
        QImage painted = canvas(320, 22);
        {
            QPainter p(&cached);
            cell.drawBarInside(p, r, true);
            QPainter direct(&painted);
            cell.drawHorizontalBarInFrame(direct, r);
        }
        // The ends of the shared image match a bar painted at this length.
        int worst = 0;
        for (int y = 0; y < 22; ++y) {
            for (int x :
                 {10, 11, 12, 13, 14, 15, 16, 10 + width - 7, 10 + width - 6, 10 + width - 5,
                  10 + width - 4, 10 + width - 3, 10 + width - 2, 10 + width - 1}) {
                worst = std::max(worst, std::abs(cached.pixelColor(x, y).alpha() -
                                                 painted.pixelColor(x, y).alpha()));
            }
        }
        EXPECT_LE(worst, 8) << "width " << width;
    }
}

TEST_F(SliderTest, VerticalSliderBypassesCache) {
    HUDSliderCell cell;
    cell.setVertical(true);
    const size_t before = cacheSize();
    const QImage image = render(cell, 22, 120);
    EXPECT_EQ(cacheSize(), before);
    EXPECT_GT(opaquePixels(image), 0);
}

TEST_F(SliderTest, CircularSliderDrawsNothing) {
    HUDSliderCell cell;
    cell.setSliderType(kCircularSlider);
    cell.setDoubleValue(0.5);
    EXPECT_EQ(opaquePixels(render(cell, 120, 22)), 0);
    cell.setVertical(true);
    EXPECT_EQ(opaquePixels(render(cell, 22, 120)), 0);
}

TEST_F(SliderTest, LayoutRectangles) {
    HUDSliderCell cell;
    QWidget view;
    view.resize(120, 30);
    cell.setControlView(&view);
    cell.setDoubleValue(0.5);
    EXPECT_EQ(cell.barRectFlipped(true), QRectF(3, 0, 114, 30));
    const QRectF knob = cell.knobRectFlipped(true);
    EXPECT_EQ(knob, QRectF(50.5, 4, 19, 22));

    cell.setBarYoffset(7);
    EXPECT_EQ(cell.barRectFlipped(true), QRectF(3, 7, 114, 23));
    EXPECT_EQ(cell.knobRectFlipped(true), knob.translated(0, 6));
    cell.setBarYoffset(-3);
    EXPECT_EQ(cell.knobRectFlipped(true), knob.translated(0, 6)) << "6 whatever the offset";

    // A view lower than the knob: the knob stays at the top.
    cell.setBarYoffset(0);
    view.resize(120, 16);
    EXPECT_EQ(cell.knobRectFlipped(true).y(), 0);

    cell.setVertical(true);
    view.resize(30, 120);
    EXPECT_EQ(cell.barRectFlipped(true), QRectF(0, 0, 30, 120));
    EXPECT_EQ(cell.knobRectFlipped(true), QRectF(5.5, 49, 19, 22));
}

TEST_F(SliderTest, BarGeometryTables) {
    HUDSliderCell cell;
    const QRectF frame(0, 0, 100, 20);
    // size, tick marks, position, horizontal bar, vertical bar
    const std::tuple<int, int, int, QRectF, QRectF> cases[] = {
        {0, 0, 0, {2.5, 8, 95, 5}, {48, 2.5, 5, 14}},
        {0, 5, 0, {2.5, 5.5, 95, 5}, {4.5, 2.5, 5, 14}},
        {0, 5, 1, {2.5, 10.5, 95, 5}, {91.5, 2.5, 5, 14}},
        {3, 5, 1, {2.5, 10.5, 95, 5}, {91.5, 2.5, 5, 14}},
        {1, 0, 0, {0.5, 8, 99, 5}, {48, 0.5, 5, 19}},
        {1, 5, 0, {0.5, 2.5, 99, 5}, {3.5, 0.5, 5, 19}},
        {1, 5, 1, {0.5, 12.5, 99, 5}, {92.5, 0.5, 5, 19}},
        {2, 0, 0, {0.5, 8.5, 99, 3}, {49, 0.5, 3, 19}},
        {2, 5, 0, {0.5, 2.5, 99, 3}, {3.5, 0.5, 3, 19}},
        {2, 5, 1, {0.5, 14.5, 99, 3}, {94.5, 0.5, 3, 19}},
        {7, 5, 1, frame, frame},
    };
    for (const auto& [size, ticks, position, horizontal, vertical] : cases) {
        cell.setControlSize(size);
        cell.setNumberOfTickMarks(ticks);
        cell.setTickMarkPosition(position);
        SCOPED_TRACE(testing::Message()
                     << "size " << size << " ticks " << ticks << " at " << position);
        EXPECT_EQ(cell.horizontalBarRect(frame), horizontal);
        EXPECT_EQ(cell.verticalBarRect(frame), vertical);
    }
    // A centred bar stays inside a frame that does not start at the origin.
    cell.setControlSize(0);
    cell.setNumberOfTickMarks(0);
    EXPECT_TRUE(QRectF(0, 100, 100, 20).contains(cell.horizontalBarRect(QRectF(0, 100, 100, 20))));
    EXPECT_TRUE(QRectF(200, 0, 20, 100).contains(cell.verticalBarRect(QRectF(200, 0, 20, 100))));
}

TEST_F(SliderTest, KnobGeometryAndShape) {
    HUDSliderCell cell;
    const QRectF k(10, 20, 19, 22);
    const std::tuple<int, int, int, QRectF, QRectF> cases[] = {
        {0, 0, 0, {13, 23, 15, 15}, {13, 23, 15, 15}},
        {0, 3, 0, {11, 20, 15, 19}, {10, 22, 19, 15}},
        {0, 3, 1, {11, 22, 15, 19}, {13, 22, 19, 15}},
        {1, 0, 0, {12, 22, 11, 11}, {12, 22, 11, 11}},
        {1, 3, 1, {11, 21, 11, 13}, {11, 21, 13, 11}},
        {2, 0, 0, {12, 21, 9, 9}, {11, 21, 9, 9}},
        {2, 3, 0, {11, 21, 9, 9}, {10, 21, 11, 9}},
        {5, 3, 0, k, k},
    };
    for (const auto& [size, ticks, position, horizontal, vertical] : cases) {
        cell.setControlSize(size);
        cell.setNumberOfTickMarks(ticks);
        cell.setTickMarkPosition(position);
        SCOPED_TRACE(testing::Message() << "size " << size << " ticks " << ticks);
        EXPECT_EQ(cell.horizontalKnobRect(k), horizontal);
        EXPECT_EQ(cell.verticalKnobRect(k), vertical);
    }

    // The pointed knob faces the marks: its tip is on the marks' side.
    const QRectF r(0, 0, 16, 20);
    cell.setTickMarkPosition(kTickMarkBelow);
    EXPECT_EQ(cell.knobPolygon(r, true)[4], QPointF(8, 20));
    EXPECT_EQ(cell.knobPolygon(r, false)[3], QPointF(16, 10));
    cell.setTickMarkPosition(kTickMarkAbove);
    EXPECT_EQ(cell.knobPolygon(r, true)[0], QPointF(8, 1));
    EXPECT_EQ(cell.knobPolygon(r, false)[0], QPointF(0, 10));

    // Painted: the pointed knob fills a corner the oval leaves empty.
    cell.setControlSize(0);
    cell.setTickMarkPosition(kTickMarkBelow);
    for (int ticks : {0, 4}) {
        cell.setNumberOfTickMarks(ticks);
        QImage image = canvas(19, 22);
        QPainter p(&image);
        cell.drawHorizontalKnobInFrame(p, QRectF(0, 0, 19, 22));
        p.end();
        EXPECT_EQ(image.pixelColor(2, 4).alpha() > 128, ticks > 0) << ticks << " tick marks";
        EXPECT_GT(image.pixelColor(9, 10).alpha(), 200);
    }
}

TEST_F(SliderTest, ColoursFollowState) {
    HUDSliderCell cell;
    cell.setDoubleValue(0);  // knob at the left, bar visible at the right
    const QImage enabled = render(cell, 120, 22);
    EXPECT_RGB(enabled.pixelColor(90, 11), kelo()->sliderTrackColor());
    // The knob's inner fill runs through the knob gradient.
    const QColor knobMiddle = kelo()->knobColor().interpolatedColorAtLocation(0.5);
    EXPECT_RGB(enabled.pixelColor(10, 10), knobMiddle);

    cell.setEnabled(false);
    const QImage disabled = render(cell, 120, 22);
    EXPECT_RGB(disabled.pixelColor(90, 11), kelo()->disabledSliderTrackColor());
    EXPECT_RGB(disabled.pixelColor(10, 10),
               kelo()->disabledKnobColor().interpolatedColorAtLocation(0.5));

    cell.setEnabled(true);
    cell.setHighlighted(true);
    const QImage highlighted = render(cell, 120, 22);
    EXPECT_RGB(highlighted.pixelColor(10, 10),
               kelo()->highlightKnobColor().interpolatedColorAtLocation(0.5));
}

TEST_F(SliderTest, ThumbOffsetMovesOnlyTheCachedHorizontalKnob) {
    HUDSliderCell cell;
    auto knobAt = [&](const QRectF& k, bool vertical) {
        cell.setVertical(vertical);
        QImage image = canvas(60, 40);
        QPainter p(&image);
        cell.drawKnob(p, k);
        return firstOpaqueColumn(image);
    };
    const QRectF k(10, 5, 19, 22);
    const int plain = knobAt(k, false);
    ASSERT_GE(plain, 0);
    cell.setThumbOffsetX(12);
    EXPECT_EQ(knobAt(k, false), plain + 12);
    cell.setThumbOffsetX(0);
    const int vertical = knobAt(k, true);
    cell.setThumbOffsetX(12);
    EXPECT_EQ(knobAt(k, true), vertical);
    // A size outside the tables keeps the knob in its frame, so it shows.
    cell.setControlSize(5);
    const QRectF tiny(10, 5, 3, 22);
    cell.setThumbOffsetX(0);
    const int small = knobAt(tiny, false);
    ASSERT_GE(small, 0);
    cell.setThumbOffsetX(12);
    EXPECT_EQ(knobAt(tiny, false), small);
}

TEST_F(SliderTest, TickMarks) {
    HUDSliderCell cell;
    cell.setNumberOfTickMarks(5);
    QWidget view;
    view.resize(119, 26);
    cell.setControlView(&view);
    QImage image = canvas(119, 26);
    {
        QPainter p(&image);
        cell.drawWithFrame(p, QRectF(0, 0, 119, 26), &view);
    }
    // Five marks below the bar, evenly spaced across the knob's travel.
    for (int i = 0; i < 5; ++i) {
        const int x = 10 + i * 25;
        EXPECT_RGB(image.pixelColor(x, 24), veryDimTextColor()) << "mark " << i;
    }
    EXPECT_EQ(image.pixelColor(22, 24).alpha(), 0);

    for (int count : {0, -3}) {
        cell.setNumberOfTickMarks(count);
        QImage none = canvas(119, 26);
        QPainter p(&none);
        cell.drawTickMarks(p);
        p.end();
        EXPECT_EQ(opaquePixels(none), 0) << count;
    }

    // In a slider, marks past the bottom of the view move up inside it.
    HUDSlider slider;
    slider.resize(119, 26);
    slider.cell()->setNumberOfTickMarks(2);
    QImage tall = canvas(119, 40);
    {
        QPainter p(&tall);
        slider.cell()->drawWithFrame(p, QRectF(0, 0, 119, 40), &slider);
    }
    EXPECT_RGB(tall.pixelColor(110, 20), veryDimTextColor());
    EXPECT_EQ(tall.pixelColor(110, 37).alpha(), 0);
}

TEST_F(SliderTest, SliderControlFollowsPointerAndKeys) {
    HUDSlider slider;
    slider.setRange(0, 100);
    slider.resize(119, 22);
    int moves = 0;
    QObject::connect(&slider, &QAbstractSlider::valueChanged, [&] { ++moves; });

    auto mouse = [&](QEvent::Type type, QPointF pos) {
        QMouseEvent event(type, pos, slider.mapToGlobal(pos), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&slider, &event);
    };
    // A press on the track jumps there; dragging follows the pointer.
    mouse(QEvent::MouseButtonPress, {59.5, 11});
    EXPECT_EQ(slider.value(), 50);
    EXPECT_TRUE(slider.isSliderDown());
    mouse(QEvent::MouseMove, {109.5, 11});
    EXPECT_EQ(slider.value(), 100);
    mouse(QEvent::MouseMove, {-40, 11});
    EXPECT_EQ(slider.value(), 0);
    mouse(QEvent::MouseButtonRelease, {-40, 11});
    EXPECT_FALSE(slider.isSliderDown());
    EXPECT_GE(moves, 3);

    // Grabbing the knob off its centre does not make it jump.
    slider.setValue(40);
    mouse(QEvent::MouseButtonPress, {40 + 9.5 + 6, 11});
    EXPECT_EQ(slider.value(), 40);
    mouse(QEvent::MouseButtonRelease, {40 + 9.5 + 6, 11});

    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&slider, &right);
    EXPECT_EQ(slider.value(), 41);
}

}  // namespace

KELO_TEST_MAIN_GUI()
