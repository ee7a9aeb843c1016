#include "hud/theme/KeloPilotColorCategory.h"

#include "hud/theme/FPColorPalette.h"
#include "hud/theme/HUDGradient.h"
#include "hud/theme/VNSColorCategory.h"

#include <mutex>
#include <optional>

#define KELO_ONCE_COLOR(name, expr)         \
    QColor name() {                         \
        static const QColor color = (expr); \
        return color;                       \
    }

KELO_ONCE_COLOR(textFillColor, colorWithContrastWhite(59 / 255.0, 1))
KELO_ONCE_COLOR(boxFillColor, colorWithContrastWhite(45 / 255.0, 1))
KELO_ONCE_COLOR(normalSolidFill, colorWithContrastWhite(52 / 255.0, 1))
KELO_ONCE_COLOR(headerFillColor, colorWithContrastWhite(43 / 255.0, 1))
KELO_ONCE_COLOR(defaultWindowBackgroundColor, headerFillColor())
KELO_ONCE_COLOR(timelineCursFillColor, colorWithContrastWhite(0.1, 0.7))
KELO_ONCE_COLOR(floatingWindowColor, colorWithContrastWhite(14 / 255.0, 1))
KELO_ONCE_COLOR(darkStrokeColor, colorWithContrastWhite(30 / 255.0, 1))
KELO_ONCE_COLOR(darkerStrokeColor, colorWithContrastWhite(20 / 255.0, 1))
KELO_ONCE_COLOR(dimTextColor, QColor::fromRgbF(154 / 255.0, 154 / 255.0, 154 / 255.0, 1))
KELO_ONCE_COLOR(veryDimTextColor, QColor::fromRgbF(114 / 255.0, 114 / 255.0, 114 / 255.0, 1))
KELO_ONCE_COLOR(tempHideColor, kFPColorWarningText)
KELO_ONCE_COLOR(soloColor, kFPColorWarningText)
KELO_ONCE_COLOR(presetColor, kFPColorPresetPalette)
KELO_ONCE_COLOR(overrideColor, QColor::fromRgbF(0.65, 0, 1.0, 1))

float gl_selectstroke[4] = {1.0f, 0.5696498f, 0.01263447f, 1.0f};

namespace {
std::mutex& selectionMutex() {
    static std::mutex mutex;
    return mutex;
}
std::optional<QColor> selection;
std::optional<QColor> selectionOverlay;

QColor selectionWithAlpha(double alpha) {
    return QColor::fromRgbF(gl_selectstroke[0], gl_selectstroke[1], gl_selectstroke[2], alpha);
}

constexpr float bg_v[4] = {57 / 255.0f, 57 / 255.0f, 57 / 255.0f, 1.0f};
constexpr float playhead_v[4] = {128 / 255.0f, 2 / 255.0f, 6 / 255.0f, 1.0f};
constexpr float playheadShadow_v[4] = {0.1f, 0.1f, 0.1f, 0.2f};
constexpr float cueFillColour_v[4] = {189 / 255.0f, 189 / 255.0f, 189 / 255.0f, 1.0f};
constexpr float sCueStrokeColour_v[4] = {104 / 255.0f, 104 / 255.0f, 104 / 255.0f, 1.0f};
}  // namespace

QColor timelineSelectionColor() {
    std::lock_guard lock(selectionMutex());
    if (!selection) selection = selectionWithAlpha(1.0);
    return *selection;
}

QColor timelineSelectionOverlayColor() {
    std::lock_guard lock(selectionMutex());
    if (!selectionOverlay) selectionOverlay = selectionWithAlpha(0.4);
    return *selectionOverlay;
}

void recomputeTimelineSelectionColor() {
    std::lock_guard lock(selectionMutex());
    selection = selectionWithAlpha(1.0);
    selectionOverlay = selectionWithAlpha(0.4);
}

const float* GL_bgColour() {
    return bg_v;
}
const float* GL_playheadColour() {
    return playhead_v;
}
const float* GL_playheadShadowColour() {
    return playheadShadow_v;
}
const float* GL_cueFillColour() {
    return cueFillColour_v;
}
const float* GL_cueStrokeColour() {
    return sCueStrokeColour_v;
}

QColor NSColorFromV4f(const float* v) {
    return QColor::fromRgbF(v[0], v[1], v[2], v[3]);
}

KELO_ONCE_COLOR(NS_bgColour, NSColorFromV4f(bg_v))
KELO_ONCE_COLOR(NS_playheadColour, NSColorFromV4f(playhead_v))
KELO_ONCE_COLOR(NS_playheadShadowColour, NSColorFromV4f(playheadShadow_v))
KELO_ONCE_COLOR(NS_cueFillColour, NSColorFromV4f(cueFillColour_v))
KELO_ONCE_COLOR(NS_cueStrokeColour, NSColorFromV4f(sCueStrokeColour_v))
KELO_ONCE_COLOR(NS_dimPlayheadColour,
                blendedColorWithFraction(NS_playheadColour(), 0.35, ospreyHighlight()))

#undef KELO_ONCE_COLOR
