#pragma once

#include "content/ContentAnalysis.h"
#include "content/ContentBitRate.h"
#include "content/ContentCollection.h"
#include "content/ContentDryRunState.h"
#include "content/ContentTableRow.h"
#include "content/ContentTransfer.h"
#include "content/ContentUIServices.h"
#include "platform/NotificationCenter.h"
#include "serverlink/ChangeIncrementsDict.h"
#include "status/ServerCollections.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class DictHelper;
class KeloContentAnalyser;
class KeloContentTransferAgent;
class KeloObject;
class KlE_Control_Status;
class QObject;

// The old rows of a table being rebuilt, looked up by position and by path,
// so that carrying state over stays linear in the number of rows.
class ContentRowsByPath {
public:
    explicit ContentRowsByPath(const ContentRows* rows);
    // The row at `position` when it has `path`, else the first row with it;
    // null for an empty path.
    ContentTableRow* find(size_t position, const QString& path) const;

private:
    const ContentRows* rows_;
    QHash<QString, ContentTableRow*> first_;
};

// The Content tab's controller, its data side: the content settings in the
// user defaults (per collection the watched folders), the collections met so
// far, this controller's identity as a collection manager, which server is
// selected and whether it is the master, and the folder and file rows built
// from a collection's analysis. The tables show `folderDataSource()` and
// `currentFilesDataSource()` with the selections kept here. It answers the
// Status tab's collection questions (ServerCollectionsContent).
// Main thread only.
class ContentUI : public ServerCollectionsContent {
public:
    // The tab's instance, made on first use.
    static ContentUI* instance();
    // What the window layers installed (ContentUIServices::install).
    static ContentUIServices& services();

    // Reads the content settings and the manager identity. `network` and
    // `analyser`: null take the live network object and the shared analyser.
    explicit ContentUI(KlE_Control_Status* network = nullptr,
                       KeloContentAnalyser* analyser = nullptr);
    ~ContentUI() override;
    ContentUI(const ContentUI&) = delete;
    ContentUI& operator=(const ContentUI&) = delete;

    // --- Collections and settings -------------------------------------------
    void commitMasterSettings();
    // Stores one entry of the content settings and commits them.
    void setMasterSettingsValue(const QString& key, const QVariant& value);
    // "yyyy_MM_dd HH.mm.ss", local time.
    static QString shortDate(const QDateTime& date);
    void getMasterIdentity();
    ContentCollection* contentCollection(int32_t collectionID) const;
    // Replaces any collection under the ID; null for a negative ID.
    ContentCollection* createCollection(int32_t collectionID);
    void loadSettingsForCollectionID(int32_t collectionID);
    void updateMasterStatus();
    void addOrRemoveWatchedFolder(const ContentTableRow& row, bool add);
    ContentTableRowPtr singleSelectedFolder() const;
    // The log panel's entries, copied into every collection's history.
    void logEntryAdded(const QVariantMap& entry);
    void clearLog();

    // --- Folder and file rows ----------------------------------------------
    void updateSelectedServer();
    void updateFolderType(int type, ContentCollection* collection, ContentRows* newDataSource);
    void updateFolderDataSource(ContentRows* newDataSource, const QStringList& keys, int folderType,
                                const QVariantMap& inDict, ContentCollection* collection,
                                const QString& memberOnlyKeloName,
                                const ContentRowsByPath& oldFolderDataSource);
    void preserveDataSource(const ContentRows& rows, int folderType, int32_t collectionID);
    // Carries increments and sync marks from the row's predecessor to the row
    // just appended to `newSource`.
    static void preserveSyncProgressForRow(ContentTableRow& row, const ContentRows& newSource,
                                           const ContentRowsByPath& oldSource);
    ContentRows filesDataSourceForFolder(const ContentTableRow& folder);
    bool updateFilesDataSourceIfNeeded(ContentTableRow& folder);
    void addFileRowToDataSource(ContentRows* dataSource, const ContentTableRow& templateRow,
                                const ContentTableRow& parent, const QVariantMap& fdict,
                                ContentCollection* collection,
                                const ContentRowsByPath& oldFilesDataSource);
    void addConflicts(const QVariantMap& entry, ContentRows* dataSource,
                      const ContentTableRow& fileRow, const ContentTableRow& parent,
                      const QVariantMap& fdict, const ContentRowsByPath& oldFilesDataSource);
    int fileCountForFldrRow(ContentTableRow& folder);
    static bool belongsToFldrRow(const ContentTableRow& folder, const QString& filePath);

