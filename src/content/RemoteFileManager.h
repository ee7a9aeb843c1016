#pragma once

#include "content/RemoteFileManagerDelegate.h"
#include "content/RfmTask.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class KeloObject;
class KlE_Control_Status;
class OmLog;
class QEventLoop;
class ShareMountOperation;

// File operations on the servers' shares for the controller's screens: read,
// write, file information, listings, the mounted volumes of a server, the
// host serving a path, and the local URL of a server content path, mounting
// the server's share when needed. Each operation runs on a worker thread
// while the main thread waits, running its event loop in 0.1 s steps, for
// the result; past the operation's time-out the delegate shows an overlay
// whose Cancel ends the wait. Writes are queued for one writer thread and
// coalesced: at most one runs and one waits, a newer save replacing the
// waiting one.
//
// Threads: every public entry point is for the main thread unless marked
// "any thread". Workers hand results back only as blocks in a list that the
// main thread drains; a cookie per operation makes late results harmless.
// The manager's lock (inside `Shared`) guards the write queue, the cookie
// fields, the operation code, the result list and the mount state.
class RemoteFileManager {
public:
    // `link` answers server names and addresses; null: none are known.
    explicit RemoteFileManager(RemoteFileManagerDelegate* delegate,
                               KlE_Control_Status* link = nullptr);
    ~RemoteFileManager();
    RemoteFileManager(const RemoteFileManager&) = delete;
    RemoteFileManager& operator=(const RemoteFileManager&) = delete;

    // --- Operations -----------------------------------------------------
    // Options: "targetServerName", "targetServerAddr", "doLocalMachine",
    // ".KeloBootVolumePath". Returns the finished task, or null when the
    // operation failed, was superseded or was cancelled (`canceled` tells
    // the last). Code 1 gives null: writes go through mainThreadSave.
    std::shared_ptr<RfmTask> klAsyncOp(int32_t op, const QString& fileName, double timeout,
                                       const QVariantMap& options = {}, bool* canceled = nullptr);
    // Code 4 (5 s); records the dates of an existing file as the last known.
    bool fileExistsAtPath(const QString& path, bool* isDir, bool* canceled = nullptr);
    QDateTime fileDateAtPath(const QString& path, bool* isDir, bool* canceled = nullptr);
    // Code 5 (5 s); nothing on failure.
    std::optional<QList<QUrl>> contentsOfDirectoryAtPath(const QString& path,
                                                         bool* canceled = nullptr);
    // Code 6 (2 s); empty for an empty server text.
    QList<QUrl> mountedVolumesForServer(const QString& server, const QString& hostname,
                                        bool* canceled);
    // Code 7 (2 s).
    QString hostForPath(const QString& path, bool* canceled);

    // Queues a write; with `waitUntilDone` waits up to 8 s for it. False
    // only when it waited and the user cancelled or the write failed.
    bool mainThreadSave(const QByteArray& data, const QString& path, bool waitUntilDone);

    bool isWriting() const;
    bool isBlockingMainThread() const;
    bool isBusy() const;
    bool waiting() const { return waitActive_; }

    // Runs the block on the main thread after the delay, from the wait's
    // steps or the next processDelayedQueue.
    void performBlockOnMainThread(std::function<void()> block, double delay);
    int delayedQueueCount() const { return int(delayedQueue_.size()); }
    // Runs the workers' result blocks, then the delayed blocks that are due.
    void processDelayedQueue();

    // The overlay of an operation that outlasts its time-out.
    void showAlert();
    // At most one every 10 s in the process.
    void showSuppressableWarning(const QString& warning);
    // An overlay button (its tag), or -1 for none: ends the wait, cancels
    // a mount and drops the queued writes.
    void cancelOverlayView(int senderTag = -1);
    void clearWaitingForReadWrite();

    QDateTime lastKnownModDate() const { return lastKnownModDate_; }
    void setLastKnownModDate(const QDateTime& date) { lastKnownModDate_ = date; }
    QDateTime lastKnownCreateDate() const { return lastKnownCreateDate_; }
    QString lastKnownFile() const { return lastKnownFile_; }

