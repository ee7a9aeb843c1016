#include "TabBarTestSupport.h"

#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "tabbar/TbOverflowPopUpButton.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbRolloverButton.h"
#include "tabbar/TbTabBarBundle.h"

#include <QEnterEvent>

#include <gtest/gtest.h>

namespace {

TEST(OverflowButton, PulsesOnlyWhileShown) {
    QWidget parent;
    TbOverflowPopUpButton button(QRect(0, 0, 14, 22), false, &parent);
    parent.show();
    button.hide();
    button.setAnimatingAlternateImage(true);
    EXPECT_TRUE(button.animatingAlternateImage());
    EXPECT_FALSE(button.isPulsing());
    button.show();
    EXPECT_TRUE(button.isPulsing());
    EXPECT_DOUBLE_EQ(button.animationValue(), double(0.033f));
    // After the step that would reach 1.0 the phase starts again.
    for (int i = 0; i < 29; ++i) button.animateStep();
    EXPECT_LT(button.animationValue(), 1.0);
    EXPECT_NEAR(button.animationValue(), 30 * double(0.033f), 1e-9);
    button.animateStep();
    EXPECT_DOUBLE_EQ(button.animationValue(), double(0.033f));
    button.hide();
    EXPECT_FALSE(button.isPulsing());
    button.setAnimatingAlternateImage(false);
    button.show();
    EXPECT_FALSE(button.isPulsing());
}

TEST(OverflowButton, PulseDrawsTheAlternateImageOverTheDimmedImage) {
    QWidget parent;
    TbOverflowPopUpButton button(QRect(0, 0, 14, 22), false, &parent);
    QImage alternate(8, 8, QImage::Format_ARGB32_Premultiplied);
    alternate.fill(Qt::red);
    button.setAlternateImage(alternate);
    parent.show();
    const QImage still = button.grab().toImage();
    button.setAnimatingAlternateImage(true);
    for (int i = 0; i < 14; ++i) button.animateStep();  // near the top of the sine
    const QImage pulsing = button.grab().toImage();
    const QColor centre = pulsing.pixelColor(7, 11);
    EXPECT_GT(centre.red(), centre.green() + 100);
    EXPECT_NE(still.pixelColor(7, 11), centre);
}

TEST(RolloverButton, ShowsItsRolloverImageWhileTheMouseIsOver) {
    TbRolloverButton button;
    const QImage usual = TbTabBarBundle::imageNamed("TabNewMetal");
    const QImage over = TbTabBarBundle::imageNamed("TabNewMetalRollover");
    button.setUsualImage(usual);
    button.setRolloverImage(over);
    EXPECT_EQ(button.image(), usual);
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.image(), over);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.image(), usual);
    // A new usual image shows at once.
    const QImage pressed = TbTabBarBundle::imageNamed("TabNewMetalPressed");
    button.setUsualImage(pressed);
    EXPECT_EQ(button.image(), pressed);
    QApplication::sendEvent(&button, &enter);
    button.updateTrackingAreas();
    EXPECT_EQ(button.image(), pressed);
}

TEST(ProgressIndicator, ShowingItMakesRoomInItsTab) {
    BarFixture f(945, {"Rendering", "Idle"}, false);
    f.bar->setSizeCellsToFit(true);
    const double before = f.cell(0)->frame().width();
    TbProgressIndicator* indicator = f.cell(0)->indicator();
    ASSERT_TRUE(indicator->isHidden());
    indicator->setHidden(false);
    EXPECT_EQ(f.cell(0)->frame().width(), before + 20);
    EXPECT_EQ(indicator->parentWidget(), f.bar);
    EXPECT_TRUE(indicator->isAnimating());
    EXPECT_EQ(indicator->geometry(), f.cell(0)->indicatorRectForBounds(f.cell(0)->frame()).toRect());
    // The spinner turns.
    const int phase = indicator->phase();
    ASSERT_TRUE(processUntil([&] { return indicator->phase() != phase; }));
    indicator->setHidden(true);
    EXPECT_EQ(f.cell(0)->frame().width(), before);
    // Stopping cancels a start still pending.
    indicator->startAnimationLater();
    indicator->stopAnimation();
    QApplication::processEvents();
    EXPECT_FALSE(indicator->isAnimating());
}

}  // namespace

KELO_TEST_MAIN_GUI()
