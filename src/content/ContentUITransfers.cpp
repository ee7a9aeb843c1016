// The Content tab's side of running transfers: the agent's progress
// notifications, its pause between batches, silent transfers, the shared
// progress bar and cancelling everything.

#include "content/ContentDefaults.h"
#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "content/KeloContentAnalyser.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KeloObject.h"

#include <QDebug>

#include <cmath>

namespace {

constexpr double kStaleAfter = 10.0;          // seconds without an agent notification
constexpr size_t kMaxFreshFoldersAfterBatch = 5;
constexpr int kScanCleanUp = 0;               // members clean up after the sync
constexpr int kScanAllServers = 5;
constexpr int kScanResumeAgent = 7;
constexpr double kGigabyte = 1000000000.0;
constexpr double kMegabyte = 1000000.0;
constexpr int kSecondsTitleLimit = 59;
constexpr int kRemainingTimeMargin = 5;  // seconds added to the estimate

QString describe(const QVariantMap& map) {
    QString text;
    QDebug(&text).nospace() << map;
    return text;
}

}  // namespace

std::shared_ptr<ContentTransfer> ContentUI::scanTask(int step, int32_t collectionID) {
    return ContentTransfer::scanTask(step, collectionID);
}

void ContentUI::postHistoryChanged(int32_t row, bool scroll) {
    NotificationCenter::defaultCenter().post(
        kContentHistoryChangedNotification, this,
        {{"collectionID", collectionID_}, {"row", row}, {"scroll", scroll}});
}

void ContentUI::TransferAgentNotification(const QVariantMap& note) {
    ContentSyncServices& sync = ContentSyncServices::shared();
    if (note.contains("forceStop")) {
        sync.log(kOmLogWarning, "Connection down.  State of transfer unknown.");
        return;
    }
    const int32_t id = note.contains("collection") ? note.value("collection").toInt() : -1;
    ContentCollection* collection = contentCollection(id);
    lastTransferAgentTime_ = KeloObject::now();
    const auto transfer = int32_t(note.value("transfer").toLongLong());
    if (!collection) {
        const std::optional<KeloContentID> task = contentIDFromVariant(note.value("task"));
        OmLogNoFlood(kOmLogDebug,
                     "!!!collection uninitialized T/A notification: contentID %08x   transferID "
                     "(%d)   status '%s'   name '%s'\n",
                     task ? task->intValue() : 0u, int(transfer),
                     qPrintable(transferStatusString(uint32_t(note.value("status").toLongLong()))),
                     qPrintable(note.value("name").toString()));
        return;
    }

    const ContentCollection::HistoryChange change =
        collection->handleTransferAgentNotification(note, historyShown_, mbps_);
    if (change.row >= 0 && id == collectionID_) postHistoryChanged(change.row, change.scroll);

    ContentAnalysis* analysis = collection->analysis.get();
    if (collection->syncUpdater && analysis && analysis->collectionID == collectionID_) {
        ContentTransferUpdater& updater = *collection->syncUpdater;
        const auto holds = [&](std::optional<ContentTransferUpdater::Transfers>& set, int32_t key) {
            return set && set->count(key);
        };
        if (holds(updater.staleTransfers(), transfer) ||
            holds(updater.syncOldTransfers(), transfer)) {
            for (const QVariant& item : transferAgent()->tasksQueued()) {
                const QVariantMap task = item.toMap();
                if (!task.contains("transfer") || !task.contains("file")) continue;
                if (task.contains("master") &&
                    task.value("master").toString() != analysis->masterName) {
                    cancelAllTransfers();
                    return;
                }
                const auto key = int32_t(task.value("transfer").toLongLong());
                std::shared_ptr<ContentTransfer> record;
                for (auto* set : {&updater.staleTransfers(), &updater.syncOldTransfers()}) {
                    if (record || !*set) continue;
                    const auto it = (*set)->find(key);
                    if (it != (*set)->end()) record = it->second;
                }
                const ContentRows folders = collection->folderRowsForTransferKey(key);
                if (record) {
                    updater.addTransfer(record, key);
                    updater.staleTransfers()->erase(key);
                    updater.syncOldTransfers()->erase(key);
                    for (const ContentTableRowPtr& folder : folders)
                        updateFilesDataSourceIfNeeded(*folder);
                }
                const std::optional<KeloContentID> file = contentIDFromVariant(task.value("file"));
                if (file) markQueued(collection, key, {*file});
            }
        }
    }

    collection->finishTransferAgentNotification(note,
                                                collection->folderRowsForTransferKey(transfer));
    const int mbps = note.value("mbps").toInt();
    if (note.contains("mbps") && mbps != 0) progressMbps(mbps);
    if (std::floor(lastFullUpdateTick_) != std::floor(lastSecond_)) {
        lastSecond_ = lastFullUpdateTick_;
        filesPerSecondSample_ = collection->filesPerSecond;
        collection->filesPerSecond = 0;
    }
}

