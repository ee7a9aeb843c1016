#include "hud/theme/HUDGradientTheme.h"

HUDGradient HUDGradientTheme::normalGradient() const {
    return fourColorNormal(alphaValue());
}
HUDGradient HUDGradientTheme::pushedGradient() const {
    return fourColorPushed(alphaValue());
}
HUDGradient HUDGradientTheme::highlightGradient() const {
    return pushedGradient();
}
HUDGradient HUDGradientTheme::knobColor() const {
    return fourColorNormal(1.0);
}
HUDGradient HUDGradientTheme::highlightKnobColor() const {
    return fourColorPushed(1.0);
}
HUDGradient HUDGradientTheme::disabledKnobColor() const {
    return fourColorNormal(1.0);
}
QColor HUDGradientTheme::strokeColor() const {
    return QColor::fromRgbF(0.749, 0.761, 0.788, 0.7);
}
double HUDGradientTheme::alphaValue() const {
    return 0.7;
}
