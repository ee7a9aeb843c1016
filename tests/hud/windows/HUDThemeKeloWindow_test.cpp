#include "hud/windows/HUDThemeKeloWindow.h"

#include "foundation/OmLog.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/KlThumbTackButtonView.h"
#include "hud/windows/NSWindow_Additions.h"
#include "hud/windows/WindowUtilities.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

#include <chrono>

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        UserDefaults::setStandardFile(dir_.filePath("defaults.plist"));
    }
    QTemporaryDir dir_;
};

struct ThrottleGuard {
    ~ThrottleGuard() {
        gThrottlePercentage = 0;
        gNumDrawsSinceStartTime = 0;
    }
};

// Runs waitIfNeeded with the window started `elapsedMs` ago and `draws`
// already counted; answers whether it slept.
bool throttleWaits(int32_t percentage, uint64_t elapsedMs, uint32_t draws) {
    gThrottlePercentage = percentage;
    gDrawStartTime = getMicroS() / 1000 - elapsedMs;
    gNumDrawsSinceStartTime = draws;
    const auto start = std::chrono::steady_clock::now();
    waitIfNeeded(nullptr);
    const auto took = std::chrono::steady_clock::now() - start;
    const bool restarted = gNumDrawsSinceStartTime == 0;
    if (restarted) {
        EXPECT_GE(took, std::chrono::milliseconds(30));
    }
    return restarted;
}

TEST(DrawThrottle, WaitsOnlyAfterABurstOverrunsItsWindow) {
    ThrottleGuard guard;
    // 40 % gives a 21 ms window.
    EXPECT_FALSE(throttleWaits(40, 0, 100));  // inside the window: never
    EXPECT_FALSE(throttleWaits(40, 30, 4));   // few draws: grace up to 63 ms
    EXPECT_EQ(gNumDrawsSinceStartTime, 5u);
    EXPECT_TRUE(throttleWaits(40, 30, 5));  // sixth draw after 21 ms
    EXPECT_TRUE(throttleWaits(40, 70, 0));  // past 63 ms even for few draws
    for (int32_t off : {0, 100, 250}) {
        EXPECT_FALSE(throttleWaits(off, 1000, 50)) << off;
        EXPECT_EQ(gNumDrawsSinceStartTime, 50u) << "an idle throttle counts nothing";
    }
}

TEST_F(WindowTest, ThrottlePreferenceIsClampedAndRewritten) {
    const struct {
        QVariant stored;
        qint64 expected;
        bool rewritten;
    } cases[] = {
        {qint64(3), 100, true},     {qint64(5), 5, false}, {qint64(100), 100, false},
        {qint64(101), 100, true},   {42.7, 42, false},     {QVariant(), 100, true},
        {QString("50"), 100, true},
    };
    for (const auto& c : cases) {
        UserDefaults::standard().setObject("ThrottlePercentage", c.stored);
        EXPECT_EQ(HUDThemeKeloWindow::throttlePercentagePreference(), c.expected)
            << c.stored.toString().toStdString();
        const QVariant after = UserDefaults::standard().object("ThrottlePercentage");
        if (c.rewritten) {
            EXPECT_EQ(after.toLongLong(), 100);
        } else {
            EXPECT_EQ(after, c.stored);
        }
    }
    HUDThemeKeloWindow window;
    EXPECT_EQ(window.throttlePercentage(), 0);  // not read unless asked for
    window.setUsesThrottlePercentage(true);
    UserDefaults::standard().setObject("ThrottlePercentage", qint64(60));
    window.initThrottlePercentage();
    EXPECT_EQ(window.throttlePercentage(), 60);
}

TEST_F(WindowTest, ThemedLook) {
    HUDThemeKeloWindow window;
    EXPECT_TRUE(HUDThemeKeloWindow::isUsingDarkAppearance());
    EXPECT_EQ(window.palette().color(QPalette::Window), headerFillColor());
    EXPECT_TRUE(window.autoFillBackground());
}

struct ThemedField : QLineEdit, HUDThemeKeyProtocol {
    using QLineEdit::QLineEdit;
    QString themeKey() const override { return "gradientTheme"; }
    void setThemeKey(const QString&) override {}
};

