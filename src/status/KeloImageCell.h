#pragma once

#include "hud/cells/HUDButtonCell.h"
#include "status/CellRect.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class KeloCellHost;
class QPainter;

// Non-zero while the outputs editor waits inside a mouse-tracking loop; cells
// then redraw at once instead of waiting for a paint event. Main thread only.
extern double gEventTrackingLoop;

// A cell divided into numbered parts that draws itself into a cached image:
// the static look (drawStructure) only when the frame changes, later only the
// parts marked dirty (drawDirtyParts); each draw then copies the cached image
// into the view. Live thumbnails are thumbnail layers of the host, not part
// of the image.
//
// Parts are laid out y-up (see CellRect). The conversion to Qt's y-down
// happens here, at the cell's edge: subclasses paint the y-down rectangles
// that layerRect() and viewRect() give them, and the painter is never flipped.
// The host must outlive its cells. Main thread only.
class KeloImageCell : public HUDButtonCell {
public:
    KeloImageCell();
    ~KeloImageCell() override;

    void addCellRect(const QRectF& rect, const QString& toolTip = QString());
    // Null for an index outside the list.
    CellRect* cellRectAtindex(int64_t index) const;
    // The part number under a point of the host view; 0 when none.
    int clickedPart(const QPointF& point) const;
    // Part below 1: the whole cell at (0, 0); else the first part with that
    // number; an empty rectangle when none has it.
    QRectF cellRectForPart(int part) const;
    // `point` is cell-local (y-up); the last part containing it wins.
    QString toolTipAtPoint(const QPointF& point) const;
    QString toolTip() const;
    void setToolTip(const QString& toolTip);
    void makeDirty() { dirty_ = true; }
    bool isDirty() const { return dirty_; }

    virtual void drawInteriorWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host);
    virtual void drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host);

    const QImage& layer() const { return layer_; }
    virtual QSizeF size() const { return currSize_; }
    // Passes the state on; a new state redraws every part.
    void setState(int state);
    // Marks everything dirty and asks the host for a redisplay.
    void displayInView(KeloCellHost* host);

    int64_t tag() const { return tag_; }
    void setTag(int64_t tag) { tag_ = tag; }
    QRectF frame() const { return frame_; }
    void setFrame(const QRectF& frame) { frame_ = frame; }
    KeloCellHost* view() const { return view_; }
    void setView(KeloCellHost* view) { view_ = view; }
    const std::vector<std::unique_ptr<CellRect>>& rectlist() const { return rectlist_; }
    QSizeF currSize() const { return currSize_; }

    // How often the static look and the dirty parts were drawn; for tests
    // and benchmarks.
    int structureDraws() const { return structureDraws_; }
    int dirtyPartDraws() const { return dirtyPartDraws_; }

protected:
    virtual void buildRectList() {}
    virtual void drawStructure() {}
    virtual void drawDirtyParts() {}

    // A part's rectangle in the cached image (y-down).
    QRectF layerRect(const QRectF& cellRect) const;
    // A part's rectangle in the host view (y-down) for the cell's frame.
    QRectF viewRect(const QRectF& cellRect) const;
    // The painter on the cached image while drawStructure or drawDirtyParts runs.
    QPainter* ctx() const { return ctx_; }
    // Asks the host to redraw the frame, at once while tracking the mouse.
    void redisplay(KeloCellHost* host, const QRectF& rect);
    // Frees and hides the host's thumbnail layers that the current parts own.
    // A rebuild touches only this cell's layers: hiding every layer of the
    // host would blank the other cells' thumbnails until their next picture.
    void releaseThumbLayers();
    void setCurrSize(const QSizeF& size) { currSize_ = size; }

    bool dirty_ = false;
    bool addToolTips_ = false;

private:
    QSizeF currSize_;
    QPointF currOrigin_;
    QImage layer_;
    QPainter* ctx_ = nullptr;
    std::vector<std::unique_ptr<CellRect>> rectlist_;
    QRectF frame_;
    KeloCellHost* view_ = nullptr;
    int64_t tag_ = 0;
    int structureDraws_ = 0;
    int dirtyPartDraws_ = 0;
};

// Frees every thumbnail layer of the host view from its owner.
void clearLayerOwners(KeloCellHost* view);
