#include "hud/views/HUDTableView.h"
#include "hud/views/HUDOutlineView.h"
#include "hud/views/HUDTableCornerView.h"
#include "hud/views/HUDTableHeaderView.h"
#include "hud/cells/HUDTableViewHeaderCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QWheelEvent>

namespace {

class TableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
    static HUDThemeKelo* kelo() { return HUDThemeKelo::instance(); }
};

QStandardItemModel* makeModel(int rows, int columns, QObject* parent) {
    auto* model = new QStandardItemModel(rows, columns, parent);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) model->setData(model->index(r, c), r * 10 + c);
    return model;
}

// A header cell of the application's own making.
class CustomHeaderCell : public TableHeaderCell {};

TEST_F(TableTest, HeaderCellsBecomeHudCellsAndCustomOnesOnlyGetTheKey) {
    HUDTableView table;
    QFont small("Sans", 7);
    table.tableHeaderView()->headerCell(0)->setFont(small);
    table.tableHeaderView()->headerCell(0)->setTag(7);
    auto custom = std::make_unique<CustomHeaderCell>();
    CustomHeaderCell* customPtr = custom.get();
    table.tableHeaderView()->setHeaderCell(2, std::move(custom));
    table.setThemeKey("flatTheme");
    table.setModel(makeModel(1, 3, &table));

    for (int column : {0, 1}) {
        auto* cell =
            dynamic_cast<HUDTableViewHeaderCell*>(table.tableHeaderView()->headerCell(column));
        ASSERT_NE(cell, nullptr) << column;
        EXPECT_EQ(cell->themeKey(), "flatTheme");
        EXPECT_EQ(cell->textColor(), theme(cell)->textColor());
    }
    auto* first = static_cast<HUDTableViewHeaderCell*>(table.tableHeaderView()->headerCell(0));
    EXPECT_EQ(first->font(), small);
    EXPECT_EQ(first->tag(), 7);
    EXPECT_EQ(table.tableHeaderView()->headerCell(2), customPtr);
    EXPECT_EQ(customPtr->themeKey(), "flatTheme");

    std::unique_ptr<HUDTableView> loaded(HUDTableView::initWithCoder({}));
    EXPECT_EQ(loaded->themeKey(), "gradientTheme");
    EXPECT_EQ(loaded->backgroundColor(), kelo()->tableBackgroundColor());
    std::unique_ptr<HUDTableView> flat(HUDTableView::initWithCoder({{"themeKey", "flatTheme"}}));
    EXPECT_EQ(flat->encodeWithCoder().value("themeKey").toString(), "flatTheme");
}

TEST_F(TableTest, CornerViewIsInstalledAndReplacesForeignOnes) {
    HUDTableView table;
    table.setCornerWidget(new QWidget);
    EXPECT_NE(qobject_cast<HUDTableCornerView*>(table.cornerView()), nullptr);
    table.awakeFromNib();
    EXPECT_EQ(qobject_cast<HUDTableCornerView*>(table.cornerView())->themeKey(), "gradientTheme");

    HUDTableCornerView corner("gradientTheme");
    corner.resize(16, 20);
    QImage image = canvas(16, 20);
    QPainter p(&image);
    corner.drawRect(p, QRectF(0, 0, 16, 20));
    p.end();
    EXPECT_EQ(image.pixelColor(0, 10), kelo()->tableHeaderCellBorderColor());
    EXPECT_EQ(image.pixelColor(14, 10), kelo()->tableHeaderCellBorderColor());
    EXPECT_EQ(image.pixelColor(15, 10).alpha(), 0);  // the narrowed last column
}

// Paints the table's rows for the whole viewport into an image.
QImage paintRows(HUDTableView& table) {
    const QSize size = table.viewport()->size();
    QImage image = canvas(size.width(), size.height());
    QPainter p(&image);
    table.drawBackgroundInClipRect(p, QRectF(QPointF(), QSizeF(size)));
    table.highlightSelectionInClipRect(p, QRectF(QPointF(), QSizeF(size)));
    return image;
}

