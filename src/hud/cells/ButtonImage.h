#pragma once

#include "graphics/StretchImage.h"

#include <QColor>
#include <QRectF>

#include <cstdint>
#include <memory>
#include <vector>

class HUDButtonCell;

// The look of a button bezel: everything its drawing depends on except the
// frame size. Callers start from a value-initialised record.
struct ButtonState {
    uint32_t bgButtonType = 0;
    uint16_t cache : 1 = 0;
    uint16_t isBordered : 1 = 0;
    uint16_t showsBorderOnlyWhileMouseInside : 1 = 0;
    uint16_t isEnabled : 1 = 0;
    uint16_t isHighlighted : 1 = 0;
    uint16_t mouseInside_ : 1 = 0;
    uint16_t hasImage : 1 = 0;
    uint16_t isMatrixOrTable : 1 = 0;
    uint16_t state : 2 = 0;
    uint16_t symbolChar = 0;
    int64_t bezelStyle = 0;
    int64_t highlightsBy = 0;
    int64_t showsStateBy = 0;
    // QColor has no identity; equal colours draw the same bezel.
    QColor customBackgroundColor;
    uint64_t controlSize = 0;

    bool operator==(const ButtonState&) const = default;
};

// One rendered bezel, shared by every button cell of the same look. The list
// of looks lives for the process and is never trimmed; main thread only.
class ButtonImage {
public:
    ButtonState bstate;
    // The bezel as last rendered; null until the first cell draws it.
    std::unique_ptr<StretchImage> img;

    // Completes the record from the cell (the caller has set bgButtonType,
    // cache, isMatrixOrTable, hasImage and mouseInside_) and returns the
    // entry for that look, made on first use. Null when the look is not to
    // be cached: cache off, or a frame under 16 x 10 (which clears cache).
    static ButtonImage* imageForCell(const HUDButtonCell* cell, ButtonState* bstatePtr,
                                     const QRectF& frame);

    // Every entry so far, in the order they were made.
    static const std::vector<std::unique_ptr<ButtonImage>>& allImages();
};
