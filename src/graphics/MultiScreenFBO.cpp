#include "graphics/MultiScreenFBO.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QThread>

#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif
#ifndef GL_CLAMP_TO_BORDER
#define GL_CLAMP_TO_BORDER 0x812D
#endif
#ifndef GL_DEPTH24_STENCIL8
#define GL_DEPTH24_STENCIL8 0x88F0
#endif
#ifndef GL_DEPTH_STENCIL_ATTACHMENT
#define GL_DEPTH_STENCIL_ATTACHMENT 0x821A
#endif
#ifndef GL_FRAMEBUFFER_BINDING
#define GL_FRAMEBUFFER_BINDING 0x8CA6
#endif

namespace {

QOpenGLFunctions_2_1* legacyGL(QOpenGLContext* context) {
    return QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context);
}

// The spare word of the texture spec is left alone when nothing is shown.
constexpr uint32_t kPlaceholderSide = 256;

}  // namespace

MultiScreenFBO::MultiScreenFBO() = default;

MultiScreenFBO::~MultiScreenFBO() {
    QObject::disconnect(contextWatch_);
    releaseGLObjects();
}

void MultiScreenFBO::watchContext(QOpenGLContext* context) {
    if (context_ == context && contextWatch_) return;
    QObject::disconnect(contextWatch_);
    context_ = context;
    // Direct, so that the objects are deleted while the context still exists.
    contextWatch_ = QObject::connect(context, &QOpenGLContext::aboutToBeDestroyed,
                                     [this] { releaseGLObjects(); });
}

void MultiScreenFBO::deleteGLObjects() {
    QOpenGLContext* context = context_.data();
    QOpenGLFunctions* gl = context->functions();
    if (texture_) gl->glDeleteTextures(1, &texture_);
    if (renderbuffer_) gl->glDeleteRenderbuffers(1, &renderbuffer_);
    if (framebuffer_) gl->glDeleteFramebuffers(1, &framebuffer_);
    if (displayList_) {
        if (QOpenGLFunctions_2_1* legacy = legacyGL(context))
            legacy->glDeleteLists(displayList_, 1);
    }
}

void MultiScreenFBO::releaseGLObjects() {
    const bool haveObjects = framebuffer_ || renderbuffer_ || texture_ || displayList_;
    QOpenGLContext* context = context_.data();
    if (haveObjects && context) {
        QOpenGLContext* current = QOpenGLContext::currentContext();
        if (current == context) {
            deleteGLObjects();
        } else if (qGuiApp && context->thread() == QThread::currentThread() &&
                   QThread::currentThread() == qGuiApp->thread()) {
            // Not current: borrow a surface of our own to delete in it, then
            // give the caller back its context.
            QSurface* currentSurface = current ? current->surface() : nullptr;
            QOffscreenSurface surface;
            surface.setFormat(context->format());
            surface.create();
            if (context->makeCurrent(&surface)) {
                deleteGLObjects();
                context->doneCurrent();
            } else {
                OmLogNoFlood(kOmLogWarning, "MultiScreenFBO: cannot reach its GL context");
            }
            if (current && currentSurface) current->makeCurrent(currentSurface);
        }
    }
    inited_ = false;
    framebuffer_ = renderbuffer_ = texture_ = displayList_ = 0;
}

void MultiScreenFBO::init(QOpenGLContext* context, int32_t width, int32_t height, int32_t mode) {
    if (inited_ || context_.data() != context) releaseGLObjects();
    if (mode != 0 && mode != 1) return;
    if (!context || QOpenGLContext::currentContext() != context) {
        OmLogNoFlood(kOmLogWarning, "MultiScreenFBO: set-up needs its GL context current");
        return;
    }
    watchContext(context);
    QOpenGLFunctions* gl = context->functions();
    GLint previous = 0;
    gl->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previous);

    if (!framebuffer_) gl->glGenFramebuffers(1, &framebuffer_);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);

    if (!texture_) gl->glGenTextures(1, &texture_);
    gl->glBindTexture(GL_TEXTURE_RECTANGLE, texture_);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    static const GLfloat kBorder[4] = {0.8f, 0.7f, 0.8f, 0.0f};
    gl->glTexParameterfv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_BORDER_COLOR, kBorder);
    gl->glTexImage2D(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_INT, nullptr);
    gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_RECTANGLE, texture_,
                               0);

    if (mode == 0) {
        if (!renderbuffer_) gl->glGenRenderbuffers(1, &renderbuffer_);
        gl->glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer_);
        gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
        gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                      renderbuffer_);
        gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                      renderbuffer_);
    }

    const GLenum status = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        OmLogNoFlood(kOmLogError, "FBO setup error %04x (%d x %d)\n", status, width, height);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, GLuint(previous));
        return;
    }
    requestedWidth_ = width;
    requestedHeight_ = height;
    mode_ = mode;
    inited_ = true;
    sizeWidth_ = width;
    sizeHeight_ = height;
}

