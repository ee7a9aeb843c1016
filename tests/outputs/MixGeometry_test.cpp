// Derived geometry of mixes, the matrix helpers and the surface limits.

#include "outputs/MixGeometry.h"
#include "outputs/MixRectangle.h"
#include "outputs/OutputsTestSupport.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using MixGeometry = MixTableTest;

MixRectangle* mixAt(int index, QRectF rect, float rotation = 0) {
    const int made = MixRectangle::addNewMix(rect.size(), 0, false, 0, index);
    MixRectangle* m = MixRectangle::mixRectangleAtIndex(made);
    m->setRect(rect);
    m->setMix_rotation(rotation);
    return m;
}

void expectPoints(const std::array<QPointF, 4>& got, std::array<QPointF, 4> want) {
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_DOUBLE_EQ(got[i].x(), want[i].x()) << "corner " << i;
        EXPECT_DOUBLE_EQ(got[i].y(), want[i].y()) << "corner " << i;
    }
}

bool allFinite(const MixRectangle& m) {
    for (const auto& p : m.texverts())
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
    for (const auto& p : m.showverts())
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
    for (const auto& p : m.diagverts())
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
    return std::isfinite(m.cam_centre().x()) && std::isfinite(m.mix_cam_bounds().width());
}

TEST_F(MixGeometry, UnrotatedRectangleInCameraAndWorldSpace) {
    ASSERT_TRUE(MixRectangle::setWorldRect({0, 0, 3000, 1920}).isNull());
    MixRectangle* m = mixAt(33, {100, 50, 200, 100});
    EXPECT_EQ(m->camerarect(), QRectF(100, 1770, 200, 100));
    expectPoints(m->texVerts(), {QPointF(100, 1870), {100, 1770}, {300, 1770}, {300, 1870}});
    expectPoints(m->worldVerts(), {QPointF(100, 50), {100, 150}, {300, 150}, {300, 50}});
    expectPoints(m->showverts(), {QPointF(104, 1866), {104, 1774}, {296, 1774}, {296, 1866}});
    EXPECT_TRUE(m->mask_id().isNull());
    EXPECT_EQ(m->mix_cam_bounds(), QRectF(100, 1770, 200, 100));
    EXPECT_EQ(m->mix_world_bounds(), QRectF(100, 50, 200, 100));
    EXPECT_EQ(m->cam_centre(), QPointF(200, 1820));
}

TEST_F(MixGeometry, RotationsGiveExactCornersAndMaskKeys) {
    ASSERT_TRUE(MixRectangle::setWorldRect({0, 0, 1920, 1080}).isNull());
    const struct {
        float rotation;
        bool masked;
    } cases[] = {{90, false}, {180, false}, {270, false}, {-90, false}, {45, true}, {12.5f, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rotation);
        MixRectangle::removeAll();
        ASSERT_TRUE(MixRectangle::setWorldRect({0, 0, 1920, 1080}).isNull());
        MixRectangle* m = mixAt(33, {100, 100, 400, 200}, c.rotation);
        const auto v = m->texVerts();
        if (std::fmod(c.rotation, 90.0f) == 0) {
            // No sine rounding: whole numbers.
            for (const QPointF& p : v) {
                EXPECT_EQ(p.x(), std::round(p.x()));
                EXPECT_EQ(p.y(), std::round(p.y()));
            }
        }
        EXPECT_EQ(!m->mask_id().isNull(), c.masked);
    }
    MixRectangle* turned = MixRectangle::mixRectangleAtIndex(33);
    turned->setMix_rotation(90);
    // Clockwise in camera space: the top-left corner goes to the top-right.
    expectPoints(turned->texVerts(), {QPointF(400, 1080), {200, 1080}, {200, 680}, {400, 680}});
    turned->setMix_rotation(45);
    turned->texVerts();
    const QRectF box = turned->mix_cam_bounds();
    EXPECT_EQ(turned->mask_id(), QString::asprintf("%0.0fx%0.0f:45.00", box.width(), box.height()));
}

TEST_F(MixGeometry, ChildrenFollowTheirParent) {
    ASSERT_TRUE(MixRectangle::setWorldRect({0, 0, 1920, 1080}).isNull());
    MixRectangle* parent = mixAt(33, {100, 100, 500, 500});
    MixRectangle* child = mixAt(34, {10, 10, 50, 50});
    child->setParent(33);
    MixRectangle::updateConfiguration();
    EXPECT_EQ(child->worldrect().topLeft(), QPointF(110, 110));
    parent->setRect({200, 100, 500, 500});
    EXPECT_EQ(child->worldrect().topLeft(), QPointF(210, 110)) << "moved on its next read";
}

TEST_F(MixGeometry, EmptyRectanglesStayFinite) {
    // Multi-mixes are 0 x 0; lines have no height or no width.
    for (QRectF r : {QRectF(0, 0, 0, 0), QRectF(5, 5, 100, 0), QRectF(5, 5, 0, 100)}) {
        SCOPED_TRACE(qPrintable(nsStringFromRect(r)));
        MixRectangle::removeAll();
        MixRectangle* m = mixAt(33, r, 30);
        m->recalculate();
        EXPECT_TRUE(allFinite(*m));
        EXPECT_FALSE(m->mixTitle().isEmpty());
    }
    // A world without height keeps its aspect finite.
    MixRectangle::removeAll();
    ASSERT_TRUE(MixRectangle::configureWithDictionary(
        {{"000", entry({{"rect", "0,0,0,0"}})}, {"035", entry({{"rect", "0,0,0,0"}, {"multi_mix", QVariantList{"1"}}})}}));
    EXPECT_TRUE(std::isfinite(MixRectangle::worldAspect()));
}

