#include "TabBarTestSupport.h"

#include "platform/NotificationCenter.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "tabbar/TbNotifications.h"
#include "tabbar/TbTabDragAssistant.h"
#include "tabbar/TbTabDragWindowController.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// A delegate that lets tabs be dragged and, when asked, torn off into a
// bar of a new window.
class DragDelegate : public TbTabBarControlDelegate {
public:
    bool tearOff = false;
    bool giveBar = true;
    std::optional<bool> mayLeave;
    std::unique_ptr<BarFixture> newWindow;
    QStringList drops;
    int closeWindowCalls = 0;

    std::optional<bool> tabViewShouldDragTabViewItem(TbTabView*, const TbItem&, TbTabBarControl*) override {
        return true;
    }
    std::optional<bool> tabViewShouldDropTabViewItem(TbTabView*, const TbItem&, TbTabBarControl* bar) override {
        return bar ? true : tearOff;
    }
    std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBar(TbTabView*, const TbItem&,
                                                                 TbTabBarControl*) override {
        return mayLeave;
    }
    void tabViewDidDropTabViewItem(TbTabView*, const TbItem& item, TbTabBarControl* bar) override {
        drops << item->label() + " -> " + bar->objectName();
    }
    std::optional<TbTabBarControl*> tabViewNewTabBarForDraggedTabViewItem(TbTabView*, const TbItem&,
                                                                          const QPointF&) override {
        if (!giveBar) return nullptr;
        if (!newWindow) {
            newWindow = std::make_unique<BarFixture>(400, QStringList(), false);
            newWindow->bar->setObjectName("torn");
        }
        return newWindow->bar;
    }
    void tabViewCloseWindowForLastTabViewItem(TbTabView*, const TbItem&) override { ++closeWindowCalls; }
};

QList<bool> placeholderPattern(TbTabBarControl* bar) {
    QList<bool> out;
    for (const auto& cell : bar->cells()) out << cell->isPlaceholder();
    return out;
}

struct Dragging : ::testing::Test {
    BarFixture f{600, {"A", "B", "C"}, false};
    DragDelegate delegate;
    int began = 0, ended = 0;
    NotificationCenter::Token beginToken, endToken;
    TbTabDragAssistant* assistant = TbTabDragAssistant::sharedDragAssistant();

    void SetUp() override {
        f.bar->setObjectName("source");
        f.bar->setDelegate(&delegate);
        f.window.move(50, 50);
        f.window.show();
        QApplication::processEvents();
        beginToken = NotificationCenter::defaultCenter().addObserver(
            kTbTabDragDidBeginNotification, nullptr, [this](const Notification&) { ++began; });
        endToken = NotificationCenter::defaultCenter().addObserver(
            kTbTabDragDidEndNotification, nullptr, [this](const Notification&) { ++ended; });
    }
    void startDrag(int cell) {
        const QPoint down = f.centreOf(cell);
        QTest::mousePress(f.bar, Qt::LeftButton, {}, down);
        QTest::mouseMove(f.bar, down + QPoint(15, 0));
        ASSERT_TRUE(assistant->isDragging());
    }
    // Moves in the source bar's coordinates and lets the gaps slide.
    void moveTo(const QPoint& point) {
        QTest::mouseMove(f.bar, point);
        QTest::qWait(300);
    }
};

TEST(DragWidths, PlaceholderTableOfAHundredPointCell) {
    EXPECT_EQ(TbTabDragAssistant::placeholderWidths(QSizeF(100, 22), false),
              std::vector<double>({0, 4, 15, 32, 52, 73, 90, 100}));
    const auto vertical = TbTabDragAssistant::placeholderWidths(QSizeF(120, 22), true);
    EXPECT_EQ(vertical.front(), 0);
    EXPECT_EQ(vertical.back(), 22);
}

TEST_F(Dragging, ThePlaceOfTheDraggedTabOpensAsAGap) {
    startDrag(0);
    EXPECT_EQ(began, 1);
    // The dragged tab's place is one open gap; closed gaps lie between the others.
    EXPECT_EQ(placeholderPattern(f.bar), QList<bool>({true, false, true, false, true}));
    EXPECT_EQ(f.cell(0)->currentStep(), 7);
    EXPECT_EQ(f.cell(0)->frame().width(), 130);
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, f.centreOf(0) + QPoint(15, 0));
}

TEST_F(Dragging, DroppingBehindTheLastTabMovesIt) {
    startDrag(0);
    const QRectF last = f.cell(3)->frame();  // "C"
    moveTo(QPoint(int(last.right()) - 5, 10));
    const QPoint drop(int(f.bar->cells().back()->frame().center().x()), 10);
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, drop);
    EXPECT_EQ(f.labels(), QStringList({"B", "C", "A"}));
    EXPECT_EQ(delegate.drops, QStringList({"A -> source"}));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(assistant->isDragging());
    EXPECT_EQ(placeholderPattern(f.bar), QList<bool>({false, false, false}));
    QStringList titles;
    for (const auto& cell : f.bar->cells()) titles << cell->title();
    EXPECT_EQ(titles, QStringList({"B", "C", "A"}));
    EXPECT_EQ(f.selectedLabel(), "A");
}

