#pragma once

#include <QColor>

#include <array>

// The application's palette: named colours that drawing code all over the
// program shares. They are constant initialised, so they are ready before
// any window or static object uses them, on any thread. Greys are stored as
// RGB with three equal components; components above 1 are clamped.
extern const QColor kFPColorWhite;
extern const QColor kFPColorWhiteLargeAlpha;
extern const QColor kFPColorWhiteHalfAlpha;
extern const QColor kFPColorWhiteQuarterAlpha;
extern const QColor kFPColorGreyLargeAlpha;
extern const QColor kFPColorBlackLargeAlpha;
extern const QColor kFPColorBlack;
extern const QColor kFPColorClear;
extern const QColor kFPColorBackgroundGrey;
extern const QColor kFPColorDarkGrey;
extern const QColor kFPColorLightButtonGrey;
extern const QColor kFPColorTextCursor;
extern const QColor kFPColorLightTextGrey;
extern const QColor kFPColorBorderGrey;
extern const QColor kFPColorLightBorderGrey;
extern const QColor kFPColorButtonGrey;
extern const QColor kFPColorSelectedText;
extern const QColor kFPColorGrey05percent;
extern const QColor kFPColorGrey10percent;
extern const QColor kFPColorGrey15percent;
extern const QColor kFPColorGrey20percent;
extern const QColor kFPColorGrey30percent;
extern const QColor kFPColorGrey40percent;
extern const QColor kFPColorGrey50percent;
extern const QColor kFPColorGrey60percent;
extern const QColor kFPColorGrey70percent;
extern const QColor kFPColorGrey80percent;
extern const QColor kFPColorGrey90percent;
extern const QColor kFPColorSelection;
extern const QColor kFPColorDarkAmberSelection;
extern const QColor kFPColorBlock;
extern const QColor kFPColorKeypadTextWhite;
extern const QColor kFPColorKeypadButtonBorderGrey;
extern const QColor kFPColorKeypadLabelGrey;
extern const QColor kFPColorKeypadWindowBlack;
extern const QColor kFPColorHUDWindowBorder;
extern const QColor kFPColorHUDWindowTitleBarBorder;
extern const QColor kFPColorSubmasterBumpState;
extern const QColor kFPColorSubmasterIFCBState;
extern const QColor kFPColorSubmasterIndependentState;
extern const QColor kFPColorSubmasterEffectState;
extern const QColor kFPColorSubmasterFrozenState;
extern const QColor kFPColorSubmasterInhibitiveState;
extern const QColor kFPColorTransparent50percent;
extern const QColor kFPColorTransparent60percent;
extern const QColor kFPColorTransparent70percent;
extern const QColor kFPColorTransparent80percent;
extern const QColor kFPColorTransparent90percent;
extern const QColor kFPColorColorPalette;
extern const QColor kFPColorBeamPalette;
extern const QColor kFPColorGroupPalette;
extern const QColor kFPColorGroupPaletteDimText;
extern const QColor kFPColorGroupPaletteInvert;
extern const QColor kFPColorMacroPalette;
extern const QColor kFPColorSnapshotPalette;
extern const QColor kFPColorEffectPalette;
extern const QColor kFPColorEffectPaletteText;
extern const QColor kFPColorEffectSetPalette;
extern const QColor kFPColorSequencePalette;
extern const QColor kFPColorDynamicPalette;
extern const QColor kFPColorDynamicPaletteText;
extern const QColor kFPColorDynamicPaletteLight;
extern const QColor kFPColorCueStackPalette;
extern const QColor kFPColorPresetPalette;
extern const QColor kFPColorPresetPaletteDimText;
extern const QColor kFPColorPresetPaletteInvert;
extern const QColor kFPColorFinishAtKeypadBg;
extern const QColor kFPColorFinishAtKeypadText;
extern const QColor kFPColorRed;
extern const QColor kFPColorDeepOrange;
extern const QColor kFPColorMedOrange;
extern const QColor kFPColorLightOrange;
extern const QColor kFPColorPaleOrange;
extern const QColor kFPColorPaleYellow1;
extern const QColor kFPColorPaleYellow2;
extern const QColor kFPColorPaleYellow3;
extern const QColor kFPColorPaleBlue;
extern const QColor kFPColorBrightYellow;
extern const QColor kFPColorButtonYellow;
extern const QColor kFPColorHighlightAmber;
extern const QColor kFPColorLightHighColorAmber;
extern const QColor kFPColorStatusSelect;
extern const QColor kFPColorPureRed;
extern const QColor kFPColorPureGreen;
extern const QColor kFPColorPureBlue;
extern const QColor kFPColorCMYColor1;
extern const QColor kFPColorCMYColor2;
extern const QColor kFPColorCMYColor3;
extern const QColor kFPColorTableSectionBackground;
extern const QColor kFPColorDynamicPaletteDarker;
extern const QColor kFPColorDynamicPaletteDark;
extern const QColor kFPColorDynamicPalette50pct;
extern const QColor kFPColorDynamicPaletteInvert;
extern const QColor kFPColorTimingText;
extern const QColor kFPColorTimingZeroText;
extern const QColor kFPColorDelayText;
extern const QColor kFPColorDelayZeroText;
extern const QColor kFPColorMoveFanText;
extern const QColor kFPColorMoveRelativeText;
extern const QColor kFPColorWarningText;
extern const QColor kFPColorTimingDimText;
extern const QColor kFPColorTimingDark;
extern const QColor kFPColorTiming50pct;
extern const QColor kFPColorTimingInvert;

// Six-colour themes, slot order 0 to 5; no drawing reads them yet.
using FPTheme = std::array<const QColor*, 6>;
extern const FPTheme kFPThemeStandard;
extern const FPTheme kFPThemeStandardWithText;
extern const FPTheme kFPThemeBlack;
extern const FPTheme kFPThemeDynamic;
extern const FPTheme kFPThemeFuncFilter;
extern const FPTheme kFPThemeTiming;
extern const FPTheme kFPThemeEffect;
extern const FPTheme kFPThemeGroups;
