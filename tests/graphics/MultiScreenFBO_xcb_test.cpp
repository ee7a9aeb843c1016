#include "graphics/MultiScreenFBO.h"

#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QOpenGLWidget>
#include <QPainter>

#include <memory>
#include <vector>

#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif
#ifndef GL_FRAMEBUFFER_BINDING
#define GL_FRAMEBUFFER_BINDING 0x8CA6
#endif

namespace {

std::unique_ptr<QOpenGLContext> makeContext(QOpenGLContext* share = nullptr) {
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(format);
    if (share) context->setShareContext(share);
    if (!context->create()) return nullptr;
    return context;
}

class FBOTest : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = makeContext();
        ASSERT_NE(context_, nullptr);
        surface_.setFormat(context_->format());
        surface_.create();
        ASSERT_TRUE(context_->makeCurrent(&surface_));
        gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context_.get());
        ASSERT_NE(gl_, nullptr);
        fb_ = context_->functions();
    }
    void TearDown() override {
        if (context_) context_->doneCurrent();
    }
    GLint boundFramebuffer() {
        GLint fb = -1;
        gl_->glGetIntegerv(GL_FRAMEBUFFER_BINDING, &fb);
        return fb;
    }
    // The texture's pixels, bottom row first.
    std::vector<uint32_t> texturePixels(const MultiScreenFBO& fbo) {
        std::vector<uint32_t> pixels(size_t(fbo.width()) * size_t(fbo.height()));
        gl_->glBindTexture(GL_TEXTURE_RECTANGLE, fbo.texture());
        gl_->glGetTexImage(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        gl_->glBindTexture(GL_TEXTURE_RECTANGLE, 0);
        return pixels;
    }
    static uint32_t rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
        return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
    }

    std::unique_ptr<QOpenGLContext> context_;
    QOffscreenSurface surface_;
    QOpenGLFunctions_2_1* gl_ = nullptr;
    QOpenGLFunctions* fb_ = nullptr;
};

TEST_F(FBOTest, FreshObjectReportsAPlaceholder) {
    MultiScreenFBO fbo;
    EXPECT_FALSE(fbo.inited());
    EXPECT_TRUE(fbo.isVisible());
    multiscreen_textureSpec spec = {99, 1, 1, 77, 55};
    fbo.getMultiScreenTextureSpec(&spec);
    EXPECT_EQ(spec.texture, 0u);
    EXPECT_EQ(spec.width, 256u);
    EXPECT_EQ(spec.height, 256u);
    EXPECT_EQ(spec.target, 77u) << "left as it was";
    EXPECT_EQ(spec.reserved, 55u);
}

