#include "graphics/StretchImage.h"

#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QPainter>

namespace {

TEST(GLTextureCtx, SizesRoundUpAndResultsAppearOnUnlock) {
    const std::pair<double, double> cases[] = {{10.2, 11}, {10.0, 10}, {0.5, 1}, {3.0, 3}};
    for (const auto& [in, out] : cases) {
        GLTextureCtx ctx(in, in);
        EXPECT_EQ(ctx.width(), out) << in;
        EXPECT_EQ(ctx.imageRect(), QRectF(0, 0, out, out));
    }
    GLTextureCtx ctx(4, 2);
    EXPECT_TRUE(ctx.nsImage().isNull());
    EXPECT_TRUE(ctx.cgImageRef().isNull());
    QPainter* p = ctx.lockFocusAndClear();
    ASSERT_NE(p, nullptr);
    ctx.flipContext();
    p->fillRect(QRectF(0, 0, 4, 1), Qt::red);  // y-up: the bottom row
    ctx.unlockFocusAndDraw(false);
    EXPECT_EQ(ctx.painter(), nullptr);
    ASSERT_EQ(ctx.cgImageRef().size(), QSize(4, 2));
    EXPECT_EQ(ctx.cgImageRef().format(), QImage::Format_RGBA8888_Premultiplied);
    EXPECT_EQ(ctx.nsImage().pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(ctx.nsImage().pixel(0, 0)), 0);

    // A second paint starts from a clear surface and leaves the first result alone.
    const QImage first = ctx.cgImageRef();
    ctx.lockFocusAndClear();
    ctx.unlockFocusAndDraw(false);
    EXPECT_EQ(qAlpha(ctx.nsImage().pixel(0, 1)), 0);
    EXPECT_EQ(first.pixel(0, 1), qRgb(255, 0, 0));
}

TEST(GLTextureCtx, EmptySurfaceRefusesToPaint) {
    GLTextureCtx ctx(0, 10);
    EXPECT_EQ(ctx.lockFocusAndClear(), nullptr);
    ctx.unlockFocusAndDraw(true);
    EXPECT_TRUE(ctx.nsImage().isNull());
}

// 40 x 32: left cap red (0..9), middle green with a blue stripe at column 11,
// right cap yellow (30..39); a white dot at (1, 1) and (38, 30) marks corners.
std::unique_ptr<StretchImage> makeImage() {
    auto img = std::make_unique<StretchImage>(10, 10, 40, 32);
    QPainter* p = img->lockFocusAndClear();
    p->setRenderHint(QPainter::Antialiasing, false);
    p->fillRect(0, 0, 10, 32, Qt::red);
    p->fillRect(10, 0, 20, 32, Qt::green);
    p->fillRect(11, 0, 1, 32, Qt::blue);
    p->fillRect(30, 0, 10, 32, Qt::yellow);
    p->fillRect(1, 1, 1, 1, Qt::white);
    p->fillRect(38, 30, 1, 1, Qt::white);
    img->unlockFocusAndDraw(false);
    return img;
}

TEST(StretchImage, ThreePartPieces) {
    StretchImage img(10, 10, 40, 32);
    img.setExtraX(20, 5);
    struct Case {
        int width, flags;
        size_t glCount;
    } cases[] = {
        {12, 1, 2},  // below minWidth: caps only, drawn at minWidth
        {20, 1, 2},  // equal: still no middle
        {60, 0, 3},  // middle, no extra without flags
        {60, 1, 4},  // middle and extra
    };
    for (const auto& c : cases) {
        const auto pieces = img.glPieces(5, c.width, c.flags);
        ASSERT_EQ(pieces.size(), c.glCount) << c.width << "/" << c.flags;
        const double r = 5 + std::max(c.width, 20);
        EXPECT_EQ(pieces[0].destRight, r);  // right cap first on the GL path
        EXPECT_EQ(pieces[0].srcLeft, 30);
        EXPECT_EQ(pieces[1].destLeft, 5);
    }
    const auto full = img.glPieces(5, 60, 1);
    EXPECT_EQ(full[2].srcLeft, 12);
    EXPECT_EQ(full[2].srcRight, 12);
    EXPECT_EQ(full[3].destLeft, 65 - 10 - 5);
    EXPECT_EQ(full[3].srcRight, 25);
    for (int extraX : {0, -1}) {
        img.setExtraX(extraX, 5);
        EXPECT_EQ(img.glPieces(5, 60, 1).size(), 3u) << extraX;
    }
    const auto imagePieces = img.imagePieces(0, 60);
    ASSERT_EQ(imagePieces.size(), 3u);
    EXPECT_EQ(imagePieces[1].srcLeft, 11);
    EXPECT_EQ(imagePieces[2].destLeft, 50);
}

TEST(StretchImage, NSImagePathStretchesOneColumn) {
    auto img = makeImage();
    QImage out = canvas(80, 32);
    QPainter p(&out);
    img->drawNSImage(0, 80, 0, p);
    p.end();
    EXPECT_EQ(out.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(40, 10), qRgb(0, 0, 255));  // column 11 stretched across
    EXPECT_EQ(out.pixel(78, 30), qRgb(255, 255, 255));
}

TEST(StretchImage, CachedNinePartKeepsCornersAndStretchesMiddle) {
    auto img = makeImage();
    EXPECT_EQ(img->ninePartCorner(), QSizeF(10, 8));
    QImage out = canvas(200, 100);
    QPainter p(&out);
    img->drawCGImageInFrame(QRectF(0, 0, 200, 100), p);
    img->drawCGImageInFrame(QRectF(0, 0, 200, 100), p);  // second time from the layer
    p.end();
    EXPECT_EQ(img->cachedLayerCount(), 1);
    EXPECT_EQ(out.pixel(1, 1), qRgb(255, 255, 255));  // top-left corner unscaled
    EXPECT_EQ(out.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(198, 98), qRgb(255, 255, 255));  // bottom-right corner unscaled
    EXPECT_EQ(out.pixel(195, 50), qRgb(255, 255, 0));
    EXPECT_EQ(out.pixel(100, 50), qRgb(0, 255, 0));  // centre from column 10
    EXPECT_EQ(out.pixel(5, 50), qRgb(255, 0, 0));
}

TEST(StretchImage, OwnSizeIsACopyAndOnlyFiveSizesAreCached) {
    auto img = makeImage();
    QImage out = canvas(300, 100);
    QPainter p(&out);
    img->drawCGImageInFrame(QRectF(203, 54, 40, 32), p);
    EXPECT_EQ(img->cachedLayerCount(), 0);
    for (int i = 0; i < 7; ++i) img->drawCGImageInFrame(QRectF(0, 0, 50 + i * 10, 40), p);
    EXPECT_EQ(img->cachedLayerCount(), StretchImage::kLayerSlots);
    p.end();
    EXPECT_EQ(out.pixel(203 + 11, 54 + 5), qRgb(0, 0, 255));  // exact copy keeps the stripe
    EXPECT_EQ(out.pixel(60, 20), qRgb(0, 255, 0));            // the uncached sizes still drew
}

TEST(StretchImage, RepaintReplacesCachedPieces) {
    auto img = makeImage();
    QImage out = canvas(100, 50);
    {
        QPainter p(&out);
        img->drawCGImageInFrame(QRectF(0, 0, 100, 50), p);
    }
    QPainter* paint = img->lockFocusAndClear();
    paint->fillRect(img->imageRect(), Qt::magenta);
    img->unlockFocusAndDraw(false);
    EXPECT_EQ(img->cachedLayerCount(), 0);
    QPainter p(&out);
    img->drawCGImageInFrame(QRectF(0, 0, 100, 50), p);
    p.end();
    EXPECT_EQ(out.pixel(50, 25), qRgb(255, 0, 255));
}

TEST(StretchImage, OptionFlagsDrawChosenPieces) {
    auto img = makeImage();
    struct Case {
        int flags;
        QRgb left, middle, right;
    } cases[] = {
        {2, qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 255)},
        {4, 0, qRgb(0, 0, 255), qRgb(255, 255, 0)},  // right cap at the right end
        {7, 0, qRgb(0, 0, 255), qRgb(0, 0, 255)},    // other flags: middle only
    };
    for (const auto& c : cases) {
        QImage out = canvas(100, 32);
        QPainter p(&out);
        img->drawCGImageInFrameOptionFlags(QRectF(0, 0, 100.7, 32), c.flags, p);
        p.end();
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(out.pixel(5, 10), c.left);
        EXPECT_EQ(out.pixel(50, 10), c.middle);
        EXPECT_EQ(out.pixel(95, 10), c.right);
    }
}

}  // namespace

KELO_TEST_MAIN_GUI()
