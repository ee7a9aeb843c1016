#pragma once

#include <QPointF>
#include <QRectF>

// Plain geometry on quadrilaterals given as four corners in the order
// (x, y), (x, y + h), (x + w, y + h), (x + w, y), and on segments and lines.
// The arrays belong to the caller.

// The rectangle's corners in the order above.
void nsGetVertsFromRect(QPointF* verts, const QRectF& rect);
// Adds (dx, dy) to each of the 4 corners.
void nsTranslateVerts(QPointF* verts, double dx, double dy);
// From the componentwise minimum of the 4 corners to their maximum.
QRectF nsGetBounds(const QPointF* verts);
// Crossing count of the segment from the point to just left of the bounds'
// origin against the polygon's n edges; odd means inside. False for n <= 0.
bool nsHitTest(const QPointF* verts, int n, const QRectF& bounds, const QPointF& point);
// 1 when segment (x1, y1)-(x2, y2) meets segment (x3, y3)-(x4, y4), touching
// and collinear segments included; else 0.
int areIntersecting(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                    double y4);
// Every inner corner (shifted by innerOffset) hit-tests inside the outer
// quadrilateral (shifted by outerOffset).
bool nsContainsVerts(const QPointF* outer, const QPointF* inner, const QPointF& outerOffset,
                     const QPointF& innerOffset);
// The point in the frame of the rectangle's first edge: x across it, y along it.
QPointF nsPointInRectangle(const QPointF* verts, const QPointF& point);
// The foot of the perpendicular from the point onto the line through `base`
// at `degrees`; `distance`, when given, receives the point's distance to it.
QPointF closestPointOnLine(const QPointF& base, double degrees, const QPointF& point,
                           double* distance);
// Distance of p from the line through a and b; with a == b the undivided
// cross product, which is 0.
double distanceFromLineToPoint(const QPointF& a, const QPointF& b, const QPointF& p);

// (cos, -sin, sin, cos) of `degrees`, exact at every multiple of 90 degrees so
// that right-angled text stays on whole pixels.
void rotationMatrix2d(double degrees, double matrix[4]);
