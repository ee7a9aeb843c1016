#include "imageremap/Triangulate.h"

#include "foundation/OmLog.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float EPSILON = 1e-10f;

// Outlines from this many corners on use the indexed ear search; below it
// the plain scan is cheaper than building the index.
constexpr int kIndexedFrom = 16;

OmLog& logger() {
    static OmLog* log = [] {
        auto* l = new OmLog;
        l->setLoggingTag("ImageRemap");
        return l;
    }();
    return *log;
}

// Which side of the edge from O along D the point P is on (>= 0: left or on
// the line). Every inside decision, for single points and for whole boxes of
// points, goes through this one expression so that both round alike.
inline float edgeSide(float Dx, float Dy, float Ox, float Oy, float Px, float Py) {
    return Dx * (Py - Oy) - Dy * (Px - Ox);
}

inline bool convexCorner(const Vector2d& A, const Vector2d& B, const Vector2d& C) {
    return !((B.x - A.x) * (C.y - A.y) - (B.y - A.y) * (C.x - A.x) < EPSILON);
}

// A bounding-box tree over the corners, for answering "is any remaining
// corner other than these three inside the ear?" without visiting every
// corner. A box is skipped only when the rounded edge test fails for every
// point it could hold: each rounding step in edgeSide is monotonic in Px and
// Py, so its largest value over a box is reached at one corner of the box.
// The answer is therefore the same as testing every corner one by one.
class EarIndex {
public:
    explicit EarIndex(const Vector2dVector& pts) : pts_(pts), leafOf_(pts.size()), slot_(pts.size()) {
        order_.resize(pts.size());
        for (size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
        nodes_.reserve(pts.size() / 2 + 1);
        build(0, int(order_.size()), -1);
        xs_.resize(order_.size());
        ys_.resize(order_.size());
        for (size_t k = 0; k < order_.size(); ++k) {
            slot_[order_[k]] = int(k);
            xs_[k] = pts[order_[k]].x;
            ys_[k] = pts[order_[k]].y;
        }
    }

    // A leaf keeps its remaining corners at the front of its range.
    void remove(int id) {
        int n = leafOf_[id];
        Node& leaf = nodes_[n];
        const int last = leaf.lo + leaf.alive - 1, k = slot_[id];
        std::swap(order_[k], order_[last]);
        std::swap(xs_[k], xs_[last]);
        std::swap(ys_[k], ys_[last]);
        slot_[order_[k]] = k;
        slot_[order_[last]] = last;
        // Boxes shrink to what remains, so that late, large ears meet few.
        --leaf.alive;
        fitLeaf(leaf);
        for (n = leaf.parent; n >= 0; n = nodes_[n].parent) {
            Node& nd = nodes_[n];
            --nd.alive;
            const Node &l = nodes_[nd.left], &r = nodes_[nd.right];
            if (l.alive == 0 || r.alive == 0) {
                const Node& only = l.alive ? l : r;
                nd.x0 = only.x0, nd.y0 = only.y0, nd.x1 = only.x1, nd.y1 = only.y1;
            } else {
                nd.x0 = std::min(l.x0, r.x0), nd.y0 = std::min(l.y0, r.y0);
                nd.x1 = std::max(l.x1, r.x1), nd.y1 = std::max(l.y1, r.y1);
            }
        }
    }

    bool blocked(int ia, int ib, int ic) const {
        const Vector2d &A = pts_[ia], &B = pts_[ib], &C = pts_[ic];
        const float ax = C.x - B.x, ay = C.y - B.y;
        const float bx = A.x - C.x, by = A.y - C.y;
        const float cx = B.x - A.x, cy = B.y - A.y;
        int stack[64];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            const Node& nd = nodes_[stack[--top]];
            if (nd.alive == 0) continue;
            if (outside(nd, ax, ay, B) | outside(nd, bx, by, C) | outside(nd, cx, cy, A)) continue;
            if (nd.left < 0) {
                for (int k = nd.lo, end = nd.lo + nd.alive; k < end; ++k) {
                    const int id = order_[k];
                    const float px = xs_[k], py = ys_[k];
                    if ((edgeSide(ax, ay, B.x, B.y, px, py) >= 0) &
                        (edgeSide(bx, by, C.x, C.y, px, py) >= 0) &
                        (edgeSide(cx, cy, A.x, A.y, px, py) >= 0) & (id != ia) & (id != ib) &
                        (id != ic))
                        return true;
                }
            } else {
                stack[top++] = nd.left;
                stack[top++] = nd.right;
            }
        }
        return false;
    }

private:
    struct Node {
        float x0, y0, x1, y1;
        int lo, hi, left, right, parent, alive;
    };
    static constexpr int kLeafSize = 8;

