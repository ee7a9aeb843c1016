#pragma once

#include "graphics/StretchImage.h"

#include <QRectF>

#include <cstdint>
#include <memory>
#include <vector>

class HUDSegmentedCell;

// The look of a segmented control's background (segment -1) or of one
// segment: everything its drawing depends on except the frame size.
struct _SegCellState {
    int64_t segmentStyle = 0;
    int64_t segment = 0;
    int64_t isSelected = 0;
    int64_t segmentCount = 0;
    uint8_t isEnabled = 0;

    bool operator==(const _SegCellState&) const = default;
};

// One rendered look, shared by every segmented cell drawn in that state. The
// list lives for the process and is never trimmed; main thread only.
class SegCellImage {
public:
    _SegCellState bstate;
    // Null until a cell first renders this look.
    std::unique_ptr<StretchImage> img;

    // The entry for the cell's look of `segment` (-1 for the background),
    // made on first use; null when the frame is under 5 wide or high.
    static SegCellImage* imageForCell(const HUDSegmentedCell* cell, int64_t segment,
                                      const QRectF& frame);

    // Every entry so far, in the order they were made.
    static const std::vector<std::unique_ptr<SegCellImage>>& allImages();
};
