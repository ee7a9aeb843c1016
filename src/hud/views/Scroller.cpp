#include "hud/views/Scroller.h"

#include "hud/theme/KeloUIAttributes.h"
#include "hud/cells/MitreRect.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionSlider>

Scroller::Scroller(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

double Scroller::knobProportion() const {
    const double range = double(maximum()) - double(minimum());
    const double page = pageStep();
    if (range <= 0 || page + range <= 0) return 1.0;
    return page / (page + range);
}

int Scroller::scrollerWidthForControlSize(int) {
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

QRectF Scroller::part(int subControl) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return QRectF(style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                          QStyle::SubControl(subControl), this));
}

void Scroller::paintEvent(QPaintEvent* event) {
    if (!attributes_) attributes_ = KeloUIAttributes::attributes();
    QPainter painter(this);
    painter.fillRect(event->rect(), attributes_->bgColour());
    drawKnobSlotInRect(painter, part(QStyle::SC_ScrollBarGroove));
    drawKnob(painter);
    drawArrow(painter);
}

void Scroller::drawKnobSlotInRect(QPainter& painter, const QRectF& slot) {
    painter.fillRect(slot, hasUsableParts() ? attributes_->angColour() : attributes_->bgColour());
}

void Scroller::drawKnob(QPainter& painter) {
    // Without usable parts there is no knob to draw.
    if (!hasUsableParts()) return;
    const QRectF k = part(QStyle::SC_ScrollBarSlider);
    if (k.isEmpty()) return;
    const QColor lit = attributes_->litColour(), ang = attributes_->angColour(),
                 drk = attributes_->drkColour();
    painter.fillRect(k.adjusted(1, 1, -1, -1), lit);
    painter.setPen(QPen(lit, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(k.adjusted(0.5, 0.5, -0.5, -0.5));
    MitreRect(painter, k, MitreEdgeMaxY, 1, drk);
    MitreRect(painter, k, MitreEdgeMinY, 1, lit);
    MitreRect(painter, k, MitreEdgeMinX | MitreEdgeMaxX, 1, ang);
    drawBezelForRect(painter, k.adjusted(1, 1, -1, -1), lit, ang, drk, 1, 4, true);
}

void Scroller::drawArrow(QPainter& painter) {
    const QRectF a = part(QStyle::SC_ScrollBarSubLine);
    if (a.isEmpty()) return;
    const QColor lit = attributes_->litColour(), drk = attributes_->drkColour();
    MitreRect(painter, a, MitreEdgeMaxY, 1, drk);
    MitreRect(painter, a, MitreEdgeMinY, 1, lit);
    MitreRect(painter, a, MitreEdgeMinX | MitreEdgeMaxX, 1, drk);
    const QRectF r = a.adjusted(2, 2, -2, -2);
    QPainterPath triangle;
    triangle.moveTo(r.x() + r.width() / 2, r.y());
    triangle.lineTo(r.x() + r.width() / 2 + 0.3 * r.width(), r.y() + r.height());
    triangle.lineTo(r.x() + r.width() / 2 - 0.3 * r.width(), r.y() + r.height());
    triangle.closeSubpath();
    painter.fillPath(triangle, lit);
}
