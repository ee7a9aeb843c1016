#pragma once

#include <QByteArray>
#include <QColor>
#include <QColorSpace>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <cstddef>

// Descriptions of the shared pixel-buffer format (32-bit BGRA) for code that
// allocates frame buffers; made once. The deep variant is the same format
// meant for OpenGL rather than a GPU surface.
const QVariantMap& stdPixelFormat();
const QVariantMap& stdPixelFormatDeep();
// The shared working colour space (sRGB), and the image-filter options that
// name it as the output colour space under "outputColorSpace".
const QColorSpace& OmxGetColorSpace();
const QVariantMap& GetCIContextOptions();

// Image decoding; a null QImage for data that is not of the named kind.
// `interpolate` is a drawing hint of the original image type; a QImage
// carries none, so painters choose their own smoothing.
QImage cgImageWithJPEGData(const QByteArray& data, bool interpolate = false);
QImage cgImageWithPNGData(const QByteArray& data, bool interpolate = false);
// A ".png" or ".jpg" file of the application's resources, or of any path.
QImage cgImageWithResourceNamed(const QString& name, bool interpolate = false);
QImage cgImageWithFile(const QString& path, bool interpolate = false);
// The image drawn scaled into a new opaque width x height image; a valid tint
// then multiplies every pixel. Null for an empty source or size.
QImage createSizedCGImageFromCGImage(const QImage& image, int width, int height,
                                     const QColor& tint = QColor());

// The picture size of a JFIF file from its frame header; 120 x 90 when the
// data is not JFIF or carries no usable size. Never reads beyond `length`.
void getJPEGsize(const void* data, size_t length, unsigned* width, unsigned* height);
QSizeF getJPEG_CGSize(const void* data, size_t length);
