#include "serverlink/KeloContentTransferAgent.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "serverlink/BftpTransferMessage.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlContentRef.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/KlSockets.h"

#include <QDebug>
#include <QObject>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

QString describe(const QVariantMap& task) {
    QString text;
    QDebug(&text).nospace() << task;
    return text;
}

uint64_t lengthOf(const QVariantMap& task) {
    return task.value("length").toULongLong();
}

KlContentRef contentOf(const QVariant& file) {
    if (file.metaType() == QMetaType::fromType<KlContentRef>()) return file.value<KlContentRef>();
    QByteArray bytes = file.toByteArray();
    if (bytes.size() < qsizetype(KlContentRef::kSize)) {
        bytes.append(QByteArray(qsizetype(KlContentRef::kSize) - bytes.size(), '\0'));
    }
    return *KlContentRef::fromData(bytes);
}

bool readFully(int fd, char* into, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = recv(fd, into + got, size - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += size_t(n);
    }
    return true;
}

ssize_t writeFully(int fd, const QByteArray& data) {
    size_t sent = 0;
    const auto size = size_t(data.size());
    while (sent < size) {
        // No SIGPIPE when the master has gone: the write just fails.
        const ssize_t n = send(fd, data.constData() + sent, size - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n;
        sent += size_t(n);
    }
    return ssize_t(sent);
}

QVariantMap progressDictionary(const BftpProgressReply& reply, uint32_t status,
                               const QVariantMap& task) {
    QVariantMap d{
        {"status", qint64(int32_t(status))},
        {"taskDictionary", task},
        {"name", QString::fromUtf8(reply.name)},
        {"transfer", qint64(reply.transferID)},
        {"collection", qint64(reply.collectionID)},
        {"task", QVariant::fromValue(reply.content)},
        {"progress", double(reply.progress) / 65535.0},
    };
    if (!reply.receivers.empty()) {
        QVariantList receivers;
        for (const auto& r : reply.receivers) {
            receivers.append(QVariantMap{{"address", qint64(r.address)},
                                         {"status", qint64(r.status)},
                                         {"resetCount", qint64(r.resetCount)}});
        }
        d.insert("receivers", receivers);
    }
    d.insert(reply.status == kTransferStatusProgress ? "mbps" : "reportFlags", qint64(reply.flags));
    return d;
}

}  // namespace

int setKeepAlive(int fd, const char* label) {
    if (fd < 1) return -1;
    const int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) {
        const int error = errno;
        OmLogNoFlood(kOmLogError, "%s setsockopt() SO_KEEPALIVE failure %d %s", label ? label : "",
                     error, strerror(error));
        close(fd);
        return -1;
    }
    return 0;
}

KeloContentTransferAgent::KeloContentTransferAgent(const Options& options)
    : options_(options),
      alive_(std::make_shared<std::atomic<bool>>(true)),
      timerContext_(std::make_unique<QObject>()) {}

KeloContentTransferAgent::~KeloContentTransferAgent() {
    *alive_ = false;
    {
        std::lock_guard lock(taskListLock_);
        quit_ = true;
        if (tcpskt_ >= 0) shutdown(tcpskt_, SHUT_RDWR);
    }
    wake_.notify_all();
    if (transTCPthread_.joinable()) transTCPthread_.join();
    if (skt_ >= 0) safeCloseSocket(skt_);
}

double KeloContentTransferAgent::now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

KlE_Control_Status* KeloContentTransferAgent::link() const {
    return options_.link ? options_.link : KlE_Control_Status::defaultObject();
}

// --- Queuing (main thread) ---------------------------------------------------

