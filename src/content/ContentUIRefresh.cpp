// The Content tab's refresh cycle: its 0.1 s timer with the guard against a
// backed-up main thread, the rescan and collection-switch rules, the header
// title, following the selected server, and the handlers of the server
// link's and the analyser's notifications.

#include "content/ContentDefaults.h"
#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "content/KeloContentAnalyser.h"
#include "content/PixelMapContentClient.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/ServerLinkNotifications.h"

#include <QObject>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

constexpr int kTimerMs = 100;
constexpr double kTimerPeriod = 0.1;
constexpr double kLatencyLimit = 1.0;         // seconds the main thread may lag
constexpr double kTimestampQuiet = 2.0;       // seconds after the last agent notification
constexpr double kFlashPeriod = 1.0;
constexpr double kRunningTransferWindow = 5.0;
constexpr int kFolderTypes = 5;
constexpr int kPixelMapType = 3;
constexpr int kPixelMapFolder = 3;
constexpr int32_t kBusyResets = 10;

// The server objects live for the process in the link's table; a sender
// pointer is used only once it is found there.
const KeloObject* knownKelo(KlE_Control_Status* net, const void* sender) {
    if (!net || !sender) return nullptr;
    for (const auto& [name, kelo] : net->keloes())
        if (kelo.get() == sender) return kelo.get();
    return nullptr;
}

}  // namespace

ContentUI::~ContentUI() = default;

ContentUI::FolderTypeMarks ContentUI::folderTypeMarks(int type) const {
    const auto it = folderTypeMarks_.find(type);
    return it == folderTypeMarks_.end() ? FolderTypeMarks() : it->second;
}

void ContentUI::observeNotifications() {
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    observers_.clear();
    observers_.push_back(centre.addObserver(
        kKeloContentAnaysisCompleteNotification, nullptr, [this](const Notification&) {
            MainThread::runOnMain([this] { analysisComplete(); });
        }));
    observers_.push_back(centre.addObserver(kKeloStatusChangeNotification, nullptr,
                                            [this](const Notification&) { keloStatusChanged(); }));
    observers_.push_back(centre.addObserver(
        kKeloContentManagerNotification, nullptr,
        [this](const Notification& n) { KlEManagementNotification(n.userInfo); }));
    observers_.push_back(centre.addObserver(
        kKeloThumbnailDataNotification, nullptr, [this](const Notification& n) {
            KeloThumbnailNotification(knownKelo(network(), n.sender), n.userInfo);
        }));
    observers_.push_back(centre.addObserver(
        kKeloDatabaseFolderEntryNotification, nullptr, [this](const Notification& n) {
            KeloDatabaseFolderEntryNotification(knownKelo(network(), n.sender), n.userInfo);
        }));
    observers_.push_back(centre.addObserver(
        kKeloContentTransferAgentNotification, nullptr,
        [this](const Notification& n) { TransferAgentNotification(n.userInfo); }));
    observers_.push_back(centre.addObserver(
        kKeloContentTransferAgentPauseNotification, nullptr,
        [this](const Notification& n) { TransferAgentPauseNotification(n.userInfo); }));
}

// --- Timer --------------------------------------------------------------------------------

void ContentUI::timerProc() {
    const double scheduled = KeloObject::now();
    if (!timerContext_) timerContext_ = std::make_unique<QObject>();
    QTimer::singleShot(kTimerMs, timerContext_.get(), [this, scheduled] { uiLatency(scheduled); });
    mainThreadLatency_ += kTimerPeriod;
    if (mainThreadLatency_ > kLatencyLimit) {
        if (!VTaskManager::wasRecentlyStuckOnBreakpoint() && isVisible_)
            OmLogNoFlood(kOmLogDebug,
                         "[Content] Debug: main thread run loop queue is backed up by %0.2f "
                         "seconds\n",
                         mainThreadLatency_);
        return;
    }
    ContentSyncServices& sync = ContentSyncServices::shared();
    if (sync.continueScanAllServers()) return;
    lastFullUpdateTick_ = KeloObject::now();
    periodicUpdateProgressBar(false);
    updateTables();
    sync.periodicFetchThumbnails();
}

