#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class KlE_Control_Status;
class QObject;

inline constexpr char kKeloContentTransferAgentNotification[] =
    "KeloContentTransferAgentNotification";
inline constexpr char kKeloContentTransferAgentPauseNotification[] =
    "KeloContentTransferAgentPauseNotification";

// Durations of the agent; tests shorten them.
struct KeloContentTransferAgentOptions {
    double stopGrace = 3.0;      // a stop turns into a forced stop after this
    double stallTimeout = 10.0;  // a running task without progress this long is stalled
    double stallSettle = 0.1;    // at most this long for the thread to clear a stalled queue
    double idlePoll = 0.1;       // the thread looks at an empty queue this often
    // The server table to look masters and receivers up in; null: the
    // process's instance.
    KlE_Control_Status* link = nullptr;
};

// Copies content from a collection's master to its other servers: queues
// transfer tasks, runs them one at a time on its own thread over one BFTP
// TCP connection each, and posts the master's progress replies on the main
// thread as "KeloContentTransferAgentNotification".
//
// Task dictionaries: "master" (server name), "slaves" (server names),
// "length" (bytes), "bitRate", "opcode", "file" (the item reference, 4
// bytes); the agent adds "bftpTcpPort", "ip_address", "coll_id", "transfer",
// "status" and "slave_ips".
//
// Every public call is for the main thread. The thread touches the task
// lists, the socket and the times only under `taskListLock`, reads the
// server table only through queued calls on the main thread, and never
// waits for the main thread while holding the lock.
class KeloContentTransferAgent {
public:
    using Options = KeloContentTransferAgentOptions;

    explicit KeloContentTransferAgent(const Options& options = Options());
    // Ends the running task and the thread.
    ~KeloContentTransferAgent();
    KeloContentTransferAgent(const KeloContentTransferAgent&) = delete;
    KeloContentTransferAgent& operator=(const KeloContentTransferAgent&) = delete;

    // A task dictionary or a list of them; the transfer ID they got, or 0
    // while a stop is under way. Anything else queues nothing and gives the
    // next ID without using it up.
    int32_t performTransfers(const QVariant& tasks);
    // Queues a pause of that many seconds; `info` comes back with the pause
    // notification.
    void pauseAndNotify(double seconds, const QVariantMap& info);
    // Ends a running pause early.
    void resume();
    // Aborts the running task and the queue; after the grace time the task's
    // socket is closed if the task still runs.
    void stop();
    void forceStop();

    QVariantList tasksQueued() const;
    QVariantList tasksDone() const;
    bool isActive() const;
    // Bytes still to go of the queued tasks whose `key` holds `value`, and
    // the rest of the running one.
    uint64_t lengthOfQueuedTasksWithValue(const QVariant& value, const QString& key) const;
    uint64_t queueLengthForTransferID(uint32_t transferID, uint32_t mask = 0xFFFFFFFF) const;
    QString description() const;

    QString taskName() const;
    void setTaskName(const QString& name);
    float taskProgress() const;
    void setTaskProgress(float progress);
    int32_t taskStatus() const;
    void setTaskStatus(int32_t status);
    int32_t transferID() const;
    void setTransferID(int32_t id);
    uint64_t currTaskLength() const;
    int32_t taskCount() const { return taskCount_.load(); }
    uint64_t queueLength() const;
    bool stopping() const { return stopping_.load(); }
    // The UDP port named in every request; 0 before the first transfer.
    int udpPort() const { return udp_port_; }
    const Options& options() const { return options_; }

    // A progress reply handed over by the thread (main thread).
    void tcpProgress(const QVariantMap& progress);

private:
    void startThreadIfNeeded();
    void scheduleForceStop();
    void transferTCPthread();
    // One transfer; 0 when it ended normally, else the abort reason.
    int runTransfer(const QVariantMap& task, int* fd);
    std::vector<uint32_t> reachableReceivers(const QVariantList& addresses);
    void runPause(const QVariantMap& task);
    void endTask(int fd, int reason);
    bool socketTakenByForceStop() const;
    KlE_Control_Status* link() const;
    static double now();

    Options options_;
    int skt_ = -1;
    int udp_port_ = 0;
    int32_t transferID_ = 66;

    // Guarded by taskListLock_.
    int32_t taskStatus_ = 0;
    float taskProgress_ = 0;
    QString taskName_;
    uint64_t queueLength_ = 0;
    uint64_t currTaskLength_ = 0;
    int tcpskt_ = -1;
    double lastTcpProgress_ = 0;
    QVariantMap currentTask_;
    QVariantList tasksQueued_;
    QVariantList tasksDone_;
    bool resumed_ = false;
    std::optional<std::vector<uint32_t>> receiversAnswer_;

    std::atomic<int32_t> taskCount_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> quit_{false};
    mutable std::mutex taskListLock_;
    std::condition_variable wake_;  // pause, idle queue, receiver answer, stall settling
    std::thread transTCPthread_;
    // Main-thread calls queued by the thread check this before touching the
    // agent, which may be gone by then.
    std::shared_ptr<std::atomic<bool>> alive_;
    std::unique_ptr<QObject> timerContext_;
};

// Enables SO_KEEPALIVE: 0, or -1 for a descriptor below 1 or a failure (the
// descriptor is then closed).
int setKeepAlive(int fd, const char* label);
