#include "graphics/ImageGeometry.h"

#include "foundation/OmLog.h"

#include <QPainter>

#include <cmath>

QSizeF cgImageGetSize(const QImage& image) {
    if (image.isNull()) return QSizeF(0, 0);
    return QSizeF(image.width(), image.height());
}

QRectF integralRect(const QRectF& rect) {
    if (rect.width() <= 0 || rect.height() <= 0) return QRectF(0, 0, 0, 0);
    const double x0 = std::floor(rect.x());
    const double y0 = std::floor(rect.y());
    const double x1 = std::ceil(rect.x() + rect.width());
    const double y1 = std::ceil(rect.y() + rect.height());
    return QRectF(x0, y0, x1 - x0, y1 - y0);
}

namespace {

QRectF emptyAtCentre(const QRectF& rect) {
    return QRectF(std::floor(rect.center().x()), std::floor(rect.center().y()), 0, 0);
}

}  // namespace

QRectF getCenteredRect(const QRectF& rect, double w, double h) {
    if (!(w > 0) || !(h > 0)) return emptyAtCentre(rect);
    const double a = w / h;
    double x = rect.x(), y = rect.y(), W = rect.width(), H = rect.height();
    const double n = H * a;
    if (n < W) {
        const double fitted = std::trunc(n + 0.5);
        if (fitted < W) {
            x += (W - fitted) / 2;
            W = fitted;
        }
    } else if (n > W) {
        const double m = std::trunc(W / a + 0.5);
        if (m < H) {
            y += (H - m) / 2;
            H = m;
        }
    }
    return integralRect(QRectF(x, y, W, H));
}

QRectF getCenteredRectFloat(const QRectF& rect, double w, double h) {
    if (!(w > 0) || !(h > 0)) return QRectF(rect.center(), QSizeF(0, 0));
    const double a = w / h;
    double x = rect.x(), y = rect.y(), W = rect.width(), H = rect.height();
    const double n = H * a;
    if (n < W) {
        x += (W - n) / 2;
        W = n;
    } else if (n > W) {
        const double m = W / a;
        y += (H - m) / 2;
        H = m;
    }
    return QRectF(x, y, W, H);
}

QRectF getCenteredRectNoScaling(const QRectF& rect, double w, double h) {
    double x = rect.x();
    if (rect.width() > w) x += (rect.width() - w) / 2;
    const double y = rect.y() + (rect.height() - h) / 2;
    return QRectF(std::trunc(x), std::trunc(y), w, h);
}

QRectF nsImageGetCenteredRect(const QImage& image, const QRectF& rect) {
    return getCenteredRect(rect, image.width(), image.height());
}

QRectF cgImageGetCenteredRect(const QImage& image, const QSizeF& size, const QRectF& rect) {
    if (size.width() == 0) return getCenteredRect(rect, image.width(), image.height());
    return getCenteredRect(rect, size.width(), size.height());
}

void cgContextDrawImageFlipped(QPainter& ctx, const QRectF& rect, const QImage& image) {
    ctx.save();
    ctx.translate(0, rect.y() + rect.height());
    ctx.scale(1, -1);
    ctx.drawImage(QRectF(rect.x(), 0, rect.width(), rect.height()), image);
    ctx.restore();
}

namespace {

// Source rectangles of the nine pieces, in the image's top-down pixels.
std::array<QRect, 9> ninePartSources(int W, int H, int cx, int cy) {
    return {QRect(0, 0, cx, cy),      QRect(W - cx, 0, cx, cy),      QRect(cx, 0, 1, cy),
            QRect(0, cy, cx, H - cy), QRect(W - cx, cy, cx, H - cy), QRect(cx, cy, 1, H - cy),
            QRect(0, cy, cx, 1),      QRect(W - cx, cy, cx, 1),      QRect(cx, cy, 1, 1)};
}

// Lays the nine pieces out over `rect` (y-down) and hands each target to
// `draw`. rb is the bottom pieces' height.
template <typename Draw>
void layoutNineParts(const QRectF& rect, double cx, double cy, double rb, Draw draw) {
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    const double mw = w - 2 * cx;
    const double mh = h - rb - cy;
    draw(0, QRectF(x, y, cx, cy));
    draw(1, QRectF(x + w - cx, y, cx, cy));
    if (mw > 0) draw(2, QRectF(x + cx, y, mw, cy));
    draw(3, QRectF(x, y + h - rb, cx, rb));
    draw(4, QRectF(x + w - cx, y + h - rb, cx, rb));
    if (mw > 0) draw(5, QRectF(x + cx, y + h - rb, mw, rb));
    if (mh > 0) {
        draw(6, QRectF(x, y + cy, cx, mh));
        draw(7, QRectF(x + w - cx, y + cy, cx, mh));
        if (mw > 0) draw(8, QRectF(x + cx, y + cy, mw, mh));
    }
}

QRectF unflip(const QRectF& rect, int flipHeight) {
    if (flipHeight == 0) return rect;
    return QRectF(rect.x(), flipHeight - rect.y() - rect.height(), rect.width(), rect.height());
}

}  // namespace