    // --- Analysis and database folders --------------------------------------
    // Starts an analysis of the shown collection; false when its gate is shut.
    bool analyse();
    // Queues the collection's marked folders for the scan cycle.
    void freshenMarkedFolders(ContentCollection* collection);

    // --- Synchronisation ------------------------------------------------------
    // Row indexes into a folder row's file rows; null means all of them.
    using RowIndexes = std::vector<size_t>;
    // A forward sync of one folder: counting, asking, then sending.
    void syncFolder(const ContentTableRowPtr& folder, bool force, const RowIndexes* rows);
    // From the selected member to the master (tag 22), and with tag 23 also
    // to the other valid members.
    void syncBackwards(int tag, const ContentTableRowPtr& folder, bool force,
                       const RowIndexes* rows);
    // One pass over one folder, in the job's state.
    void syncFolder(const ContentTableRowPtr& folder, bool force, const RowIndexes* rows,
                    ContentDryRunState& state);
    // One job over several folders: passes over all of them, counting, then
    // asking, then sending, unless the operator cancels.
    void syncFolders(const ContentRows& folders, bool force);
    // The members that can take the file.
    QStringList validSlavesForFile(const ContentTableRow& file, const QStringList& slaves,
                                   bool log);
    // Counts or asks about one file newer on the receiving side.
    void warnFile(ContentTableRow& file, const QStringList& valid, ContentCollection* collection,
                  ContentDryRunState& state);
    void changedSelectedFolder(const RowIndexes& rows);
    // The 16-bit "bitRate" of a request (ContentBitRate::code).
    static uint16_t bandwidthCode(float maxRate, bool autoBitRate) {
        return ContentBitRate{maxRate, autoBitRate}.code();
    }
    // The bandwidth setting, read from the content settings at start-up.
    const ContentBitRate& bitRate() const { return bitRate_; }
    // Keeps the rate the code can carry and saves it; a running transfer
    // keeps its old rate (the caller tells the operator).
    void setBitRate(const ContentBitRate& rate);
    double lastTransferAgentTime() const { return lastTransferAgentTime_; }
    // Null takes the process's agent, made on first use. Not owned.
    void setTransferAgent(KeloContentTransferAgent* agent) { agent_ = agent; }
    KeloContentTransferAgent* transferAgent();

    // --- Transfer progress and history ----------------------------------------
    void TransferAgentNotification(const QVariantMap& note);
    void TransferAgentPauseNotification(const QVariantMap& info);
    void progressMbps(int mbps);
    void periodicUpdateProgressBar(bool force);
    // Stops the agent and cancels every collection's transfers.
    void cancelAllTransfers();
    // Moves the shown collection's records to stale after 10 s of silence.
    void checkStaleTransfers();
    // The shared progress bar as the window shows it.
    struct ProgressDisplay {
        bool visible = false;  // the bar, its text and the cancel button
        double value = 0;      // 0-1
        QString text;          // done and total, with the rate
        QString title;         // remaining time on the bar
        bool operator==(const ProgressDisplay&) const = default;
    };
    const ProgressDisplay& progressDisplay() const { return progress_; }
    // The bar for that many bytes still queued of a batch of `highWaterMark`.
    static ProgressDisplay progressFor(double queued, double highWaterMark, const QString& rate);
    // "< %d sec left" or "< %d min left" for the queue at that rate; empty
    // when the rate or the queue is too small to tell.
    static QString remainingTimeTitle(double queuedBytes, int mbps);
    bool historyShown() const { return historyShown_; }
    void setHistoryShown(bool shown) { historyShown_ = shown; }
    // A step for the scan queue.
    static std::shared_ptr<ContentTransfer> scanTask(int step, int32_t collectionID);
    bool scanAfterEachTransfer() const { return scanAfterEachTransfer_; }
    void setScanAfterEachTransfer(bool scan) { scanAfterEachTransfer_ = scan; }

    // --- Management and take-over ---------------------------------------------
    // 1 when another controller manages the collection, 2 when we may.
    int updateIsAllowedToManage(int32_t collectionID, QVariantMap* otherManager);
    bool userAttemptingToManage(int32_t collectionID, bool isAttemptingSync) override;
    bool setManageContentEnabled(bool enable, int32_t collectionID, bool isAttemptingSync);
    void monitorCollectionID(int32_t collectionID);
    void takeoverCheck();
    // The monitor/manage switch: 0 monitor, 1 manage.
    void monitorOrManageSelected(int segment);
    void KlEManagementNotification(const QVariantMap& info);
    bool shouldSelectedServerBeReady(const KeloObject* kelo);
    int manageSwitchSegment() const { return manageSegment_; }
    bool manageSwitchEnabled() const { return manageEnabled_; }
    double timeOfLastManageAttempt() const { return timeOfLastManageAttempt_; }
    // Where this computer's server daemon keeps its preferences.
    void setDaemonPreferencesPath(const QString& path) { daemonPrefsPath_ = path; }
    // Nanoseconds of the monotonic clock the manager beacons are stamped with.
    void setMachClock(std::function<uint64_t()> clock) { machClock_ = std::move(clock); }

