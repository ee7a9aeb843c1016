#include "status/KeloStatusView.h"
#include "status/BreakoutScrollView.h"

#include "StatusTestSupport.h"
#include "StatusViewTestSupport.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QDataStream>

#include <QKeyEvent>
#include <QMouseEvent>

KELO_TEMP_DEFAULTS();

namespace {

using namespace statustest;

// A cell of a fixed size; its server is whatever the test gives it.
class FixedCell : public KeloRemoteCell {
public:
    explicit FixedCell(QSizeF size) : size_(size) {}
    QSizeF size() const override { return size_; }

private:
    QSizeF size_;
};

class SizedTarget : public ServerTarget {
public:
    std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& d, bool,
                                                             KeloStatusView*) override {
        auto cell = std::make_unique<FixedCell>(QSizeF(100, d.value("height", 40).toDouble()));
        cell->setKeloObject(&kelo);
        return cell;
    }
    KeloObject kelo;
};

class Grid : public ::testing::Test {
protected:
    void SetUp() override {
        target.kelo.setName("Kelo on A");
        descriptions = {{{"height", 40}}, {{"height", 60}}, {{"height", 50}}};
        view.setTarget(&target);
        view.setDataSource(&descriptions);
        view.createCellArray();
    }
    void key(int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
    }
    SizedTarget target;
    QList<QVariantMap> descriptions;
    KeloStatusView view{QRectF(0, 0, 80, 10)};
};

