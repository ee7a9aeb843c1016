#include "graphics/StretchImage.h"

#include "foundation/OmLog.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>

#include <algorithm>
#include <cmath>

StretchImage::StretchImage(int32_t leftWidth, int32_t rightWidth, int32_t totalWidth,
                           int32_t height)
    : GLTextureCtx(totalWidth, height),
      leftWidth_(leftWidth),
      rightWidth_(rightWidth),
      minWidth_(leftWidth + rightWidth) {}

void StretchImage::setExtraX(int32_t extraX, int32_t extraWidth) {
    extraX_ = extraX;
    extraWidth_ = extraWidth;
}

namespace {

void addPiece(std::vector<StretchImage::Piece>& pieces, double dl, double dr, double sl,
              double sr) {
    if (dr > dl) pieces.push_back({dl, dr, sl, sr});
}

}  // namespace

std::vector<StretchImage::Piece> StretchImage::glPieces(int32_t x, int32_t destWidth,
                                                        int32_t flags) const {
    std::vector<Piece> pieces;
    const int32_t w = std::max(destWidth, minWidth_);
    const double r = double(x) + w;
    const double iw = width();
    addPiece(pieces, r - rightWidth_, r, iw - rightWidth_, iw);
    addPiece(pieces, x, double(x) + leftWidth_, 0, leftWidth_);
    if (w > minWidth_) {
        const double column = std::min<double>(leftWidth_ + 2, std::max(0.0, iw - 1));
        addPiece(pieces, double(x) + leftWidth_, r - rightWidth_, column, column);
        if (flags != 0 && extraX_ >= 1) {
            addPiece(pieces, r - rightWidth_ - extraWidth_, r - rightWidth_, extraX_,
                     double(extraX_) + extraWidth_);
        }
    }
    return pieces;
}

std::vector<StretchImage::Piece> StretchImage::imagePieces(int32_t x, int32_t destWidth) const {
    std::vector<Piece> pieces;
    const int32_t w = std::max(destWidth, minWidth_);
    const double r = double(x) + w;
    const double iw = width();
    addPiece(pieces, x, double(x) + leftWidth_, 0, leftWidth_);
    if (w > minWidth_) {
        const double column = std::min<double>(leftWidth_ + 1, std::max(0.0, iw - 1));
        addPiece(pieces, double(x) + leftWidth_, r - rightWidth_, column, column + 1);
    }
    addPiece(pieces, r - rightWidth_, r, iw - rightWidth_, iw);
    return pieces;
}

namespace {

QOpenGLFunctions_2_1* legacyGL() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return nullptr;
    return QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context);
}

}  // namespace

void StretchImage::setupTextureMatrix() {
    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl || width() <= 0) return;
    gl->glMatrixMode(GL_TEXTURE);
    gl->glLoadIdentity();
    gl->glScaled(1.0 / width(), 1.0, 1.0);
    gl->glMatrixMode(GL_MODELVIEW);
}

void StretchImage::resetTextureMatrix() {
    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl) return;
    gl->glMatrixMode(GL_TEXTURE);
    gl->glLoadIdentity();
    gl->glMatrixMode(GL_MODELVIEW);
}

void StretchImage::drawGLTexture(int32_t x, int32_t destWidth, int32_t extraFlags) {
    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl) {
        OmLogNoFlood(kOmLogWarning, "StretchImage: no compatibility GL context to draw into");
        return;
    }
    // The bitmap's first row is the texture's t = 0, so the top vertex takes it.
    gl->glBegin(GL_QUADS);
    for (const Piece& p : glPieces(x, destWidth, extraFlags)) {
        gl->glTexCoord2d(p.srcLeft, 0);
        gl->glVertex2d(p.destLeft, 1);
        gl->glTexCoord2d(p.srcLeft, 1);
        gl->glVertex2d(p.destLeft, 0);
        gl->glTexCoord2d(p.srcRight, 1);
        gl->glVertex2d(p.destRight, 0);
        gl->glTexCoord2d(p.srcRight, 0);
        gl->glVertex2d(p.destRight, 1);
    }
    gl->glEnd();
}

void StretchImage::drawNSImage(int32_t x, int32_t destWidth, int32_t extraFlags, QPainter& ctx) {
    const QImage& image = nsImage();
    if (image.isNull()) return;
    ctx.save();
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, false);
    ctx.setCompositionMode(extraFlags == 0 ? QPainter::CompositionMode_Source
                                           : QPainter::CompositionMode_SourceOver);
    const double h = height();
    for (const Piece& p : imagePieces(x, destWidth)) {
        ctx.drawImage(QRectF(p.destLeft, 0, p.destRight - p.destLeft, h), image,
                      QRectF(p.srcLeft, 0, p.srcRight - p.srcLeft, h));
    }
    ctx.restore();
}

