#pragma once

#include "content/ContentAnalysis.h"
#include "content/ContentTableRow.h"
#include "content/ContentTransfer.h"
#include "content/ContentTransferUpdater.h"
#include "content/KeloContentID.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

class KlE_Control_Status;

// The Content tab's state of one collection (the servers that share a
// collection ID, one of them the master): its latest analysis, its folder
// tables per content type, its transfer history and records, and the
// folders whose database entries are to be fetched again. Main thread only.
class ContentCollection {
public:
    // `network`: whose servers folder entries are asked of; null takes the
    // live network object.
    explicit ContentCollection(KlE_Control_Status* network = nullptr) : network_(network) {}

    // The folder rows of a type (0-4); null for an unknown type or none yet.
    std::shared_ptr<ContentRows> folderDataSourceForType(int type) const;
    // The file's entry in that server's database of the analysis.
    std::optional<QVariantMap> databaseEntryForContentID(const KeloContentID& id,
                                                         const QString& server) const;
    // Write mode: the entry, made when missing, in a folder made when missing
    // (with `folderName` in its ".Paths"); valid until the member's database
    // changes again. Null without such a member or for an ID without folder key.
    QVariantMap* databaseEntryForContentID(const KeloContentID& id, const QString& server,
                                           const QString& folderName);
    ContentRows folderRowsForTransferKey(int32_t transferKey) const;
    ContentRows folderRowsForContentID(uint32_t contentID) const;

    // Whether a database request may go out now without disturbing transfers.
    bool canRequestDb() const;
    // Asks every member in the collection for the folder's entry; false when
    // the gate is shut, the folder is not fetched, or nobody could be asked.
    bool fetchDatabaseFolder(std::shared_ptr<ContentTransfer> transfer);
    // Marks the row's folder for fetching again.
    void freshenFolder(const ContentTableRow& row);

    // --- Transfers ------------------------------------------------------------
    // The history keeps this many newest entries.
    static constexpr qsizetype kMaxTransferHistory = 100000;
    // Appends to the history, dropping the oldest entries past the limit;
    // the current entry's index follows its entry.
    void appendHistory(const QVariantMap& entry);
    // What a transfer notification changed in the history.
    struct HistoryChange {
        int32_t row = -1;     // the entry's index; -1 when none matched
        bool scroll = false;  // the history should show the row
    };
    // Applies one agent notification to its history entry and to the
    // members' retransmission counts. `mbps`: the last reported rate.
    HistoryChange handleTransferAgentNotification(const QVariantMap& note, bool historyShown,
                                                  float mbps);
    // Logs final states and applies the status to the folders' file rows.
    void finishTransferAgentNotification(const QVariantMap& note, const ContentRows& folders);
    static void resetSyncForRow(ContentTableRow& row);
    // Clears the marks of a folder row and its files unless one of the
    // folder's transfers is still active.
    void completeSyncProgressForFldrRow(ContentTableRow& row);
    // Forgets the start times of the current and later history entries.
    void updateStaleTransfers();
    // Moves every record to the old set and aborts the queued entries.
    void cancelAllTransfers();
    // The updater, made on first use.
    ContentTransferUpdater& updater();
    bool hasActiveTransfers() const;

    std::shared_ptr<ContentAnalysis> analysis;
    // folderTypeKey of a type -> that type's folder rows.
    std::map<QString, std::shared_ptr<ContentRows>> folderDataSources;
    double lastTransferAgentTimeForCollection = 0;  // reference-date seconds
    double pauseTime = 0;                           // reference-date seconds; 0 for none
    QVariantList fileTransferList;
    int32_t fileTransferCurrent = -1;
    std::map<int32_t, QString> transferFolderDict;  // transfer ID -> master folder key
    std::unique_ptr<ContentTransferUpdater> syncUpdater;
    std::map<QString, std::shared_ptr<ContentTransfer>> freshFolders;
    QStringList currentSlaveIps;
    QString currentBackwardsSync;
    bool isManaged = false;
    int32_t filesPerSecond = 0;

private:
    KlE_Control_Status* network() const;

    KlE_Control_Status* network_;
};
