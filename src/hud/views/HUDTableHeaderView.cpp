#include "hud/views/HUDTableHeaderView.h"

#include <QPainter>

HUDTableHeaderView::HUDTableHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

HUDTableHeaderView::~HUDTableHeaderView() = default;

TableHeaderCell* HUDTableHeaderView::headerCell(int column) {
    auto& cell = cells_[column];
    if (!cell) cell = std::make_unique<TableHeaderCell>();
    return cell.get();
}

void HUDTableHeaderView::setHeaderCell(int column, std::unique_ptr<TableHeaderCell> cell) {
    cells_[column] = std::move(cell);
    viewport()->update();
}

void HUDTableHeaderView::paintSection(QPainter* painter, const QRect& rect,
                                      int logicalIndex) const {
    auto* self = const_cast<HUDTableHeaderView*>(this);
    TableHeaderCell* cell = self->headerCell(logicalIndex);
    if (model()) {
        const QVariant title = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole);
        if (title.isValid()) cell->setStringValue(title.toString());
    }
    cell->setEnabled(isEnabled());
    cell->setHighlighted(highlightSections() && selectionModel() &&
                         selectionModel()->columnIntersectsSelection(logicalIndex, rootIndex()));
    painter->save();
    cell->drawWithFrame(*painter, QRectF(rect), viewport());
    if (isSortIndicatorShown() && sortIndicatorSection() == logicalIndex) {
        cell->drawSortIndicatorWithFrame(*painter, QRectF(rect), viewport(),
                                         sortIndicatorOrder() == Qt::AscendingOrder, 0);
    }
    painter->restore();
}