NinePartFrags createNinePartImageFrags(const QImage& image, const QSizeF& corner) {
    NinePartFrags frags;
    if (image.isNull()) return frags;
    const auto sources =
        ninePartSources(image.width(), image.height(), int(corner.width()), int(corner.height()));
    for (size_t i = 0; i < frags.size(); ++i) frags[i] = image.copy(sources[i]);
    return frags;
}

void drawImageFragsAsBorderInRect(const QSizeF& imageSize, const NinePartFrags& frags,
                                  const QRectF& rect, const QSizeF& corner, QPainter& ctx,
                                  int flipHeight) {
    ctx.save();
    // Edges are single pixels stretched: smoothing would only blur them.
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const double cy = corner.height();
    layoutNineParts(unflip(rect, flipHeight), corner.width(), cy, imageSize.height() - cy,
                    [&](int i, const QRectF& target) {
                        if (!frags[i].isNull()) ctx.drawImage(target, frags[i]);
                    });
    ctx.restore();
}

void drawImageAsBorderInRect(const QImage& image, const QRectF& rect, const QSizeF& corner,
                             QPainter& ctx, int flipHeight) {
    if (image.isNull()) return;
    const int cx = int(corner.width()), cy = int(corner.height());
    const auto sources = ninePartSources(image.width(), image.height(), cx, cy);
    ctx.save();
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, false);
    layoutNineParts(unflip(rect, flipHeight), cx, cy, image.height() - cy,
                    [&](int i, const QRectF& target) {
                        if (sources[i].width() > 0 && sources[i].height() > 0)
                            ctx.drawImage(target, image, sources[i]);
                    });
    ctx.restore();
}

void DumpCGContext(const QPainter* ctx) {
    if (!ctx) return;
    const QTransform t = ctx->transform();
    OmLogNoFlood(kOmLogInfo, "DumpCGContext flipped %d, op %d, attrs hints 0x%x",
                 t.m22() < 0 ? 1 : 0, int(ctx->compositionMode()), unsigned(ctx->renderHints()));
    if (!t.isIdentity()) {
        OmLogNoFlood(kOmLogInfo, "   tfm a %f b %f c %f d %f tx %f ty %f", t.m11(), t.m12(),
                     t.m21(), t.m22(), t.dx(), t.dy());
    }
    if (ctx->hasClipping()) {
        const QRectF clip = ctx->clipBoundingRect();
        OmLogNoFlood(kOmLogInfo, "   clip {{%g, %g}, {%g, %g}}", clip.x(), clip.y(), clip.width(),
                     clip.height());
    }
}

namespace {

template <int N>
float closestPoint(const float p[N], const float a[N], const float b[N], float out[N]) {
    float num = 0, den = 0;
    for (int i = 0; i < N; ++i) {
        num += (p[i] - a[i]) * (b[i] - a[i]);
        den += (b[i] - a[i]) * (b[i] - a[i]);
    }
    float t = den > 0 ? num / den : 0.0f;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    float dist2 = 0;
    for (int i = 0; i < N; ++i) {
        out[i] = a[i] + t * (b[i] - a[i]);
        dist2 += (p[i] - out[i]) * (p[i] - out[i]);
    }
    return std::sqrt(dist2);
}

}  // namespace

float closestPointToSegment2D(const float p[2], const float a[2], const float b[2], float out[2]) {
    return closestPoint<2>(p, a, b, out);
}

float closestPointToSegment3D(const float p[3], const float a[3], const float b[3], float out[3]) {
    return closestPoint<3>(p, a, b, out);
}
