// Ear-clipping triangulation, checked by what any correct triangulation must
// satisfy rather than by particular triangles, and the triangle tests.

#include "imageremap/Triangulate.h"

#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace {

using Outline = Vector2dVector;

Outline outline(std::initializer_list<std::pair<int, int>> pts) {
    Outline o;
    for (auto [x, y] : pts) o.push_back({float(x), float(y)});
    return o;
}

// Twice the signed area, exact for integer corners.
int64_t twiceArea(const Outline& o) {
    int64_t s = 0;
    for (size_t q = 0, p = o.size() - 1; q < o.size(); p = q++)
        s += int64_t(o[p].x) * int64_t(o[q].y) - int64_t(o[q].x) * int64_t(o[p].y);
    return s;
}

Outline reversed(Outline o) {
    std::reverse(o.begin(), o.end());
    return o;
}

Outline rotated(Outline o, size_t k) {
    std::rotate(o.begin(), o.begin() + k % o.size(), o.end());
    return o;
}

Outline convex(int half) {  // corners on a parabola, closed across the top
    Outline o;
    for (int i = -half; i <= half; ++i) o.push_back({float(i), float(i * i)});
    return o;
}

Outline star(int points, int outer, int inner) {
    Outline o;
    for (int i = 0; i < 2 * points; ++i) {
        const double a = M_PI * i / points;
        const int r = i % 2 ? inner : outer;
        o.push_back({float(std::lround(r * std::cos(a))), float(std::lround(r * std::sin(a)))});
    }
    return o;
}

Outline comb(int teeth) {  // teeth 2 wide with gaps of 1, on a bar 3 high
    Outline o = outline({{0, 0}});
    o.push_back({float(3 * teeth - 1), 0});
    for (int t = teeth - 1; t >= 0; --t) {
        const float x0 = float(3 * t), x1 = x0 + 2;
        o.push_back({x1, 3});
        o.push_back({x1, 10});
        o.push_back({x0, 10});
        o.push_back({x0, 3});
    }
    o.pop_back();  // the last tooth's inner corner lies on the outline's side
    o.push_back({0, 3});
    return o;
}

Outline spiral(int turns) {  // a band 6 wide winding outwards, 16 per turn
    Outline outer, inner;
    const int steps = 24 * turns;
    for (int i = 0; i <= steps; ++i) {
        const double a = 2 * M_PI * i / 24, r = 20 + 16 * a / (2 * M_PI);
        outer.push_back({float(std::lround((r + 3) * 10 * std::cos(a))),
                         float(std::lround((r + 3) * 10 * std::sin(a)))});
        inner.push_back({float(std::lround((r - 3) * 10 * std::cos(a))),
                         float(std::lround((r - 3) * 10 * std::sin(a)))});
    }
    outer.insert(outer.end(), inner.rbegin(), inner.rend());
    return outer;
}

// The index-array walk with the public ear test, corner by corner: what
// Process must give for every outline, however it finds its ears.
bool plainProcess(const Outline& contour, Outline& result) {
    const int n = int(contour.size());
    if (n < 3) return false;
    std::vector<int> V(n);
    for (int i = 0; i < n; ++i) V[i] = 0 < Triangulate::Area(contour) ? i : n - 1 - i;
    int nv = n, count = 2 * nv;
    for (int v = nv - 1; nv > 2;) {
        if (0 >= (count--)) return false;
        int u = v < nv ? v : 0;
        v = u + 1 < nv ? u + 1 : 0;
        const int w = v + 1 < nv ? v + 1 : 0;
        if (Triangulate::Snip(contour, u, v, w, nv, V.data())) {
            for (int k : {u, v, w}) result.push_back(contour[V[k]]);
            V.erase(V.begin() + v);
            --nv;
            count = 2 * nv;
        }
    }
    return true;
}

std::array<QPointF, 3> triangle(const Outline& r, size_t t) {
    return {QPointF(r[3 * t].x, r[3 * t].y), QPointF(r[3 * t + 1].x, r[3 * t + 1].y),
            QPointF(r[3 * t + 2].x, r[3 * t + 2].y)};
}

