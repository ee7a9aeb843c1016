#include "graphics/GLStringUnscaled.h"

#include "graphics/VertGeometry.h"

#include "support/TestMain.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>

#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif

namespace {

constexpr int kW = 160, kH = 80;

class GLStringGL : public ::testing::Test {
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
        fbo_ = std::make_unique<QOpenGLFramebufferObject>(kW, kH);
        ASSERT_TRUE(fbo_->bind());
        // A flipped view: y grows downwards, as in the views that draw labels.
        gl_->glViewport(0, 0, kW, kH);
        gl_->glMatrixMode(GL_PROJECTION);
        gl_->glLoadIdentity();
        gl_->glOrtho(0, kW, kH, 0, -1, 1);
        gl_->glMatrixMode(GL_MODELVIEW);
        gl_->glLoadIdentity();
        gl_->glClearColor(0, 0, 0, 1);
        gl_->glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override {
        fbo_.reset();
        if (gl_) gl_->glDeleteTextures(1, &texture_);
        context_.doneCurrent();
    }
    // Top row first: row r is view y r.
    QImage grab() { return fbo_->toImage().convertToFormat(QImage::Format_RGB32); }

    QOpenGLContext context_;
    QOffscreenSurface surface_;
    QOpenGLFunctions_2_1* gl_ = nullptr;
    GLuint texture_ = 0;
    std::unique_ptr<QOpenGLFramebufferObject> fbo_;
};

// The view's projection maps item units to pixels at `zoom`.
void setZoom(QOpenGLFunctions_2_1* gl, double zoom) {
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glOrtho(0, kW / zoom, kH / zoom, 0, -1, 1);
    gl->glMatrixMode(GL_MODELVIEW);
}

// Pixels of `image` that differ from the view at `at`.
int differences(const QImage& out, const QImage& image, QPoint at) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (out.pixel(at.x() + x, at.y() + y) != image.pixel(x, y)) ++count;
        }
    }
    return count;
}

TEST_F(GLStringGL, DrawsTheTextImageUnscaledAtItsPlace) {
    GLStringUnscaled label;
    label.updateWithString("Mix 12", QColor(0, 0, 160), QColor(255, 255, 255), 0);
    const QImage image = label.glString()->cgImageRef.convertToFormat(QImage::Format_RGB32);
    setZoom(gl_, 0.5);
    // Zoomed out to a half: the item's first corner lands on pixel (30, 20).
    const QRectF item(60, 40, 100, 50);
    QPointF quad[4];
    nsGetVertsFromRect(quad, item);
    label.drawGLunscaled(texture_, item, quad, 1000, QPointF(), 0.5f, 0.5f, nullptr);
    EXPECT_EQ(gl_->glGetError(), GLenum(GL_NO_ERROR));
    const QPointF expected = QPointF(30, 20) - label.glString()->midPoint;
    const QPoint at(int(expected.x()), int(expected.y()));
    EXPECT_EQ(label.currentDrawAtOffset(), QPointF(at));

    const QImage out = grab();
    EXPECT_EQ(differences(out, image, at), 0) << "the image, upright and at its own size";
    EXPECT_EQ(out.pixel(at.x() - 1, at.y() + 2), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(at.x() + image.width(), at.y() + 2), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(at.x() + 2, at.y() + image.height()), qRgb(0, 0, 0));

    GLint width = 0, height = 0, rowLength = -1, alignment = 0;
    gl_->glBindTexture(GL_TEXTURE_RECTANGLE, texture_);
    gl_->glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_WIDTH, &width);
    gl_->glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE, 0, GL_TEXTURE_HEIGHT, &height);
    gl_->glBindTexture(GL_TEXTURE_RECTANGLE, 0);
    EXPECT_EQ(QSize(width, height), image.size());
    gl_->glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    gl_->glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(rowLength, 0) << "later uploads must not inherit the label's row length";
    EXPECT_EQ(alignment, 4);
}

