#include "outputs/MixGeometry.h"

#include <QString>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cmath>
#include <limits>

void m3_product(const M3& a, const M3& b, M3& out) {
    M3 r{};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r[row * 3 + col] = a[row * 3] * b[col] + a[row * 3 + 1] * b[3 + col] +
                               a[row * 3 + 2] * b[6 + col];
    out = r;
}

void m3_translate(M3& m, double tx, double ty) {
    M3 t = m3_identity;
    t[2] = tx;
    t[5] = ty;
    m3_product(t, m, m);
}

void m3_rotate(M3& m, double degrees) {
    const double n = -degrees;
    const double r = std::fmod(n, 180.0);
    double s, c;
    if (std::fabs(r) == 90.0) {
        // Multiples of 90 degrees come out exact, without sine rounding.
        s = std::fabs(std::fmod(n, 360.0)) == 270.0 ? r / -90.0 : r / 90.0;
        c = 0;
    } else if (r == 0.0) {
        s = 0;
        c = std::fmod(n, 360.0) == 0.0 ? 1.0 : -1.0;
    } else {
        const double radians = degrees * -0.017453292519943295;
        s = std::sin(radians);
        c = std::cos(radians);
    }
    const M3 rotation = {c, s, 0, -s, c, 0, 0, 0, 1};
    const M3 copy = m;
    m3_product(rotation, copy, m);
}

void m3_transform(const M3& m, QPointF& p) {
    const double x = p.x(), y = p.y();
    const double w = m[6] * x + m[7] * y + m[8];
    const double xp = m[0] * x + m[1] * y + m[2];
    const double yp = m[3] * x + m[4] * y + m[5];
    const float fw = float(w);
    p = QPointF(double(float(xp) / fw), double(float(yp) / fw));
}

QPointF offsetPoint(QPointF point, float dx, float dy) {
    return {point.x() + dx, point.y() + dy};
}

QPointF tweenPoint(QPointF a, QPointF b) {
    return midPointForFirstPoint(a, b);
}

QPointF midPointForFirstPoint(QPointF a, QPointF b) {
    return {(a.x() + b.x()) * 0.5, (a.y() + b.y()) * 0.5};
}

QPointF rotatePoint(float x, float y, float s, float c) {
    return {double(x * c - y * s), double(x * s + y * c)};
}

std::vector<QPointF> drawPointsForFirstPoint(QPointF a, QPointF b) {
    // Along the segment from the larger coordinate to the smaller.
    bool byY;
    if (a.x() == b.x())
        byY = true;
    else if (a.y() == b.y())
        byY = false;
    else
        byY = b.y() > a.y();
    const auto later = [byY](const QPointF& p, const QPointF& q) {
        return byY ? p.y() > q.y() : p.x() > q.x();
    };
    std::vector<QPointF> points{a, b};
    std::sort(points.begin(), points.end(), later);
    for (int round = 0; round < 6; ++round) {
        std::vector<QPointF> next;
        next.reserve(points.size() * 2);
        for (size_t i = 0; i < points.size(); ++i) {
            next.push_back(points[i]);
            if (i + 1 < points.size()) next.push_back(midPointForFirstPoint(points[i], points[i + 1]));
        }
        std::stable_sort(next.begin(), next.end(), later);
        next.erase(std::unique(next.begin(), next.end(),
                               [](const QPointF& p, const QPointF& q) {
                                   return p.x() == q.x() && p.y() == q.y();
                               }),
                   next.end());
        points = std::move(next);
    }
    return points;
}

MixOutline showRectInUI(const std::array<QPointF, 4>& p, bool hasDashedLine) {
    MixOutline out;
    if (!hasDashedLine) {
        out.points.assign(p.begin(), p.end());
        return out;
    }
    out.loop = false;
    const auto length = [](QPointF a, QPointF b) {
        return std::hypot(float(b.x() - a.x()), float(b.y() - a.y()));
    };
    for (int i = 0; i < 4; ++i) {
        const QPointF from = p[size_t(i)], to = p[size_t((i + 1) % 4)];
        const QPointF prevFrom = p[size_t((i + 3) % 4)];
        const size_t step = length(prevFrom, from) > length(from, to) ? 4 : 2;
        const std::vector<QPointF> along = drawPointsForFirstPoint(from, to);
        std::vector<QPointF> taken;
        for (size_t k = 0; k < along.size(); k += step) taken.push_back(along[k]);
        // Line segments take their vertices in pairs.
        taken.resize(taken.size() & ~size_t(1));
        out.points.insert(out.points.end(), taken.begin(), taken.end());
    }
    return out;
}

bool nsIsEmptyRect(const QRectF& r) {
    return !(r.width() > 0) || !(r.height() > 0);
}

// A mix without one finite corner leaves its bounds at their unbounded start
// values; such a rectangle must not swallow the surface.
static bool unitesNothing(const QRectF& r) {
    return nsIsEmptyRect(r) || !std::isfinite(r.x()) || !std::isfinite(r.y()) ||
           !std::isfinite(r.x() + r.width()) || !std::isfinite(r.y() + r.height());
}

QRectF nsUnionRect(const QRectF& a, const QRectF& b) {
    if (unitesNothing(a)) return unitesNothing(b) ? QRectF() : b;
    if (unitesNothing(b)) return a;
    const double x = std::min(a.x(), b.x()), y = std::min(a.y(), b.y());
    return {x, y, std::max(a.x() + a.width(), b.x() + b.width()) - x,
            std::max(a.y() + a.height(), b.y() + b.height()) - y};
}

bool nsContainsRect(const QRectF& a, const QRectF& b) {
    return !nsIsEmptyRect(b) && b.x() >= a.x() && b.y() >= a.y() &&
           b.x() + b.width() <= a.x() + a.width() && b.y() + b.height() <= a.y() + a.height();
}

QString nsStringFromRect(const QRectF& r) {
    const auto n = [](double v) { return QString::number(v, 'g', 15); };
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(n(r.x()), n(r.y()), n(r.width()), n(r.height()));
}

int clampToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (value <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(value);
}

QString cFormat(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return {};
    if (size_t(n) < sizeof buffer) return QString::fromUtf8(buffer, n);
    std::vector<char> big(size_t(n) + 1);
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    return QString::fromUtf8(big.data(), n);
}
