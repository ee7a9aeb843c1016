#pragma once

#include <QColor>

// The interface colours the image utilities draw text and outlines in. They
// belong to the HUD kit above this library, which registers its own answers
// at start-up; until then plain greys stand in.
class ImageUtilColours {
public:
    virtual ~ImageUtilColours() = default;
    // The default text colour (grey 217/255, contrast-adjusted).
    virtual QColor defaultTextColor() const;
    // A grey adjusted to the operator's contrast settings.
    virtual QColor colorWithContrastWhite(double white, double alpha) const;
    // The operator's "Contrast" setting; 1 means unchanged.
    virtual double userContrast() const { return 1.0; }

    static const ImageUtilColours& shared();
    // Not owned; null restores the stand-in.
    static void setShared(const ImageUtilColours* colours);
};
