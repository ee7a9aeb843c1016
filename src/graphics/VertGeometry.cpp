#include "graphics/VertGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void nsGetVertsFromRect(QPointF* verts, const QRectF& rect) {
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    verts[0] = QPointF(x, y);
    verts[1] = QPointF(x, y + h);
    verts[2] = QPointF(x + w, y + h);
    verts[3] = QPointF(x + w, y);
}

void nsTranslateVerts(QPointF* verts, double dx, double dy) {
    for (int i = 0; i < 4; ++i) verts[i] += QPointF(dx, dy);
}

QRectF nsGetBounds(const QPointF* verts) {
    double minX = verts[0].x(), maxX = minX, minY = verts[0].y(), maxY = minY;
    for (int i = 1; i < 4; ++i) {
        minX = std::min(minX, verts[i].x());
        maxX = std::max(maxX, verts[i].x());
        minY = std::min(minY, verts[i].y());
        maxY = std::max(maxY, verts[i].y());
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

int areIntersecting(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                    double y4) {
    const double a1 = y2 - y1, b1 = x1 - x2, c1 = x2 * y1 - x1 * y2;
    const double r3 = a1 * x3 + b1 * y3 + c1;
    const double r4 = a1 * x4 + b1 * y4 + c1;
    if ((r3 > 0 && r4 > 0) || (r3 < 0 && r4 < 0)) return 0;
    const double a2 = y4 - y3, b2 = x3 - x4, c2 = x4 * y3 - x3 * y4;
    const double r1 = a2 * x1 + b2 * y1 + c2;
    const double r2 = a2 * x2 + b2 * y2 + c2;
    if ((r1 > 0 && r2 > 0) || (r1 < 0 && r2 < 0)) return 0;
    return 1;
}

bool nsHitTest(const QPointF* verts, int n, const QRectF& bounds, const QPointF& point) {
    if (n <= 0) return false;
    const QPointF target(bounds.x() - 1, bounds.y());
    const QPointF dir = target - point;
    // Each corner lies on one side of the test line, a corner on the line
    // counting as the near side. An edge is crossed when its ends lie on
    // different sides and it meets the test segment, so a line through a
    // corner, or along an edge, is counted once and not twice.
    auto side = [&](const QPointF& v) {
        return dir.x() * (v.y() - point.y()) - dir.y() * (v.x() - point.x()) >= 0;
    };
    int crossings = 0;
    auto edge = [&](const QPointF& a, const QPointF& b) {
        if (side(a) == side(b)) return;
        crossings += areIntersecting(point.x(), point.y(), target.x(), target.y(), a.x(), a.y(),
                                     b.x(), b.y());
    };
    for (int i = 1; i < n; ++i) edge(verts[i - 1], verts[i]);
    edge(verts[n - 1], verts[0]);
    return crossings & 1;
}

bool nsContainsVerts(const QPointF* outer, const QPointF* inner, const QPointF& outerOffset,
                     const QPointF& innerOffset) {
    QPointF shifted[4];
    for (int i = 0; i < 4; ++i) shifted[i] = outer[i] + outerOffset;
    const QRectF bounds = nsGetBounds(shifted);
    for (int i = 0; i < 4; ++i) {
        if (!nsHitTest(shifted, 4, bounds, inner[i] + innerOffset)) return false;
    }
    return true;
}

QPointF nsPointInRectangle(const QPointF* verts, const QPointF& point) {
    const QPointF d = point - verts[0];
    const double squared = d.x() * d.x() + d.y() * d.y();
    if (squared == 0) return QPointF(0, 0);
    const double r = std::sqrt(static_cast<float>(squared));
    const QPointF e = verts[1] - verts[0];
    const double theta = std::atan2(d.x() * e.y() - e.x() * d.y(), e.x() * d.x() + e.y() * d.y());
    return QPointF(r * std::sin(theta), r * std::cos(theta));
}

QPointF closestPointOnLine(const QPointF& base, double degrees, const QPointF& point,
                           double* distance) {
    double m[4];
    rotationMatrix2d(degrees, m);
    const double c = m[0], s = m[2];
    const double t = (base.x() - point.x()) * c + (base.y() - point.y()) * s;
    const QPointF foot(base.x() - t * c, base.y() - t * s);
    if (distance) {
        const QPointF d = point - foot;
        const double squared = d.x() * d.x() + d.y() * d.y();
        *distance = squared == 0 ? 0 : std::sqrt(squared);
    }
    return foot;
}

double distanceFromLineToPoint(const QPointF& a, const QPointF& b, const QPointF& p) {
    const double cross =
        std::fabs((a.y() - p.y()) * (b.x() - a.x()) - (a.x() - p.x()) * (b.y() - a.y()));
    const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    return length == 0 ? cross : cross / length;
}

void rotationMatrix2d(double degrees, double matrix[4]) {
    double c, s;
    const double m = std::fmod(degrees, 180.0);
    if (std::fabs(m) == 90) {
        c = 0;
        s = std::fabs(std::fmod(degrees, 360.0)) == 270 ? m / -90 : m / 90;
    } else if (m == 0) {
        s = 0;
        c = std::fmod(degrees, 360.0) == 0 ? 1 : -1;
    } else {
        const double radians = degrees * std::numbers::pi / 180;
        s = std::sin(radians);
        c = std::cos(radians);
    }
    matrix[0] = c;
    matrix[1] = -s;
    matrix[2] = s;
    matrix[3] = c;
}
