#pragma once

#include <QSizeF>

#include <cstdint>
#include <optional>
#include <vector>

class PmContext;

// One source picture that contexts cut their rectangles from: 0 the global
// surface, a negative id a mix, a positive id a server layer. Main thread only.
class PixMapSource {
public:
    PixMapSource() = default;
    PixMapSource(int32_t id, int32_t width, int32_t height, bool autoSize = false)
        : source_id(id), source_width(width), source_height(height), source_auto(autoSize) {}

    int32_t source_id = 0;
    int32_t source_width = 0;
    int32_t source_height = 0;
    bool source_auto = false;
    QSizeF zoomedPixelSize{1.0, 1.0};
    QSizeF keloDimensions;  // the session server's size; zero while unknown
    bool prevDiff = false;
    bool diff = false;  // the size differs from the server's
    bool markedForDeletion = false;
    // The contexts of this source, in document order; nothing while stale.
    // The contexts belong to the editor: the list is dropped whenever the
    // contexts change.
    std::optional<std::vector<PmContext*>> srcContextList;
};
