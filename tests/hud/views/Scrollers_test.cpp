#include "hud/views/HUDClipView.h"
#include "hud/views/HUDScrollView.h"
#include "hud/views/HUDScroller.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/HUDView.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/views/ScrollViewEventDelegate.h"
#include "hud/views/Scroller.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace {

KELO_TEMP_DEFAULTS();

QRgb rgb(const QColor& c) {
    return c.rgb() | 0xff000000u;
}

HUDTheme* themeFor(const char* key) {
    return HUDThemeManager::keyedManager()->themeForKey(QString::fromLatin1(key));
}

// Pixels of the scroller that are not the track colour.
int knobPixels(HUDScroller& scroller) {
    const QImage image = scroller.grab().toImage();
    const QRgb track = image.pixel(0, 0);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != track;
    }
    return count;
}

TEST(HUDScroller, KnobOnlyWhenLargeEnoughAndScrollable) {
    struct Case {
        QSize size;
        int maximum;
        bool knob;
    };
    const Case cases[] = {
        {{30, 15}, 100, false}, {{40, 15}, 100, true}, {{15, 39}, 100, false},
        {{15, 120}, 100, true}, {{200, 15}, 0, false},
    };
    for (const Case& c : cases) {
        HUDScroller scroller(c.size.width() > c.size.height() ? Qt::Horizontal : Qt::Vertical);
        scroller.setRange(0, c.maximum);
        scroller.setPageStep(20);
        scroller.resize(c.size);
        EXPECT_EQ(knobPixels(scroller) > 0, c.knob) << c.size.width() << "x" << c.size.height();
    }
    HUDScroller scroller(Qt::Horizontal);
    scroller.setRange(0, 0);
    EXPECT_EQ(scroller.knobProportion(), 1.0);
    scroller.setRange(0, 60);
    scroller.setPageStep(20);
    EXPECT_DOUBLE_EQ(scroller.knobProportion(), 0.25);
}

TEST(HUDScroller, KnobIsACapsuleOfStrokeAndGradient) {
    HUDScroller scroller(Qt::Vertical);
    scroller.setRange(0, 100);
    scroller.setPageStep(100);
    scroller.resize(15, 200);
    const QRectF knob = scroller.knobRect();
    ASSERT_GT(knob.height(), 30);
    const QImage image = scroller.grab().toImage();
    const QRgb track = image.pixel(0, image.height() - 1);
    // The square corners of the knob rectangle stay track; its middle is filled.
    EXPECT_EQ(image.pixel(int(knob.left()), int(knob.top())), track);
    EXPECT_NE(image.pixel(int(knob.center().x()), int(knob.center().y())), track);

    const QPainterPath path = HUDScroller::knobPath(QRectF(0, 0, 100, 21), true);
    EXPECT_TRUE(path.contains(QPointF(50, 10)));
    EXPECT_FALSE(path.contains(QPointF(0.5, 0.5)));
    EXPECT_NEAR(path.boundingRect().height(), 20, 0.01);
}

TEST(HUDScroller, ThemeFollowsWindowKindAndOwnerKey) {
    struct Case {
        bool panel;
        const char* ownerKey;
        const char* expected;
    };
    const Case cases[] = {
        {false, "gradientTheme", "gradientTheme"},
        {false, "flatTheme", "flatTheme"},
        {true, "gradientTheme", "flatTheme"},
    };
    for (const Case& c : cases) {
        HUDThemeKeloWindow window;
        window.setIsPanel(c.panel);
        auto* view = new HUDScrollView(&window);
        view->setThemeKey(c.ownerKey);
        auto* scroller = dynamic_cast<HUDScroller*>(view->verticalScrollBar());
        ASSERT_NE(scroller, nullptr);
        EXPECT_EQ(scroller->theme(), themeFor(c.expected)) << c.panel << " " << c.ownerKey;
    }
}

TEST(HUDScrollView, InstallsHudScrollersAndFillsWithSuperviewColour) {
    HUDView parent;
    parent.setBackgroundColor(QColor(12, 34, 56));
    auto* view = new HUDScrollView(&parent);
    EXPECT_TRUE(dynamic_cast<HUDScroller*>(view->horizontalScrollBar()));
    EXPECT_TRUE(dynamic_cast<HUDScroller*>(view->verticalScrollBar()));
    view->resize(80, 60);
    EXPECT_EQ(view->grab().toImage().pixel(30, 30), rgb(QColor(12, 34, 56)));
    view->setBackgroundColor(QColor(90, 10, 10));
    EXPECT_EQ(view->grab().toImage().pixel(30, 30), rgb(QColor(12, 34, 56)))
        << "its own colour only while it draws its background";
    view->setDrawsBackground(true);
    EXPECT_EQ(view->grab().toImage().pixel(30, 30), rgb(QColor(90, 10, 10)));
}

