#pragma once

#include "graphics/CoreGLStringUnscaled.h"
#include "platform/AttributedString.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>

// A text label for zoomable GL views: the text is rendered once into an image
// (optionally rotated, mirrored or embossed), uploaded into the caller's
// rectangle texture when it changed, and drawn at its own pixel size wherever
// the zoomed item it labels lands. With autosizeFont a small copy is used
// while the text does not fit in the item's quadrilateral.
//
// Texture names belong to the caller; nothing here creates or deletes one.
// Drawing needs a current compatibility-profile GL context.
class GLStringUnscaled {
public:
    GLStringUnscaled();
    ~GLStringUnscaled();
    GLStringUnscaled(const GLStringUnscaled&) = delete;
    GLStringUnscaled& operator=(const GLStringUnscaled&) = delete;

    // Re-renders only when the text, the background, the rotation or a mirror
    // flag changed; an invalid colour means none (the default text colour for
    // the text). An empty string shows "<no name>".
    void updateWithString(const QString& string, const QColor& bgColor, const QColor& fgColor,
                          double rotation);
    // Draws the text for the item `rect` (view units) with `verts` its four
    // corners or null. `constraints`: 0 centred (small text pushed to the
    // quadrilateral's first edge when even that does not fit), 6 the text's
    // second corner on the quadrilateral's second corner, 1000 to 1003 the
    // text's centre on that corner; anything else centred. `colorMultiplier`
    // is RGBA or null for white.
    void drawGLunscaled(uint32_t texture, const QRectF& rect, const QPointF* verts,
                        int32_t constraints, const QPointF& indention, float scaleFactorX,
                        float scaleFactorY, const float* colorMultiplier);
    QSizeF currentSize() const;

    // Steps of update and draw.
    void updateGLTextureIfNeeded(uint32_t texture, const QPointF* verts, const QRectF& rect);
    void finishDrawItemText(uint32_t texture, const float* colorMultiplier);
    // Renders `text` into `glString`; returns the image, null for an empty size.
    QImage imageWithAttrString(const AttributedString& text, double rotation,
                               CoreGLStringUnscaled& glString);

    const QString& string() const { return string_; }
    void setString(const QString& string) { string_ = string; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) { backgroundColor_ = color; }
    double rotation() const { return rotation_; }
    QColor embossedColor() const { return embossedColor_; }
    void setEmbossedColor(const QColor& color) { embossedColor_ = color; }
    int32_t fontSize() const { return fontSize_; }
    void setFontSize(int32_t size) { fontSize_ = size; }
    bool autosizeFont() const { return autosizeFont_; }
    void setAutosizeFont(bool on) { autosizeFont_ = on; }
    bool flipHorizontal() const { return flipHorizontal_; }
    void setFlipHorizontal(bool on) { flipHorizontal_ = on; }
    bool flipVertical() const { return flipVertical_; }
    void setFlipVertical(bool on) { flipVertical_ = on; }
    bool flipHorizontalAndVertical() const { return flipHorizontalAndVertical_; }
    void setFlipHorizontalAndVertical(bool on) { flipHorizontalAndVertical_ = on; }

    // State of the last render and draw, for callers that hit-test the label.
    const CoreGLStringUnscaled* glString() const { return glString_.get(); }
    const CoreGLStringUnscaled* miniGlString() const { return miniGlString_.get(); }
    bool usingMiniSize() const { return usingMiniSize_; }
    const double* rotate2dMtx() const { return rotate2dMtx_; }
    QPointF currentDrawAtOffset() const { return currentDrawAtOffset_; }
    const QPointF* drawnAttrStrVerts() const { return drawnAttrStrVerts_; }
    bool glTextureUpdateNeeded() const { return glTextureUpdateNeeded_; }

    // The system font size of the smallest control size, used by autosizing.
    static constexpr int kMiniFontSize = 9;

private:
    const CoreGLStringUnscaled* inUse() const;

    QString string_;
    QColor backgroundColor_;
    std::unique_ptr<CoreGLStringUnscaled> glString_;
    double rotation_ = 0;
    double rotate2dMtx_[4] = {1, 0, 0, 1};
    QPointF rotationOffset_;
    QColor embossedColor_;
    int32_t fontSize_ = 0;
    bool autosizeFont_ = false;
    std::unique_ptr<CoreGLStringUnscaled> miniGlString_;
    bool usingMiniSize_ = false;
    bool flipHorizontal_ = false;
    bool flipHorizontalDrawn_ = false;
    bool flipVertical_ = false;
    bool flipVerticalDrawn_ = false;
    bool flipHorizontalAndVertical_ = false;
    bool flipHorizontalAndVerticalDrawn_ = false;
    QSizeF currentSize_;
    QPointF unscaledCenter_;
    QPointF currentDrawAtOffset_;
    QPointF drawnAttrStrVerts_[4];
    QPointF hitTestVert_;
    bool glTextureUpdateNeeded_ = false;
};

// One GL_QUADS quad of the bound texture: whole-texel texture coordinates from
// `textureRect`, whole-unit vertices from `destRect`; `flip` maps the
// texture's first row to the destination's low y. `color` (RGBA) is set when
// given.
void glDrawTexture2D(const QRectF& textureRect, const QRectF& destRect, signed char flip,
                     const float* color);
