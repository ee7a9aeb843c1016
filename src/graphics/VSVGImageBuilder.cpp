#include "graphics/VSVGImageBuilder.h"

#include "foundation/OmLog.h"
#include "graphics/VSVGParser.h"

#include <QPainter>

#include <cmath>

QImage VSVGImageBuilder::newImageWithPath(const QString& path) {
    QByteArray data;
    if (!readSVGDocument(path, &data)) return QImage();
    VSVGInfo info;
    VSVGParser::getSVGInfo(&info, data);
    return newImageWithData(data, QSizeF(info.width, info.height), std::nullopt, std::nullopt);
}

QImage VSVGImageBuilder::newImageWithPath(const QString& path, const QSizeF& size) {
    return newImageWithPath(path, size, std::nullopt, std::nullopt);
}

QImage VSVGImageBuilder::newImageWithPath(const QString& path, const QSizeF& size,
                                          const std::optional<QColor>& fillColor,
                                          const std::optional<QColor>& strokeColor) {
    QByteArray data;
    if (!readSVGDocument(path, &data)) return QImage();
    return newImageWithData(data, size, fillColor, strokeColor);
}

QImage VSVGImageBuilder::newImageWithData(const QByteArray& data, const QSizeF& size,
                                          const std::optional<QColor>& fillColor,
                                          const std::optional<QColor>& strokeColor) {
    if (data.size() < 10) return QImage();
    VSVGInfo info;
    VSVGParser::getSVGInfo(&info, data);
    VSVGImageBuilder builder;
    builder.setScale(float(svgFitScale(info, size.width(), size.height())));
    builder.setSize(size);
    builder.setForceFillColor(fillColor);
    builder.setForceStrokeColor(strokeColor);
    VSVGParser::parseWithData(data, &builder);
    return builder.image();
}

VSVGImageBuilder::VSVGImageBuilder() = default;

VSVGImageBuilder::~VSVGImageBuilder() = default;

void VSVGImageBuilder::svgSetup() {
    image_ = QImage();
    const double width = size_.width();
    const double height = size_.height();
    // Without a surface the shapes go nowhere: the painter stays unset.
    if (!(width > 0 && height > 0)) return;
    if (width > kVSVGMaxImageSide || height > kVSVGMaxImageSide) {
        OmLogNoFlood(kOmLogWarning, "SVG: image of %.0f x %.0f refused, more than %d a side", width,
                     height, kVSVGMaxImageSide);
        return;
    }
    VSVGCocoaDraw::svgSetup();
    image_ =
        QImage(int(std::ceil(width)), int(std::ceil(height)), QImage::Format_ARGB32_Premultiplied);
    image_.fill(Qt::transparent);
    imagePainter_ = std::make_unique<QPainter>(&image_);
    imagePainter_->setRenderHint(QPainter::Antialiasing);
    setPainter(imagePainter_.get());
    setGlobalTransform(QTransform::fromScale(scale_, scale_));
}

void VSVGImageBuilder::svgCleanup() {
    setPainter(nullptr);
    imagePainter_.reset();
}