TEST(HUDScrollView, ClicksToADelegateThatTakesThemDropsRefused) {
    struct ClicksOnly : ScrollViewEventDelegate {
        bool mouseDown(QMouseEvent*) override {
            ++clicks;
            return true;
        }
        int clicks = 0;
    } delegate;
    struct Probe : HUDScrollView {
        using HUDScrollView::dragLeaveEvent;
    } view;
    view.resize(80, 60);
    view.setEventDelegate(&delegate);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &press);
    EXPECT_EQ(delegate.clicks, 1);

    QMimeData data;
    data.setText("x");
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());

    struct Drops : ScrollViewEventDelegate {
        Qt::DropAction draggingEntered(QDragEnterEvent*) override { return Qt::CopyAction; }
        bool prepareForDragOperation(QDropEvent*) override { return true; }
        bool performDragOperation(QDropEvent*) override { return ++dropped > 0; }
        void draggingExited(QDragLeaveEvent*) override { ++exited; }
        int dropped = 0, exited = 0;
    } drops;
    view.setEventDelegate(&drops);
    QDragEnterEvent again(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &again);
    EXPECT_TRUE(again.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
    EXPECT_EQ(drops.dropped, 1);
    EXPECT_TRUE(drop.isAccepted());
    // Leaving is only delivered during a real drag; call the handler.
    QDragLeaveEvent leave;
    view.dragLeaveEvent(&leave);
    EXPECT_EQ(drops.exited, 1);
}

TEST(HUDScrollView, FocusFrameLightensWhileFocusIsInside) {
    const HUDTheme* t = themeFor("gradientTheme");
    for (const bool alwaysDark : {false, true}) {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* outside = new QLineEdit;
        auto* view = new HUDScrollView;
        auto* inside = new QLineEdit;
        view->setWidget(inside);
        layout->addWidget(outside);
        layout->addWidget(view);
        view->setEnableDrawFocusRing(true);
        view->setFocusRingAlwaysDark(alwaysDark);
        window.resize(120, 120);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(window.isActiveWindow());
        outside->setFocus();
        EXPECT_FALSE(view->shouldDrawFocusRing());
        const QPoint edge(view->width() / 2, 0);
        const QRgb dark = view->grab().toImage().pixel(edge);

        inside->setFocus();
        EXPECT_TRUE(view->shouldDrawFocusRing());
        // The strokes may be translucent: compare the frame against its dark self.
        EXPECT_EQ(view->grab().toImage().pixel(edge) == dark, alwaysDark);
        EXPECT_EQ(t->strokeColor() == t->darkStrokeColor(), false);

        outside->setFocus();
        EXPECT_FALSE(view->shouldDrawFocusRing());
    }
}

TEST(HUDClipView, FillsWithOwnOrEnclosingColour) {
    HUDView parent;
    parent.setBackgroundColor(QColor(5, 6, 7));
    auto* clip = new HUDClipView(&parent);
    clip->resize(10, 10);
    EXPECT_EQ(clip->grab().toImage().pixel(5, 5), rgb(QColor(5, 6, 7)));
    clip->setBackgroundColor(QColor(70, 80, 90));
    clip->setDrawsBackground(true);
    EXPECT_EQ(clip->grab().toImage().pixel(5, 5), rgb(QColor(70, 80, 90)));
}

TEST(Scroller, DrawsSlotKnobAndArrowInInterfaceColours) {
    const KeloUIAttributes* a = KeloUIAttributes::attributes();
    Scroller scroller(Qt::Vertical);
    scroller.resize(16, 200);
    scroller.setRange(0, 100);
    scroller.setPageStep(100);
    scroller.setValue(0);
    QImage image = scroller.grab().toImage();
    EXPECT_EQ(image.pixel(8, 150), rgb(a->angColour())) << "slot below the knob";
    int lit = 0;
    for (int y = 0; y < 200; ++y) lit += image.pixel(8, y) == rgb(a->litColour());
    EXPECT_GT(lit, 20) << "knob face";

    scroller.setRange(0, 0);
    image = scroller.grab().toImage();
    EXPECT_EQ(image.pixel(8, 150), rgb(a->bgColour())) << "nothing to scroll: plain slot";
    EXPECT_GT(Scroller::scrollerWidthForControlSize(0), 0);
}

}  // namespace

KELO_TEST_MAIN_GUI()