void ContentUI::uiLatency(double scheduled) {
    mainThreadLatency_ = KeloObject::now() - scheduled;
    if (mainThreadLatency_ > kLatencyLimit && !VTaskManager::wasRecentlyStuckOnBreakpoint() &&
        isVisible_)
        OmLogNoFlood(kOmLogDebug,
                     "[Content] uiLatency: main thread run loop queue is backed up by %0.2f "
                     "seconds\n",
                     mainThreadLatency_);
}

void ContentUI::updateIsActive() {
    ContentSyncServices& sync = ContentSyncServices::shared();
    isVisible_ = sync.isContentTabSelected() && sync.isMainWindowVisible();
    isActive_ = isVisible_ || pixelMapWantsSession_;
}

// --- Table refresh --------------------------------------------------------------------

void ContentUI::updateTables() {
    updateIsActive();
    if (!isActive_) return;
    KlE_Control_Status* net = network();
    ContentSyncServices& sync = ContentSyncServices::shared();
    const QString selectedName = services().selectedServerName();
    KeloObject* selected =
        net && !selectedName.isEmpty() ? net->keloObjectForName(selectedName) : nullptr;
    if (selectedKeloChanged_) {
        needsRescan_ = forceRescan_ = true;
        selectKeloObject(selected);
    }
    checkStaleTransfers();

    int32_t selectedCollection = selected ? selected->collectionID() : -1;
    if (!selected) {
        contentStatus_ = 1;
    } else if (selectedCollection >= 0) {
        const QString masterName = services().masterForCollection(selectedCollection);
        const KeloObject* master = masterName.isEmpty() ? nullptr : net->keloObjectForName(masterName);
        if (masterName.isEmpty())
            contentStatus_ = 5;
        else if (!master || master->address() == 0)
            contentStatus_ = 6;
        else
            contentStatus_ = analysisInvalidFlash_ != 0 ? 7 : 0;
    } else if (selected->address() == 0) {
        contentStatus_ = 3;
        selectedCollection = sync.collectionIDForKelo(selected);
    } else {
        contentStatus_ = shouldSelectedServerBeReady(selected) ? 2 : 4;
    }

    if (!needsRescan_ && !analyser()->analysing() && selected && selected->collectionID() >= 0) {
        ContentCollection* collection = contentCollection(selected->collectionID());
        ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
        if (analysis) {
            for (const std::shared_ptr<ContentMember>& member : analysis->members) {
                const KeloObject* kelo = net->keloObjectForName(member->name);
                if (!kelo || kelo->address() == 0 ||
                    kelo->collectionID() != analysis->collectionID ||
                    kelo->contentTimeStamp() == member->dbase.value(".DatabaseTimestamp").toString())
                    continue;
                if (lastFullUpdateTick_ >
                        collection->lastTransferAgentTimeForCollection + kTimestampQuiet &&
                    !services().masterForCollection(analysis->collectionID).isEmpty()) {
                    forceRescan_ = needsRescan_ = true;
                    break;
                }
            }
        }
    }

    if (needsRescan_) {
        needsRescan_ = false;
        if (selectedCollection < 0) {
            manageSegment_ = 0;
            collectionID_ = selectedCollection;
            NotificationCenter::defaultCenter().post(
                kContentHistoryChangedNotification, this,
                {{"collectionID", collectionID_}, {"row", -1}, {"scrollToLast", true}});
        } else if (selectedCollection != collectionID_ || forceRescan_) {
            if (selectedCollection != collectionID_) {
                OmLogNoFlood(kOmLogInfo, "[Content] Switching from collection '%s' to '%s'\n",
                             qPrintable(collectionIdToString(collectionID_)),
                             qPrintable(collectionIdToString(selectedCollection)));
                loadSettingsForCollectionID(selectedCollection);
                collectionID_ = selectedCollection;
                ContentCollection* shown = contentCollection(collectionID_);
                if (!shown) shown = createCollection(collectionID_);
                updateHeaderTitle(selected);
                QVariantMap info{{"collectionID", collectionID_}, {"row", -1}};
                if (shown->fileTransferCurrent >= 0)
                    info.insert("scrollTo", shown->fileTransferCurrent);
                else
                    info.insert("scrollToLast", true);
                NotificationCenter::defaultCenter().post(kContentHistoryChangedNotification, this,
                                                         info);
            }
            if (analyse())
                forceRescan_ = false;
            else
                needsRescan_ = true;
        }
    }

    if (rescanDone_) {
        OmLogNoFlood(kOmLogDebug, "[Content] rescanDone\n");
        const std::shared_ptr<ContentAnalysis> done = completedAnalysis_;
        completedAnalysis_ = nullptr;
        rescanDone_ = false;
        ContentCollection* collection = done ? contentCollection(done->collectionID) : nullptr;
        if (done && !collection) collection = createCollection(done->collectionID);
        if (collection) {
            done->isStale = false;
            collection->analysis = done;
            if (done->collectionID == collectionID_) {
                updateSelectedServer();
                fullRedrawNeeded_ = true;
                if (fleetingRefFolder_) collection->freshenFolder(*fleetingRefFolder_);
                freshenMarkedFolders(collection);
                sync.continueScanAllServers();
                updateHeaderTitle(selected);
            }
        }
    }

    if (masterSelected() || masterValid()) updateMasterStatus();

    if (fullRedrawNeeded_) {
        fullRedrawNeeded_ = false;
        RowIndexes selection = folderSelection_;
        if (fleetingRefFolder_) {
            selection.clear();
            for (size_t i = 0; i < folderDataSource_.size(); ++i) {
                const ContentTableRow& row = *folderDataSource_[i];
                if (row.isEqualToFolder(*fleetingRefFolder_) &&
                    (row.isMemberOnlyKeloName.isEmpty() ||
                     fleetingRefFolder_->isMemberOnlyKeloName.isEmpty() ||
                     row.sameMemberAs(*fleetingRefFolder_))) {
                    selection = {i};
                    break;
                }
            }
            if (selection.empty()) fleetingRefFolder_ = nullptr;
        }
        changedSelectedFolder(selection);
        NotificationCenter::defaultCenter().post(kContentRowsNeedRedrawNotification, this,
                                                 {{"table", 0}, {"rows", QVariantList()}});
        folderTypeMarks_.clear();
    }

    if (ContentCollection* shown = contentCollection(collectionID_)) {
        for (const auto& [key, source] : shown->folderDataSources) {
            if (!source) continue;
            for (const ContentTableRowPtr& folder : *source) {
                if (folder->syncTimeToReanalyze == 0 ||
                    folder->syncTimeToReanalyze > lastFullUpdateTick_)
                    continue;
                shown->completeSyncProgressForFldrRow(*folder);
                ++folder->redrawIncrement;
                folder->syncTimeToReanalyze = 0;
                if (folder->filesDataSource)
                    for (const ContentTableRowPtr& file : *folder->filesDataSource)
                        ++file->redrawIncrement;
            }
        }
        for (int type = 0; type < kFolderTypes; ++type) {
            FolderTypeMarks marks;
            if (const auto rows = shown->folderDataSourceForType(type)) {
                for (const ContentTableRowPtr& row : *rows) {
                    if (!row->isWatched) continue;
                    marks.anyWatched = true;
                    if (row->needsSync()) marks.anyNeedsSync = true;
                }
            }
            folderTypeMarks_[type] = marks;
        }
    }

    if (fileSelection_.size() == 1 && currentFilesDataSource_ &&
        fileSelection_.front() < currentFilesDataSource_->size()) {
        const ContentTableRow& file = *(*currentFilesDataSource_)[fileSelection_.front()];
        if (file.uiRedrawIncrement != file.redrawIncrement) sync.updateFileDetailView();
    }
    for (const bool files : {true, false}) {
        const ContentRows empty;
        const ContentRows& rows =
            files ? (currentFilesDataSource_ ? *currentFilesDataSource_ : empty) : folderDataSource_;
        const std::vector<size_t> dirty = updateTable(files, rows);
        if (dirty.empty()) continue;
        QVariantList indexes;
        for (size_t i : dirty) indexes.append(qulonglong(i));
        NotificationCenter::defaultCenter().post(kContentRowsNeedRedrawNotification, this,
                                                 {{"table", files ? 1 : 0}, {"rows", indexes}});
    }

    if (collectionID_ >= 0 && analysisInvalidFlash_ != 0 &&
        lastFullUpdateTick_ > analysisInvalidFlash_) {
        analysisInvalidFlash_ = lastFullUpdateTick_ + kFlashPeriod;
        refreshButtonTag_ = refreshButtonTag_ ? 0 : 1;
    }
}

