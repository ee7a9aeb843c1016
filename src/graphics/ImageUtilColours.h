#pragma once

#include "platform/InstalledInterface.h"

#include <QColor>

// The interface colours the image utilities draw text and outlines in. They
// belong to the HUD kit above this library, whose answers the composition
// root installs at start-up; until then plain greys stand in. Any thread.
class ImageUtilColours : public InstalledInterface<ImageUtilColours> {
public:
    virtual ~ImageUtilColours() = default;
    // The default text colour (grey 217/255, contrast-adjusted).
    virtual QColor defaultTextColor() const;
    // A grey adjusted to the operator's contrast settings.
    virtual QColor colorWithContrastWhite(double white, double alpha) const;
    // The operator's "Contrast" setting; 1 means unchanged.
    virtual double userContrast() const { return 1.0; }
};