    // --- Volumes and hosts (any thread) ------------------------------------
    // A server by host text: "localhost", a text ending in a dotted IPv4
    // address, a server name, or the name before the first dot.
    static KeloObject* keloForHostString(const QString& text, const KlE_Control_Status* link);
    static QString makeError(const QString& text = QString());
    // Local URLs of the mounted shares of a server (by address text, or by
    // host name); a guest mount among them fills `warning`.
    static QList<QUrl> mountedVolumesForServer(const QString& server, const QString& hostname,
                                               QString* warning);
    // The host serving a path: "127.0.0.1" for a path on no mounted share,
    // nothing for a relative path.
    static QString hostForPath(const QString& path);
    // The local path of the mounted share that holds the server's content
    // path (volume path and leaf path as the server names them), or nothing.
    static QString searchForMountedVolume(const QString& volumePath, const QString& leafPath,
                                          const QString& shareName, const QString& targetServerAddr,
                                          const QString& targetServerName,
                                          const QString& bootVolumePath, bool log,
                                          QString* warning);
    // The guest-mount warning for a volume.
    static QString guestWarning(const QString& volume);

    // Cancels the share mount in progress, waiting up to 1 s on the main
    // thread for it to end.
    void cancelVolumeOp();

    // What the workers share with the manager; outlives it while workers run.
    struct Shared {
        mutable std::recursive_mutex lock;
        QList<std::shared_ptr<RfmTask>> writeQueue;  // the running write, then one pending
        bool writerRunning = false;
        int32_t readWriteCookie = 1;
        int32_t waitingForReadWrite = 0;       // cookie waited for; 0 none
        int32_t waitingForReadWriteReady = 0;  // cookie of the last finished operation
        int32_t klAsyncOp = 0;
        struct Result {
            std::function<void()> block;
            std::shared_ptr<RfmTask> task;
        };
        QList<Result> results;
        RemoteFileManager* owner = nullptr;  // main thread only; null once it is gone
        QPointer<QEventLoop> stepLoop;       // main thread only
        // The share mount.
        ShareMountOperation* volumeOp = nullptr;  // owned by the mounting worker
        bool userCanceledVolumeOp = false;
        int volumeOpErr = 0;
        std::atomic<bool> mainThreadCancellingVolumeOp{false};
        bool tryingWithoutPassword = false;

        // Queues a result block and wakes the main thread. Any thread.
        static void post(const std::shared_ptr<Shared>& shared,
                         const std::shared_ptr<RfmTask>& task, bool done);
        // The cookie is no longer waited for, or the mount is to stop.
        bool bgThreadCheckIsCanceled(const RfmTask& task) const;
        // Starts a share mount; kMountOK or a negative code.
        int mountServer(ShareMountOperation* op, const QString& server, const QString& share,
                        bool credentials);
        // The work of code 3: the local URL of the task's content path.
        QUrl fileUrl(RfmTask* task);
    };

private:
    std::shared_ptr<RfmTask> syncWaitForTask(const std::shared_ptr<RfmTask>& task, int32_t op,
                                             double timeout, bool* canceled);
    bool waitForSave(const std::shared_ptr<RfmTask>& task);
    void runStep();
    void startBackgroundWork(const std::shared_ptr<RfmTask>& task);
    void mainThreadTaskDone(const std::shared_ptr<RfmTask>& task);
    void mainThreadReadWriteFailed(const std::shared_ptr<RfmTask>& task);
    void mainThreadNotifySaveDone(const std::shared_ptr<RfmTask>& task);
    void dismissOverlay();
    void logWarning(const QString& text);

    RemoteFileManagerDelegate* delegate_;  // not owned
    KlE_Control_Status* link_;             // not owned
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<RfmTask> currentTask_;
    bool overlayShown_ = false;
    bool cancellingOverlay_ = false;
    bool waitActive_ = false;
    struct DelayedBlock {
        std::function<void()> block;
        QDateTime date;
    };
    QList<DelayedBlock> delayedQueue_;
    QDateTime lastKnownModDate_;
    QDateTime lastKnownCreateDate_;
    QString lastKnownFile_;
};
