#include "status/KeloThumbLayer.h"

#include "graphics/ImageGeometry.h"

#include <QPainter>

void KeloThumbLayer::setContents(const QImage& image) {
    if (image.cacheKey() == contents_.cacheKey()) return;
    contents_ = image;
    scaled_ = QImage();
}

void KeloThumbLayer::paint(QPainter& painter) {
    if (hidden_ || frame_.width() <= 0 || frame_.height() <= 0) return;
    if (background_.isValid()) painter.fillRect(frame_, background_);
    if (contents_.isNull() || contents_.width() < 1 || contents_.height() < 1) return;
    const QRectF target = getCenteredRect(frame_, contents_.width(), contents_.height());
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (scaled_.isNull() || scaledFor_.size() != target.size() || scaledRatio_ != ratio) {
        const QSize pixels = (target.size() * ratio).toSize();
        if (pixels.isEmpty()) return;
        scaled_ = contents_.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_.setDevicePixelRatio(ratio);
        scaledFor_ = target;
        scaledRatio_ = ratio;
        ++scaleCount_;
    }
    painter.drawImage(target.topLeft(), scaled_);
}
