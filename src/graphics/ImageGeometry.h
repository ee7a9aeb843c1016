#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <array>

class QPainter;

// Placing pictures in rectangles and drawing nine-part borders. All drawing is
// in the painter's y-down coordinates; where a caller still thinks y-up, it
// passes a flip height and the rectangle is converted here.

// Pixel size of the image; the zero size for a null image.
QSizeF cgImageGetSize(const QImage& image);

// Largest rectangle of the w:h ratio that fits, centred on the spare axis,
// fitted side rounded and the result made integral. A small picture is scaled
// up. A non-positive w or h gives an empty rectangle at the centre.
QRectF getCenteredRect(const QRectF& rect, double w, double h);
// The same without any rounding.
QRectF getCenteredRectFloat(const QRectF& rect, double w, double h);
// (w, h) placed without scaling: x moves only when the rectangle is wider, y
// always moves by half the difference; the origin is truncated toward zero.
QRectF getCenteredRectNoScaling(const QRectF& rect, double w, double h);
inline QRectF cgCenteredRect(const QRectF& rect, double w, double h) {
    return getCenteredRect(rect, w, h);
}
inline QRectF cgCenteredRectNoScaling(const QRectF& rect, double w, double h) {
    return getCenteredRectNoScaling(rect, w, h);
}
QRectF nsImageGetCenteredRect(const QImage& image, const QRectF& rect);
// Uses `size`, or the image's pixel size when size has zero width.
QRectF cgImageGetCenteredRect(const QImage& image, const QSizeF& size, const QRectF& rect);

// Origin rounded down, far edges rounded up; an empty rectangle stays empty.
QRectF integralRect(const QRectF& rect);

// Draws the image mirrored top to bottom within the rectangle.
void cgContextDrawImageFlipped(QPainter& ctx, const QRectF& rect, const QImage& image);

// The nine pieces of an image cut at corner size (cx, cy), in this order:
// top-left, top-right, top edge, bottom-left, bottom-right, bottom edge,
// left edge, right edge, centre. Edges and centre are one pixel thick.
using NinePartFrags = std::array<QImage, 9>;
NinePartFrags createNinePartImageFrags(const QImage& image, const QSizeF& corner);

// Draws the pieces as a border filling `rect`: corners unscaled, edges and
// centre stretched; pieces whose stretched size would be empty are skipped.
// A non-zero flipHeight means `rect` is given y-up in a surface of that height.
void drawImageFragsAsBorderInRect(const QSizeF& imageSize, const NinePartFrags& frags,
                                  const QRectF& rect, const QSizeF& corner, QPainter& ctx,
                                  int flipHeight);
// Cuts and draws in one go, straight from the image.
void drawImageAsBorderInRect(const QImage& image, const QRectF& rect, const QSizeF& corner,
                             QPainter& ctx, int flipHeight);

// Writes the painter's state (flip, composition mode, hints, transform,
// clip) to the log; nothing for a null painter.
void DumpCGContext(const QPainter* ctx);

// Nearest point to p on the segment a..b; returns the distance. A zero-length
// segment answers a.
float closestPointToSegment2D(const float p[2], const float a[2], const float b[2], float out[2]);
float closestPointToSegment3D(const float p[3], const float a[3], const float b[3], float out[3]);
