#include "hud/cells/HUDCell.h"

#include "hud/theme/HUDThemeManager.h"

HUDCell::HUDCell() : themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {}
