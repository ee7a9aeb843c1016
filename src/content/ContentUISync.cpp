// The Content tab's folder and file synchronisation: a sync job's passes
// over its folders, the receivers each file can go to, the newer-file
// question, and the requests handed to the transfer agent.

#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "foundation/OmLog.h"
#include "foundation/VNSDateCategory.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QFileInfo>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kIssueNewerOnMember = 0x0002;
constexpr int kIssueNewerOnMaster = 0x0004;
constexpr int kIssueFinderPermissions = 0x0200;
constexpr int kIssueUndefinedVolume = 0x2000;
constexpr int kBackwardsToAll = 23;
constexpr double kPauseAfterBatch = 3.5;  // seconds the agent waits after a batch

// The server an issue entry names: the text after its first blank; null
// when there is no blank or nothing follows it.
QString issueKeloName(const QString& entry) {
    const qsizetype blank = entry.indexOf(' ');
    if (blank < 0 || blank + 1 >= entry.size()) return {};
    return entry.mid(blank + 1);
}

QString detailDate(const QVariant& modified) {
    if (modified.typeId() == QMetaType::QDateTime) {
        const QDateTime date = modified.toDateTime();
        return relativeDateString(date) + ", " +
               QLocale::c().toString(date.toLocalTime(), "MMM dd, yyyy HH:mm:ss t");
    }
    if (modified.typeId() == QMetaType::QString) return modified.toString();
    return {};
}

QString lastPathComponent(const QString& path) {
    return path.section('/', -1);
}

}  // namespace

void ContentUI::setBitRate(const ContentBitRate& rate) {
    bitRate_ = rate.rounded();
    bitRate_.store(masterSettings_);
    commitMasterSettings();
}

KeloContentTransferAgent* ContentUI::transferAgent() {
    if (agent_) return agent_;
    // Lives for the process: its thread may still post while the program ends.
    static auto* agent = new KeloContentTransferAgent;
    return agent;
}

void ContentUI::syncFolder(const ContentTableRowPtr& folder, bool force, const RowIndexes* rows) {
    ContentDryRunState state;
    syncFolder(folder, force, rows, state);
    state.state = ContentDryRunState::kAsking;
    syncFolder(folder, force, rows, state);
    if (state.state == ContentDryRunState::kCancelled) return;
    state.state = ContentDryRunState::kSending;
    syncFolder(folder, force, rows, state);
}

void ContentUI::syncBackwards(int tag, const ContentTableRowPtr& folder, bool force,
                              const RowIndexes* rows) {
    ContentDryRunState state;
    state.syncBackwards = true;
    state.backwardsTag = tag;
    syncFolder(folder, force, rows, state);
    state.state = ContentDryRunState::kAsking;
    syncFolder(folder, force, rows, state);
    if (state.state == ContentDryRunState::kCancelled) return;
    state.state = ContentDryRunState::kSending;
    syncFolder(folder, force, rows, state);
}

void ContentUI::syncFolders(const ContentRows& folders, bool force) {
    ContentDryRunState state;
    for (;;) {
        for (const ContentTableRowPtr& folder : folders) syncFolder(folder, force, nullptr, state);
        if (state.state == ContentDryRunState::kCancelled ||
            state.state == ContentDryRunState::kSending)
            return;
        state.state = state.state != ContentDryRunState::kCounting ? ContentDryRunState::kSending
                                                                   : ContentDryRunState::kAsking;
    }
}