TEST_F(GLStringGL, ColourMultiplierAndReuploadOnlyOnChange) {
    GLStringUnscaled label;
    label.updateWithString("Out A", QColor(200, 200, 200), QColor(200, 200, 200), 0);
    setZoom(gl_, 1);
    const QRectF item(0, 0, kW, kH);
    const float redOnly[4] = {1, 0, 0, 1};
    label.drawGLunscaled(texture_, item, nullptr, 0, QPointF(), 1, 1, redOnly);
    const QPoint at = label.currentDrawAtOffset().toPoint();
    QImage out = grab();
    EXPECT_EQ(out.pixel(at.x() + 1, at.y() + 1), qRgb(200, 0, 0));

    // Spoil the texture: without a change the label does not upload again.
    const QImage yellow = [] {
        QImage i(4, 4, QImage::Format_RGBA8888);
        i.fill(QColor(255, 255, 0));
        return i;
    }();
    gl_->glBindTexture(GL_TEXTURE_RECTANGLE, texture_);
    gl_->glTexSubImage2D(GL_TEXTURE_RECTANGLE, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE,
                         yellow.constBits());
    gl_->glBindTexture(GL_TEXTURE_RECTANGLE, 0);
    label.drawGLunscaled(texture_, item, nullptr, 0, QPointF(), 1, 1, nullptr);
    out = grab();
    EXPECT_EQ(out.pixel(at.x() + 1, at.y() + 1), qRgb(255, 255, 0));

    label.updateWithString("Out B", QColor(200, 200, 200), QColor(200, 200, 200), 0);
    label.drawGLunscaled(texture_, item, nullptr, 0, QPointF(), 1, 1, nullptr);
    out = grab();
    EXPECT_EQ(out.pixel(label.currentDrawAtOffset().x() + 1, label.currentDrawAtOffset().y() + 1),
              qRgb(200, 200, 200));
    EXPECT_EQ(gl_->glGetError(), GLenum(GL_NO_ERROR));
}

TEST(GLDrawTexture2D, WholeTexelsAndTheFlipFlag) {
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    QOpenGLContext context;
    context.setFormat(format);
    ASSERT_TRUE(context.create());
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    ASSERT_TRUE(context.makeCurrent(&surface));
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(&context);
    ASSERT_NE(gl, nullptr);
    QOpenGLFramebufferObject fbo(20, 20);
    ASSERT_TRUE(fbo.bind());
    gl->glViewport(0, 0, 20, 20);
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glOrtho(0, 20, 0, 20, -1, 1);
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadIdentity();
    gl->glClearColor(0, 0, 0, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);

    // A 2 x 2 rectangle texture: bottom row (first) red, top row green.
    GLuint texture = 0;
    gl->glGenTextures(1, &texture);
    gl->glBindTexture(GL_TEXTURE_RECTANGLE, texture);
    const uchar texels[16] = {255, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255};
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl->glTexImage2D(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    gl->glEnable(GL_TEXTURE_RECTANGLE);
    const float white[4] = {1, 1, 1, 1};
    glDrawTexture2D(QRectF(0, 0, 2.9, 2.9), QRectF(0.7, 0.7, 10.6, 10.6), 0, white);
    glDrawTexture2D(QRectF(0, 0, 2, 2), QRectF(10, 10, 10, 10), 1, white);
    gl->glDisable(GL_TEXTURE_RECTANGLE);
    gl->glDeleteTextures(1, &texture);
    const QImage out = fbo.toImage().convertToFormat(QImage::Format_RGB32);  // top row first
    fbo.release();
    context.doneCurrent();

    // Rows of the view, y up: GL y is image row 19 - y.
    auto at = [&out](int x, int y) { return out.pixel(x, 19 - y); };
    // Unflipped at (0, 0)-(11, 11): the first texel row on top.
    EXPECT_EQ(at(3, 9), qRgb(255, 0, 0));
    EXPECT_EQ(at(3, 1), qRgb(0, 255, 0));
    EXPECT_EQ(at(10, 10), qRgb(255, 0, 0)) << "x1 and y1 truncated to 11";
    EXPECT_EQ(at(11, 5), qRgb(0, 0, 0));
    EXPECT_EQ(at(5, 11), qRgb(0, 0, 0));
    // Flipped at (10, 10)-(20, 20): the first texel row at the low y.
    EXPECT_EQ(at(15, 11), qRgb(255, 0, 0));
    EXPECT_EQ(at(15, 18), qRgb(0, 255, 0));
}

}  // namespace

KELO_TEST_MAIN_WITH_APP(QGuiApplication)
