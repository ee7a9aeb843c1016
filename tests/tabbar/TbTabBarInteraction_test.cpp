#include "TabBarTestSupport.h"

#include "platform/NotificationCenter.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "tabbar/TbNotifications.h"
#include "tabbar/TbTabBarController.h"
#include "tabbar/TbTabDragAssistant.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QStackedWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Records what the bar tells its delegate and answers as configured.
class RecordingDelegate : public TbTabBarControlDelegate {
public:
    std::optional<bool> shouldClose;
    bool mayDrag = false;
    QStringList events;

    void tabViewDidSelectTabViewItem(TbTabView*, const TbItem& item) override {
        events << "select " + item->label();
    }
    std::optional<bool> tabViewShouldCloseTabViewItem(TbTabView*, const TbItem&) override { return shouldClose; }
    void tabViewWillCloseTabViewItem(TbTabView*, const TbItem& item) override { events << "will close " + item->label(); }
    void tabViewDidCloseTabViewItem(TbTabView*, const TbItem& item) override { events << "did close " + item->label(); }
    void tabViewDidDetachTabViewItem(TbTabView*, const TbItem& item) override { events << "detach " + item->label(); }
    std::optional<bool> tabViewShouldDragTabViewItem(TbTabView*, const TbItem&, TbTabBarControl*) override {
        return mayDrag ? std::optional<bool>(true) : std::nullopt;
    }
    QStringList allowedDraggedTypesForTabView(TbTabView*) override { return {"text/uri-list"}; }
    void tabViewTabViewItemEvent(TbTabView*, const TbItem& item, const QMouseEvent& e) override {
        events << QString(e.type() == QEvent::MouseButtonPress ? "down " : "up ") + item->label();
    }
};

struct Interaction : ::testing::Test {
    BarFixture f{945, kSevenTabs, false};
    RecordingDelegate delegate;

    void SetUp() override {
        f.bar->setDelegate(&delegate);
        f.window.show();
        QApplication::processEvents();
        delegate.events.clear();
    }
};

TEST_F(Interaction, ClickSelectsTheTabAndShowsItsPage) {
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, f.centreOf(3));
    EXPECT_EQ(f.selectedLabel(), "Preferences");
    EXPECT_EQ(f.tabView->contentSwitcher()->currentWidget(), f.tabView->tabViewItemAtIndex(3)->view());
    EXPECT_EQ(delegate.events, QStringList({"down Preferences", "select Preferences", "up Preferences"}));
    EXPECT_EQ(f.cell(3)->tabState() & TbTabStateSelected, TbTabStateSelected);
    // A click beside every tab selects nothing and tells the delegate nothing.
    delegate.events.clear();
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, QPoint(940, 10));
    EXPECT_TRUE(delegate.events.isEmpty());
}

TEST_F(Interaction, CloseButtonClosesItsTab) {
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, f.closeCentreOf(2));
    EXPECT_EQ(f.labels(), QStringList({"Status", "Content", "Preferences", "Outputs", "Mixes", "Image Remap"}));
    EXPECT_EQ(f.bar->cells().size(), 6u);
    EXPECT_EQ(delegate.events, QStringList({"down Pixel Map", "will close Pixel Map", "detach Pixel Map",
                                            "did close Pixel Map"}));
}

TEST_F(Interaction, AltClickOnACloseButtonClosesEveryOtherTab) {
    QTest::mousePress(f.bar, Qt::LeftButton, {}, f.closeCentreOf(4));
    QTest::mouseRelease(f.bar, Qt::LeftButton, Qt::AltModifier, f.closeCentreOf(4));
    EXPECT_EQ(f.labels(), QStringList({"Outputs"}));
    EXPECT_FALSE(f.cell(0)->closeButtonPressed());
    // The last tab keeps its close button suppressed.
    EXPECT_TRUE(f.cell(0)->isCloseButtonSuppressed());
}

TEST_F(Interaction, DelegateCanKeepATab) {
    delegate.shouldClose = false;
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, f.closeCentreOf(1));
    EXPECT_EQ(f.labels(), kSevenTabs);
    EXPECT_FALSE(f.cell(1)->closeButtonPressed());
}

TEST_F(Interaction, ReleasingOutsideTheCloseButtonClosesNothing) {
    QTest::mousePress(f.bar, Qt::LeftButton, {}, f.closeCentreOf(1));
    EXPECT_TRUE(f.cell(1)->closeButtonPressed());
    QTest::mouseMove(f.bar, f.centreOf(1) + QPoint(30, 0));
    EXPECT_FALSE(f.cell(1)->closeButtonPressed());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, f.centreOf(1) + QPoint(30, 0));
    EXPECT_EQ(f.labels(), kSevenTabs);
    // The press was on a close button: the release selects nothing.
    EXPECT_EQ(f.selectedLabel(), "Status");
}

