#pragma once

#include "content/ContentAnalysis.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class KeloContentID;
class KlE_Control_Status;

// Issue bits of one file on one server.
enum KeloContentIssue : int32_t {
    kIssueMissingFile = 1,
    kIssueMemberNewer = 2,
    kIssueMemberOlder = 4,
    kIssueLength = 8,
    kIssueOtherDirectory = 16,
    kIssueOtherName = 32,
    kIssueMasterConflicts = 64,
    kIssueMissingFolder = 128,
    kIssueMemberConflicts = 256,
    kIssueNotWritable = 512,
    kIssueLowSpace = 2048,
    kIssueUnplaceable = 8192,
};

// "a"-"z" for collection IDs 0-25, "" for anything else.
QString collectionIdToString(int collectionID);
// ORs the bits into the dictionary's number for the server.
void addServerError(int32_t bits, const QString& server, QVariantMap* errors);

// Compares the content database of a collection's master with that of every
// member and produces a ContentAnalysis: per master folder and file the
// issue bits of each member, the folders only a member has, and plain-text
// errors for servers that cannot be compared.
//
// Threads: the setters, analyse() and cancel() are called on the main thread.
// A run reads the server objects only on the main thread (it hands each
// look-up over and waits, giving up when cancelled), compares copies of the
// databases on its own thread, and posts its completion notification there.
// The results are published under `lock_`; the flags are atomic.
class KeloContentAnalyser {
public:
    // The shared analyser, made on first use (main thread), never destroyed.
    static KeloContentAnalyser* defaultAnalyser();

    // `network`: whose servers to read; null takes the live network object
    // at each run.
    explicit KeloContentAnalyser(KlE_Control_Status* network = nullptr);
    // Cancels a run and waits for its thread.
    ~KeloContentAnalyser();
    KeloContentAnalyser(const KeloContentAnalyser&) = delete;
    KeloContentAnalyser& operator=(const KeloContentAnalyser&) = delete;

    void setServers(const QStringList& servers);
    void setMaster(const QString& master);
    void setCollectionID(int32_t collectionID);

    // Stops a running analysis first (nothing happens when that fails), then
    // runs on a thread of its own (`background`, with the notification) or
    // at once on the calling thread (without it).
    void analyse(bool background);
    // One run; posts the completion notification when `notify` is set.
    void performAnalysis(bool notify);
    // Asks a running analysis to stop and waits up to about 2 s for it.
    bool cancel();

    std::shared_ptr<ContentAnalysis> contentAnalysis() const;
    QVariantMap analysis() const;
    QStringList servers() const;
    QStringList errors() const;
    QString master() const;
    int32_t collectionID() const;
    bool analysing() const { return analysing_.load(); }
    bool valid() const { return valid_.load(); }

    // Analyses one folder of `masterDict` against the member databases
    // (none: only the master's conflicts count) into `result`.
    static void analyseFolder(const QString& key, QVariantMap* result,
                              const std::vector<QVariantMap>* slaveDbs,
                              const ContentAnalysis& currAnalysis, int* issues,
                              const QVariantMap& masterDict);
    // A folder only the member has, stored under `analysisMemberOnlyKey`.
    static void analyseMemberFldr(const QString& key, QVariantMap* result,
                                  const ContentAnalysis& currAnalysis, int* issues,
                                  const QVariantMap& memberDb,
                                  const QString& analysisMemberOnlyKey);
    // Analyses the folder again from the databases of `analysis` (main thread).
    static void updateAnalysisForFolder(const MasterFolder& folder, ContentAnalysis* analysis);
    // The analysed record of a database file entry; nothing for settings
    // files and for plug-in, metadata and mask entries that do not fit their
    // parent folder.
    static std::optional<QVariantMap> massageFileInfo(const QVariantMap& entry);

    // The raw entry of a file in the server's last analysed database.
    std::optional<QVariantMap> databaseEntryForContentID(const KeloContentID& id,
                                                         const QString& server) const;
    std::optional<QVariantMap> databaseEntryForFile(int file, int folder, int ident, int type,
                                                    const QString& server) const;
    // Asks the server for the item's thumbnail when it has an address (main thread).
    void fetchThumbnailForFile(const KeloContentID& id, const QString& server) const;

private:
    struct ServerCheck;
    KlE_Control_Status* network() const;
    // Runs `fn` on the main thread and waits; false when cancelled meanwhile.
    bool onMain(const std::function<void()>& fn) const;

    KlE_Control_Status* network_;
    mutable std::mutex lock_;
    std::shared_ptr<ContentAnalysis> contentAnalysis_;
    QVariantMap analysis_;
    QStringList servers_;
    QStringList errors_;
    QString master_;
    int32_t collectionID_ = -1;
    std::atomic<bool> analysing_{false};
    std::atomic<bool> valid_{false};
    std::atomic<bool> cancelling_{false};
    std::thread thread_;
};
