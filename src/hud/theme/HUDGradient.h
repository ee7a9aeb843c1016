#pragma once

#include <QColor>
#include <QGradientStops>
#include <QLinearGradient>
#include <QList>

class QPainter;
class QPainterPath;
class QRectF;

// A theme gradient: colours at locations 0..1, drawn at an angle in the
// painter's user space (90 runs from the lowest y to the highest). A default
// constructed gradient is the "no gradient" answer of a theme.
class HUDGradient {
public:
    HUDGradient() = default;
    HUDGradient(const QColor& start, const QColor& end);
    HUDGradient(const QList<QColor>& colors, const QList<double>& locations);
    // A gradient of one colour: the same colour at 0 and 1.
    static HUDGradient withSingleColor(const QColor& color);

    bool isNull() const { return stops_.isEmpty(); }
    const QGradientStops& stops() const { return stops_; }
    int numberOfColorStops() const { return int(stops_.size()); }

    QColor interpolatedColorAtLocation(double location) const;
    // The gradient laid over the rectangle so that both ends touch its
    // corners, as a brush for QPainter.
    QLinearGradient linearGradient(const QRectF& rect, double angle) const;
    void drawInRect(QPainter& painter, const QRectF& rect, double angle) const;
    void drawInBezierPath(QPainter& painter, const QPainterPath& path, double angle) const;

private:
    QGradientStops stops_;
};

// Mixes `fraction` of `other` into `color` in RGB, alpha included.
QColor blendedColorWithFraction(const QColor& color, double fraction, const QColor& other);
