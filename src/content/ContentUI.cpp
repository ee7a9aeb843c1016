#include "content/ContentUI.h"

#include "content/ContentDefaults.h"
#include "content/KeloContentAnalyser.h"
#include "content/KeloContentID.h"
#include "foundation/DictHelper.h"
#include "foundation/OmLog.h"
#include "foundation/OmxDefaults.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QSysInfo>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kFolderTypes = 5;  // media, models, plug-ins, metadata, masks
constexpr char kMemberOnlyPrefix[] = ".MemberOnlyKey";
constexpr char kMetadataFolderKey[] = "Metadata_000_000";
constexpr char kMultiScreenFile[] = "MultiScreenData.plist";
constexpr char kMultiScreenFileKey[] = "004";
constexpr char kBuiltInMarker[] = "/Content/Resources/";

QString directoryOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QString("");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QStringList sortedKeys(const QVariantMap& map, const QString& prefix) {
    QStringList keys;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        if (it.key().startsWith(prefix)) keys << it.key();
    return keys;  // a QMap's keys come sorted
}

// The machine's identifier as an upper-case UUID text; read once.
QString machineUUID() {
    static const QString uuid = [] {
        const QByteArray id = QSysInfo::machineUniqueId();
        if (id.size() != 32) return QString::fromLatin1(id.left(36));
        const QString hex = QString::fromLatin1(id).toUpper();
        return QStringList{hex.mid(0, 8), hex.mid(8, 4), hex.mid(12, 4), hex.mid(16, 4),
                           hex.mid(20, 12)}
            .join('-');
    }();
    return uuid;
}

void clearSyncMarks(ContentTableRow& row) {
    row.syncQueued = false;
    row.syncComplete = false;
    row.syncAnimating = false;
    row.syncAnimatingStep = 0;
    row.syncProgress = 0;
    row.syncTimeToReanalyze = 0;
}

}  // namespace

bool ContentUI::sMasterSelected = false;
bool ContentUI::sMasterValid = false;

// --- Rows by path ---------------------------------------------------------------------

ContentRowsByPath::ContentRowsByPath(const ContentRows* rows) : rows_(rows) {
    if (!rows) return;
    first_.reserve(qsizetype(rows->size()));
    for (const ContentTableRowPtr& row : *rows)
        if (!row->path().isEmpty() && !first_.contains(row->path()))
            first_.insert(row->path(), row.get());
}

ContentTableRow* ContentRowsByPath::find(size_t position, const QString& path) const {
    if (!rows_ || path.isEmpty()) return nullptr;
    if (position < rows_->size() && (*rows_)[position]->path() == path)
        return (*rows_)[position].get();
    return first_.value(path, nullptr);
}

// --- Set-up and settings --------------------------------------------------------------

ContentUI* ContentUI::instance() {
    // Lives for the process, like the tab it serves.
    static auto* ui = new ContentUI;
    return ui;
}

ContentUIServices& ContentUI::services() {
    return ContentUIServices::shared();
}

ContentUI::ContentUI(KlE_Control_Status* network, KeloContentAnalyser* analyser)
    : network_(network), analyser_(analyser) {
    masterSettings_ = UserDefaults::standard().object(kContentUISettings).toMap();
    getMasterIdentity();
    // Defaults that replace missing or out-of-range values are saved at once.
    bool changed = false;
    bitRate_ = ContentBitRate::fromSettings(masterSettings_, &changed);
    if (changed) commitMasterSettings();
}

KlE_Control_Status* ContentUI::network() const {
    return network_ ? network_ : KlE_Control_Status::defaultObject();
}

KeloContentAnalyser* ContentUI::analyser() const {
    return analyser_ ? analyser_ : KeloContentAnalyser::defaultAnalyser();
}

ContentAnalysis* ContentUI::shownAnalysis() const {
    ContentCollection* collection = contentCollection(collectionID_);
    return collection ? collection->analysis.get() : nullptr;
}

void ContentUI::commitMasterSettings() {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject(kContentUISettings, masterSettings_);
    defaults.synchronize();
}