    void fitLeaf(Node& leaf) const {
        if (leaf.alive == 0) return;
        leaf.x0 = leaf.x1 = xs_[leaf.lo];
        leaf.y0 = leaf.y1 = ys_[leaf.lo];
        for (int k = leaf.lo + 1; k < leaf.lo + leaf.alive; ++k) {
            leaf.x0 = std::min(leaf.x0, xs_[k]), leaf.x1 = std::max(leaf.x1, xs_[k]);
            leaf.y0 = std::min(leaf.y0, ys_[k]), leaf.y1 = std::max(leaf.y1, ys_[k]);
        }
    }

    static bool outside(const Node& nd, float Dx, float Dy, const Vector2d& O) {
        const float px = Dy >= 0 ? nd.x0 : nd.x1;
        const float py = Dx >= 0 ? nd.y1 : nd.y0;
        return edgeSide(Dx, Dy, O.x, O.y, px, py) < 0;
    }

    int build(int lo, int hi, int parent) {
        const int self = int(nodes_.size());
        Node nd{pts_[order_[lo]].x, pts_[order_[lo]].y, pts_[order_[lo]].x, pts_[order_[lo]].y,
                lo, hi, -1, -1, parent, hi - lo};
        for (int k = lo; k < hi; ++k) {
            const Vector2d& p = pts_[order_[k]];
            nd.x0 = std::min(nd.x0, p.x), nd.x1 = std::max(nd.x1, p.x);
            nd.y0 = std::min(nd.y0, p.y), nd.y1 = std::max(nd.y1, p.y);
        }
        nodes_.push_back(nd);
        if (hi - lo <= kLeafSize) {
            for (int k = lo; k < hi; ++k) leafOf_[order_[k]] = self;
            return self;
        }
        const bool byX = nd.x1 - nd.x0 >= nd.y1 - nd.y0;
        const int mid = lo + (hi - lo) / 2;
        std::nth_element(order_.begin() + lo, order_.begin() + mid, order_.begin() + hi,
                         [&](int a, int b) { return byX ? pts_[a].x < pts_[b].x : pts_[a].y < pts_[b].y; });
        const int left = build(lo, mid, self);
        const int right = build(mid, hi, self);
        nodes_[self].left = left;
        nodes_[self].right = right;
        return self;
    }

    const Vector2dVector& pts_;
    std::vector<int> order_;     // corner ids, leaf by leaf
    std::vector<float> xs_, ys_; // their points, in the same order
    std::vector<Node> nodes_;
    std::vector<int> leafOf_;
    std::vector<int> slot_;      // where each id is in order_
};

// The same ear order as the index-array walk in Process: the corners still
// in play form a ring, a failed try moves on by one corner, and a cut
// resumes at the corner after the removed one.
bool processIndexed(const Vector2dVector& contour, Vector2dVector& result) {
    const int n = int(contour.size());
    const bool ccw = 0.0f < Triangulate::Area(contour);
    // next[] follows the counter-clockwise walk.
    std::vector<int> next(n);
    for (int i = 0; i < n; ++i) next[i] = ccw ? (i + 1) % n : (i + n - 1) % n;
    EarIndex index(contour);
    int nv = n;
    int count = 2 * nv;
    int u = ccw ? n - 1 : 0;
    while (nv > 2) {
        if (0 >= (count--)) return false;
        const int v = next[u];
        const int w = next[v];
        const Vector2d &A = contour[u], &B = contour[v], &C = contour[w];
        if (convexCorner(A, B, C) && !index.blocked(u, v, w)) {
            result.push_back(A);
            result.push_back(B);
            result.push_back(C);
            next[u] = w;
            index.remove(v);
            --nv;
            count = 2 * nv;
            u = w;
        } else {
            u = v;
        }
    }
    return true;
}

bool allFinite(const Vector2dVector& contour) {
    return std::all_of(contour.begin(), contour.end(),
                       [](const Vector2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); });
}