void ContentUI::setVisibleRows(bool files, size_t first, size_t count) {
    (files ? visibleFiles_ : visibleFolders_) = {first, count};
}

std::vector<size_t> ContentUI::updateTable(bool files, const ContentRows& rows) {
    const auto [first, count] = files ? visibleFiles_ : visibleFolders_;
    std::vector<size_t> dirty;
    const size_t end = count > rows.size() - std::min(first, rows.size())
                           ? rows.size()
                           : first + count;
    ContentSyncServices& sync = ContentSyncServices::shared();
    for (size_t i = first; i < end; ++i) {
        ContentTableRow& row = *rows[i];
        if (row.redrawIncrement == row.uiRedrawIncrement) continue;
        if (files) row.fileDetail = sync.fetchFileDetail(row);
        row.uiRedrawIncrement = row.redrawIncrement;
        dirty.push_back(i);
    }
    return dirty;
}

void ContentUI::updateHeaderTitle(const KeloObject* kelo) {
    headerTitle_ = HeaderTitle();
    if (!kelo || kelo->address() == 0 || kelo->collectionID() < 0) return;
    const int32_t id = kelo->collectionID();
    headerTitle_.collection = collectionIdToString(id);
    ContentCollection* collection = contentCollection(id);
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    const QStringList valid = services().validServersForCollection(id);
    if (analysis && valid != analysis->serverNames && analysisInvalidFlash_ == 0)
        needsRescan_ = forceRescan_ = true;
    const std::shared_ptr<ContentMember> member =
        analysis ? analysis->memberWithName(kelo->name()) : nullptr;
    if (!member) return;
    headerTitle_.server = member->isMaster ? "master" : "member";
    QStringList unavailable = ContentSyncServices::shared().unavailableDatabasesForCollection(id);
    for (const QString& name : valid)
        if (!analysis->serverNames.contains(name)) unavailable << name;
    qsizetype count = unavailable.size();
    for (const QString& error : analysis->errors) {
        ++count;
        for (const QString& name : unavailable)
            if (error.contains(name)) --count;
    }
    if (analysis->isStale)
        headerTitle_.offline = "stale";
    else if (count != 0)
        headerTitle_.offline = QString("%1 unavailable").arg(count);
}