int32_t KeloContentTransferAgent::performTransfers(const QVariant& tasks) {
    if (stopping_) {
        scheduleForceStop();
        return 0;
    }

    bool stalled = false;
    {
        std::lock_guard lock(taskListLock_);
        stalled = tcpskt_ >= 0 && lastTcpProgress_ != 0 &&
                  now() - lastTcpProgress_ > options_.stallTimeout;
        if (stalled) stopping_ = true;
    }
    if (stalled) {
        forceStop();
        // New tasks would be aborted with the stalled queue: give the thread
        // a moment to clear it first.
        std::unique_lock lock(taskListLock_);
        wake_.wait_for(lock, std::chrono::duration<double>(options_.stallSettle),
                       [this] { return !stopping_; });
    }

    if (skt_ < 0) {
        skt_ = createSocket(0);
        sockaddr_in sin{};
        socklen_t size = sizeof sin;
        if (skt_ >= 0 && getsockname(skt_, reinterpret_cast<sockaddr*>(&sin), &size) == 0) {
            udp_port_ = ntohs(sin.sin_port);
        }
    }

    QVariantList list;
    if (tasks.typeId() == QMetaType::QVariantMap) {
        list.append(tasks);
    } else if (tasks.typeId() == QMetaType::QVariantList) {
        list = tasks.toList();
    } else {
        return transferID_;
    }

    KlE_Control_Status* servers = link();
    for (const QVariant& item : list) {
        QVariantMap task = item.toMap();
        const KeloObject* master = servers->keloObjectForName(task.value("master").toString());
        if (!master) continue;
        QVariantList slaveIps;
        for (const QVariant& name : task.value("slaves").toList()) {
            const KeloObject* slave = servers->keloObjectForName(name.toString());
            if (slave && slave->realEthernetAddress() != 0) {
                slaveIps.append(qint64(slave->realEthernetAddress()));
            }
        }
        task.insert("bftpTcpPort", qint64(master->bftpTcpPort()));
        task.insert("ip_address", qint64(master->realEthernetAddress()));
        task.insert("coll_id", qint64(master->collectionID()));
        task.insert("transfer", qint64(transferID_));
        task.insert("status", qint64(kTransferStatusPending));
        task.insert("slave_ips", slaveIps);
        std::lock_guard lock(taskListLock_);
        tasksQueued_.append(task);
        queueLength_ += lengthOf(task);
    }
    const int32_t id = transferID_++;
    startThreadIfNeeded();
    wake_.notify_all();
    return id;
}

void KeloContentTransferAgent::pauseAndNotify(double seconds, const QVariantMap& info) {
    QVariantMap task = info;
    task.insert("pauseAndNotify", seconds);
    {
        std::lock_guard lock(taskListLock_);
        tasksQueued_.append(task);
    }
    startThreadIfNeeded();
    wake_.notify_all();
}

void KeloContentTransferAgent::resume() {
    {
        std::lock_guard lock(taskListLock_);
        resumed_ = true;
    }
    wake_.notify_all();
}

void KeloContentTransferAgent::stop() {
    {
        std::lock_guard lock(taskListLock_);
        stopping_ = true;
    }
    scheduleForceStop();
    OmLogNoFlood(kOmLogInfo, "[Content] received STOP\n");
    // Only the thread clears a stop; without it the agent would refuse every
    // later transfer.
    startThreadIfNeeded();
    wake_.notify_all();
}

void KeloContentTransferAgent::scheduleForceStop() {
    QTimer::singleShot(int(options_.stopGrace * 1000), timerContext_.get(),
                       [this] { forceStop(); });
}

void KeloContentTransferAgent::forceStop() {
    // Acts however late its timer fired: a skipped forced stop would leave a
    // blocked task, and with it the whole queue, hanging.
    if (!stopping_) return;
    {
        std::lock_guard lock(taskListLock_);
        // Shut down only: the thread closes the descriptor itself, so that it
        // never reads from a number the system has handed out again.
        if (tcpskt_ >= 0) shutdown(tcpskt_, SHUT_RDWR);
        tcpskt_ = -1;
    }
    OmLogNoFlood(kOmLogInfo, "[Content] agent force stop\n");
    NotificationCenter::defaultCenter().post(kKeloContentTransferAgentNotification, this,
                                             {{"forceStop", "1"}});
}

void KeloContentTransferAgent::startThreadIfNeeded() {
    if (!transTCPthread_.joinable()) transTCPthread_ = std::thread([this] { transferTCPthread(); });
}

