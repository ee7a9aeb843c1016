#include "graphics/ImageUtilCategory.h"

#include "foundation/OmLog.h"
#include "foundation/OmxImageUtil.h"
#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilColours.h"
#include "graphics/StretchImage.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

namespace {

constexpr int kCubeSide = 32;

QImage blank(QSize size) {
    QImage out(size, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    return out;
}

QImage mirroredIf(QImage image, bool flipped) {
    return flipped ? image.mirrored(false, true) : image;
}

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

// 30 % of the way from black to the colour: the embossing shade.
QColor blendedShade(const QColor& colour) {
    return QColor::fromRgbF(colour.redF() * 0.3f, colour.greenF() * 0.3f, colour.blueF() * 0.3f,
                            colour.alphaF());
}

void rgbToHsv(float r, float g, float b, float& h, float& s, float& v) {
    const float mx = std::max({r, g, b});
    const float mn = std::min({r, g, b});
    const float d = mx - mn;
    v = mx;
    s = mx > 0 ? d / mx : 0;
    if (d <= 0) {
        h = 0;
    } else if (mx == r) {
        h = std::fmod((g - b) / d + 6.0f, 6.0f);
    } else if (mx == g) {
        h = (b - r) / d + 2.0f;
    } else {
        h = (r - g) / d + 4.0f;
    }
    h /= 6.0f;
}

void hsvToRgb(float h, float s, float v, float& r, float& g, float& b) {
    const float h6 = std::fmod(h, 1.0f) * 6.0f;
    const int sector = int(h6) % 6;
    const float f = h6 - std::floor(h6);
    const float p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (sector) {
        case 0:
            r = v, g = t, b = p;
            break;
        case 1:
            r = q, g = v, b = p;
            break;
        case 2:
            r = p, g = v, b = t;
            break;
        case 3:
            r = p, g = q, b = v;
            break;
        case 4:
            r = t, g = p, b = v;
            break;
        default:
            r = v, g = p, b = q;
            break;
    }
}

// Calls fn(r, g, b, a) with straight (unpremultiplied) 0..1 floats for each
// pixel and stores what it leaves in them.
template <typename Fn>
QImage mapPixels(const QImage& image, Fn fn) {
    QImage work = image.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < work.height(); ++y) {
        uchar* px = work.scanLine(y);
        for (int x = 0; x < work.width(); ++x, px += 4) {
            float c[4] = {px[0] / 255.0f, px[1] / 255.0f, px[2] / 255.0f, px[3] / 255.0f};
            fn(c[0], c[1], c[2], c[3]);
            for (int i = 0; i < 4; ++i) px[i] = uchar(std::lround(clamp01(c[i]) * 255.0f));
        }
    }
    return work.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QImage tintedImageWithColor(const QImage& image, const QColor& color) {
    return tintedImageWithColor(image, color, false);
}

QImage tintedImageWithColor(const QImage& image, const QColor& color, bool flipped) {
    if (image.isNull()) return QImage();
    QImage out = blank(image.size());
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, mirroredIf(image, flipped));
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), color);
    p.end();
    out.setText("name", image.text("name"));
    return out;
}

QImage adjustImage(const QImage& image, float angle) {
    if (angle == 0) return image;
    // Rotation about the grey axis in YIQ space: greys stay grey.
    const float c = std::cos(angle), s = std::sin(angle);
    const float m[3][3] = {{0.299f + 0.701f * c + 0.168f * s, 0.587f - 0.587f * c + 0.330f * s,
                            0.114f - 0.114f * c - 0.497f * s},
                           {0.299f - 0.299f * c - 0.328f * s, 0.587f + 0.413f * c + 0.035f * s,
                            0.114f - 0.114f * c + 0.292f * s},
                           {0.299f - 0.300f * c + 1.250f * s, 0.587f - 0.588f * c - 1.050f * s,
                            0.114f + 0.886f * c - 0.203f * s}};
    return mapPixels(image, [&](float& r, float& g, float& b, float&) {
        const float nr = m[0][0] * r + m[0][1] * g + m[0][2] * b;
        const float ng = m[1][0] * r + m[1][1] * g + m[1][2] * b;
        const float nb = m[2][0] * r + m[2][1] * g + m[2][2] * b;
        r = nr, g = ng, b = nb;
    });
}

QImage imageWithBackgroundColor(const QImage& image, const QColor& color, float alpha,
                                bool flipped) {
    if (image.isNull()) return QImage();
    QImage out = blank(image.size());
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(out.rect(), color.isValid() ? color : QColor(Qt::transparent));
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.setOpacity(alpha);
    p.drawImage(0, 0, mirroredIf(image, flipped));
    p.end();
    out.setText("name", image.text("name"));
    return out;
}

