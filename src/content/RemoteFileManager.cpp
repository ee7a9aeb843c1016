#include "content/RemoteFileManager.h"

#include "content/ShareMountOperation.h"
#include "foundation/OmLog.h"
#include "hud/windows/KlLogUI.h"
#include "serverlink/KlE_Control_Status.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThreadPool>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

constexpr double kSaveTimeout = 8.0;
constexpr double kFileInfoTimeout = 5.0;
constexpr double kVolumesTimeout = 2.0;
constexpr int kStepMs = 100;
constexpr uint32_t kLoopback = 0x7F000001;

// The time of the last suppressible warning, process-wide; main thread.
std::chrono::steady_clock::time_point gLastSuppressableWarning;
bool gSuppressableWarningShown = false;

// Only one mount-and-locate work at a time in the process. A second one
// waits a little for the first, then gives up; it never releases a lock
// that another job holds.
std::timed_mutex gFileUrlLock;

void writeFile(RfmTask* task) {
    QSaveFile file(task->fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(task->writeData) != task->writeData.size() ||
        !file.commit()) {
        task->error = file.errorString().isEmpty() ? QStringLiteral("The file could not be written")
                                                   : file.errorString();
        return;
    }
    task->asyncModDate = QFileInfo(task->fileName).lastModified().toUTC();
}

void writerThread(std::shared_ptr<RemoteFileManager::Shared> shared) {
    for (;;) {
        std::shared_ptr<RfmTask> task;
        {
            std::lock_guard lock(shared->lock);
            while (shared->writeQueue.size() > 1) shared->writeQueue.removeFirst();
            if (shared->writeQueue.isEmpty()) {
                shared->writerRunning = false;
                return;
            }
            task = shared->writeQueue.first();
        }
        writeFile(task.get());
        std::lock_guard lock(shared->lock);
        if (task->error.isEmpty()) task->completed = true;
        // Only the newest save reports.
        if (shared->writeQueue.size() == 1 && shared->writeQueue.first() == task) {
            if (!task->error.isEmpty() && shared->waitingForReadWrite == 0)
                shared->waitingForReadWrite = task->readWriteCookie;
            RemoteFileManager::Shared::post(shared, task, task->error.isEmpty());
        }
        if (!shared->writeQueue.isEmpty() && shared->writeQueue.first() == task)
            shared->writeQueue.removeFirst();
    }
}

