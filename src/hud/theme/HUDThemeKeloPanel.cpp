#include "hud/theme/HUDThemeKeloPanel.h"

#include "hud/theme/VNSColorCategory.h"

namespace {
QColor contrastGrey(int level) {
    return colorWithContrastWhite(level / 255.0, 1.0);
}
}  // namespace

HUDThemeKeloPanel* HUDThemeKeloPanel::instance() {
    static HUDThemeKeloPanel* const shared = new HUDThemeKeloPanel;
    return shared;
}

QColor HUDThemeKeloPanel::scrollerStroke() const {
    return contrastGrey(57);
}

HUDGradient HUDThemeKeloPanel::scrollerKnobGradient() const {
    return HUDGradient(contrastGrey(52), contrastGrey(42));
}

HUDGradient HUDThemeKeloPanel::scrollerTrackGradient() const {
    return HUDGradient(sliderTrackColor(), sliderTrackColor());
}

HUDGradient HUDThemeKeloPanel::scrollerArrowNormalGradient() const {
    return HUDGradient(contrastGrey(35), contrastGrey(35));
}

HUDGradient HUDThemeKeloPanel::scrollerArrowPushedGradient() const {
    return HUDGradient(contrastGrey(80), contrastGrey(80));
}

double HUDThemeKeloPanel::scrollerAlphaValue() const {
    return 1.0;
}
