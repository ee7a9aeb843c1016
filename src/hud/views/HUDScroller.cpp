#include "hud/views/HUDScroller.h"

#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/VNSViewCategory.h"

#include <QPainter>
#include <QStyleOptionSlider>

HUDScroller::HUDScroller(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

HUDTheme* HUDScroller::theme() const {
    HUDThemeManager* manager = HUDThemeManager::keyedManager();
    if (windowIsPanel(this)) return manager->themeForKey(QString::fromLatin1(kHUDFlatThemeKey));
    for (const QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (const auto* keyed = dynamic_cast<const HUDThemeKeyProtocol*>(up)) {
            return manager->themeForKey(keyed->themeKey());
        }
    }
    return manager->themeForKey(QString::fromLatin1(kHUDGradientThemeKey));
}

double HUDScroller::knobProportion() const {
    const double range = double(maximum()) - double(minimum());
    const double page = pageStep();
    if (range <= 0 || page + range <= 0) return 1.0;
    return page / (page + range);
}

QRectF HUDScroller::knobRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return QRectF(
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this));
}

QPainterPath HUDScroller::knobPath(const QRectF& knob, bool horizontal) {
    const double x = knob.x(), y = knob.y(), w = knob.width(), h = knob.height();
    QPainterPath path;
    if (horizontal) {
        const double r = (h - 1) / 2, cy = y + (h - 1) / 2;
        const double left = x + (h - 0.5) / 2, right = x + w - (h - 0.5) / 2;
        path.moveTo(left, cy + r);
        path.arcTo(QRectF(left - r, cy - r, 2 * r, 2 * r), 270, -180);
        path.lineTo(right, cy - r);
        path.arcTo(QRectF(right - r, cy - r, 2 * r, 2 * r), 90, -180);
    } else {
        const double r = (w - 2) / 2, cx = x + (w - 0.5) / 2;
        const double top = y + r, bottom = y + h - r;
        path.moveTo(cx - r, top);
        path.arcTo(QRectF(cx - r, top - r, 2 * r, 2 * r), 180, -180);
        path.lineTo(cx + r, bottom);
        path.arcTo(QRectF(cx - r, bottom - r, 2 * r, 2 * r), 0, -180);
    }
    path.closeSubpath();
    return path;
}

void HUDScroller::paintEvent(QPaintEvent*) {
    waitIfNeeded(this);
    QPainter painter(this);
    drawKnobSlotInRect(painter, QRectF(rect()));
    if (hasUsableParts() && knobProportion() < 1.0) drawKnob(painter);
}

void HUDScroller::drawKnobSlotInRect(QPainter& painter, const QRectF&) {
    painter.fillRect(rect(), theme()->sliderTrackColor());
}

void HUDScroller::drawKnob(QPainter& painter) {
    if (width() < 40 && height() < 40) return;
    const QRectF knob = knobRect();
    if (knob.isEmpty()) return;
    const bool horizontal = width() > height();
    const HUDTheme* t = theme();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(knobPath(knob, horizontal), t->scrollerStroke());
    t->scrollerKnobGradient().drawInBezierPath(
        painter, knobPath(knob.adjusted(1, 1, -1, -1), horizontal), horizontal ? 90 : 0);
}
