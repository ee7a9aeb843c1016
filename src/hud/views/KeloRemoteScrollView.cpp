#include "hud/views/KeloRemoteScrollView.h"

#include "hud/theme/KeloUIAttributes.h"
#include "hud/cells/MitreRect.h"
#include "hud/views/ScrollViewEventDelegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

KeloRemoteScrollView::KeloRemoteScrollView(QWidget* parent) : QScrollArea(parent) {
    // The bevel takes the 2-point border.
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(2);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

bool KeloRemoteScrollView::event(QEvent* event) {
    if (event->type() != QEvent::Paint) return QScrollArea::event(event);
    const bool handled = QScrollArea::event(event);
    drawFrame();
    return handled;
}

void KeloRemoteScrollView::drawFrame() {
    if (!attributes_) attributes_ = KeloUIAttributes::attributes();
    QPainter painter(this);
    const QRectF b(rect());
    const QColor bg = attributes_->bgColour();
    painter.fillRect(QRectF(b.x(), b.y(), 2, 2), bg);
    painter.fillRect(QRectF(b.right() - 2, b.y(), 2, 2), bg);
    painter.fillRect(QRectF(b.x(), b.bottom() - 2, 2, 2), bg);
    painter.fillRect(QRectF(b.right() - 2, b.bottom() - 2, 2, 2), bg);
    const QScrollBar* v = verticalScrollBar();
    const QScrollBar* h = horizontalScrollBar();
    if (v->isVisible() && h->isVisible()) {
        const double vw = v->width(), hh = h->height();
        painter.fillRect(QRectF(b.x() + b.width() - vw - 2, b.y() + b.height() - hh - 2, vw, hh),
                         bg);
    }
    drawBezelForRect(painter, b, attributes_->litColour(), attributes_->angColour(),
                     attributes_->drkColour(), 2.0, 4, true);
}

void KeloRemoteScrollView::mousePressEvent(QMouseEvent* event) {
    if (eventDelegate_) {
        eventDelegate_->mouseDown(event);
        return;
    }
    QScrollArea::mousePressEvent(event);
}

void KeloRemoteScrollView::dragEnterEvent(QDragEnterEvent* event) {
    forwardDragEnter(eventDelegate_, event);
}

void KeloRemoteScrollView::dragMoveEvent(QDragMoveEvent* event) {
    event->accept();
}

void KeloRemoteScrollView::dropEvent(QDropEvent* event) {
    forwardDrop(eventDelegate_, event);
}
