#pragma once

#include "content/ContentAnalysis.h"
#include "content/ContentCollection.h"
#include "content/ContentTableRow.h"
#include "content/ContentTransfer.h"
#include "content/ContentUIServices.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class DictHelper;
class KeloContentAnalyser;
class KlE_Control_Status;

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
// `currentFilesDataSource()` with the selections kept here.
// Main thread only.
class ContentUI {
public:
    // The tab's instance, made on first use.
    static ContentUI* instance();
    // What the window layers installed (ContentUIServices::install).
    static ContentUIServices& services();

    // Reads the content settings and the manager identity. `network` and
    // `analyser`: null take the live network object and the shared analyser.
    explicit ContentUI(KlE_Control_Status* network = nullptr,
                       KeloContentAnalyser* analyser = nullptr);
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
};

// Writes the object's property list to the path as a binary property list;
// false when it cannot be written.
bool dumpDictHelperPropertyListToDisk(const DictHelper& object, const QString& path);
