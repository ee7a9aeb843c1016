#include "hud/cells/ButtonImage.h"

#include "hud/cells/HUDButtonCell.h"

namespace {

std::vector<std::unique_ptr<ButtonImage>>& imageList() {
    static auto* list = new std::vector<std::unique_ptr<ButtonImage>>();
    return *list;
}

}  // namespace

ButtonImage* ButtonImage::imageForCell(const HUDButtonCell* cell, ButtonState* bstatePtr,
                                       const QRectF& frame) {
    if (!cell || !bstatePtr) return nullptr;
    ButtonState& key = *bstatePtr;
    key.isBordered = cell->isBordered();
    key.showsBorderOnlyWhileMouseInside = cell->showsBorderOnlyWhileMouseInside();
    key.isEnabled = cell->isEnabled();
    key.isHighlighted = cell->isHighlighted();
    key.state = uint16_t(cell->state()) & 3;
    key.symbolChar = 0;
    const QString title = cell->title();
    if ((key.bgButtonType & kHUDSymbolMask) && title.size() == 1)
        key.symbolChar = title[0].unicode();
    key.bezelStyle = cell->bezelStyle();
    key.highlightsBy = cell->highlightsBy();
    key.showsStateBy = cell->showsStateBy();
    key.customBackgroundColor = cell->backgroundColor();
    key.controlSize = uint64_t(cell->controlSize());

    auto& list = imageList();
    if (frame.width() < 16 || frame.height() < 10) key.cache = 0;
    if (!key.cache) return nullptr;
    for (const auto& entry : list) {
        if (entry->bstate == key) return entry.get();
    }
    auto entry = std::make_unique<ButtonImage>();
    entry->bstate = key;
    list.push_back(std::move(entry));
    return list.back().get();
}

const std::vector<std::unique_ptr<ButtonImage>>& ButtonImage::allImages() {
    return imageList();
}
