#pragma once

#include "hud/theme/HUDThemeKelo.h"

// The application theme with the flatter scroller look of panels.
class HUDThemeKeloPanel : public HUDThemeKelo {
public:
    static HUDThemeKeloPanel* instance();

    QColor scrollerStroke() const override;
    HUDGradient scrollerKnobGradient() const override;
    HUDGradient scrollerTrackGradient() const override;
    HUDGradient scrollerArrowNormalGradient() const override;
    HUDGradient scrollerArrowPushedGradient() const override;
    double scrollerAlphaValue() const override;
};