TEST_F(TableTest, RowsStripesSelectionAndEmptyArea) {
    HUDTableView table;
    table.setModel(makeModel(3, 2, &table));
    table.resize(200, 300);
    table.show();
    const int h = table.rowHeight(0);
    const QList<QColor> pair = kelo()->cellAlternatingRowColors();

    table.setAlternatingRowColors(true);
    QImage image = paintRows(table);
    EXPECT_EQ(image.pixelColor(5, h / 2), pair[0]);
    EXPECT_EQ(image.pixelColor(5, h + h / 2), pair[1]);
    EXPECT_EQ(image.pixelColor(5, 2 * h + h / 2), pair[0]);
    EXPECT_EQ(image.pixelColor(5, 3 * h + 1), kelo()->emptyTableColor());
    EXPECT_EQ(image.pixelColor(5, image.height() - 1), kelo()->emptyTableColor());

    table.selectRow(1);
    EXPECT_EQ(paintRows(table).pixelColor(5, h + h / 2), kelo()->cellHighlightColor());
    table.setAlternatingRowColors(false);
    image = paintRows(table);
    EXPECT_EQ(image.pixelColor(5, h + h / 2), kelo()->cellHighlightColor());
    EXPECT_EQ(image.pixelColor(5, h / 2), table.backgroundColor());
    EXPECT_EQ(image.pixelColor(5, image.height() - 1), table.backgroundColor());

    EXPECT_EQ(table.preparedCellAtColumn(0, 1)->textColor(), kelo()->cellSelectedTextColor());
    EXPECT_EQ(table.preparedCellAtColumn(0, 0)->textColor(), kelo()->textColor());
    EXPECT_EQ(table.preparedCellAtColumn(1, 2)->stringValue(), "21");

    // The whole widget draws the same rows.
    const QImage grabbed = table.viewport()->grab().toImage();
    EXPECT_EQ(grabbed.pixelColor(grabbed.width() - 2, h + h / 2), kelo()->cellHighlightColor());
}