void backgroundWork(const std::shared_ptr<RemoteFileManager::Shared>& shared,
                    const std::shared_ptr<RfmTask>& task) {
    bool done = true;
    switch (task->asyncOp) {
        case kRfmOpRead: {
            QFile file(task->fileName);
            if (file.open(QIODevice::ReadOnly)) {
                task->asyncReadFileData = file.readAll();
                done = file.error() == QFileDevice::NoError;
            } else {
                done = false;
            }
            if (!done) task->error = file.errorString();
            break;
        }
        case kRfmOpFileUrl:
            if (gFileUrlLock.try_lock_for(std::chrono::seconds(2))) {
                task->asyncUrl = shared->fileUrl(task.get());
                gFileUrlLock.unlock();
            }
            done = task->asyncUrl.isValid();
            break;
        case kRfmOpFileInfo: {
            const QFileInfo info(task->fileName);
            task->asyncFileExistsAtPath = info.exists();
            task->asyncIsDir = info.isDir();
            if (info.exists()) {
                task->asyncModDate = info.lastModified().toUTC();
                task->asyncCreateDate = info.birthTime().toUTC();
            }
            break;
        }
        case kRfmOpDirectory: {
            const QDir dir(task->fileName);
            if (dir.exists()) {
                for (const QFileInfo& entry : dir.entryInfoList(
                         QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
                    task->asyncDirectoryUrls.append(QUrl::fromLocalFile(entry.filePath()));
            }
            break;
        }
        case kRfmOpVolumesForServer:
            task->asyncVolumesForServer = RemoteFileManager::mountedVolumesForServer(
                task->fileName, task->targetServerName, &task->warning);
            break;
        case kRfmOpHostForPath:
            task->asyncHostForPath = RemoteFileManager::hostForPath(task->fileName);
            break;
        default:
            done = false;
    }
    RemoteFileManager::Shared::post(shared, task, done);
}

}  // namespace

void RemoteFileManager::Shared::post(const std::shared_ptr<Shared>& shared,
                                     const std::shared_ptr<RfmTask>& task, bool done) {
    {
        std::lock_guard lock(shared->lock);
        shared->results.append({[shared, task, done] {
                                    RemoteFileManager* owner = shared->owner;
                                    if (!owner) return;
                                    if (task->asyncOp == kRfmOpWrite && done)
                                        owner->mainThreadNotifySaveDone(task);
                                    else if (done)
                                        owner->mainThreadTaskDone(task);
                                    else
                                        owner->mainThreadReadWriteFailed(task);
                                },
                                task});
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    std::weak_ptr<Shared> weak = shared;
    QMetaObject::invokeMethod(
        app,
        [weak] {
            const auto s = weak.lock();
            if (!s || !s->owner) return;
            if (s->stepLoop)
                s->stepLoop->quit();
            else if (!s->owner->waiting())
                s->owner->processDelayedQueue();
        },
        Qt::QueuedConnection);
}

bool RemoteFileManager::Shared::bgThreadCheckIsCanceled(const RfmTask& task) const {
    std::lock_guard guard(lock);
    return mainThreadCancellingVolumeOp || userCanceledVolumeOp ||
           task.readWriteCookie != waitingForReadWrite;
}

RemoteFileManager::RemoteFileManager(RemoteFileManagerDelegate* delegate, KlE_Control_Status* link)
    : delegate_(delegate), link_(link), shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
}

RemoteFileManager::~RemoteFileManager() {
    cancelVolumeOp();
    std::lock_guard lock(shared_->lock);
    shared_->owner = nullptr;
    shared_->results.clear();
}

void RemoteFileManager::logWarning(const QString& text) {
    if (KlLogUI* panel = delegate_ ? delegate_->klLogUI() : nullptr)
        panel->log(kOmLogWarning, text);
    else
        OmLogNoFlood(kOmLogWarning, "%s\n", qPrintable(text));
}

// --- Operations -----------------------------------------------------------

std::shared_ptr<RfmTask> RemoteFileManager::klAsyncOp(int32_t op, const QString& fileName,
                                                      double timeout, const QVariantMap& options,
                                                      bool* canceled) {
    if (canceled) *canceled = false;
    if (op == kRfmOpWrite) return nullptr;
    auto task = RfmTask::task();
    task->asyncOp = op;
    task->fileName = fileName;
    task->targetServerName = options.value("targetServerName").toString();
    task->targetServerAddr = options.value("targetServerAddr").toString();
    task->doLocalMachine = options.value("doLocalMachine").toBool();
    task->bootVolumePath = options.value(".KeloBootVolumePath").toString();
    if (op == kRfmOpFileUrl && !task->targetServerName.isEmpty() && link_) {
        if (KeloObject* kelo = link_->keloObjectForName(task->targetServerName)) {
            task->remotePath = kelo->fullPathToFile(fileName);
            if (!task->doLocalMachine && kelo == link_->keloObjectForAddress(kLoopback))
                task->doLocalMachine = true;
        }
    }

    // Earlier work finishes first.
    std::shared_ptr<RfmTask> pendingWrite;
    bool superseding = false;
    {
        std::lock_guard lock(shared_->lock);
        if (!shared_->writeQueue.isEmpty()) {
            pendingWrite = shared_->writeQueue.last();
        } else if (shared_->waitingForReadWrite != 0) {
            superseding = true;
        } else {
            for (const Shared::Result& r : shared_->results)
                if (r.task->asyncOp == kRfmOpWrite) pendingWrite = r.task;
        }
    }
    if (pendingWrite && !waitForSave(pendingWrite)) {
        if (canceled) *canceled = true;
        return nullptr;
    }
    if (superseding) logWarning(QString("File read canceled: '%1'").arg(fileName));

    {
        std::lock_guard lock(shared_->lock);
        shared_->klAsyncOp = op;
        task->readWriteCookie = ++shared_->readWriteCookie;
        shared_->waitingForReadWrite = task->readWriteCookie;
    }
    startBackgroundWork(task);
    return syncWaitForTask(task, op, timeout, canceled);
}

void RemoteFileManager::startBackgroundWork(const std::shared_ptr<RfmTask>& task) {
    std::shared_ptr<Shared> shared = shared_;
    QThreadPool::globalInstance()->start([shared, task] { backgroundWork(shared, task); });
}

bool RemoteFileManager::fileExistsAtPath(const QString& path, bool* isDir, bool* canceled) {
    const auto task = klAsyncOp(kRfmOpFileInfo, path, kFileInfoTimeout, {}, canceled);
    if (isDir) *isDir = task && task->asyncIsDir;
    if (!task) return false;
    if (task->asyncModDate.isValid()) {
        lastKnownModDate_ = task->asyncModDate;
        lastKnownCreateDate_ = task->asyncCreateDate;
        lastKnownFile_ = path;
    }
    return task->asyncFileExistsAtPath;
}

QDateTime RemoteFileManager::fileDateAtPath(const QString& path, bool* isDir, bool* canceled) {
    const auto task = klAsyncOp(kRfmOpFileInfo, path, kFileInfoTimeout, {}, canceled);
    if (isDir) *isDir = task && task->asyncIsDir;
    return task ? task->asyncModDate : QDateTime();
}

std::optional<QList<QUrl>> RemoteFileManager::contentsOfDirectoryAtPath(const QString& path,
                                                                        bool* canceled) {
    const auto task = klAsyncOp(kRfmOpDirectory, path, kFileInfoTimeout, {}, canceled);
    if (!task || !QFileInfo(path).isDir()) return std::nullopt;
    return task->asyncDirectoryUrls;
}

QList<QUrl> RemoteFileManager::mountedVolumesForServer(const QString& server,
                                                       const QString& hostname, bool* canceled) {
    if (canceled) *canceled = false;
    if (server.isEmpty()) return {};
    const auto task = klAsyncOp(kRfmOpVolumesForServer, server, kVolumesTimeout,
                                {{"targetServerName", hostname}}, canceled);
    return task ? task->asyncVolumesForServer : QList<QUrl>();
}

QString RemoteFileManager::hostForPath(const QString& path, bool* canceled) {
    const auto task = klAsyncOp(kRfmOpHostForPath, path, kVolumesTimeout, {}, canceled);
    return task ? task->asyncHostForPath : QString();
}

// --- Waiting --------------------------------------------------------------

void RemoteFileManager::runStep() {
    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return;
    }
    QEventLoop loop;
    QPointer<QEventLoop> outer = shared_->stepLoop;
    shared_->stepLoop = &loop;
    QTimer::singleShot(kStepMs, &loop, &QEventLoop::quit);
    loop.exec();
    shared_->stepLoop = outer;
}