    // --- Refresh cycle --------------------------------------------------------
    // Binds the server link's, agent's and analyser's notifications.
    void observeNotifications();
    // One 0.1 s cycle.
    void timerProc();
    void uiLatency(double scheduled);
    void updateTables();
    void updateIsActive();
    // Which rows of the folder (false) or file (true) table are on screen.
    void setVisibleRows(bool files, size_t first, size_t count);
    // Visible rows whose redraw counter moved; their counters are consumed.
    std::vector<size_t> updateTable(bool files, const ContentRows& rows);
    void updateHeaderTitle(const KeloObject* kelo);
    struct HeaderTitle {
        QString server = "--";  // "master", "member" or "--"
        QString collection;     // the letter
        QString offline;        // "stale" or "%d unavailable"; empty for none
    };
    const HeaderTitle& headerTitle() const { return headerTitle_; }
    // The folder table's content status (0-7).
    int contentStatus() const { return contentStatus_; }
    void updateVisibleKeloes(bool force) override;
    void selectKeloObject(KeloObject* kelo);
    void analysisComplete();
    void keloStatusChanged();
    void KeloThumbnailNotification(const KeloObject* kelo, const QVariantMap& info);
    void KeloDatabaseFolderEntryNotification(const KeloObject* kelo, const QVariantMap& info);
    int syncStateForKelo(const KeloObject* kelo);
    bool isKeloSyncing(const KeloObject* kelo) override;
    bool syncAllContent(const KeloObject* kelo, bool dryRunOnly) override;
    void setPixelMapWantsSession(bool wants) { pixelMapWantsSession_ = wants; }
    void requestPixelMapFilesForKeloSet(const std::vector<KeloObject*>& keloes);
    float assertFloatPref(const QString& key, float min, float max, float dflt);
    int assertIntPref(const QString& key, int min, int max, int dflt);
    // A new analysis of the selected server's collection on the next cycle.
    void requestRescan() { needsRescan_ = forceRescan_ = true; }
    bool needsRescan() const { return needsRescan_; }
    bool forceRescan() const { return forceRescan_; }
    // Set when an analysis finished and waits to be taken by the refresh.
    bool rescanDone() const { return rescanDone_; }
    void setRescanDone(bool done) { rescanDone_ = done; }
    bool selectedKeloChanged() const { return selectedKeloChanged_; }
    bool isActive() const { return isActive_; }
    bool isVisible() const { return isVisible_; }
    double lastFullUpdateTick() const { return lastFullUpdateTick_; }
    double analysisInvalidFlash() const { return analysisInvalidFlash_; }
    void setLastFullUpdateTick(double tick) { lastFullUpdateTick_ = tick; }
    // The refresh button flashes between tag 1 (green) and 0.
    int refreshButtonTag() const { return refreshButtonTag_; }
    // The accordion's marks per folder type: some folder watched, some
    // watched folder out of step.
    struct FolderTypeMarks {
        bool anyWatched = false;
        bool anyNeedsSync = false;
    };
    FolderTypeMarks folderTypeMarks(int type) const;
    // Server name, folder key, content ID value -> {"Modified", "data"};
    // ".ThumbRequests": the outstanding requests {"contentID", "keloName"}.
    QVariantMap& thumbnailCache() { return thumbnailCache_; }

