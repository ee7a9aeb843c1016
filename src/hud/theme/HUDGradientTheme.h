#pragma once

#include "hud/theme/HUDTheme.h"

// The kit's second base theme: four-colour bezels and a lighter stroke.
class HUDGradientTheme : public HUDTheme {
public:
    HUDGradient normalGradient() const override;
    HUDGradient pushedGradient() const override;
    HUDGradient highlightGradient() const override;
    HUDGradient knobColor() const override;
    HUDGradient highlightKnobColor() const override;
    HUDGradient disabledKnobColor() const override;
    QColor strokeColor() const override;
    double alphaValue() const override;
};