std::shared_ptr<RfmTask> RemoteFileManager::syncWaitForTask(const std::shared_ptr<RfmTask>& task,
                                                            int32_t op, double timeout,
                                                            bool* canceled) {
    currentTask_ = task;
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(qint64(std::max(0.0, timeout) * 1000));
    // A wait already running (this one was started from inside it) ends.
    waitActive_ = true;
    bool alertShown = false;
    for (;;) {
        if (!waitActive_) break;
        bool ended = false;
        bool showOverlay = false;
        {
            std::lock_guard lock(shared_->lock);
            if (shared_->waitingForReadWrite == 0 ||
                shared_->waitingForReadWrite != task->readWriteCookie) {
                ended = true;
            } else if (shared_->waitingForReadWriteReady == shared_->waitingForReadWrite) {
                shared_->klAsyncOp = 0;
                shared_->waitingForReadWrite = 0;
                shared_->userCanceledVolumeOp = false;
                ended = true;
            } else if (!alertShown && std::chrono::steady_clock::now() >= deadline) {
                alertShown = showOverlay = true;
            }
        }
        if (showOverlay) showAlert();
        if (!ended) runStep();
        processDelayedQueue();
        if (ended) break;
    }
    currentTask_.reset();
    waitActive_ = false;
    cancelOverlayView(-1);
    {
        // A wait that stopped without a result leaves nothing waited for,
        // so that its late result is dropped as stale.
        std::lock_guard lock(shared_->lock);
        if (shared_->waitingForReadWrite == task->readWriteCookie && op != kRfmOpWrite) {
            shared_->waitingForReadWrite = 0;
            shared_->klAsyncOp = 0;
        }
    }

    const bool failed = !task->completed || (op == kRfmOpWrite && !task->error.isEmpty());
    if (canceled) *canceled = failed && (op == kRfmOpWrite || !task->completed);
    if (!task->completed || !task->error.isEmpty()) return nullptr;
    showSuppressableWarning(task->warning);
    if (op < kRfmOpWrite || op > kRfmOpHostForPath) {
        OmLogNoFlood(kOmLogError, "RemoteFileManager unhandled asyncOp\n");
        return nullptr;
    }
    return op == kRfmOpWrite ? nullptr : task;
}