TEST_F(WindowTest, FocusedEditorsOfThemedControlsTakeTheEditingColours) {
    HUDThemeKeloWindow window;
    auto* themed = new ThemedField(&window);
    auto* plain = new QLineEdit(&window);
    plain->move(0, 40);
    const QColor plainBase = plain->palette().color(QPalette::Base);
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(window.isActiveWindow());
    plain->setFocus();
    themed->setFocus();
    QApplication::processEvents();
    const HUDThemeKelo* kelo = HUDThemeKelo::instance();
    EXPECT_EQ(themed->palette().color(QPalette::Base), kelo->cellEditingFillColor());
    EXPECT_EQ(themed->palette().color(QPalette::Highlight), kelo->selectionHighlightActiveColor());
    EXPECT_EQ(plain->palette().color(QPalette::Base), plainBase);
}

TEST_F(WindowTest, PinIsRememberedPerAutosaveName) {
    UserDefaults::standard().setObject("isAlwaysOnTop Tools", true);
    HUDThemeKeloWindow window;
    window.setFrameAutosaveName("Tools");
    EXPECT_EQ(window.alwaysOnTopAutosaveName(), "isAlwaysOnTop Tools");
    window.setPinnable(true);
    ASSERT_NE(window.thumbTackButtonView(), nullptr);
    EXPECT_TRUE(window.isAlwaysOnTop());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.thumbTackButtonView()->isChecked());
    EXPECT_EQ(window.palette().color(QPalette::Window), floatingWindowColor());

    window.thumbTackButtonView()->click();  // unpin
    EXPECT_FALSE(window.isAlwaysOnTop());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(UserDefaults::standard().boolValue("isAlwaysOnTop Tools"));
    EXPECT_EQ(window.palette().color(QPalette::Window), headerFillColor());

    window.setPinnable(false);
    EXPECT_FALSE(window.isPinnable());
    EXPECT_FALSE(window.isAlwaysOnTop());
}

TEST_F(WindowTest, PinWithoutOrWithEmptyAutosaveName) {
    HUDThemeKeloWindow unnamed;
    EXPECT_TRUE(unnamed.alwaysOnTopAutosaveName().isNull());
    unnamed.setPinnable(true);
    EXPECT_TRUE(unnamed.isAlwaysOnTop());  // no name: starts on top
    unnamed.thumbTackButtonView()->click();
    EXPECT_FALSE(unnamed.isAlwaysOnTop()) << "an unnamed window can be unpinned";

    HUDThemeKeloWindow blank;
    blank.setFrameAutosaveName("");
    EXPECT_EQ(blank.alwaysOnTopAutosaveName(), "isAlwaysOnTop ");
    blank.setPinnable(true);
    EXPECT_FALSE(blank.isAlwaysOnTop());
    blank.setIsAlwaysOnTop(true);
    EXPECT_TRUE(UserDefaults::standard().boolValue("isAlwaysOnTop "));
}

struct ZoomRecorder : HUDThemeKeloWindowPreviewZoomDelegate {
    bool zoomPreviewIn() override { return log += "in ", true; }
    bool zoomPreviewOut() override { return log += "out ", true; }
    bool zoomPreviewToFit() override { return log += "fit ", true; }
    std::string log;
};

TEST_F(WindowTest, PreviewZoomKeys) {
    HUDThemeKeloWindow window;
    const auto key = [](int k, Qt::KeyboardModifiers m) {
        return QKeyEvent(QEvent::KeyPress, k, m);
    };
    QKeyEvent noDelegate = key(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_FALSE(window.performKeyEquivalent(&noDelegate));
    ZoomRecorder zoom;
    window.setPreviewZoomDelegate(&zoom);
    for (int k : {Qt::Key_Equal, Qt::Key_Plus, Qt::Key_0, Qt::Key_Minus}) {
        QKeyEvent e = key(k, Qt::ControlModifier);
        EXPECT_TRUE(window.performKeyEquivalent(&e));
    }
    QKeyEvent plain = key(Qt::Key_Equal, Qt::NoModifier);
    QKeyEvent other = key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(window.performKeyEquivalent(&plain));
    EXPECT_FALSE(window.performKeyEquivalent(&other));
    EXPECT_EQ(zoom.log, "in in fit out ");

    HUDThemeKeloWindowPreviewZoomDelegate partial;  // implements nothing
    window.setPreviewZoomDelegate(&partial);
    QKeyEvent fit = key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_FALSE(window.performKeyEquivalent(&fit));
}

// A child window holding an overlay with an Escape button.
QWidget* openOverlay(QWidget* owner, bool* cancelled) {
    auto* overlayWindow = new QWidget(owner, Qt::Tool);
    auto* overlay = new QWidget(overlayWindow);
    overlay->setProperty(kOverlayViewProperty, true);
    auto* cancel = new QPushButton("Cancel", overlay);
    cancel->setShortcut(QKeySequence(Qt::Key_Escape));
    QObject::connect(cancel, &QPushButton::clicked, [cancelled] { *cancelled = true; });
    overlayWindow->show();
    return overlayWindow;
}

TEST_F(WindowTest, EscapeClosesOverlayThenHidesPinnedWindow) {
    HUDThemeKeloWindow window;
    window.setPinnable(true);
    window.show();
    bool cancelled = false;
    openOverlay(&window, &cancelled);
    EXPECT_TRUE(hasOverlayView(&window));

    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &esc);
    EXPECT_FALSE(hasOverlayView(&window));
    EXPECT_TRUE(window.isVisible());

    QApplication::sendEvent(&window, &esc);
    EXPECT_FALSE(window.isVisible());

    window.show();
    window.setEscKeyDoesNotCancelPanel(true);
    QApplication::sendEvent(&window, &esc);
    EXPECT_TRUE(window.isVisible());

    HUDThemeKeloWindow plain;
    plain.show();
    QApplication::sendEvent(&plain, &esc);
    EXPECT_TRUE(plain.isVisible()) << "an unpinned window stays";
}