    // --- State -------------------------------------------------------------
    int32_t collectionID() const { return collectionID_; }
    void setCollectionID(int32_t collectionID) { collectionID_ = collectionID; }
    const QVariantMap& masterSettings() const { return masterSettings_; }
    QVariantMap collectionSettings() const;
    const QStringList& watchedMediaFolderArray() const { return watchedMediaFolderArray_; }
    const QString& masterIdentity() const { return masterIdentity_; }
    const ContentRows& folderDataSource() const { return folderDataSource_; }
    std::shared_ptr<ContentRows> currentFilesDataSource() const { return currentFilesDataSource_; }
    ContentTableRowPtr fleetingRefFolder() const { return fleetingRefFolder_; }
    void setFleetingRefFolder(const ContentTableRowPtr& row);
    bool fullRedrawNeeded() const { return fullRedrawNeeded_; }
    void setFullRedrawNeeded(bool needed) { fullRedrawNeeded_ = needed; }
    int selectedFolderType() const { return selectedFolderType_; }
    void setSelectedFolderType(int type) { selectedFolderType_ = type; }
    // Selected rows of the folder and file tables, by index.
    const std::vector<size_t>& folderSelection() const { return folderSelection_; }
    void setFolderSelection(const std::vector<size_t>& rows) { folderSelection_ = rows; }
    const std::vector<size_t>& fileSelection() const { return fileSelection_; }
    void setFileSelection(const std::vector<size_t>& rows) { fileSelection_ = rows; }
    std::shared_ptr<ContentAnalysis> pendingAnalysis() const { return pendingAnalysis_; }
    std::vector<std::shared_ptr<ContentTransfer>>& scanAllServersTasks() {
        return scanAllServersTasks_;
    }
    // The two flags of the selected server, copied into new folder rows.
    static bool masterSelected() { return sMasterSelected; }
    static bool masterValid() { return sMasterValid; }

private:
    ContentTableRowPtr findFolderRow(const ContentTableRow& folder) const;
    void postHistoryChanged(int32_t row, bool scroll);
    void markQueued(ContentCollection* collection, int32_t transferKey,
                    const std::vector<KeloContentID>& ids);
    uint64_t machNow() const;
    QString daemonCITPPort() const;
    KlE_Control_Status* network() const;
    KeloContentAnalyser* analyser() const;
    ContentAnalysis* shownAnalysis() const;
    void storeWatchedList();

    // Main thread only, like the rows they are copied into.
    static bool sMasterSelected;
    static bool sMasterValid;

    KlE_Control_Status* network_;
    KeloContentAnalyser* analyser_;
    int32_t collectionID_ = -1;
    std::map<int32_t, std::unique_ptr<ContentCollection>> contentCollections_;
    QVariantMap masterSettings_;
    QString collectionSettingsKey_;
    QStringList watchedMediaFolderArray_;
    QString masterIdentity_;
    ContentRows folderDataSource_;
    ContentTableRowPtr fleetingRefFolder_;
    bool fullRedrawNeeded_ = false;
    int selectedFolderType_ = 0;
    std::vector<size_t> folderSelection_;
    std::vector<size_t> fileSelection_;
    std::shared_ptr<ContentRows> currentFilesDataSource_;
    std::shared_ptr<ContentAnalysis> pendingAnalysis_;
    std::vector<std::shared_ptr<ContentTransfer>> scanAllServersTasks_;

    // Synchronisation and transfers.
    KeloContentTransferAgent* agent_ = nullptr;
    ContentBitRate bitRate_;
    double lastTransferAgentTime_ = 0;
    bool historyShown_ = true;
    bool scanAfterEachTransfer_ = false;
    ProgressDisplay progress_;
    // The progress display's memory; one tab per program, so members.
    double qLen_ = 0;
    double highWaterMark_ = 0;
    float mbps_ = 0;
    int filesPerSecondSample_ = 0;
    double lastSecond_ = 0;

    // Management.
    int manageSegment_ = 0;
    bool manageEnabled_ = true;
    double timeOfLastManageAttempt_ = 0;
    QString lastComputerName_;
    const KeloObject* lastSelectedServer_ = nullptr;
    double pLoc_ = 0;
    int pLocCount_ = 0;
    QString daemonPrefsPath_;
    std::function<uint64_t()> machClock_;
    std::unique_ptr<QObject> timerContext_;

    // Refresh cycle.
    bool isVisible_ = false;
    bool isActive_ = false;
    bool pixelMapWantsSession_ = false;
    std::vector<QString> pixelMapWantsCallbackForKeloSet_;
    bool selectedKeloChanged_ = false;
    bool needsRescan_ = false;
    bool forceRescan_ = false;
    bool rescanDone_ = false;
    double lastFullUpdateTick_ = 0;
    double analysisInvalidFlash_ = 0;
    double mainThreadLatency_ = 0;
    int contentStatus_ = 1;
    HeaderTitle headerTitle_;
    ChangeIncrementsDict changeIncrementsDict_;
    std::shared_ptr<ContentAnalysis> completedAnalysis_;
    std::pair<size_t, size_t> visibleFolders_{0, SIZE_MAX};
    std::pair<size_t, size_t> visibleFiles_{0, SIZE_MAX};
    QVariantMap thumbnailCache_;
    int refreshButtonTag_ = 0;
    std::map<int, FolderTypeMarks> folderTypeMarks_;
    std::vector<NotificationCenter::Token> observers_;
};

// Writes the object's property list to the path as a binary property list;
// false when it cannot be written.
bool dumpDictHelperPropertyListToDisk(const DictHelper& object, const QString& path);