void ContentUI::setMasterSettingsValue(const QString& key, const QVariant& value) {
    masterSettings_.insert(key, value);
    commitMasterSettings();
}

QString ContentUI::shortDate(const QDateTime& date) {
    return date.toLocalTime().toString("yyyy_MM_dd HH.mm.ss");
}

void ContentUI::getMasterIdentity() {
    QString name = masterSettings_.value(kContentMasterIdentity).toString();
    if (name.isEmpty()) name = QSysInfo::machineHostName();
    masterIdentity_ = name + QChar(0x0B) + machineUUID();
}

ContentCollection* ContentUI::contentCollection(int32_t collectionID) const {
    if (collectionID < 0) return nullptr;
    const auto it = contentCollections_.find(collectionID);
    return it == contentCollections_.end() ? nullptr : it->second.get();
}

ContentCollection* ContentUI::createCollection(int32_t collectionID) {
    if (collectionID < 0) return nullptr;
    auto collection = std::make_unique<ContentCollection>(network_);
    collection->fileTransferList = services().logMessages();
    ContentCollection* made = collection.get();
    contentCollections_[collectionID] = std::move(collection);
    return made;
}

QVariantMap ContentUI::collectionSettings() const {
    return masterSettings_.value(collectionSettingsKey_).toMap();
}

void ContentUI::loadSettingsForCollectionID(int32_t collectionID) {
    collectionSettingsKey_ = QString::asprintf(kContentCollectionSettingsFormat, collectionID);
    QVariantMap settings = masterSettings_.value(collectionSettingsKey_).toMap();
    if (!settings.contains(kContentWatchedMediaFolderArray))
        settings.insert(kContentWatchedMediaFolderArray, QStringList());
    masterSettings_.insert(collectionSettingsKey_, settings);
    watchedMediaFolderArray_ = settings.value(kContentWatchedMediaFolderArray).toStringList();
    masterSettings_.insert(kContentCurrCollectionID, QString::number(collectionID));
    commitMasterSettings();
}

void ContentUI::storeWatchedList() {
    QVariantMap settings = collectionSettings();
    settings.insert(kContentWatchedMediaFolderArray, watchedMediaFolderArray_);
    masterSettings_.insert(collectionSettingsKey_, settings);
}

void ContentUI::updateMasterStatus() {
    ContentAnalysis* analysis = shownAnalysis();
    const QString masterName = analysis ? analysis->masterName : QString();
    const QString selected = services().selectedServerName();
    const bool masterSelected = !selected.isNull() && selected == masterName;
    KlE_Control_Status* net = network();
    KeloObject* master =
        net && !masterName.isEmpty() ? net->keloObjectForName(masterName) : nullptr;
    const bool masterValid = master && master->address() != 0;
    if (masterSelected == sMasterSelected && masterValid == sMasterValid) return;
    sMasterSelected = masterSelected;
    sMasterValid = masterValid;
    for (const ContentTableRowPtr& row : folderDataSource_) {
        row->isMasterSelected = masterSelected;
        row->isMasterValid = masterValid;
        ++row->filesDataSourceIncrement;
    }
    fullRedrawNeeded_ = true;
}

void ContentUI::addOrRemoveWatchedFolder(const ContentTableRow& row, bool add) {
    const auto& id = row.parsedName.contentID();
    if (row.isMemberOnly || row.isSeparatorRow || !id || !row.masterFolder) return;
    const QString key = row.masterFolder->SelfRefKey();
    if (add) {
        if (!watchedMediaFolderArray_.contains(key)) watchedMediaFolderArray_.append(key);
    } else {
        watchedMediaFolderArray_.removeAll(key);
    }
    storeWatchedList();
    if (ContentCollection* collection = contentCollection(collectionID_)) {
        for (const ContentTableRowPtr& r : collection->folderRowsForContentID(id->intValue())) {
            r->isWatched = add;
            ++r->filesDataSourceIncrement;
        }
    }
    commitMasterSettings();
    fullRedrawNeeded_ = true;
}

