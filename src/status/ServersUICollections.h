#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class KeloObject;
class KeloStatusView;
class QAction;
class QContextMenuEvent;
class QMenu;

// The collections of servers with their sync masters, as the Status tab's
// refresh and context menus use them. ServersUI starts with these default
// bodies (no collections, no menu) until the collections are installed with
// ServersUI::setCollections. Collection IDs run 0 to 25; -1 is none.
// Main thread only.
class ServersUICollections {
public:
    virtual ~ServersUICollections() = default;

    // Drops entries of servers that left `servers` (cell descriptions).
    virtual void cleanupCollections(const QList<QVariantMap>& servers) { (void)servers; }
    virtual int currentSelectedCollectionID() { return -1; }
    virtual int collectionIDForKelo(const KeloObject* kelo) {
        (void)kelo;
        return -1;
    }
    virtual void updateLastKnownCollectionID(const KeloObject* kelo) { (void)kelo; }
    // The name of the collection's master; null for none.
    virtual QString masterForCollection(int collectionID) {
        (void)collectionID;
        return QString();
    }
    // The server left the list: forget it and save the table.
    virtual void removeKelo(const KeloObject* kelo) { (void)kelo; }
    virtual QMenu* menuForEvent(QContextMenuEvent* event, KeloStatusView* view) {
        (void)event;
        (void)view;
        return nullptr;
    }
    virtual void actionForMenuItem(QAction* item, KeloStatusView* view) {
        (void)item;
        (void)view;
    }
};
