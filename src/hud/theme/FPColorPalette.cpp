#include "hud/theme/FPColorPalette.h"

namespace {
constexpr ushort component(double v) {
    return ushort((v < 0 ? 0 : v > 1 ? 1 : v) * 65535.0 + 0.5);
}
constexpr QColor rgb(double r, double g, double b, double a) {
    return QColor(QColor::Rgb, component(a), component(r), component(g), component(b));
}
constexpr QColor grey(double w, double a) {
    return rgb(w, w, w, a);
}
}  // namespace

constexpr QColor kFPColorWhite = grey(1.0, 1.0);
constexpr QColor kFPColorWhiteLargeAlpha = grey(1.0, 0.8);
constexpr QColor kFPColorWhiteHalfAlpha = grey(1.0, 0.5);
constexpr QColor kFPColorWhiteQuarterAlpha = grey(1.0, 0.25);
constexpr QColor kFPColorGreyLargeAlpha = grey(0.2, 0.8);
constexpr QColor kFPColorBlackLargeAlpha = grey(0.0, 0.8);
constexpr QColor kFPColorBlack = grey(0.0, 1.0);
constexpr QColor kFPColorClear = grey(1.0, 0.0);
constexpr QColor kFPColorBackgroundGrey = grey(0.07, 1.0);
constexpr QColor kFPColorDarkGrey = grey(0.05, 1.0);
constexpr QColor kFPColorLightButtonGrey = grey(0.5, 1.0);
constexpr QColor kFPColorTextCursor = grey(1.0, 0.9);
constexpr QColor kFPColorLightTextGrey = grey(0.48, 1.0);
constexpr QColor kFPColorBorderGrey = grey(0.15, 1.0);
constexpr QColor kFPColorLightBorderGrey = grey(0.22, 1.0);
constexpr QColor kFPColorButtonGrey = grey(0.125, 1.0);
constexpr QColor kFPColorSelectedText = grey(1.0, 0.13);
constexpr QColor kFPColorGrey05percent = grey(0.05, 1.0);
constexpr QColor kFPColorGrey10percent = grey(0.1, 1.0);
constexpr QColor kFPColorGrey15percent = grey(0.15, 1.0);
constexpr QColor kFPColorGrey20percent = grey(0.2, 1.0);
constexpr QColor kFPColorGrey30percent = grey(0.3, 1.0);
constexpr QColor kFPColorGrey40percent = grey(0.4, 1.0);
constexpr QColor kFPColorGrey50percent = grey(0.5, 1.0);
constexpr QColor kFPColorGrey60percent = grey(0.6, 1.0);
constexpr QColor kFPColorGrey70percent = grey(0.7, 1.0);
constexpr QColor kFPColorGrey80percent = grey(0.8, 1.0);
constexpr QColor kFPColorGrey90percent = grey(0.9, 1.0);
constexpr QColor kFPColorSelection = rgb(0.781, 0.376, 0.0, 1.0);
constexpr QColor kFPColorDarkAmberSelection = rgb(0.49, 0.36, 0.04, 1.0);
constexpr QColor kFPColorBlock = rgb(0.77, 0.72, 0.11, 1.0);
constexpr QColor kFPColorKeypadTextWhite = rgb(0.769, 0.769, 0.769, 1.0);
constexpr QColor kFPColorKeypadButtonBorderGrey = rgb(0.239, 0.239, 0.239, 1.0);
constexpr QColor kFPColorKeypadLabelGrey = rgb(0.635, 0.635, 0.635, 1.0);
constexpr QColor kFPColorKeypadWindowBlack = rgb(0.082, 0.082, 0.082, 1.0);
constexpr QColor kFPColorHUDWindowBorder = grey(0.769, 1.0);
constexpr QColor kFPColorHUDWindowTitleBarBorder = grey(0.263, 1.0);
constexpr QColor kFPColorSubmasterBumpState = rgb(0.039, 0.275, 0.2, 1.0);
constexpr QColor kFPColorSubmasterIFCBState = rgb(0.039, 0.216, 0.251, 1.0);
constexpr QColor kFPColorSubmasterIndependentState = rgb(0.267, 0.02, 0.396, 1.0);
constexpr QColor kFPColorSubmasterEffectState = rgb(0.294, 0.165, 0.227, 1.0);
constexpr QColor kFPColorSubmasterFrozenState = rgb(0.047, 0.204, 0.302, 1.0);
constexpr QColor kFPColorSubmasterInhibitiveState = rgb(0.345, 0.325, 0.027, 1.0);
constexpr QColor kFPColorTransparent50percent = grey(0.0, 0.5);
constexpr QColor kFPColorTransparent60percent = grey(0.0, 0.6);
constexpr QColor kFPColorTransparent70percent = grey(0.0, 0.7);
constexpr QColor kFPColorTransparent80percent = grey(0.0, 0.8);
constexpr QColor kFPColorTransparent90percent = grey(0.0, 0.9);
constexpr QColor kFPColorColorPalette = rgb(0.161, 0.161, 0.161, 1.0);
constexpr QColor kFPColorBeamPalette = rgb(0.137, 0.29, 0.259, 1.0);
constexpr QColor kFPColorGroupPalette = rgb(0.09, 0.173, 0.122, 1.0);
constexpr QColor kFPColorGroupPaletteDimText = rgb(215 / 255.0, 229 / 255.0, 221 / 255.0, 1.0);
constexpr QColor kFPColorGroupPaletteInvert = rgb(240 / 255.0, 1.0, 245 / 255.0, 1.0);
constexpr QColor kFPColorMacroPalette = rgb(0.047, 0.212, 0.337, 1.0);
constexpr QColor kFPColorSnapshotPalette = rgb(0.353, 0.239, 0.114, 1.0);
constexpr QColor kFPColorEffectPalette = rgb(77 / 255.0, 42 / 255.0, 58 / 255.0, 1.0);
constexpr QColor kFPColorEffectPaletteText = rgb(172 / 255.0, 93 / 255.0, 129 / 255.0, 1.0);
constexpr QColor kFPColorEffectSetPalette = rgb(65 / 255.0, 42 / 255.0, 70 / 255.0, 1.0);
constexpr QColor kFPColorSequencePalette = rgb(82 / 255.0, 42 / 255.0, 52 / 255.0, 1.0);
constexpr QColor kFPColorDynamicPalette = rgb(0.18, 0.141, 0.094, 1.0);
constexpr QColor kFPColorDynamicPaletteText = rgb(0.6804, 0.53298, 0.35532, 1.0);
constexpr QColor kFPColorDynamicPaletteLight = rgb(0.9201, 0.883245, 0.83883, 1.0);
constexpr QColor kFPColorCueStackPalette = rgb(0.031, 0.133, 0.212, 1.0);
constexpr QColor kFPColorPresetPalette = rgb(37 / 255.0, 41 / 255.0, 70 / 255.0, 1.0);
constexpr QColor kFPColorPresetPaletteDimText = rgb(0.4, 110 / 255.0, 223 / 255.0, 1.0);
constexpr QColor kFPColorPresetPaletteInvert = rgb(236 / 255.0, 238 / 255.0, 1.0, 1.0);
constexpr QColor kFPColorFinishAtKeypadBg = rgb(0.047, 0.212, 0.337, 1.0);
constexpr QColor kFPColorFinishAtKeypadText = rgb(0.17766, 0.80136, 1.27386, 1.0);
constexpr QColor kFPColorRed = rgb(251 / 255.0, 0.0, 14 / 255.0, 1.0);
constexpr QColor kFPColorDeepOrange = rgb(249 / 255.0, 96 / 255.0, 38 / 255.0, 1.0);
constexpr QColor kFPColorMedOrange = rgb(253 / 255.0, 132 / 255.0, 62 / 255.0, 1.0);
constexpr QColor kFPColorLightOrange = rgb(1.0, 163 / 255.0, 96 / 255.0, 1.0);
constexpr QColor kFPColorPaleOrange = rgb(249 / 255.0, 188 / 255.0, 134 / 255.0, 1.0);
constexpr QColor kFPColorPaleYellow1 = rgb(252 / 255.0, 222 / 255.0, 168 / 255.0, 1.0);
constexpr QColor kFPColorPaleYellow2 = rgb(250 / 255.0, 238 / 255.0, 166 / 255.0, 1.0);
constexpr QColor kFPColorPaleYellow3 = rgb(250 / 255.0, 246 / 255.0, 209 / 255.0, 1.0);
constexpr QColor kFPColorPaleBlue = rgb(217 / 255.0, 242 / 255.0, 246 / 255.0, 1.0);
constexpr QColor kFPColorBrightYellow = rgb(1.0, 1.0, 0.0, 1.0);
constexpr QColor kFPColorButtonYellow = rgb(1.0, 238 / 255.0, 3 / 255.0, 1.0);
constexpr QColor kFPColorHighlightAmber = rgb(1.0, 0.56965, 0.012634, 1.0);
constexpr QColor kFPColorLightHighColorAmber = rgb(0.890639, 0.695323, 0.500008, 1.0);
constexpr QColor kFPColorStatusSelect = rgb(0.8, 0.0, 0.8, 1.0);
constexpr QColor kFPColorPureRed = rgb(1.0, 0.0, 0.0, 1.0);
constexpr QColor kFPColorPureGreen = rgb(0.0, 1.0, 0.0, 1.0);
constexpr QColor kFPColorPureBlue = rgb(0.0, 0.0, 1.0, 1.0);
constexpr QColor kFPColorCMYColor1 = rgb(0.0, 147 / 255.0, 0.824219, 1.0);
constexpr QColor kFPColorCMYColor2 = rgb(0.8, 0.0, 107 / 255.0, 1.0);
constexpr QColor kFPColorCMYColor3 = rgb(1.0, 241 / 255.0, 13 / 255.0, 1.0);
constexpr QColor kFPColorTableSectionBackground = rgb(0.145, 0.161, 0.239, 1.0);
constexpr QColor kFPColorDynamicPaletteDarker = rgb(26 / 255.0, 20 / 255.0, 13 / 255.0, 1.0);
constexpr QColor kFPColorDynamicPaletteDark = rgb(32 / 255.0, 25 / 255.0, 16 / 255.0, 1.0);
constexpr QColor kFPColorDynamicPalette50pct = rgb(127 / 255.0, 109 / 255.0, 88 / 255.0, 1.0);
constexpr QColor kFPColorDynamicPaletteInvert = rgb(1.0, 238 / 255.0, 216 / 255.0, 1.0);
constexpr QColor kFPColorTimingText = rgb(157 / 255.0, 247 / 255.0, 82 / 255.0, 1.0);
constexpr QColor kFPColorTimingZeroText = rgb(119 / 255.0, 186 / 255.0, 63 / 255.0, 1.0);
constexpr QColor kFPColorDelayText = rgb(18 / 255.0, 224 / 255.0, 1.0, 1.0);
constexpr QColor kFPColorDelayZeroText = rgb(93 / 255.0, 192 / 255.0, 192 / 255.0, 1.0);
constexpr QColor kFPColorMoveFanText = rgb(71 / 255.0, 1.0, 133 / 255.0, 1.0);
constexpr QColor kFPColorMoveRelativeText = rgb(69 / 255.0, 1.0, 162 / 255.0, 1.0);
constexpr QColor kFPColorWarningText = rgb(0.94, 0.9, 0.18, 1.0);
constexpr QColor kFPColorTimingDimText = rgb(196 / 255.0, 205 / 255.0, 190 / 255.0, 1.0);
constexpr QColor kFPColorTimingDark = rgb(27 / 255.0, 30 / 255.0, 25 / 255.0, 1.0);
constexpr QColor kFPColorTiming50pct = rgb(116 / 255.0, 127 / 255.0, 107 / 255.0, 1.0);
constexpr QColor kFPColorTimingInvert = rgb(233 / 255.0, 1.0, 217 / 255.0, 1.0);