TEST_F(FBOTest, SetsUpOnceAndRendersIntoItsTexture) {
    MultiScreenFBO fbo;
    EXPECT_TRUE(fbo.BeginOutput(context_.get(), 16, 8, 1));
    const uint32_t framebuffer = fbo.framebuffer(), texture = fbo.texture();
    EXPECT_NE(framebuffer, 0u);
    EXPECT_EQ(fbo.renderbuffer(), 0u) << "colour only";
    EXPECT_EQ(boundFramebuffer(), GLint(framebuffer));

    gl_->glViewport(0, 0, 16, 8);
    gl_->glClearColor(1, 0, 0, 1);
    gl_->glClear(GL_COLOR_BUFFER_BIT);
    gl_->glEnable(GL_SCISSOR_TEST);
    gl_->glScissor(0, 0, 4, 2);
    gl_->glClearColor(0, 0, 1, 1);
    gl_->glClear(GL_COLOR_BUFFER_BIT);
    gl_->glDisable(GL_SCISSOR_TEST);
    fb_->glBindFramebuffer(GL_FRAMEBUFFER, context_->defaultFramebufferObject());

    EXPECT_FALSE(fbo.BeginOutput(context_.get(), 16, 8, 1)) << "nothing to rebuild";
    EXPECT_EQ(fbo.framebuffer(), framebuffer);
    EXPECT_EQ(fbo.texture(), texture);
    EXPECT_EQ(boundFramebuffer(), GLint(framebuffer));
    fb_->glBindFramebuffer(GL_FRAMEBUFFER, context_->defaultFramebufferObject());

    const std::vector<uint32_t> pixels = texturePixels(fbo);
    EXPECT_EQ(pixels[0], rgba(0, 0, 255, 255));
    EXPECT_EQ(pixels[1 * 16 + 3], rgba(0, 0, 255, 255));
    EXPECT_EQ(pixels[2 * 16 + 3], rgba(255, 0, 0, 255));
    EXPECT_EQ(pixels[7 * 16 + 15], rgba(255, 0, 0, 255));

    multiscreen_textureSpec spec{};
    fbo.getMultiScreenTextureSpec(&spec);
    EXPECT_EQ(spec.texture, texture);
    EXPECT_EQ(spec.width, 16u);
    EXPECT_EQ(spec.height, 8u);
    EXPECT_EQ(spec.target, 0x84F5u);
    EXPECT_EQ(spec.reserved, 0u);
    fbo.setIsVisible(false);
    fbo.getMultiScreenTextureSpec(&spec);
    EXPECT_EQ(spec.texture, 0u);
    EXPECT_EQ(spec.width, 256u);
    EXPECT_EQ(gl_->glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(FBOTest, ModeChangesRebuildAndBadModesSetNothingUp) {
    MultiScreenFBO fbo;
    ASSERT_TRUE(fbo.BeginOutput(context_.get(), 32, 32, 1));
    EXPECT_TRUE(fbo.BeginOutput(context_.get(), 32, 32, 0));
    EXPECT_NE(fbo.renderbuffer(), 0u);
    GLint type = 0;
    fb_->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT,
                                               GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    EXPECT_EQ(type, GL_RENDERBUFFER);
    fb_->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT,
                                               GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    EXPECT_EQ(type, GL_RENDERBUFFER);
    EXPECT_TRUE(fbo.BeginOutput(context_.get(), 64, 32, 0)) << "a new size rebuilds";
    EXPECT_EQ(fbo.width(), 64);

    fb_->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_FALSE(fbo.BeginOutput(context_.get(), 64, 32, 2));
    EXPECT_FALSE(fbo.inited());
    EXPECT_EQ(boundFramebuffer(), 0) << "nothing bound";
    multiscreen_textureSpec spec{};
    fbo.getMultiScreenTextureSpec(&spec);
    EXPECT_EQ(spec.texture, 0u);
    EXPECT_EQ(spec.width, 256u);
    EXPECT_TRUE(fbo.BeginOutput(context_.get(), 64, 32, 0)) << "the next call tries again";
    fb_->glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(FBOTest, IncompleteFramebufferFailsAndLeavesTheBindingAlone) {
    MultiScreenFBO fbo;
    fb_->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    EXPECT_FALSE(fbo.BeginOutput(context_.get(), 0, 0, 1));
    EXPECT_FALSE(fbo.inited());
    EXPECT_EQ(boundFramebuffer(), 0);
    MultiScreenFBO notCurrent;
    context_->doneCurrent();
    EXPECT_FALSE(notCurrent.BeginOutput(context_.get(), 8, 8, 1));
    ASSERT_TRUE(context_->makeCurrent(&surface_));
    EXPECT_FALSE(notCurrent.inited());
}

TEST_F(FBOTest, ImageRenderReplaysItsStateForTheSameSize) {
    QImage image(8, 4, QImage::Format_RGBA8888);
    image.fill(QColor(0, 255, 0));
    {
        QPainter p(&image);
        p.fillRect(0, 0, 8, 2, QColor(255, 0, 0));  // the top half
    }
    MultiScreenFBO fbo;
    fbo.renderCoreImageToFBO(context_.get(), QImage());
    EXPECT_FALSE(fbo.inited()) << "no image, nothing done";

    fbo.renderCoreImageToFBO(context_.get(), image);
    ASSERT_TRUE(fbo.inited());
    EXPECT_EQ(fbo.mode(), 1);
    EXPECT_EQ(boundFramebuffer(), GLint(context_->defaultFramebufferObject()));
    const uint32_t list = fbo.displayList();
    EXPECT_NE(list, 0u);
    std::vector<uint32_t> pixels = texturePixels(fbo);
    EXPECT_EQ(pixels[0], rgba(0, 255, 0, 255)) << "bottom row";
    EXPECT_EQ(pixels[3 * 8 + 7], rgba(255, 0, 0, 255)) << "top row";

    // The replay restores the viewport a caller changed in between.
    gl_->glViewport(0, 0, 1, 1);
    image.fill(QColor(0, 0, 255));
    fbo.renderCoreImageToFBO(context_.get(), image);
    EXPECT_EQ(fbo.displayList(), list);
    GLint viewport[4] = {};
    gl_->glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 8);
    EXPECT_EQ(viewport[3], 4);
    pixels = texturePixels(fbo);
    EXPECT_EQ(pixels[3 * 8 + 7], rgba(0, 0, 255, 255));
    EXPECT_TRUE(fbo.isVisible());
    EXPECT_EQ(gl_->glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(FBOTest, GLObjectsGoWithTheirOwner) {
    GLuint texture = 0, framebuffer = 0;
    {
        MultiScreenFBO fbo;
        ASSERT_TRUE(fbo.BeginOutput(context_.get(), 8, 8, 0));
        texture = fbo.texture();
        framebuffer = fbo.framebuffer();
        fb_->glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    EXPECT_FALSE(gl_->glIsTexture(texture));
    EXPECT_FALSE(fb_->glIsFramebuffer(framebuffer));

    // Destroyed while another context is current: deleted in its own, and
    // the caller keeps its context.
    auto other = makeContext();
    ASSERT_NE(other, nullptr);
    {
        MultiScreenFBO fbo;
        ASSERT_TRUE(fbo.BeginOutput(context_.get(), 8, 8, 1));
        texture = fbo.texture();
        fb_->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        ASSERT_TRUE(other->makeCurrent(&surface_));
    }
    EXPECT_EQ(QOpenGLContext::currentContext(), other.get());
    ASSERT_TRUE(context_->makeCurrent(&surface_));
    EXPECT_FALSE(gl_->glIsTexture(texture));
}

TEST_F(FBOTest, AContextGoingAwayTakesTheObjectsWithIt) {
    // Textures are shared in a share group, so the survivor can see whether
    // the dying context's texture was deleted.
    auto dying = makeContext(context_.get());
    ASSERT_NE(dying, nullptr);
    MultiScreenFBO fbo;
    ASSERT_TRUE(dying->makeCurrent(&surface_));
    ASSERT_TRUE(fbo.BeginOutput(dying.get(), 8, 8, 1));
    const GLuint texture = fbo.texture();
    dying->doneCurrent();
    ASSERT_TRUE(context_->makeCurrent(&surface_));
    ASSERT_TRUE(gl_->glIsTexture(texture));

    dying.reset();
    EXPECT_EQ(fbo.texture(), 0u);
    EXPECT_FALSE(fbo.inited());
    EXPECT_FALSE(gl_->glIsTexture(texture));
    EXPECT_EQ(QOpenGLContext::currentContext(), context_.get());

    // Set up again in a live context: the names of the dead one are not reused.
    EXPECT_TRUE(fbo.BeginOutput(context_.get(), 8, 8, 1));
    fb_->glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(FBOTest, DumpStateWritesItsFlags) {
    MultiScreenFBO fbo;
    ::testing::internal::CaptureStdout();
    fbo.dumpState();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("    MultiScreenFBO: 0x"), std::string::npos);
    EXPECT_NE(out.find("      Tex: 0, fb 0\n      Size: 0x0\n"
                       "      Flags: inited:0, isVisible:1\n\n"),
              std::string::npos);
}

// Inside a GL view, whose own framebuffer is not 0: the image goes into the
// texture, then the texture into the view.
class ImageView : public QOpenGLWidget {
public:
    ImageView() {
        QSurfaceFormat format;
        format.setVersion(2, 1);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        setFormat(format);
        image_ = QImage(32, 16, QImage::Format_RGBA8888);
        image_.fill(QColor(0, 0, 255));
        image_.setPixelColor(0, 0, QColor(255, 255, 0));  // the top-left corner
    }
    MultiScreenFBO fbo;

protected:
    void paintGL() override {
        fbo.renderCoreImageToFBO(context(), image_);
        auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context());
        gl->glViewport(0, 0, 32, 16);
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadIdentity();
        gl->glOrtho(0, 32, 0, 16, -1, 1);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        gl->glClearColor(1, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        multiscreen_textureSpec spec{};
        fbo.getMultiScreenTextureSpec(&spec);
        gl->glEnable(spec.target);
        gl->glBindTexture(spec.target, spec.texture);
        gl->glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        gl->glBegin(GL_QUADS);
        gl->glTexCoord2f(0, 0);
        gl->glVertex2f(0, 0);
        gl->glTexCoord2f(32, 0);
        gl->glVertex2f(32, 0);
        gl->glTexCoord2f(32, 16);
        gl->glVertex2f(32, 16);
        gl->glTexCoord2f(0, 16);
        gl->glVertex2f(0, 16);
        gl->glEnd();
        gl->glBindTexture(spec.target, 0);
        gl->glDisable(spec.target);
    }

private:
    QImage image_;
};

TEST(MultiScreenFBOInView, TheViewKeepsDrawingIntoItsOwnFramebuffer) {
    ImageView view;
    view.resize(32, 16);
    view.show();
    QElapsedTimer timer;
    timer.start();
    while (!view.isValid() && timer.elapsed() < 5000) QCoreApplication::processEvents();
    ASSERT_TRUE(view.isValid());
    const QImage out = view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(out.size(), QSize(32, 16));
    EXPECT_EQ(out.pixel(5, 8), qRgb(0, 0, 255)) << "the image, not the red clear colour";
    EXPECT_EQ(out.pixel(0, 0), qRgb(255, 255, 0)) << "and upright";
    EXPECT_TRUE(view.fbo.inited());
}

}  // namespace

KELO_TEST_MAIN_GUI()