void click(QWidget* w, QPoint at) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), w->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), w->mapToGlobal(QPointF(at)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

TEST_F(TableTest, ClickOnNonEditableLabelSelectsTheRow) {
    HUDTableView table;
    table.setModel(makeModel(3, 2, &table));
    table.resize(200, 200);
    table.show();
    auto* label = new QLabel("status");
    table.setIndexWidget(table.model()->index(2, 1), label);
    EXPECT_EQ(table.hitTest(label->geometry().center()), table.viewport());
    click(label, {2, 2});
    EXPECT_TRUE(table.selectionModel()->isRowSelected(2, {}));
}

QWheelEvent wheel(QWidget* w, QPoint at, int pixels, Qt::KeyboardModifiers mods) {
    return QWheelEvent(QPointF(at), w->mapToGlobal(QPointF(at)), QPoint(0, pixels), QPoint(0, 120),
                       Qt::NoButton, mods, Qt::NoScrollPhase, false);
}

TEST_F(TableTest, CommandWheelChangesTheValueUnderThePointer) {
    struct Case {
        bool custom;
        Qt::KeyboardModifiers mods;
        int added;
        bool scrolls;
        int pixels = 1;  // 0: a wheel without precise deltas
    };
    const Case cases[] = {
        {true, Qt::ControlModifier, 20, false},
        {true, Qt::ControlModifier | Qt::ShiftModifier, 80, false},
        {true, Qt::ControlModifier | Qt::AltModifier, 2, false},
        {true, Qt::NoModifier, 0, true},
        {false, Qt::ControlModifier, 0, true},
        {true, Qt::ControlModifier, 0, false, 0},
    };
    for (const Case& c : cases) {
        HUDTableView table;
        table.setModel(makeModel(100, 2, &table));
        table.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table.resize(200 + 2 * table.frameWidth(), 200);
        table.show();
        ASSERT_EQ(table.viewport()->width(), 200);
        table.verticalScrollBar()->setValue(10);
        table.setAllowsCustomValueScrolling(c.custom);
        const QModelIndex index = table.indexAt({150, 5});
        const int before = index.data().toInt();
        QWheelEvent event = wheel(table.viewport(), {150, 5}, c.pixels, c.mods);
        QApplication::sendEvent(table.viewport(), &event);
        EXPECT_EQ(table.model()->data(index).toInt(), before + c.added) << int(c.mods);
        EXPECT_EQ(table.verticalScrollBar()->value() != 10, c.scrolls) << int(c.mods);
        if (c.added) {
            EXPECT_TRUE(table.selectionModel()->isRowSelected(index.row(), {}));
        }
    }
}

TEST_F(TableTest, HeaderCellDrawsFrameGradientAndSortTriangle) {
    HUDTableViewHeaderCell cell;
    cell.setTextColor(Qt::red);
    EXPECT_EQ(cell.themeTextColor(), kelo()->textColor());
    QImage image = canvas(80, 20);
    QPainter p(&image);
    cell.drawWithFrame(p, {0, 0, 80, 20}, nullptr);
    p.end();
    EXPECT_EQ(image.pixelColor(0, 10), kelo()->tableHeaderCellBorderColor());
    EXPECT_EQ(image.pixelColor(40, 0), kelo()->tableHeaderCellBorderColor());
    EXPECT_EQ(image.pixelColor(40, 19), kelo()->tableHeaderCellBorderColor());
    EXPECT_NE(image.pixelColor(40, 10), kelo()->tableHeaderCellBorderColor());

    // Width of the triangle's ink per line, top to bottom.
    auto widths = [&](bool ascending, int priority) {
        QImage tri = canvas(80, 20);
        QPainter tp(&tri);
        cell.drawSortIndicatorWithFrame(tp, {0, 0, 80, 20}, nullptr, ascending, priority);
        tp.end();
        QList<int> out;
        for (int y = 0; y < 20; ++y) {
            int n = 0;
            for (int x = 0; x < 80; ++x) n += qAlpha(tri.pixel(x, y)) > 128;
            if (n) out << n;
        }
        return out;
    };
    const QList<int> up = widths(true, 0);
    ASSERT_GE(up.size(), 3);
    EXPECT_LT(up.first(), up.last());
    const QList<int> down = widths(false, 0);
    ASSERT_GE(down.size(), 3);
    EXPECT_GT(down.first(), down.last());
    EXPECT_TRUE(widths(true, 1).isEmpty());
}

TEST_F(TableTest, OutlinePaintsRowsAndConvertsHeaders) {
    HUDOutlineView outline;
    auto* model = new QStandardItemModel(0, 2, &outline);
    for (int i = 0; i < 3; ++i) model->appendRow({new QStandardItem("a"), new QStandardItem("b")});
    outline.setModel(model);
    outline.resize(200, 300);
    outline.show();
    EXPECT_NE(dynamic_cast<HUDTableViewHeaderCell*>(outline.tableHeaderView()->headerCell(1)),
              nullptr);
    outline.setAlternatingRowColors(true);
    outline.selectionModel()->select(model->index(2, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const int h = outline.visualRect(model->index(0, 0)).height();
    const QSize size = outline.viewport()->size();
    QImage image = canvas(size.width(), size.height());
    QPainter p(&image);
    outline.highlightSelectionInClipRect(p, QRectF(QPointF(), QSizeF(size)));
    p.end();
    const QList<QColor> pair = kelo()->cellAlternatingRowColors();
    EXPECT_EQ(image.pixelColor(5, h / 2), pair[0]);
    EXPECT_EQ(image.pixelColor(5, h + h / 2), pair[1]);
    EXPECT_EQ(image.pixelColor(5, 2 * h + h / 2), kelo()->cellHighlightColor());
    EXPECT_EQ(image.pixelColor(5, size.height() - 1), kelo()->emptyTableColor());
    EXPECT_EQ(outline.preparedCellAtIndex(model->index(2, 1))->textColor(),
              kelo()->cellSelectedTextColor());
}

TEST_F(TableTest, EmptyTablesAndOutlinesFillTheirAreaInBands) {
    const QList<QColor> pair = kelo()->cellAlternatingRowColors();
    const auto paint = [](HUDTableTheming& view, QWidget* viewport, const QRectF& clip) {
        QImage image = canvas(viewport->width(), viewport->height());
        QPainter p(&image);
        view.drawBackgroundInClipRect(p, clip);
        view.highlightSelectionInClipRect(p, clip);
        return image;
    };
    HUDOutlineView outline;
    outline.setModel(new QStandardItemModel(0, 2, &outline));
    outline.setAlternatingRowColors(true);
    outline.resize(200, 300);
    outline.show();
    QWidget* viewport = outline.viewport();
    QImage image = paint(outline, viewport, QRectF(viewport->rect()));
    for (int y : {0, viewport->height() / 2, viewport->height() - 1}) {
        EXPECT_EQ(image.pixelColor(5, y), kelo()->emptyTableColor()) << y;
    }
    // A repaint of a strip in the middle fills the strip alone.
    image = paint(outline, viewport, QRectF(0, 100, viewport->width(), 20));
    EXPECT_EQ(image.pixelColor(5, 110), kelo()->emptyTableColor());
    EXPECT_EQ(image.pixelColor(5, 90).alpha(), 0);

    HUDTableView table;
    table.setModel(makeModel(0, 2, &table));
    table.setAlternatingRowColors(true);
    table.resize(200, 300);
    table.show();
    image = paint(table, table.viewport(), QRectF(table.viewport()->rect()));
    EXPECT_EQ(image.pixelColor(5, 0), kelo()->emptyTableColor());
    EXPECT_EQ(image.pixelColor(5, image.height() - 1), kelo()->emptyTableColor());
    // The whole empty outline, as it reaches the screen.
    const QImage grabbed = outline.viewport()->grab().toImage();
    EXPECT_EQ(grabbed.pixelColor(5, grabbed.height() / 2), kelo()->emptyTableColor());
    EXPECT_NE(pair[0], kelo()->emptyTableColor());
}

}  // namespace

KELO_TEST_MAIN_GUI()
