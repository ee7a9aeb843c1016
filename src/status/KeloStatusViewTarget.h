#pragma once

#include <QVariantMap>

#include <memory>

class KeloRemoteCell;
class KeloStatusView;
class QAction;
class QContextMenuEvent;
class QMenu;

// The maker of a status view's cells and receiver of its events (the Status
// tab controller, the application controller for the monitor HUD).
class KeloStatusViewTarget {
public:
    virtual ~KeloStatusViewTarget() = default;

    virtual void statusViewSelectionChanged(KeloStatusView* view) = 0;
    // The context menu for a click (the view's menuItem and menuPart are set); may be null.
    virtual QMenu* menuForEvent(QContextMenuEvent* event, KeloStatusView* view) = 0;
    virtual void actionForMenuItem(QAction* item, KeloStatusView* view) = 0;
    // The cell for a description; null shows nothing for it.
    virtual std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& description,
                                                                     bool breakout,
                                                                     KeloStatusView* view) = 0;
    // Servers in the monitor list.
    virtual int serversCount() = 0;
    // Stores the order of a pane that shows only the selected server's breakouts.
    virtual void commitSelectedServerOnlyOrdering() {}
};
