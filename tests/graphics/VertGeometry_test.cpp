#include "graphics/VertGeometry.h"

#include "support/TestMain.h"

#include <cmath>

namespace {

TEST(VertGeometry, RectCornersTranslateAndBounds) {
    QPointF v[4];
    nsGetVertsFromRect(v, QRectF(1, 2, 10, 20));
    EXPECT_EQ(v[0], QPointF(1, 2));
    EXPECT_EQ(v[1], QPointF(1, 22));
    EXPECT_EQ(v[2], QPointF(11, 22));
    EXPECT_EQ(v[3], QPointF(11, 2));
    nsTranslateVerts(v, -3, 0.5);
    EXPECT_EQ(v[0], QPointF(-2, 2.5));
    EXPECT_EQ(v[2], QPointF(8, 22.5));

    const QPointF diamond[4] = {{5, -1}, {0, 5}, {5, 10}, {12, 5}};
    EXPECT_EQ(nsGetBounds(diamond), QRectF(0, -1, 12, 11));
}

TEST(VertGeometry, RotationMatrixIsExactAtRightAngles) {
    struct Case {
        double degrees;
        double m[4];
    };
    const Case cases[] = {
        {0, {1, 0, 0, 1}},      {90, {0, -1, 1, 0}},   {180, {-1, 0, 0, -1}}, {270, {0, 1, -1, 0}},
        {-90, {0, 1, -1, 0}},   {-270, {0, -1, 1, 0}}, {360, {1, 0, 0, 1}},   {450, {0, -1, 1, 0}},
        {-180, {-1, 0, 0, -1}}, {540, {-1, 0, 0, -1}}, {630, {0, 1, -1, 0}},
    };
    for (const Case& c : cases) {
        double m[4];
        rotationMatrix2d(c.degrees, m);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(m[i], c.m[i]) << c.degrees << " element " << i;
    }
    double m[4];
    rotationMatrix2d(30, m);
    EXPECT_DOUBLE_EQ(m[0], std::sqrt(3.0) / 2);
    EXPECT_DOUBLE_EQ(m[1], -0.5);
    EXPECT_DOUBLE_EQ(m[2], 0.5);
}

TEST(VertGeometry, SegmentIntersection) {
    struct Case {
        double s[8];
        int expected;
        const char* what;
    };
    const Case cases[] = {
        {{0, 0, 10, 10, 0, 10, 10, 0}, 1, "crossing"},
        {{0, 0, 10, 0, 0, 1, 10, 1}, 0, "parallel"},
        {{0, 0, 4, 4, 5, 0, 10, -5}, 0, "apart"},
        {{0, 0, 10, 0, 5, 0, 5, 5}, 1, "end point on the other segment"},
        {{0, 0, 10, 0, 10, 0, 12, 3}, 1, "shared end point"},
        {{0, 0, 10, 0, 5, 0, 15, 0}, 1, "collinear overlap"},
        {{0, 0, 10, 0, 11, 1, 11, -1}, 0, "would cross beyond the end"},
    };
    for (const Case& c : cases) {
        const double* s = c.s;
        EXPECT_EQ(areIntersecting(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7]), c.expected)
            << c.what;
        EXPECT_EQ(areIntersecting(s[4], s[5], s[6], s[7], s[0], s[1], s[2], s[3]), c.expected)
            << c.what << " (swapped)";
    }
}

