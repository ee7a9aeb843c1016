#include "hud/cells/PopUpImage.h"

#include "hud/cells/HUDPopUpButtonCell.h"

namespace {

std::vector<std::unique_ptr<PopUpImage>>& imageList() {
    static auto* list = new std::vector<std::unique_ptr<PopUpImage>>();
    return *list;
}

}  // namespace

PopUpImage* PopUpImage::imageForCell(const HUDPopUpButtonCell* cell, int32_t height) {
    if (!cell) return nullptr;
    _PopUpState key;
    key.isBordered = cell->isBordered();
    key.controlSize = uint32_t(cell->controlSize());
    key.isEnabled = cell->isEnabled();
    key.backgroundStyle = cell->backgroundStyle();
    key.height = height;
    auto& list = imageList();
    for (const auto& entry : list) {
        if (entry->bstate == key) return entry.get();
    }
    auto entry = std::make_unique<PopUpImage>();
    entry->bstate = key;
    list.push_back(std::move(entry));
    return list.back().get();
}

const std::vector<std::unique_ptr<PopUpImage>>& PopUpImage::allImages() {
    return imageList();
}
