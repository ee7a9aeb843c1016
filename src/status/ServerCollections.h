#pragma once

#include "platform/InstalledInterface.h"
#include "status/ServersUICollections.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class KeloObject;
class KeloStatusView;
class KlE_Control_Status;
class QAction;
class QContextMenuEvent;
class QMenu;
class KeloAlert;
class QMessageBox;
class QPointF;
class QTimer;

// What the collection bookkeeping asks of the Content tab, which sits above
// the Status tab. The composition root installs the Content tab's
// implementation; the defaults refuse nothing and sync nothing.
class ServerCollectionsContent : public InstalledInterface<ServerCollectionsContent> {
public:
    virtual ~ServerCollectionsContent() = default;
    virtual void updateVisibleKeloes(bool force) { (void)force; }
    // With dryRun: whether there is anything to copy from this master.
    virtual bool syncAllContent(const KeloObject* kelo, bool dryRun) {
        (void)kelo;
        (void)dryRun;
        return false;
    }
    virtual bool isKeloSyncing(const KeloObject* kelo) {
        (void)kelo;
        return false;
    }
    // Whether the operator may change (or sync) the collection now.
    virtual bool userAttemptingToManage(int collectionID, bool isAttemptingSync) {
        (void)collectionID;
        (void)isAttemptingSync;
        return true;
    }
};

// Server collections (letters a to z, IDs 0 to 25, -1 for none) and their
// sync masters: the table of the last collection seen per server name and
// of the master the operator chose ("_masterSlaveDict" in the user
// defaults), the collection questions of the Content tab, the per-server
// context menu of the Status tab, and the check that a requested
// collection change reached the server within 3 s ("Set Collection
// Failed" otherwise). The Status tab installs it with
// ServersUI::setCollections. Main thread only.
class ServerCollections : public ServersUICollections {
public:
    // Tag base of the context menu's detail items: layers, DMX outputs, mixes.
    static constexpr int kLayerTag = 1000;
    static constexpr int kDMXTag = 2000;
    static constexpr int kMixTag = 3000;
    static constexpr int kCheckDelayMs = 3000;

    // `link` finds servers by name; not owned.
    explicit ServerCollections(KlE_Control_Status* link);
    ~ServerCollections() override;

    // The table, loaded on first use; entries of the wrong type are dropped.
    const QVariantMap& masterSlaveDict();
    void setMasterSlaveDict(const QVariantMap& table);
    void commitMasterSlaveDict();

    int collectionIDForKelo(const KeloObject* kelo) override;
    int lastKnownCollectionForKeloName(const QString& name);
    void setLastKnownCollectionIDForKelo(const KeloObject* kelo);
    // A server the link no longer reaches loses its reported ID (the table
    // keeps the letter).
    void updateLastKnownCollectionID(const KeloObject* kelo) override;
    void toggleIsMasterForKelo(const KeloObject* kelo);
    // Null for a negative ID or a collection without master.
    QString masterForCollection(int collectionID) override;
    // Of the server selected in the main window.
    int currentSelectedCollectionID() override;
    // `shown`: the servers of the server list in cell order.
    QStringList validServersForCollection(int collectionID, const QList<KeloObject*>& shown);
    QStringList unavailableDatabasesForCollection(int collectionID,
                                                  const QList<KeloObject*>& shown);
    // Drops the entries of servers that are not in the list.
    void cleanupCollections(const QList<QVariantMap>& servers) override;
    // The server leaves the table, which is saved.
    void removeKelo(const QString& name);
    void removeKelo(const KeloObject* kelo) override;

    // The context menu for the cell under `point`; null on empty space.
    // Owned by this object until the next call.
    QMenu* menuForEvent(const QPointF& point, KeloStatusView* view);
    QMenu* menuForEvent(QContextMenuEvent* event, KeloStatusView* view) override;
    void menuNeedsUpdate() { rightClickTargetKeloName_.clear(); }
    std::unique_ptr<QMenu> collectionSubMenu(KeloObject* kelo);
    std::unique_ptr<QMenu> syncSubMenu(KeloObject* kelo);
    // Carries out an item of the context menu.
    void actionForMenuItem(QAction* item, KeloStatusView* view) override;
    // Whether the server took the collection it was asked to take.
    void checkCollectionChange(const QVariantMap& request);

    QString rightClickTargetKeloName() const { return rightClickTargetKeloName_; }
    // The server list's removal of the clicked server (the application
    // controller's removeKeloAtIndex); unset: nothing.
    void setRemoveKeloAtIndex(std::function<void(int)> remove) {
        removeKeloAtIndex_ = std::move(remove);
    }
    // The last alert shown (kept while open), for whoever must answer it.
    QMessageBox* alert() const;

    // The letter of an ID ("" outside 0..25); a stored letter read back.
    static QString collectionLetter(int collectionID);
    static int collectionIDForLetter(const QString& letter);

private:
    void showAlert(const QString& message, const QString& informative, bool warning);

    KlE_Control_Status* link_;
    QVariantMap table_;
    bool loaded_ = false;
    QString rightClickTargetKeloName_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QTimer> pendingCheck_;
    std::function<void(int)> removeKeloAtIndex_;
    std::unique_ptr<KeloAlert> alert_;
};