void ContentUI::syncFolder(const ContentTableRowPtr& folder, bool force, const RowIndexes* rows,
                           ContentDryRunState& state) {
    if (state.state == ContentDryRunState::kSyncFolder ||
        state.state == ContentDryRunState::kSkipFolder)
        state.state = ContentDryRunState::kAsking;
    if (state.state == ContentDryRunState::kCancelled || !folder) return;
    const std::optional<KeloContentID> folderID = folder->parsedName.contentID();
    if (!folderID || !folder->masterFolder) return;
    const bool backwards = state.syncBackwards;
    if (!backwards || folder->isMasterSelected) {
        if (!folder->canTakeSyncAction(force)) return;
    } else if (!folder->canTakeSyncActionBackwards(true)) {
        return;
    }

    ContentCollection* collection = contentCollection(collectionID_);
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    if (!analysis) return;
    QStringList members;
    for (const std::shared_ptr<ContentMember>& member : analysis->members)
        if (member->name != analysis->masterName) members << member->name;
    if (members.isEmpty()) return;
    const QString folderKey = folder->masterFolder->SelfRefKey();
    if (!watchedMediaFolderArray_.contains(folderKey)) return;
    if (!force && !folder->needsSync() && !backwards) return;
    if (!rows) updateFilesDataSourceIfNeeded(*folder);

    const QString selectedName =
        analysis->selectedMember ? analysis->selectedMember->name : QString();
    ContentUIServices& ui = services();
    ContentSyncServices& sync = ContentSyncServices::shared();
    ContentRows candidates;
    const ContentRows files = folder->filesDataSource ? *folder->filesDataSource : ContentRows();
    for (size_t i = 0; i < files.size(); ++i) {
        if (rows && std::find(rows->begin(), rows->end(), i) == rows->end()) continue;
        const ContentTableRowPtr& file = files[i];
        const bool belongs = backwards && !file->isMasterSelected && file->isMemberOnly &&
                             !selectedName.isNull() && file->isMemberOnlyKeloName == selectedName;
        const bool candidate =
            !file->isBuiltIn && (force || file->needsSync() || belongs);
        if (candidate) {
            candidates.push_back(file);
        } else if (backwards && !belongs && state.state == ContentDryRunState::kSending) {
            if (file->isMemberOnly)
                sync.log(kOmLogWarning,
                         QString("Warning: Skipping backwards sync.  Selected file belongs to "
                                 "'%1', which does not match selected '%2'.")
                             .arg(ui.screenNameForKeloWithName(file->isMemberOnlyKeloName),
                                  ui.screenNameForKeloWithName(selectedName)));
            else if (!file->needsSync())
                sync.log(kOmLogWarning,
                         QString("Warning: Skipping backwards sync.  File '%1' already synced.")
                             .arg(file->parsedName.name()));
        }
    }

    KeloContentTransferAgent* agent = transferAgent();
    const int32_t transferKey = agent->transferID();
    if (!candidates.empty() && !userAttemptingToManage(collectionID_, true)) return;

    QVariantList requests;
    QVariantList entries;
    std::vector<KeloContentID> requested;
    QString sender;
    for (const ContentTableRowPtr& file : candidates) {
        const QVariantMap dict = file->parsedName.dict();
        if (!dict.contains("fileRef")) continue;
        const std::optional<KeloContentID> id =
            KeloContentID::contentWithData(dict.value("fileRef").toByteArray());
        if (!id) continue;
        const QStringList valid = validSlavesForFile(*file, members, true);
        if (valid.isEmpty()) continue;
        warnFile(*file, valid, collection, state);
        if (state.state == ContentDryRunState::kCancelled) return;
        if (state.state != ContentDryRunState::kSending) continue;
        if (state.skips(*id)) continue;

        QStringList receivers;
        if (!backwards) {
            sender = analysis->masterName;
            receivers = valid;
        } else {
            sender = selectedName;
            if (!valid.contains(sender)) {
                // Nothing of this pass reaches the agent, so nothing of it
                // goes into the history either.
                sync.log(kOmLogError,
                         QString("Member '%1' is unavailable.  Can't backwards sync.")
                             .arg(ui.screenNameForKeloWithName(sender)));
                return;
            }
            receivers << analysis->masterName;
            if (state.backwardsTag == kBackwardsToAll)
                for (const QString& name : valid)
                    if (name != sender && name != analysis->masterName) receivers << name;
        }
        QVariantMap request{
            {"file", contentIDVariant(*id)},
            {"length", dict.value("length")},
            {"master", sender},
            {"slaves", receivers},
            {"opcode", force ? 1 : 0},
            {"bitRate", int(bitRate_.code())},
        };
        if (backwards) request.insert("backwards_sync", sender);
        QVariantMap entry = request;
        entry.insert("status", qint64(kTransferStatusPending));
        entry.insert("name", file->parsedName.name());
        entry.insert("transfer", transferKey);
        requests.append(request);
        entries.append(entry);
        requested.push_back(*id);
    }
    if (requests.isEmpty()) return;

    // The agent queues nothing for a sender it does not know, or while it
    // is stopping: then the job has not started and leaves no trace.
    KlE_Control_Status* net = network();
    if (!net || !net->keloObjectForName(sender)) {
        OmLogNoFlood(kOmLogWarning, "[Content] no server '%s' to send from\n", qPrintable(sender));
        return;
    }
    lastTransferAgentTime_ = KeloObject::now();
    const int32_t given = agent->performTransfers(requests);
    if (given != transferKey) {
        sync.log(kOmLogWarning, "Transfers are stopping.  Please retry momentarily...");
        return;
    }
    collection->transferFolderDict[transferKey] = folderKey;
    for (const QVariant& entry : entries) collection->appendHistory(entry.toMap());
    collection->updater().addTransfer(
        ContentTransfer::transferWithTasks(requests, folderKey, folderID, transferKey,
                                           collectionID_),
        transferKey);
    OmLogNoFlood(kOmLogDebug, "[Content] Transfer %d files, transferID (%d)\n",
                 int(requests.size()), int(transferKey));
    postHistoryChanged(-1, false);
    markQueued(collection, transferKey, requested);
    agent->pauseAndNotify(kPauseAfterBatch, {{"folderKey", folderKey},
                                             {"collectionID", analysis->collectionID},
                                             {"contentID", contentIDVariant(*folderID)},
                                             {"transferKey", transferKey}});
}

