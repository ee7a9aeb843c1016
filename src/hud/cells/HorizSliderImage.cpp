#include "hud/cells/HorizSliderImage.h"

#include "hud/cells/HUDSliderCell.h"

namespace {

std::vector<std::unique_ptr<HorizSliderImage>>& imageList() {
    static auto* list = new std::vector<std::unique_ptr<HorizSliderImage>>();
    return *list;
}

}  // namespace

HorizSliderImage* HorizSliderImage::imageForCell(const HUDSliderCell* cell, const QRectF& frame) {
    if (!cell) return nullptr;
    _HorizSliderState key;
    key.controlSize = cell->controlSize();
    key.isEnabled = cell->isEnabled();
    key.isHighlighted = cell->isHighlighted();
    key.focusRingType = cell->focusRingType();
    key.tickMarkPosition = cell->tickMarkPosition();
    key.numberOfTickMarks = cell->numberOfTickMarks();
    key.barYoffset = cell->barYoffset();
    key.imageHeight = int32_t(frame.height());

    auto& list = imageList();
    for (const auto& entry : list) {
        if (entry->bstate == key) return entry.get();
    }
    auto entry = std::make_unique<HorizSliderImage>();
    entry->bstate = key;
    list.push_back(std::move(entry));
    return list.back().get();
}

const std::vector<std::unique_ptr<HorizSliderImage>>& HorizSliderImage::allImages() {
    return imageList();
}
