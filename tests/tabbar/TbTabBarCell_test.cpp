#include "TabBarTestSupport.h"

#include "support/TestMain.h"
#include "tabbar/TbMetalTabStyle.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbTabBarBundle.h"

#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// Answers the overflow question and remembers the answers it gave.
class OverflowDelegate : public TbTabBarControlDelegate {
public:
    void tabViewTabViewItemIsInOverflowMenu(TbTabView*, const TbItem&, bool in) override { calls.push_back(in); }
    std::vector<bool> calls;
};

// An identifier that carries an icon, a count colour and an edited flag.
class Identity : public QObject {
    Q_OBJECT
    Q_PROPERTY(QImage icon READ icon NOTIFY changed)
    Q_PROPERTY(bool isEdited READ isEdited NOTIFY changed)
public:
    QImage icon() const { return icon_; }
    bool isEdited() const { return edited_; }
    void set(const QImage& icon, bool edited) {
        icon_ = icon;
        edited_ = edited;
        emit changed();
    }
signals:
    void changed();

private:
    QImage icon_;
    bool edited_ = false;
};

TEST(TabCell, DefaultGeometryOfAMetalTab) {
    BarFixture f(945, kSevenTabs, false);
    const auto cell = f.cell(0);
    const QRectF frame = cell->frame();
    ASSERT_EQ(frame, QRectF(25, 0, 130, 22));
    // Metal: inset 6 and 3, one point less high.
    EXPECT_EQ(cell->drawingRectForBounds(frame), QRectF(31, 3, 118, 15));
    // The close button sits at the left end, centred in the drawing rect.
    const QRectF close = cell->closeButtonRectForBounds(frame);
    EXPECT_EQ(close, QRectF(31, 4, 13, 13));
    const QRectF title = cell->titleRectForBounds(frame);
    EXPECT_EQ(title.x(), close.right() + 4);
    EXPECT_EQ(title.right(), 149);
    EXPECT_EQ(cell->objectCounterRectForBounds(frame), QRectF());
    EXPECT_EQ(cell->objectCounterSize(), QSizeF(0, 0));
    // A count makes a badge at the right end and takes room from the title.
    cell->setCount(12);
    const QRectF badge = cell->objectCounterRectForBounds(frame);
    EXPECT_EQ(badge.right(), 149);
    EXPECT_EQ(badge.height(), 14);
    EXPECT_GE(badge.width(), 20);
    EXPECT_EQ(cell->titleRectForBounds(frame).right(), badge.x() - 4);
    EXPECT_NEAR(cell->desiredWidthOfCell() - cell->minimumWidthOfCell(),
                cell->attributedStringValue().size().width() - 30, 1);
    // A shown indicator takes 16 points at the right end and 20 of width.
    const double before = cell->minimumWidthOfCell();
    cell->indicator()->setHidden(false);
    EXPECT_EQ(cell->indicatorRectForBounds(frame), QRectF(133, 2, 16, 17));
    EXPECT_EQ(cell->minimumWidthOfCell(), before + 20);
    EXPECT_EQ(cell->objectCounterRectForBounds(frame).right(), 133 - 4);
    // Horizontal bars never show a large image.
    cell->setHasLargeImage(true);
    EXPECT_EQ(cell->largeImageRectForBounds(frame), QRectF());
}