void ContentUI::markQueued(ContentCollection* collection, int32_t transferKey,
                           const std::vector<KeloContentID>& ids) {
    for (const ContentTableRowPtr& folder : collection->folderRowsForTransferKey(transferKey)) {
        if (!folder->filesDataSource) continue;
        bool marked = false;
        for (const ContentTableRowPtr& file : *folder->filesDataSource) {
            const std::optional<KeloContentID>& id = file->parsedName.contentID();
            if (!id || std::find(ids.begin(), ids.end(), *id) == ids.end()) continue;
            file->syncQueued = true;
            ++file->redrawIncrement;
            marked = true;
        }
        if (!marked) continue;
        folder->syncQueued = true;
        ++folder->redrawIncrement;
    }
}

QStringList ContentUI::validSlavesForFile(const ContentTableRow& file, const QStringList& slaves,
                                          bool log) {
    QStringList valid = slaves;
    const QString fullPath = file.parsedName.fullPath();
    KlE_Control_Status* net = network();
    for (const QVariant& item : file.parsedName.dict().value(".ErrArray").toList()) {
        const QString entry = item.toString();
        const int bits = klIntValue(entry);
        if (!(bits & (kIssueFinderPermissions | kIssueUndefinedVolume))) continue;
        const QString name = issueKeloName(entry);
        for (const QString& member : slaves) {
            if (name.isNull() || member != name || !valid.contains(member)) continue;
            valid.removeAll(member);
            if (!log) continue;
            const KeloObject* kelo = net ? net->keloObjectForName(member) : nullptr;
            QString path =
                kelo ? KeloObject::fullPathToFile(fullPath, kelo->contentDatabase()) : QString();
            if (path.isEmpty()) path = fullPath;
            const QString shown = services().screenNameForKeloWithName(member);
            ContentSyncServices& sync = ContentSyncServices::shared();
            if (bits & kIssueFinderPermissions) {
                sync.log(kOmLogError,
                         QString("Cannot sync '%1' file due to Finder permissions.  %2")
                             .arg(shown, path));
            } else if (const qsizetype dot = fullPath.indexOf("./"); dot >= 0) {
                sync.log(kOmLogError, "you must define extra_volumes in /Kelo/KeloSettings.plist");
                sync.log(kOmLogError,
                         QString("Cannot sync '%1' file due to undefined disk extra_volumes "
                                 "tagged '%2'.  %3")
                             .arg(shown, fullPath.left(dot + 2), path));
            }
        }
    }
    return valid;
}

