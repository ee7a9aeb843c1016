#include "content/ContentTableView.h"

#include "content/ContentUIPanel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

// Draws the controller's row fills under each cell, a separator row across
// the whole row from its first column, and every other cell with the
// table's prepared cell.
class ContentRowDelegate : public QStyledItemDelegate {
public:
    explicit ContentRowDelegate(ContentTableView* table)
        : QStyledItemDelegate(table), table_(table) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        ContentUIPanel* controller = table_->controller();
        if (!controller) return;
        if (index.column() == 0) table_->noteRowDrawn();
        painter->save();
        const QRectF cell(option.rect);
        const QRectF whole(0, cell.y(), table_->viewport()->width(), cell.height());
        if (controller->drawRow(*painter, table_->table(), index.row(), whole, cell,
                                index.column() == 0)) {
            painter->restore();
            return;
        }
        if (TextFieldCell* prepared = table_->preparedCellAtColumn(index.column(), index.row()))
            prepared->drawWithFrame(*painter, cell, table_);
        painter->restore();
    }

private:
    ContentTableView* table_;
};

}  // namespace

ContentTableModel::ContentTableModel(ContentUIPanel* controller, int table, QStringList titles,
                                     QObject* parent)
    : QAbstractTableModel(parent),
      controller_(controller),
      table_(table),
      titles_(std::move(titles)) {
    rows_ = controller_->numberOfRows(table_);
}

int ContentTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ContentTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(titles_.size());
}

QVariant ContentTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return controller_->objectValue(table_, index.column(), index.row()).text;
}

QVariant ContentTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    return section >= 0 && section < titles_.size() ? titles_[section] : QVariant();
}

Qt::ItemFlags ContentTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ContentTableModel::reload() {
    beginResetModel();
    rows_ = controller_->numberOfRows(table_);
    endResetModel();
}

ContentTableView::ContentTableView(QWidget* parent) : DTableView(parent) {
    setItemDelegate(new ContentRowDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void ContentTableView::setIsFolderTable(bool on) {
    isFolderTable_ = on;
    if (on) isFileTable_ = false;
}

void ContentTableView::setIsFileTable(bool on) {
    isFileTable_ = on;
    if (on) isFolderTable_ = false;
}

void ContentTableView::setDrawingContentStatus(int status) {
    if (status == contentStatus_) return;
    contentStatus_ = status;
    viewport()->update();
}

std::pair<int, int> ContentTableView::visibleRows() const {
    if (!model()) return {0, 0};
    const int count = model()->rowCount();
    const int first = rowAt(0);
    if (first < 0) return {0, 0};
    int last = rowAt(viewport()->height() - 1);
    if (last < 0) last = count - 1;
    return {first, last - first + 1};
}

int ContentTableView::updateRows(const std::vector<size_t>& rows) {
    const auto [first, count] = visibleRows();
    QRegion dirty;
    int scheduled = 0;
    const int width = viewport()->width();
    for (size_t row : rows) {
        if (row < size_t(first) || row >= size_t(first + count)) continue;
        dirty += QRect(0, rowViewportPosition(int(row)), width, rowHeight(int(row)));
        ++scheduled;
    }
    if (!dirty.isEmpty()) viewport()->update(dirty);
    return scheduled;
}

TextFieldCell* ContentTableView::preparedCellAtColumn(int column, int row) {
    if (!toController_) return DTableView::preparedCellAtColumn(column, row);
    TextFieldCell* cell = DTableView::preparedCellAtColumn(column, row);
    if (!cell) return nullptr;
    toController_->prepareCell(*this, *cell, column, row);
    return cell;
}

void ContentTableView::paintEvent(QPaintEvent* event) {
    DTableView::paintEvent(event);
    if (contentStatus_ == 0 || !toController_) return;
    QPainter painter(viewport());
    toController_->drawContentStatus(painter, contentStatus_, QRectF(viewport()->rect()));
}

void ContentTableView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    startPt_ = QPointF(at) + QPointF(horizontalOffset(), verticalOffset());
    mouseDragged_ = false;
    mouseDownInSyncColumn_ = false;
    if (event->button() == Qt::LeftButton && columnAt(at.x()) == syncColumn()) {
        mouseDownInSyncColumn_ = true;
        event->accept();
        return;
    }
    // A click proposes its row; separator rows are not taken, and the
    // folder table may queue a rescan of the folder.
    const int row = rowAt(at.y());
    if (row >= 0 && toController_ && event->button() == Qt::LeftButton) {
        const auto chosen = toController_->selectionIndexesForProposedSelection(this, {row});
        if (chosen && chosen->isEmpty()) {
            event->accept();
            return;
        }
    }
    DTableView::mousePressEvent(event);
}

void ContentTableView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) mouseDragged_ = true;
    DTableView::mouseMoveEvent(event);
}

void ContentTableView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    endPt_ = QPointF(at) + QPointF(horizontalOffset(), verticalOffset());
    if (!mouseDownInSyncColumn_) {
        DTableView::mouseReleaseEvent(event);
        return;
    }
    mouseDownInSyncColumn_ = false;
    event->accept();
    const int pressed = rowAt(int(startPt_.y() - verticalOffset()));
    const int released = rowAt(at.y());
    if (!mouseDragged_ && pressed >= 0 && pressed == released && toController_)
        toController_->folderSyncClicked(this, pressed);
}

void ContentTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (columnAt(event->position().toPoint().x()) == syncColumn()) {
        // The first click of the pair was a sync click already.
        mouseDownInSyncColumn_ = false;
        event->accept();
        return;
    }
    DTableView::mouseDoubleClickEvent(event);
}

QMenu* ContentTableView::contextMenuAt(const QPoint& pos) {
    const int row = rowAt(pos.y());
    if (row < 0 || !toController_ || !selectionModel()) return nullptr;
    if (!selectionModel()->isRowSelected(row, rootIndex())) {
        const std::optional<QList<int>> chosen =
            toController_->selectionIndexesForProposedSelection(this, {row});
        const QList<int> rows = chosen ? *chosen : QList<int>{row};
        selectionModel()->clearSelection();
        for (int r : rows)
            selectionModel()->select(model()->index(r, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (rows.isEmpty()) return nullptr;
    }
    return toController_->menuForEvent(this);
}

void ContentTableView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (QMenu* menu = contextMenuAt(event->pos())) menu->popup(event->globalPos());
}
