#include "hud/views/DTableView.h"

#include "hud/views/DeleteKeyDelegate.h"
#include "hud/views/DoubleClickTableDelegate.h"
#include "hud/views/MouseHoverProtocol.h"
#include "hud/views/TableViewDelegate.h"

#include <QAbstractItemDelegate>
#include <QContextMenuEvent>
#include <QEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

int32_t DTableView::sVisRectIncrement = 1;
bool DTableView::sDoingDrawRect = false;

DTableView::DTableView(QWidget* parent) : HUDTableView(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this] { textDidEndEditing(); });
    adjustTrackingArea();
}

DTableView::~DTableView() = default;

void DTableView::awakeFromNib() {
    HUDTableView::awakeFromNib();
    flashRow_ = kNSNotFound;
}

bool DTableView::validRow(quint64 row) const {
    return model() && row < quint64(model()->rowCount(rootIndex()));
}

void DTableView::resetCursorRects() {
    adjustTrackingArea();
}

void DTableView::adjustTrackingArea() {
    HUDTableView::adjustTrackingArea();
    // The pointer may already be inside: take it as a movement.
    if (viewport()->underMouse()) mouseMoved(viewport()->mapFromGlobal(QCursor::pos()), false);
}

void DTableView::mouseMoved(const QPoint& pos, bool) {
    const quint64 row = quint64(qint64(rowAt(pos.y())));
    const quint64 column = quint64(qint64(columnAt(pos.x())));
    if (row != mouseHoverRow_ || column != mouseHoverColumn_) {
        if (validRow(mouseHoverRow_)) viewport()->update(rowStrip(mouseHoverRow_).toAlignedRect());
        mouseHoverRow_ = row;
        mouseHoverColumn_ = column;
        if (validRow(row)) viewport()->update(rowStrip(row).toAlignedRect());
    }
    if (auto* hover = dynamic_cast<MouseHoverProtocol*>(delegate_)) {
        hover->showMouseHoverInfo(this,
                                  QPointF(pos) + QPointF(horizontalOffset(), verticalOffset()));
    }
}

void DTableView::mouseEntered(const QPoint& pos) {
    if (pos.x() >= 0 && pos.x() <= viewport()->x() + viewport()->width()) {
        mouseMoved(pos, false);
    } else {
        mouseExited(false);
    }
}

void DTableView::mouseExited(bool) {
    if (validRow(mouseHoverRow_)) viewport()->update(rowStrip(mouseHoverRow_).toAlignedRect());
    mouseHoverRow_ = kNSNotFound;
    mouseHoverColumn_ = kNSNotFound;
    if (auto* hover = dynamic_cast<MouseHoverProtocol*>(delegate_))
        hover->resetMouseHoverInfo(this);
}

void DTableView::mousePressEvent(QMouseEvent* event) {
    // Read by visibleRow().
    setProperty("clickedRow", rowAt(event->position().toPoint().y()));
    HUDTableView::mousePressEvent(event);
}

void DTableView::mouseMoveEvent(QMouseEvent* event) {
    mouseMoved(event->position().toPoint(), true);
    HUDTableView::mouseMoveEvent(event);
}

bool DTableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Enter) {
        mouseEntered(static_cast<QEnterEvent*>(event)->position().toPoint());
    } else if (event->type() == QEvent::Leave) {
        mouseExited(true);
    }
    return HUDTableView::viewportEvent(event);
}

TextFieldCell* DTableView::preparedCellAtColumn(int column, int row) {
    TextFieldCell* cell = HUDTableView::preparedCellAtColumn(column, row);
    if (auto* hover = dynamic_cast<MouseHoverCell*>(cell)) {
        hover->mouseHoverCell(quint64(qint64(row)) == mouseHoverRow_ &&
                              quint64(qint64(column)) == mouseHoverColumn_);
    }
    return cell;
}

QMenu* DTableView::menuForEvent(const QPoint& pos) {
    const int row = rowAt(pos.y());
    if (row < 0) return menu_;
    QList<int> proposed{row};
    std::optional<QList<int>> replaced;
    if (delegate_) replaced = delegate_->selectionIndexesForProposedSelection(this, proposed);
    if (replaced) {
        proposed = *replaced;
    } else if (delegate_ && delegate_->shouldSelectRow(this, row) == false) {
        return menu_;
    }
    QItemSelection selection;
    for (int r : proposed) {
        selection.select(model()->index(r, 0, rootIndex()),
                         model()->index(r, model()->columnCount(rootIndex()) - 1, rootIndex()));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    return menu_;
}

void DTableView::contextMenuEvent(QContextMenuEvent* event) {
    if (QMenu* menu = menuForEvent(event->pos())) menu->popup(event->globalPos());
    event->accept();
}

void DTableView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
        if (auto* target = dynamic_cast<DeleteKeyDelegate*>(delegate_)) {
            const QModelIndexList rows = selectionModel()->selectedRows();
            qint64 row = -1;
            if (selectionModel()->isRowSelected(currentIndex().row(), rootIndex())) {
                row = currentIndex().row();
            } else if (!rows.isEmpty()) {
                row = rows.first().row();
            }
            target->deleteKeyPressed(this, row);
            event->accept();
            return;
        }
    }
    HUDTableView::keyPressEvent(event);
}

void DTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    HUDTableView::mouseDoubleClickEvent(event);
    auto* target = dynamic_cast<DoubleClickTableDelegate*>(delegate_);
    if (!target || !model()) return;
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    if (column < 0 || column >= model()->columnCount(rootIndex())) return;
    const QModelIndexList selected = selectionModel()->selectedRows();
    const bool multi = selected.size() >= 2 && selectionModel()->isRowSelected(row, rootIndex());
    TextFieldCell* prepared = preparedCellAtColumn(column, row);
    std::unique_ptr<TextFieldCell> copy = prepared ? prepared->clone() : nullptr;
    if (multi) {
        target->doubleClickMultiRows(this, event, column, row, std::move(copy));
    } else {
        target->doubleClickSingleRow(this, event, column, row, std::move(copy));
    }
}

QRectF DTableView::rowStrip(quint64 row) const {
    const QRect cell = visualRect(model()->index(int(row), 0, rootIndex()));
    return QRectF(0, cell.y(), viewport()->width(), cell.height());
}

void DTableView::setFlashRow(quint64 row) {
    if (validRow(flashRow_)) viewport()->update(rowStrip(flashRow_).toAlignedRect());
    if (validRow(row)) viewport()->update(rowStrip(row).toAlignedRect());
    flashRow_ = row;
}

void DTableView::paintEvent(QPaintEvent* event) {
    ++sVisRectIncrement;
    sDoingDrawRect = true;
    HUDTableView::paintEvent(event);
    {
        QPainter painter(viewport());
        customDrawFlashRow(painter, QRectF(event->rect()));
    }
    sDoingDrawRect = false;
}

void DTableView::customDrawFlashRow(QPainter& painter, const QRectF& dirty) {
    if (!validRow(flashRow_)) return;
    const QRectF cell(visualRect(model()->index(int(flashRow_), 0, rootIndex())));
    if (!cell.intersects(dirty)) return;
    const QRectF frame(dirty.x(), cell.y(), dirty.width(), cell.height());
    QColor colour = Qt::white;
    if (flashType_ == 1) {
        const uint8_t was = flashToggle_;
        flashToggle_ = was ? 0 : 1;
        colour = was ? QColor(Qt::yellow) : QColor(Qt::white);
    }
    painter.save();
    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.restore();
}

QRectF DTableView::standardVisibleRect() const {
    return QRectF(horizontalOffset(), verticalOffset(), viewport()->width(), viewport()->height());
}

QPointF DTableView::standardOrigin() const {
    return QPointF(viewport()->mapTo(window(), QPoint(-horizontalOffset(), -verticalOffset())));
}

DTableView::ConvertRectCache DTableView::convertRectCache() {
    if (rectCache_.visRectIncrement == sVisRectIncrement) return rectCache_;
    rectCache_.clipBounds =
        QRectF(viewport()->rect()).translated(horizontalOffset(), verticalOffset());
    rectCache_.docRect = QRectF(0, 0, horizontalHeader()->length(), verticalHeader()->length());
    rectCache_.visRect = standardVisibleRect();
    rectCache_.rootOffset = standardOrigin();
    rectCache_.visRectIncrement = sVisRectIncrement;
    return rectCache_;
}

QRectF DTableView::visibleRect() {
    if (sDoingDrawRect) return convertRectCache().visRect;
    return standardVisibleRect();
}

QPointF DTableView::convertPoint(const QPointF& point, const QWidget* view) {
    if (view == this) return point;
    if (sDoingDrawRect && !view) return point + convertRectCache().rootOffset;
    const QPointF global =
        viewport()->mapToGlobal(point - QPointF(horizontalOffset(), verticalOffset()));
    return view ? view->mapFromGlobal(global) : window()->mapFromGlobal(global);
}

QRectF DTableView::convertRectToView(const QRectF& rect, const QWidget* view) {
    if (view == this) return rect;
    if (sDoingDrawRect && !view) return rect.translated(convertRectCache().rootOffset);
    return QRectF(convertPoint(rect.topLeft(), view), rect.size());
}

QRectF DTableView::convertRectFromView(const QRectF& rect, const QWidget* view) {
    if (view == this) return rect;
    if (sDoingDrawRect && !view) return rect.translated(-convertRectCache().rootOffset);
    const QWidget* from = view ? view : window();
    const QPointF global = from->mapToGlobal(rect.topLeft());
    return QRectF(viewport()->mapFromGlobal(global) + QPointF(horizontalOffset(), verticalOffset()),
                  rect.size());
}

QUndoStack* DTableView::undoManagerForTextView() {
    if (!textEditUndoManager_) textEditUndoManager_ = std::make_unique<QUndoStack>();
    return textEditUndoManager_.get();
}

void DTableView::textDidEndEditing() {
    textEditUndoManager_.reset();
}