void StretchImage::drawCGImageInFrameOptionFlags(const QRectF& frame, int32_t flags,
                                                 QPainter& ctx) {
    if (flags == 0) {
        drawCGImageInFrame(frame, ctx);
        return;
    }
    const QImage& image = nsImage();
    if (image.isNull()) return;
    const double x = std::trunc(frame.x());
    const double W = std::trunc(frame.width());
    const double y = frame.y();
    const double h = height();
    const double iw = width();
    ctx.save();
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, false);
    ctx.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (flags == 2 && leftWidth_ > 0) {
        ctx.drawImage(QRectF(x, y, leftWidth_, h), image, QRectF(0, 0, leftWidth_, h));
    }
    if (W > minWidth_) {
        const double column = std::min<double>(leftWidth_ + 1, std::max(0.0, iw - 1));
        ctx.drawImage(QRectF(x + leftWidth_, y, W - leftWidth_, h), image, QRectF(column, 0, 1, h));
    }
    if (flags == 4 && rightWidth_ > 0) {
        // At the frame's right end, where a right cap belongs.
        ctx.drawImage(QRectF(x + std::max<double>(W, rightWidth_) - rightWidth_, y, rightWidth_, h),
                      image, QRectF(iw - rightWidth_, 0, rightWidth_, h));
    }
    ctx.restore();
}

QSizeF StretchImage::ninePartCorner() const {
    const QImage& image = cgImageRef();
    const int iw = image.width(), ih = image.height();
    const int cx = std::max(8, std::min(leftWidth_ + rightWidth_, int(iw * 0.25)));
    const int quarterHeight = int(ih * 0.25);
    const int cy = quarterHeight <= 8 ? 8 : quarterHeight;
    return QSizeF(cx, cy);
}

int StretchImage::cachedLayerCount() const {
    return int(std::count_if(layers_.begin(), layers_.end(),
                             [](const QImage& layer) { return !layer.isNull(); }));
}

void StretchImage::bitmapChanged() {
    // A repainted image must not keep drawing the pieces of the old one.
    frags_.reset();
    defaultLayer_ = QImage();
    layers_.fill(QImage());
    layerSizes_.fill(QSizeF());
}

void StretchImage::drawCGImageInFrame(const QRectF& frame, QPainter& ctx) {
    const QImage& image = cgImageRef();
    if (image.isNull() || frame.width() <= 0 || frame.height() <= 0) return;
    if (defaultLayer_.isNull()) {
        defaultLayer_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    const QSizeF imageSize(image.width(), image.height());
    if (frame.size() == imageSize) {
        ctx.drawImage(frame.topLeft(), defaultLayer_);
        return;
    }
    const QSizeF corner = ninePartCorner();
    if (!frags_) frags_ = createNinePartImageFrags(defaultLayer_, corner);

    for (int i = 0; i < kLayerSlots; ++i) {
        if (!layers_[i].isNull()) {
            if (layerSizes_[i] == frame.size()) {
                ctx.drawImage(QRectF(frame.topLeft(), frame.size()), layers_[i],
                              QRectF(QPointF(0, 0), frame.size()));
                return;
            }
            continue;
        }
        QImage layer(int(std::ceil(frame.width())), int(std::ceil(frame.height())),
                     QImage::Format_ARGB32_Premultiplied);
        if (layer.isNull()) break;
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            drawImageFragsAsBorderInRect(imageSize, *frags_, QRectF(QPointF(0, 0), frame.size()),
                                         corner, lp, 0);
        }
        layers_[i] = layer;
        layerSizes_[i] = frame.size();
        ctx.drawImage(QRectF(frame.topLeft(), frame.size()), layers_[i],
                      QRectF(QPointF(0, 0), frame.size()));
        return;
    }
    drawImageFragsAsBorderInRect(imageSize, *frags_, frame, corner, ctx, 0);
}

void StretchImage::drawDefaultImageInFrame(const QRectF& frame, QPainter& ctx) {
    if (!defaultLayer_.isNull()) {
        ctx.drawImage(frame.topLeft(), defaultLayer_);
        return;
    }
    drawCGImageInFrame(frame, ctx);
}
