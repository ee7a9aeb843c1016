#include "hud/cells/HUDSliderCell.h"

#include "hud/theme/HUDGradient.h"
#include "hud/theme/HUDShadow.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/cells/HorizSliderImage.h"
#include "hud/theme/KeloPilotColorCategory.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// The knob the platform lays out before the HUD sizes it.
constexpr double kKnobWidth = 19;
constexpr double kKnobHeight = 22;
constexpr int32_t kTrackImageWidth = 8 + 30;
// Focus-ring types that draw a ring.
constexpr int32_t kRingDefault = 0;
constexpr int32_t kRingExterior = 2;

double tickMarkLength(uint32_t controlSize) {
    switch (controlSize) {
        case 1:
            return 5;
        case 2:
            return 4;
        default:
            return 6;
    }
}

QPainterPath outline(const QRectF& rect, bool ticks, const QPolygonF& polygon) {
    QPainterPath path;
    if (ticks) {
        path.addPolygon(polygon);
        path.closeSubpath();
    } else {
        path.addEllipse(rect);
    }
    return path;
}

}  // namespace

HUDSliderCell::HUDSliderCell() = default;

HUDSliderCell::~HUDSliderCell() = default;

std::unique_ptr<HUDSliderCell> HUDSliderCell::initWithCoder(const QVariantMap& archive) {
    auto cell = std::make_unique<HUDSliderCell>();
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) cell->themeKey_ = key.toString();
    return cell;
}

QVariantMap HUDSliderCell::encodeWithCoder() const {
    QVariantMap archive;
    archive.insert(QStringLiteral("themeKey"), themeKey_);
    return archive;
}

void HUDSliderCell::setDoubleValue(double value) {
    value_ = std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

HUDTheme* HUDSliderCell::keyedTheme() const {
    return HUDThemeManager::keyedManager()->themeForKey(themeKey_);
}

QWidget* HUDSliderCell::drawingView() const {
    return drawingView_ ? drawingView_ : controlView_.data();
}

QRectF HUDSliderCell::viewBounds() const {
    const QWidget* view = drawingView();
    return view ? QRectF(view->rect()) : drawingFrame_;
}

bool HUDSliderCell::viewIsTable() const {
    return qobject_cast<QAbstractItemView*>(drawingView()) != nullptr;
}

void HUDSliderCell::drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView) {
    waitIfNeeded(controlView);
    QWidget* const previousView = drawingView_;
    const QRectF previousFrame = drawingFrame_;
    drawingView_ = controlView;
    drawingFrame_ = cellFrame;
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, true);
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, true);
    drawBarInside(ctx, barRectFlipped(true), true);
    if (numberOfTickMarks_ > 0) drawTickMarks(ctx);
    drawKnob(ctx, knobRectFlipped(true));
    ctx.restore();
    drawingView_ = previousView;
    drawingFrame_ = previousFrame;
}

QRectF HUDSliderCell::barRectFlipped(bool) const {
    QRectF rect;
    if (viewIsTable()) {
        rect = drawingFrame_;
        rect.translate(0, -5);
        rect.setHeight(rect.height() + 4);
    } else if (drawingView()) {
        rect = viewBounds();
    } else {
        rect = drawingFrame_;
    }
    if (!vertical_) rect.adjust(3, 0, -3, 0);
    if (barYoffset_ != 0) {
        rect.translate(0, barYoffset_);
        rect.setHeight(rect.height() - barYoffset_);
    }
    return rect;
}

QRectF HUDSliderCell::standardKnobRect(double value) const {
    const QRectF track = viewIsTable() ? drawingFrame_ : viewBounds();
    const double span = maxValue_ - minValue_;
    const double fraction = span == 0 ? 0 : std::clamp((value - minValue_) / span, 0.0, 1.0);
    if (vertical_) {
        // The maximum is at the top.
        return QRectF(track.x() + (track.width() - kKnobWidth) / 2,
                      track.y() + (1 - fraction) * (track.height() - kKnobHeight), kKnobWidth,
                      kKnobHeight);
    }
    return QRectF(track.x() + fraction * (track.width() - kKnobWidth),
                  track.y() + (track.height() - kKnobHeight) / 2, kKnobWidth, kKnobHeight);
}

QRectF HUDSliderCell::knobRectFlipped(bool) const {
    QRectF rect = standardKnobRect(value_);
    rect.setSize(QSizeF(kKnobWidth, kKnobHeight));
    if (!vertical_ && rect.y() < 0) rect.moveTop(0);
    if (barYoffset_ != 0) rect.translate(0, 6);
    return rect;
}

