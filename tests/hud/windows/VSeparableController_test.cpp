#include "hud/windows/VSeparableController.h"

#include "hud/controls/HUDTextField.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/views/HUDHeaderView.h"
#include "hud/views/HUDView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/VSeparableView.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

KELO_TEMP_DEFAULTS();

class Panel : public ::testing::Test {
protected:
    void SetUp() override {
        registerKeloThemes();
        panel = VSeparableController::create();
        panel->setHeaderTitleString(QStringLiteral("Status"));
    }
    std::unique_ptr<VSeparableController> panel;
};

TEST_F(Panel, FrameLimitsAndHeader) {
    VSeparableView* base = panel->getBaseView();
    const int header = panel->getHeaderView()->height();
    base->setMinWidth(500);
    base->setFrame(QRect(0, 0, 100, 10));
    EXPECT_EQ(base->height(), header + 40);
    EXPECT_EQ(base->width(), 100) << "setFrame leaves the width";
    base->setFrameSize(QSize(100, 10));
    EXPECT_EQ(base->width(), 500);
    base->setMinHeight(200);
    base->setFrameSize(QSize(600, 10));
    EXPECT_EQ(base->height(), 200);

    base->setFrameSize(QSize(600, 300));
    panel->hideHeaderView(true);
    EXPECT_EQ(base->height(), 300 - header) << "in a host view the base shortens";
    EXPECT_EQ(panel->getContainerView()->geometry(), QRect(0, 0, 600, 300 - header));
    panel->hideHeaderView(false);
    EXPECT_FALSE(panel->getHeaderView()->isHidden());
}

TEST_F(Panel, ContentViewsKeepFixedSidesAndTakeSizableOnes) {
    panel->getBaseView()->setFrameSize(QSize(400, 300));
    auto* fixed = new QWidget;
    fixed->setGeometry(5, 6, 120, 80);
    panel->addContentView(fixed, kResizeHeightSizable | kResizeFlexibleRightMargin);
    EXPECT_EQ(panel->getContentView(), fixed);
    EXPECT_EQ(fixed->width(), 120);
    EXPECT_EQ(fixed->height(), panel->getContainerView()->height());
    auto* wide = new QWidget;
    wide->setGeometry(0, 0, 10, 10);
    panel->addContentView(wide, kResizeWidthSizable);
    EXPECT_EQ(wide->width(), panel->getContainerView()->width());
    EXPECT_EQ(panel->getContentView(), wide);
}

TEST_F(Panel, PinnedStateIsRememberedPerTitle) {
    panel->showInSeparateWindow(QSize(300, 200), false);
    HUDThemeKeloWindow* window = panel->separateWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Status"));
    EXPECT_GE(window->width(), 300);
    panel->setIsAlwaysOnTop(true);
    EXPECT_TRUE(UserDefaults::standard().boolValue("isAlwaysOnTop Status"));
    auto again = panel->createSeparateWindow(QRect(0, 0, 100, 100), "Status", false);
    EXPECT_TRUE(again->isPanel()) << "the stored state wins over the default";
    panel->setIsAlwaysOnTop(false);
    EXPECT_FALSE(UserDefaults::standard().boolValue("isAlwaysOnTop Status"));
}

TEST_F(Panel, SavedFramesOffScreenOrWithoutSizeAreNotTrusted) {
    UserDefaults& defaults = UserDefaults::standard();
    panel->setHeaderTitleString(QStringLiteral("Outputs"));
    HUDThemeKeloWindow probe;
    probe.setGeometry(-90000, -90000, 300, 200);
    probe.saveFrameUsingName(QStringLiteral("Outputs"));
    panel->showInSeparateWindow(QSize(300, 200), false);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.intersects(panel->separateWindow()->geometry()));

    auto other = VSeparableController::create();
    other->setHeaderTitleString(QStringLiteral("Mixes"));
    defaults.setObject("NSWindow Frame Mixes", QStringLiteral("10 10 -300 -200"));
    other->showInSeparateWindow(QSize(320, 240), false);
    EXPECT_GE(other->separateWindow()->width(), 320);
    EXPECT_GE(other->separateWindow()->height(), 240);
}

TEST_F(Panel, InsetLookRepaintsSmallRegionsFlat) {
    VSeparableView* base = panel->getBaseView();
    base->setFrameSize(QSize(300, 200));
    panel->setIsInsetView();
    QImage image = canvas(300, 200);
    QPainter painter(&image);
    base->drawInsetRect(painter, QRect(0, 0, 300, 200));
    EXPECT_TRUE(base->rebuiltBackground());
    base->drawInsetRect(painter, QRect(0, 0, 300, 200));
    EXPECT_FALSE(base->rebuiltBackground()) << "same size: the cache stays";
    base->drawInsetRect(painter, QRect(100, 100, 20, 20));
    painter.end();
    EXPECT_FALSE(base->rebuiltBackground());
    EXPECT_EQ(image.pixelColor(110, 110), HUDThemeKelo::instance()->normalSolidFill());
    const QImage shown = base->grab().toImage();
    EXPECT_GT(shown.pixelColor(150, 150).alpha(), 0);
}

}  // namespace

KELO_TEST_MAIN_GUI()
