#include "serverlink/KeloImage.h"

#include "foundation/OmLog.h"
#include "graphics/KeloDecompressJPEG.h"

#include <QFile>
#include <QPainter>

#include <cmath>

namespace {

constexpr int32_t kWantedTurns = 5;

bool validSize(const QSizeF& s) {
    return std::isfinite(s.width()) && std::isfinite(s.height()) && s.width() > 0 && s.height() > 0;
}

}  // namespace

std::unique_ptr<KeloImage> KeloImage::imageWithResourceNamed(const QString& name) {
    auto image = std::make_unique<KeloImage>();
    QFile file(QStringLiteral(":/") + name);
    if (file.open(QIODevice::ReadOnly)) image->setImageData(file.readAll());
    return image;
}

QImage KeloImage::cg_image() {
    wanted_ = kWantedTurns;
    if (imageData_.isEmpty()) return image_;

    QImage decoded;
    KeloDecompressJPEG::instance()->decompressJPEGDataSizeOutput(imageData_, imageSize_, &decoded);
    imageData_.clear();
    if (decoded.isNull()) return image_;

    // Previews arrive at a size of their own; show them at the original's aspect.
    const QSizeF received = validSize(imageSize_) ? imageSize_ : QSizeF(decoded.size());
    double width = received.width();
    double height = received.height();
    if (validSize(originalSize_)) {
        const double a = (originalSize_.width() / originalSize_.height()) /
                         (received.width() / received.height());
        if (a > 1)
            height = std::trunc(received.height() / a);
        else
            width = received.width() * a;
    }
    const QSize target(int(std::ceil(width)), int(std::ceil(height)));
    if (target.width() < 1 || target.height() < 1 || target.width() > kMaxContextSide ||
        target.height() > kMaxContextSide) {
        OmLogNoFlood(kOmLogDebug, "preview of %d x %d refused\n", target.width(), target.height());
        return image_;
    }
    if (target == decoded.size()) {
        image_ = decoded;
        return image_;
    }
    if (target != ctxSize_ || privateCtx_.isNull()) {
        ctxSize_ = target;
        privateCtx_ = QImage(target, QImage::Format_ARGB32_Premultiplied);
    }
    {
        QPainter painter(&privateCtx_);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), target), decoded);
    }
    image_ = privateCtx_;
    return image_;
}

QImage KeloImage::cv_image() {
    wanted_ = kWantedTurns;
    if (!imageData_.isEmpty()) {
        QImage decoded;
        KeloDecompressJPEG::instance()->decompressJPEGDataSizeCvpixbuf(imageData_, imageSize_,
                                                                       &decoded);
        if (!decoded.isNull()) cvImage_ = decoded;
    }
    imageData_.clear();
    return cvImage_;
}

QRectF KeloImage::getCenteredRect(const QRectF& rect) {
    const QImage image = cg_image();
    if (image.isNull()) return rect;
    const QSizeF aspect = validSize(originalSize_) ? originalSize_ : QSizeF(image.size());
    const QSizeF fitted = aspect.scaled(rect.size(), Qt::KeepAspectRatio);
    return QRectF(rect.x() + (rect.width() - fitted.width()) / 2,
                  rect.y() + (rect.height() - fitted.height()) / 2, fitted.width(),
                  fitted.height());
}

void KeloImage::drawInContext(QPainter& painter, const QRectF& rect, bool flipped) {
    if (image_.isNull()) return;
    if (!flipped) {
        painter.drawImage(rect, image_);
        return;
    }
    painter.save();
    painter.translate(0, rect.top() + rect.bottom());
    painter.scale(1, -1);
    painter.drawImage(rect, image_);
    painter.restore();
}