void ContentUI::warnFile(ContentTableRow& file, const QStringList& valid,
                         ContentCollection* collection, ContentDryRunState& state) {
    if (state.state == ContentDryRunState::kSending) return;
    const int bit = state.syncBackwards ? kIssueNewerOnMaster : kIssueNewerOnMember;
    QString newerOn;
    for (const QVariant& item : file.parsedName.dict().value(".ErrArray").toList()) {
        const QString entry = item.toString();
        const QString name = issueKeloName(entry);
        if ((klIntValue(entry) & bit) && !name.isNull() && valid.contains(name)) {
            newerOn = name;
            break;
        }
    }
    if (newerOn.isNull()) return;
    const std::optional<KeloContentID> id = file.parsedName.contentID();
    const auto skip = [&] {
        if (id && !state.skips(*id)) state.skippedContentIDs.push_back(*id);
    };

    switch (state.state) {
    case ContentDryRunState::kCounting:
        ++state.newerFileCount;
        state.newerFileRemaining = state.newerFileCount;
        return;
    case ContentDryRunState::kAsking:
        break;
    case ContentDryRunState::kSkipFolder:
    case ContentDryRunState::kSkipAll:
        skip();
        --state.newerFileRemaining;
        return;
    default:
        --state.newerFileRemaining;
        return;
    }

    const bool backwards = state.syncBackwards;
    ContentSyncServices& sync = ContentSyncServices::shared();
    ContentNewerFileQuestion question;
    question.backwards = backwards;
    question.message = backwards ? "(Backwards Sync)\nOverwrite Newer File?"
                                 : "Overwrite Newer File?";
    question.informative =
        backwards ? "Master file is newer than member." : "Member file is newer than master.";
    question.memberName = newerOn;

    const QVariantMap here = sync.fetchFileDetail(file);
    const QString otherName =
        backwards ? lastPathComponent(here.value("Path").toString()) : file.parsedName.name();
    const QString otherDate = detailDate(here.value("Modified"));
    ContentAnalysis* analysis = collection ? collection->analysis.get() : nullptr;
    QVariantMap there;
    if (analysis) {
        const std::shared_ptr<ContentMember> selected = analysis->selectedMember;
        const bool masterSelected = file.isMasterSelected;
        analysis->selectedMember = analysis->memberWithName(backwards ? analysis->masterName
                                                                      : newerOn);
        file.isMasterSelected = backwards;
        ++file.redrawIncrement;
        there = sync.fetchFileDetail(file);
        file.isMasterSelected = masterSelected;
        analysis->selectedMember = selected;
        ++file.redrawIncrement;
        sync.fetchFileDetail(file);
    }
    QString thereName = there.value("Path").toString();
    if (thereName.isEmpty()) thereName = "?";
    const QString thereDate = detailDate(there.value("Modified"));
    if (backwards) {
        question.memberFile = otherName;
        question.memberModified = otherDate;
        question.masterFile = lastPathComponent(thereName);
        question.masterModified = thereDate;
    } else {
        question.memberFile = lastPathComponent(thereName);
        question.memberModified = thereDate;
        question.masterFile = otherName;
        question.masterModified = otherDate;
    }
    question.remaining = state.newerFileRemaining;
    question.applyToThisFile = "to this file";
    question.applyToAll =
        QString("to all newer files (%1 remaining)").arg(state.newerFileRemaining);
    question.applyToAllInFolder =
        QString("to all newer files in folder '%1'")
            .arg(file.masterFolder ? file.masterFolder->foldername() : QString());

    const ContentNewerFileAnswer answer = sync.askOverwriteNewerFile(question);
    switch (answer.button) {
    case ContentNewerFileAnswer::Sync:
        if (answer.scope == ContentNewerFileAnswer::AllNewerFiles)
            state.state = ContentDryRunState::kSyncAll;
        else if (answer.scope == ContentNewerFileAnswer::AllInFolder)
            state.state = ContentDryRunState::kSyncFolder;
        break;
    case ContentNewerFileAnswer::Skip:
        if (answer.scope == ContentNewerFileAnswer::AllNewerFiles)
            state.state = ContentDryRunState::kSkipAll;
        else if (answer.scope == ContentNewerFileAnswer::AllInFolder)
            state.state = ContentDryRunState::kSkipFolder;
        skip();
        break;
    case ContentNewerFileAnswer::Cancel:
        state.state = ContentDryRunState::kCancelled;
        break;
    }
    --state.newerFileRemaining;
}

void ContentUI::changedSelectedFolder(const RowIndexes& rows) {
    ContentTableRowPtr selected;
    if (rows.size() == 1 && rows.front() < folderDataSource_.size() &&
        !folderDataSource_[rows.front()]->isSeparatorRow)
        selected = folderDataSource_[rows.front()];
    folderSelection_ = rows;
    if (selected) {
        fleetingRefFolder_ = selected->copy();
        fleetingRefFolder_->filesDataSource = nullptr;
    } else {
        fleetingRefFolder_ = nullptr;
    }
    ContentSyncServices& sync = ContentSyncServices::shared();
    sync.updateFolderDetailView();
    if (selected) {
        ++selected->filesDataSourceIncrement;
        if (!updateFilesDataSourceIfNeeded(*selected)) {
            fileSelection_.clear();
            currentFilesDataSource_ = selected->filesDataSource;
        }
    } else {
        // One shared empty list, so that the file table's source compares equal.
        static const auto sEmpty = std::make_shared<ContentRows>();
        currentFilesDataSource_ = sEmpty;
        fileSelection_.clear();
    }
    sync.updateFileDetailView();
}