QByteArray colorLookupForAlpha(float alpha, float minBrightness, float maxBrightness,
                               float minSaturation, float maxSaturation) {
    const int n = kCubeSide;
    QByteArray data(n * n * n * 4 * int(sizeof(float)), Qt::Uninitialized);
    float* out = reinterpret_cast<float*>(data.data());
    for (int b = 0; b < n; ++b) {
        for (int g = 0; g < n; ++g) {
            for (int r = 0; r < n; ++r) {
                float h, s, v;
                rgbToHsv(r / float(n - 1), g / float(n - 1), b / float(n - 1), h, s, v);
                v = v * (maxBrightness - minBrightness) + minBrightness;
                if (s > 0) {
                    s = s < minSaturation
                            ? 0
                            : (s - minSaturation) * (maxSaturation - minSaturation) + minSaturation;
                }
                float rr, gg, bb;
                hsvToRgb(h, s, v, rr, gg, bb);
                *out++ = rr;
                *out++ = gg;
                *out++ = bb;
                *out++ = alpha;
            }
        }
    }
    return data;
}

QImage imageWithColorLookup(const QImage& image, const QByteArray& cube, bool flipped) {
    if (cube.isEmpty() || image.isNull()) return QImage();
    const qsizetype entries = cube.size() / qsizetype(4 * sizeof(float));
    const int n = int(std::lround(std::cbrt(double(entries))));
    if (n < 2 || qsizetype(n) * n * n * 4 * qsizetype(sizeof(float)) != cube.size()) {
        OmLogNoFlood(kOmLogWarning, "imageWithColorLookup: cube of %lld bytes is not n^3 RGBA",
                     static_cast<long long>(cube.size()));
        return QImage();
    }
    const float* lut = reinterpret_cast<const float*>(cube.constData());
    auto at = [&](int r, int g, int b, int ch) { return lut[((b * n + g) * n + r) * 4 + ch]; };
    QImage result =
        mapPixels(mirroredIf(image, flipped), [&](float& r, float& g, float& b, float& a) {
            const float in[3] = {r * (n - 1), g * (n - 1), b * (n - 1)};
            int i0[3];
            float f[3];
            for (int k = 0; k < 3; ++k) {
                i0[k] = std::min(int(in[k]), n - 2);
                f[k] = in[k] - i0[k];
            }
            float outc[4];
            for (int ch = 0; ch < 4; ++ch) {
                float acc = 0;
                for (int corner = 0; corner < 8; ++corner) {
                    const int dr = corner & 1, dg = (corner >> 1) & 1, db = (corner >> 2) & 1;
                    const float w =
                        (dr ? f[0] : 1 - f[0]) * (dg ? f[1] : 1 - f[1]) * (db ? f[2] : 1 - f[2]);
                    acc += w * at(i0[0] + dr, i0[1] + dg, i0[2] + db, ch);
                }
                outc[ch] = acc;
            }
            r = outc[0], g = outc[1], b = outc[2], a = a * outc[3];
        });
    result.setText("name", image.text("name"));
    return result;
}

QImage darkenedImageWithContrast(const QImage& image, float contrast) {
    if (image.isNull()) return QImage();
    QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QColor shade = contrast > 0 ? QColor(Qt::black) : QColor(Qt::white);
    shade.setAlphaF(std::min(std::fabs(contrast), 1.0f));
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(out.rect(), shade);
    return out;
}

QImage cgImageCopy(const QImage& image) {
    if (image.isNull()) return QImage();
    return image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

QImage cgImageCopyFlipped(const QImage& image) {
    return cgImageCopy(image).mirrored(false, true);
}

QByteArray dataAsJpeg(const QImage& image) {
    QByteArray bytes;
    if (image.isNull()) return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
        OmLogNoFlood(kOmLogWarning, "dataAsJpeg: %s", qPrintable(writer.errorString()));
        return QByteArray();
    }
    return bytes;
}

QImage imageWithCGImage(const QImage& image, float alpha) {
    if (image.isNull()) return QImage();
    QImage out = blank(image.size());
    QPainter p(&out);
    p.setOpacity(alpha);
    p.drawImage(0, 0, image);
    return out;
}

