#include "foundation/OmxImageUtil.h"

#include "foundation/VNSStringCategory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cstdint>

const QVariantMap& stdPixelFormat() {
    static const QVariantMap format{
        {QStringLiteral("PixelFormatType"), QStringLiteral("BGRA")},
        {QStringLiteral("BitsPerPixel"), 32},
        {QStringLiteral("QImageFormat"), int(QImage::Format_ARGB32_Premultiplied)},
        {QStringLiteral("MetalCompatibility"), true},
        {QStringLiteral("IOSurfaceProperties"), QVariantMap()},
    };
    return format;
}

const QVariantMap& stdPixelFormatDeep() {
    static const QVariantMap format{
        {QStringLiteral("PixelFormatType"), QStringLiteral("BGRA")},
        {QStringLiteral("BitsPerPixel"), 32},
        {QStringLiteral("QImageFormat"), int(QImage::Format_ARGB32_Premultiplied)},
        {QStringLiteral("OpenGLCompatibility"), true},
    };
    return format;
}

const QColorSpace& OmxGetColorSpace() {
    static const QColorSpace space(QColorSpace::SRgb);
    return space;
}

const QVariantMap& GetCIContextOptions() {
    static const QVariantMap options{
        {QStringLiteral("outputColorSpace"), QVariant::fromValue(OmxGetColorSpace())},
    };
    return options;
}

QImage cgImageWithJPEGData(const QByteArray& data, bool) {
    return QImage::fromData(data, "JPG");
}

QImage cgImageWithPNGData(const QByteArray& data, bool) {
    return QImage::fromData(data, "PNG");
}

QImage cgImageWithFile(const QString& path, bool interpolate) {
    const QString suffix = QFileInfo(path).suffix();
    if (suffix != QStringLiteral("png") && suffix != QStringLiteral("jpg")) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = file.readAll();
    return suffix == QStringLiteral("png") ? cgImageWithPNGData(data, interpolate)
                                           : cgImageWithJPEGData(data, interpolate);
}

QImage cgImageWithResourceNamed(const QString& name, bool interpolate) {
    if (name.isEmpty()) return {};
    return cgImageWithFile(QDir(applicationResourcesPath()).filePath(name), interpolate);
}

QImage createSizedCGImageFromCGImage(const QImage& image, int width, int height,
                                     const QColor& tint) {
    if (image.isNull() || width <= 0 || height <= 0) return {};
    QImage out(width, height, QImage::Format_RGB32);
    if (out.isNull()) return {};
    out.setColorSpace(image.colorSpace());
    out.fill(Qt::black);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, width, height), image);
    if (tint.isValid()) {
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        p.fillRect(QRect(0, 0, width, height), tint);
    }
    p.end();
    return out;
}

void getJPEGsize(const void* data, size_t length, unsigned* width, unsigned* height) {
    const auto* b = static_cast<const uint8_t*>(data);
    unsigned w = 0;
    unsigned h = 0;
    auto be16 = [b](size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; };
    if (b && length >= 10 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF && b[3] == 0xE0 &&
        std::equal(b + 6, b + 10, "JFIF")) {
        size_t i = 0;
        // Every step moves forward by at least two bytes, so a hostile zero
        // length cannot stall the walk.
        while (i + 1 < length && b[i] == 0xFF) {
            uint8_t marker = b[i + 1];
            if (marker == 0xD8) {
                i += 2;
            } else if (marker == 0xC0) {
                if (i + 9 <= length) {
                    h = be16(i + 5);
                    w = be16(i + 7);
                }
                break;
            } else {
                if (i + 4 > length) break;
                i += size_t(be16(i + 2)) + 2;
            }
        }
    }
    // A zero side is as useless as none; both fall back together.
    if (w == 0 || h == 0) {
        w = 120;
        h = 90;
    }
    if (width) *width = w;
    if (height) *height = h;
}

QSizeF getJPEG_CGSize(const void* data, size_t length) {
    unsigned w = 0;
    unsigned h = 0;
    getJPEGsize(data, length, &w, &h);
    return QSizeF(w, h);
}
