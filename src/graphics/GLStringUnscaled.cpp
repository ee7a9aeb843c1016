#include "graphics/GLStringUnscaled.h"

#include "foundation/OmLog.h"
#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilColours.h"
#include "graphics/VertGeometry.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>

#include <cmath>

#ifndef GL_TEXTURE_RECTANGLE_ARB
#define GL_TEXTURE_RECTANGLE_ARB 0x84F5
#endif

namespace {

QOpenGLFunctions_2_1* legacyGL() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) return nullptr;
    return QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context);
}

// The image is painted in y-up coordinates (origin bottom-left), so the corner
// geometry and the mirrors mean the same as on the image's own axes. Text
// itself is laid out y-down, so each text rectangle is flipped back locally.
void drawTextYUp(QPainter& painter, const AttributedString& text, const QRectF& rect) {
    painter.save();
    painter.translate(rect.x(), rect.y() + rect.height());
    painter.scale(1, -1);
    text.draw(painter, QRectF(0, 0, rect.width(), rect.height()));
    painter.restore();
}

bool sameColour(const QColor& a, const QColor& b) {
    if (a.isValid() != b.isValid()) return false;
    return !a.isValid() || a == b;
}

}  // namespace

GLStringUnscaled::GLStringUnscaled() = default;
GLStringUnscaled::~GLStringUnscaled() = default;

const CoreGLStringUnscaled* GLStringUnscaled::inUse() const {
    return usingMiniSize_ ? miniGlString_.get() : glString_.get();
}

QSizeF GLStringUnscaled::currentSize() const {
    const CoreGLStringUnscaled* s = inUse();
    return s ? s->size : QSizeF();
}

void GLStringUnscaled::updateWithString(const QString& string, const QColor& bgColor,
                                        const QColor& fgColor, double rotation) {
    const QString text = string.isEmpty() ? QStringLiteral("<no name>") : string;
    bool changed = string_.isNull() || string_ != text;
    if (!sameColour(backgroundColor_, bgColor)) changed = true;
    if (rotation != rotation_) {
        rotation_ = rotation;
        changed = true;
    }
    auto takeFlag = [&changed](bool requested, bool& drawn) {
        if (requested != drawn) {
            drawn = requested;
            changed = true;
        }
    };
    takeFlag(flipHorizontal_, flipHorizontalDrawn_);
    takeFlag(flipVertical_, flipVerticalDrawn_);
    takeFlag(flipHorizontalAndVertical_, flipHorizontalAndVerticalDrawn_);
    if (!changed) return;

    if (rotation_ == 0) {
        rotate2dMtx_[0] = 1;
        rotate2dMtx_[1] = 0;
        rotate2dMtx_[2] = 0;
        rotate2dMtx_[3] = 1;
    } else {
        rotationMatrix2d(rotation_, rotate2dMtx_);
    }
    backgroundColor_ = bgColor;
    string_ = text;
    if (!glString_) glString_ = std::make_unique<CoreGLStringUnscaled>();
    if (!miniGlString_) miniGlString_ = std::make_unique<CoreGLStringUnscaled>();
    glString_->cgImageRef = QImage();
    miniGlString_->cgImageRef = QImage();

    AttributedString attr = attrStringWithColor(
        text, fgColor.isValid() ? fgColor : ImageUtilColours::shared().defaultTextColor());
    if (fontSize_ != 0) ::setFontSize(attr, fontSize_);
    ::setBackgroundColor(attr, backgroundColor_);

    imageWithAttrString(attr, rotation_, *glString_);
    currentSize_ = glString_->size;
    if (autosizeFont_) {
        ::setFontSize(attr, kMiniFontSize);
        imageWithAttrString(attr, rotation_, *miniGlString_);
    }
    // The small copy is gone unless it was just rendered again.
    if (miniGlString_->cgImageRef.isNull()) usingMiniSize_ = false;
    glTextureUpdateNeeded_ = true;
}