void ContentUI::selectKeloObject(KeloObject* kelo) {
    selectedKeloChanged_ = true;
    updateIsActive();
    if (!isActive_) return;
    selectedKeloChanged_ = false;
    updateMasterStatus();
    updateSelectedServer();
    const int32_t id = ContentSyncServices::shared().collectionIDForKelo(kelo);
    const int32_t pending = pendingAnalysis_ ? pendingAnalysis_->collectionID : -1;
    if (id < 0) {
        forceRescan_ = true;
    } else if (id != pending) {
        needsRescan_ = true;
    } else if (id == collectionID_) {
        if (forceRescan_ || analysisInvalidFlash_ != 0) forceRescan_ = needsRescan_ = true;
    } else {
        needsRescan_ = true;
    }
    fullRedrawNeeded_ = true;
    updateTables();
    updateHeaderTitle(kelo);
}

void ContentUI::updateVisibleKeloes(bool force) {
    KlE_Control_Status* net = network();
    if (!net) return;
    ContentAnalysis* analysis = shownAnalysis();
    const QString selectedName = services().selectedServerName();
    const bool followsSelection = analysis && analysis->selectedMember &&
                                  analysis->selectedMember->name == selectedName;
    if (followsSelection) {
        bool changed = false;
        for (const auto& [name, kelo] : net->keloes()) {
            if (kelo->collectionID() == -1 && analysis->memberWithName(name)) {
                changed = true;
                continue;
            }
            if (kelo->collectionID() != collectionID_ && !changed) continue;
            ServerChanges* seen = changeIncrementsDict_.changesForKelo(name);
            const ServerChanges now = kelo->changes();
            if (seen->address != now.address || seen->state != now.state ||
                seen->prefsDict != now.prefsDict || seen->server != now.server ||
                seen->network != now.network || seen->name != now.name)
                changed = true;
            *seen = now;
        }
        if (!changed && !force) return;
    }
    if (!(needsRescan_ && forceRescan_)) needsRescan_ = forceRescan_ = true;
    selectKeloObject(selectedName.isEmpty() ? nullptr : net->keloObjectForName(selectedName));
}