TEST_F(Grid, ColumnsAndHeights) {
    view.reloadData();
    EXPECT_EQ(view.height(), 150);
    EXPECT_EQ(view.width(), 100);  // the widest cell beats the minimum width
    EXPECT_EQ(view.cellAtIndex(2)->frame(), QRectF(0, 100, 100, 50));
    view.setNumColumns(2);
    view.reloadData();
    EXPECT_EQ(view.height(), 100);  // last cell's height × rows
    EXPECT_EQ(view.width(), 200);
    EXPECT_EQ(view.cellAtIndex(1)->frame(), QRectF(100, 0, 100, 60));
    EXPECT_EQ(view.cellAtIndex(2)->frame(), QRectF(0, 60, 100, 50));
    EXPECT_EQ(view.cellAtIndex(3), nullptr);
    EXPECT_EQ(view.cellAtIndex(-1), nullptr);
    int index = 0;
    int part = 0;
    EXPECT_EQ(view.cellAtPoint({150, 10}, &index, &part), view.cellAtIndex(1));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(view.cellAtPoint({150, 90}, &index, &part), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(part, -1);
}

TEST_F(Grid, ArrowKeysMoveTheSelectionWithinTheCells) {
    view.setNumColumns(2);
    view.reloadData();
    key(Qt::Key_Down);
    EXPECT_EQ(view.selectedItem(), -1);  // no selection: swallowed
    view.changeSelection(1, 0);
    EXPECT_EQ(target.selectionChanges, 1);
    view.changeSelection(1, 0);
    EXPECT_EQ(target.selectionChanges, 1);
    key(Qt::Key_Down);
    EXPECT_EQ(view.selectedItem(), 2);  // past the last cell: the last
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(view.selectedItem(), 0);
    key(Qt::Key_Right);
    EXPECT_EQ(view.selectedItem(), 1);
    EXPECT_EQ(view.selectedPart(), -1);
}

TEST_F(Grid, UpdatesRemovalAndAdding) {
    view.reloadData();
    EXPECT_FALSE(view.performUpdate());
    view.setNeedsLayout(true);
    EXPECT_TRUE(view.performUpdate());
    EXPECT_FALSE(view.needsLayout());
    view.removeItemAtIndex(7);
    view.removeItemAtIndex(1);
    EXPECT_EQ(descriptions.size(), 2);
    EXPECT_EQ(view.height(), 90);
    view.removeKeloObject(&target.kelo);
    EXPECT_TRUE(view.cellArray().empty());
    EXPECT_TRUE(descriptions.isEmpty());
    EXPECT_TRUE(view.isEmpty());

    view.addItem(0x8000, 3, &target.kelo, "sub");
    ASSERT_EQ(descriptions.size(), 1);
    EXPECT_EQ(descriptions[0].value("layer"), 3);
    EXPECT_EQ(descriptions[0].value("subName"), "sub");
    view.addItem(0x12000, 2, &target.kelo, {});
    EXPECT_EQ(descriptions[1].value("mix"), 2);
    view.addItem(0x8000, 3, &target.kelo, "sub");  // an equal entry moves to the end
    EXPECT_EQ(descriptions.size(), 2);
    EXPECT_EQ(descriptions[1].value("layer"), 3);
}

TEST_F(Grid, DragDataNamesTheCellKind) {
    view.reloadData();
    QVariantMap data;
    QDataStream stream(KeloStatusView::dragData(2, view.cellAtIndex(2), 4));
    stream >> data;
    EXPECT_EQ(data.value("idx"), 2);
    EXPECT_EQ(data.value("part"), 4);
    EXPECT_EQ(data.value("layer"), 0);
}

TEST_F(Grid, DropsReorderOrAddBreakouts) {
    descriptions = {{{"name", "Kelo on A"}}, {{"name", "Kelo on A"}, {"layer", 2}}};
    view.createCellArray();
    view.reloadData();
    // Dropped on its own place: nothing moves; past the last cell: to the end.
    const QByteArray first = KeloStatusView::dragData(0, view.cellAtIndex(0), 0);
    EXPECT_TRUE(view.performDragOperation(first, {5, 5}, &view));
    EXPECT_EQ(descriptions[0], (QVariantMap{{"name", "Kelo on A"}}));
    EXPECT_TRUE(view.performDragOperation(first, {5, 500}, &view));
    ASSERT_EQ(descriptions.size(), 2);
    EXPECT_EQ(descriptions[1], (QVariantMap{{"name", "Kelo on A"}}));
    EXPECT_EQ(view.selectedItem(), -1);

    // A monitor pane refuses drops from other views; a breakout pane takes a
    // layer part as a layer breakout.
    KeloStatusView other(QRectF(0, 0, 100, 10));
    QList<QVariantMap> otherList;
    other.setTarget(&target);
    other.setDataSource(&otherList);
    EXPECT_FALSE(view.performDragOperation(KeloStatusView::dragData(0, other.cellAtIndex(0), 0),
                                           {5, 5}, &other));
    other.setIsBreakout(true);
    EXPECT_TRUE(other.performDragOperation(KeloStatusView::dragData(1, view.cellAtIndex(1), 3),
                                           {5, 5}, &view));
    ASSERT_EQ(otherList.size(), 1);
    EXPECT_EQ(otherList[0], (QVariantMap{{"name", "Kelo on A"}, {"layer", 3}}));
    EXPECT_FALSE(other.performDragOperation("garbage", {5, 5}, &view));
    // The same data from another program has no source view here.
    EXPECT_FALSE(other.performDragOperation(first, {5, 5}, nullptr));
    EXPECT_EQ(otherList.size(), 1);
    EXPECT_FALSE(
        other.performDragOperation(KeloStatusView::dragData(9, nullptr, 0), {5, 5}, &view));
}

TEST(BreakoutPane, HelpTexts) {
    ServerTarget target;
    KeloObject kelo;
    kelo.setName("Kelo on A");
    target.servers[kelo.name()] = &kelo;
    QList<QVariantMap> none;
    BreakoutScrollView scroll;
    auto* view = new KeloStatusView(QRectF(0, 0, 200, 10));
    scroll.setWidget(view);
    view->setTarget(&target);
    view->setDataSource(&none);
    view->setIsBreakout(true);
    view->setShowSelectedServerOnly(true);
    view->createCellArray();
    view->reloadData();
    EXPECT_EQ(scroll.helpText(), "select a server");
    view->setShowSelectedServerOnly(false);
    view->reloadData();
    EXPECT_TRUE(scroll.helpText().startsWith("drag/drop servers here."));
    scroll.resize(300, 200);
    QImage image(scroll.size(), QImage::Format_ARGB32_Premultiplied);
    scroll.render(&image);
    ASSERT_TRUE(image.save(artefactPath("status-breakout-help.png")));
}

// Monitor cells of several servers in two columns, painted as one tick paints them.
TEST(MonitorGrid, TwoColumnsOfServers) {
    ServerTarget target;
    std::vector<std::unique_ptr<KeloObject>> servers;
    QList<QVariantMap> descriptions;
    for (int i = 0; i < 4; ++i) {
        auto kelo = std::make_unique<KeloObject>();
        kelo->setName(QString("Kelo on Server %1").arg(i + 1));
        kelo->setAddress(0x7F000010 + uint32_t(i), 0x7F000010 + uint32_t(i));
        kelo->setIsReachable(true);
        fillServer(*kelo, 2, uint32_t(256 * (100 + i)));
        setPreview(*kelo, outputRequest(*kelo), jpeg(320, 180, QColor(50 * i, 120, 200 - 40 * i)),
                   {320, 180}, {1920, 1080});
        target.servers[kelo->name()] = kelo.get();
        descriptions.append({{"name", kelo->name()}});
        servers.push_back(std::move(kelo));
    }
    KeloStatusView view(QRectF(0, 0, 284, 10));
    view.setNumColumns(2);
    view.setTarget(&target);
    view.setDataSource(&descriptions);
    view.createCellArray();
    view.reloadData();
    view.show();
    QImage image;
    for (int i = 0; i < 6; ++i) {
        view.performUpdate();
        image = grab(view);
    }
    ASSERT_TRUE(image.save(artefactPath("status-grid.png")));
    // The second column's thumbnails show inside their own cells.
    auto* cell = view.cellAtIndex(3);
    const QRectF f = cell->frame();
    const QRectF r = cell->rectlist()[0]->rect();
    const QPoint inside =
        QRectF(f.x() + r.x(), f.y() + f.height() - r.y() - r.height(), r.width(), r.height())
            .center()
            .toPoint() +
        QPoint(10, 10);
    EXPECT_LE(std::abs(image.pixelColor(inside).blue() - 80), 12);
    EXPECT_EQ(view.thumbLayers().size(), 4u);

    // Each cell registered its tool tip over its whole frame.
    EXPECT_TRUE(view.toolTipAt(inside).startsWith("Server 4\n- "));
    EXPECT_TRUE(view.toolTipAt({f.x() - 5, f.y() + 5}).startsWith("Server 3"));
    // A click selects the cell under it, with the part.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(inside), QPointF(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    EXPECT_EQ(view.selectedItem(), 3);
    EXPECT_EQ(view.clickedItem(), 3);
    EXPECT_EQ(view.selectedPart(), 0);  // monitor parts carry no numbers
    image = grab(view);
    EXPECT_TRUE(static_cast<KeloMonitorCell*>(view.cellAtIndex(3))->selected());
    // Rebuilding the selected cell leaves the other cells' thumbnails alone.
    const QRectF f2 = view.cellAtIndex(2)->frame();
    EXPECT_LE(std::abs(image.pixelColor(inside - QPoint(int(f.x() - f2.x()), 0)).blue() - 120), 12);
    ASSERT_TRUE(image.save(artefactPath("status-grid-selected.png")));
}

}  // namespace

KELO_TEST_MAIN_GUI()
