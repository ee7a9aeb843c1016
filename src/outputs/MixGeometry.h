#pragma once

#include <QPointF>
#include <QRectF>

#include <array>
#include <vector>

// The 3x3 matrices and point helpers of the mix geometry. Matrices are row
// major; points are column vectors (x, y, 1). Any thread (no state).
using M3 = std::array<double, 9>;

inline constexpr M3 m3_identity = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// out = a x b.
void m3_product(const M3& a, const M3& b, M3& out);
// m = T(tx, ty) x m.
void m3_translate(M3& m, double tx, double ty);
// m = R(degrees) x m, exact at multiples of 90 degrees.
void m3_rotate(M3& m, double degrees);
// Transforms the point in place; the divide is in single precision.
void m3_transform(const M3& m, QPointF& point);

QPointF offsetPoint(QPointF point, float dx, float dy);
QPointF tweenPoint(QPointF a, QPointF b);
QPointF midPointForFirstPoint(QPointF a, QPointF b);
// (x·c − y·s, x·s + y·c) in single precision.
QPointF rotatePoint(float x, float y, float s, float c);

// Points spread evenly from a to b (65 of them for exactly halvable ends),
// sorted along the segment.
std::vector<QPointF> drawPointsForFirstPoint(QPointF a, QPointF b);

// The outline of a quad as the map draws it: without dashes the closed loop
// p0-p1-p2-p3 (`loop` true, `points` the four corners); with dashes separate
// line segments, pairs of points in `points`.
struct MixOutline {
    bool loop = true;
    std::vector<QPointF> points;
};
MixOutline showRectInUI(const std::array<QPointF, 4>& corners, bool hasDashedLine);

// The platform's rectangle rules: a rectangle is empty when its width or
// height is not positive; the union ignores empty ones; containment needs a
// non-empty inner rectangle.
bool nsIsEmptyRect(const QRectF& r);
QRectF nsUnionRect(const QRectF& a, const QRectF& b);
bool nsContainsRect(const QRectF& outer, const QRectF& inner);
// "{{x, y}, {w, h}}".
QString nsStringFromRect(const QRectF& r);
// A double cut toward zero into an int, saturating; NaN gives 0.
int clampToInt(double value);
// printf formatting as the C library does it (halves of "%0.1f" and "%0.0f"
// round to even there, unlike QString::asprintf), so that texts match the
// server's own.
QString cFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
