#include "hud/controls/KeloPopOverButton.h"

#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/KeloPopOverView.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

TEST(KeloPopOverView, GridIsAboutSquare) {
    const struct {
        int count, columns, rows;
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 1}, {3, 2, 2},  {4, 2, 2},
                 {5, 3, 2}, {7, 3, 3}, {9, 3, 3}, {10, 4, 3}, {17, 5, 4}};
    for (const auto& c : cases) {
        EXPECT_EQ(KeloPopOverView::gridForItemCount(c.count), QSize(c.columns, c.rows)) << c.count;
    }
}

TEST(KeloPopOverButton, ItemList) {
    KeloPopOverButton button;
    button.setIsList(true);
    EXPECT_EQ(button.indexOfItemWithTitle("a"), -1);
    for (const char* t : {"Red", "Green", "Blue"}) button.addItemWithTitle(t);
    EXPECT_EQ(button.numberOfItems(), 3);
    EXPECT_EQ(button.indexOfItemWithTitle("Blue"), 2);
    EXPECT_TRUE(button.itemTitleAtIndex(3).isNull());
    EXPECT_TRUE(button.itemTitleAtIndex(-1).isNull());
    EXPECT_EQ(button.itemAtIndex(0), nullptr);  // every item enabled
    EXPECT_TRUE(button.objectEnableForPopOverItem(1));

    button.selectItemWithTitle("Green");
    EXPECT_EQ(button.indexOfSelectedItem(), 1);
    EXPECT_EQ(button.text(), "Green");
    for (int bad : {-1, 3, 99}) button.selectItemAtIndex(bad);
    EXPECT_EQ(button.indexOfSelectedItem(), 1);
    EXPECT_EQ(button.titleOfSelectedItem(), "Green");

    button.setPullsDown(true);
    button.selectItemAtIndex(2);
    EXPECT_EQ(button.indexOfSelectedItem(), 2);
    EXPECT_EQ(button.text(), "Green") << "a pull-down keeps its title";

    button.setAutoenablesItems(false);
    button.addItemWithTitle("Amber");
    ASSERT_NE(button.itemWithTitle("Amber"), nullptr);
    EXPECT_FALSE(button.objectEnableForPopOverItem(3));
    button.itemAtIndex(3)->setEnabled(true);
    EXPECT_TRUE(button.objectEnableForPopOverItem(3));
    EXPECT_TRUE(button.itemAtIndex(3)->description().endsWith("YES"));
    button.setAutoenablesItems(true);
    EXPECT_EQ(button.itemAtIndex(3), nullptr);
    button.removeAllItems();
    EXPECT_EQ(button.numberOfItems(), 0);
}

struct Source : KeloPopOverDataSource {
    int32_t numberOfPopOverItems(KeloPopOverButton*) override { return int32_t(items.size()); }
    QVariant objectValueForPopOverItem(KeloPopOverButton*, int32_t i) override {
        return i >= 0 && i < int32_t(items.size()) ? items[size_t(i)] : QVariant();
    }
    QString titleForPopOver(KeloPopOverButton*, int32_t i) override {
        return i < 0 ? QString("Palette") : QString("Swatch %1").arg(i);
    }
    std::vector<QVariant> items;
};

TEST(KeloPopOverButton, DataSourceItems) {
    KeloPopOverButton button;
    Source source;
    QImage swatch(8, 8, QImage::Format_ARGB32);
    swatch.fill(Qt::red);
    source.items = {QString("One"), QVariant::fromValue(swatch)};
    button.setDataSource(&source);
    button.setText("x");
    button.selectItemAtIndex(1);
    EXPECT_TRUE(button.text().isEmpty());
    EXPECT_EQ(button.image(), swatch);
    EXPECT_EQ(button.toolTip(), "Swatch 1");
    button.selectItemAtIndex(0);
    EXPECT_EQ(button.text(), "One");
    EXPECT_TRUE(button.image().isNull());
    button.selectItemAtIndex(5);  // no item there
    EXPECT_EQ(button.indexOfSelectedItem(), 0);
}

class PopOverTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.setGeometry(300, 400, 300, 200);
        button_ = new KeloPopOverButton(&host_);
        button_->setGeometry(50, 60, 100, 20);
        host_.show();
        QApplication::processEvents();
        QObject::connect(button_, &KeloPopOverButton::triggered, [this](KeloPopOverButton* b) {
            actions_.push_back(b->indexOfSelectedItem());
        });
    }
    void TearDown() override {
        if (view()) view()->window()->hide();
    }

    void addItems(int n) {
        for (int i = 0; i < n; ++i) button_->addItemWithTitle(QString("Item %1").arg(i));
    }
    KeloPopOverView* view() const { return KeloPopOverButton::sharedPopOverView(); }
    QPoint origin() const { return button_->mapToGlobal(QPoint(0, 0)); }
    QRect popOverFrame() const { return view()->window()->geometry(); }
    bool popOverOpen() const { return view() && view()->window()->isVisible(); }

    void mouse(QEvent::Type type, const QPointF& global, QWidget* target) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent e(type, target->mapFromGlobal(global), global, Qt::LeftButton, held,
                      Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }
    void press() { mouse(QEvent::MouseButtonPress, origin() + QPointF(10, 10), button_); }
    // Press on the button, drag to `global`, release there.
    void dragTo(const QPointF& global) {
        press();
        mouse(QEvent::MouseMove, global, button_);
        mouse(QEvent::MouseButtonRelease, global, button_);
    }
    QPointF centreOfItem(int i) const {
        return QPointF(view()->mapToGlobal(view()->cellFrameForItem(i).center()));
    }

    QWidget host_;
    KeloPopOverButton* button_ = nullptr;
    std::vector<int> actions_;
};

TEST_F(PopOverTest, ListOpensWithTheChosenRowOverTheButton) {
    button_->setIsList(true);
    addItems(5);
    for (int selected : {0, 3}) {
        button_->selectItemAtIndex(selected);
        press();
        ASSERT_TRUE(popOverOpen());
        // Cells default to the button's size; no frame image: no inset.
        EXPECT_EQ(popOverFrame(), QRect(origin().x(), origin().y() - selected * 20, 100, 100))
            << selected;
        EXPECT_EQ(view()->gridSize(), QSizeF(1, 5));
        press();  // pressing again closes without a choice
        EXPECT_FALSE(popOverOpen());
    }
    EXPECT_TRUE(actions_.empty());

    // An empty list is still one column wide.
    button_->removeAllItems();
    press();
    EXPECT_EQ(view()->gridSize(), QSizeF(1, 0));
    EXPECT_EQ(view()->sizeForCurrentFrame(), QSizeF(100, 0));
    press();
}

TEST_F(PopOverTest, PullDownOpensBelowAndPinnedSitsAtTheRightEdge) {
    button_->setIsList(true);
    addItems(3);
    button_->setPullsDown(true);
    button_->selectItemAtIndex(2);
    press();
    EXPECT_EQ(popOverFrame(), QRect(origin().x(), origin().y() + 20, 100, 60));
    press();

    button_->setPullsDown(false);
    button_->setPinPoint(QPointF(4, 30));
    press();
    EXPECT_TRUE(view()->isPinned());
    EXPECT_EQ(popOverFrame().topLeft(), QPoint(origin().x() + 100 - 4, origin().y() + 10 - 30));
    press();
}

TEST_F(PopOverTest, GridWithFrameImageAndSpacing) {
    addItems(5);
    QImage frame(20, 24, QImage::Format_ARGB32);
    frame.fill(Qt::darkGray);
    button_->setPopOverImage(frame);
    EXPECT_EQ(button_->borderSplitPoint(), QPointF(10, 12));
    button_->setPopOverCellSize(QSizeF(30, 30));
    button_->setPopOverCellSpacing(QSizeF(10, 4));
    press();
    EXPECT_EQ(view()->gridSize(), QSizeF(3, 2));
    EXPECT_EQ(view()->cellSize(), QSizeF(40, 34));
    EXPECT_EQ(view()->cellInset(), QSizeF(2, 2));
    EXPECT_TRUE(view()->hasTitleBar());  // a grid of list items has an (empty) title
    const QRectF content = view()->contentRect();
    EXPECT_EQ(content, QRectF(10, 12, 120, 68 + 20));
    EXPECT_EQ(popOverFrame().size(), QSize(140, 112));
    EXPECT_EQ(view()->cellFrameForItem(4), QRectF(10 + 40, 12 + 20 + 34, 40, 34));
    press();
}

