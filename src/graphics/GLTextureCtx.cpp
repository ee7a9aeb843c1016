#include "graphics/GLTextureCtx.h"

#include "foundation/OmLog.h"
#include "graphics/ImageUtilCategory.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>

#include <cmath>

namespace {

// Whole pixels, rounded up.
double wholeSize(double v) {
    if (!(v > 0)) return 0;
    const double t = std::trunc(v);
    return t == v ? t : t + 1;
}

// Guards the surface allocation against absurd sizes.
constexpr double kMaxSide = 32768;

}  // namespace

GLTextureCtx::GLTextureCtx(double width, double height)
    : width_(wholeSize(width)), height_(wholeSize(height)) {}

GLTextureCtx::~GLTextureCtx() = default;

QPainter* GLTextureCtx::lockFocusAndClear() {
    if (width_ <= 0 || height_ <= 0 || width_ > kMaxSide || height_ > kMaxSide) {
        OmLogNoFlood(kOmLogWarning, "GLTextureCtx: cannot draw into a %gx%g surface", width_,
                     height_);
        return nullptr;
    }
    if (bitmap_.isNull()) {
        bitmap_ = QImage(int(width_), int(height_), QImage::Format_RGBA8888_Premultiplied);
        if (bitmap_.isNull()) {
            OmLogNoFlood(kOmLogError, "GLTextureCtx: no memory for a %gx%g surface", width_,
                         height_);
            return nullptr;
        }
    }
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&bitmap_);
    } else {
        painter_->resetTransform();
    }
    painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_->setCompositionMode(QPainter::CompositionMode_Source);
    painter_->fillRect(imageRect(), Qt::transparent);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return painter_.get();
}

void GLTextureCtx::flipContext() {
    if (!painter_) return;
    painter_->translate(0, height_);
    painter_->scale(1, -1);
}

void GLTextureCtx::unlockFocusAndDraw(bool upload) {
    if (bitmap_.isNull()) return;
    painter_.reset();
    // A detached copy, so that the next lock cannot change what was handed out.
    cgImage_ = bitmap_.copy();
    nsImage_ = imageWithCGImage(cgImage_, 1.0f);
    if (upload) uploadToBoundTexture();
    bitmapChanged();
}

void GLTextureCtx::uploadToBoundTexture() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context) {
        OmLogNoFlood(kOmLogWarning, "GLTextureCtx: no current GL context for the upload");
        return;
    }
    QOpenGLFunctions* gl = context->functions();
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, cgImage_.width(), cgImage_.height(), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, cgImage_.constBits());
}