void ContentUI::setFleetingRefFolder(const ContentTableRowPtr& row) {
    fleetingRefFolder_ = row ? row->copy() : nullptr;
}

ContentTableRowPtr ContentUI::singleSelectedFolder() const {
    if (!fleetingRefFolder_) return nullptr;
    for (const ContentTableRowPtr& row : folderDataSource_) {
        if (!row->isEqualToFolder(*fleetingRefFolder_)) continue;
        if (!row->isMemberOnlyKeloName.isEmpty() &&
            !fleetingRefFolder_->isMemberOnlyKeloName.isEmpty() &&
            !row->sameMemberAs(*fleetingRefFolder_))
            continue;
        return row;
    }
    return nullptr;
}

void ContentUI::logEntryAdded(const QVariantMap& entry) {
    for (auto& [id, collection] : contentCollections_) collection->appendHistory(entry);
}

void ContentUI::clearLog() {
    for (auto& [id, collection] : contentCollections_) collection->fileTransferList.clear();
}

// --- Folder rows ----------------------------------------------------------------------

void ContentUI::updateSelectedServer() {
    ContentUIServices& s = services();
    const QString selected = s.selectedServerName();
    ContentCollection* collection = contentCollection(collectionID_);
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    if (analysis && s.currentSelectedCollectionID() >= 0) {
        analysis->selectedMember = nullptr;
        analysis->selectedMember = analysis->memberWithName(selected);
    }
    if (analysis && analysis->selectedMember && !analysis->selectedMember->dbase.isEmpty()) {
        KlE_Control_Status* net = network();
        KeloObject* master = net ? net->keloObjectForName(analysis->masterName) : nullptr;
        sMasterValid = master && master->address() != 0;
        if (analysis->selectedMember->isMaster) sMasterSelected = true;
    }

    ContentRows remembered;
    for (size_t index : folderSelection_)
        if (index < folderDataSource_.size()) remembered.push_back(folderDataSource_[index]);
    const size_t firstSelected =
        folderSelection_.empty()
            ? SIZE_MAX
            : *std::min_element(folderSelection_.begin(), folderSelection_.end());

    for (int type = 0; type < kFolderTypes; ++type) {
        ContentRows rows;
        if (collection) updateFolderType(type, collection, &rows);
        preserveDataSource(rows, type, collectionID_);
        if (type != selectedFolderType_) continue;
        folderDataSource_ = rows;
        folderSelection_.clear();
        for (size_t i = 0; i < rows.size(); ++i)
            for (const ContentTableRowPtr& old : remembered)
                if (rows[i]->isEqualToFolder(*old)) {
                    folderSelection_.push_back(i);
                    break;
                }
        if (remembered.size() == 1 && firstSelected < rows.size() &&
            rows[firstSelected]->isEqualToFolder(*remembered.front()))
            folderSelection_ = {firstSelected};
    }
}

void ContentUI::updateFolderType(int type, ContentCollection* collection,
                                 ContentRows* newDataSource) {
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    if (!analysis || !analysis->selectedMember || analysis->selectedMember->dbase.isEmpty()) return;
    const std::shared_ptr<ContentRows> current = collection->folderDataSourceForType(type);
    const ContentRows oldRows = current ? *current : ContentRows();
    const ContentRowsByPath old(&oldRows);
    const QString prefix = KeloContentID::folderTypeKey(type);
    if (prefix.isNull()) return;
    const QStringList memberOnlyKeys = sortedKeys(analysis->dict, kMemberOnlyPrefix);
    const QStringList folderKeys = sortedKeys(analysis->dict, prefix);
    updateFolderDataSource(newDataSource, folderKeys, type, analysis->dict, collection, QString(),
                           old);
    for (const QString& key : memberOnlyKeys) {
        const QString member = key.mid(qsizetype(sizeof kMemberOnlyPrefix) - 1);
        const QVariantMap dict = analysis->dict.value(key).toMap();
        updateFolderDataSource(newDataSource, sortedKeys(dict, QString()), type, dict, collection,
                               member, old);
    }
}