TEST_F(PopOverTest, ClickLeavesItOpenDragChooses) {
    addItems(5);  // grid: 3 x 2
    press();
    mouse(QEvent::MouseMove, origin() + QPointF(18, 18), button_);  // 8 points: still a click
    mouse(QEvent::MouseButtonRelease, origin() + QPointF(18, 18), button_);
    EXPECT_TRUE(popOverOpen());
    EXPECT_TRUE(button_->isTracking());
    EXPECT_TRUE(actions_.empty());
    press();  // closes
    EXPECT_FALSE(popOverOpen());

    // A drag to the third column chooses it.
    press();
    const QPointF third = centreOfItem(2);
    mouse(QEvent::MouseMove, third, button_);
    mouse(QEvent::MouseButtonRelease, third, button_);
    EXPECT_FALSE(popOverOpen());
    EXPECT_EQ(actions_, std::vector<int>{2});
    EXPECT_EQ(button_->indexOfSelectedItem(), 2);
}

TEST_F(PopOverTest, ClickInsidePopOverButOffTheItemsRepeatsTheCurrentChoice) {
    addItems(5);
    button_->setPopOverCellSpacing(QSizeF(0, 0));
    button_->setShowChosen(false);
    button_->selectItemAtIndex(1);
    press();
    mouse(QEvent::MouseButtonRelease, origin() + QPointF(10, 10), button_);
    ASSERT_TRUE(popOverOpen());
    // The empty last cell of the 3 x 2 grid.
    const QPointF empty = QPointF(view()->mapToGlobal(view()->cellFrameForItem(5).center()));
    mouse(QEvent::MouseButtonPress, empty, view());
    EXPECT_FALSE(popOverOpen());
    EXPECT_EQ(actions_, std::vector<int>{1});
}

TEST_F(PopOverTest, DisabledItemsAreNotChosen) {
    button_->setIsList(true);
    addItems(2);
    button_->setAutoenablesItems(false);
    button_->itemAtIndex(0)->setEnabled(true);
    press();
    dragTo(centreOfItem(1));
    EXPECT_FALSE(popOverOpen());
    EXPECT_TRUE(actions_.empty());
    EXPECT_EQ(button_->indexOfSelectedItem(), 0);
}

TEST_F(PopOverTest, LeavingThePopOverEndsWithoutAChoice) {
    addItems(4);
    press();
    mouse(QEvent::MouseButtonRelease, origin() + QPointF(10, 10), button_);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(view(), &leave);
    EXPECT_FALSE(popOverOpen());
    EXPECT_FALSE(button_->isTracking());
    EXPECT_TRUE(actions_.empty());
}

TEST_F(PopOverTest, DrawsItemsStrikesDisabledOnesAndFramesTheHighlight) {
    button_->setIsList(true);
    addItems(3);
    button_->setAutoenablesItems(false);
    button_->itemAtIndex(0)->setEnabled(true);
    button_->itemAtIndex(2)->setEnabled(true);
    button_->setBackgroundColour(QColor(10, 20, 30));
    button_->setTextColour(QColor(250, 250, 0));
    button_->setHighlightColour(QColor(0, 200, 255));
    press();
    const QImage shot = view()->grab().toImage();
    const QRectF disabled = view()->cellFrameForItem(1);
    // The strike-through runs along the middle of the disabled item.
    const int middle = int(disabled.top() + (disabled.height() - 1) / 2);
    EXPECT_EQ(shot.pixelColor(int(disabled.right()) - 8, middle), QColor(250, 250, 0));
    const QRectF current = view()->cellFrameForItem(0);
    EXPECT_EQ(shot.pixelColor(int(current.center().x()), int(current.top())), QColor(0, 200, 255));
    // Without frame artwork the list stands apart from the panel it opens
    // over (whose colour the button shares): a floating window's ground in
    // a light frame.
    EXPECT_EQ(shot.pixelColor(int(disabled.right()) - 8, int(disabled.top()) + 2),
              floatingWindowColor());
    EXPECT_NE(floatingWindowColor(), button_->backgroundColour());
    const int bottom = shot.height() - 1;
    for (const QPoint edge : {QPoint(0, bottom / 2), QPoint(shot.width() - 1, bottom / 2),
                              QPoint(shot.width() / 2, bottom)})
        EXPECT_EQ(shot.pixelColor(edge), dimTextColor()) << edge.x() << "," << edge.y();
    ASSERT_TRUE(shot.save(artefactPath("hud-popover-list.png")));
    press();
}

}  // namespace

KELO_TEST_MAIN_GUI()
