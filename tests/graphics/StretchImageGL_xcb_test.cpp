#include "graphics/StretchImage.h"

#include "support/TestMain.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QPainter>

#include <memory>

namespace {

class GLTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSurfaceFormat format;
        format.setVersion(2, 1);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        context_.setFormat(format);
        ASSERT_TRUE(context_.create());
        surface_.setFormat(context_.format());
        surface_.create();
        ASSERT_TRUE(context_.makeCurrent(&surface_));
        gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(&context_);
        ASSERT_NE(gl_, nullptr);
        gl_->glGenTextures(1, &texture_);
        gl_->glBindTexture(GL_TEXTURE_2D, texture_);
    }
    void TearDown() override {
        if (gl_) gl_->glDeleteTextures(1, &texture_);
        context_.doneCurrent();
    }

    QOpenGLContext context_;
    QOffscreenSurface surface_;
    QOpenGLFunctions_2_1* gl_ = nullptr;
    GLuint texture_ = 0;
};

// 40 x 8: red left cap, green middle, blue right cap; the top row is white.
std::unique_ptr<StretchImage> makeImage() {
    auto img = std::make_unique<StretchImage>(10, 10, 40, 8);
    QPainter* p = img->lockFocusAndClear();
    p->fillRect(0, 0, 10, 8, Qt::red);
    p->fillRect(10, 0, 20, 8, Qt::green);
    p->fillRect(30, 0, 10, 8, Qt::blue);
    p->fillRect(0, 0, 40, 1, Qt::white);
    img->unlockFocusAndDraw(true);
    return img;
}

TEST_F(GLTest, UploadLoadsTheBitmapIntoTheBoundTexture) {
    auto img = makeImage();
    std::vector<uchar> pixels(40 * 8 * 4);
    gl_->glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const QImage& bitmap = img->cgImageRef();
    EXPECT_EQ(0, memcmp(pixels.data(), bitmap.constBits(), pixels.size()));
    GLint filter = 0;
    gl_->glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
}

TEST_F(GLTest, QuadsKeepTheCapsAndStretchTheMiddle) {
    auto img = makeImage();
    QOpenGLFramebufferObject fbo(100, 8);
    ASSERT_TRUE(fbo.bind());
    gl_->glBindTexture(GL_TEXTURE_2D, texture_);  // making the FBO bound its own
    gl_->glViewport(0, 0, 100, 8);
    gl_->glClearColor(0, 0, 0, 0);
    gl_->glClear(GL_COLOR_BUFFER_BIT);
    gl_->glMatrixMode(GL_PROJECTION);
    gl_->glLoadIdentity();
    gl_->glOrtho(0, 100, 0, 8, -1, 1);
    gl_->glMatrixMode(GL_MODELVIEW);
    gl_->glLoadIdentity();
    gl_->glScaled(1, 8, 1);  // vertical vertex coordinates run 0..1
    gl_->glEnable(GL_TEXTURE_2D);
    img->setupTextureMatrix();
    img->drawGLTexture(0, 100, 0);
    img->resetTextureMatrix();
    gl_->glDisable(GL_TEXTURE_2D);
    const QImage out = fbo.toImage().convertToFormat(QImage::Format_RGB32);
    fbo.release();
    EXPECT_EQ(out.pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_EQ(out.pixel(50, 4), qRgb(0, 255, 0));
    EXPECT_EQ(out.pixel(96, 4), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(3, 0), qRgb(255, 255, 255)) << "the bitmap's top row stays on top";
}

}  // namespace

KELO_TEST_MAIN_WITH_APP(QGuiApplication)