void ContentUI::keloStatusChanged() {
    updateVisibleKeloes(false);
}

// --- Analysis, thumbnails, folder entries -------------------------------------------------

void ContentUI::analysisComplete() {
    analysisInvalidFlash_ = 0;
    refreshButtonTag_ = 0;
    KeloContentAnalyser* a = analyser();
    const double now = KeloObject::now();
    if (a->valid()) {
        const std::shared_ptr<ContentAnalysis> done = a->contentAnalysis();
        if (!done) return;
        OmLogNoFlood(kOmLogInfo, "[Content] analysis complete collectionID %d, %d issues\n",
                     done->dict.value(".CollectionID").toInt(),
                     done->dict.value(".IssueCount").toInt());
        rescanDone_ = true;
        completedAnalysis_ = done;
        KlE_Control_Status* net = network();
        const KeloObject* master =
            net && !done->masterName.isEmpty() ? net->keloObjectForName(done->masterName) : nullptr;
        if (!done->masterName.isEmpty() && (!master || master->address() == 0))
            analysisInvalidFlash_ = now + kFlashPeriod;
        return;
    }
    if (a->analysing()) {
        OmLogNoFlood(kOmLogInfo, "[Content] analysis complete but re-analysing\n");
        return;
    }
    const QStringList errors = a->errors();
    OmLogNoFlood(kOmLogInfo, "[Content] analysis complete but has errors %s\n",
                 qPrintable(errors.join(", ")));
    ContentCollection* collection = contentCollection(a->collectionID());
    if (collection && collection->analysis) {
        collection->analysis->errors = errors;
        collection->analysis->isStale = true;
    }
    analysisInvalidFlash_ = now + kFlashPeriod;
}

void ContentUI::KeloThumbnailNotification(const KeloObject* kelo, const QVariantMap& info) {
    if (!kelo || info.value("file").typeId() != QMetaType::QByteArray) return;
    const std::optional<KeloContentID> id =
        KeloContentID::contentWithData(info.value("file").toByteArray());
    ContentCollection* collection = contentCollection(collectionID_);
    if (!id || !collection) return;
    const std::optional<QVariantMap> entry = collection->databaseEntryForContentID(*id, kelo->name());
    if (!entry || !entry->contains("Modified")) return;
    const QString folderKey = KeloContentID::folderKeyForContentID(*id);
    const QByteArray data = info.value("data").toByteArray();
    QVariantMap server = thumbnailCache_.value(kelo->name()).toMap();
    QVariantMap folder = server.value(folderKey).toMap();
    folder.insert(QString::number(id->intValue()),
                  QVariantMap{{"Modified", entry->value("Modified")}, {"data", data}});
    server.insert(folderKey, folder);
    thumbnailCache_.insert(kelo->name(), server);

    const KeloContentID folderID =
        KeloContentID::contentWithType(id->type(), id->ident(), id->folder(), 0);
    for (const ContentTableRowPtr& row : collection->folderRowsForContentID(folderID.intValue())) {
        if (!row->filesDataSource) continue;
        for (const ContentTableRowPtr& file : *row->filesDataSource) {
            if (file->parsedName.contentID() != id) continue;
            file->thumbData = data;
            file->thumbnail = QImage();
            ++file->redrawIncrement;
        }
    }
    QVariantList requests = thumbnailCache_.value(".ThumbRequests").toList();
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const QVariantMap request = requests.at(i).toMap();
        if (uint32_t(request.value("contentID").toLongLong()) != id->intValue() ||
            request.value("keloName").toString() != kelo->name())
            continue;
        requests.removeAt(i);
        thumbnailCache_.insert(".ThumbRequests", requests);
        break;
    }
}

