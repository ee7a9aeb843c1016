#include "hud/theme/HUDImageUtilColours.h"

#include "hud/theme/VNSColorCategory.h"

QColor HUDImageUtilColours::defaultTextColor() const {
    return ::defaultTextColor();
}

QColor HUDImageUtilColours::colorWithContrastWhite(double white, double alpha) const {
    return ::colorWithContrastWhite(white, alpha);
}

double HUDImageUtilColours::userContrast() const {
    if (gUIContrast == 0) Init_gUIContrast();
    return gUIContrast;
}
