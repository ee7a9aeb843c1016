// The transfer side of a collection: its history entries, the sync marks of
// its rows and its transfer records, as the agent's notifications move them.

#include "content/ContentCollection.h"
#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "foundation/OmLog.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QDateTime>

#include <algorithm>

namespace {

// Files above this many bytes report a rate; smaller ones count as files.
constexpr qint64 kRateReportMinLength = 100001;
// Retransmissions below this are normal and not worth a notice.
constexpr int64_t kResetNoticeCount = 11;
constexpr double kReanalyzeDelay = 2.0;  // seconds after a folder completes
constexpr int64_t kReferenceDateEpoch = 978307200;  // 2001-01-01 in Unix seconds

QString clockText(double referenceSeconds) {
    return QDateTime::fromMSecsSinceEpoch(
               qint64((referenceSeconds + double(kReferenceDateEpoch)) * 1000.0))
        .toLocalTime()
        .toString("HH:mm:ss");
}

uint32_t statusOf(const QVariantMap& map) {
    return uint32_t(map.value("status").toLongLong());
}

bool isRunningStatus(uint32_t status) {
    return status == kTransferStatusStarted || status == kTransferStatusProgress;
}

}  // namespace

void ContentCollection::appendHistory(const QVariantMap& entry) {
    fileTransferList.append(entry);
    const qsizetype excess = fileTransferList.size() - kMaxTransferHistory;
    if (excess <= 0) return;
    fileTransferList.remove(0, excess);
    if (fileTransferCurrent >= 0)
        fileTransferCurrent = fileTransferCurrent >= excess ? int32_t(fileTransferCurrent - excess) : -1;
}

ContentTransferUpdater& ContentCollection::updater() {
    if (!syncUpdater) syncUpdater = std::make_unique<ContentTransferUpdater>();
    return *syncUpdater;
}

bool ContentCollection::hasActiveTransfers() const {
    return syncUpdater && syncUpdater->syncActiveTransfers() &&
           !syncUpdater->syncActiveTransfers()->empty();
}

