#include "hud/theme/HUDThemeManager.h"

#include "hud/theme/HUDGradientTheme.h"
#include "hud/theme/HUDTheme.h"

#include <QMutexLocker>

HUDThemeManager* HUDThemeManager::keyedManager() {
    // Made once and never freed: themes are looked up until the process ends.
    static HUDThemeManager* const manager = new HUDThemeManager;
    return manager;
}

HUDThemeManager::HUDThemeManager() {
    initDefaultThemes();
}

void HUDThemeManager::initDefaultThemes() {
    auto flat = std::make_unique<HUDTheme>();
    auto gradient = std::make_unique<HUDGradientTheme>();
    themes_.insert(kHUDFlatThemeKey, flat.get());
    themes_.insert(kHUDGradientThemeKey, gradient.get());
    ownThemes_.push_back(std::move(flat));
    ownThemes_.push_back(std::move(gradient));
}

HUDTheme* HUDThemeManager::themeForKey(const QString& key) const {
    QMutexLocker lock(&mutex_);
    if (HUDTheme* found = themes_.value(key)) return found;
    return themes_.value(kHUDGradientThemeKey);
}

void HUDThemeManager::setTheme(HUDTheme* theme, const QString& key) {
    {
        QMutexLocker lock(&mutex_);
        themes_.insert(key, theme);
    }
    HUDTheme::setDefaultTheme(theme);
}