TEST_F(Interaction, WithoutBackgroundClosingTheCloseButtonOfAnUnselectedTabSelectsIt) {
    f.bar->setAllowsBackgroundTabClosing(false);
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, f.closeCentreOf(5));
    EXPECT_EQ(f.labels(), kSevenTabs);
    EXPECT_EQ(f.selectedLabel(), "Mixes");
    // With Ctrl held the press counts as a close.
    QTest::mouseClick(f.bar, Qt::LeftButton, Qt::ControlModifier, f.closeCentreOf(6));
    EXPECT_FALSE(f.labels().contains("Image Remap"));
}

TEST_F(Interaction, TheOnlyTabCannotBeClosed) {
    QTest::mousePress(f.bar, Qt::LeftButton, {}, f.closeCentreOf(0));
    QTest::mouseRelease(f.bar, Qt::LeftButton, Qt::AltModifier, f.closeCentreOf(0));
    ASSERT_EQ(f.labels(), QStringList({"Status"}));
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, f.cell(0)->frame().topLeft().toPoint() + QPoint(12, 10));
    EXPECT_EQ(f.labels(), QStringList({"Status"}));
    f.bar->setCanCloseOnlyTab(true);
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, f.closeCentreOf(0));
    EXPECT_TRUE(f.labels().isEmpty());
}

TEST_F(Interaction, HoverHighlightsTheTabAndItsCloseButton) {
    QTest::mouseMove(f.bar, f.centreOf(2));
    EXPECT_TRUE(f.cell(2)->isHighlighted());
    EXPECT_FALSE(f.cell(2)->closeButtonOver());
    QTest::mouseMove(f.bar, f.closeCentreOf(2));
    EXPECT_TRUE(f.cell(2)->closeButtonOver());
    QTest::mouseMove(f.bar, f.centreOf(4));
    EXPECT_FALSE(f.cell(2)->isHighlighted());
    EXPECT_FALSE(f.cell(2)->closeButtonOver());
    EXPECT_TRUE(f.cell(4)->isHighlighted());
}

TEST_F(Interaction, ADragStartsOnlyAfterTenPoints) {
    int began = 0, ended = 0;
    auto beginToken = NotificationCenter::defaultCenter().addObserver(kTbTabDragDidBeginNotification, nullptr,
                                                                      [&](const Notification&) { ++began; });
    auto endToken = NotificationCenter::defaultCenter().addObserver(kTbTabDragDidEndNotification, nullptr,
                                                                    [&](const Notification&) { ++ended; });
    const QPoint down = f.centreOf(1);
    // Without the delegate's leave no drag starts however far the mouse goes.
    QTest::mousePress(f.bar, Qt::LeftButton, {}, down);
    QTest::mouseMove(f.bar, down + QPoint(40, 0));
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, down + QPoint(40, 0));
    EXPECT_EQ(began, 0);

    delegate.mayDrag = true;
    QTest::mousePress(f.bar, Qt::LeftButton, {}, down);
    QTest::mouseMove(f.bar, down + QPoint(6, 7));  // 9.2 points
    EXPECT_EQ(began, 0);
    EXPECT_FALSE(TbTabDragAssistant::sharedDragAssistant()->isDragging());
    QTest::mouseMove(f.bar, down + QPoint(6, 8));  // 10 points
    EXPECT_EQ(began, 1);
    EXPECT_TRUE(TbTabDragAssistant::sharedDragAssistant()->isDragging());
    QTest::mouseRelease(f.bar, Qt::LeftButton, {}, down + QPoint(6, 8));
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(TbTabDragAssistant::sharedDragAssistant()->isDragging());
    EXPECT_EQ(f.labels(), kSevenTabs);
    for (const auto& cell : f.bar->cells()) EXPECT_FALSE(cell->isPlaceholder());
}

TEST_F(Interaction, AnimatedUpdateEndsOnTheTargetsAfterHalfASecond) {
    f.bar->setAutomaticallyAnimates(true);
    const QRectF start = f.cell(6)->frame();
    QElapsedTimer clock;
    clock.start();
    f.bar->resize(800, 22);
    f.bar->update();
    ASSERT_TRUE(f.bar->isAnimating());
    // The first tick already moved the cell part of the way, but not all of it.
    const QRectF firstTick = f.cell(6)->frame();
    EXPECT_LE(firstTick.x(), start.x());
    ASSERT_TRUE(processUntil([&] { return !f.bar->isAnimating(); }, 3000));
    EXPECT_GE(clock.elapsed(), 450);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(f.cell(i)->frame(), f.bar->controller()->cellFrameAtIndex(i)) << i;
    EXPECT_EQ(f.cell(6)->frame(), QRectF(25 + 6 * 109, 0, 109, 22));
}

