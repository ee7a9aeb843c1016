#include "TabBarTestSupport.h"

#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

KELO_TEMP_DEFAULTS();

namespace {

bool near(const QColor& a, const QColor& b, int tolerance = 4) {
    return nearColour(a, b, tolerance);
}

int brightness(const QColor& c) {
    return (c.red() + c.green() + c.blue()) / 3;
}

TEST(TabBarScreenshot, SevenPagesOneSelectedOneHovered) {
    registerKeloThemes();
    BarFixture f(945, kSevenTabs, false);  // with close buttons, to show all the artwork
    f.window.move(30, 30);
    f.window.show();
    ASSERT_TRUE(processUntil([&] { return f.window.windowHandle() && f.window.windowHandle()->isExposed(); }, 5000));
    f.tabView->selectTabViewItemAtIndex(2);
    QTest::mouseMove(f.bar, f.centreOf(4));
    ASSERT_TRUE(processUntil([&] { return f.cell(4)->isHighlighted(); }, 3000));
    QApplication::processEvents();

    const QImage shot = f.bar->grab().toImage();
    ASSERT_TRUE(shot.save(artefactPath("tabbar-seven-tabs.png")));

    // The widgets say where things are; the pixels must agree.
    ASSERT_EQ(f.selectedLabel(), "Pixel Map");
    const QRectF selected = f.cell(2)->frame();
    const QRectF plain = f.cell(5)->frame();
    const QRectF hovered = f.cell(4)->frame();
    EXPECT_EQ(f.cell(2)->state(), 1);
    EXPECT_FALSE(f.cell(5)->isHighlighted());
    const int y = 11;
    HUDThemeKelo* theme = HUDThemeKelo::instance();

    // The selected tab is filled with the pressed gradient, the others show
    // the bar's control gradient.
    const QColor selectedFill = shot.pixelColor(int(selected.right()) - 4, y);
    EXPECT_RGB(selectedFill, theme->pushedGradient().interpolatedColorAtLocation((y + 0.5 - 0.5) / 22.0));
    const QColor plainFill = shot.pixelColor(int(plain.right()) - 4, y);
    EXPECT_RGB(plainFill, theme->controlGradient().interpolatedColorAtLocation((y + 0.5 - 0.5) / 23.0));
    EXPECT_LT(brightness(selectedFill), brightness(plainFill));

    // The hovered tab is the plain tab darkened by a tenth.
    const QColor hoveredFill = shot.pixelColor(int(hovered.right()) - 4, y);
    EXPECT_NEAR(hoveredFill.red(), plainFill.red() * 0.9, 3);
    EXPECT_LT(brightness(hoveredFill), brightness(plainFill));

    // Tabs are outlined in the dark stroke colour.
    EXPECT_RGB(shot.pixelColor(int(plain.x()), y), darkStrokeColor());

    // Close buttons: the light cross of our artwork at the button's centre.
    const QRectF close = f.cell(5)->closeButtonRectForBounds(plain);
    ASSERT_FALSE(close.isEmpty());
    EXPECT_GT(brightness(shot.pixelColor(close.center().toPoint())), 150);
    // Labels: bright text pixels inside every title rectangle.
    for (int i = 0; i < 7; ++i) {
        const QRect title = f.cell(i)->titleRectForBounds(f.cell(i)->frame()).toRect();
        int bright = 0;
        for (int x = title.left(); x <= title.right(); ++x)
            for (int yy = title.top(); yy <= title.bottom(); ++yy)
                if (brightness(shot.pixelColor(x, yy)) > 150) ++bright;
        EXPECT_GT(bright, 10) << kSevenTabs[i].toStdString();
    }
}

TEST(TabBarScreenshot, OverflowButtonShowsItsImage) {
    registerKeloThemes();
    BarFixture f(700);
    f.window.show();
    ASSERT_TRUE(processUntil([&] { return f.window.windowHandle() && f.window.windowHandle()->isExposed(); }, 5000));
    const QImage shot = f.bar->grab().toImage();
    ASSERT_TRUE(shot.save(artefactPath("tabbar-overflow.png")));
    const QRect button = f.bar->overflowButtonRect().toRect();
    ASSERT_FALSE(button.isEmpty());
    int bright = 0;
    for (int x = button.left(); x <= button.right(); ++x)
        for (int y = button.top(); y <= button.bottom(); ++y)
            if (brightness(shot.pixelColor(x, y)) > 150) ++bright;
    EXPECT_GT(bright, 5);
}

// With room to spare the strip ends at the last tab: past it there is no
// gradient and no outline that would read as one more, empty, tab.
TEST(TabBarScreenshot, NothingDrawnPastTheLastTab) {
    registerKeloThemes();
    BarFixture f(1280);
    f.window.show();
    ASSERT_TRUE(processUntil([&] { return f.window.windowHandle() && f.window.windowHandle()->isExposed(); }, 5000));
    ASSERT_TRUE(f.bar->overflowButtonRect().isNull()) << "every tab fits";
    QImage shot(f.bar->size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(Qt::magenta);
    f.bar->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    ASSERT_TRUE(shot.save(artefactPath("tabbar-room-to-spare.png")));

    const int lastRight = int(f.cell(6)->frame().right());
    ASSERT_LT(lastRight + 20, shot.width() - 10);
    HUDThemeKelo* theme = HUDThemeKelo::instance();
    EXPECT_RGB(shot.pixelColor(lastRight - 4, 11),
               theme->controlGradient().interpolatedColorAtLocation((11 + 0.5 - 0.5) / 23.0))
        << "the last tab itself keeps the strip";
    for (int x : {lastRight + 3, (lastRight + shot.width()) / 2, shot.width() - 5})
        for (int y : {0, 11, 21})
            EXPECT_EQ(shot.pixelColor(x, y), QColor(Qt::magenta)) << x << "," << y;
}

}  // namespace

KELO_TEST_MAIN_GUI()
