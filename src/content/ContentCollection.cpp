#include "content/ContentCollection.h"

#include "content/KeloContentAnalyser.h"
#include "foundation/OmLog.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

namespace {

// While the agent pauses between batches, requests may slip in.
constexpr double kPauseWindow = 2.5;
constexpr double kQuietAfterNotification = 2.0;
constexpr double kQuietAfterTransfers = 10.0;

QVariantMap* mapIn(QVariant* value) {
    return value->typeId() == QMetaType::QVariantMap ? static_cast<QVariantMap*>(value->data())
                                                     : nullptr;
}

}  // namespace

KlE_Control_Status* ContentCollection::network() const {
    return network_ ? network_ : KlE_Control_Status::defaultObject();
}

std::shared_ptr<ContentRows> ContentCollection::folderDataSourceForType(int type) const {
    const QString key = KeloContentID::folderTypeKey(type);
    if (key.isNull()) return nullptr;
    const auto it = folderDataSources.find(key);
    return it == folderDataSources.end() ? nullptr : it->second;
}

std::optional<QVariantMap> ContentCollection::databaseEntryForContentID(
    const KeloContentID& id, const QString& server) const {
    if (!analysis) return std::nullopt;
    const std::shared_ptr<ContentMember> member = analysis->memberWithName(server);
    if (!member || member->dbase.isEmpty()) return std::nullopt;
    const QString folderKey = KeloContentID::folderKeyForContentID(id);
    if (folderKey.isEmpty()) return std::nullopt;
    const QVariant folder = member->dbase.value(folderKey);
    if (folder.typeId() != QMetaType::QVariantMap) return std::nullopt;
    const QVariant entry = folder.toMap().value(KeloContentID::fileKeyForContentID(id));
    if (entry.typeId() != QMetaType::QVariantMap) return std::nullopt;
    return entry.toMap();
}

QVariantMap* ContentCollection::databaseEntryForContentID(const KeloContentID& id,
                                                          const QString& server,
                                                          const QString& folderName) {
    if (!analysis) return nullptr;
    const std::shared_ptr<ContentMember> member = analysis->memberWithName(server);
    if (!member || member->dbase.isEmpty()) return nullptr;
    const QString folderKey = KeloContentID::folderKeyForContentID(id);
    if (folderKey.isEmpty()) return nullptr;
    QVariant& folderValue = member->dbase[folderKey];
    if (folderValue.typeId() != QMetaType::QVariantMap)
        folderValue = QVariantMap{{".Name", folderName}, {".Paths", QVariantList{folderName}}};
    QVariantMap* folder = mapIn(&folderValue);
    QVariantList paths = folder->value(".Paths").toList();
    if (!paths.contains(QVariant(folderName))) paths.append(folderName);
    folder->insert(".Paths", paths);
    QVariant& entryValue = (*folder)[KeloContentID::fileKeyForContentID(id)];
    if (entryValue.typeId() != QMetaType::QVariantMap) entryValue = QVariantMap();
    return mapIn(&entryValue);
}

ContentRows ContentCollection::folderRowsForTransferKey(int32_t transferKey) const {
    ContentRows rows;
    const auto key = transferFolderDict.find(transferKey);
    if (key == transferFolderDict.end()) return rows;
    for (const auto& [type, source] : folderDataSources) {
        if (!source) continue;
        for (const ContentTableRowPtr& row : *source)
            if (row->masterFolder && row->masterFolder->SelfRefKey() == key->second)
                rows.push_back(row);
    }
    return rows;
}

ContentRows ContentCollection::folderRowsForContentID(uint32_t contentID) const {
    ContentRows rows;
    for (const auto& [type, source] : folderDataSources) {
        if (!source) continue;
        for (const ContentTableRowPtr& row : *source) {
            const auto& id = row->parsedName.contentID();
            if (id && id->intValue() == contentID) rows.push_back(row);
        }
    }
    return rows;
}

bool ContentCollection::canRequestDb() const {
    const double now = KeloObject::now();
    if (pauseTime != 0 && now - pauseTime < kPauseWindow) return true;
    if (now <= lastTransferAgentTimeForCollection + kQuietAfterNotification) return false;
    if (!syncUpdater || !syncUpdater->syncActiveTransfers()) return true;
    return now > lastTransferAgentTimeForCollection + kQuietAfterTransfers;
}

bool ContentCollection::fetchDatabaseFolder(std::shared_ptr<ContentTransfer> transfer) {
    if (!transfer) return false;
    const QString letter = collectionIdToString(analysis ? analysis->collectionID : -1);
    if (!canRequestDb()) {
        OmLogNoFlood(kOmLogDebug,
                     "WARNING: collection '%s' transfer busy, can't fetchDatabaseFolder %s\n",
                     qPrintable(letter), qPrintable(transfer->folderKey()));
        return false;
    }
    if (transfer->transferKey() == 0) {
        const auto fresh = freshFolders.find(transfer->folderKey());
        if (fresh != freshFolders.end()) transfer = fresh->second;
    }
    const QString folderKey = transfer->folderKey();
    if (folderKey.endsWith(QLatin1String("000"))) {
        OmLogNoFlood(kOmLogDebug, "skipping fetchDatabaseFolder ending in '000' %s\n",
                     qPrintable(folderKey));
        return false;
    }
    const std::optional<KeloContentID> id = transfer->contentID();
    if (KeloContentID::typeForFolderKey(folderKey) == KeloContentID::kMetadata && id &&
        id->folder() < 2) {
        OmLogNoFlood(kOmLogDebug, "skipping fetchDatabaseFolder TODO:kMetadataItem %s\n",
                     qPrintable(folderKey));
        return false;
    }
    if (!id || !analysis) return false;
    KlE_Control_Status* net = network();
    if (!net) return false;
    bool asked = false;
    for (const std::shared_ptr<ContentMember>& member : analysis->members) {
        KeloObject* kelo = net->keloObjectForName(member->name);
        if (!kelo || kelo->address() == 0 || kelo->collectionID() != analysis->collectionID)
            continue;
        kelo->fetchDatabaseFolderEntry(id->contentRef());
        member->waitingForDbFolders[folderKey] = transfer;
        asked = true;
    }
    return asked;
}

void ContentCollection::freshenFolder(const ContentTableRow& row) {
    if (!analysis || !row.parsedName.contentID() || !row.masterFolder) return;
    const QString key = row.masterFolder->SelfRefKey();
    if (freshFolders.count(key)) return;
    freshFolders[key] = ContentTransfer::transferWithTasks({}, key, row.parsedName.contentID(), 0,
                                                           analysis->collectionID);
}
