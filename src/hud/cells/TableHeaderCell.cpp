#include "hud/cells/TableHeaderCell.h"

#include <QPainter>
#include <QPainterPath>

TableHeaderCell::TableHeaderCell(const QString& title) : TextFieldCell(title) {}

void TableHeaderCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    highlight(painter, highlighted_, frame, view);
}

void TableHeaderCell::highlight(QPainter& painter, bool flag, const QRectF& frame, QWidget* view) {
    painter.fillRect(frame, flag ? QColor(200, 200, 200) : QColor(235, 235, 235));
    drawInteriorWithFrame(painter, frame, view);
}

QRectF TableHeaderCell::sortIndicatorRectForBounds(const QRectF& frame) const {
    return {frame.right() - 14, frame.center().y() - 4, 9, 8};
}

void TableHeaderCell::drawSortIndicatorWithFrame(QPainter& painter, const QRectF& frame, QWidget*,
                                                 bool ascending, int priority) {
    if (priority != 0) return;
    const QRectF r = sortIndicatorRectForBounds(frame);
    QPainterPath path;
    const double tip = ascending ? r.top() : r.bottom();
    const double base = ascending ? r.bottom() : r.top();
    path.moveTo(r.left(), base);
    path.lineTo(r.right(), base);
    path.lineTo(r.center().x(), tip);
    path.closeSubpath();
    painter.fillPath(path, textColor());
}