constexpr FPTheme kFPThemeStandard = {&kFPColorWhite, &kFPColorGrey80percent,
                                      &kFPColorBlack, &kFPColorLightButtonGrey,
                                      &kFPColorWhite, &kFPColorBorderGrey};
constexpr FPTheme kFPThemeStandardWithText = {&kFPColorWhite,          &kFPColorGrey60percent,
                                              &kFPColorBackgroundGrey, &kFPColorBackgroundGrey,
                                              &kFPColorWhite,          &kFPColorBlack};
constexpr FPTheme kFPThemeBlack = {&kFPColorWhite, &kFPColorGrey60percent, &kFPColorBlack,
                                   &kFPColorBlack, &kFPColorWhite,         &kFPColorBlack};
constexpr FPTheme kFPThemeDynamic = {&kFPColorWhite,
                                     &kFPColorDynamicPaletteText,
                                     &kFPColorDynamicPalette,
                                     &kFPColorDynamicPalette50pct,
                                     &kFPColorDynamicPaletteInvert,
                                     &kFPColorBlack};
constexpr FPTheme kFPThemeFuncFilter = kFPThemeDynamic;
constexpr FPTheme kFPThemeTiming = {&kFPColorWhite,        &kFPColorTimingDimText,
                                    &kFPColorTimingDark,   &kFPColorTiming50pct,
                                    &kFPColorTimingInvert, &kFPColorBlack};
constexpr FPTheme kFPThemeEffect = {&kFPColorWhite,      &kFPColorWhiteQuarterAlpha,
                                    &kFPColorButtonGrey, &kFPColorLightButtonGrey,
                                    &kFPColorWhite,      &kFPColorBlack};
constexpr FPTheme kFPThemeGroups = {
    &kFPColorWhite, &kFPColorGroupPaletteDimText, &kFPColorGroupPalette,
    &kFPColorBlack, &kFPColorGroupPaletteInvert,  &kFPColorBlack};
