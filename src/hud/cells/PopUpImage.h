#pragma once

#include "graphics/StretchImage.h"

#include <cstdint>
#include <memory>
#include <vector>

class HUDPopUpButtonCell;

// Everything a pop-up bezel depends on except the width.
struct _PopUpState {
    int8_t isBordered = 0;
    uint32_t controlSize = 0;
    int8_t isEnabled = 0;
    int64_t backgroundStyle = 0;
    int32_t height = 0;

    bool operator==(const _PopUpState&) const = default;
};

// One rendered pop-up bezel, shared by pop-ups of every width. The list lives
// for the process and is never trimmed; main thread only.
class PopUpImage {
public:
    _PopUpState bstate;
    std::unique_ptr<StretchImage> backgroundImg;

    // The entry for the cell's look at this frame height, made on first use.
    static PopUpImage* imageForCell(const HUDPopUpButtonCell* cell, int32_t height);

    // Every entry so far, in the order they were made.
    static const std::vector<std::unique_ptr<PopUpImage>>& allImages();
};