TEST_F(Dragging, DroppingOnItsOwnSlotMovesNothing) {
    startDrag(1);
    moveTo(f.centreOf(1) + QPoint(20, 0));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, f.centreOf(1) + QPoint(20, 0));
    EXPECT_EQ(f.labels(), QStringList({"A", "B", "C"}));
    EXPECT_TRUE(delegate.drops.isEmpty());
    EXPECT_EQ(ended, 1);
}

TEST_F(Dragging, AnotherBarOpensGapsAndTakesTheDrop) {
    BarFixture other(600, {"X", "Y", "Z"}, false);
    other.bar->setObjectName("other");
    other.bar->setDelegate(&delegate);
    other.window.move(50, 400);
    other.window.show();
    QApplication::processEvents();
    startDrag(2);
    const QPoint overOther = f.bar->mapFromGlobal(other.bar->mapToGlobal(other.centreOf(0) + QPoint(-40, 0)));
    moveTo(overOther);
    EXPECT_EQ(assistant->destinationTabBar(), other.bar);
    EXPECT_EQ(placeholderPattern(other.bar), QList<bool>({true, false, true, false, true, false, true}));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, overOther);
    EXPECT_EQ(f.labels(), QStringList({"A", "B"}));
    EXPECT_EQ(other.labels(), QStringList({"C", "X", "Y", "Z"}));
    EXPECT_EQ(other.selectedLabel(), "C");
    EXPECT_EQ(other.cell(0)->controlView(), other.bar);
    EXPECT_EQ(delegate.drops, QStringList({"C -> other"}));
    EXPECT_EQ(placeholderPattern(f.bar), QList<bool>({false, false}));
}

TEST_F(Dragging, ABarThatWillNotLetGoKeepsTheDrop) {
    delegate.mayLeave = false;
    startDrag(0);
    moveTo(QPoint(300, 200));
    EXPECT_EQ(assistant->destinationTabBar(), f.bar);
    EXPECT_TRUE(f.cell(0)->isPlaceholder());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(f.bar->cells().size(), 3u);
    EXPECT_FALSE(assistant->isDragging());
}

TEST_F(Dragging, WithoutTearOffADropOutsideRestoresTheTab) {
    startDrag(1);
    moveTo(QPoint(300, 200));
    EXPECT_EQ(assistant->destinationTabBar(), nullptr);
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(f.labels(), QStringList({"A", "B", "C"}));
    QStringList titles;
    for (const auto& cell : f.bar->cells()) titles << cell->title();
    EXPECT_EQ(titles, QStringList({"A", "B", "C"}));
    EXPECT_TRUE(delegate.drops.isEmpty());
    EXPECT_EQ(ended, 1);
}

TEST_F(Dragging, TearingOffMovesTheTabIntoANewWindow) {
    delegate.tearOff = true;
    startDrag(1);
    ASSERT_TRUE(assistant->draggedTab());
    moveTo(QPoint(300, 200));
    // Outside the bars the tab's view fades in under the tab image.
    ASSERT_TRUE(assistant->draggedView());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(300, 200));
    ASSERT_TRUE(delegate.newWindow);
    EXPECT_EQ(f.labels(), QStringList({"A", "C"}));
    EXPECT_EQ(delegate.newWindow->labels(), QStringList({"B"}));
    EXPECT_EQ(delegate.newWindow->cell(0)->controlView(), delegate.newWindow->bar);
    EXPECT_TRUE(delegate.newWindow->window.isVisible());
    EXPECT_EQ(delegate.drops, QStringList({"B -> torn"}));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(assistant->draggedTab());
}

TEST_F(Dragging, NoNewBarPutsTheTabBack) {
    delegate.tearOff = true;
    delegate.giveBar = false;
    startDrag(1);
    moveTo(QPoint(300, 200));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(f.labels(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(f.bar->cells().size(), 3u);
    EXPECT_EQ(f.cell(1)->title(), "B");
    EXPECT_TRUE(delegate.drops.isEmpty());
}

TEST(DraggingLastTab, TheSourceWindowHidesAndIsToldToClose) {
    BarFixture f(600, {"Only"}, false);
    f.bar->setObjectName("source");
    DragDelegate delegate;
    delegate.tearOff = true;
    f.bar->setDelegate(&delegate);
    f.bar->setCanCloseOnlyTab(true);
    f.window.show();
    QApplication::processEvents();
    const QPoint down = f.centreOf(0);
    QTest::mousePress(f.bar, Qt::LeftButton, {}, down);
    QTest::mouseMove(f.bar, down + QPoint(15, 0));
    ASSERT_TRUE(TbTabDragAssistant::sharedDragAssistant()->isDragging());
    EXPECT_EQ(f.window.windowOpacity(), 0);
    QTest::mouseMove(f.bar, QPoint(300, 200));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(delegate.closeWindowCalls, 1);
    EXPECT_TRUE(f.labels().isEmpty());
    ASSERT_TRUE(delegate.newWindow);
    EXPECT_EQ(delegate.newWindow->labels(), QStringList({"Only"}));
}

}  // namespace

KELO_TEST_MAIN_GUI()