struct InfoBar : ToolTipWindowDelegate {
    void updateInfoBar(ToolTipWindowProtocol* window) override {
        QColor c;
        text = window->toolTipInfo(&c);
        colour = c;
    }
    QString text;
    QColor colour;
};

TEST_F(WindowTest, InfoBarTextReachesTheDelegate) {
    HUDThemeKeloWindow window;
    InfoBar bar;
    window.setDelegate(&bar);
    window.setToolTipInfo("Layer 3 opacity", Qt::yellow);
    EXPECT_EQ(bar.text, "Layer 3 opacity");
    EXPECT_EQ(bar.colour, QColor(Qt::yellow));
    EXPECT_EQ(window.toolTipInfo(nullptr), "Layer 3 opacity");
}

TEST_F(WindowTest, DeferredViewsRepaintOnceInOrder) {
    struct Counting : QWidget {
        using QWidget::QWidget;
        void paintEvent(QPaintEvent*) override { ++paints; }
        int paints = 0;
    };
    HUDThemeKeloWindow window;
    window.resize(200, 100);
    auto* view = new Counting(&window);
    view->setGeometry(0, 0, 50, 50);
    auto* hidden = new Counting(&window);
    hidden->hide();
    window.show();
    QApplication::processEvents();
    const int before = view->paints;
    window.addViewNeedingDisplay(view);
    window.addViewNeedingDisplay(view);
    window.addViewNeedingDisplay(hidden);
    window.displayIfNeeded();
    EXPECT_EQ(view->paints, before + 1);
    EXPECT_EQ(hidden->paints, 0);
    window.displayIfNeeded();
    EXPECT_EQ(view->paints, before + 1);
}

TEST_F(WindowTest, LostWindowsComeBackOntoTheScreen) {
    ASSERT_NE(menuBarScreen(), nullptr);
    const QRect visible = menuBarScreen()->availableGeometry();
    HUDThemeKeloWindow lost, onScreen;
    lost.resize(120, 80);
    onScreen.resize(120, 80);
    lost.show();
    onScreen.show();
    lost.move(visible.right() + 5000, visible.bottom() + 5000);
    onScreen.move(visible.topLeft() + QPoint(200, 150));
    const QPoint stays = onScreen.pos();

    moveWindowsToVisibleScreen(&onScreen, true);  // already visible: untouched
    EXPECT_EQ(onScreen.pos(), stays);
    moveWindowsToVisibleScreen(nullptr, true);
    EXPECT_TRUE(visible.intersects(lost.frameGeometry()));
    EXPECT_EQ(onScreen.pos(), stays);

    // A frame saved off screen is restored onto it.
    lost.move(visible.right() + 5000, 0);
    lost.saveFrameUsingName("Lost");
    lost.move(visible.topLeft());
    EXPECT_FALSE(lost.setFrameUsingName("Never saved"));
    UserDefaults::standard().setObject("NSWindow Frame Bad", "1 2 x 4");
    EXPECT_FALSE(lost.setFrameUsingName("Bad"));
    EXPECT_TRUE(lost.setFrameUsingName("Lost"));
    EXPECT_EQ(lost.size(), QSize(120, 80));
    EXPECT_TRUE(visible.intersects(lost.frameGeometry()));
}

}  // namespace

KELO_TEST_MAIN_GUI()
