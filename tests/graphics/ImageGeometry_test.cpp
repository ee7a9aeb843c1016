#include "graphics/ImageGeometry.h"

#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QPainter>

namespace {

struct CentreCase {
    QRectF rect;
    double w, h;
    QRectF expected;
};

TEST(ImageGeometry, CenteredRectFitsAndRounds) {
    const CentreCase cases[] = {
        {{0, 0, 100, 50}, 10, 10, {25, 0, 50, 50}},      // small picture scaled up
        {{0, 0, 100, 100}, 300, 100, {0, 33, 100, 34}},  // 33.5 .. 66.5 made integral
        {{10, 20, 80, 40}, 160, 80, {10, 20, 80, 40}},   // same ratio: unchanged
        {{0, 0, 100, 100}, 50, 100, {25, 0, 50, 100}},   // tall picture
        {{0, 0, 101, 50}, 100, 100, {25, 0, 51, 50}},    // x 25.5 rounded down, far edge up
    };
    for (const auto& c : cases) {
        EXPECT_EQ(getCenteredRect(c.rect, c.w, c.h), c.expected)
            << c.w << "x" << c.h << " in " << c.rect.width() << "x" << c.rect.height();
    }
    EXPECT_EQ(cgImageGetCenteredRect(QImage(10, 10, QImage::Format_ARGB32), QSizeF(0, 0),
                                     QRectF(0, 0, 100, 50)),
              QRectF(25, 0, 50, 50));
    EXPECT_EQ(cgImageGetCenteredRect(QImage(10, 10, QImage::Format_ARGB32), QSizeF(300, 100),
                                     QRectF(0, 0, 100, 100)),
              QRectF(0, 33, 100, 34));
}

TEST(ImageGeometry, CenteredRectOfDegenerateSizeIsEmpty) {
    for (const auto& [w, h] : {std::pair{10.0, 0.0}, {0.0, 10.0}, {-5.0, 10.0}}) {
        const QRectF r = getCenteredRect(QRectF(0, 0, 100, 50), w, h);
        EXPECT_TRUE(r.isEmpty());
        EXPECT_EQ(r.topLeft(), QPointF(50, 25));
    }
}

TEST(ImageGeometry, CenteredRectNoScaling) {
    const CentreCase cases[] = {
        {{0, 0, 40, 40}, 60, 20, {0, 10, 60, 20}},  // wider picture stays left
        {{0, 0, 100, 40}, 20, 10, {40, 15, 20, 10}},
        {{0, 0, 41, 41}, 20, 20, {10, 10, 20, 20}},   // 10.5 truncated
        {{0, 0, 40, 20}, 10, 40, {15, -10, 10, 40}},  // taller: overhangs both ends
    };
    for (const auto& c : cases) EXPECT_EQ(getCenteredRectNoScaling(c.rect, c.w, c.h), c.expected);
}

// 32 x 32 with a colour per quadrant and a white marker in two corners.
QImage quadrants() {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.fillRect(0, 0, 16, 16, Qt::red);
    p.fillRect(16, 0, 16, 16, Qt::green);
    p.fillRect(0, 16, 16, 16, Qt::blue);
    p.fillRect(16, 16, 16, 16, Qt::yellow);
    p.end();
    img.setPixel(3, 3, qRgb(255, 255, 255));
    img.setPixel(28, 28, qRgb(255, 255, 255));
    return img;
}

QRgb at(const QImage& img, int x, int y) {
    return img.pixel(x, y);
}

TEST(ImageGeometry, NinePartBorderKeepsCornersAndStretchesTheRest) {
    const QImage src = quadrants();
    for (bool fromFrags : {false, true}) {
        QImage out = canvas(100, 60);
        QPainter p(&out);
        if (fromFrags) {
            drawImageFragsAsBorderInRect(QSizeF(32, 32),
                                         createNinePartImageFrags(src, QSizeF(16, 16)),
                                         QRectF(0, 0, 100, 60), QSizeF(16, 16), p, 0);
        } else {
            drawImageAsBorderInRect(src, QRectF(0, 0, 100, 60), QSizeF(16, 16), p, 0);
        }
        p.end();
        SCOPED_TRACE(fromFrags ? "frags" : "whole image");
        EXPECT_EQ(at(out, 0, 0), qRgb(255, 0, 0));
        EXPECT_EQ(at(out, 3, 3), qRgb(255, 255, 255));  // corner not scaled
        EXPECT_EQ(at(out, 4, 4), qRgb(255, 0, 0));
        EXPECT_EQ(at(out, 99, 0), qRgb(0, 255, 0));
        EXPECT_EQ(at(out, 84, 15), qRgb(0, 255, 0));
        EXPECT_EQ(at(out, 0, 59), qRgb(0, 0, 255));
        EXPECT_EQ(at(out, 96, 56), qRgb(255, 255, 255));  // bottom-right marker kept its place
        EXPECT_EQ(at(out, 50, 5), qRgb(0, 255, 0));       // top edge from column 16
        EXPECT_EQ(at(out, 5, 30), qRgb(0, 0, 255));       // left edge from row 16
        EXPECT_EQ(at(out, 50, 30), qRgb(255, 255, 0));    // centre
    }
}

TEST(ImageGeometry, NinePartAtImageSizeDrawsNoStretchedPieces) {
    const QImage src = quadrants();
    QImage out = canvas(32, 32);
    QPainter p(&out);
    drawImageAsBorderInRect(src, QRectF(0, 0, 32, 32), QSizeF(16, 16), p, 0);
    p.end();
    EXPECT_EQ(out, src);
}

TEST(ImageGeometry, NinePartShorterThanCornersDrawsNoSideEdges) {
    const QImage src = quadrants();
    QImage out = canvas(100, 40);
    QPainter p(&out);
    // Bottom pieces are 16 high: a 20-high rectangle leaves no room for side edges.
    drawImageAsBorderInRect(src, QRectF(0, 20, 100, 20), QSizeF(16, 16), p, 0);
    p.end();
    EXPECT_EQ(qAlpha(at(out, 0, 10)), 0);
    EXPECT_EQ(at(out, 0, 20), qRgb(255, 0, 0));
    EXPECT_EQ(at(out, 0, 39), qRgb(0, 0, 255));
}

TEST(ImageGeometry, FlipHeightTakesTheRectangleYUp) {
    const QImage src = quadrants();
    QImage out = canvas(40, 100);
    QPainter p(&out);
    drawImageAsBorderInRect(src, QRectF(0, 0, 40, 40), QSizeF(16, 16), p, 100);
    p.end();
    EXPECT_EQ(qAlpha(at(out, 0, 0)), 0);
    EXPECT_EQ(at(out, 0, 60), qRgb(255, 0, 0));  // top of the picture at the top of the rect
    EXPECT_EQ(at(out, 0, 99), qRgb(0, 0, 255));
}

TEST(ImageGeometry, DrawImageFlippedMirrorsInPlace) {
    const QImage src = quadrants();
    QImage out = canvas(64, 64);
    QPainter p(&out);
    cgContextDrawImageFlipped(p, QRectF(16, 16, 32, 32), src);
    p.end();
    EXPECT_EQ(at(out, 16, 16), qRgb(0, 0, 255));
    EXPECT_EQ(at(out, 16, 47), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(at(out, 10, 10)), 0);
}

TEST(ImageGeometry, ClosestPointOnSegment) {
    const float a[2] = {0, 0}, b[2] = {10, 0};
    float out[2];
    const float p1[2] = {5, 3};
    EXPECT_FLOAT_EQ(closestPointToSegment2D(p1, a, b, out), 3);
    EXPECT_FLOAT_EQ(out[0], 5);
    const float p2[2] = {-4, 3};
    EXPECT_FLOAT_EQ(closestPointToSegment2D(p2, a, b, out), 5);
    EXPECT_FLOAT_EQ(out[0], 0);
    const float z[3] = {1, 1, 1}, q[3] = {1, 1, 3};
    float out3[3];
    EXPECT_FLOAT_EQ(closestPointToSegment3D(q, z, z, out3), 2);  // zero-length: the end point
}

}  // namespace

KELO_TEST_MAIN_GUI()
