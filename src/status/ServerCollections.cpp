#include "status/ServerCollections.h"

#include "foundation/OmLog.h"
#include "hud/windows/KeloAlert.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloRemoteOwner.h"
#include "status/KeloStatusView.h"
#include "status/StatusConstants.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QTimer>

namespace {

const QString kCollectionIDKey = QStringLiteral("collectionID");
const QString kIsMasterKey = QStringLiteral("isMaster");

QIcon collectionIcon(int collectionID, bool master) {
    if (collectionID < 0 || collectionID > 25) return {};
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawCollection(collectionID, master, painter, QRectF(0, 0, 14, 14));
    return QIcon(pixmap);
}

// A server whose collection can be read and set: it has reported its
// content and has an address.
bool isManageable(const KeloObject* kelo) {
    return kelo && !kelo->contentTimeStamp().isNull() && kelo->address() != 0;
}

}  // namespace

ServerCollections::ServerCollections(KlE_Control_Status* link) : link_(link) {}

ServerCollections::~ServerCollections() = default;

QString ServerCollections::collectionLetter(int collectionID) {
    if (collectionID < 0 || collectionID > 25) return QStringLiteral("");
    return QString(QChar(char16_t(u'a' + collectionID)));
}

int ServerCollections::collectionIDForLetter(const QString& letter) {
    if (letter.size() != 1) return -1;
    const char16_t c = letter.at(0).unicode();
    return c >= u'a' && c <= u'z' ? int(c - u'a') : -1;
}

const QVariantMap& ServerCollections::masterSlaveDict() {
    if (loaded_) return table_;
    loaded_ = true;
    UserDefaults& defaults = UserDefaults::standard();
    defaults.remove(kOldMasterSlaveDictKey);
    const QVariant stored = defaults.object(kMasterSlaveDictKey);
    if (stored.isValid() && stored.typeId() != QMetaType::QVariantMap)
        OmLogNoFlood(kOmLogWarning, "_masterSlaveDict is no dictionary: starting empty\n");
    table_.clear();
    const QVariantMap map = stored.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        // An entry of another type says nothing about its server.
        if (it->typeId() != QMetaType::QVariantMap) {
            OmLogNoFlood(kOmLogWarning, "_masterSlaveDict: dropped entry '%s' of the wrong type\n",
                         qPrintable(it.key()));
            continue;
        }
        table_.insert(it.key(), *it);
    }
    if (stored.typeId() != QMetaType::QVariantMap || table_.size() != map.size())
        commitMasterSlaveDict();
    return table_;
}

void ServerCollections::setMasterSlaveDict(const QVariantMap& table) {
    loaded_ = true;
    table_ = table;
}

void ServerCollections::commitMasterSlaveDict() {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject(kMasterSlaveDictKey, table_);
    defaults.synchronize();
}

int ServerCollections::collectionIDForKelo(const KeloObject* kelo) {
    if (!kelo) return -1;
    if (kelo->collectionID() >= 0) return kelo->collectionID();
    return lastKnownCollectionForKeloName(kelo->name());
}

int ServerCollections::lastKnownCollectionForKeloName(const QString& name) {
    const QVariant letter = masterSlaveDict().value(name).toMap().value(kCollectionIDKey);
    // "None" and anything but a one-letter text read as no collection.
    return letter.typeId() == QMetaType::QString ? collectionIDForLetter(letter.toString()) : -1;
}

void ServerCollections::setLastKnownCollectionIDForKelo(const KeloObject* kelo) {
    if (!kelo || kelo->name().isEmpty() || !isManageable(kelo) || kelo->collectionID() < 0) return;
    masterSlaveDict();
    const QString letter = collectionLetter(kelo->collectionID());
    QVariantMap entry = table_.value(kelo->name()).toMap();
    if (entry.value(kCollectionIDKey).toString() == letter) return;
    entry.insert(kCollectionIDKey, letter);
    // A server that changed collection is no longer its master.
    entry.remove(kIsMasterKey);
    table_.insert(kelo->name(), entry);
    ServerCollectionsContent::shared().updateVisibleKeloes(true);
    commitMasterSlaveDict();
}

