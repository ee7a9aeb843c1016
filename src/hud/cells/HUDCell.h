#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QPointer>
#include <QString>
#include <QWidget>

// The state every HUD cell shares with the platform's cell: its theme and
// layer keys, enabled and highlighted, bezel and border, bezel style, control
// size (0 regular, 1 small, 2 mini), focus ring (0 default, 1 none,
// 2 exterior) and the view it draws in. The cells set their own defaults in
// their constructors. Main thread only.
class HUDCell : public HUDThemeKeyProtocol {
public:
    HUDCell();

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { highlighted_ = highlighted; }
    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool bezeled) { bezeled_ = bezeled; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered) { bordered_ = bordered; }
    int bezelStyle() const { return bezelStyle_; }
    void setBezelStyle(int style) { bezelStyle_ = style; }
    int controlSize() const { return controlSize_; }
    void setControlSize(int size) { controlSize_ = size; }
    int focusRingType() const { return focusRingType_; }
    void setFocusRingType(int type) { focusRingType_ = type; }
    bool showsFirstResponder() const { return showsFirstResponder_; }
    void setShowsFirstResponder(bool shows) { showsFirstResponder_ = shows; }
    // The view the cell draws in and redraws; may be null.
    QWidget* controlView() const { return controlView_; }
    void setControlView(QWidget* view) { controlView_ = view; }

protected:
    QString themeKey_;
    QString layerKey_;
    bool enabled_ = true;
    bool highlighted_ = false;
    bool bezeled_ = false;
    bool bordered_ = false;
    int bezelStyle_ = 0;
    int controlSize_ = 0;
    int focusRingType_ = 0;
    bool showsFirstResponder_ = false;
    QPointer<QWidget> controlView_;
};
