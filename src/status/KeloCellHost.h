#pragma once

#include "status/KeloThumbLayer.h"

#include <QRectF>

#include <memory>
#include <vector>

class KeloRemoteCell;
class QPainter;

// What a status cell needs of the view that shows it: redisplay of a
// rectangle, its visible area, tool-tip registration, and the list of
// thumbnail layers painted over the cells. Coordinates are the view's own,
// y-down. Main thread only.
class KeloCellHost {
public:
    virtual ~KeloCellHost() = default;

    virtual void setNeedsDisplayInRect(const QRectF& rect) = 0;
    // Redraws at once (while an event-tracking loop keeps paint events away).
    virtual void displayRectIgnoringOpacity(const QRectF& rect) = 0;
    virtual bool hasWindow() const = 0;
    virtual QRectF visibleRect() const = 0;
    virtual bool isFlipped() const { return true; }
    // `rect` is cell-local (y-up), `frame` the cell's frame in the view.
    virtual void addToolTipForRect(const QRectF& rect, const QRectF& frame, KeloRemoteCell* cell) {
        (void)rect;
        (void)frame;
        (void)cell;
    }
    // The grid must lay its cells out again.
    virtual void setNeedsLayout(bool needsLayout) { (void)needsLayout; }

    std::vector<std::unique_ptr<KeloThumbLayer>>& thumbLayers() { return thumbLayers_; }
    // The visible thumbnail layers meeting `dirty`, in layer order.
    void paintThumbLayers(QPainter& painter, const QRectF& dirty);

private:
    std::vector<std::unique_ptr<KeloThumbLayer>> thumbLayers_;
};