ContentCollection::HistoryChange ContentCollection::handleTransferAgentNotification(
    const QVariantMap& note, bool historyShown, float mbps) {
    const double now = KeloObject::now();
    lastTransferAgentTimeForCollection = now;
    HistoryChange change;
    const uint32_t status = statusOf(note);
    const std::optional<KeloContentID> task = contentIDFromVariant(note.value("task"));
    const qint64 transfer = note.value("transfer").toLongLong();
    const qsizetype count = fileTransferList.size();
    if (count == 0 || !task) return change;

    qsizetype index = -1;
    qsizetype i = std::max<qsizetype>(fileTransferCurrent - 2, 0);
    if (i >= count) i = 0;
    for (qsizetype looked = 0; looked < count; ++looked, i = (i + 1) % count) {
        const QVariant& item = fileTransferList.at(i);
        if (item.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap candidate = item.toMap();
        if (!candidate.contains("transfer") ||
            candidate.value("transfer").toLongLong() != transfer)
            continue;
        const auto file = contentIDFromVariant(candidate.value("file"));
        if (file && *file == *task) {
            index = i;
            break;
        }
    }
    if (index < 0) return change;

    QVariantMap entry = fileTransferList.at(index).toMap();
    entry.insert("status", qint64(status));
    bool justStarted = false;
    if (isRunningStatus(status)) {
        if (!entry.contains("started")) {
            justStarted = true;
            entry.insert("started", clockText(now));
            const QVariantMap taskDictionary = note.value("taskDictionary").toMap();
            currentSlaveIps.clear();
            for (const QVariant& ip : taskDictionary.value("slave_ips").toList())
                currentSlaveIps << QString::number(uint32_t(ip.toLongLong()));
            currentBackwardsSync = taskDictionary.value("backwards_sync").toString();
        }
    } else {
        entry.insert("ended", clockText(now));
        currentSlaveIps.clear();
        currentBackwardsSync.clear();
    }
    if (note.contains("progress")) entry.insert("progress", note.value("progress"));
    if (note.contains("reportFlags")) entry.insert("reportFlags", note.value("reportFlags"));
    fileTransferCurrent = isRunningStatus(status) ? int32_t(index) : -1;

    if (note.contains("receivers")) {
        const QVariantList receivers = note.value("receivers").toList();
        entry.insert("receivers", receivers);
        if (entry.value("length").toLongLong() >= kRateReportMinLength) {
            entry.insert("sMbps", mbps);
            filesPerSecond = 0;
        } else if (status == kTransferStatusSent) {
            ++filesPerSecond;
        }
        int64_t largest = 0;
        uint32_t largestAddress = 0;
        for (const QVariant& r : receivers) {
            const QVariantMap receiver = r.toMap();
            const int64_t resets = receiver.value("resetCount").toLongLong();
            if (resets > largest) {
                largest = resets;
                largestAddress = uint32_t(receiver.value("address").toLongLong());
            }
        }
        if (analysis) {
            for (const std::shared_ptr<ContentMember>& member : analysis->members) {
                member->resetCount = 0;
                member->resetPercentage = 0;
                if (largest <= 0) continue;
                for (const QVariant& r : receivers) {
                    const QVariantMap receiver = r.toMap();
                    if (member->address == 0 ||
                        uint32_t(receiver.value("address").toLongLong()) != member->address)
                        continue;
                    const int64_t resets =
                        std::clamp<int64_t>(receiver.value("resetCount").toLongLong(), 0, largest);
                    member->resetCount = int32_t(std::min<int64_t>(resets, INT32_MAX));
                    member->resetPercentage = float(double(resets) / double(largest));
                }
            }
        }
        if (largest >= kResetNoticeCount) {
            KlE_Control_Status* net = network();
            const KeloObject* kelo = net ? net->keloObjectForAddress(largestAddress) : nullptr;
            const QString shown =
                kelo ? ContentUI::services().screenNameForKeloWithName(kelo->name()) : QString();
            if (!shown.isEmpty()) {
                const QString notice = QString("Kelo '%1' needed %2 retransmits.")
                                           .arg(shown)
                                           .arg(largest);
                ContentSyncServices::shared().log(kOmLogInfo, notice);
                entry.insert("resetCount", notice);
            }
        }
    }
    fileTransferList[index] = entry;

    change.row = int32_t(index);
    const bool ended = !isRunningStatus(status);
    if (historyShown && (justStarted || (ended && status != kTransferStatusAborted)))
        change.scroll = !ContentSyncServices::shared().isMouseInsideHistory();
    return change;
}

void ContentCollection::finishTransferAgentNotification(const QVariantMap& note,
                                                        const ContentRows& folders) {
    const uint32_t status = statusOf(note);
    const QString name = note.value("name").toString();
    const std::optional<KeloContentID> task = contentIDFromVariant(note.value("task"));
    const QByteArray statusText = transferStatusString(status).toLatin1();
    if (status != kTransferStatusProgress) {
        OmLogNoFlood(kOmLogDebug,
                     "T/A notification: contentID %08x   transferID (%d)   status '%.4s'   "
                     "name '%s'\n",
                     task ? task->intValue() : 0u, int(note.value("transfer").toLongLong()),
                     statusText.constData(), qPrintable(name));
        struct Report {
            uint32_t status;
            OmLogLevel level;
            const char* text;
        };
        static const Report reports[] = {
            {kTransferStatusFailed, kOmLogError,
             "Transfer of file '%1' failed to one or more receiving members"},
            {kTransferStatusAborted, kOmLogError, "Transfer of file '%1' was aborted\t"},
            {kTransferStatusRejected, kOmLogError,
             "File '%1' was rejected by one or more receiving members"},
            {kTransferStatusConflict, kOmLogWarning,
             "Conflict with file '%1' resolved on one or more receiving members"},
            {kTransferStatusMoved, kOmLogWarning,
             "File '%1' was moved or renamed on one or more receiving members"},
            {kTransferStatusSame, kOmLogWarning, "File '%1' is the same on all receiving members"},
        };
        for (const Report& report : reports)
            if (report.status == status)
                ContentSyncServices::shared().log(report.level, QString(report.text).arg(name));
    }

    bool matched = false;
    const double now = KeloObject::now();
    for (const ContentTableRowPtr& folder : folders) {
        int queued = 0;
        int complete = 0;
        if (folder->filesDataSource) {
            for (const ContentTableRowPtr& file : *folder->filesDataSource) {
                if (file->parsedName.name() == name) {
                    matched = true;
                    ++file->redrawIncrement;
                    if (status == kTransferStatusSent || status == kTransferStatusRejected) {
                        file->syncProgress = 1.0f;
                        file->syncComplete = true;
                    } else if (status == kTransferStatusStarted) {
                        file->syncProgress = 0.01f;
                        ++file->syncAnimatingStep;
                    } else if (status == kTransferStatusProgress) {
                        file->syncProgress =
                            std::clamp(note.value("progress").toFloat(), 0.0f, 1.0f);
                        ++file->syncAnimatingStep;
                    } else if (status == kTransferStatusAborted) {
                        resetSyncForRow(*file);
                    } else {
                        OmLogNoFlood(kOmLogError, "Transfer?? '%.4s' %s\n", statusText.constData(),
                                     qPrintable(name));
                    }
                }
                if (file->syncQueued) ++queued;
                if (file->syncComplete) ++complete;
            }
        }
        // A folder with nothing queued has nothing left to wait for.
        folder->syncProgress = queued ? float(complete) / float(queued) : 1.0f;
        if (queued == complete)
            folder->syncTimeToReanalyze = now + kReanalyzeDelay;
        else
            ++folder->syncAnimatingStep;
        ++folder->redrawIncrement;
    }
    if (!matched)
        OmLogNoFlood(kOmLogWarning, "!!! warning: transfer for unrecognized transferID %lld\n",
                     note.value("transfer").toLongLong());
}

void ContentCollection::resetSyncForRow(ContentTableRow& row) {
    row.syncQueued = false;
    row.syncComplete = false;
    row.syncProgress = 0;
    row.syncAnimating = false;
    row.syncAnimatingStep = 0;
    ++row.redrawIncrement;
}

void ContentCollection::completeSyncProgressForFldrRow(ContentTableRow& row) {
    if (row.masterFolder && syncUpdater &&
        syncUpdater->isFolderActive(row.masterFolder->SelfRefKey()))
        return;
    resetSyncForRow(row);
    if (row.isFolder && row.filesDataSource)
        for (const ContentTableRowPtr& file : *row.filesDataSource) resetSyncForRow(*file);
}

void ContentCollection::updateStaleTransfers() {
    if (fileTransferCurrent < 0) return;
    for (qsizetype i = fileTransferCurrent; i < fileTransferList.size(); ++i) {
        if (fileTransferList.at(i).typeId() != QMetaType::QVariantMap) continue;
        QVariantMap entry = fileTransferList.at(i).toMap();
        if (entry.remove("started")) fileTransferList[i] = entry;
    }
}

void ContentCollection::cancelAllTransfers() {
    if (syncUpdater && syncUpdater->syncActiveTransfers()) {
        auto& old = *syncUpdater->syncOldTransfers();
        for (auto& set : {&*syncUpdater->syncActiveTransfers(), &*syncUpdater->staleTransfers()}) {
            for (const auto& [key, transfer] : *set) old[key] = transfer;
            set->clear();
        }
    }
    if (fileTransferCurrent < 0) return;
    for (qsizetype i = fileTransferCurrent; i < fileTransferList.size(); ++i) {
        if (fileTransferList.at(i).typeId() != QMetaType::QVariantMap) continue;
        QVariantMap entry = fileTransferList.at(i).toMap();
        if (statusOf(entry) == kTransferStatusPending) {
            entry.insert("status", qint64(kTransferStatusAborted));
            fileTransferList[i] = entry;
        }
        if (!entry.contains("transfer")) continue;
        for (const ContentTableRowPtr& folder :
             folderRowsForTransferKey(int32_t(entry.value("transfer").toLongLong())))
            completeSyncProgressForFldrRow(*folder);
    }
}