void ContentUI::updateFolderDataSource(ContentRows* newDataSource, const QStringList& keys,
                                       int folderType, const QVariantMap& inDict,
                                       ContentCollection* collection,
                                       const QString& memberOnlyKeloName,
                                       const ContentRowsByPath& oldFolderDataSource) {
    const QString prefix = KeloContentID::folderTypeKey(folderType);
    if (prefix.isNull()) return;
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    bool separated = false;
    for (const QString& key : keys) {
        if (!key.startsWith(prefix)) continue;
        if (!memberOnlyKeloName.isEmpty() && !separated) {
            newDataSource->push_back(ContentTableRow::separatorRow(
                QString("Local on %1")
                    .arg(services().screenNameForKeloWithName(memberOnlyKeloName))));
            separated = true;
        }
        std::shared_ptr<MasterFolder> folder = MasterFolder::fromVariant(inDict.value(key));
        const bool metadata = key == QLatin1String(kMetadataFolderKey);
        if (folder && metadata) {
            auto shown = std::make_shared<MasterFolder>();
            if (folder->dict()) shown->setDict(*folder->dict());
            shown->setSelfRefKey(folder->SelfRefKey());
            QVariantList paths = folder->Paths();
            if (paths.size() >= 2) paths.removeFirst();
            QVariantList kept;
            for (const QVariant& p : paths) {
                const QVariantMap entry = p.toMap();
                if (entry.value("files").toStringList().contains(kMultiScreenFileKey))
                    kept.append(QVariantMap{{"path", entry.value("path")},
                                            {"files", QStringList{kMultiScreenFileKey}}});
            }
            shown->setValue(kept, ".Paths");
            shown->setValue(QString(kMultiScreenFile), ".foldername");
            folder = shown;
        }
        const QVariantList paths = folder ? folder->Paths() : QVariantList();
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (!folder || folder->SelfRefKey().isEmpty()) {
                OmLogNoFlood(kOmLogError, "folder disappeared\n");
                break;
            }
            auto row = std::make_shared<ContentTableRow>();
            row->isFolder = true;
            row->masterName = analysis ? analysis->masterName : QString();
            row->masterFolder = folder;
            row->masterFolderPathsIdx = int32_t(i);
            row->isAggregate = i == 0 && paths.size() >= 2;
            row->isSingleFolder = paths.size() < 2;
            row->isWatched = watchedMediaFolderArray_.contains(folder->SelfRefKey());
            row->isMasterSelected = sMasterSelected;
            row->isMasterValid = sMasterValid;
            if (!memberOnlyKeloName.isEmpty()) {
                row->isMemberOnly = true;
                row->isMemberOnlyKeloName = memberOnlyKeloName;
            }
            const std::optional<KeloContentID> id =
                KeloContentID::contentWithFolderKey(folder->SelfRefKey());
            if (metadata) {
                row->parsedName = KlParsedFileName::nameWithPath(kMultiScreenFile, id, true);
                row->isMetaDataFile = true;
            } else if (row->isAggregate) {
                row->parsedName = KlParsedFileName::nameWithPath(
                    paths[1].toMap().value("path").toString(), id, true);
                row->parsedName.setName(row->parsedName.number());
                row->parsedName.setFullPath(QString());
                row->parsedName.setBodyWithExtension(QString());
                row->isBuiltIn = std::all_of(paths.begin(), paths.end(), [](const QVariant& p) {
                    return p.toMap().value("path").toString().contains(kBuiltInMarker);
                });
            } else {
                const QString path = paths[i].toMap().value("path").toString();
                row->parsedName = KlParsedFileName::nameWithPath(path, id, true);
                row->isBuiltIn = path.contains(kBuiltInMarker);
            }
            row->filesDataSourceIncrement = 1;
            newDataSource->push_back(row);
            preserveSyncProgressForRow(*row, *newDataSource, oldFolderDataSource);
        }
    }
}

