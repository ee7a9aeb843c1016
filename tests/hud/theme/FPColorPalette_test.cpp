#include "hud/theme/FPColorPalette.h"

#include "support/TestMain.h"

namespace {

TEST(FPColorPalette, ColoursByComponent) {
    const struct {
        const QColor* colour;
        double r, g, b, a;
    } cases[] = {
        {&kFPColorClear, 1, 1, 1, 0},  // white at alpha 0, not black
        {&kFPColorSelectedText, 1, 1, 1, 0.13},
        {&kFPColorGrey05percent, 0.05, 0.05, 0.05, 1},
        {&kFPColorDarkGrey, 0.05, 0.05, 0.05, 1},
        {&kFPColorBorderGrey, 0.15, 0.15, 0.15, 1},
        {&kFPColorHighlightAmber, 1, 0.56965, 0.012634, 1},
        {&kFPColorRed, 251 / 255.0, 0, 14 / 255.0, 1},
        {&kFPColorFinishAtKeypadText, 0.17766, 0.80136, 1, 1},  // blue above 1 clamped
        {&kFPColorTimingInvert, 233 / 255.0, 1, 217 / 255.0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.colour->redF(), c.r, 1e-4);
        EXPECT_NEAR(c.colour->greenF(), c.g, 1e-4);
        EXPECT_NEAR(c.colour->blueF(), c.b, 1e-4);
        EXPECT_NEAR(c.colour->alphaF(), c.a, 1e-4);
    }
    // Equal greys are colours of their own.
    EXPECT_EQ(kFPColorGrey05percent, kFPColorDarkGrey);
    EXPECT_NE(&kFPColorGrey05percent, &kFPColorDarkGrey);
}

TEST(FPColorPalette, Themes) {
    EXPECT_EQ(kFPThemeStandard[5], &kFPColorBorderGrey);
    EXPECT_EQ(kFPThemeFuncFilter, kFPThemeDynamic);
    EXPECT_EQ(kFPThemeGroups[1], &kFPColorGroupPaletteDimText);
    for (const FPTheme* theme :
         {&kFPThemeStandardWithText, &kFPThemeBlack, &kFPThemeTiming, &kFPThemeEffect})
        for (const QColor* colour : *theme) EXPECT_NE(colour, nullptr);
}

}  // namespace

KELO_TEST_MAIN()
