#pragma once

#include <QImage>
#include <QMetaObject>
#include <QPointer>

#include <cstdint>

class QOpenGLContext;

// What the multi-screen renderer needs to sample a finished texture.
struct multiscreen_textureSpec {
    uint32_t texture;
    uint32_t width;
    uint32_t height;
    uint32_t target;
    uint32_t reserved;
};

// An off-screen render target: a framebuffer whose colour attachment is a
// rectangle texture, plus a depth-and-stencil renderbuffer in mode 0 (mode 1
// is colour only). Used on the thread of its GL context with the context
// current.
//
// The GL objects belong to this object: they are deleted when it is set up
// afresh, when it is destroyed, and when its context is about to go away, so
// neither a rebuild nor a dying context leaks them.
class MultiScreenFBO {
public:
    MultiScreenFBO();
    ~MultiScreenFBO();
    MultiScreenFBO(const MultiScreenFBO&) = delete;
    MultiScreenFBO& operator=(const MultiScreenFBO&) = delete;

    // Makes the framebuffer the draw target. True when it was (re)built, so
    // its texture is new and empty; false when it was already set up for this
    // context, size and mode, or when set-up failed (then the binding is left
    // as it was). Output ends when the caller binds its own framebuffer again.
    bool BeginOutput(QOpenGLContext* context, int32_t width, int32_t height, int32_t mode);
    // Builds the framebuffer, texture and (mode 0) renderbuffer.
    void init(QOpenGLContext* context, int32_t width, int32_t height, int32_t mode);
    // The texture when set up and visible, else texture 0 of 256 x 256.
    void getMultiScreenTextureSpec(multiscreen_textureSpec* spec) const;
    // Draws the image at its own pixel size into the texture (image top at the
    // texture's top, y-up), then binds the context's default framebuffer. A
    // null image does nothing.
    void renderCoreImageToFBO(QOpenGLContext* context, const QImage& image);
    void dumpState() const;

    bool inited() const { return inited_; }
    bool isVisible() const { return isVisible_; }
    // The owner hides a texture that holds nothing worth showing.
    void setIsVisible(bool visible) { isVisible_ = visible; }
    int32_t mode() const { return mode_; }
    int32_t width() const { return sizeWidth_; }
    int32_t height() const { return sizeHeight_; }
    uint32_t texture() const { return texture_; }
    uint32_t framebuffer() const { return framebuffer_; }
    uint32_t renderbuffer() const { return renderbuffer_; }
    uint32_t displayList() const { return displayList_; }

private:
    // Deletes the GL objects in their own context and forgets their names.
    void releaseGLObjects();
    void deleteGLObjects();
    void watchContext(QOpenGLContext* context);

    bool inited_ = false;
    bool isVisible_ = true;
    int32_t requestedWidth_ = 0;
    int32_t requestedHeight_ = 0;
    int32_t mode_ = 0;
    int32_t sizeWidth_ = 0;
    int32_t sizeHeight_ = 0;
    uint32_t framebuffer_ = 0;
    uint32_t renderbuffer_ = 0;
    uint32_t texture_ = 0;
    uint32_t displayList_ = 0;
    int32_t imageWidth_ = 0;
    int32_t imageHeight_ = 0;
    QPointer<QOpenGLContext> context_;
    QMetaObject::Connection contextWatch_;
};
