#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"
#include "pixelmap/PmFixtureGeometry.h"

#include "pixelmap/PixelMapTestDocs.h"
#include "support/TestMain.h"

namespace {

QVariantList profiles() { return {pmtest::profile("Row2", 2)}; }

std::unique_ptr<PmFixture> twoPixelFixture(QPointF position, float rotation = 0) {
    auto fixture = std::make_unique<PmFixture>(pmtest::fixture("Row2", 1, 1), profiles(), 0);
    fixture->setMPosition(position);
    fixture->setMFreeRotation(rotation);
    return fixture;
}

// A context whose pixels are `zoomed` canvas points wide, drawn from `origin`.
std::unique_ptr<PmContext> contextAt(QPointF origin, double zoomed) {
    auto context = std::make_unique<PmContext>(pmtest::context(QVariant(), {}), profiles());
    context->setPixelSizes(QSizeF(10, 10), zoomed / 10);
    context->setDrawableContextRect(QRectF(origin, QSizeF(192 * zoomed, 108 * zoomed)));
    return context;
}

TEST(PmFixtureGeometry, RotationMovesOriginsNotRectangles) {
    auto straight = twoPixelFixture({5, 5});
    auto turned = twoPixelFixture({5, 5}, 90);
    const QRectF rect(100, 200, 1920, 1080);
    EXPECT_EQ(PmFixtureGeometry::originForPixel(*straight, {1, 0}, {10, 10}, rect), QPointF(160, 250));
    // Turned a quarter: y grows with x, so the second pixel lies below.
    const QPointF second = PmFixtureGeometry::originForPixel(*turned, {1, 0}, {10, 10}, rect);
    EXPECT_NEAR(second.x(), 150, 1e-3);
    EXPECT_NEAR(second.y(), 260, 1e-3);
}

TEST(PmFixtureGeometry, HitTestAndCornerZones) {
    auto fixture = twoPixelFixture({2, 3});
    auto context = contextAt({50, 40}, 10);  // pixel 0 covers (70,70)-(80,80)
    struct Case {
        QPointF point;
        bool hit;
        bool marginal;
    } cases[] = {
        {{75, 75}, true, false},    // the middle
        {{71, 71}, true, true},     // 1 point in from the top-left corner
        {{71, 75}, true, false},    // the left edge, halfway down
        {{89, 79}, true, true},     // the second pixel's bottom-right corner
        {{90, 75}, false, false},   // just past the second pixel
        {{69.9, 75}, false, false},
    };
    for (const Case& c : cases) {
        bool marginal = !c.marginal;
        EXPECT_EQ(PmFixtureGeometry::hitTest(*fixture, c.point, context.get(), &marginal), c.hit)
            << c.point.x() << "," << c.point.y();
        if (c.hit) EXPECT_EQ(marginal, c.marginal) << c.point.x() << "," << c.point.y();
    }
    // Pixels under 5 points have no corner zones.
    auto small = contextAt({0, 0}, 4);
    bool marginal = true;
    EXPECT_TRUE(PmFixtureGeometry::hitTest(*fixture, {8.5, 12.5}, small.get(), &marginal));
    EXPECT_FALSE(marginal);
    // No context: nothing to lay the pixels out in but the zero rectangle.
    EXPECT_FALSE(PmFixtureGeometry::hitTest(*fixture, {500, 500}, nullptr));
}

TEST(PmFixtureGeometry, BoundsAndOutOfBounds) {
    auto fixture = twoPixelFixture({2, 3});
    auto context = contextAt({50, 40}, 10);
    EXPECT_EQ(PmFixtureGeometry::getBoundsRect(*fixture, *context, context->drawableContextRect()),
              QRectF(70, 70, 20, 10));
    EXPECT_FALSE(PmFixtureGeometry::updateOutOfBounds(*fixture, context.get()));
    fixture->setMPosition({191, 0});  // the second pixel's centre is past column 192
    EXPECT_TRUE(PmFixtureGeometry::updateOutOfBounds(*fixture, context.get()));
    EXPECT_TRUE(fixture->mAnyOutOfBounds());
    EXPECT_EQ(PmFixtureGeometry::firstPixelOrigin(*fixture, *context), QPointF(191, 0));
}

}  // namespace

KELO_TEST_MAIN()
