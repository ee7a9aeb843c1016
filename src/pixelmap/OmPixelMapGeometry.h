#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// The canvas's layout arithmetic, apart from any widget so that it can be
// checked headless: how the union of the source and its contexts is fitted
// into the scrolled area at a zoom factor, the margins kept free for the
// overlay and the overview map, and the zoom steps. Document coordinates:
// origin top left, y growing downwards.
class OmPixelMapGeometry {
public:
    static constexpr double kMinZoom = 1.0;
    static constexpr double kMaxZoom = 100.0;
    // Bounds the margin search: 1.025^400 shrinks anything to nothing.
    static constexpr int kMaxMarginSteps = 400;

    // Inputs.
    QRectF metaUnionRect;      // source pixels
    QSizeF contentSize;        // the viewport
    QRectF visibleRect;        // document coordinates
    double zoomFactor = 1.0;
    int overlayViewMargin = 0;

    // Results of update().
    double marginPct = 1.0;
    QSizeF drawableSize;
    QSizeF drawableSizeWithMargins;
    QRectF fullsizeFrame;
    QRectF miniMapRect;
    int miniWidth = 0;
    int miniHeight = 0;
    double topMarginPercent = 0;
    double realSourceZoomFactor = 0;
    int marginSteps = 0;  // how often the margin grew (for tests)

    // Results of calculateDrawableRects().
    QRectF adjBounds;
    QRectF drawableMetaRect;

    void update();
    void calculateMiniMapRect();
    void calculateDrawableRects();

    // The zoom a wheel, pinch, slider or menu asks for, kept in 1..100.
    static double zoomTarget(double amount, bool isAbsolute, double current);
    // The scroll origin that keeps `focus` (document point before the zoom)
    // where it was on screen. `vis` is the visible rectangle before, `newVis`
    // after the zoom; `f0`/`d0` and `f1`/`d1` the full and drawable heights
    // before and after. Never below 1 on either axis.
    static QPointF zoomScrollOrigin(QPointF focus, const QRectF& vis, QSizeF newVis,
                                    double oldZoom, double newZoom, double f0, double d0,
                                    double f1, double d1);
};