// Twice the signed area of the triangle, positive when counter-clockwise.
float winding(const QPointF& p1, const QPointF& p2, const QPointF& p3) {
    const double det = p1.x() * (p2.y() - p3.y()) + p2.x() * (p3.y() - p1.y()) +
                       p3.x() * (p1.y() - p2.y());
    return float(det);
}

}  // namespace

float Triangulate::Area(const Vector2dVector& contour) {
    const int n = int(contour.size());
    float A = 0.0f;
    for (int p = n - 1, q = 0; q < n; p = q++)
        A += contour[p].x * contour[q].y - contour[q].x * contour[p].y;
    return A * 0.5f;
}

bool Triangulate::InsideTriangle(float Ax, float Ay, float Bx, float By, float Cx, float Cy,
                                 float Px, float Py) {
    return edgeSide(Cx - Bx, Cy - By, Bx, By, Px, Py) >= 0 &&
           edgeSide(Ax - Cx, Ay - Cy, Cx, Cy, Px, Py) >= 0 &&
           edgeSide(Bx - Ax, By - Ay, Ax, Ay, Px, Py) >= 0;
}

bool Triangulate::Snip(const Vector2dVector& contour, int u, int v, int w, int n, const int* V) {
    const Vector2d &A = contour[V[u]], &B = contour[V[v]], &C = contour[V[w]];
    if (!convexCorner(A, B, C)) return false;
    for (int p = 0; p < n; ++p) {
        if (p == u || p == v || p == w) continue;
        const Vector2d& P = contour[V[p]];
        if (InsideTriangle(A.x, A.y, B.x, B.y, C.x, C.y, P.x, P.y)) return false;
    }
    return true;
}

bool Triangulate::Process(const Vector2dVector& contour, Vector2dVector& result) {
    const int n = int(contour.size());
    if (n < 3) return false;
    if (n >= kIndexedFrom && allFinite(contour)) return processIndexed(contour, result);

    std::vector<int> V(n);
    const bool ccw = 0.0f < Area(contour);
    for (int i = 0; i < n; ++i) V[i] = ccw ? i : n - 1 - i;

    int nv = n;
    int count = 2 * nv;
    for (int v = nv - 1; nv > 2;) {
        // A simple polygon always has an ear; running out of tries means it
        // crosses itself or is degenerate.
        if (0 >= (count--)) return false;
        int u = v;
        if (nv <= u) u = 0;
        v = u + 1;
        if (nv <= v) v = 0;
        int w = v + 1;
        if (nv <= w) w = 0;
        if (Snip(contour, u, v, w, nv, V.data())) {
            result.push_back(contour[V[u]]);
            result.push_back(contour[V[v]]);
            result.push_back(contour[V[w]]);
            std::copy(V.begin() + v + 1, V.begin() + nv, V.begin() + v);
            --nv;
            count = 2 * nv;
        }
    }
    return true;
}

void CheckTriangleWinding(QPointF& p1, QPointF& p2, QPointF& p3, bool allowReversed) {
    if (winding(p1, p2, p3) < 0) {
        if (allowReversed)
            std::swap(p2, p3);
        else
            logger().w("Triangle has wrong (CCW) winding direction which has NOT been fixed!");
    }
}

bool BoundaryDoesntCollideChk(const QPointF& p1, const QPointF& p2, const QPointF& p3) {
    return winding(p1, p2, p3) <= 0;
}

bool TrianglesOverlap(std::array<QPointF, 3>& t1, std::array<QPointF, 3>& t2) {
    CheckTriangleWinding(t1[0], t1[1], t1[2], true);
    CheckTriangleWinding(t2[0], t2[1], t2[2], true);
    // Separating edges: a triangle wholly on the outer side of (or on) one
    // edge of the other shares no area with it.
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (BoundaryDoesntCollideChk(t1[i], t1[j], t2[0]) &&
            BoundaryDoesntCollideChk(t1[i], t1[j], t2[1]) &&
            BoundaryDoesntCollideChk(t1[i], t1[j], t2[2]))
            return false;
    }
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        if (BoundaryDoesntCollideChk(t2[i], t2[j], t1[0]) &&
            BoundaryDoesntCollideChk(t2[i], t2[j], t1[1]) &&
            BoundaryDoesntCollideChk(t2[i], t2[j], t1[2]))
            return false;
    }
    return true;
}