QImage GLStringUnscaled::imageWithAttrString(const AttributedString& text, double rotation,
                                             CoreGLStringUnscaled& glString) {
    const QRectF r = integralRect(QRectF(QPointF(0, 0), text.size()));
    const double w = r.width(), h = r.height();
    nsGetVertsFromRect(glString.attrStrVerts, r);
    glString.origSize = r.size();

    const bool turned = rotation != 0 || flipHorizontalDrawn_ || flipVerticalDrawn_ ||
                        flipHorizontalAndVerticalDrawn_;
    const double side = w + h;
    glString.size = turned ? QSizeF(side, side) : QSizeF(w, h);
    glString.midPoint = QPointF(glString.size.width() / 2, glString.size.height() / 2);
    glString.cgImageRef = QImage();
    if (glString.size.isEmpty()) return QImage();

    QImage image(int(glString.size.width()), int(glString.size.height()),
                 QImage::Format_RGBA8888_Premultiplied);
    if (image.isNull()) {
        OmLogNoFlood(kOmLogError, "GLStringUnscaled: no memory for a %gx%g text image",
                     glString.size.width(), glString.size.height());
        return QImage();
    }
    image.fill(Qt::transparent);
    rotationOffset_ = QPointF(0, 0);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.translate(0, image.height());
        painter.scale(1, -1);
        if (turned) {
            const double c = side / 2;
            painter.translate(c, c);
            bool mirrored = false;
            if (flipHorizontalDrawn_) {
                painter.scale(-1, 1);
                mirrored = true;
            } else if (flipVerticalDrawn_) {
                painter.scale(1, -1);
                mirrored = true;
            } else if (flipHorizontalAndVerticalDrawn_) {
                painter.scale(-1, -1);
            }
            painter.rotate(mirrored ? -rotation : rotation);
            painter.translate(-c, -c);
            rotationOffset_ = QPointF(h / 2, c - h / 2);
            drawTextYUp(painter, text, QRectF(rotationOffset_, QSizeF(w, h)));
            const double* m = rotate2dMtx_;
            for (QPointF& p : glString.attrStrVerts) {
                const double dx = p.x() - w / 2, dy = p.y() - h / 2;
                p = QPointF(dx * m[0] + dy * m[2] + c, dx * m[1] + dy * m[3] + c);
            }
        } else if (embossedColor_.isValid()) {
            AttributedString emboss = text;
            ::setColor(emboss, embossedColor_);
            drawTextYUp(painter, emboss, QRectF(1, -2, w, h));
            drawTextYUp(painter, emboss, QRectF(2, -1, w, h));
            drawTextYUp(painter, text, QRectF(0, 0, w, h));
        } else {
            drawTextYUp(painter, text, QRectF(0, 0, w, h));
        }
    }
    glString.cgImageRef = image;
    return image;
}

void GLStringUnscaled::updateGLTextureIfNeeded(uint32_t texture, const QPointF* verts,
                                               const QRectF& rect) {
    if (!glString_ || glString_->cgImageRef.isNull()) return;
    unscaledCenter_ = rect.center();
    currentDrawAtOffset_ = unscaledCenter_ - glString_->midPoint;
    hitTestVert_ = glString_->attrStrVerts[0] + currentDrawAtOffset_;

    if (verts && autosizeFont_) {
        const bool fits = nsHitTest(verts, 4, nsGetBounds(verts), hitTestVert_);
        if (!fits && !usingMiniSize_ && miniGlString_ && !miniGlString_->cgImageRef.isNull()) {
            usingMiniSize_ = true;
            glTextureUpdateNeeded_ = true;
        } else if (fits && usingMiniSize_) {
            usingMiniSize_ = false;
            glTextureUpdateNeeded_ = true;
        }
    }
    if (!glTextureUpdateNeeded_) return;
    const CoreGLStringUnscaled* image = inUse();
    currentSize_ = image->size;
    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl) {
        // Kept pending, so that the texture is loaded once a context is current.
        OmLogNoFlood(kOmLogWarning, "GLStringUnscaled: no current GL context for the upload");
        return;
    }
    glTextureUpdateNeeded_ = false;
    const QImage& bitmap = image->cgImageRef;
    if (bitmap.isNull()) return;
    gl->glColor4f(1, 1, 1, 1);
    gl->glMatrixMode(GL_TEXTURE);
    gl->glLoadIdentity();
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glDisable(GL_BLEND);
    gl->glEnable(GL_TEXTURE_RECTANGLE_ARB);
    gl->glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    // The unpack state is shared with every other upload of the context, so
    // it is put back afterwards.
    GLint alignment = 4, rowLength = 0;
    gl->glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    gl->glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap.width());
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glTexImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RGBA, bitmap.width(), bitmap.height(), 0,
                     GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV, bitmap.constBits());
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    gl->glDisable(GL_TEXTURE_RECTANGLE_ARB);
}