void ContentUI::TransferAgentPauseNotification(const QVariantMap& info) {
    OmLogNoFlood(kOmLogDebug, "[Content] TransferAgentPauseNotification %s\n",
                 qPrintable(describe(info)));
    const int32_t id = info.contains("collectionID") ? info.value("collectionID").toInt() : -1;
    ContentCollection* collection = contentCollection(id);
    if (!collection) return;
    collection->pauseTime = KeloObject::now();
    const QString folderKey = info.value("folderKey").toString();
    const std::shared_ptr<ContentTransfer> record = ContentTransfer::transferWithTasks(
        {}, folderKey, contentIDFromVariant(info.value("contentID")),
        info.value("transferKey").toInt(), id);
    collection->freshFolders.clear();
    if (fleetingRefFolder_) collection->freshenFolder(*fleetingRefFolder_);

    if (transferAgent()->queueLengthForTransferID(0, 0) == 0) {
        scanAllServersTasks_.insert(scanAllServersTasks_.begin(), scanTask(kScanCleanUp, id));
        if (record->contentID()) collection->freshFolders[folderKey] = record;
        if (collection->syncUpdater) {
            ContentTransferUpdater& updater = *collection->syncUpdater;
            for (auto* set : {&updater.syncActiveTransfers(), &updater.syncOldTransfers()}) {
                if (!*set) continue;
                for (const auto& [key, transfer] : **set) {
                    if (collection->freshFolders.size() >= kMaxFreshFoldersAfterBatch) break;
                    collection->freshFolders.try_emplace(transfer->folderKey(), transfer);
                }
            }
        }
        freshenMarkedFolders(collection);
    } else if (record->contentID()) {
        scanAllServersTasks_.push_back(record);
    }
    if (scanAfterEachTransfer_) scanAllServersTasks_.push_back(scanTask(kScanAllServers, id));
    scanAllServersTasks_.push_back(scanTask(kScanResumeAgent, id));
    ContentSyncServices::shared().continueScanAllServers();
}

void ContentUI::checkStaleTransfers() {
    ContentCollection* collection = contentCollection(collectionID_);
    if (!collection || !collection->analysis || analyser()->analysing()) return;
    if (lastTransferAgentTime_ == 0 || lastFullUpdateTick_ <= lastTransferAgentTime_ + kStaleAfter)
        return;
    if (VTaskManager::wasRecentlyStuckOnBreakpoint() || !collection->syncUpdater) return;
    ContentTransferUpdater& updater = *collection->syncUpdater;
    if (!updater.staleTransfers()) return;
    auto& stale = *updater.staleTransfers();
    if (!transferAgent()->isActive()) stale.clear();
    auto& active = *updater.syncActiveTransfers();
    auto& old = *updater.syncOldTransfers();
    if (!active.empty() || !old.empty()) {
        for (auto* set : {&active, &old}) {
            for (const auto& [key, transfer] : *set) stale[key] = transfer;
            set->clear();
        }
        collection->updateStaleTransfers();
    }
    if (scanAllServersTasks_.empty()) collection->freshFolders.clear();
    const ContentTransferUpdater::Transfers records = stale;
    for (const auto& [key, transfer] : records) {
        updater.completeSyncForTransferID(key);
        for (const ContentTableRowPtr& folder : collection->folderRowsForTransferKey(key))
            collection->completeSyncProgressForFldrRow(*folder);
    }
}