TEST_F(MixGeometry, RotationMatrixIsExactAtRightAngles) {
    for (double a : {90.0, 180.0, 270.0, 360.0, -90.0, -180.0, 450.0}) {
        SCOPED_TRACE(a);
        M3 m = m3_identity;
        m3_rotate(m, a);
        QPointF p(1, 0);
        m3_transform(m, p);
        const double r = a * M_PI / 180;
        EXPECT_EQ(p.x(), std::round(std::cos(r)));
        EXPECT_EQ(p.y(), std::round(std::sin(r))) << "counter-clockwise in a y-up frame";
    }
    M3 t = m3_identity;
    m3_translate(t, 5, -3);
    QPointF p(1, 1);
    m3_transform(t, p);
    EXPECT_EQ(p, QPointF(6, -2));
    MixRectangle m;
    m.setMix_rotation(90);
    EXPECT_EQ(m.transformToWorld({1, 0}), QPointF(0, 1));
    EXPECT_EQ(m.transformFromWorld({0, 1}), QPointF(1, 0));
}

TEST_F(MixGeometry, WorldRectangleLimits) {
    const struct {
        QRectF asked, set;
    } cases[] = {
        {{0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
        {{0, 0, 600, 400}, {0, 0, 800, 600}},
        {{0, 0, 20000, 1080}, {0, 0, 16384, 1080}},
        {{-50, -20, 1000, 1000}, {0, 0, 1000, 1000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(nsStringFromRect(c.asked)));
        EXPECT_TRUE(MixRectangle::setWorldRect(c.asked).isNull());
        EXPECT_EQ(MixRectangle::worldRect(), c.set);
    }
    const QRectF before = MixRectangle::worldRect();
    EXPECT_FALSE(MixRectangle::setWorldRect({NAN, 0, 1000, 1000}).isNull());
    EXPECT_EQ(MixRectangle::worldRect(), before) << "a refused rectangle changes nothing";
    EXPECT_EQ(MixRectangle::isRectInvalid({0, 0, 10, 10}, {20, 1}, {0, 0, 100, 100}),
              "width must be at least 20");
    EXPECT_EQ(MixRectangle::isRectInvalid({0, 0, 30, 10}, {20, 20}, {0, 0, 100, 100}),
              "height must be at least 20");
    EXPECT_EQ(MixRectangle::isRectInvalid({90, 0, 30, 30}, {20, 20}, {0, 0, 100, 100}),
              "{{90, 0}, {30, 30}} does not fit within bounds {{0, 0}, {100, 100}}");
    EXPECT_EQ(MixRectangle::constrainRectSize({50, 50, 100, 100}, {1, 1}, {0, 0, 120, 120}),
              QRectF(50, 50, 70, 70));
}

TEST_F(MixGeometry, AutoresizeProposesWholeSixteenths) {
    ASSERT_TRUE(MixRectangle::setWorldRect({0, 0, 4000, 3000}).isNull());
    mixAt(33, {0, 0, 1000, 700});
    mixAt(34, {500, 0, 300.5, 100});
    EXPECT_TRUE(MixRectangle::performAutoresizeGlobalSurfaceIfNeeded().isNull());
    EXPECT_EQ(MixRectangle::worldRect(), QRectF(0, 0, 4000, 3000)) << "auto-resize is off";
    MixRectangle::setUiAutoresizeSurface(true);
    const int changes = MixRectangle::worldChanged();
    EXPECT_TRUE(MixRectangle::performAutoresizeGlobalSurfaceIfNeeded().isNull());
    EXPECT_EQ(MixRectangle::worldRect(), QRectF(0, 0, 1008, 700));
    EXPECT_GT(MixRectangle::worldChanged(), changes);
    EXPECT_EQ(MixRectangle::uiMaxRect(), QRectF(0, 0, 16384, 16384));
}

TEST_F(MixGeometry, DashedOutlines) {
    const std::vector<QPointF> points = drawPointsForFirstPoint({0, 0}, {64, 0});
    ASSERT_EQ(points.size(), 65u);
    EXPECT_EQ(points.front(), QPointF(64, 0)) << "from the larger coordinate";
    EXPECT_EQ(points[1], QPointF(63, 0));
    EXPECT_EQ(points.back(), QPointF(0, 0));

    const std::array<QPointF, 4> square{QPointF(0, 0), {0, 64}, {64, 64}, {64, 0}};
    EXPECT_EQ(showRectInUI(square, false).points.size(), 4u);
    const MixOutline dashes = showRectInUI(square, true);
    EXPECT_FALSE(dashes.loop);
    EXPECT_EQ(dashes.points.size(), 4u * 32) << "every second of 65 points, paired";
    // A long edge before a short one thins the short one's dashes.
    const std::array<QPointF, 4> wide{QPointF(0, 0), {0, 64}, {256, 64}, {256, 0}};
    EXPECT_EQ(showRectInUI(wide, true).points.size(), 16u + 32 + 16 + 32);
}

}  // namespace

KELO_TEST_MAIN()