void GLStringUnscaled::drawGLunscaled(uint32_t texture, const QRectF& rect, const QPointF* verts,
                                      int32_t constraints, const QPointF& indention,
                                      float scaleFactorX, float scaleFactorY,
                                      const float* colorMultiplier) {
    const double sx = scaleFactorX, sy = scaleFactorY;
    const QRectF zoomed(rect.x() * sx, rect.y() * sy, rect.width() * sx, rect.height() * sy);
    QPointF quad[4];
    if (verts) {
        for (int i = 0; i < 4; ++i) quad[i] = QPointF(verts[i].x() * sx, verts[i].y() * sy);
    }
    const QPointF* scaled = verts ? quad : nullptr;
    updateGLTextureIfNeeded(texture, scaled, zoomed);
    if (!glString_ || glString_->cgImageRef.isNull()) return;

    QPointF offset = currentDrawAtOffset_;
    QPointF indent = indention;
    // Codes that read the quadrilateral fall back to centring without one.
    if (constraints == 6 && scaled) {
        offset = quad[1] - glString_->attrStrVerts[1];
    } else if (constraints >= 1000 && constraints <= 1003 && scaled) {
        offset = quad[constraints - 1000] - glString_->midPoint;
    } else if (constraints == 0 && scaled && autosizeFont_ && usingMiniSize_) {
        const CoreGLStringUnscaled& mini = *miniGlString_;
        offset = unscaledCenter_ - mini.midPoint;
        if (!nsHitTest(quad, 4, nsGetBounds(quad), mini.attrStrVerts[0] + offset)) {
            const QPointF edgeMid = (quad[0] + quad[1]) / 2;
            const QPointF textEdgeMid = (mini.attrStrVerts[0] + mini.attrStrVerts[1]) / 2;
            offset = edgeMid - textEdgeMid;
            indent.rx() += 2;
        }
    }
    if (!indent.isNull()) {
        const double* m = rotate2dMtx_;
        offset +=
            QPointF(indent.x() * m[0] + indent.y() * m[2], indent.x() * m[1] + indent.y() * m[3]);
    }
    offset = QPointF(std::trunc(offset.x()), std::trunc(offset.y()));
    currentDrawAtOffset_ = offset;
    const CoreGLStringUnscaled* image = inUse();
    for (int i = 0; i < 4; ++i) drawnAttrStrVerts_[i] = image->attrStrVerts[i] + offset;

    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl) return;
    gl->glMatrixMode(GL_PROJECTION);
    gl->glPushMatrix();
    gl->glScalef(1 / scaleFactorX, 1 / scaleFactorY, 1);
    gl->glTranslatef(float(offset.x()), float(offset.y()), 0);
    finishDrawItemText(texture, colorMultiplier);
    gl->glPopMatrix();
    gl->glMatrixMode(GL_MODELVIEW);
}

void GLStringUnscaled::finishDrawItemText(uint32_t texture, const float* colorMultiplier) {
    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl) return;
    static const float kWhite[4] = {1, 1, 1, 1};
    gl->glDisable(GL_BLEND);
    gl->glEnable(GL_TEXTURE_RECTANGLE_ARB);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glEnable(GL_BLEND);
    const QRectF r(QPointF(0, 0), currentSize_);
    glDrawTexture2D(r, r, 1, colorMultiplier ? colorMultiplier : kWhite);
    gl->glDisable(GL_BLEND);
    gl->glActiveTexture(GL_TEXTURE0);
    gl->glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    gl->glDisable(GL_TEXTURE_RECTANGLE_ARB);
}

void glDrawTexture2D(const QRectF& textureRect, const QRectF& destRect, signed char flip,
                     const float* color) {
    QOpenGLFunctions_2_1* gl = legacyGL();
    if (!gl) return;
    const QRectF& t = textureRect;
    const QRectF& d = destRect;
    const float s0 = std::trunc(t.x()), s1 = std::trunc(t.x() + t.width());
    const float t0 = std::trunc(t.y()), t1 = std::trunc(t.y() + t.height());
    const float x0 = std::trunc(d.x()), x1 = std::trunc(d.x() + d.width());
    const float low = std::trunc(d.y()), high = std::trunc(d.y() + d.height());
    const float ya = flip ? high : low;
    const float yb = flip ? low : high;
    if (color) gl->glColor4fv(color);
    gl->glBegin(GL_QUADS);
    gl->glTexCoord2f(s0, t1);
    gl->glVertex2f(x0, ya);
    gl->glTexCoord2f(s1, t1);
    gl->glVertex2f(x1, ya);
    gl->glTexCoord2f(s1, t0);
    gl->glVertex2f(x1, yb);
    gl->glTexCoord2f(s0, t0);
    gl->glVertex2f(x0, yb);
    gl->glEnd();
}
