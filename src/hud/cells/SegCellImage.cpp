#include "hud/cells/SegCellImage.h"

#include "hud/cells/HUDSegmentedCell.h"

namespace {
std::vector<std::unique_ptr<SegCellImage>>& sImages() {
    static auto* images = new std::vector<std::unique_ptr<SegCellImage>>();
    return *images;
}
}  // namespace

SegCellImage* SegCellImage::imageForCell(const HUDSegmentedCell* cell, int64_t segment,
                                         const QRectF& frame) {
    if (!cell || frame.width() < 5 || frame.height() < 5) return nullptr;
    _SegCellState key;
    key.segmentStyle = cell->segmentStyle();
    key.segment = segment;
    key.isEnabled = cell->isEnabled() ? 1 : 0;
    if (segment != -1) {
        key.isSelected = cell->selectedSegment() == segment ? 1 : 0;
        key.segmentCount = cell->segmentCount();
    }
    for (const auto& entry : sImages())
        if (entry->bstate == key) return entry.get();
    auto entry = std::make_unique<SegCellImage>();
    entry->bstate = key;
    sImages().push_back(std::move(entry));
    return sImages().back().get();
}

const std::vector<std::unique_ptr<SegCellImage>>& SegCellImage::allImages() {
    return sImages();
}
