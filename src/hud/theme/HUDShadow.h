#pragma once

#include <QColor>
#include <QPointF>

#include <functional>

class QPainter;
class QRectF;

// A drop shadow as the themes describe it. The offset is in y-up units
// (negative y falls downwards on screen), whatever the painter's transform,
// which is why the themes keep flipped copies for drawing into images that
// are turned over afterwards.
class HUDShadow {
public:
    HUDShadow() = default;
    HUDShadow(const QColor& color, const QPointF& offset, double blurRadius)
        : color_(color), offset_(offset), blurRadius_(blurRadius) {}

    bool isNull() const { return !color_.isValid(); }
    QColor shadowColor() const { return color_; }
    QPointF shadowOffset() const { return offset_; }
    double shadowBlurRadius() const { return blurRadius_; }
    // The offset in device pixels of a y-down surface.
    QPointF deviceOffset() const { return {offset_.x(), -offset_.y()}; }

    // Paints the shadow of what `drawShape` draws inside `bounds` (user
    // space of the painter): the shape's coverage in the shadow colour,
    // blurred and moved by the offset. The shape itself is not drawn.
    void paint(QPainter& painter, const QRectF& bounds,
               const std::function<void(QPainter&)>& drawShape) const;

private:
    QColor color_;
    QPointF offset_;
    double blurRadius_ = 0;
};
