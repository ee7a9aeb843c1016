#pragma once

#include "platform/InstalledInterface.h"
#include "status/CurrentLayoutSettings.h"

#include <QString>
#include <QVariantMap>

class KeloObject;
class KeloRemoteCell;
class QWidget;

// What the Status tab needs of the application controller, which sits above
// it: the selection across the panels, the current layout, the main window,
// and the saving of the working set. The composition root installs the
// controller; the default bodies stand in for tools and tests. The server
// list itself is handed to ServersUI::reloadMonitorPanes. Main thread only.
class KeloRemoteOwner : public InstalledInterface<KeloRemoteOwner> {
public:
    virtual ~KeloRemoteOwner() = default;

    // The operator picked a server (null: none), in `cell`, at `part`; the
    // controller passes it to the other panels.
    virtual void selectKeloObject(KeloObject* kelo, KeloRemoteCell* cell, int part) {
        (void)kelo;
        (void)cell;
        (void)part;
    }
    virtual QString nameOfSelectedKeloInMainWindow() { return QString(); }

    // The current layout's dictionary ("monitor", "breakouts", "layout_settings").
    virtual QVariantMap layoutDict() { return QVariantMap(); }
    virtual void setLayoutDict(const QVariantMap& layout) { (void)layout; }
    // The numbers of the current layout as last stored.
    virtual CurrentLayoutSettings loadLayoutSettings() { return CurrentLayoutSettings(); }
    virtual void layoutSettingsChanged() {}
    // The breakout descriptions changed (mix names): save them.
    virtual void forceBreakoutSave() {}
    // The server list changed (pixel-map session mark): save it.
    virtual void saveKeloes() {}
    // Opens the editor of the operator's server list.
    virtual void showServerList(bool show) { (void)show; }

    // The main window; null while there is none.
    virtual QWidget* mainWindow() { return nullptr; }
    // The bar above the main window's pages, moved with them when the
    // server list widens; null while there is none.
    virtual QWidget* mainTabBar() { return nullptr; }
};