// Checks the invariants of a complete triangulation; returns twice its area.
int64_t checkTriangulation(const Outline& o, const Outline& result, const std::string& name) {
    SCOPED_TRACE(name);
    EXPECT_EQ(result.size(), 3 * (o.size() - 2));
    int64_t sum = 0;
    const size_t count = result.size() / 3;
    for (size_t t = 0; t < count; ++t) {
        const int64_t a = twiceArea(Outline(result.begin() + 3 * t, result.begin() + 3 * t + 3));
        EXPECT_GT(a, 0) << "triangle " << t << " is not counter-clockwise";
        sum += a;
    }
    EXPECT_EQ(sum, std::abs(twiceArea(o)));
    for (size_t i = 0; i < count; ++i)
        for (size_t j = i + 1; j < count; ++j) {
            auto a = triangle(result, i), b = triangle(result, j);
            EXPECT_FALSE(TrianglesOverlap(a, b)) << "triangles " << i << " and " << j;
        }
    return sum;
}

struct Shape {
    const char* name;
    Outline outline;
};

std::vector<Shape> simpleShapes() {
    return {
        {"triangle", outline({{0, 0}, {4, 0}, {0, 3}})},
        {"square", outline({{0, 0}, {2, 0}, {2, 2}, {0, 2}})},
        {"convex", convex(10)},
        {"large convex", convex(40)},
        {"star", star(5, 100, 40)},
        {"many-pointed star", star(40, 300, 200)},
        {"comb", comb(4)},
        {"long comb", comb(30)},
        {"spiral", spiral(3)},
        // A corner in the middle of a side and one on the line of a cut.
        {"collinear corner", outline({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}})},
        {"corner on a diagonal", outline({{0, 0}, {4, 0}, {4, 4}, {2, 2}, {0, 4}})},
        {"notch", outline({{0, 0}, {6, 0}, {6, 6}, {3, 1}, {0, 6}})},
    };
}

TEST(Triangulate, SimpleOutlinesMeetTheInvariantsFromAnyStartAndEitherWay) {
    for (const Shape& s : simpleShapes()) {
        const int64_t area = std::abs(twiceArea(s.outline));
        for (const Outline& o : {s.outline, reversed(s.outline)})
            for (size_t k = 0; k < o.size(); k += std::max<size_t>(1, o.size() / 7)) {
                Outline result;
                const std::string name = std::string(s.name) + " from " + std::to_string(k);
                ASSERT_TRUE(Triangulate::Process(rotated(o, k), result)) << name;
                EXPECT_EQ(checkTriangulation(o, result, name), area);
            }
    }
}