QImage imageWithColorInverted(const QImage& image) {
    if (image.isNull()) return QImage();
    QImage inv = image.convertToFormat(QImage::Format_RGBA8888);
    inv.invertPixels(QImage::InvertRgb);
    const int w = inv.width(), h = inv.height();
    std::vector<float> luma(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* px = inv.constScanLine(y);
        for (int x = 0; x < w; ++x, px += 4)
            luma[size_t(y) * w + x] = (0.299f * px[0] + 0.587f * px[1] + 0.114f * px[2]);
    }
    constexpr float kSharpness = 0.4f;
    for (int y = 0; y < h; ++y) {
        uchar* px = inv.scanLine(y);
        for (int x = 0; x < w; ++x, px += 4) {
            float sum = 0;
            int count = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                    sum += luma[size_t(sy) * w + sx];
                    ++count;
                }
            }
            const float delta = kSharpness * (luma[size_t(y) * w + x] - sum / count);
            for (int c = 0; c < 3; ++c)
                px[c] = uchar(std::clamp(std::lround(px[c] + delta), 0L, 255L));
        }
    }
    QImage out = inv.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setText("name", image.text("name"));
    return out;
}

QImage rotatedImage(const QImage& image, int degrees) {
    if (image.isNull()) return QImage();
    const int pw = image.width(), ph = image.height();
    QImage out = blank(QSize(ph, pw));
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.translate(ph / 2.0, pw / 2.0);
    // Counter-clockwise on screen: Qt's y-down rotation runs clockwise.
    p.rotate(-degrees);
    p.translate(-pw / 2.0, -ph / 2.0);
    p.drawImage(0, 0, image);
    return out;
}

QImage imageCroppedToSize(const QImage& image, const QSize& size) {
    if (size.width() <= 0 || size.height() <= 0) return QImage();
    QImage out = blank(size);
    if (image.isNull()) return out;
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, image);
    return out;
}

QImage imageCroppedToHeight(const QImage& image, int height) {
    return imageCroppedToSize(image, QSize(image.width(), height));
}

QImage contrastedImageNamed(const QString& name) {
    const QImage image = cgImageWithResourceNamed(name);
    if (image.isNull()) return image;
    const double contrast = ImageUtilColours::shared().userContrast();
    if (contrast == 1.0) return image;
    return darkenedImageWithContrast(image, float((1.0 - contrast) / 1.5));
}

QImage imageWithString(const QString& text, const QColor& color) {
    return imageWithString(text, color, 0, false);
}

QImage imageWithString(const QString& text, const QColor& color, int fontSize, bool embossed) {
    const QColor colour = color.isValid() ? color : ImageUtilColours::shared().defaultTextColor();
    AttributedString attributed = attrStringWithColor(text, colour);
    if (fontSize != 0) setFontSize(attributed, fontSize);
    return imageWithAttrString(attributed, embossed);
}

QImage imageWithAttrString(const AttributedString& text, bool embossed) {
    const QRectF rect = integralRect(QRectF(QPointF(0, 0), text.size()));
    if (rect.width() <= 0 || rect.height() <= 0) return QImage();
    QImage out = blank(rect.size().toSize());
    QPainter p(&out);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (embossed) {
        const QColor own = color(text).value_or(ImageUtilColours::shared().defaultTextColor());
        AttributedString shade = text;
        setColor(shade, blendedShade(own));
        shade.draw(p, rect.translated(1, 2));
        shade.draw(p, rect.translated(2, 1));
    }
    text.draw(p, rect);
    return out;
}

namespace {

std::atomic<bool> sSuppressFlipCircled{false};

QImage circledImage(const QString& string, const std::optional<QColor>& ownColour, int size,
                    const QColor& fill) {
    const ImageUtilColours& colours = ImageUtilColours::shared();
    QColor textColour = colours.defaultTextColor();
    bool dark = false;
    if (ownColour && *ownColour != textColour) {
        textColour = *ownColour;
        dark = textColour == QColor(0, 0, 0, 255);
    }
    AttributedString text = attrStringWithColor(string, textColour);
    if (text.length() == 1) {
        static const QFont bold = [] {
            QFont font = systemFontOfSize(11);
            font.setBold(true);
            return font;
        }();
        setFont(text, bold);
    } else {
        setFontSize(text, size);
    }
    const QSizeF textSize = text.size();
    const QRectF frame = integralRect(
        QRectF(0, 0, textSize.width() + (size >= 12 ? 14.0 : 7.0), textSize.height() + 7.0));
    if (frame.isEmpty()) return QImage();
    StretchImage image(0, 0, int(frame.width()), int(frame.height()));
    QPainter* p = image.lockFocusAndClear();
    if (!p) return QImage();
    const bool suppress = sSuppressFlipCircled.load();

    double x = frame.width() > textSize.width() ? frame.x() + (frame.width() - textSize.width()) / 2
                                                : frame.x();
    double y = frame.y() + (frame.height() - textSize.height()) / 2;
    x = std::trunc(x);
    y = std::trunc(y);
    if (!suppress) {
        x += 2.0;
        y += size < 12 ? 0.99 : 2.0;
    } else {
        y -= 1.0;  // a point up
    }

    const double d = std::min(textSize.height(), frame.height() - 7.0);
    const double r = float(d / 2);
    const double top = frame.height() / 2 + frame.y() - r;
    QPainterPath outline;
    if (text.length() == 1) {
        outline.addEllipse(QRectF(frame.width() / 2 + frame.x() - r, top, 2 * r, 2 * r));
    } else {
        outline.addRoundedRect(integralRect(QRectF(1.0, top, frame.width() - 2.0, 2 * r - 1.0)), r,
                               r);
    }
    if (fill.isValid()) p->fillPath(outline, fill);
    p->strokePath(
        outline,
        QPen(dark ? QColor(Qt::black) : colours.colorWithContrastWhite(200 / 255.0, 1.0), 2.0));
    const QRectF textRect(QPointF(x, y), textSize);
    if (dark || suppress) {
        text.draw(*p, textRect);
    } else {
        drawInRectEmbossed(text, *p, textRect);
    }
    image.unlockFocusAndDraw(false);
    return image.nsImage();
}

}  // namespace

