#include "TabBarTestSupport.h"

#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

class HideDelegate : public TbTabBarControlDelegate {
public:
    int hidden = 0;
    int unhidden = 0;
    void tabViewTabBarDidHide(TbTabView*, TbTabBarControl*) override { ++hidden; }
    void tabViewTabBarDidUnhide(TbTabView*, TbTabBarControl*) override { ++unhidden; }
};

// A bar over its tab view, which is the partner that takes the bar's room.
struct Hiding : ::testing::Test {
    BarFixture f{400, {"One", "Two"}, false};
    HideDelegate delegate;

    void SetUp() override {
        f.bar->setDelegate(&delegate);
        f.window.show();
        ASSERT_TRUE(processUntil([&] { return f.bar->awakenedFromNib(); }));
    }
    void closeTab(int i) { f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(i)); }
};

TEST_F(Hiding, ClosingTheSecondLastTabGivesTheRoomToThePartner) {
    f.bar->setPartnerView(f.tabView);
    f.bar->setHideForSingleTab(true);
    EXPECT_FALSE(f.bar->isTabBarHidden());
    closeTab(1);
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_TRUE(f.bar->isShowHideAnimating());
    // Four ticks of 1/30 s: the bar loses 21 points, the tab view gains them.
    ASSERT_TRUE(processUntil([&] { return !f.bar->isShowHideAnimating(); }));
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 400, 1));
    EXPECT_EQ(f.tabView->geometry(), QRect(0, 1, 400, 299));
    EXPECT_EQ(delegate.hidden, 1);

    f.addItem("Three", 3);
    ASSERT_TRUE(processUntil([&] { return !f.bar->isShowHideAnimating() && !f.bar->isTabBarHidden(); }));
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 400, 22));
    EXPECT_EQ(f.tabView->geometry(), QRect(0, 22, 400, 278));
    EXPECT_EQ(delegate.unhidden, 1);
    EXPECT_EQ(f.bar->cells().size(), 2u);
    EXPECT_GT(f.cell(1)->frame().width(), 0);
}

TEST_F(Hiding, AShowRequestDuringAHideIsIgnored) {
    f.bar->setPartnerView(f.tabView);
    f.bar->setHideForSingleTab(true);
    closeTab(1);
    ASSERT_TRUE(f.bar->isShowHideAnimating());
    f.bar->hideTabBar(false, true);
    ASSERT_TRUE(processUntil([&] { return !f.bar->isShowHideAnimating(); }));
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->height(), 1);
    EXPECT_EQ(delegate.unhidden, 0);
}

TEST_F(Hiding, WithoutAPartnerTheWindowShrinksKeepingItsTop) {
    const QRect before = f.window.geometry();
    f.bar->setHideForSingleTab(true);
    closeTab(1);
    ASSERT_TRUE(processUntil([&] { return !f.bar->isShowHideAnimating(); }));
    EXPECT_EQ(f.window.geometry().top(), before.top());
    EXPECT_EQ(f.window.geometry().height(), before.height() - 21);
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 400, 1));
    f.addItem("Three", 3);
    ASSERT_TRUE(processUntil([&] { return !f.bar->isShowHideAnimating() && !f.bar->isTabBarHidden(); }));
    EXPECT_EQ(f.window.geometry(), before);
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 400, 22));
}

TEST(HidingAtStart, AWindowWithOneTabShowsNoBarFromItsFirstUpdate) {
    BarFixture f(400, {"Only"}, false);
    HideDelegate delegate;
    f.bar->setDelegate(&delegate);
    f.bar->setPartnerView(f.tabView);
    f.bar->setHideForSingleTab(true);
    f.window.show();
    ASSERT_TRUE(processUntil([&] { return f.bar->awakenedFromNib(); }));
    QTest::qWait(100);
    EXPECT_TRUE(f.bar->isTabBarHidden());
    EXPECT_EQ(f.bar->geometry(), QRect(0, 0, 400, 1));
    EXPECT_EQ(f.tabView->geometry(), QRect(0, 1, 400, 299));
    EXPECT_EQ(delegate.hidden, 1);
}

TEST(HidingVertical, ABarLeftOfItsPartnerKeepsOnePoint) {
    QWidget window;
    window.resize(400, 300);
    auto* tabView = new TbTabView(&window);
    tabView->setGeometry(120, 0, 280, 300);
    auto* bar = new TbTabBarControl(&window);
    bar->setGeometry(0, 0, 120, 300);
    bar->setTabView(tabView);
    tabView->setDelegate(bar);
    bar->setOrientation(1);
    bar->setPartnerView(tabView);
    for (const char* label : {"A", "B"}) tabView->addTabViewItem(std::make_shared<TbTabViewItem>(1, label));
    window.show();
    ASSERT_TRUE(processUntil([&] { return bar->awakenedFromNib(); }));
    bar->setHideForSingleTab(true);
    tabView->removeTabViewItem(tabView->tabViewItemAtIndex(1));
    ASSERT_TRUE(processUntil([&] { return !bar->isShowHideAnimating(); }));
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 1, 300));
    EXPECT_EQ(tabView->geometry(), QRect(1, 0, 399, 300));
    EXPECT_EQ(bar->tabBarWidth(), 120);
    tabView->addTabViewItem(std::make_shared<TbTabViewItem>(3, "C"));
    ASSERT_TRUE(processUntil([&] { return !bar->isShowHideAnimating(); }));
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 120, 300));
    EXPECT_EQ(tabView->geometry(), QRect(120, 0, 280, 300));
}

}  // namespace

KELO_TEST_MAIN_GUI()
