#include "pixelmap/OmPixelMapGeometry.h"

#include "graphics/ImageGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

}  // namespace

void OmPixelMapGeometry::update() {
    const double cw = contentSize.width();
    const double ch = contentSize.height();
    const QRectF vis = visibleRect;
    // A viewport no taller than its two margins has nothing left to shrink
    // into: the margins are then ignored instead of turning the factor
    // negative or infinite.
    const double spare = ch - 2.0 * overlayViewMargin;
    marginPct = spare > 0 ? ch / spare : 1.0;

    const QRectF fit = getCenteredRectFloat(QRectF(0, 0, vis.width(), vis.height()),
                                            metaUnionRect.width(), metaUnionRect.height());
    drawableSizeWithMargins = fit.size() * zoomFactor;
    drawableSize = drawableSizeWithMargins;

    QRectF c;
    marginSteps = 0;
    for (;;) {
        drawableSize = fit.size() * (zoomFactor / marginPct);
        calculateMiniMapRect();
        c = getCenteredRectNoScaling(QRectF(0, 0, vis.width(), vis.height()), cw / marginPct,
                                     ch / marginPct);
        const QRectF m(miniMapRect.x() - vis.x(), 0, miniMapRect.width(), miniMapRect.height());
        if (!c.intersects(m)) break;
        c.moveTop(vis.height() - float(c.height() + 0.025 * vis.height()));
        if (!c.intersects(m) || marginSteps >= kMaxMarginSteps || c.height() < 1) break;
        marginPct = float(marginPct * 1.025f);
        ++marginSteps;
    }
    topMarginPercent = vis.height() > 0 ? std::abs(c.y() - fit.y()) / vis.height() : 0;

    fullsizeFrame = QRectF(0, 0, std::max(cw, finiteOr(drawableSizeWithMargins.width(), cw)),
                           std::max(ch, finiteOr(drawableSizeWithMargins.height(), ch)));
    calculateMiniMapRect();
    realSourceZoomFactor =
        metaUnionRect.width() > 0 ? float(drawableSize.width() / metaUnionRect.width()) : 0.0;
    if (!std::isfinite(realSourceZoomFactor)) realSourceZoomFactor = 0;
}

void OmPixelMapGeometry::calculateMiniMapRect() {
    const QRectF r = getCenteredRectFloat(visibleRect, drawableSizeWithMargins.width(),
                                          drawableSizeWithMargins.height());
    miniWidth = int(finiteOr(r.width() / 5, 0));
    miniHeight = int(finiteOr(r.height() / 5, 0));
    miniMapRect = QRectF(visibleRect.x() + visibleRect.width() - miniWidth, visibleRect.y(),
                         miniWidth, miniHeight);
}

void OmPixelMapGeometry::calculateDrawableRects() {
    const double t = float(topMarginPercent * fullsizeFrame.height());
    adjBounds = QRectF(0, t, fullsizeFrame.width(), fullsizeFrame.height() - t);
    QRectF r = getCenteredRectNoScaling(adjBounds, drawableSize.width(), drawableSize.height());
    r.setSize(QSizeF(std::trunc(finiteOr(r.width(), 0)), std::trunc(finiteOr(r.height(), 0))));
    drawableMetaRect = r;
}

double OmPixelMapGeometry::zoomTarget(double amount, bool isAbsolute, double current) {
    double z;
    if (isAbsolute) {
        z = std::abs(amount);
        if (z >= kMaxZoom) z = kMaxZoom;
    } else {
        const float magnitude = float(std::abs(amount));
        double step = amount == 0 ? double(0.1f) : std::min(double(magnitude), double(0.1f));
        if (magnitude > 8) step = double(0.3f);
        if (magnitude > 20) step = 0.5;
        z = amount < 0 ? (1 - step) * current : (1 + step) * current;
    }
    if (!std::isfinite(z)) z = current;
    return std::clamp(z, kMinZoom, kMaxZoom);
}

QPointF OmPixelMapGeometry::zoomScrollOrigin(QPointF focus, const QRectF& vis, QSizeF newVis,
                                             double oldZoom, double newZoom, double f0, double d0,
                                             double f1, double d1) {
    if (oldZoom <= 0 || vis.width() <= 0 || vis.height() <= 0) return {1, 1};
    const double x = newZoom * focus.x() / oldZoom -
                     float((focus.x() - vis.x()) / vis.width()) * newVis.width();
    const double shift = (d0 > 0 && d1 > 0) ? float(float((f0 - d0) / d0 - (f1 - d1) / d1) * d1) : 0;
    const double y = newZoom * focus.y() / oldZoom -
                     float((focus.y() - vis.y()) / vis.height()) * newVis.height() - shift;
    return {std::max(1.0, finiteOr(x, 1)), std::max(1.0, finiteOr(y, 1))};
}