double HUDSliderCell::valueAtPoint(const QPointF& point) const {
    const QRectF track = viewIsTable() ? drawingFrame_ : viewBounds();
    double fraction;
    if (vertical_) {
        const double travel = track.height() - kKnobHeight;
        fraction = travel <= 0 ? 0 : 1 - (point.y() - track.y() - kKnobHeight / 2) / travel;
    } else {
        const double travel = track.width() - kKnobWidth;
        fraction = travel <= 0 ? 0 : (point.x() - track.x() - kKnobWidth / 2) / travel;
    }
    return minValue_ + std::clamp(fraction, 0.0, 1.0) * (maxValue_ - minValue_);
}

QRectF HUDSliderCell::rectOfTickMarkAtIndex(int index) const {
    if (numberOfTickMarks_ <= 0 || index < 0 || index >= numberOfTickMarks_) return {};
    const QRectF frame = drawingFrame_;
    const double fraction =
        numberOfTickMarks_ == 1 ? 0.5 : double(index) / (numberOfTickMarks_ - 1);
    const double length = tickMarkLength(controlSize_);
    if (vertical_) {
        const double y =
            frame.y() + kKnobHeight / 2 + (1 - fraction) * (frame.height() - kKnobHeight);
        const double x = tickMarkPosition_ == kTickMarkBelow ? frame.right() - length : frame.x();
        return QRectF(x, std::round(y), length, 1);
    }
    const double x = frame.x() + kKnobWidth / 2 + fraction * (frame.width() - kKnobWidth);
    const double y = tickMarkPosition_ == kTickMarkBelow ? frame.bottom() - length : frame.y();
    return QRectF(std::round(x), y, 1, length);
}

void HUDSliderCell::drawBarInside(QPainter& ctx, const QRectF& rect, bool) {
    if (sliderType_ != kLinearSlider) return;
    if (vertical_) {
        drawVerticalBarInFrame(ctx, rect);
        return;
    }
    if (rect.width() < 20 || rect.height() < 4) {
        drawHorizontalBarInFrame(ctx, rect.translated(0, -barYoffset_));
        return;
    }
    HorizSliderImage* entry = HorizSliderImage::imageForCell(this, rect);
    if (!entry) return;
    if (!entry->sliderTrackImg) {
        // Painted y-down and drawn y-down, so the shadows need no flipping.
        // Rendered at the caps' width rather than the first slider's: the
        // entry serves every length, and an image wider than a later bar
        // would lose that bar's left end when squeezed.
        entry->sliderTrackImg =
            std::make_unique<StretchImage>(8, 30, kTrackImageWidth, int32_t(rect.height()));
        if (QPainter* p = entry->sliderTrackImg->lockFocusAndClear()) {
            const QRectF local(0, viewIsTable() ? -5 : 0, kTrackImageWidth, rect.height());
            drawHorizontalBarInFrame(*p, local);
        }
        entry->sliderTrackImg->unlockFocusAndDraw(false);
    }
    entry->sliderTrackImg->drawCGImageInFrame(rect, ctx);
}

void HUDSliderCell::drawKnob(QPainter& ctx, const QRectF& knobRect) {
    if (sliderType_ != kLinearSlider) return;
    if (vertical_) {
        drawVerticalKnobInFrame(ctx, knobRect);
        return;
    }
    if (knobRect.width() < 4 || knobRect.height() < 4) {
        drawHorizontalKnobInFrame(ctx, knobRect);
        return;
    }
    HorizSliderImage* entry = HorizSliderImage::imageForCell(this, knobRect);
    if (!entry) return;
    if (!entry->sliderKnobImg) {
        entry->sliderKnobImg = std::make_unique<StretchImage>(8, 30, int32_t(knobRect.width()),
                                                              int32_t(knobRect.height()));
        if (QPainter* p = entry->sliderKnobImg->lockFocusAndClear()) {
            drawHorizontalKnobInFrame(*p, QRectF(QPointF(0, 0), knobRect.size()));
        }
        entry->sliderKnobImg->unlockFocusAndDraw(false);
    }
    ctx.drawImage(
        QRectF(knobRect.x() + thumbOffsetX_, knobRect.y(), knobRect.width(), knobRect.height()),
        entry->sliderKnobImg->cgImageRef());
}

