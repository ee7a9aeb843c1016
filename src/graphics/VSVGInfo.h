#pragma once

#include <cstdint>

// Unit codes of the root's width and height; only recorded, never applied.
enum : int32_t {
    kVSVGUnitEm = 0,
    kVSVGUnitEx = 1,
    kVSVGUnitPx = 2,
    kVSVGUnitPt = 3,
    kVSVGUnitPc = 4,
    kVSVGUnitCm = 5,
    kVSVGUnitMm = 6,
    kVSVGUnitIn = 7,
    kVSVGUnitPercent = 8,
};

// The root svg element's viewBox and size, filled by VSVGInfoParser so that a
// builder can choose a scale before drawing. Values are whole numbers.
struct VSVGInfo {
    float viewBoxMinX = 0;
    float viewBoxMinY = 0;
    float viewBoxWidth = 0;
    float viewBoxHeight = 0;
    float width = 0;
    float height = 0;
    int32_t widthUnit = 0;
    int32_t heightUnit = 0;
};

// The scale that fits a document of the record's width and height into
// (targetWidth, targetHeight); a side the document gives as 0 or less does
// not count, and 1.0 when neither does.
inline double svgFitScale(const VSVGInfo& info, double targetWidth, double targetHeight) {
    double scale = 0;
    if (info.width > 0) scale = targetWidth / info.width;
    if (info.height > 0 && (scale == 0 || info.height * scale > targetHeight)) {
        scale = targetHeight / info.height;
    }
    return scale > 0 ? scale : 1.0;
}