TEST(VertGeometry, HitTest) {
    const QPointF square[4] = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
    const QRectF squareBounds = nsGetBounds(square);
    // A quad whose first corner lies exactly on the line from (-1, 0) through
    // (0.5, 7.5): the test segment of that point leaves through the corner.
    const QPointF kite[4] = {{0, 5}, {1, 12}, {8, 8}, {4, 0}};
    const QRectF kiteBounds = nsGetBounds(kite);
    const QPointF strip[4] = {{2, 0}, {2, 5}, {6, 5}, {6, 0}};
    const QRectF stripBounds = nsGetBounds(strip);
    struct Case {
        const QPointF* verts;
        int n;
        QRectF bounds;
        QPointF point;
        bool inside;
        const char* what;
    };
    const Case cases[] = {
        {square, 4, squareBounds, {5, 5}, true, "centre"},
        {square, 4, squareBounds, {9.5, 0.5}, true, "near a corner"},
        {square, 4, squareBounds, {11, 5}, false, "right of it"},
        {square, 4, squareBounds, {5, -3}, false, "below it"},
        {square, 4, squareBounds, {1, 20}, false, "segment grazes a corner from outside"},
        {strip, 4, stripBounds, {8, 0}, false, "segment runs along an edge from outside"},
        {kite, 4, kiteBounds, {0.5, 7.5}, true, "segment leaves through a corner"},
        {kite, 4, kiteBounds, {4, 6}, true, "kite centre"},
        {kite, 4, kiteBounds, {1, 2}, false, "outside the kite's slanted edge"},
        {square, 0, squareBounds, {5, 5}, false, "no corners"},
        {square, -1, squareBounds, {5, 5}, false, "negative count"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nsHitTest(c.verts, c.n, c.bounds, c.point), c.inside) << c.what;
    }
}

TEST(VertGeometry, ContainsVertsUsesBothOffsets) {
    QPointF outer[4], inner[4];
    nsGetVertsFromRect(outer, QRectF(0, 0, 100, 50));
    nsGetVertsFromRect(inner, QRectF(0, 0, 20, 10));
    EXPECT_TRUE(nsContainsVerts(outer, inner, QPointF(0, 0), QPointF(40, 20)));
    EXPECT_FALSE(nsContainsVerts(outer, inner, QPointF(0, 0), QPointF(90, 20)));
    EXPECT_TRUE(nsContainsVerts(outer, inner, QPointF(500, 500), QPointF(540, 520)));
    EXPECT_FALSE(nsContainsVerts(outer, inner, QPointF(500, 500), QPointF(40, 20)));
}

TEST(VertGeometry, PointInRotatedRectangle) {
    // First edge straight up: x is across the edge, y along it.
    const QPointF upright[4] = {{10, 10}, {10, 30}, {40, 30}, {40, 10}};
    QPointF p = nsPointInRectangle(upright, QPointF(13, 14));
    EXPECT_NEAR(p.x(), 3, 1e-5);
    EXPECT_NEAR(p.y(), 4, 1e-5);
    EXPECT_EQ(nsPointInRectangle(upright, QPointF(10, 10)), QPointF(0, 0));
    // The same rectangle turned by 90 degrees: its first edge points along -x.
    const QPointF turned[4] = {{0, 0}, {-20, 0}, {-20, 30}, {0, 30}};
    p = nsPointInRectangle(turned, QPointF(-4, 3));
    EXPECT_NEAR(p.x(), 3, 1e-5);
    EXPECT_NEAR(p.y(), 4, 1e-5);
}

TEST(VertGeometry, ClosestPointAndDistanceFromLine) {
    double distance = -1;
    QPointF foot = closestPointOnLine(QPointF(1, 1), 0, QPointF(5, 4), &distance);
    EXPECT_EQ(foot, QPointF(5, 1));
    EXPECT_DOUBLE_EQ(distance, 3);
    foot = closestPointOnLine(QPointF(1, 1), 90, QPointF(5, 4), &distance);
    EXPECT_EQ(foot, QPointF(1, 4));
    EXPECT_DOUBLE_EQ(distance, 4);
    foot = closestPointOnLine(QPointF(0, 0), 45, QPointF(2, 0), nullptr);
    EXPECT_NEAR(foot.x(), 1, 1e-12);
    EXPECT_NEAR(foot.y(), 1, 1e-12);
    foot = closestPointOnLine(QPointF(2, 3), 270, QPointF(2, -7), &distance);
    EXPECT_EQ(foot, QPointF(2, -7)) << "a point on the line is its own foot";
    EXPECT_EQ(distance, 0);

    EXPECT_DOUBLE_EQ(distanceFromLineToPoint(QPointF(0, 0), QPointF(10, 0), QPointF(3, -4)), 4);
    EXPECT_DOUBLE_EQ(distanceFromLineToPoint(QPointF(0, 0), QPointF(3, 4), QPointF(4, -3)), 5);
    EXPECT_EQ(distanceFromLineToPoint(QPointF(2, 2), QPointF(2, 2), QPointF(9, 9)), 0);
}

}  // namespace

KELO_TEST_MAIN()
