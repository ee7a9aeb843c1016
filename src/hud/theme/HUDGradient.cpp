#include "hud/theme/HUDGradient.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <algorithm>
#include <cmath>

namespace {
// Two stops at one location make a hard edge; QGradient keeps only the last
// of them, so the later one moves this far along.
constexpr double kStopNudge = 1e-6;
}  // namespace

HUDGradient::HUDGradient(const QColor& start, const QColor& end) {
    stops_ = {{0.0, start}, {1.0, end}};
}

HUDGradient::HUDGradient(const QList<QColor>& colors, const QList<double>& locations) {
    const qsizetype n = std::min(colors.size(), locations.size());
    for (qsizetype i = 0; i < n; ++i) stops_.append({locations[i], colors[i]});
    std::stable_sort(
        stops_.begin(), stops_.end(),
        [](const QGradientStop& a, const QGradientStop& b) { return a.first < b.first; });
}

HUDGradient HUDGradient::withSingleColor(const QColor& color) {
    return HUDGradient(color, color);
}

QColor HUDGradient::interpolatedColorAtLocation(double location) const {
    if (stops_.isEmpty()) return {};
    if (location <= stops_.first().first) return stops_.first().second;
    if (location >= stops_.last().first) return stops_.last().second;
    for (qsizetype i = 1; i < stops_.size(); ++i) {
        const QGradientStop& hi = stops_[i];
        if (location > hi.first) continue;
        const QGradientStop& lo = stops_[i - 1];
        const double span = hi.first - lo.first;
        const double t = span > 0 ? (location - lo.first) / span : 1.0;
        return blendedColorWithFraction(lo.second, t, hi.second);
    }
    return stops_.last().second;
}

QLinearGradient HUDGradient::linearGradient(const QRectF& rect, double angle) const {
    const double radians = angle * M_PI / 180.0;
    const double dx = std::cos(radians);
    const double dy = std::sin(radians);
    const double half = (std::abs(rect.width() * dx) + std::abs(rect.height() * dy)) / 2.0;
    const QPointF centre = rect.center();
    QLinearGradient gradient(centre - QPointF(dx, dy) * half, centre + QPointF(dx, dy) * half);
    QGradientStops stops;
    for (const QGradientStop& stop : stops_) {
        double at = std::clamp(stop.first, 0.0, 1.0);
        if (!stops.isEmpty() && at <= stops.last().first) at = stops.last().first + kStopNudge;
        if (at > 1.0) {
            // No room after a hard edge at the very end: the later colour wins.
            stops.last().second = stop.second;
            continue;
        }
        stops.append({at, stop.second});
    }
    gradient.setStops(stops);
    return gradient;
}

void HUDGradient::drawInRect(QPainter& painter, const QRectF& rect, double angle) const {
    if (isNull()) return;
    painter.fillRect(rect, QBrush(linearGradient(rect, angle)));
}

void HUDGradient::drawInBezierPath(QPainter& painter, const QPainterPath& path,
                                   double angle) const {
    if (isNull()) return;
    painter.fillPath(path, QBrush(linearGradient(path.boundingRect(), angle)));
}

QColor blendedColorWithFraction(const QColor& color, double fraction, const QColor& other) {
    const QColor a = color.toRgb();
    const QColor b = other.toRgb();
    const double f = std::clamp(fraction, 0.0, 1.0);
    auto mix = [f](float x, float y) { return x + (y - x) * f; };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()),
                            mix(a.blueF(), b.blueF()), mix(a.alphaF(), b.alphaF()));
}
