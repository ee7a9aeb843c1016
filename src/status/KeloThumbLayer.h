#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

#include <cstdint>

class CellRect;
class QPainter;

// A live thumbnail shown over the cells of a host view, reused from frame to
// frame rather than painted into a cell's cached image. The picture is scaled
// once per new image or frame size and then only copied. Main thread only.
class KeloThumbLayer {
public:
    explicit KeloThumbLayer(int32_t index) : index_(index) {}

    int32_t index() const { return index_; }
    // The part using this layer; null when it is free. Only compared, never
    // followed, so a stale value cannot be dereferenced.
    const CellRect* owningCellRect() const { return owningCellRect_; }
    void setOwningCellRect(const CellRect* owner) { owningCellRect_ = owner; }

    bool hidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    // In the host view's y-down coordinates.
    QRectF frame() const { return frame_; }
    void setFrame(const QRectF& frame) { frame_ = frame; }
    // Invalid means none.
    QColor backgroundColor() const { return background_; }
    void setBackgroundColor(const QColor& colour) { background_ = colour; }
    const QImage& contents() const { return contents_; }
    void setContents(const QImage& image);

    // The background, then the picture fitted into the frame at its own aspect.
    void paint(QPainter& painter);
    // How many times a picture was scaled; for tests and benchmarks.
    int scaleCount() const { return scaleCount_; }

private:
    int32_t index_;
    const CellRect* owningCellRect_ = nullptr;
    bool hidden_ = true;
    QRectF frame_;
    QColor background_;
    QImage contents_;
    QImage scaled_;
    QRectF scaledFor_;
    qreal scaledRatio_ = 0;
    int scaleCount_ = 0;
};
