#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>

class QPainter;

// One preview picture of a server: the JPEG as received, its sizes, when it
// arrived, and the decoded image. The JPEG is decoded only when a view asks
// for the image, and a view asking keeps the picture "wanted" for the request
// schedule. Main thread only.
class KeloImage {
public:
    KeloImage() = default;
    KeloImage(const KeloImage&) = delete;
    KeloImage& operator=(const KeloImage&) = delete;

    // A picture whose data is the resource ":/<name>"; empty when missing.
    static std::unique_ptr<KeloImage> imageWithResourceNamed(const QString& name);

    void setImageData(const QByteArray& data) { imageData_ = data; }
    QByteArray imageData() const { return imageData_; }
    // Size of the received JPEG.
    void setImageSize(const QSizeF& size) { imageSize_ = size; }
    QSizeF imageSize() const { return imageSize_; }
    // Size of the picture the preview stands for.
    void setOriginalSize(const QSizeF& size) { originalSize_ = size; }
    QSizeF originalSize() const { return originalSize_; }
    // Reference-date seconds.
    void setArrived(double time) { arrived_ = time; }
    double arrived() const { return arrived_; }
    void setKeloObjectImageIndex(int32_t index) { keloObjectImageIndex_ = index; }
    int32_t keloObjectImageIndex() const { return keloObjectImageIndex_; }

    // What is left of the countdown a view's drawing starts; 0: not wanted.
    int32_t wanted() const { return wanted_; }
    // The request schedule spends one unit each time it considers the
    // picture (0 stays 0).
    void spendWanted() {
        if (wanted_ > 0) --wanted_;
    }

    // The decoded picture at the original's aspect; decodes pending data
    // first. A null image when nothing was ever decoded. A JPEG that does not
    // decode leaves the previous picture in place.
    QImage cg_image();
    // The decoded picture at the JPEG's own size; the same software decode
    // (there is no hardware decoder to hand the data to).
    QImage cv_image();

    // Where the picture lands when fitted, centred, into `rect` at the
    // original's aspect; `rect` itself when there is no picture.
    QRectF getCenteredRect(const QRectF& rect);
    // Draws the picture into `rect`, mirrored top to bottom when `flipped`.
    void drawInContext(QPainter& painter, const QRectF& rect, bool flipped);

    // Largest side of the drawing surface of a decoded picture; larger
    // announced sizes are refused.
    static constexpr int kMaxContextSide = 4096;

private:
    QByteArray imageData_;
    QSizeF imageSize_;
    QSizeF originalSize_;
    double arrived_ = 0;
    int32_t wanted_ = 0;
    QImage image_;
    QImage cvImage_;
    QSize ctxSize_;
    QImage privateCtx_;
    int32_t keloObjectImageIndex_ = 0;
};