// --- Progress (main thread) --------------------------------------------------

void KeloContentTransferAgent::tcpProgress(const QVariantMap& progress) {
    {
        std::lock_guard lock(taskListLock_);
        // Also while only the running task is left: a healthy long transfer
        // must not count as stalled when the next task is queued.
        if (!tasksQueued_.isEmpty() || !currentTask_.isEmpty()) lastTcpProgress_ = now();
        taskStatus_ = int32_t(progress.value("status").toLongLong());
        taskName_ = progress.value("name").toString();
        taskProgress_ = progress.value("progress").toFloat();
    }
    NotificationCenter::defaultCenter().post(kKeloContentTransferAgentNotification, this, progress);
}

// --- The transfer thread -----------------------------------------------------

void KeloContentTransferAgent::transferTCPthread() {
    while (!quit_) {
        if (stopping_) {
            std::lock_guard lock(taskListLock_);
            for (const QVariant& queued : std::as_const(tasksQueued_)) {
                QVariantMap task = queued.toMap();
                task.insert("status", qint64(kTransferStatusAborted));
                tasksDone_.append(task);
            }
            tasksQueued_.clear();
            queueLength_ = 0;
            stopping_ = false;
            lastTcpProgress_ = 0;
            wake_.notify_all();
            continue;
        }

        QVariantMap task;
        {
            std::unique_lock lock(taskListLock_);
            if (tasksQueued_.isEmpty()) {
                wake_.wait_for(lock, std::chrono::duration<double>(options_.idlePoll),
                               [this] { return !tasksQueued_.isEmpty() || stopping_ || quit_; });
                continue;
            }
            task = tasksQueued_.takeFirst().toMap();
            currentTask_ = task;
            currTaskLength_ = lengthOf(task);
            queueLength_ -= std::min(queueLength_, currTaskLength_);
        }

        if (task.contains("pauseAndNotify")) {
            runPause(task);
            std::lock_guard lock(taskListLock_);
            currentTask_.clear();
            continue;
        }

        int fd = -1;
        const int reason = runTransfer(task, &fd);
        endTask(fd, reason);
    }
}

void KeloContentTransferAgent::runPause(const QVariantMap& task) {
    const auto ms = int64_t(task.value("pauseAndNotify").toDouble() * 1000);
    OmLogNoFlood(kOmLogDebug, "[Content] agent pause %lld...\n", static_cast<long long>(ms));
    {
        std::lock_guard lock(taskListLock_);
        resumed_ = false;
    }
    NotificationCenter::defaultCenter().postOnMainThread(kKeloContentTransferAgentPauseNotification,
                                                         this, task);
    {
        std::unique_lock lock(taskListLock_);
        wake_.wait_for(lock, std::chrono::milliseconds(std::max<int64_t>(ms, 0)),
                       [this] { return resumed_ || quit_.load(); });
    }
    OmLogNoFlood(kOmLogDebug, "[Content] agent resumed\n");
}

bool KeloContentTransferAgent::socketTakenByForceStop() const {
    std::lock_guard lock(taskListLock_);
    return tcpskt_ < 0;
}