QString ContentUI::remainingTimeTitle(double queuedBytes, int mbps) {
    const double byteRate = double(mbps) * 1000000.0 / 10.0;
    if (byteRate <= 1000.0) return {};
    const double seconds = std::trunc(queuedBytes / byteRate);
    if (!(seconds >= 1) || !std::isfinite(seconds)) return {};
    const double withMargin = seconds + kRemainingTimeMargin;
    if (withMargin <= kSecondsTitleLimit)
        return QString::asprintf("< %d sec left", int(withMargin));
    return QString::asprintf("< %lld min left", static_cast<long long>(withMargin / 60) + 1);
}

void ContentUI::progressMbps(int mbps) {
    mbps_ = float(mbps);
    const QString title = remainingTimeTitle(qLen_, mbps);
    if (!title.isEmpty()) progress_.title = title;
}

ContentUI::ProgressDisplay ContentUI::progressFor(double queued, double highWaterMark,
                                                  const QString& rate) {
    ProgressDisplay shown;
    if (queued <= 0 || highWaterMark <= 0) return shown;
    const double done = highWaterMark - queued;
    shown.visible = true;
    shown.value = done / highWaterMark;
    if (highWaterMark > kGigabyte)
        shown.text = QString("Syncing\t\t\t%1%2of\n%3        %4 GB")
                         .arg(QString::asprintf("%0.2f", done / kGigabyte),
                              QString(5, QChar(0x200A)), rate,
                              QString::asprintf("%0.2f", highWaterMark / kGigabyte));
    else
        shown.text = QString("Syncing\t\t\t%1%2of\n%3        %4 MB")
                         .arg(QString::asprintf("%0.2f", done / kMegabyte),
                              QString(2, QChar(0x200A)) + QString(2, QChar(0x2008)),
                              rate, QString::asprintf("%0.2f", highWaterMark / kMegabyte));
    return shown;
}

void ContentUI::periodicUpdateProgressBar(bool force) {
    const auto queued = double(transferAgent()->queueLengthForTransferID(0, 0));
    if (!force && queued == qLen_) return;
    if (queued == 0) {
        highWaterMark_ = 0;
        qLen_ = 0;
        progress_ = ProgressDisplay();
        return;
    }
    highWaterMark_ = std::max(highWaterMark_, queued);
    qLen_ = queued;
    QString rate;
    if (mbps_ > 0)
        rate = QString::asprintf("%0.1f MBytes/sec", double(mbps_) * 0.125);
    else if (filesPerSecondSample_ >= 2)
        rate = QString::asprintf("%d files/second", filesPerSecondSample_);
    const QString title = progress_.title;
    progress_ = progressFor(queued, highWaterMark_, rate);
    progress_.title = title;
}

void ContentUI::cancelAllTransfers() {
    KeloContentTransferAgent* agent = transferAgent();
    if (agent->isActive()) ContentSyncServices::shared().log(kOmLogInfo, "Cancelling all transfers.");
    agent->stop();
    for (auto& [id, collection] : contentCollections_) {
        collection->cancelAllTransfers();
        collection->freshFolders.clear();
        if (!collection->analysis) continue;
        if (fleetingRefFolder_) collection->freshenFolder(*fleetingRefFolder_);
        if (collection->analysis->collectionID == collectionID_)
            freshenMarkedFolders(collection.get());
    }
    NotificationCenter::defaultCenter().post(
        kContentHistoryChangedNotification, this,
        {{"collectionID", collectionID_}, {"row", -1}, {"scrollToLast", true}});
}
