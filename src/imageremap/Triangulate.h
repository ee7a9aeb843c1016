#pragma once

// Ear-clipping triangulation of simple polygons (used to turn drawn outlines
// into triangle screens) and the triangle tests the outline export relies on.

#include <QPointF>

#include <array>
#include <vector>

struct Vector2d {
    float x = 0;
    float y = 0;
};

using Vector2dVector = std::vector<Vector2d>;

class Triangulate {
public:
    // Cuts `contour` into triangles appended to `result`, three points each,
    // counter-clockwise. False for fewer than 3 corners or when no ear can be
    // found (self-intersecting or degenerate outline); the triangles found
    // until then stay in `result`.
    static bool Process(const Vector2dVector& contour, Vector2dVector& result);

    // Signed area: positive for a counter-clockwise contour.
    static float Area(const Vector2dVector& contour);

    // True when (Px, Py) lies inside or on the counter-clockwise triangle ABC.
    static bool InsideTriangle(float Ax, float Ay, float Bx, float By, float Cx, float Cy,
                               float Px, float Py);

    // True when the corners V[u], V[v], V[w] form an ear: a convex corner whose
    // triangle holds none of the first `n` corners listed in V.
    static bool Snip(const Vector2dVector& contour, int u, int v, int w, int n, const int* V);
};

// Makes the triangle counter-clockwise by swapping p2 and p3 when
// `allowReversed`; otherwise logs a clockwise triangle and leaves it.
void CheckTriangleWinding(QPointF& p1, QPointF& p2, QPointF& p3, bool allowReversed);

// True when p3 lies on the outer (right) side of the directed edge p1-p2 or
// on its line.
bool BoundaryDoesntCollideChk(const QPointF& p1, const QPointF& p2, const QPointF& p3);

// True when the triangles share a positive area. Both are made
// counter-clockwise in place first; triangles that only touch do not overlap.
bool TrianglesOverlap(std::array<QPointF, 3>& t1, std::array<QPointF, 3>& t2);
