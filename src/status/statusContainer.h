#pragma once

#include <QList>
#include <QPointer>
#include <QVariantMap>

#include <vector>

class BreakoutScrollView;
class KeloRemoteCell;
class KeloStatusView;

// One status view of the Status tab with what surrounds it: the scroll view
// that encloses it (a Qt child of the tab's views), the description list it
// shows (not owned: the server list of the application controller or a
// breakout column's list) and its cells as last created. Main thread only.
struct statusContainer {
    QPointer<KeloStatusView> statusView;
    QPointer<BreakoutScrollView> enclosingView;
    QList<QVariantMap>* serverList = nullptr;
    std::vector<KeloRemoteCell*> cells;
};
