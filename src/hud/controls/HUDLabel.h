#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QLabel>
#include <QVariantMap>

// A themed label: neither editable nor selectable, without border or bezel,
// its text in the theme's text colour.
class HUDLabel : public QLabel, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDLabel(QWidget* parent = nullptr);
    explicit HUDLabel(const QString& text, QWidget* parent = nullptr);
    static HUDLabel* initWithCoder(const QVariantMap& archive, QWidget* parent = nullptr);
    QVariantMap encodeWithCoder() const;

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override;
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }

    QColor textColor() const;
    bool preservesContentDuringLiveResize() const { return true; }

private:
    void applyThemeColour();

    QString themeKey_;
    QString layerKey_;
};
