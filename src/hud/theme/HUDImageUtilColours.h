#pragma once

#include "graphics/ImageUtilColours.h"

// The HUD kit's answers for the image utilities: its default text colour,
// its contrast-adjusted greys and the operator's contrast setting.
class HUDImageUtilColours : public ImageUtilColours {
public:
    QColor defaultTextColor() const override;
    QColor colorWithContrastWhite(double white, double alpha) const override;
    double userContrast() const override;

    // Registers the shared instance with the image utilities (at start-up).
    static void install();
};