void ServerCollections::updateLastKnownCollectionID(const KeloObject* kelo) {
    if (!kelo) return;
    if (isManageable(kelo)) {
        setLastKnownCollectionIDForKelo(kelo);
        return;
    }
    // The link's own object, to be changed.
    KeloObject* server = link_ ? link_->keloObjectForName(kelo->name()) : nullptr;
    if (server == kelo && server->collectionID() != -1) {
        server->setCollectionID(-1);
        ServerCollectionsContent::shared().updateVisibleKeloes(false);
    }
}

int ServerCollections::currentSelectedCollectionID() {
    const QString name = KeloRemoteOwner::shared().nameOfSelectedKeloInMainWindow();
    return collectionIDForKelo(link_ && !name.isEmpty() ? link_->keloObjectForName(name) : nullptr);
}

void ServerCollections::toggleIsMasterForKelo(const KeloObject* kelo) {
    if (!kelo || kelo->name().isEmpty()) return;
    const int id = collectionIDForKelo(kelo);
    if (id < 0) return;
    const QString letter = collectionLetter(id);
    masterSlaveDict();
    QVariantMap entry = table_.value(kelo->name()).toMap();
    entry.insert(kCollectionIDKey, letter);
    if (entry.contains(kIsMasterKey)) {
        entry.remove(kIsMasterKey);
    } else {
        entry.insert(kIsMasterKey, QStringLiteral("1"));
        for (auto it = table_.begin(); it != table_.end(); ++it) {
            QVariantMap other = it->toMap();
            if (it.key() != kelo->name() && other.value(kCollectionIDKey).toString() == letter &&
                other.remove(kIsMasterKey))
                *it = other;
        }
    }
    table_.insert(kelo->name(), entry);
    ServerCollectionsContent::shared().updateVisibleKeloes(true);
    commitMasterSlaveDict();
}

QString ServerCollections::masterForCollection(int collectionID) {
    if (collectionID < 0) return {};
    const QString letter = collectionLetter(collectionID);
    const QVariantMap& table = masterSlaveDict();
    for (auto it = table.begin(); it != table.end(); ++it) {
        const QVariantMap entry = it->toMap();
        if (entry.value(kCollectionIDKey).toString() == letter && entry.contains(kIsMasterKey))
            return it.key();
    }
    return {};
}

QStringList ServerCollections::validServersForCollection(int collectionID,
                                                         const QList<KeloObject*>& shown) {
    QStringList names;
    if (collectionID < 0) return names;
    for (const KeloObject* kelo : shown) {
        if (kelo && kelo->collectionID() == collectionID) names << kelo->name();
    }
    return names;
}

QStringList ServerCollections::unavailableDatabasesForCollection(int collectionID,
                                                                 const QList<KeloObject*>& shown) {
    QStringList names;
    for (const KeloObject* kelo : shown) {
        if (!kelo) continue;
        const bool unreadable = kelo->collectionID() == -1 || kelo->contentDatabase().isEmpty();
        if (unreadable && lastKnownCollectionForKeloName(kelo->name()) == collectionID)
            names << kelo->name();
    }
    return names;
}

void ServerCollections::cleanupCollections(const QList<QVariantMap>& servers) {
    QSet<QString> listed;
    for (const QVariantMap& server : servers) {
        const QString name = server.value(QStringLiteral("name")).toString();
        listed.insert(name);
        if (link_) updateLastKnownCollectionID(link_->keloObjectForName(name));
    }
    QStringList gone;
    for (const QString& name : masterSlaveDict().keys()) {
        if (!listed.contains(name)) gone << name;
    }
    if (gone.isEmpty()) return;
    OmLogNoFlood(kOmLogInfo, "cleanupCollections removing unpatched keloes %s\n",
                 qPrintable(gone.join(QStringLiteral(", "))));
    for (const QString& name : gone) table_.remove(name);
    commitMasterSlaveDict();
}

void ServerCollections::removeKelo(const KeloObject* kelo) {
    if (kelo) removeKelo(kelo->name());
}