void setSuppressFlipImageWithCircledString(bool suppress) {
    sSuppressFlipCircled.store(suppress);
}

QImage imageWithCircledString(const QString& text, int fontSize, const QColor& fill) {
    return circledImage(text, std::nullopt, fontSize, fill);
}

QImage imageWithCircledString(const AttributedString& text, int fontSize, const QColor& fill) {
    return circledImage(text.string(), text.isEmpty() ? std::nullopt : color(text), fontSize, fill);
}

namespace {

// A plain gear for an icon whose resource is not installed.
QImage standInGear(int side) {
    QImage gear = blank(QSize(side, side));
    QPainter p(&gear);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF centre(side / 2.0, side / 2.0);
    const double outer = side / 2.0;
    const double root = side * 0.36;
    const double hole = side * 0.16;
    constexpr int kTeeth = 8;
    QPainterPath path;
    for (int i = 0; i < 2 * kTeeth; ++i) {
        // Tooth tips and the gaps between them take equal angles.
        const double r = i % 2 == 0 ? outer : root;
        const double a0 = i * M_PI / kTeeth;
        const double a1 = (i + 1) * M_PI / kTeeth;
        const QPointF from = centre + QPointF(std::cos(a0), std::sin(a0)) * r;
        if (i == 0) {
            path.moveTo(from);
        } else {
            path.lineTo(from);
        }
        path.lineTo(centre + QPointF(std::cos(a1), std::sin(a1)) * r);
    }
    path.closeSubpath();
    path.addEllipse(centre, hole, hole);
    path.setFillRule(Qt::OddEvenFill);
    p.fillPath(path, ImageUtilColours::shared().defaultTextColor());
    return gear;
}

QImage gearResource(const QString& name, int standInSide) {
    const QImage gear = cgImageWithResourceNamed(name);
    return gear.isNull() ? standInGear(standInSide) : gear;
}

void fillMenuTriangle(QPainter& p, const QPointF& a, const QPointF& b, const QPointF& c) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, ImageUtilColours::shared().defaultTextColor());
}

}  // namespace

StretchImage* gearWithDownArrow(const QRectF& frame) {
    static StretchImage* const shared = [&frame] {
        const QImage gear = gearResource(QStringLiteral("KLR_Gear.png"), 16);
        auto* image = new StretchImage(0, 0, int(frame.width()), gear.height());
        if (QPainter* p = image->lockFocusAndClear()) {
            const double gw = gear.width();
            const double gh = gear.height();
            p->drawImage(0, 0, gear);
            fillMenuTriangle(*p, {gw - 2.4, gh / 2}, {gw + 9.4, gh / 2}, {gw + 3.5, gh / 2 + 6.0});
        }
        image->unlockFocusAndDraw(false);
        return image;
    }();
    return shared;
}

QImage gearWithDownArrow() {
    static const QImage shared = [] {
        const QImage gear = gearResource(QStringLiteral("Gear.png"), 10);
        StretchImage image(0, 0, 15, 18);
        if (QPainter* p = image.lockFocusAndClear()) {
            const double w = gear.width();
            const double h = gear.height();
            p->drawImage(0, 0, cgImageCopy(gear));
            fillMenuTriangle(*p, {w - 1.0, h / 2 + 1.5}, {w + 4.0, h / 2 + 1.5},
                             {w + 1.5, h / 2 + 4.5});
        }
        image.unlockFocusAndDraw(false);
        return image.nsImage();
    }();
    return shared;
}