TEST(Triangulate, AreaIsSignedByWinding) {
    const Outline square = outline({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
    EXPECT_EQ(Triangulate::Area(square), 4.0f);
    EXPECT_EQ(Triangulate::Area(reversed(square)), -4.0f);
    EXPECT_EQ(Triangulate::Area({}), 0.0f);
}

TEST(Triangulate, DegenerateOutlinesAreRefused) {
    const struct {
        const char* name;
        Outline outline;
        size_t trianglesLeft;
    } cases[] = {
        {"two corners", outline({{0, 0}, {1, 1}}), 0},
        {"three collinear", outline({{0, 0}, {1, 1}, {2, 2}}), 0},
        {"a line there and back", outline({{0, 0}, {5, 0}, {10, 0}, {5, 0}}), 0},
        // The crossing leaves no ear once the first has gone.
        {"bow-tie", outline({{0, 0}, {2, 2}, {2, 0}, {0, 2}}), 1},
    };
    for (const auto& c : cases) {
        Outline result;
        EXPECT_FALSE(Triangulate::Process(c.outline, result)) << c.name;
        EXPECT_EQ(result.size(), 3 * c.trianglesLeft) << c.name;
    }
}

TEST(Triangulate, AnyCornerOnOrInTheEarBlocksIt) {
    const struct {
        int x, y;
        bool ear;
    } cases[] = {{2, 1, true}, {2, -1, false}, {2, 0, false}, {0, 0, false}, {5, 0, true}};
    for (const auto& c : cases) {
        const Outline o = outline({{0, 0}, {2, -2}, {4, 0}, {c.x, c.y}});
        const int V[] = {0, 1, 2, 3};
        EXPECT_EQ(Triangulate::Snip(o, 0, 1, 2, 4, V), c.ear) << c.x << "," << c.y;
        // Only the first n positions are in play.
        EXPECT_TRUE(Triangulate::Snip(o, 0, 1, 2, 3, V));
    }
    const Outline straight = outline({{0, 0}, {1, 0}, {2, 0}});
    const int V[] = {0, 1, 2};
    EXPECT_FALSE(Triangulate::Snip(straight, 0, 1, 2, 3, V));
    EXPECT_FALSE(Triangulate::Snip(straight, 2, 1, 0, 3, V));
}

// Outlines with crossings, repeated corners and corners on others' sides,
// which the ear search must treat exactly as the corner-by-corner walk does.
std::vector<Shape> awkwardShapes() {
    std::vector<Shape> shapes = simpleShapes();
    std::mt19937 random(38);
    for (int i = 0; i < 40; ++i) {
        Outline o;
        const int n = 3 + int(random() % 120), grid = 2 + int(random() % 12);
        for (int k = 0; k < n; ++k) o.push_back({float(random() % grid), float(random() % grid)});
        shapes.push_back({"random", o});
    }
    // Fractions that round in single precision, and a shape at a large scale.
    for (const char* name : {"star", "spiral", "long comb"}) {
        Outline o = std::find_if(shapes.begin(), shapes.end(),
                                 [&](const Shape& s) { return s.name == std::string(name); })
                        ->outline;
        for (Vector2d& p : o) p = {p.x * 0.1f + 0.03f, p.y * 0.7f};
        shapes.push_back({"scaled", o});
        for (Vector2d& p : o) p = {p.x * 3e5f, p.y * 3e5f};
        shapes.push_back({"huge", o});
    }
    Outline dup = spiral(2);
    dup.insert(dup.begin() + 30, dup[30]);
    shapes.push_back({"repeated corner", dup});
    return shapes;
}

TEST(Triangulate, GivesTheSameTrianglesAsTheCornerByCornerWalk) {
    for (const Shape& s : awkwardShapes())
        for (const Outline& o : {s.outline, reversed(s.outline), rotated(s.outline, 5)}) {
            Outline expected, actual;
            const bool ok = plainProcess(o, expected);
            EXPECT_EQ(Triangulate::Process(o, actual), ok) << s.name << " " << o.size();
            ASSERT_EQ(actual.size(), expected.size()) << s.name << " " << o.size();
            for (size_t i = 0; i < actual.size(); ++i) {
                EXPECT_EQ(actual[i].x, expected[i].x) << s.name << " point " << i;
                EXPECT_EQ(actual[i].y, expected[i].y) << s.name << " point " << i;
            }
        }
}

TEST(TriangleTests, Overlap) {
    using T = std::array<QPointF, 3>;
    const struct {
        const char* name;
        T a, b;
        bool overlap;
    } cases[] = {
        {"shared edge", {{{0, 0}, {4, 0}, {0, 4}}}, {{{4, 0}, {4, 4}, {0, 4}}}, false},
        {"shared corner", {{{0, 0}, {4, 0}, {0, 4}}}, {{{4, 0}, {8, 0}, {8, 4}}}, false},
        {"apart", {{{0, 0}, {1, 0}, {0, 1}}}, {{{5, 5}, {6, 5}, {5, 6}}}, false},
        {"one holds the other", {{{0, 0}, {10, 0}, {0, 10}}}, {{{1, 1}, {2, 1}, {1, 2}}}, true},
        {"crossing", {{{0, 0}, {4, 0}, {0, 4}}}, {{{1, 1}, {5, 1}, {1, 5}}}, true},
        {"clockwise, the same", {{{0, 0}, {0, 4}, {4, 0}}}, {{{0, 0}, {4, 0}, {0, 4}}}, true},
        {"clockwise, shared edge", {{{0, 0}, {0, 4}, {4, 0}}}, {{{4, 0}, {0, 4}, {4, 4}}}, false},
    };
    for (const auto& c : cases) {
        T a = c.a, b = c.b;
        EXPECT_EQ(TrianglesOverlap(a, b), c.overlap) << c.name;
        EXPECT_EQ(TrianglesOverlap(b, a), c.overlap) << c.name << " (swapped)";
    }
}

TEST(TriangleTests, WindingIsMadeCounterClockwiseOnlyWhenAllowed) {
    QPointF p1(0, 0), p2(0, 4), p3(4, 0);
    CheckTriangleWinding(p1, p2, p3, false);
    EXPECT_EQ(p2, QPointF(0, 4));
    CheckTriangleWinding(p1, p2, p3, true);
    EXPECT_EQ(p2, QPointF(4, 0));
    EXPECT_EQ(p3, QPointF(0, 4));
    CheckTriangleWinding(p1, p2, p3, true);  // already counter-clockwise
    EXPECT_EQ(p2, QPointF(4, 0));
}

TEST(TriangleTests, EdgeSides) {
    const QPointF a(0, 0), b(4, 0);
    EXPECT_TRUE(BoundaryDoesntCollideChk(a, b, QPointF(2, -1)));  // right: outside
    EXPECT_TRUE(BoundaryDoesntCollideChk(a, b, QPointF(9, 0)));   // on the line
    EXPECT_FALSE(BoundaryDoesntCollideChk(a, b, QPointF(2, 1)));
}

}  // namespace

KELO_TEST_MAIN()