QRectF HUDSliderCell::horizontalBarRect(const QRectF& frame) const {
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    const bool ticks = numberOfTickMarks_ > 0;
    const bool above = tickMarkPosition_ == kTickMarkAbove;
    // Centred bars use the middle of the frame itself, wherever it lies.
    const double middle = y + h / 2 - 2.5;
    switch (controlSize_) {
        case 0:
        case 3: {
            const double top = ticks ? (above ? y + h - 10 : y + 5) : middle;
            return QRectF(x + 2.5, top + 0.5, w - 5, 5);
        }
        case 1: {
            const double top = ticks ? (above ? y + h - 8 : y + 2) : middle;
            return QRectF(x + 0.5, top + 0.5, w - 1, 5);
        }
        case 2: {
            if (!ticks) return frame.adjusted(0.5, h / 2 - 1.5, -0.5, -(h / 2 - 1.5));
            const double top = above ? y + h - 6 : y + 2;
            return QRectF(x + 0.5, top + 0.5, w - 1, 3);
        }
        default:
            return frame;
    }
}

QRectF HUDSliderCell::verticalBarRect(const QRectF& frame) const {
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    const bool ticks = numberOfTickMarks_ > 0;
    const bool left = tickMarkPosition_ == kTickMarkAbove;
    switch (controlSize_) {
        case 0:
        case 3: {
            const double l = ticks ? (left ? x + w - 9 : x + 4) : x + w / 2 - 2.5;
            return QRectF(l + 0.5, y + 2.5, 5, h - 6);
        }
        case 1: {
            const double l = ticks ? (left ? x + w - 8 : x + 3) : x + w / 2 - 2.5;
            return QRectF(l + 0.5, y + 0.5, 5, h - 1);
        }
        case 2: {
            const double l = ticks ? (left ? x + w - 6.5 : x + 2.5) : x + w / 2 - 2;
            return QRectF(l + 1, y + 0.5, 3, h - 1);
        }
        default:
            return frame;
    }
}

void HUDSliderCell::drawHorizontalBarInFrame(QPainter& ctx, const QRectF& frame) {
    paintBar(ctx, horizontalBarRect(frame), true);
}

void HUDSliderCell::drawVerticalBarInFrame(QPainter& ctx, const QRectF& frame) {
    paintBar(ctx, verticalBarRect(frame), false);
}

void HUDSliderCell::paintBar(QPainter& ctx, const QRectF& rect, bool horizontal) {
    HUDTheme* t = keyedTheme();
    QPainterPath path;
    path.addRoundedRect(rect, 2, 2);
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, true);
    QColor stroke;
    if (horizontal && !enabled_) {
        ctx.fillPath(path, t->disabledSliderTrackColor());
        stroke = t->disabledStrokeColor();
    } else {
        const QColor fill = t->sliderTrackColor();
        const HUDShadow shadow = horizontal ? t->sliderTrackShadow() : HUDShadow();
        if (!shadow.isNull()) {
            shadow.paint(ctx, rect, [&](QPainter& p) { p.fillPath(path, fill); });
        }
        ctx.fillPath(path, fill);
        stroke = t->darkStrokeColor();
    }
    ctx.setBrush(Qt::NoBrush);
    ctx.setPen(QPen(stroke, 1));
    ctx.drawPath(path);
    ctx.restore();
}

QRectF HUDSliderCell::horizontalKnobRect(const QRectF& frame) const {
    const double x = frame.x(), y = frame.y();
    const bool ticks = numberOfTickMarks_ > 0;
    const bool above = tickMarkPosition_ == kTickMarkAbove;
    switch (controlSize_) {
        case 0:
        case 3:
            return ticks ? QRectF(x + 1, above ? y + 2 : y, 15, 19) : QRectF(x + 3, y + 3, 15, 15);
        case 1:
            return ticks ? QRectF(x + 1, above ? y + 1 : y, 11, 13) : QRectF(x + 2, y + 2, 11, 11);
        case 2:
            return ticks ? QRectF(x + 1, y + 1, 9, 9) : QRectF(x + 2, y + 1, 9, 9);
        default:
            return frame;
    }
}

QRectF HUDSliderCell::verticalKnobRect(const QRectF& frame) const {
    const double x = frame.x(), y = frame.y();
    const bool ticks = numberOfTickMarks_ > 0;
    switch (controlSize_) {
        case 0:
        case 3:
            return ticks ? QRectF(tickMarkPosition_ != 0 ? x + 3 : x, y + 2, 19, 15)
                         : QRectF(x + 3, y + 3, 15, 15);
        case 1:
            return ticks ? QRectF(x + 1, y + 1, 13, 11) : QRectF(x + 2, y + 2, 11, 11);
        case 2:
            return ticks ? QRectF(x, y + 1, 11, 9) : QRectF(x + 1, y + 1, 9, 9);
        default:
            return frame;
    }
}