TEST(TabCell, EmptyTitleCentresTheIcon) {
    auto identity = std::make_unique<Identity>();
    QImage icon(12, 12, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    identity->set(icon, false);
    BarFixture f(945, {}, false);
    auto item = std::make_shared<TbTabViewItem>(QVariant::fromValue<QObject*>(identity.get()), QString());
    f.tabView->addTabViewItem(item);
    f.addItem("Other", 2);
    const auto cell = f.cell(0);
    ASSERT_TRUE(cell->hasIcon());
    const QRectF frame = cell->frame();
    EXPECT_EQ(cell->titleRectForBounds(frame), QRectF());
    const QRectF close = cell->closeButtonRectForBounds(frame);
    const QRectF d = cell->drawingRectForBounds(frame);
    const QRectF iconRect = cell->iconRectForBounds(frame);
    const double left = close.right() + 4;
    EXPECT_NEAR(iconRect.center().x(), left + (d.right() - left) / 2, 1);
    // A label puts the icon right after the close button.
    item->setLabel("Named");
    EXPECT_EQ(cell->title(), "Named");
    EXPECT_EQ(cell->iconRectForBounds(frame).x(), close.right() + 4 + 2);
    // The identifier's edited flag reaches the cell after the current event.
    identity->set(icon, true);
    EXPECT_FALSE(cell->isEdited() && false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(cell->isEdited());
}

TEST(TabCell, StepsClampAndPlaceholdersOpenOrClosed) {
    TbTabBarCell cell;
    cell.setCurrentStep(-3);
    EXPECT_EQ(cell.currentStep(), 0);
    cell.setCurrentStep(12);
    EXPECT_EQ(cell.currentStep(), 7);

    BarFixture f(945, {"A", "B"}, false);
    const QRectF frame(25, 0, 100, 22);
    const auto closed = TbTabBarCell::initPlaceholderWithFrame(frame, false, f.bar);
    EXPECT_TRUE(closed->isPlaceholder());
    EXPECT_EQ(closed->frame(), QRectF(25, 0, 0, 22));
    EXPECT_EQ(closed->currentStep(), 0);
    const auto open = TbTabBarCell::initPlaceholderWithFrame(frame, true, f.bar);
    EXPECT_EQ(open->frame(), frame);
    EXPECT_EQ(open->currentStep(), 7);
    f.bar->setOrientation(1);
    EXPECT_EQ(TbTabBarCell::initPlaceholderWithFrame(frame, false, f.bar)->frame(), QRectF(25, 0, 100, 0));
}

TEST(TabCell, OverflowChangeIsToldOncePerChange) {
    OverflowDelegate delegate;
    BarFixture f(945, kSevenTabs, false);
    f.bar->setDelegate(&delegate);
    f.bar->resize(500, 22);
    f.bar->update(false);
    EXPECT_EQ(delegate.calls, std::vector<bool>(3, true));
    f.bar->update(false);
    EXPECT_EQ(delegate.calls.size(), 3u);
    f.cell(6)->setIsInOverflowMenu(true);
    EXPECT_EQ(delegate.calls.size(), 3u);
}

TEST(TabCell, CloseButtonOverOnlyWhereClosingWorks) {
    BarFixture f(945, {"A", "B"}, false);
    const auto unselected = f.cell(1);
    unselected->setCloseButtonOver(true);
    EXPECT_TRUE(unselected->closeButtonOver());
    f.bar->setAllowsBackgroundTabClosing(false);
    EXPECT_FALSE(unselected->closeButtonOver());
    f.cell(0)->setCloseButtonOver(true);
    EXPECT_TRUE(f.cell(0)->closeButtonOver());
    unselected->setCloseButtonOver(false);
    EXPECT_FALSE(unselected->closeButtonOver());
}

TEST(TabCell, ImageScaling) {
    struct Case {
        QSizeF image, box;
        unsigned type;
        QSizeF expected;
    };
    const Case cases[] = {
        {{20, 10}, {10, 10}, 0, {10, 5}},  {{5, 5}, {10, 20}, 0, {5, 5}},  {{5, 5}, {10, 20}, 3, {10, 10}},
        {{5, 5}, {10, 20}, 1, {10, 20}},   {{5, 5}, {10, 20}, 2, {5, 5}},  {{0, 5}, {10, 20}, 0, {0, 0}},
        {{-1, 5}, {10, 20}, 3, {0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(TbTabBarCell::scaleImageWithSize(c.image, c.box, c.type), c.expected);
}

TEST(MetalStyle, MarginsImagesAndBottomTabs) {
    BarFixture f(945, {"A"}, false);
    const TbTabStyle& style = f.bar->tabStyle();
    EXPECT_EQ(style.name(), "Metal");
    EXPECT_EQ(f.bar->leftMargin(), 25);
    EXPECT_EQ(f.bar->rightMargin(), 10);
    EXPECT_EQ(f.bar->topMargin(), 10);
    EXPECT_EQ(f.bar->bottomMargin(), 0);
    f.tabView->setTabViewType(TbBottomTabsBezelBorder);
    EXPECT_EQ(f.bar->topMargin(), 0);
    EXPECT_EQ(f.bar->bottomMargin(), 10);
    for (int type = 0; type <= 5; ++type) EXPECT_FALSE(f.cell(0)->closeButtonImageOfType(type).isNull()) << type;
    EXPECT_TRUE(f.cell(0)->closeButtonImageOfType(6).isNull());
    EXPECT_TRUE(f.cell(0)->closeButtonImageOfType(-1).isNull());
    for (const char* name : {"TabNewMetal", "TabNewMetalPressed", "TabNewMetalRollover", "overflowImage",
                             "overflowImagePressed", "pi"})
        EXPECT_FALSE(TbTabBarBundle::imageNamed(name).isNull()) << name;
    EXPECT_TRUE(TbTabBarBundle::imageNamed("nothing").isNull());
}

TEST(MetalStyle, DragRects) {
    BarFixture f(945, {"A", "B"}, false);
    const QRectF selected = f.cell(0)->frame();
    EXPECT_EQ(f.cell(0)->draggingRect(), QRectF(selected.x(), selected.y(), selected.width() + 1, selected.height() - 2));
    const QRectF other = f.cell(1)->frame();
    EXPECT_EQ(f.cell(1)->draggingRect(), QRectF(other.x(), other.y(), other.width() + 1, other.height()));
}

TEST(TabBarControl, DefaultsOfABarMadeInCode) {
    TbTabBarControl bar;
    EXPECT_EQ(bar.styleName(), "Metal");
    EXPECT_TRUE(bar.useOverflowMenu());
    EXPECT_EQ(bar.cellMinWidth(), 100);
    EXPECT_EQ(bar.cellMaxWidth(), 280);
    EXPECT_EQ(bar.cellOptimumWidth(), 130);
    EXPECT_EQ(bar.heightOfTabCells(), 22);
    EXPECT_TRUE(bar.allowsBackgroundTabClosing());
    EXPECT_TRUE(TbTabBarControl::registeredTabStyleClasses().contains("Metal"));
    // An unregistered name keeps the style.
    const TbTabStyle* before = &bar.tabStyle();
    bar.setStyleNamed("Aqua");
    EXPECT_EQ(&bar.tabStyle(), before);
    bar.setStyleNamed("Metal");
    EXPECT_NE(&bar.tabStyle(), before);
    bar.setOrientation(0);
    EXPECT_EQ(bar.tabBarWidth(), 120);
    // Without a tab view the bar shows its own name.
    bar.resize(300, 22);
    const QImage shot = bar.grab().toImage();
    QSet<QRgb> colours;
    for (int x = 0; x < shot.width(); ++x) colours.insert(shot.pixel(x, 11));
    EXPECT_GT(colours.size(), 3);
}

// A style without margins falls back to the bar's own defaults.
class PlainStyle : public TbTabStyle {
public:
    QString name() const override { return "Plain"; }
    QImage addTabButtonImage() const override { return {}; }
    QImage addTabButtonPressedImage() const override { return {}; }
    QImage addTabButtonRolloverImage() const override { return {}; }
};

TEST(TabBarControl, DefaultsWhereTheStyleIsSilent) {
    BarFixture f(500, {"A", "B"}, false);
    f.bar->setTabStyle(std::make_unique<PlainStyle>());
    EXPECT_EQ(f.bar->leftMargin(), 6);
    EXPECT_EQ(f.bar->rightMargin(), 6);
    EXPECT_EQ(f.bar->topMargin(), 3);
    EXPECT_EQ(f.bar->bottomMargin(), 3);
    // No close image from the style: no close button.
    EXPECT_EQ(f.cell(0)->closeButtonRectForBounds(f.cell(0)->frame()), QRectF());
    EXPECT_EQ(f.cell(0)->drawingRectForBounds(QRectF(0, 0, 100, 22)), QRectF(6, 3, 88, 16));
    // The add-tab button: 4 points from the left with no tabs, after the last tab otherwise.
    f.bar->setShowAddTabButton(true);
    EXPECT_EQ(f.bar->addTabButtonRect().x(), f.bar->lastVisibleTab()->frame().right() + 4);
    EXPECT_EQ(f.bar->availableCellWidth(), 500 - 12 - 12 - 8);
    TbTabBarControl empty;
    empty.setShowAddTabButton(true);
    EXPECT_EQ(empty.addTabButtonRect().x(), 4);
}

}  // namespace

KELO_TEST_MAIN_GUI()

#include "TbTabBarCell_test.moc"
