#pragma once

#include "graphics/GLTextureCtx.h"
#include "graphics/ImageGeometry.h"

#include <QSizeF>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// A painted image drawn at other sizes: the left and right caps keep their
// pixel width while the middle stretches; drawn whole at other frame sizes,
// the four corners keep their size and edges and centre stretch. All drawing
// is in the painter's y-down coordinates.
class StretchImage : public GLTextureCtx {
public:
    StretchImage(int32_t leftWidth, int32_t rightWidth, int32_t totalWidth, int32_t height);

    int32_t leftWidth() const { return leftWidth_; }
    int32_t rightWidth() const { return rightWidth_; }
    int32_t minWidth() const { return minWidth_; }
    int32_t extraX() const { return extraX_; }
    int32_t extraWidth() const { return extraWidth_; }
    void setExtraX(int32_t extraX, int32_t extraWidth);
    uint32_t glTexture() const { return glTexture_; }
    void setGlTexture(uint32_t texture) { glTexture_ = texture; }

    // One horizontal piece of a three-part draw: destination and source
    // columns in pixels. A stretched single column has srcLeft == srcRight on
    // the GL path and a one-pixel source on the image path.
    struct Piece {
        double destLeft, destRight, srcLeft, srcRight;
    };
    // The pieces drawn for (x, destWidth, flags), in drawing order.
    std::vector<Piece> glPieces(int32_t x, int32_t destWidth, int32_t flags) const;
    std::vector<Piece> imagePieces(int32_t x, int32_t destWidth) const;

    // GL path: texture matrix in pixels, and quads of the bound texture with
    // vertical vertex coordinates 0 (bottom) to 1 (top). Needs a current
    // compatibility-profile GL context.
    void setupTextureMatrix();
    void resetTextureMatrix();
    void drawGLTexture(int32_t x, int32_t destWidth, int32_t extraFlags);

    // Three parts of nsImage() at y 0..height: copy with flags 0, else source-over.
    void drawNSImage(int32_t x, int32_t destWidth, int32_t extraFlags, QPainter& ctx);

    // Piece by piece, source-over: flags 0 draws the whole image as
    // drawCGImageInFrame(); 2 adds the left cap at the frame's left edge, 4
    // the right cap at its right edge; any non-zero flags draw the stretched
    // middle when the frame is wider than minWidth().
    void drawCGImageInFrameOptionFlags(const QRectF& frame, int32_t flags, QPainter& ctx);
    // The cached path: the image's own size is copied, other sizes are drawn
    // as nine parts rendered once per frame size (up to five sizes).
    void drawCGImageInFrame(const QRectF& frame, QPainter& ctx);
    void drawDefaultImageInFrame(const QRectF& frame, QPainter& ctx);

    // Corner size of the nine-part drawing for the current bitmap.
    QSizeF ninePartCorner() const;
    // Frame sizes with a rendered layer, for inspection.
    int cachedLayerCount() const;

    static constexpr int kLayerSlots = 5;

protected:
    void bitmapChanged() override;

private:
    int32_t leftWidth_;
    int32_t rightWidth_;
    int32_t minWidth_;
    int32_t extraX_ = -1;
    int32_t extraWidth_ = -1;
    uint32_t glTexture_ = 0;

    std::optional<NinePartFrags> frags_;
    QImage defaultLayer_;
    std::array<QImage, kLayerSlots> layers_;
    std::array<QSizeF, kLayerSlots> layerSizes_;
};
