#pragma once

#include <QImage>
#include <QRectF>

#include <memory>

class QPainter;

// An off-screen RGBA surface: paint it between lockFocusAndClear() and
// unlockFocusAndDraw(), then draw its image many times. Drawing runs y-down
// like every QPainter; flipContext() gives callers that paint y-up their
// coordinates.
class GLTextureCtx {
public:
    // Sizes are rounded up to whole pixels (10.2 gives 11, 10.0 gives 10);
    // negative sizes count as 0.
    GLTextureCtx(double width, double height);
    virtual ~GLTextureCtx();
    GLTextureCtx(const GLTextureCtx&) = delete;
    GLTextureCtx& operator=(const GLTextureCtx&) = delete;

    double width() const { return width_; }
    double height() const { return height_; }
    QRectF imageRect() const { return QRectF(0, 0, width_, height_); }

    // Clears the surface to transparent and returns the painter on it, with
    // antialiasing and smooth image scaling on. Null for an empty surface.
    QPainter* lockFocusAndClear();
    // The painter between lock and unlock, else null.
    QPainter* painter() const { return painter_.get(); }
    // Makes later drawing run bottom-up.
    void flipContext();
    // Ends painting and keeps the result. With upload set and a current GL
    // context, also loads the pixels into the texture bound to GL_TEXTURE_2D.
    void unlockFocusAndDraw(bool upload);

    // The rendered bitmap (RGBA8888 premultiplied) and the drawable image of
    // the last unlock; null before it.
    const QImage& cgImageRef() const { return cgImage_; }
    const QImage& nsImage() const { return nsImage_; }
    void setNsImage(const QImage& image) { nsImage_ = image; }

protected:
    // Called after each unlock so that subclasses can react to a new bitmap.
    virtual void bitmapChanged() {}

private:
    void uploadToBoundTexture();

    double width_;
    double height_;
    QImage bitmap_;
    std::unique_ptr<QPainter> painter_;
    QImage cgImage_;
    QImage nsImage_;
};
