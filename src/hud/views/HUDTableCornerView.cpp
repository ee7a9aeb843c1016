#include "hud/views/HUDTableCornerView.h"

#include "hud/theme/HUDTheme.h"

#include <QPaintEvent>
#include <QPainter>

HUDTableCornerView::HUDTableCornerView(const QString& themeKey, QWidget* parent)
    : QWidget(parent), themeKey_(themeKey) {}

void HUDTableCornerView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    drawRect(painter, QRectF(event->rect()));
}

void HUDTableCornerView::drawRect(QPainter& painter, const QRectF& dirty) {
    QRectF b(rect());
    // The last column of pixels belongs to the scroller's edge.
    if (dirty.x() + dirty.width() == b.x() + b.width()) b.setWidth(b.width() - 1);
    HUDTheme* t = theme(this);
    painter.fillRect(b, t->tableHeaderCellBorderColor());
    // Top to bottom, as the header cells beside it.
    t->tableHeaderCellNormalFill().drawInRect(painter, b.adjusted(1, 1, -1, -1), 90);
}