TEST_F(Interaction, SpringLoadingSelectsTheTabUnderAFileDrag) {
    QMimeData data;
    data.setData("text/uri-list", "file:///tmp/x\r\n");
    QDragEnterEvent enter(f.centreOf(4), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(f.bar, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(f.centreOf(4), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(f.bar, &move);
    ASSERT_TRUE(f.bar->springTimer());
    EXPECT_EQ(f.bar->springTimer()->interval(), 668);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(processUntil([&] { return f.selectedLabel() == "Outputs"; }, 2000));
    EXPECT_GE(clock.elapsed(), 600);
    EXPECT_FALSE(f.bar->springTimer());
}

TEST_F(Interaction, ChoosingAnOverflowedTabCanBringItToTheFront) {
    f.bar->resize(500, 22);
    f.bar->update(false);
    f.bar->setAlwaysShowActiveTab(true);
    QMenu* menu = f.bar->controller()->overflowMenu();
    ASSERT_TRUE(menu);
    QAction* mixes = menu->actions().at(2);
    ASSERT_EQ(mixes->text(), "Mixes");
    mixes->trigger();
    EXPECT_EQ(f.selectedLabel(), "Mixes");
    EXPECT_EQ(f.labels().first(), "Mixes");
    EXPECT_EQ(f.cell(0)->representedObject()->label(), "Mixes");
    EXPECT_FALSE(f.cell(0)->isInOverflowMenu());
}

TEST_F(Interaction, TabViewChangesAddAndDropCells) {
    auto extra = std::make_shared<TbTabViewItem>(8, "Extra");
    f.tabView->insertTabViewItem(extra, 2);
    ASSERT_EQ(f.bar->cells().size(), 8u);
    EXPECT_EQ(f.cell(2)->title(), "Extra");
    f.tabView->removeTabViewItem(f.tabView->tabViewItemAtIndex(0));
    EXPECT_TRUE(delegate.events.contains("detach Status"));
    EXPECT_EQ(f.cell(0)->title(), "Content");
    EXPECT_EQ(f.bar->cells().size(), 7u);
    // Relabelling an item relabels its tab.
    extra->setLabel("Renamed");
    EXPECT_EQ(f.cell(1)->title(), "Renamed");
}

// A page handed to an item replaces the old one, which goes with it
// (the main window's placeholders are replaced by the real pages).
TEST_F(Interaction, ReplacingAPageDeletesTheOldOne) {
    auto item = f.tabView->tabViewItemAtIndex(1);
    QPointer<QWidget> old = item->view();
    ASSERT_FALSE(old.isNull());
    auto* page = new QWidget;
    item->setView(page);
    f.tabView->selectTabViewItem(item);
    EXPECT_EQ(f.tabView->contentSwitcher()->currentWidget(), page);
    EXPECT_EQ(f.tabView->contentSwitcher()->indexOf(old), -1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(item->view(), page);
}

TEST(PageBar, TheMainBarHasNoWorkingCloseButtons) {
    BarFixture f;  // the page bar settings
    RecordingDelegate delegate;
    f.bar->setDelegate(&delegate);
    f.window.show();
    QApplication::processEvents();
    for (const auto& cell : f.bar->cells()) {
        EXPECT_TRUE(cell->isCloseButtonSuppressed());
        EXPECT_EQ(cell->closeButtonRectForBounds(cell->frame()), QRectF());
    }
    // Where a close button would be, a click selects the page.
    const QPoint where = f.cell(2)->frame().topLeft().toPoint() + QPoint(12, 10);
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, where);
    QTest::mousePress(f.bar, Qt::LeftButton, {}, where);
    QTest::mouseRelease(f.bar, Qt::LeftButton, Qt::AltModifier, where);
    EXPECT_EQ(f.labels(), kSevenTabs);
    EXPECT_EQ(f.selectedLabel(), "Pixel Map");
    EXPECT_FALSE(delegate.events.join(",").contains("close"));
    EXPECT_EQ(f.tabView->tabViewItemAtIndex(2)->identifier(), 3);
}

}  // namespace

KELO_TEST_MAIN_GUI()
