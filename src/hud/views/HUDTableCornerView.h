#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QWidget>

// The square above a HUD table's vertical scroller, drawn like a header.
class HUDTableCornerView : public QWidget, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDTableCornerView(const QString& themeKey, QWidget* parent = nullptr);

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }

    void drawRect(QPainter& painter, const QRectF& dirty);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString themeKey_;
    QString layerKey_;
};
