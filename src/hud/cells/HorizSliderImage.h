#pragma once

#include "graphics/StretchImage.h"

#include <QRectF>

#include <cstdint>
#include <memory>
#include <vector>

class HUDSliderCell;

// Everything a horizontal bar or knob image depends on except the width.
struct _HorizSliderState {
    uint32_t controlSize = 0;
    uint8_t isEnabled = 0;
    uint8_t isHighlighted = 0;
    int32_t focusRingType = 0;
    uint64_t tickMarkPosition = 0;
    int32_t numberOfTickMarks = 0;
    int32_t barYoffset = 0;
    int32_t imageHeight = 0;

    bool operator==(const _HorizSliderState&) const = default;
};

// One look of a horizontal slider, shared by sliders of every length. The
// list lives for the process and is never trimmed; main thread only.
class HorizSliderImage {
public:
    _HorizSliderState bstate;
    std::unique_ptr<StretchImage> sliderTrackImg;
    std::unique_ptr<StretchImage> sliderKnobImg;

    // The entry for the cell's state and the frame's height, made on first use.
    static HorizSliderImage* imageForCell(const HUDSliderCell* cell, const QRectF& frame);

    // Every entry so far, in the order they were made.
    static const std::vector<std::unique_ptr<HorizSliderImage>>& allImages();
};
