#include "hud/views/DTableView.h"
#include "hud/views/DeleteKeyDelegate.h"
#include "hud/views/DoubleClickTableDelegate.h"
#include "hud/cells/HUDTextFieldCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/views/MouseHoverProtocol.h"
#include "hud/views/TableSearchProtocol.h"
#include "hud/views/TableViewDelegate.h"
#include "hud/views/VNSTableViewCategory.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>

namespace {

class DTableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir dir;
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        registerKeloThemes();
    }
};

// A searchable model keeping its search state in a map.
class SearchModel : public QStandardItemModel, public TableSearchProtocol {
public:
    SearchModel(int rows, int columns) : QStandardItemModel(rows, columns) {}
    QVariant valueForKey(const QString& key) const override { return state.value(key); }
    void setValue(const QVariant& value, const QString& key) override {
        if (value.isValid()) {
            state[key] = value;
        } else {
            state.remove(key);
        }
    }
    void beginSearch() override { ++begins; }
    void endSearch() override { ++ends; }
    void setPlaceholderRow(quint64 row) override { placeholder = qint64(row); }
    QVariantMap state;
    int begins = 0;
    int ends = 0;
    qint64 placeholder = -1;
};

SearchModel* makeModel(int rows, int columns, QObject* parent) {
    auto* model = new SearchModel(rows, columns);
    model->setParent(parent);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            model->setData(model->index(r, c), QStringLiteral("r%1c%2").arg(r).arg(c));
    return model;
}

// Records every callback a table makes to its delegate.
class Recorder : public TableViewDelegate,
                 public MouseHoverProtocol,
                 public DeleteKeyDelegate,
                 public DoubleClickTableDelegate {
public:
    void showMouseHoverInfo(DTableView*, const QPointF& p) override { shows << p; }
    void resetMouseHoverInfo(DTableView*) override { ++resets; }
    void deleteKeyPressed(DTableView*, qint64 row) override { deletes << row; }
    void doubleClickMultiRows(DTableView*, QMouseEvent*, int column, qint64 row,
                              std::unique_ptr<TextFieldCell> cell) override {
        clicks << QStringLiteral("multi %1 %2 %3").arg(column).arg(row).arg(cell->stringValue());
    }
    void doubleClickSingleRow(DTableView*, QMouseEvent*, int column, qint64 row,
                              std::unique_ptr<TextFieldCell> cell) override {
        clicks << QStringLiteral("single %1 %2 %3").arg(column).arg(row).arg(cell->stringValue());
    }
    std::optional<bool> shouldSelectRow(QAbstractItemView*, int row) override {
        if (refuse == row) return false;
        return std::nullopt;
    }
    QList<QPointF> shows;
    int resets = 0;
    QList<qint64> deletes;
    QStringList clicks;
    int refuse = -2;
};

class HoverCell : public HUDTextFieldCell, public MouseHoverCell {
public:
    void mouseHoverCell(bool hover) override { lastHover = hover; }
    bool lastHover = false;
};