int KeloContentTransferAgent::runTransfer(const QVariantMap& task, int* fd) {
    const int s = safesocket(AF_INET, SOCK_STREAM, 0);
    if (s < 0 || setKeepAlive(s, "[Content] sender") < 0) return kTransferSocketFailure;
    const auto address = uint32_t(task.value("ip_address").toLongLong());
    {
        std::lock_guard lock(taskListLock_);
        *fd = s;
        tcpskt_ = quit_ ? -1 : s;
        lastTcpProgress_ = now();
    }
    kelo::printf("BFTP socket - address: %s\n", qPrintable(IpAddressString(address)));

    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(address);
    sin.sin_port = htons(uint16_t(task.value("bftpTcpPort").toInt()));
    if (connect(s, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
        const int error = errno;
        if (socketTakenByForceStop()) return kTransferForceStopped;
        OmLogNoFlood(kOmLogError, "Connect socket failure %d %s", error, strerror(error));
        return kTransferSocketFailure;
    }

    BftpTransferRequest request;
    request.transferID = uint32_t(task.value("transfer").toLongLong());
    request.collectionID = uint8_t(task.value("coll_id").toInt());
    request.bitRate = uint16_t(task.value("bitRate").toInt());
    request.udpPort = uint16_t(udp_port_);
    request.opcode = uint8_t(task.value("opcode").toInt());
    request.content = contentOf(task.value("file"));
    request.receivers = reachableReceivers(task.value("slave_ips").toList());
    if (quit_) return kTransferStopRequested;
    ssize_t r = writeFully(s, BftpTransferMessage::request(request));

    std::vector<char> buffer(BftpTransferMessage::kMaxReplySize);
    for (;;) {
        if (r < 1) return kTransferNothingToRead;
        if (stopping_ || quit_) return kTransferStopRequested;
        if (socketTakenByForceStop()) return kTransferForceStopped;

        if (!readFully(s, buffer.data(), BftpTransferMessage::kReplyHeaderSize)) {
            return socketTakenByForceStop() ? kTransferForceStopped : kTransferShortHeader;
        }
        uint32_t length = 0;
        if (const int e = BftpTransferMessage::readReplyHeader(buffer.data(), &length)) {
            if (e == kTransferShortBody) {
                OmLogNoFlood(kOmLogWarning, "[Content] BFTP reply length %u refused\n", length);
            }
            return e;
        }
        if (!readFully(s, buffer.data() + BftpTransferMessage::kReplyHeaderSize,
                       length - BftpTransferMessage::kReplyHeaderSize)) {
            return socketTakenByForceStop() ? kTransferForceStopped : kTransferShortBody;
        }
        BftpProgressReply reply;
        if (const int e = BftpTransferMessage::readReply(buffer.data(), length, &reply)) return e;

        taskCount_ = reply.flags;
        const uint32_t status = stopping_ ? kTransferStatusAborted : reply.status;
        QVariantMap taskNow;
        {
            std::lock_guard lock(taskListLock_);
            currentTask_.insert("status", qint64(int32_t(status)));
            taskNow = currentTask_;
        }
        const QVariantMap progress = progressDictionary(reply, status, taskNow);
        MainThread::runOnMain([this, alive = alive_, progress] {
            if (*alive) tcpProgress(progress);
        });

        if (stopping_) return kTransferEndedNormally;
        r = ssize_t(length) - ssize_t(BftpTransferMessage::kReplyHeaderSize);
    }
}

std::vector<uint32_t> KeloContentTransferAgent::reachableReceivers(const QVariantList& addresses) {
    {
        std::lock_guard lock(taskListLock_);
        receiversAnswer_.reset();
    }
    // The server table belongs to the main thread: ask there, without
    // blocking it.
    MainThread::runOnMain([this, alive = alive_, addresses] {
        if (!*alive) return;
        std::vector<uint32_t> reachable;
        for (const QVariant& a : addresses) {
            if (reachable.size() == BftpTransferMessage::kMaxReceivers) break;
            const auto address = uint32_t(a.toLongLong());
            const KeloObject* kelo = link()->keloObjectForAddress(address);
            if (kelo && kelo->address() != 0 && kelo->isReachable()) reachable.push_back(address);
        }
        {
            std::lock_guard lock(taskListLock_);
            receiversAnswer_ = std::move(reachable);
        }
        wake_.notify_all();
    });
    std::unique_lock lock(taskListLock_);
    wake_.wait(lock, [this] { return receiversAnswer_.has_value() || quit_; });
    return receiversAnswer_.value_or(std::vector<uint32_t>());
}

void KeloContentTransferAgent::endTask(int fd, int reason) {
    QVariantMap task;
    {
        std::lock_guard lock(taskListLock_);
        if (fd >= 0) close(fd);
        tcpskt_ = -1;
        if (reason != kTransferEndedNormally) {
            currentTask_.insert("status", qint64(kTransferStatusAborted));
        }
        task = currentTask_;
        tasksDone_.append(currentTask_);
        currentTask_.clear();
    }
    if (reason != kTransferEndedNormally) {
        OmLogNoFlood(kOmLogDebug, "[Content] abortCurrentTask %s\n", qPrintable(describe(task)));
        OmLogNoFlood(kOmLogDebug, "[Content] abortCurrentTask reason: %i\n", reason);
    }
}

// --- Queries -----------------------------------------------------------------

QVariantList KeloContentTransferAgent::tasksQueued() const {
    std::lock_guard lock(taskListLock_);
    return tasksQueued_;
}

QVariantList KeloContentTransferAgent::tasksDone() const {
    std::lock_guard lock(taskListLock_);
    return tasksDone_;
}

bool KeloContentTransferAgent::isActive() const {
    std::lock_guard lock(taskListLock_);
    return !tasksQueued_.isEmpty() || !currentTask_.isEmpty();
}

uint64_t KeloContentTransferAgent::lengthOfQueuedTasksWithValue(const QVariant& value,
                                                                const QString& key) const {
    std::lock_guard lock(taskListLock_);
    uint64_t sum = 0;
    for (const QVariant& queued : tasksQueued_) {
        const QVariantMap task = queued.toMap();
        if (task.value(key) == value) sum += lengthOf(task);
    }
    if (!currentTask_.isEmpty() && currentTask_.value(key) == value) {
        sum += uint64_t((1.0 - double(taskProgress_)) * double(lengthOf(currentTask_)));
    }
    return sum;
}

uint64_t KeloContentTransferAgent::queueLengthForTransferID(uint32_t transferID,
                                                            uint32_t mask) const {
    std::lock_guard lock(taskListLock_);
    const auto matches = [&](const QVariantMap& task) {
        return (uint32_t(task.value("transfer").toLongLong()) & mask) == (transferID & mask);
    };
    uint64_t sum = 0;
    for (const QVariant& queued : tasksQueued_) {
        const QVariantMap task = queued.toMap();
        if (matches(task)) sum += lengthOf(task);
    }
    if (!currentTask_.isEmpty() && matches(currentTask_)) {
        sum += uint64_t((1.0 - double(taskProgress_)) * double(lengthOf(currentTask_)));
    }
    return sum;
}

QString KeloContentTransferAgent::description() const {
    std::lock_guard lock(taskListLock_);
    char code[5] = {};
    for (int i = 0; i < 4; ++i) code[i] = char(uint32_t(taskStatus_) >> (24 - 8 * i));
    return QString::asprintf("TransferAgent %s (%.4s, %0.3f)", qPrintable(taskName_), code,
                             double(taskProgress_));
}

QString KeloContentTransferAgent::taskName() const {
    std::lock_guard lock(taskListLock_);
    return taskName_;
}

void KeloContentTransferAgent::setTaskName(const QString& name) {
    std::lock_guard lock(taskListLock_);
    taskName_ = name;
}

float KeloContentTransferAgent::taskProgress() const {
    std::lock_guard lock(taskListLock_);
    return taskProgress_;
}

void KeloContentTransferAgent::setTaskProgress(float progress) {
    std::lock_guard lock(taskListLock_);
    taskProgress_ = progress;
}

int32_t KeloContentTransferAgent::taskStatus() const {
    std::lock_guard lock(taskListLock_);
    return taskStatus_;
}

void KeloContentTransferAgent::setTaskStatus(int32_t status) {
    std::lock_guard lock(taskListLock_);
    taskStatus_ = status;
}

int32_t KeloContentTransferAgent::transferID() const {
    return transferID_;
}

void KeloContentTransferAgent::setTransferID(int32_t id) {
    transferID_ = id;
}

uint64_t KeloContentTransferAgent::currTaskLength() const {
    std::lock_guard lock(taskListLock_);
    return currTaskLength_;
}

uint64_t KeloContentTransferAgent::queueLength() const {
    std::lock_guard lock(taskListLock_);
    return queueLength_;
}