bool RemoteFileManager::waitForSave(const std::shared_ptr<RfmTask>& task) {
    {
        std::lock_guard lock(shared_->lock);
        shared_->waitingForReadWrite = shared_->readWriteCookie;
        shared_->klAsyncOp = kRfmOpWrite;
    }
    bool canceled = false;
    syncWaitForTask(task, kRfmOpWrite, kSaveTimeout, &canceled);
    std::lock_guard lock(shared_->lock);
    shared_->waitingForReadWrite = 0;
    shared_->klAsyncOp = 0;
    return !canceled;
}

bool RemoteFileManager::mainThreadSave(const QByteArray& data, const QString& path,
                                       bool waitUntilDone) {
    auto task = RfmTask::task();
    {
        std::lock_guard lock(shared_->lock);
        task->readWriteCookie = ++shared_->readWriteCookie;
        shared_->klAsyncOp = kRfmOpWrite;
        task->writeData = data;
        task->fileName = path;
        task->asyncOp = kRfmOpWrite;
        if (shared_->writeQueue.size() < 2)
            shared_->writeQueue.append(task);
        else
            shared_->writeQueue[1] = task;
        if (!shared_->writerRunning) {
            shared_->writerRunning = true;
            std::thread(writerThread, shared_).detach();
        }
    }
    if (delegate_) delegate_->updateProgress();
    if (!waitUntilDone) return true;
    if (delegate_) delegate_->setProgressText("Saving");
    return waitForSave(task);
}

bool RemoteFileManager::isWriting() const {
    std::lock_guard lock(shared_->lock);
    return !shared_->writeQueue.isEmpty();
}

bool RemoteFileManager::isBlockingMainThread() const {
    return currentTask_ || waiting();
}

bool RemoteFileManager::isBusy() const {
    return isWriting() || waiting() || !delayedQueue_.isEmpty();
}

// --- Results on the main thread ---------------------------------------------

void RemoteFileManager::mainThreadTaskDone(const std::shared_ptr<RfmTask>& task) {
    {
        std::lock_guard lock(shared_->lock);
        if (task->readWriteCookie != shared_->waitingForReadWrite) {
            OmLogNoFlood(kOmLogDebug, "throw away stale task result, cookie %d\n",
                         task->readWriteCookie);
            return;
        }
    }
    cancelVolumeOp();
    dismissOverlay();
    std::lock_guard lock(shared_->lock);
    shared_->waitingForReadWriteReady = shared_->waitingForReadWrite;
    task->completed = true;
}

void RemoteFileManager::mainThreadReadWriteFailed(const std::shared_ptr<RfmTask>& task) {
    {
        std::lock_guard lock(shared_->lock);
        if (task->readWriteCookie != shared_->waitingForReadWrite) return;
        task->completed = true;
    }
    if (!task->error.isEmpty()) {
        QString text = task->error + QString("\n\nPath:\n%1\n\n").arg(task->fileName);
        if (task->fileName.startsWith("/Volumes")) {
            text += text.contains("permission", Qt::CaseInsensitive)
                        ? "\n\nNOTE!  A permissions problem can often be resolved by dismounting "
                          "*all* volumes for this Kelo first (using Finder), then remounting using "
                          "Kelo Verozo."
                        : "Check network connections if this is a network volume.";
        }
        logWarning("Warning: " + text);
        if (delegate_) delegate_->showAlert("Warning", text, "Cancel");
    }
    clearWaitingForReadWrite();
}

void RemoteFileManager::mainThreadNotifySaveDone(const std::shared_ptr<RfmTask>& task) {
    {
        std::lock_guard lock(shared_->lock);
        if (shared_->waitingForReadWrite != 0 &&
            task->readWriteCookie != shared_->waitingForReadWrite) {
            OmLogNoFlood(kOmLogDebug,
                         "throw away stale task result, cookie %d (mainThreadNotifySaveDone)\n",
                         task->readWriteCookie);
            return;
        }
    }
    if (!isWriting() && delegate_) delegate_->notifySaveSuccessful(task->asyncModDate);
    clearWaitingForReadWrite();
    if (delegate_) delegate_->updateProgress();
}