QPolygonF HUDSliderCell::knobPolygon(const QRectF& rect, bool horizontal) const {
    QPolygonF points;
    if (horizontal) {
        const float x = float(rect.x()), y = float(rect.y());
        const float w = float(rect.width()), h = float(rect.height());
        auto add = [&](float px, float py) { points << QPointF(px, py); };
        if (tickMarkPosition_ == kTickMarkAbove) {
            add(x + w / 2, y + 1);
            add(x + w, y + h / 2 - 2);
            add(x + w, y + h - 2);
            add(x + w - 2, y + h);
            add(x + 2, y + h);
            add(x, y + h - 2);
            add(x, y + h / 2 - 2);
        } else {
            add(x + 2, y + 1);
            add(x + w - 2, y + 1);
            add(x + w, y + 3);
            add(x + w, y + h / 2 + 2);
            add(x + w / 2, y + h);
            add(x, y + h / 2 + 2);
            add(x, y + 3);
        }
        return points;
    }
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (tickMarkPosition_ == kTickMarkAbove) {
        points << QPointF(x, y + h / 2) << QPointF(x + w / 2 - 2, y) << QPointF(x + w - 2, y)
               << QPointF(x + w, y + 2) << QPointF(x + w, y + h - 2) << QPointF(x + w - 2, y + h)
               << QPointF(x + w / 2 - 2, y + h);
    } else {
        points << QPointF(x, y + 2) << QPointF(x + 2, y) << QPointF(x + w / 2 + 2, y)
               << QPointF(x + w, y + h / 2) << QPointF(x + w / 2 + 2, y + h)
               << QPointF(x + 2, y + h) << QPointF(x, y + h - 2);
    }
    return points;
}

void HUDSliderCell::drawHorizontalKnobInFrame(QPainter& ctx, const QRectF& frame) {
    paintKnob(ctx, frame, horizontalKnobRect(frame), true);
}

void HUDSliderCell::drawVerticalKnobInFrame(QPainter& ctx, const QRectF& frame) {
    paintKnob(ctx, frame, verticalKnobRect(frame), false);
}

void HUDSliderCell::paintKnob(QPainter& ctx, const QRectF& passed, const QRectF& rect,
                              bool horizontal) {
    // The horizontal knob follows the class-wide default theme like other controls.
    const HUDTheme* t = horizontal ? theme(this) : keyedTheme();
    const bool ticks = numberOfTickMarks_ > 0;
    const QRectF innerRect = rect.adjusted(1, 1, -1, -1);
    const QPainterPath outer =
        outline(rect, ticks, ticks ? knobPolygon(rect, horizontal) : QPolygonF());
    const QPainterPath inner =
        outline(innerRect, ticks, ticks ? knobPolygon(innerRect, horizontal) : QPolygonF());
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, true);
    if (enabled_) {
        ctx.save();
        if (horizontal) ctx.setClipRect(passed, Qt::IntersectClip);
        const bool ring =
            highlighted_ && (focusRingType_ == kRingDefault || focusRingType_ == kRingExterior);
        if (ring && !(horizontal && viewIsTable())) {
            const HUDShadow focus = t->focusRing();
            if (!focus.isNull()) {
                const QColor fill = t->darkStrokeColor();
                focus.paint(ctx, rect, [&](QPainter& p) { p.fillPath(outer, fill); });
            }
        }
        ctx.fillPath(outer, t->darkStrokeColor());
        ctx.restore();
    } else {
        ctx.fillPath(outer, t->disabledStrokeColor());
    }
    const HUDGradient gradient = !enabled_      ? t->disabledKnobColor()
                                 : highlighted_ ? t->highlightKnobColor()
                                                : t->knobColor();
    if (!gradient.isNull()) gradient.drawInBezierPath(ctx, inner, 90);
    ctx.restore();
}

void HUDSliderCell::drawTickMarks(QPainter& ctx) {
    const int32_t count = numberOfTickMarks_;
    if (count <= 0) return;
    const QColor colour = veryDimTextColor();
    const QWidget* view = drawingView();
    const bool inSlider = qobject_cast<const QAbstractSlider*>(view) != nullptr;
    const QRectF bounds = viewBounds();
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, false);
    for (int32_t i = 0; i < count; ++i) {
        QRectF mark = rectOfTickMarkAtIndex(i);
        if (inSlider && mark.bottom() > bounds.bottom())
            mark.moveTop(bounds.bottom() - mark.height() - 3);
        // A one-point frame: for marks one point wide this is the whole mark.
        const double edge = 1;
        ctx.fillRect(QRectF(mark.x(), mark.y(), mark.width(), edge), colour);
        ctx.fillRect(QRectF(mark.x(), mark.bottom() - edge, mark.width(), edge), colour);
        ctx.fillRect(QRectF(mark.x(), mark.y(), edge, mark.height()), colour);
        ctx.fillRect(QRectF(mark.right() - edge, mark.y(), edge, mark.height()), colour);
    }
    ctx.restore();
}
