#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QPainterPath>
#include <QScrollBar>
#include <QString>

class HUDTheme;

// The themed scroll bar: a capsule knob on a flat track, no arrows. Like
// the scroll bars it replaces it draws y-down, so no conversion.
class HUDScroller : public QScrollBar, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDScroller(Qt::Orientation orientation, QWidget* parent = nullptr);

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }

    // "flatTheme" in a panel window, else the theme of the owning scroll
    // view's key (the default theme without one).
    HUDTheme* theme() const;
    // Visible share of the content, 1.0 when everything shows.
    double knobProportion() const;
    bool hasUsableParts() const { return maximum() > minimum(); }
    QRectF knobRect() const;

    // The knob's capsule: half-circles at both ends of the rectangle.
    static QPainterPath knobPath(const QRectF& knob, bool horizontal);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawKnobSlotInRect(QPainter& painter, const QRectF& rect);
    void drawKnob(QPainter& painter);

    QString themeKey_;
    QString layerKey_;
};