void RemoteFileManager::performBlockOnMainThread(std::function<void()> block, double delay) {
    delayedQueue_.append(
        {std::move(block), QDateTime::currentDateTimeUtc().addMSecs(qint64(delay * 1000))});
}

void RemoteFileManager::processDelayedQueue() {
    QList<Shared::Result> results;
    {
        // Run outside the lock: a block may call the delegate, which may
        // start another operation.
        std::lock_guard lock(shared_->lock);
        results.swap(shared_->results);
    }
    for (const Shared::Result& r : results) r.block();

    while (!delayedQueue_.isEmpty()) {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        qsizetype due = -1;
        for (qsizetype i = 0; i < delayedQueue_.size(); ++i)
            if (delayedQueue_[i].date <= now) {
                due = i;
                break;
            }
        if (due < 0) return;
        if (currentTask_) {
            // Waiting for an operation: stop the wait instead; the block
            // runs after it.
            waitActive_ = false;
            return;
        }
        const std::function<void()> block = delayedQueue_.takeAt(due).block;
        block();
    }
}

// --- Overlays ---------------------------------------------------------------

void RemoteFileManager::dismissOverlay() {
    if (!overlayShown_) return;
    overlayShown_ = false;
    if (delegate_) delegate_->dismissOverlay();
}

void RemoteFileManager::showAlert() {
    dismissOverlay();
    int32_t op;
    QString server;
    {
        std::lock_guard lock(shared_->lock);
        op = shared_->klAsyncOp;
    }
    if (currentTask_) server = currentTask_->targetServerName;
    QString text;
    QList<RfmOverlayButton> buttons{{"Cancel", 0}};
    switch (op) {
        case kRfmOpFileUrl:
            logWarning(QString("Waiting for mounted volume of '%1'").arg(server));
            text =
                "Mounting volume:\t\t\t\t\t\t\n\ttrying smb...\n\n\tKelo computer must have "
                "'System "
                "Preferences' -> 'Sharing' -> 'File Sharing' turned on.\n\n\tNOTE! smb will not "
                "mount unless date/time of both computers is within 5 minutes.";
            break;
        case kRfmOpRead:
            text = "Reading File...\t\t\t\t\t\n\nFile read is taking a long time";
            break;
        case kRfmOpWrite:
            text = "Writing File...\t\t\t\t\t\n\nFile write is taking a long time";
            buttons.append({"Save As...", kRfmSaveAsButtonTag});
            break;
        default:
            text =
                "Waiting to retrieve file/folder...\t\t\t\t\t\n\nFile system read is taking a long "
                "time";
    }
    overlayShown_ = true;
    if (delegate_) delegate_->showOverlay(text, buttons);
}

void RemoteFileManager::cancelOverlayView(int senderTag) {
    if (!overlayShown_ || cancellingOverlay_) return;
    cancellingOverlay_ = true;
    dismissOverlay();
    bool mounting;
    {
        std::lock_guard lock(shared_->lock);
        mounting = shared_->klAsyncOp == kRfmOpFileUrl || shared_->volumeOp;
    }
    if (mounting) cancelVolumeOp();
    clearWaitingForReadWrite();
    {
        std::lock_guard lock(shared_->lock);
        shared_->writeQueue.clear();
    }
    if (delegate_ && senderTag >= 0) delegate_->notifyAbort(senderTag == kRfmSaveAsButtonTag);
    cancellingOverlay_ = false;
}

void RemoteFileManager::clearWaitingForReadWrite() {
    {
        std::lock_guard lock(shared_->lock);
        shared_->klAsyncOp = 0;
        shared_->waitingForReadWrite = 0;
        shared_->userCanceledVolumeOp = false;
    }
    if (overlayShown_) cancelOverlayView(-1);
    cancelVolumeOp();
    OmLogNoFlood(kOmLogVerbose, "clear waiting for read/write\n");
}

void RemoteFileManager::showSuppressableWarning(const QString& warning) {
    if (warning.isEmpty()) return;
    const auto now = std::chrono::steady_clock::now();
    if (gSuppressableWarningShown && now - gLastSuppressableWarning < std::chrono::seconds(10))
        return;
    gSuppressableWarningShown = true;
    gLastSuppressableWarning = now;
    if (delegate_) delegate_->showSuppressableWarning(warning);
}

QString RemoteFileManager::makeError(const QString& text) {
    return text.isEmpty() ? QStringLiteral("General RemoteFileManager error") : text;
}
