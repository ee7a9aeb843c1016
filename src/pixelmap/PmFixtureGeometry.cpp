#include "pixelmap/PmFixtureGeometry.h"

#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"

#include <algorithm>
#include <cmath>

QPointF PmFixtureGeometry::originForPixel(const PmFixture& fixture, QPointF pixel, QSizeF pixelSize,
                                          const QRectF& rect) {
    double x = pixel.x();
    double y = pixel.y();
    const float rotation = fixture.mFreeRotation();
    if (rotation != 0) {
        const float phi = rotation * 3.14159f / 180.0f;
        const float fx = float(x);
        const float fy = float(y);
        x = fx * std::cos(phi) - fy * std::sin(phi);
        y = fx * std::sin(phi) + fy * std::cos(phi);
    }
    const QPointF pos = fixture.mPosition();
    return {rect.x() + pixelSize.width() * (pos.x() + x),
            rect.y() + pixelSize.height() * (pos.y() + y)};
}

QPointF PmFixtureGeometry::firstPixelOrigin(const PmFixture& fixture, const PmContext& context) {
    if (fixture.pixels().empty()) return {};
    const OmFixturePixel& first = fixture.pixels().front();
    return originForPixel(fixture, {first.x, first.y}, {1, 1},
                          QRectF(QPointF(0, 0), context.context_size()));
}

bool PmFixtureGeometry::hitTest(const PmFixture& fixture, QPointF point, const PmContext* context,
                                bool* isMarginal) {
    const QSizeF size = context ? context->zoomedPixelSize() : QSizeF(1, 1);
    const QRectF rect = context ? context->drawableContextRect() : QRectF();
    if (!(size.width() > 0) || !(size.height() > 0)) return false;
    // The point in the fixture's own pixel units, so that each pixel costs a
    // few comparisons: a click tests thousands of them.
    const QPointF pos = fixture.mPosition();
    const double u = (point.x() - rect.x()) / size.width() - pos.x();
    const double v = (point.y() - rect.y()) / size.height() - pos.y();
    const float rotation = fixture.mFreeRotation();
    const float phi = rotation * 3.14159f / 180.0f;
    const float cs = rotation != 0 ? std::cos(phi) : 1.0f;
    const float sn = rotation != 0 ? std::sin(phi) : 0.0f;
    for (const OmFixturePixel& pixel : fixture.pixels()) {
        double x = pixel.x;
        double y = pixel.y;
        if (rotation != 0) {
            const float fx = float(x);
            const float fy = float(y);
            x = fx * cs - fy * sn;
            y = fx * sn + fy * cs;
        }
        // Half-open on the far edges, so that neighbouring pixels never both hit.
        if (u < x || v < y || u >= x + 1 || v >= y + 1) continue;
        if (isMarginal) {
            if (size.width() < 5 || size.height() < 5) {
                *isMarginal = false;
            } else {
                const QRectF r(originForPixel(fixture, {pixel.x, pixel.y}, size, rect), size);
                const double fw = r.width() / 5;
                const double fh = r.height() / 5;
                const bool inTopOrBottom = point.y() < r.top() + fh || point.y() >= r.bottom() - fh;
                const bool inLeftOrRight = point.x() < r.left() + fw || point.x() >= r.right() - fw;
                *isMarginal = inTopOrBottom && inLeftOrRight;
            }
        }
        return true;
    }
    return false;
}

QRectF PmFixtureGeometry::getBoundsRect(const PmFixture& fixture, const PmContext& context,
                                        const QRectF& drawable) {
    const QSizeF size = context.zoomedPixelSize();
    float minX = float(drawable.x() + drawable.width());
    float minY = float(drawable.y() + drawable.height());
    float maxX = 0;
    float maxY = 0;
    for (const OmFixturePixel& pixel : fixture.pixels()) {
        const QPointF o = originForPixel(fixture, {pixel.x, pixel.y}, size, drawable);
        minX = std::min({minX, float(o.x()), float(o.x() + size.width())});
        minY = std::min({minY, float(o.y()), float(o.y() + size.height())});
        maxX = std::max({maxX, float(o.x()), float(o.x() + size.width())});
        maxY = std::max({maxY, float(o.y()), float(o.y() + size.height())});
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

bool PmFixtureGeometry::updateOutOfBounds(PmFixture& fixture, const PmContext* context) {
    fixture.setMAnyOutOfBounds(false);
    const QSizeF size = context ? context->basePixelSize() : QSizeF(1, 1);
    const QRectF rect = context ? context->source_rect() : QRectF();
    const auto& pixels = fixture.pixels();
    for (auto it = pixels.rbegin(); it != pixels.rend(); ++it) {
        const QPointF o = originForPixel(fixture, {it->x, it->y}, size, rect);
        const QPointF centre(o.x() + size.width() / 2, o.y() + size.height() / 2);
        if (!rect.contains(centre)) {
            fixture.setMAnyOutOfBounds(true);
            break;
        }
    }
    return fixture.mAnyOutOfBounds();
}
