#pragma once

#include <QMap>
#include <QMutex>
#include <QString>

#include <memory>
#include <vector>

class HUDTheme;

inline constexpr char kHUDGradientThemeKey[] = "gradientTheme";
inline constexpr char kHUDFlatThemeKey[] = "flatTheme";

// The process-wide registry of themes by key. It starts with the two base
// themes; the last theme registered becomes the class-wide default theme.
class HUDThemeManager {
public:
    static HUDThemeManager* keyedManager();

    HUDThemeManager(const HUDThemeManager&) = delete;
    HUDThemeManager& operator=(const HUDThemeManager&) = delete;

    // The theme under the key, or the "gradientTheme" one when there is none.
    HUDTheme* themeForKey(const QString& key) const;
    // Registers a theme that outlives the registry (a shared instance).
    void setTheme(HUDTheme* theme, const QString& key);

private:
    HUDThemeManager();
    void initDefaultThemes();

    mutable QMutex mutex_;
    QMap<QString, HUDTheme*> themes_;
    std::vector<std::unique_ptr<HUDTheme>> ownThemes_;
};