QMenu* ServerCollections::menuForEvent(QContextMenuEvent* event, KeloStatusView* view) {
    return menuForEvent(QPointF(event->pos()), view);
}

void ServerCollections::removeKelo(const QString& name) {
    masterSlaveDict();
    if (table_.remove(name)) commitMasterSlaveDict();
}

QMenu* ServerCollections::menuForEvent(const QPointF& point, KeloStatusView* view) {
    int index = -1;
    KeloRemoteCell* cell = view->cellAtPoint(point, &index, nullptr);
    KeloObject* kelo = cell ? cell->keloObject() : nullptr;
    rightClickTargetKeloName_ = kelo ? kelo->name() : QString();
    if (rightClickTargetKeloName_.isEmpty()) return nullptr;
    menu_ = std::make_unique<QMenu>(QStringLiteral("Contextual Menu"));
    QMenu& menu = *menu_;
    if (view->isBreakout()) {
        menu.addAction(QStringLiteral("Add Breakout Detail:"))->setEnabled(false);
        auto numbered = [&](const QString& title, int count, int tag) {
            QMenu* sub = menu.addMenu(title);
            for (int i = 1; i <= count; ++i) sub->addAction(QString::number(i))->setData(tag);
        };
        numbered(QStringLiteral("DMX Outputs"), kelo->DMX_MasterCount(), kDMXTag);
        QMenu* mixes = menu.addMenu(QStringLiteral("Mixes"));
        std::vector<KeloMixMenuItem> items;
        kelo->populateMixesForMenu(&items);
        for (const KeloMixMenuItem& item : items)
            mixes->addAction(item.title)->setData(item.tag + kMixTag);
        if (items.empty())
            mixes->setTitle(QStringLiteral(
                "Mixes (Fetching... Try right-click again... Kelo App must be online!)"));
        numbered(QStringLiteral("Layers"), kelo->layerCount(), kLayerTag);
        menu.addSeparator();
        menu.addAction(QStringLiteral("Remove"));
        return menu_.get();
    }
    const int id = collectionIDForKelo(kelo);
    const bool isMaster = masterForCollection(id) == kelo->name() && id >= 0;
    QMenu* sync = syncSubMenu(kelo).release();
    sync->setParent(&menu, sync->windowFlags());
    QAction* syncing = menu.addMenu(sync);
    syncing->setText(QStringLiteral("Syncing"));
    syncing->setIcon(collectionIcon(id, isMaster));
    if (isMaster) {
        QAction* all = menu.addAction(collectionIcon(id, true), QStringLiteral("Sync All Content"));
        all->setEnabled(ServerCollectionsContent::shared().syncAllContent(kelo, true));
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("Remove"));
    return menu_.get();
}

std::unique_ptr<QMenu> ServerCollections::syncSubMenu(KeloObject* kelo) {
    auto menu = std::make_unique<QMenu>(QStringLiteral("Sync Sub Menu"));
    const int id = collectionIDForKelo(kelo);
    const QString letter = collectionLetter(id);
    QAction* master = menu->addAction(
        letter.isEmpty() ? QStringLiteral("Master") : QStringLiteral("Master of %1").arg(letter));
    master->setCheckable(true);
    master->setChecked(id >= 0 && masterForCollection(id) == kelo->name());
    if (letter.isEmpty())
        master->setEnabled(false);
    else
        master->setIcon(collectionIcon(id, true));
    if (!isManageable(kelo)) master->setEnabled(false);
    QMenu* collection = collectionSubMenu(kelo).release();
    collection->setParent(menu.get(), collection->windowFlags());
    QAction* item = menu->addMenu(collection);
    item->setText(letter.isEmpty() ? QStringLiteral("Collection")
                                   : QStringLiteral("Collection (%1)").arg(letter));
    item->setIcon(collectionIcon(id, false));
    return menu;
}

std::unique_ptr<QMenu> ServerCollections::collectionSubMenu(KeloObject* kelo) {
    auto menu = std::make_unique<QMenu>(QStringLiteral("Collection Menu"));
    const int current = collectionIDForKelo(kelo);
    const bool enabled = isManageable(kelo);
    for (int id = 0; id < 26; ++id) {
        QAction* item = menu->addAction(collectionIcon(id, false), collectionLetter(id));
        item->setCheckable(true);
        item->setChecked(id == current);
        item->setEnabled(enabled);
    }
    return menu;
}

