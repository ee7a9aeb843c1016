#include "pixelmap/OmPixelMapGeometry.h"

#include "support/TestMain.h"

#include <cmath>

namespace {

OmPixelMapGeometry layout(QSizeF viewport, QRectF unionRect, double zoom = 1, int margin = 0) {
    OmPixelMapGeometry g;
    g.metaUnionRect = unionRect;
    g.contentSize = viewport;
    g.visibleRect = QRectF(QPointF(0, 0), viewport);
    g.zoomFactor = zoom;
    g.overlayViewMargin = margin;
    g.update();
    g.calculateDrawableRects();
    return g;
}

bool finite(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

TEST(OmPixelMapGeometry, ZoomStepsAndLimits) {
    struct Case {
        double amount;
        bool absolute;
        double from;
        double want;
    } cases[] = {
        {0.05, false, 2, 2 * 1.05}, {5, false, 2, 2 * (1 + double(0.1f))},
        {9, false, 2, 2 * (1 + double(0.3f))}, {25, false, 2, 3}, {-25, false, 4, 2},
        {0, false, 10, 10 * (1 + double(0.1f))}, {-25, false, 1.5, 1}, {25, false, 90, 100},
        {250, true, 5, 100}, {0.5, true, 5, 1}, {-7, true, 5, 7},
        {NAN, true, 5, 5}, {INFINITY, false, 5, 7.5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(OmPixelMapGeometry::zoomTarget(c.amount, c.absolute, c.from), c.want, 1e-6)
            << c.amount << (c.absolute ? " absolute" : " relative") << " from " << c.from;
}

TEST(OmPixelMapGeometry, FitsTheUnionAndGrowsWithZoom) {
    const auto g = layout({1000, 600}, {0, 0, 1920, 1080});
    EXPECT_NEAR(g.drawableSizeWithMargins.width(), 1000, 1e-6);
    EXPECT_EQ(g.fullsizeFrame, QRectF(0, 0, 1000, 600));
    // The overview map sits in the top-right corner, a fifth of the fit.
    EXPECT_EQ(g.miniMapRect, QRectF(800, 0, 200, 112));
    // The drawable shrank until it cleared the overview map.
    EXPECT_GT(g.marginPct, 1.0);
    EXPECT_LT(g.marginSteps, OmPixelMapGeometry::kMaxMarginSteps);
    EXPECT_NEAR(g.realSourceZoomFactor, g.drawableSize.width() / 1920, 1e-5);

    const auto z = layout({1000, 600}, {0, 0, 1920, 1080}, 4);
    EXPECT_NEAR(z.fullsizeFrame.width(), 4000, 1e-3);
    EXPECT_NEAR(z.realSourceZoomFactor, 4 * g.realSourceZoomFactor, 1e-4);
    EXPECT_TRUE(QRectF(z.adjBounds).contains(z.drawableMetaRect));
}

TEST(OmPixelMapGeometry, BadSizesStayFiniteAndEndTheMarginSearch) {
    const struct {
        QSizeF viewport;
        QRectF unionRect;
        int margin;
    } cases[] = {
        {{1000, 30}, {0, 0, 1920, 1080}, 20},  // shorter than its two margins
        {{1000, 40}, {0, 0, 1920, 1080}, 20},  // exactly its two margins
        {{0, 0}, {0, 0, 1920, 1080}, 20},
        {{1000, 600}, {0, 0, 0, 0}, 0},
        {{1000, 600}, {0, 0, 0, 1080}, 10},
        {{1, 1}, {0, 0, 1920, 1080}, 0},
    };
    for (const auto& c : cases) {
        const auto g = layout(c.viewport, c.unionRect, 1, c.margin);
        SCOPED_TRACE(testing::Message() << c.viewport.width() << "x" << c.viewport.height()
                                        << " margin " << c.margin);
        EXPECT_TRUE(std::isfinite(g.marginPct));
        EXPECT_GE(g.marginPct, 1.0);
        EXPECT_LE(g.marginSteps, OmPixelMapGeometry::kMaxMarginSteps);
        EXPECT_TRUE(std::isfinite(g.realSourceZoomFactor));
        EXPECT_TRUE(finite(g.fullsizeFrame));
        EXPECT_TRUE(finite(g.drawableMetaRect));
        EXPECT_GE(g.fullsizeFrame.width(), c.viewport.width());
    }
}

TEST(OmPixelMapGeometry, ZoomKeepsTheFocusPointOnScreen) {
    const QRectF vis(0, 0, 1000, 600);
    // Doubling the zoom around (500, 300): the point moves to (1000, 600) in
    // the document and the view scrolls by half a viewport to keep it.
    const QPointF o = OmPixelMapGeometry::zoomScrollOrigin({500, 300}, vis, {1000, 600}, 1, 2,
                                                           600, 600, 1200, 1200);
    EXPECT_NEAR(o.x(), 500, 1e-3);
    EXPECT_NEAR(o.y(), 300, 1e-3);
    // Never before the first point, and nothing from a zero viewport.
    EXPECT_EQ(OmPixelMapGeometry::zoomScrollOrigin({10, 10}, vis, {1000, 600}, 2, 1, 1, 1, 1, 1),
              QPointF(1, 1));
    EXPECT_EQ(OmPixelMapGeometry::zoomScrollOrigin({10, 10}, QRectF(), {0, 0}, 1, 2, 0, 0, 0, 0),
              QPointF(1, 1));
}

}  // namespace

KELO_TEST_MAIN()