void ContentUI::preserveDataSource(const ContentRows& rows, int folderType, int32_t collectionID) {
    const QString key = KeloContentID::folderTypeKey(folderType);
    if (key.isNull() || collectionID < 0) return;
    ContentCollection* collection = contentCollection(collectionID);
    if (!collection) collection = createCollection(collectionID);
    collection->folderDataSources[key] = std::make_shared<ContentRows>(rows);
}

void ContentUI::preserveSyncProgressForRow(ContentTableRow& row, const ContentRows& newSource,
                                           const ContentRowsByPath& oldSource) {
    const ContentTableRow* old =
        newSource.empty() ? nullptr : oldSource.find(newSource.size() - 1, row.path());
    if (!old) return;
    row.redrawIncrement = old->redrawIncrement + 1;
    row.uiRedrawIncrement = old->uiRedrawIncrement;
    if (row.isFolder) {
        row.filesDataSource = old->filesDataSource;
        row.filesDataSourceIncrement = old->filesDataSourceIncrement + 1;
    }
    if (old->syncQueued) {
        row.syncQueued = old->syncQueued;
        row.syncComplete = old->syncComplete;
        row.syncProgress = old->syncProgress;
        row.syncAnimating = old->syncAnimating;
        row.syncAnimatingStep = old->syncAnimatingStep;
    }
}

// --- File rows ------------------------------------------------------------------------

