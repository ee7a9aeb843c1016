#include "graphics/ImageUtilColours.h"

QColor ImageUtilColours::defaultTextColor() const {
    return QColor::fromRgbF(217 / 255.0f, 217 / 255.0f, 217 / 255.0f, 1.0f);
}

QColor ImageUtilColours::colorWithContrastWhite(double white, double alpha) const {
    return QColor::fromRgbF(float(white), float(white), float(white), float(alpha));
}
