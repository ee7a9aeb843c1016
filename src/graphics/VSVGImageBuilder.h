#pragma once

#include "graphics/VSVGCocoaDraw.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

// Larger images are refused: a document's own size is operator input.
inline constexpr int kVSVGMaxImageSide = 16384;

// Renders a whole document into a new image of a requested size, scaled to
// fit and placed at the top left, optionally with every shape in the given
// fill and stroke colours. The image is y-down like the document, so no flip
// is needed.
class VSVGImageBuilder : public VSVGCocoaDraw {
public:
    // Each returns a new image, or a null one: no or too short data, a
    // missing file, a zero size.
    static QImage newImageWithPath(const QString& path);
    static QImage newImageWithPath(const QString& path, const QSizeF& size);
    static QImage newImageWithPath(const QString& path, const QSizeF& size,
                                   const std::optional<QColor>& fillColor,
                                   const std::optional<QColor>& strokeColor);
    static QImage newImageWithData(const QByteArray& data, const QSizeF& size,
                                   const std::optional<QColor>& fillColor,
                                   const std::optional<QColor>& strokeColor);

    VSVGImageBuilder();
    ~VSVGImageBuilder() override;

    QImage image() const { return image_; }
    QSizeF size() const { return size_; }
    void setSize(const QSizeF& size) { size_ = size; }
    float scale() const { return scale_; }
    void setScale(float scale) { scale_ = scale; }

    void svgSetup() override;
    void svgCleanup() override;

private:
    QImage image_;
    std::unique_ptr<QPainter> imagePainter_;
    QSizeF size_;
    float scale_ = 1.0f;
};
