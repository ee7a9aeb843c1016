#include "hud/theme/HUDShadow.h"

#include <QImage>
#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// Larger shadows are not worth their cost in a control.
constexpr int kMaxShadowSide = 4096;

// One box-blur pass over the alpha channel, horizontally or vertically.
void boxBlurAlpha(QImage& image, int radius, bool horizontal) {
    const int w = image.width();
    const int h = image.height();
    const int lines = horizontal ? h : w;
    const int length = horizontal ? w : h;
    std::vector<int> src(length);
    for (int line = 0; line < lines; ++line) {
        auto pixel = [&](int i) -> QRgb& {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            return reinterpret_cast<QRgb*>(image.scanLine(y))[x];
        };
        for (int i = 0; i < length; ++i) src[i] = qAlpha(pixel(i));
        int sum = 0;
        for (int i = -radius; i <= radius; ++i) sum += (i >= 0 && i < length) ? src[i] : 0;
        const int window = 2 * radius + 1;
        for (int i = 0; i < length; ++i) {
            const int a = sum / window;
            pixel(i) = qPremultiply(qRgba(0, 0, 0, a));
            const int out = i - radius;
            const int in = i + radius + 1;
            if (out >= 0) sum -= src[out];
            if (in < length) sum += src[in];
        }
    }
}
}  // namespace

void HUDShadow::paint(QPainter& painter, const QRectF& bounds,
                      const std::function<void(QPainter&)>& drawShape) const {
    if (isNull() || !drawShape || color_.alpha() == 0) return;
    const QTransform world = painter.worldTransform();
    const int margin = int(std::ceil(blurRadius_)) + 2;
    const QRect device =
        world.mapRect(bounds).toAlignedRect().adjusted(-margin, -margin, margin, margin);
    if (device.isEmpty() || device.width() > kMaxShadowSide || device.height() > kMaxShadowSide)
        return;

    QImage mask(device.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHints(painter.renderHints());
        p.setTransform(world * QTransform::fromTranslate(-device.x(), -device.y()));
        drawShape(p);
    }
    // Three box passes come close to the gaussian the blur radius describes.
    const int pass = int(std::lround(blurRadius_ / 2.0));
    if (pass > 0) {
        for (int i = 0; i < 3; ++i) {
            boxBlurAlpha(mask, pass, true);
            boxBlurAlpha(mask, pass, false);
        }
    }
    {
        QPainter p(&mask);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(mask.rect(), color_);
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(QPointF(device.topLeft()) + deviceOffset(), mask);
    painter.restore();
}