struct Fixture {
    explicit Fixture(int rows = 5, int columns = 3) {
        table.setModel(makeModel(rows, columns, &table));
        table.setDelegate(&recorder);
        table.resize(300, 200);
        table.show();
    }
    QPoint cellCentre(int row, int column) const {
        return table.visualRect(table.model()->index(row, column)).center();
    }
    DTableView table;
    Recorder recorder;
};

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent e(
        type, QPointF(at), w->mapToGlobal(QPointF(at)), button,
        type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : button,
        Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST_F(DTableTest, HoverFollowsThePointerAndTellsDelegateAndCells) {
    Fixture f;
    auto cell = std::make_unique<HoverCell>();
    HoverCell* hover = cell.get();
    f.table.setDataCell(1, std::move(cell));
    EXPECT_EQ(f.table.mouseHoverRow(), kNSNotFound);
    f.table.preparedCellAtColumn(1, 0);
    EXPECT_FALSE(hover->lastHover);

    const QPoint at = f.cellCentre(2, 1);
    mouse(f.table.viewport(), QEvent::MouseMove, at);
    mouse(f.table.viewport(), QEvent::MouseMove, at + QPoint(1, 0));
    EXPECT_EQ(f.table.mouseHoverRow(), 2u);
    EXPECT_EQ(f.table.mouseHoverColumn(), 1u);
    EXPECT_EQ(f.recorder.shows.size(), 2);
    f.table.preparedCellAtColumn(1, 2);
    EXPECT_TRUE(hover->lastHover);
    f.table.preparedCellAtColumn(1, 3);
    EXPECT_FALSE(hover->lastHover);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.table.viewport(), &leave);
    EXPECT_EQ(f.table.mouseHoverRow(), kNSNotFound);
    EXPECT_EQ(f.table.mouseHoverColumn(), kNSNotFound);
    EXPECT_EQ(f.recorder.resets, 1);
}

void rightClick(DTableView& table, QPoint at) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, table.viewport()->mapToGlobal(at));
    QApplication::sendEvent(table.viewport(), &e);
}