bool MultiScreenFBO::BeginOutput(QOpenGLContext* context, int32_t width, int32_t height,
                                 int32_t mode) {
    bool fresh = false;
    if (!inited_ || context_.data() != context || width != requestedWidth_ ||
        height != requestedHeight_ || mode != mode_) {
        init(context, width, height, mode);
        if (!inited_) return false;
        fresh = true;
    }
    QOpenGLFunctions* gl = context->functions();
    gl->glBindTexture(GL_TEXTURE_RECTANGLE, 0);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    return fresh;
}

void MultiScreenFBO::getMultiScreenTextureSpec(multiscreen_textureSpec* spec) const {
    if (inited_ && isVisible_) {
        spec->texture = texture_;
        spec->width = uint32_t(sizeWidth_);
        spec->height = uint32_t(sizeHeight_);
        spec->target = GL_TEXTURE_RECTANGLE;
        spec->reserved = 0;
    } else {
        spec->texture = 0;
        spec->width = kPlaceholderSide;
        spec->height = kPlaceholderSide;
    }
}

void MultiScreenFBO::renderCoreImageToFBO(QOpenGLContext* context, const QImage& image) {
    if (image.isNull()) return;
    const int32_t w = image.width(), h = image.height();
    // A rebuilt target has lost its recorded state, so it is set up in full.
    const bool replay = w == imageWidth_ && h == imageHeight_;
    const bool fresh = BeginOutput(context, w, h, 1);
    if (!inited_) return;
    QOpenGLFunctions_2_1* gl = legacyGL(context);
    if (!gl) return;
    if (replay && !fresh && displayList_) {
        gl->glCallList(displayList_);
    } else {
        imageWidth_ = w;
        imageHeight_ = h;
        if (!displayList_) displayList_ = gl->glGenLists(1);
        gl->glViewport(0, 0, w, h);
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        sizeWidth_ = w;
        sizeHeight_ = h;
        gl->glNewList(displayList_, GL_COMPILE_AND_EXECUTE);
        gl->glViewport(0, 0, w, h);
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadIdentity();
        gl->glOrtho(0, w, 0, h, -1, 1);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        gl->glDisable(GL_CULL_FACE);
        gl->glDisable(GL_BLEND);
        gl->glDisable(GL_SCISSOR_TEST);
        gl->glEndList();
    }

    // The pixels land bottom row first, so the image's top is the texture's top.
    const QImage pixels =
        image.convertToFormat(QImage::Format_RGBA8888_Premultiplied).mirrored(false, true);
    gl->glPushAttrib(GL_ENABLE_BIT | GL_PIXEL_MODE_BIT);
    gl->glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    gl->glDisable(GL_TEXTURE_2D);
    gl->glDisable(GL_TEXTURE_RECTANGLE);
    gl->glDisable(GL_DEPTH_TEST);
    gl->glDisable(GL_STENCIL_TEST);
    gl->glDisable(GL_ALPHA_TEST);
    gl->glPixelZoom(1, 1);
    gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl->glRasterPos2i(0, 0);
    gl->glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.constBits());
    gl->glPopClientAttrib();
    gl->glPopAttrib();

    context->functions()->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    isVisible_ = true;
}

void MultiScreenFBO::dumpState() const {
    kelo::printf("    MultiScreenFBO: 0x%p\n", static_cast<const void*>(this));
    kelo::printf("      Tex: %d, fb %d\n", int(texture_), int(framebuffer_));
    kelo::printf("      Size: %dx%d\n", int(sizeWidth_), int(sizeHeight_));
    kelo::printf("      Flags: inited:%d, isVisible:%d\n", int(inited_), int(isVisible_));
    kelo::printf("\n");
}
