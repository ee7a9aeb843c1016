#include "TabBarTestSupport.h"

#include "support/TestMain.h"
#include "tabbar/TbOverflowPopUpButton.h"
#include "tabbar/TbTabBarController.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

struct Layout {
    std::vector<double> widths;  // visible cells, in order
    QStringList overflowed;      // overflow menu titles, without the title item
};

Layout layoutOf(TbTabBarControl& bar) {
    Layout out;
    for (const auto& cell : bar.cells()) {
        if (!cell->isInOverflowMenu()) out.widths.push_back(cell->frame().width());
    }
    if (QMenu* menu = bar.controller()->overflowMenu()) {
        const auto actions = menu->actions();
        for (qsizetype i = 1; i < actions.size(); ++i) out.overflowed << actions[i]->text();
    }
    return out;
}

void relayout(BarFixture& f, int width) {
    f.bar->resize(width, 22);
    f.bar->update(false);
}

struct Row {
    int barWidth;
    int visible;
    double width;
    QStringList overflowed;
};

TEST(TabLayout, SevenPagesAcrossBarWidths) {
    const Row rows[] = {
        {1400, 7, 130, {}},
        {946, 7, 130, {}},
        {945, 7, 130, {}},
        {944, 7, 129, {}},
        {800, 7, 109, {}},
        {735, 7, 100, {}},
        {734, 6, 112, {"Image Remap"}},
        {700, 6, 107, {"Image Remap"}},
        {500, 4, 110, {"Outputs", "Mixes", "Image Remap"}},
    };
    BarFixture f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.barWidth);
        relayout(f, row.barWidth);
        const Layout layout = layoutOf(*f.bar);
        EXPECT_EQ(int(layout.widths.size()), row.visible);
        for (double w : layout.widths) EXPECT_EQ(w, row.width);
        EXPECT_EQ(layout.overflowed, row.overflowed);
        EXPECT_EQ(f.bar->overflowPopUpButton()->isHidden(), row.overflowed.isEmpty());
        // Cells sit edge to edge from the left margin.
        double x = 25;
        for (const auto& cell : f.bar->cells()) {
            if (cell->isInOverflowMenu()) break;
            EXPECT_EQ(cell->frame().x(), x);
            x += cell->frame().width();
        }
    }
}

TEST(TabLayout, OverflowButtonSitsAtTheRightEnd) {
    BarFixture f(700);
    EXPECT_FALSE(f.bar->overflowPopUpButton()->isHidden());
    EXPECT_EQ(f.bar->overflowPopUpButton()->geometry(), QRect(700 - 10 - 14 - 4, 0, 14, 22));
    relayout(f, 945);
    EXPECT_TRUE(f.bar->overflowPopUpButton()->isHidden());
    EXPECT_EQ(f.bar->controller()->overflowMenu(), nullptr);
}

TEST(TabLayout, NoWidthIsEverNegative) {
    for (int width : {0, 1, 20, 36, 60, 150}) {
        for (bool fit : {false, true}) {
            for (bool overflow : {true, false}) {
                SCOPED_TRACE(testing::Message() << width << " fit " << fit << " overflow " << overflow);
                BarFixture f(width);
                f.bar->setSizeCellsToFit(fit);
                f.bar->setUseOverflowMenu(overflow);
                f.bar->update(false);
                for (const auto& cell : f.bar->cells()) EXPECT_GE(cell->frame().width(), 0);
            }
        }
    }
}

TEST(TabLayout, ZeroWidthBarStillShowsTheFirstTwoAtNoWidth) {
    BarFixture f(0);
    const Layout layout = layoutOf(*f.bar);
    ASSERT_EQ(layout.widths.size(), 2u);
    EXPECT_EQ(layout.widths[0], 0);
    EXPECT_EQ(layout.widths[1], 0);
    EXPECT_EQ(layout.overflowed.size(), 5);
}

TEST(TabLayout, HundredTabs) {
    QStringList labels;
    for (int i = 0; i < 100; ++i) labels << QString("Tab %1").arg(i);
    BarFixture f(800, labels);
    Layout layout = layoutOf(*f.bar);
    // 765 points share out at 109 for seven tabs; the eighth would drop
    // below 100, so the row loses the overflow button's room: 743 / 7.
    EXPECT_EQ(layout.widths, std::vector<double>(7, 106));
    EXPECT_EQ(layout.overflowed.size(), 93);
    EXPECT_EQ(f.bar->controller()->numberOfItemsInMenu(f.bar->controller()->overflowMenu()), 94);

    f.bar->setSizeCellsToFit(true);
    layout = layoutOf(*f.bar);
    double total = 0;
    for (double w : layout.widths) total += w;
    EXPECT_LE(total, f.bar->availableCellWidth());
    EXPECT_GT(layout.widths.size(), 7u);
    EXPECT_EQ(int(layout.widths.size() + layout.overflowed.size()), 100);
}

