#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class PmContext;
class PmFixture;

// Where a fixture's pixels lie on its context and on the canvas: pixel
// origins rotated about the fixture's origin (the pixel rectangles themselves
// are never rotated), hit testing with corner zones, bounds and the
// out-of-bounds check. Main thread only, as the fixtures.
class PmFixtureGeometry {
public:
    // The pixel's origin in `rect`'s space for a pixel of `pixelSize`.
    static QPointF originForPixel(const PmFixture& fixture, QPointF pixel, QSizeF pixelSize,
                                  const QRectF& rect);
    // The first pixel record's origin in context pixels; the zero point for a
    // fixture without pixels.
    static QPointF firstPixelOrigin(const PmFixture& fixture, const PmContext& context);
    // Whether `point` (canvas coordinates) lies on a pixel. `isMarginal`, when
    // given, is set on a hit: the point lies in a corner zone of that pixel.
    static bool hitTest(const PmFixture& fixture, QPointF point, const PmContext* context,
                        bool* isMarginal = nullptr);
    // The union of the pixel rectangles laid out in `drawable`.
    static QRectF getBoundsRect(const PmFixture& fixture, const PmContext& context,
                                const QRectF& drawable);
    // Sets and answers the fixture's out-of-bounds flag: a pixel centre
    // outside the context's source rectangle.
    static bool updateOutOfBounds(PmFixture& fixture, const PmContext* context);
};
