#include "hud/cells/HUDStepperCell.h"

#include <QPainter>

void HUDStepperCell::drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView) {
    Q_UNUSED(controlView);
    const QRectF r = cellFrame.adjusted(2, 2, -2, -2);
    if (r.width() <= 0 || r.height() <= 0) return;
    // A one-pixel frame inside the rectangle, edge by edge.
    const QColor red(255, 0, 0);
    ctx.fillRect(QRectF(r.x(), r.y(), r.width(), 1), red);
    ctx.fillRect(QRectF(r.x(), r.bottom() - 1, r.width(), 1), red);
    ctx.fillRect(QRectF(r.x(), r.y(), 1, r.height()), red);
    ctx.fillRect(QRectF(r.right() - 1, r.y(), 1, r.height()), red);
}

void HUDStepperCell::mouseDown(QMouseEvent* event) {
    Q_UNUSED(event);
}

void HUDStepperCell::rightMouseDown(QMouseEvent* event) {
    Q_UNUSED(event);
}