QList<int> selectedRows(const QTableView& table) {
    QList<int> rows;
    for (const QModelIndex& i : table.selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST_F(DTableTest, RightClickSelectsTheRowUnderIt) {
    Fixture f;
    f.table.setSelectionMode(QAbstractItemView::ExtendedSelection);
    f.table.selectionModel()->select(f.table.model()->index(0, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    f.table.selectionModel()->select(f.table.model()->index(1, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    rightClick(f.table, {5, 190});  // below the last row
    EXPECT_EQ(selectedRows(f.table), (QList<int>{0, 1}));
    f.recorder.refuse = 3;
    rightClick(f.table, f.cellCentre(3, 0));
    EXPECT_EQ(selectedRows(f.table), (QList<int>{0, 1}));
    rightClick(f.table, f.cellCentre(4, 0));
    EXPECT_EQ(selectedRows(f.table), (QList<int>{4}));
}

void key(QWidget* w, int k) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, k == Qt::Key_Space ? " " : QString());
    QApplication::sendEvent(w, &press);
}

TEST_F(DTableTest, SpaceIsSwallowedAndDeleteKeysGoToTheDelegate) {
    Fixture f;
    key(&f.table, Qt::Key_Backspace);
    f.table.selectRow(2);
    key(&f.table, Qt::Key_Delete);
    EXPECT_EQ(f.recorder.deletes, (QList<qint64>{-1, 2}));
    const QModelIndex current = f.table.currentIndex();
    key(&f.table, Qt::Key_Space);
    EXPECT_EQ(f.table.currentIndex(), current);
    EXPECT_EQ(selectedRows(f.table), (QList<int>{2}));
}

TEST_F(DTableTest, DoubleClickPicksMultiOrSingleRowCallback) {
    Fixture f(5, 2);
    f.table.setColumnWidth(0, 60);
    f.table.setColumnWidth(1, 60);
    f.table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    f.table.setSelectionMode(QAbstractItemView::MultiSelection);
    // The first click of the pair; the selection is then made as the test needs it.
    mouse(f.table.viewport(), QEvent::MouseButtonPress, f.cellCentre(3, 1));
    mouse(f.table.viewport(), QEvent::MouseButtonRelease, f.cellCentre(3, 1));
    f.table.clearSelection();
    f.table.selectRow(1);
    f.table.selectRow(3);
    mouse(f.table.viewport(), QEvent::MouseButtonDblClick, f.cellCentre(3, 1));
    mouse(f.table.viewport(), QEvent::MouseButtonDblClick, {250, f.cellCentre(3, 1).y()});
    mouse(f.table.viewport(), QEvent::MouseButtonPress, f.cellCentre(1, 0));
    mouse(f.table.viewport(), QEvent::MouseButtonRelease, f.cellCentre(1, 0));
    mouse(f.table.viewport(), QEvent::MouseButtonDblClick, f.cellCentre(1, 0));
    EXPECT_EQ(f.recorder.clicks, (QStringList{"multi 1 3 r3c1", "single 0 1 r1c0"}));
}

QColor flashPixel(DTableView& table, int row) {
    const QImage image = table.viewport()->grab().toImage();
    const QRect cell = table.visualRect(table.model()->index(row, 0));
    return image.pixelColor(image.width() / 2, cell.top());
}

TEST_F(DTableTest, FlashRowAlternatesWhiteAndYellow) {
    Fixture f;
    f.table.setFlashRow(2);
    f.table.setFlashType(1);
    EXPECT_EQ(flashPixel(f.table, 2), QColor(Qt::white));
    EXPECT_EQ(flashPixel(f.table, 2), QColor(Qt::yellow));
    EXPECT_EQ(flashPixel(f.table, 2), QColor(Qt::white));
    f.table.setFlashType(0);
    EXPECT_EQ(flashPixel(f.table, 2), QColor(Qt::white));
    f.table.setFlashRow(kNSNotFound);
    EXPECT_NE(flashPixel(f.table, 2), QColor(Qt::white));
    f.table.awakeFromNib();
    EXPECT_EQ(f.table.flashRow(), kNSNotFound);
}

// Asks the table for its geometry while it draws, as hover cells do.
class GeometryCell : public HUDTextFieldCell {
public:
    explicit GeometryCell(DTableView* table) : table_(table) {}
    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override {
        visible = table_->visibleRect();
        window = table_->convertRectToView(QRectF(10, 40, 20, 5), nullptr);
        back = table_->convertRectFromView(window, nullptr);
        point = table_->convertPoint(QPointF(3, 40), nullptr);
        self = table_->convertPoint(QPointF(3, 40), table_);
        HUDTextFieldCell::drawWithFrame(painter, frame, view);
    }
    DTableView* table_;
    QRectF visible, window, back;
    QPointF point, self;
};

TEST_F(DTableTest, GeometryWhileDrawingMatchesTheStandardAnswers) {
    QWidget window;
    auto* table = new DTableView(&window);
    table->setModel(makeModel(40, 2, table));
    table->setGeometry(20, 30, 250, 150);
    window.resize(300, 200);
    window.show();
    table->verticalScrollBar()->setValue(35);
    auto cell = std::make_unique<GeometryCell>(table);
    GeometryCell* geometry = cell.get();
    table->setDataCell(0, std::move(cell));
    table->viewport()->grab();
    EXPECT_EQ(geometry->visible, table->visibleRect());
    EXPECT_EQ(geometry->visible.y(), 35);
    EXPECT_EQ(geometry->window, table->convertRectToView(QRectF(10, 40, 20, 5), nullptr));
    EXPECT_EQ(geometry->back, QRectF(10, 40, 20, 5));
    EXPECT_EQ(geometry->point, table->convertPoint(QPointF(3, 40), nullptr));
    EXPECT_EQ(geometry->self, QPointF(3, 40));
    EXPECT_EQ(table->convertRectCache().visRectIncrement, DTableView::sVisRectIncrement);

    // A later pass after scrolling refreshes the cache.
    table->verticalScrollBar()->setValue(60);
    table->viewport()->grab();
    EXPECT_EQ(geometry->visible.y(), 60);
    EXPECT_EQ(geometry->window, table->convertRectToView(QRectF(10, 40, 20, 5), nullptr));
}

TEST_F(DTableTest, VisibleRowAndScrollingIntoTheUpperPart) {
    DTableView empty;
    empty.setModel(makeModel(0, 2, &empty));
    EXPECT_EQ(visibleRow(&empty), -1);

    Fixture f(100, 2);
    const auto [first, count] = visibleRows(&f.table);
    EXPECT_EQ(first, 0);
    EXPECT_GT(count, 3);
    EXPECT_EQ(visibleRow(&f.table), first + count / 2);
    f.table.selectRow(2);
    EXPECT_EQ(visibleRow(&f.table), 2);
    f.table.selectRow(90);
    f.table.verticalScrollBar()->setValue(0);
    EXPECT_EQ(visibleRow(&f.table), first + count / 2);

    scrollRowToVisibleTwoThirds(&f.table, 99);
    const int bottom = f.table.visualRect(f.table.model()->index(99, 0)).bottom();
    EXPECT_EQ(bottom, f.table.viewport()->height() - 1);

    scrollRowToVisibleTwoThirds(&f.table, 50);
    const int y = f.table.visualRect(f.table.model()->index(50, 0)).top();
    EXPECT_NEAR(y, f.table.viewport()->height() / 4, 1);
}

TEST_F(DTableTest, FindNextWalksTheCellsAndKeepsItsPlace) {
    Fixture f(6, 3);
    auto* model = static_cast<SearchModel*>(f.table.model());
    model->setData(model->index(0, 0), "apple");  // column 0 of the start row is skipped
    model->setData(model->index(1, 2), "Apple pie");
    model->setData(model->index(4, 1), "APPLES");

    search(&f.table, QString("apple"));
    EXPECT_EQ(model->state.value("virtSearchRow"), 1);
    EXPECT_EQ(model->state.value("virtSearchColumn"), 2);
    EXPECT_EQ(model->state.value("virtSearchString"), "apple");
    EXPECT_EQ(model->placeholder, 1);
    search(&f.table, QString("apple"));
    EXPECT_EQ(model->state.value("virtSearchRow"), 4);
    EXPECT_EQ(model->state.value("virtSearchColumn"), 1);
    search(&f.table, QString("apple"));  // wraps round to row 0
    EXPECT_EQ(model->state.value("virtSearchRow"), 0);
    EXPECT_EQ(model->state.value("virtSearchColumn"), 0);
    EXPECT_EQ(model->begins, 3);
    EXPECT_EQ(model->ends, 3);

    search(&f.table, QString("pear"));
    EXPECT_FALSE(model->state.contains("virtSearchRow"));
    EXPECT_EQ(model->ends, 4);
    search(&f.table, QString());
    EXPECT_FALSE(model->state.contains("virtSearchString"));
}

TEST_F(DTableTest, ExportGivesTabSeparatedLines) {
    DTableView table;
    table.setModel(makeModel(2, 3, &table));
    EXPECT_EQ(exportTable(&table), "r0c0\tr0c1\tr0c2\nr1c0\tr1c1\tr1c2\n");
    DTableView empty;
    empty.setModel(makeModel(0, 3, &empty));
    EXPECT_EQ(exportTable(&empty), "");

    QTemporaryDir dir;
    const QString path = dir.filePath("table.txt");
    ASSERT_TRUE(writeExportedTable(path, QString::fromUtf8("é\t1\n")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xc3\xa9\t1\n"));
    EXPECT_FALSE(writeExportedTable(dir.filePath("missing/x.txt"), "x"));
}

TEST_F(DTableTest, EachEditGetsAFreshUndoStack) {
    Fixture f;
    QUndoStack* first = f.table.undoManagerForTextView();
    EXPECT_EQ(f.table.undoManagerForTextView(), first);
    f.table.edit(f.table.model()->index(0, 0));
    QWidget* editor = f.table.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    emit f.table.itemDelegate()->closeEditor(editor);
    auto* second = f.table.undoManagerForTextView();
    second->push(new QUndoCommand("typing"));
    f.table.textDidEndEditing();
    EXPECT_EQ(f.table.undoManagerForTextView()->count(), 0);
}

}  // namespace

KELO_TEST_MAIN_GUI()
