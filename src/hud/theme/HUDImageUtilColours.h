#pragma once

#include "graphics/ImageUtilColours.h"

// The HUD kit's answers for the image utilities: its default text colour,
// its contrast-adjusted greys and the operator's contrast setting. The
// composition root installs one. Any thread.
class HUDImageUtilColours : public ImageUtilColours {
public:
    QColor defaultTextColor() const override;
    QColor colorWithContrastWhite(double white, double alpha) const override;
    double userContrast() const override;
};