void ContentUI::KeloDatabaseFolderEntryNotification(const KeloObject* kelo,
                                                    const QVariantMap& info) {
    if (!kelo || info.value("file").typeId() != QMetaType::QByteArray) return;
    const std::optional<KeloContentID> id =
        KeloContentID::contentWithData(info.value("file").toByteArray());
    if (!id) return;
    if (id->type() == kPixelMapType && id->folder() == kPixelMapFolder)
        for (const QString& name : pixelMapWantsCallbackForKeloSet_)
            if (name == kelo->name()) PixelMapContentClient::shared().freshDatabaseFolder(info, name);
    if (kelo->collectionID() < 0) return;
    ContentCollection* collection = contentCollection(kelo->collectionID());
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    if (!analysis) return;
    const ContentRows rows = collection->folderRowsForContentID(id->intValue());
    if (rows.empty()) return;
    const ContentTableRowPtr first = rows.front();
    const QString key = first->masterFolder ? first->masterFolder->SelfRefKey() : QString();
    KlE_Control_Status* net = network();
    std::shared_ptr<ContentTransfer> awaited;
    bool allAnswered = true;
    for (const std::shared_ptr<ContentMember>& member : analysis->members) {
        if (key.isEmpty()) {
            OmLogNoFlood(kOmLogError, "[Content] ignoring deleted folder\n");
            continue;
        }
        if (member->name == kelo->name()) {
            if (info.contains("data"))
                member->dbase.insert(key, info.value("data"));
            else
                member->dbase.remove(key);
            const auto waiting = member->waitingForDbFolders.find(key);
            if (waiting != member->waitingForDbFolders.end()) {
                awaited = waiting->second;
                member->waitingForDbFolders.erase(waiting);
            }
            continue;
        }
        if (!member->waitingForDbFolders.count(key)) continue;
        const KeloObject* other = net ? net->keloObjectForName(member->name) : nullptr;
        const bool online = other && other->address() != 0 &&
                            other->collectionID() == analysis->collectionID;
        if (online)
            allAnswered = false;
        else
            member->waitingForDbFolders.clear();
    }
    if (!allAnswered || key.isEmpty()) return;

    ContentSyncServices::shared().continueScanAllServers();
    const QVariantList oldPaths = first->masterFolder->Paths();
    const std::shared_ptr<MasterFolder> oldFolder = first->masterFolder;
    KeloContentAnalyser::updateAnalysisForFolder(*oldFolder, analysis);
    const std::shared_ptr<MasterFolder> fresh = analysis->masterFolder(key);
    for (const ContentTableRowPtr& row : rows) {
        std::shared_ptr<MasterFolder> folder = fresh;
        if (!folder) {
            if (!row->masterFolder || row->masterFolder->MemberOnlyKey() != oldFolder->MemberOnlyKey())
                continue;
            folder = oldFolder;
        }
        row->masterFolder = folder;
        ++row->filesDataSourceIncrement;
        updateFilesDataSourceIfNeeded(*row);
        if (awaited && collection->syncUpdater && collection->syncUpdater->syncActiveTransfers()) {
            ContentTransferUpdater& updater = *collection->syncUpdater;
            const auto active = updater.syncActiveTransfers()->find(awaited->transferKey());
            if (active != updater.syncActiveTransfers()->end()) {
                (*updater.syncOldTransfers())[active->first] = active->second;
                updater.syncActiveTransfers()->erase(active);
            }
        }
        collection->completeSyncProgressForFldrRow(*row);
        if (row->needsSync()) KeloContentAnalyser::updateAnalysisForFolder(*row->masterFolder, analysis);
    }
    if (!fresh || oldPaths != fresh->Paths()) {
        updateSelectedServer();
        fullRedrawNeeded_ = true;
        updateTables();
    }
}

