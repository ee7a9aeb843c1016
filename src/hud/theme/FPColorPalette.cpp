#include "hud/theme/FPColorPalette.h"

namespace {
constexpr ushort component(double v) {
    return ushort(v * 65535.0 + 0.5);
}
constexpr QColor rgb(double r, double g, double b) {
    return QColor(QColor::Rgb, 0xffff, component(r), component(g), component(b));
}
}  // namespace

constexpr QColor kFPColorTimingText = rgb(157 / 255.0, 247 / 255.0, 82 / 255.0);
constexpr QColor kFPColorWarningText = rgb(0.94, 0.9, 0.18);
constexpr QColor kFPColorPresetPalette = rgb(37 / 255.0, 41 / 255.0, 70 / 255.0);
constexpr QColor kFPColorHighlightAmber = rgb(1.0, 0.5696498, 0.01263447);
