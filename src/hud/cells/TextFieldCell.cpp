#include "hud/cells/TextFieldCell.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {
// Border plus the text's own margin on each side.
constexpr double kBezelInsetX = 2.0;
constexpr double kBezelInsetY = 2.0;
}  // namespace

TextFieldCell::TextFieldCell(const QString& text)
    : value_(text), font_(AttributedString::defaultFont()) {}

QRectF TextFieldCell::drawingRectForBounds(const QRectF& bounds, const QWidget*) const {
    if (!bezeled_ && !bordered_) return bounds.adjusted(kBezelInsetX, 0, -kBezelInsetX, 0);
    return bounds.adjusted(kBezelInsetX, kBezelInsetY, -kBezelInsetX, -kBezelInsetY);
}

QRectF TextFieldCell::titleRectForBounds(const QRectF& bounds) const {
    return drawingRectForBounds(bounds, nullptr);
}

QSizeF TextFieldCell::cellSizeForBounds(const QRectF&) const {
    const QFontMetricsF metrics(font_);
    const double frame = (bezeled_ || bordered_) ? 2 * kBezelInsetY : 0.0;
    return {metrics.horizontalAdvance(stringValue()) + 2 * kBezelInsetX,
            std::ceil(metrics.height()) + frame};
}

void TextFieldCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    if (drawsBackground_) painter.fillRect(frame, backgroundColor_);
    if (bezeled_ || bordered_) {
        painter.save();
        painter.setPen(QPen(enabled_ ? QColor(Qt::darkGray) : QColor(Qt::lightGray), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.restore();
    }
    drawInteriorWithFrame(painter, frame, view);
}

AttributedString TextFieldCell::displayedValue() const {
    return value_;
}

void TextFieldCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    const QRectF rect = drawingRectForBounds(frame, view);
    AttributedString text = displayedValue();
    if (text.isEmpty()) {
        if (attributedPlaceholder_) {
            text = *attributedPlaceholder_;
        } else {
            text = AttributedString(placeholder_);
            text.modifyAttributes({0, text.length()},
                                  [](TextAttributes& a) { a.foreground = QColor(Qt::gray); });
        }
    }
    drawText(painter, text, rect);
}

void TextFieldCell::drawText(QPainter& painter, const AttributedString& source,
                             const QRectF& rect) const {
    if (source.isEmpty()) return;
    AttributedString text = source;
    const QColor colour = textColor_;
    const QFont font = font_;
    text.modifyAttributes({0, text.length()}, [&](TextAttributes& a) {
        if (!a.foreground) a.foreground = colour;
        if (!a.font) a.font = font;
    });
    QRectF place = rect;
    const double width = text.size().width();
    if (alignment_ & Qt::AlignRight) {
        place.setLeft(rect.right() - width);
    } else if (alignment_ & Qt::AlignHCenter) {
        place.setLeft(rect.left() + (rect.width() - width) / 2);
    }
    place.setRight(rect.right());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    text.draw(painter, place);
    painter.restore();
}