TEST(TabLayout, EmptyAndVeryLongLabels) {
    const QString longLabel(500, QChar('W'));
    BarFixture f(945, {"", "Mixes", longLabel});
    EXPECT_EQ(layoutOf(*f.bar).widths, std::vector<double>(3, 130));
    EXPECT_EQ(f.cell(0)->titleRectForBounds(f.cell(0)->frame()), QRectF());

    f.bar->setSizeCellsToFit(true);
    const Layout fit = layoutOf(*f.bar);
    ASSERT_EQ(fit.widths.size(), 3u);
    EXPECT_EQ(fit.widths[2], 280);  // the desired width, capped at cellMaxWidth
    EXPECT_EQ(fit.widths[0], std::ceil(f.cell(0)->desiredWidthOfCell()));

    // In the overflow menu a long label keeps 59 characters and an ellipsis.
    relayout(f, 120);
    f.cell(2)->setCount(3);
    f.bar->update(false);
    const Layout narrow = layoutOf(*f.bar);
    bool found = false;
    for (const QString& title : narrow.overflowed)
        if (title.startsWith("WWW")) {
            found = true;
            EXPECT_EQ(title, QString(59, QChar('W')) + QChar(0x2026) + " (3)");
        }
    EXPECT_TRUE(found);
}

TEST(TabLayout, PixelMapBarSqueezesSizedToFitTabs) {
    BarFixture f(400, {"Source"}, false);
    f.bar->setUseOverflowMenu(true);
    f.bar->setSizeCellsToFit(false);
    f.bar->setCellMinWidth(75);
    f.bar->setCellOptimumWidth(75);
    f.bar->setShowAddTabButton(true);
    f.bar->setSizeCellsToFit(true);
    for (int i = 0; i < 5; ++i) f.addItem(QString("Context number %1").arg(i), i + 1);
    const Layout layout = layoutOf(*f.bar);
    double total = 0;
    for (size_t i = 0; i < layout.widths.size(); ++i) {
        // "Source" wants less than the minimum and may keep less.
        if (i > 0) {
            EXPECT_GE(layout.widths[i], 75);
        }
        total += layout.widths[i];
    }
    EXPECT_LT(total, f.bar->availableCellWidth() + 1);
    EXPECT_FALSE(layout.overflowed.isEmpty());
    // The add-tab button follows the last visible tab.
    const auto last = f.bar->lastVisibleTab();
    EXPECT_EQ(f.bar->addTabButtonRect().x(), last->frame().right() + 4);
}

TEST(TabLayout, WithoutOverflowMenuEveryTabIsCrammedIn) {
    BarFixture f(500);
    f.bar->setUseOverflowMenu(false);
    const Layout layout = layoutOf(*f.bar);
    EXPECT_EQ(layout.widths, std::vector<double>(7, 465 / 7));
    EXPECT_TRUE(layout.overflowed.isEmpty());
}

TEST(TabLayout, TabStateFlags) {
    BarFixture f(945, {"A", "B", "C", "D"});
    f.tabView->selectTabViewItemAtIndex(1);
    f.bar->update(false);
    EXPECT_EQ(f.cell(0)->tabState(), TbTabStateFirst | TbTabStateNextSelected);
    EXPECT_EQ(f.cell(1)->tabState(), TbTabStateSelected);
    EXPECT_EQ(f.cell(2)->tabState(), TbTabStatePreviousSelected);
    EXPECT_EQ(f.cell(3)->tabState(), TbTabStateLast);

    // Selecting moves the bits without a layout.
    f.tabView->selectTabViewItemAtIndex(2);
    EXPECT_EQ(f.cell(0)->tabState(), TbTabStateFirst);
    EXPECT_EQ(f.cell(1)->tabState(), TbTabStateDeselected | TbTabStateNextSelected);
    EXPECT_EQ(f.cell(2)->tabState(), TbTabStateSelected);
    EXPECT_TRUE(f.cell(3)->tabState() & TbTabStatePreviousSelected);
    EXPECT_EQ(f.cell(2)->state(), 1);
    EXPECT_EQ(f.cell(1)->state(), 0);
}

TEST(TabLayout, SingleTab) {
    BarFixture f(945, {"Source"}, false);
    EXPECT_EQ(f.cell(0)->tabState(), TbTabStateSelected | 208);
    EXPECT_TRUE(f.cell(0)->isCloseButtonSuppressed());
    f.bar->setCanCloseOnlyTab(true);
    EXPECT_FALSE(f.cell(0)->isCloseButtonSuppressed());
}

TEST(TabLayout, CountMismatchLeavesTheLastLayout) {
    BarFixture f(945);
    const QRectF before = f.bar->controller()->cellFrameAtIndex(3);
    f.bar->removeCellAtIndex(6);
    f.bar->resize(500, 22);
    f.bar->controller()->layoutCells();
    EXPECT_EQ(f.bar->controller()->cellFrameAtIndex(3), before);
    EXPECT_EQ(f.bar->controller()->cellFrameAtIndex(7), QRectF());
    EXPECT_EQ(f.bar->controller()->cellFrameAtIndex(-1), QRectF());
}

TEST(TabLayout, ShrinkingTowardAMinimum) {
    struct Case {
        std::vector<double> widths;
        long long minimum;
        double available;
        std::vector<double> after;
        long long removed;
    };
    const Case cases[] = {
        {{}, 10, 0, {}, 0},
        {{50, 50, 50}, 40, 140, {46, 46, 46}, 12},
        // A pass always completes, so it can go below the available width.
        {{50, 50, 50}, 40, 149, {49, 49, 49}, 3},
        {{50, 41, 50}, 40, 0, {40, 40, 40}, 21},
        {{30.7, 30.2}, 10, 100, {30.7, 30.2}, 0},
    };
    for (const Case& c : cases) {
        std::vector<double> widths = c.widths;
        EXPECT_EQ(TbTabBarController::_shrinkWidths(widths, c.minimum, c.available), c.removed);
        EXPECT_EQ(widths, c.after);
    }
}

}  // namespace

KELO_TEST_MAIN_GUI()
