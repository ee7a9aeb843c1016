#pragma once

#include "platform/AttributedString.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

class StretchImage;

// Picture operations on QImage. None changes its argument; each returns a new
// image (ARGB32 premultiplied unless said otherwise). A `flipped` argument
// mirrors the result top to bottom: Qt painters are y-down, so callers that
// draw into them upright pass false.

// The image's opaque pixels painted in the colour, alpha kept.
QImage tintedImageWithColor(const QImage& image, const QColor& color);
QImage tintedImageWithColor(const QImage& image, const QColor& color, bool flipped);

// Hues rotated by `angle` radians; an angle of exactly 0 returns the image itself.
QImage adjustImage(const QImage& image, float angle);

// The image over a solid background (transparent for an invalid colour),
// drawn source-atop at the given opacity.
QImage imageWithBackgroundColor(const QImage& image, const QColor& color, float alpha,
                                bool flipped);

// A 32 x 32 x 32 cube of RGBA floats, red fastest, that maps every colour's
// HSV brightness into [minBrightness, maxBrightness] and its saturation into
// [minSaturation, maxSaturation] (below minSaturation: grey), with the alpha.
QByteArray colorLookupForAlpha(float alpha, float minBrightness, float maxBrightness,
                               float minSaturation, float maxSaturation);
// The image passed through a colour cube (trilinear). A null image when the
// cube is empty or its length is not n^3 RGBA floats for some n of 2 or more.
QImage imageWithColorLookup(const QImage& image, const QByteArray& cube, bool flipped);

// Darkened with black at alpha c (c > 0), or lightened with white at alpha -c,
// alpha capped at 1, over the image's opaque pixels.
QImage darkenedImageWithContrast(const QImage& image, float contrast);

// Copies in 8-bit RGBA premultiplied; the flipped one is upside down.
QImage cgImageCopy(const QImage& image);
QImage cgImageCopyFlipped(const QImage& image);
// Best-quality JPEG bytes; empty when the image cannot be encoded.
QByteArray dataAsJpeg(const QImage& image);

// A new image of the image's pixel size with the image drawn at `alpha`.
QImage imageWithCGImage(const QImage& image, float alpha);

// Inverted colours, then a light luminance sharpening.
QImage imageWithColorInverted(const QImage& image);

// Rotated counter-clockwise by whole degrees about the centre, on a canvas
// whose sides are swapped (meant for quarter turns).
QImage rotatedImage(const QImage& image, int degrees);

// The top-left (width, height) of the image, transparent where the image is
// smaller.
QImage imageCroppedToSize(const QImage& image, const QSize& size);
QImage imageCroppedToHeight(const QImage& image, int height);

// The resource image of that name, darkened or lightened to the operator's
// contrast setting; null when there is no such resource.
QImage contrastedImageNamed(const QString& name);

// Text as an image of the text's size; an invalid colour means the default
// text colour, a font size of 0 keeps the default size. Embossed text gets
// two darker copies below and to the right. Null for text without size.
QImage imageWithString(const QString& text, const QColor& color);
QImage imageWithString(const QString& text, const QColor& color, int fontSize, bool embossed);
QImage imageWithAttrString(const AttributedString& text, bool embossed);

// Text inside a circle (one character, always in bold at 11) or a pill,
// filled when `fill` is valid and outlined in a light grey (black for black
// text, which also drops the embossing). Process-wide: the suppress flag
// moves the text up a point and draws it plain.
void setSuppressFlipImageWithCircledString(bool suppress);
QImage imageWithCircledString(const QString& text, int fontSize, const QColor& fill);
QImage imageWithCircledString(const AttributedString& text, int fontSize, const QColor& fill);

// The gear menu icons with a small down arrow to the right of the gear, in the
// default text colour. Both are made on the first call and shared for the
// process: the first is a stretch image as wide as the first frame asked for
// (later frames change nothing), the second a 15 x 18 image. The gears come
// from the resources "KLR_Gear.png" and "Gear.png"; a drawn gear stands in
// where a resource is missing.
StretchImage* gearWithDownArrow(const QRectF& frame);
QImage gearWithDownArrow();