// --- Sync state and whole collections -----------------------------------------------------

int ContentUI::syncStateForKelo(const KeloObject* kelo) {
    if (!kelo || kelo->collectionID() < 0) return 0;
    ContentCollection* collection = contentCollection(kelo->collectionID());
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    const bool running = collection && lastTransferAgentTime_ != 0 &&
                         lastFullUpdateTick_ - lastTransferAgentTime_ < kRunningTransferWindow &&
                         collection->hasActiveTransfers() && collection->fileTransferCurrent >= 0;
    const QString name = kelo->name();
    if (running) {
        const std::shared_ptr<ContentMember> member =
            analysis ? analysis->memberWithName(name) : nullptr;
        if (analysis && name == analysis->masterName) return 3;
        const bool receiver =
            collection->currentSlaveIps.contains(QString::number(kelo->realEthernetAddress())) ||
            collection->currentSlaveIps.contains(QString::number(kelo->address()));
        if (!receiver) {
            if (collection->currentBackwardsSync == name) return 6;
            return collection->currentBackwardsSync.isEmpty() ? 1 : 0;
        }
        if (!member || member->resetCount < kBusyResets || collection->currentSlaveIps.size() == 1)
            return 3;
        if (member->resetPercentage > 0.8f) return 4;
        if (member->resetPercentage > 0.5f) return 5;
        return 3;
    }
    if (!analysis || !isVisible_) return 0;
    if (!analysis->memberWithName(name)) return 1;
    for (const QString& error : analysis->errors)
        if (error.contains(name)) return 1;
    return 2;
}

bool ContentUI::isKeloSyncing(const KeloObject* kelo) {
    const int state = syncStateForKelo(kelo);
    return state >= 3 && state <= 5;
}

bool ContentUI::syncAllContent(const KeloObject* kelo, bool dryRunOnly) {
    ContentCollection* collection = contentCollection(collectionID_);
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    if (!kelo || !analysis || kelo->name() != analysis->masterName) return false;
    ContentRows folders;
    for (int type = 0; type < kFolderTypes; ++type)
        if (const std::shared_ptr<ContentRows> rows = collection->folderDataSourceForType(type))
            for (const ContentTableRowPtr& row : *rows)
                if (row->isWatched && row->needsSync()) folders.push_back(row);
    if (!dryRunOnly) syncFolders(folders, false);
    return !folders.empty();
}

void ContentUI::requestPixelMapFilesForKeloSet(const std::vector<KeloObject*>& keloes) {
    pixelMapWantsCallbackForKeloSet_.clear();
    const KeloContentID folder = KeloContentID::contentWithType(kPixelMapType, 0, kPixelMapFolder, 0);
    for (KeloObject* kelo : keloes) {
        if (!kelo) continue;
        pixelMapWantsCallbackForKeloSet_.push_back(kelo->name());
        kelo->fetchDatabaseFolderEntry(folder.contentRef());
    }
}

float ContentUI::assertFloatPref(const QString& key, float min, float max, float dflt) {
    bool ok = false;
    const float value = masterSettings_.value(key).toFloat(&ok);
    if (ok && value >= min && value <= max) return value;
    masterSettings_.insert(key, dflt);
    commitMasterSettings();
    return dflt;
}

int ContentUI::assertIntPref(const QString& key, int min, int max, int dflt) {
    bool ok = false;
    const int value = masterSettings_.value(key).toInt(&ok);
    if (ok && value >= min && value <= max) return value;
    masterSettings_.insert(key, dflt);
    commitMasterSettings();
    return dflt;
}