void ServerCollections::actionForMenuItem(QAction* item, KeloStatusView* view) {
    if (rightClickTargetKeloName_.isEmpty()) return;
    KeloObject* kelo = link_ ? link_->keloObjectForName(rightClickTargetKeloName_) : nullptr;
    rightClickTargetKeloName_.clear();
    if (!kelo) return;
    const int tag = item->data().toInt();
    const QString title = item->text();
    ServerCollectionsContent& content = ServerCollectionsContent::shared();
    const QString syncing = QStringLiteral(
        "Cannot change collection.  Please cancel transfer before changing collection");
    if (tag >= kLayerTag && tag < kDMXTag) {
        view->addItem(0x8000, title.toInt(), kelo, QString());
    } else if (tag == kDMXTag) {
        view->addItem(0x4000, title.toInt(), kelo, QString());
    } else if (tag >= kMixTag) {
        view->addItem(0x2000, tag - kMixTag, kelo,
                      QStringLiteral("Mix %1 '%2'").arg(tag - kMixTag).arg(title));
    } else if (title == QLatin1String("Remove")) {
        if (view->isBreakout())
            view->removeItemAtIndex(view->menuItem());
        else if (removeKeloAtIndex_)
            removeKeloAtIndex_(view->menuItem());
    } else if (title.startsWith(QLatin1String("Master"))) {
        if (content.isKeloSyncing(kelo))
            showAlert(QStringLiteral("Kelo is syncing"), syncing, true);
        else if (collectionIDForKelo(kelo) >= 0)
            toggleIsMasterForKelo(kelo);
    } else if (title == QLatin1String("Sync All Content")) {
        content.syncAllContent(kelo, false);
    } else if (const int id = collectionIDForLetter(title); id >= 0) {
        if (kelo->collectionID() >= 0 &&
            !content.userAttemptingToManage(kelo->collectionID(), false))
            return;
        if (content.isKeloSyncing(kelo)) {
            showAlert(QStringLiteral("Kelo is syncing."), syncing, true);
        } else if (content.userAttemptingToManage(id, false)) {
            kelo->setKeloCollectionID(id);
            // A newer request replaces the pending check of an older one.
            pendingCheck_ = std::make_unique<QTimer>();
            pendingCheck_->setSingleShot(true);
            // A coarse timer may fire up to 5 % early: the server gets its full 3 s.
            pendingCheck_->setTimerType(Qt::PreciseTimer);
            const QVariantMap request{{QStringLiteral("name"), kelo->name()},
                                      {kCollectionIDKey, id}};
            QObject::connect(pendingCheck_.get(), &QTimer::timeout,
                             [this, request] { checkCollectionChange(request); });
            pendingCheck_->start(kCheckDelayMs);
        }
    }
}

void ServerCollections::checkCollectionChange(const QVariantMap& request) {
    const QString name = request.value(QStringLiteral("name")).toString();
    const int wanted = request.value(kCollectionIDKey).toInt();
    const KeloObject* kelo = link_ ? link_->keloObjectForName(name) : nullptr;
    if (kelo && kelo->collectionID() == wanted) return;
    showAlert(QStringLiteral("Set Collection Failed"),
              QStringLiteral("Failed to set collection '%1' for server '%2'.\nPossible reasons:\n")
                      .arg(collectionLetter(wanted), name) +
                  QStringLiteral(" - KeloDaemon may not be running on the server.\n - "
                                 "incompatible software version."),
              false);
}

void ServerCollections::showAlert(const QString& message, const QString& informative,
                                  bool warning) {
    // The answer is not used, so the alert does not block the tick.
    alert_ = std::make_unique<KeloAlert>(warning ? KeloAlert::kWarning : KeloAlert::kInformational,
                                         message, informative,
                                         QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")});
    alert_->open();
}

QMessageBox* ServerCollections::alert() const {
    return alert_ && alert_->isVisible() ? alert_.get() : nullptr;
}
