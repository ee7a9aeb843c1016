#pragma once

#include <QString>

// Kit objects that name the theme they draw with.
class HUDThemeKeyProtocol {
public:
    virtual ~HUDThemeKeyProtocol() = default;
    virtual QString themeKey() const = 0;
    virtual void setThemeKey(const QString& key) = 0;
};
