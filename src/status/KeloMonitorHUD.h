#pragma once

#include "platform/NotificationCenter.h"
#include "status/CurrentLayoutSettings.h"
#include "status/KeloStatusViewTarget.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>

#include <memory>

class HUDThemeKeloWindow;
class KeloBreakoutCell;
class KeloLayerBreakoutCell;
class KeloObject;
class KlE_Control_Status;
class QMenu;
class QWidget;

// What the monitor HUD asks of the application controller, which owns the
// layout settings and the monitor list. The defaults keep the settings in
// the HUD's own dictionary, for tests and tools.
class KeloMonitorHUDOwner {
public:
    virtual ~KeloMonitorHUDOwner() = default;
    virtual QVariant layoutSetting(const QString& key) { return settings_.value(key); }
    // Plain store, no side effect (the HUD's position).
    virtual void setLayoutSetting(const QString& key, const QVariant& value) {
        settings_.insert(key, value);
    }
    // Store and act on a layout setting, as the View menu does.
    virtual void changeMonitorSetting(const QString& value, const QString& key) {
        settings_.insert(key, value);
    }
    virtual void saveKeloes() {}
    virtual void removeKeloWithName(const QString& name) { (void)name; }

private:
    QVariantMap settings_;
};

// The floating monitor HUD: a panel with a one-cell status view that shows
// the selected server (a whole-server breakout cell) or one of its layers
// (a layer cell), following the selection while "hasmonitorbreakout" is on.
// The panel keeps its top-left corner under "monitor_hud_posn"; a position
// that no screen shows any more is brought back onto the nearest screen.
// Qt's y-down coordinates: the stored corner is the frame's top-left. The
// HUD fits its panel itself when its view reports a size change, so the
// controller's generic fitting leaves that view alone. Main thread only.
class KeloMonitorHUD : public KeloStatusViewTarget {
public:
    static constexpr float kAspect16x9 = 1.7777778f;
    static constexpr float kAspect4x3 = 1.3333334f;

    // Neither owned; `link` finds servers by name (may be null).
    KeloMonitorHUD(KlE_Control_Status* link, KeloMonitorHUDOwner* owner);
    ~KeloMonitorHUD() override;

    void setLayout(const CurrentLayoutSettings& layout) { layout_ = layout; }
    const CurrentLayoutSettings& layout() const { return layout_; }

    void layoutMonitorHudCell(KeloRemoteCell* cell);
    KeloLayerBreakoutCell* updateLayerHudCell();
    // `cell` null: the breakout cell without a server.
    void setMonitorHUD(KeloRemoteCell* cell, int part);
    // False, with the yellow status message, when no server is selected.
    bool showMonitorHUD(const QString& selectedKelo);
    void hideMonitorHUD();
    bool isOn();
    // Sizes and places the panel round the view (its size-change notification).
    void fitWindowToView(QWidget* view);
    // The HUD's share of a selection in the Status tab.
    void selectKeloObject(KeloObject* kelo, KeloRemoteCell* cell, int part);
    void layoutSettingsChanged();
    // The server left the monitor list: a HUD showing it is emptied.
    void keloRemoved(const QString& name);
    int selectedKeloPart() const { return selectedKeloPart_; }

    HUDThemeKeloWindow* window() const { return window_.get(); }
    KeloStatusView* monitorHudView() const { return view_; }
    KeloBreakoutCell* breakoutHudCell() const { return breakoutHudCell_.get(); }
    KeloLayerBreakoutCell* layerHudCell() const { return layerHudCell_.get(); }

    // The top-left corner a panel of `size` gets: the stored one when its
    // frame meets a screen (else moved onto `screen`), or centred on `screen`.
    static QPoint placement(const QVariant& stored, const QSize& size, const QRect& screen,
                            bool onSomeScreen);
    static QString stringFromPoint(const QPoint& point);
    // Reads "{x, y}"; `ok` is false for anything else.
    static QPoint pointFromString(const QString& text, bool* ok);

    // KeloStatusViewTarget
    void statusViewSelectionChanged(KeloStatusView* view) override;
    QMenu* menuForEvent(QContextMenuEvent* event, KeloStatusView* view) override;
    void actionForMenuItem(QAction* item, KeloStatusView* view) override;
    std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& description,
                                                             bool breakout,
                                                             KeloStatusView* view) override;
    int serversCount() override { return 1; }

private:
    KeloObject* keloObjectForName(const QString& name) const;

    KlE_Control_Status* link_;
    KeloMonitorHUDOwner* owner_;
    CurrentLayoutSettings layout_;
    std::unique_ptr<HUDThemeKeloWindow> window_;
    KeloStatusView* view_ = nullptr;
    std::unique_ptr<KeloBreakoutCell> breakoutHudCell_;
    std::unique_ptr<KeloLayerBreakoutCell> layerHudCell_;
    int selectedKeloPart_ = 0;
    std::unique_ptr<QMenu> menu_;
    // The view's size-change notifications.
    NotificationCenter::Token observer_;
};
