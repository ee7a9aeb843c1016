// SVG documents from operators: the size reader, the parser, and both drawing
// back ends painting into small images, so that hostile coordinates, widths
// and transforms reach the painters too.
#include "graphics/VSVGCGImageBuilder.h"
#include "graphics/VSVGCoreGraphics.h"
#include "graphics/VSVGImageBuilder.h"
#include "graphics/VSVGParser.h"

#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    VSVGInfo info;
    VSVGParser::getSVGInfo(&info, bytes);
    VSVGImageBuilder::newImageWithData(bytes, QSizeF(48, 32), std::nullopt, QColor(Qt::blue));

    QImage image(32, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    VSVGCoreGraphics drawer(&painter);
    drawer.setGlobalTransform(QTransform::fromScale(0.5, 0.5));
    VSVGParser::parseWithData(bytes, &drawer);
    return 0;
}