ContentRows ContentUI::filesDataSourceForFolder(const ContentTableRow& folder) {
    ContentRows rows;
    if (!folder.masterFolder) return rows;
    const ContentRows oldRows = folder.filesDataSource ? *folder.filesDataSource : ContentRows();
    const ContentRowsByPath old(&oldRows);
    const ContentRowsByPath none(nullptr);
    ContentCollection* collection = contentCollection(collectionID_);
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;

    ContentTableRow templ = folder;
    templ.isFolder = false;
    templ.filesDataSource = nullptr;
    templ.parsedName = KlParsedFileName();
    clearSyncMarks(templ);

    const QVariantMap folderDict =
        folder.masterFolder->dict() ? *folder.masterFolder->dict() : QVariantMap();
    for (auto it = folderDict.constBegin(); it != folderDict.constEnd(); ++it) {
        if (it.key().startsWith('.')) continue;
        addFileRowToDataSource(&rows, templ, folder, it.value().toMap(), collection, old);
    }
    templ.isWatched = false;
    if (!analysis) return rows;

    const QString folderKey = folder.masterFolder->SelfRefKey();
    for (const std::shared_ptr<ContentMember>& member : analysis->members) {
        const QVariant memberValue = member->dbase.value(folderKey);
        if (memberValue.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap memberFolder = memberValue.toMap();
        const QString shownName = services().screenNameForKeloWithName(member->name);
        if (member->isMaster) {
            templ.isMemberOnly = false;
            templ.isMemberOnlyKeloName = QString();
        } else {
            templ.isMemberOnly = true;
            templ.isMemberOnlyKeloName = member->name;
            ContentRows memberRows;
            for (auto it = memberFolder.constBegin(); it != memberFolder.constEnd(); ++it) {
                if (it.key().startsWith('.') || it.value().typeId() != QMetaType::QVariantMap)
                    continue;
                const QVariantMap entry = it.value().toMap();
                const auto masterIt = folderDict.constFind(it.key());
                const QVariantMap masterEntry =
                    masterIt == folderDict.constEnd() ? QVariantMap() : masterIt->toMap();
                const bool listed =
                    masterIt == folderDict.constEnd() ||
                    (entry.contains("Conflicts") &&
                     entry.value("Path").toString() != masterEntry.value("name").toString());
                if (!listed) continue;
                if (const auto record = KeloContentAnalyser::massageFileInfo(entry)) {
                    const size_t before = memberRows.size();
                    addFileRowToDataSource(&memberRows, templ, folder, *record, collection, none);
                    if (memberRows.size() > before)
                        addConflicts(entry, &memberRows, *memberRows.back(), folder, masterEntry,
                                     none);
                }
            }
            if (!memberRows.empty()) {
                rows.push_back(
                    ContentTableRow::separatorRow(QString("Local on %1").arg(shownName)));
                rows.insert(rows.end(), memberRows.begin(), memberRows.end());
            }
        }
        const QVariantMap confusing = memberFolder.value(".Confusing").toMap();
        if (confusing.isEmpty()) continue;
        rows.push_back(ContentTableRow::separatorRow(
            member->isMaster ? QString("Not Indexed")
                             : QString("Not Indexed on %1").arg(shownName)));
        for (auto it = confusing.constBegin(); it != confusing.constEnd(); ++it) {
            if (it.value().typeId() != QMetaType::QVariantMap) continue;
            const QVariantMap entry = it.value().toMap();
            ContentTableRowPtr row = templ.copy();
            row->isConfusing = true;
            row->parsedName =
                KlParsedFileName::nameWithPath(entry.value("Path").toString(), std::nullopt, false);
            row->parsedName.setDict(entry);
            row->fileDetail = QVariantMap();
            rows.push_back(row);
        }
    }
    return rows;
}

void ContentUI::addFileRowToDataSource(ContentRows* dataSource, const ContentTableRow& templateRow,
                                       const ContentTableRow& parent, const QVariantMap& fdict,
                                       ContentCollection* collection,
                                       const ContentRowsByPath& oldFilesDataSource) {
    ContentTableRowPtr row = templateRow.copy();
    const std::optional<KeloContentID> id =
        fdict.contains("fileRef")
            ? KeloContentID::contentWithData(fdict.value("fileRef").toByteArray())
            : std::nullopt;
    const QString name = fdict.value("name").toString();
    row->parsedName = KlParsedFileName::nameWithPath(name, id, false);
    row->parsedName.setDict(fdict);
    row->fileDetail = QVariantMap();
    row->isBuiltIn = fdict.value("BuiltIn").toBool();
    if (belongsToFldrRow(parent, name)) {
        dataSource->push_back(row);
        preserveSyncProgressForRow(*row, *dataSource, oldFilesDataSource);
    }
    if (templateRow.isMemberOnly || !id || !collection || !collection->analysis) return;
    if (const auto entry =
            collection->databaseEntryForContentID(*id, collection->analysis->masterName))
        addConflicts(*entry, dataSource, *row, parent, fdict, oldFilesDataSource);
}

void ContentUI::addConflicts(const QVariantMap& entry, ContentRows* dataSource,
                             const ContentTableRow& fileRow, const ContentTableRow& parent,
                             const QVariantMap& fdict,
                             const ContentRowsByPath& oldFilesDataSource) {
    const QVariantMap conflicts = entry.value("Conflicts").toMap();
    if (conflicts.isEmpty()) return;
    const std::optional<KeloContentID> id =
        KeloContentID::contentWithData(fdict.value("fileRef").toByteArray());
    for (auto it = conflicts.constBegin(); it != conflicts.constEnd(); ++it) {
        const QVariantMap conflict = it.value().toMap();
        ContentTableRowPtr row = fileRow.copy();
        row->parsedName =
            KlParsedFileName::nameWithPath(conflict.value("Path").toString(), id, false);
        row->parsedName.setDict(conflict);
        row->parsedName.setIsConflicted(true);
        row->parsedName.setIsVersioned(row->parsedName.name().contains(QLatin1String("_v")));
        row->parsedName.setConflictKey(it.key());
        row->isBuiltIn = conflict.value("BuiltIn").toBool();
        if (!belongsToFldrRow(parent, row->path())) continue;
        dataSource->push_back(row);
        preserveSyncProgressForRow(*row, *dataSource, oldFilesDataSource);
    }
}

bool ContentUI::updateFilesDataSourceIfNeeded(ContentTableRow& folder) {
    if (folder.uiFilesDataSourceIncrement == folder.filesDataSourceIncrement) return false;
    folder.uiFilesDataSourceIncrement = folder.filesDataSourceIncrement;
    const bool shown = fleetingRefFolder_ && folder.isEqualToFolder(*fleetingRefFolder_) &&
                       (folder.isMemberOnlyKeloName.isEmpty() ||
                        fleetingRefFolder_->isMemberOnlyKeloName.isEmpty() ||
                        folder.sameMemberAs(*fleetingRefFolder_));
    QHash<QString, ContentTableRowPtr> remembered;
    if (shown && currentFilesDataSource_) {
        for (size_t index : fileSelection_) {
            if (index >= currentFilesDataSource_->size()) continue;
            const ContentTableRowPtr& row = (*currentFilesDataSource_)[index];
            if (!row->path().isEmpty() && !remembered.contains(row->path()))
                remembered.insert(row->path(), row);
        }
    }
    folder.filesDataSource = std::make_shared<ContentRows>(filesDataSourceForFolder(folder));
    if (!shown) return false;
    currentFilesDataSource_ = folder.filesDataSource;
    fileSelection_.clear();
    const ContentRows& rows = *currentFilesDataSource_;
    for (size_t i = 0; i < rows.size() && !remembered.isEmpty(); ++i) {
        const ContentTableRowPtr old = remembered.value(rows[i]->path());
        if (old && rows[i]->sameMemberAs(*old)) fileSelection_.push_back(i);
    }
    return true;
}

int ContentUI::fileCountForFldrRow(ContentTableRow& folder) {
    updateFilesDataSourceIfNeeded(folder);
    if (!folder.masterFolder) return 0;
    const QVariantList paths = folder.masterFolder->Paths();
    if (folder.masterFolderPathsIdx < 0 || folder.masterFolderPathsIdx >= paths.size()) return 0;
    return int(paths[folder.masterFolderPathsIdx].toMap().value("files").toList().size());
}

bool ContentUI::belongsToFldrRow(const ContentTableRow& folder, const QString& filePath) {
    if (folder.isSingleFolder || folder.isAggregate) return true;
    if (!folder.masterFolder) return false;
    const QVariantList paths = folder.masterFolder->Paths();
    if (folder.masterFolderPathsIdx < 0 || folder.masterFolderPathsIdx >= paths.size())
        return false;
    return directoryOf(filePath) ==
           paths[folder.masterFolderPathsIdx].toMap().value("path").toString();
}

// --- Analysis -------------------------------------------------------------------------

bool ContentUI::analyse() {
    ContentCollection* collection = contentCollection(collectionID_);
    if (!collection || !collection->canRequestDb()) return false;
    ContentUIServices& s = services();
    pendingAnalysis_ = std::make_shared<ContentAnalysis>();
    pendingAnalysis_->collectionID = collectionID_;
    pendingAnalysis_->serverNames = s.validServersForCollection(collectionID_);
    pendingAnalysis_->masterName = s.masterForCollection(collectionID_);
    // A collection may have no master yet.
    if (!pendingAnalysis_->masterName.isEmpty() &&
        !pendingAnalysis_->serverNames.contains(pendingAnalysis_->masterName))
        pendingAnalysis_->serverNames.append(pendingAnalysis_->masterName);
    KeloContentAnalyser* a = analyser();
    a->setServers(pendingAnalysis_->serverNames);
    a->setMaster(pendingAnalysis_->masterName);
    a->setCollectionID(collectionID_);
    a->analyse(true);
    return true;
}

void ContentUI::freshenMarkedFolders(ContentCollection* collection) {
    if (!collection) return;
    const int32_t collectionID = collection->analysis ? collection->analysis->collectionID : -1;
    for (const auto& [key, record] : collection->freshFolders) {
        const auto same = std::find_if(
            scanAllServersTasks_.begin(), scanAllServersTasks_.end(),
            [&, folderKey = key](const std::shared_ptr<ContentTransfer>& task) {
                return task->folderKey() == folderKey && task->collectionID() == collectionID;
            });
        if (same != scanAllServersTasks_.end())
            *same = record;
        else
            scanAllServersTasks_.push_back(record);
    }
}

bool dumpDictHelperPropertyListToDisk(const DictHelper& object, const QString& path) {
    const QByteArray data =
        PropertyList::write(object.copyToPropertyList(), PropertyList::Format::Binary);
    return !data.isEmpty() && dumpDataToDisk(data, path);
}
