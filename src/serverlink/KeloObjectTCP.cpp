#include "serverlink/KeloObjectTCP.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloTcpQueryPool.h"
#include "serverlink/KlSockets.h"
#include "serverlink/ServerLinkLog.h"

#include <QDir>
#include <QStringList>
#include <QtEndian>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Query threads (detached, or the shared pool's) may still run while the
// process exits; what they read must therefore never be destroyed.
std::mutex& settingsLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

KeloTcpLimits& limitsStore() {
    static auto* limits = new KeloTcpLimits;
    return *limits;
}

std::function<int(uint32_t, uint16_t)>& connectorStore() {
    static auto* connector = new std::function<int(uint32_t, uint16_t)>;
    return *connector;
}

std::atomic<int>& running() {
    static auto* count = new std::atomic<int>{0};
    return *count;
}

int connectTo(uint32_t address, uint16_t port) {
    std::function<int(uint32_t, uint16_t)> connector;
    {
        std::lock_guard lock(settingsLock());
        connector = connectorStore();
    }
    return connector ? connector(address, port) : keloTcpConnect(address, port);
}

void setIoTimeout(int fd, int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Reads exactly n bytes, appending to `out`, unless the peer ends the stream,
// fails, goes quiet for the I/O time-out or the deadline passes. Memory grows
// with what arrived, not with what was claimed.
bool readAll(int fd, uint32_t n, Clock::time_point deadline, int ioTimeoutMs, QByteArray* out) {
    constexpr qsizetype kChunk = 256 * 1024;
    uint32_t left = n;
    while (left > 0) {
        const auto now = Clock::now();
        if (now >= deadline) return false;
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(std::min<int64_t>(remaining, ioTimeoutMs)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const qsizetype want = std::min<qsizetype>(qsizetype(left), kChunk);
        const qsizetype old = out->size();
        out->resize(old + want);
        const ssize_t got = read(fd, out->data() + old, size_t(want));
        const int error = errno;
        out->resize(old + std::max<qsizetype>(got, 0));
        if (got < 0 && error == EINTR) continue;
        if (got <= 0) return false;
        left -= uint32_t(got);
    }
    return true;
}

// Counts a running query for as long as it lives.
struct RunningQuery {
    RunningQuery() { ++running(); }
    ~RunningQuery() { --running(); }
    RunningQuery(const RunningQuery&) = delete;
    RunningQuery& operator=(const RunningQuery&) = delete;
};

struct SocketCloser {
    int fd;
    ~SocketCloser() {
        if (fd >= 0) close(fd);
    }
};

QString productUpdateTCP(uint32_t address, uint16_t port) {
    SocketCloser s{connectTo(address, port)};
    if (s.fd < 0) return {};
    char buf[kProductReplyMax];
    ssize_t got;
    do {
        got = read(s.fd, buf, sizeof buf);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return {};
    return productNameFromServerInfo(buf, size_t(got)).value_or(QString());
}

struct DatabaseReply {
    bool ok = false;
    QByteArray data;
};

DatabaseReply queryDatabase(uint32_t address, uint16_t port, int opcode, const KlContentRef& item) {
    const KeloTcpLimits limits = keloTcpLimits();
    const auto deadline = Clock::now() + std::chrono::milliseconds(limits.queryDeadlineMs);
    DatabaseReply reply;
    SocketCloser s{connectTo(address, port)};
    if (s.fd < 0) return reply;
    const QByteArray request = keloDatabaseRequest(opcode, item);
    if (writen(s.fd, request.constData(), int(request.size())) != request.size()) return reply;
    char header[kDatabaseReplyHeaderSize];
    if (readn(s.fd, header, sizeof header) != int(sizeof header)) return reply;
    const std::optional<uint32_t> n = keloDatabaseReplyLength(header);
    if (!n) {
        OmLogNoFlood(kOmLogWarning, "'%s' reply from %s is no KlEC DATA reply\n",
                     keloDatabaseCommand(opcode), qPrintable(IpAddressString(address)));
        return reply;
    }
    if (*n > limits.maxReplyData) {
        OmLogNoFlood(kOmLogWarning, "'%s' reply from %s claims %u bytes, more than %u: refused\n",
                     keloDatabaseCommand(opcode), qPrintable(IpAddressString(address)), *n,
                     limits.maxReplyData);
        return reply;
    }
    if (!readAll(s.fd, *n, deadline, limits.ioTimeoutMs, &reply.data)) {
        OmLogNoFlood(kOmLogWarning, "'%s' reply from %s: %lld of %u bytes arrived\n",
                     keloDatabaseCommand(opcode), qPrintable(IpAddressString(address)),
                     static_cast<long long>(reply.data.size()), *n);
        return reply;
    }
    reply.ok = true;
    return reply;
}

// False (logged) when no thread can be made.
bool startDetached(std::function<void()> fn) {
    try {
        std::thread(std::move(fn)).detach();
        return true;
    } catch (const std::system_error& e) {
        OmLogNoFlood(kOmLogError, "no thread for a TCP query: %s\n", e.what());
        return false;
    }
}

QVariant parsedReply(const QByteArray& data, int opcode) {
    QString error;
    QVariant value = PropertyList::read(data, &error);
    if (!value.isValid()) {
        OmLogNoFlood(kOmLogWarning, "'%s' reply is no property list: %s\n",
                     keloDatabaseCommand(opcode), qPrintable(error));
    }
    return value;
}

}  // namespace

// --- Blocking I/O --------------------------------------------------------------

int readn(int fd, void* buf, int n) {
    if (n < 1) return 0;
    auto* p = static_cast<char*>(buf);
    int got = 0;
    while (got < n) {
        const ssize_t r = read(fd, p + got, size_t(n - got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += int(r);
    }
    return got;
}

int writen(int fd, const void* buf, int n) {
    if (n < 1) return n;
    const auto* p = static_cast<const char*>(buf);
    int done = 0;
    bool socket = true;
    while (done < n) {
        ssize_t w = socket ? send(fd, p + done, size_t(n - done), MSG_NOSIGNAL) : -1;
        if (w < 0 && socket && errno == ENOTSOCK) {
            socket = false;
            continue;
        }
        if (!socket) w = write(fd, p + done, size_t(n - done));
        if (w < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += int(w);
    }
    return n;
}

KeloTcpLimits keloTcpLimits() {
    std::lock_guard lock(settingsLock());
    return limitsStore();
}

void setKeloTcpLimits(const KeloTcpLimits& limits) {
    std::lock_guard lock(settingsLock());
    limitsStore() = limits;
}

void setKeloTcpConnector(std::function<int(uint32_t, uint16_t)> connector) {
    std::lock_guard lock(settingsLock());
    connectorStore() = std::move(connector);
}

int keloTcpQueriesRunning() {
    return running().load();
}

int keloTcpConnect(uint32_t address, uint16_t port) {
    const KeloTcpLimits limits = keloTcpLimits();
    const int fd = safesocket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int rc = connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (rc < 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        do {
            rc = poll(&p, 1, limits.connectTimeoutMs);
        } while (rc < 0 && errno == EINTR);
        int error = 0;
        socklen_t len = sizeof error;
        if (rc == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0)
            rc = 0;
        else
            rc = -1;
    }
    if (rc < 0) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, flags);
    setIoTimeout(fd, limits.ioTimeoutMs);
    return fd;
}

std::optional<QString> productNameFromServerInfo(const char* data, size_t size) {
    if (!data || size < 35) return std::nullopt;
    if (std::memcmp(data, "CITP", 4) != 0 || std::memcmp(data + 16, "MSEX", 4) != 0 ||
        std::memcmp(data + 22, "SInf", 4) != 0)
        return std::nullopt;
    QString name;
    for (size_t i = 26; i + 1 < size && name.size() < kProductNameMax; i += 2) {
        const auto low = static_cast<unsigned char>(data[i]);
        const auto high = static_cast<unsigned char>(data[i + 1]);
        if (low == 0 && high == 0) break;
        name.append(QChar::fromLatin1(char(low)));
    }
    return name;
}

const char* keloDatabaseCommand(int opcode) {
    static const char* const kCommands[] = {"GtDB", "GtTh", "GtFD", "GtLD", "CLNP"};
    return opcode >= 0 && opcode <= kCleanUp ? kCommands[opcode] : nullptr;
}

const char* keloDatabaseNotification(int opcode) {
    switch (opcode) {
        case kGetThumbnail:
            return "KeloThumbnailDataNotification";
        case kGetFileEntry:
            return "KeloDatabaseEntryNotification";
        case kGetFolderEntry:
            return "KeloDatabaseFolderEntryNotification";
        case kCleanUp:
            return "KeloSyncCleanUpNotification";
        default:
            return nullptr;
    }
}

QByteArray keloDatabaseRequest(int opcode, const KlContentRef& item) {
    const char* command = keloDatabaseCommand(opcode);
    if (!command) return {};
    QByteArray request(kDatabaseRequestSize, '\0');
    char* p = request.data();
    std::memcpy(p, "KlEC", 4);
    qToBigEndian<quint32>(kDatabaseRequestSize, p + 4);
    std::memcpy(p + 8, command, 4);
    if (opcode >= kGetThumbnail && opcode <= kGetFolderEntry)
        item.copyTo(reinterpret_cast<uint8_t*>(p + 12));
    return request;
}

std::optional<uint32_t> keloDatabaseReplyLength(const char* header) {
    if (std::memcmp(header, "KlEC", 4) != 0 || std::memcmp(header + 8, "DATA", 4) != 0)
        return std::nullopt;
    return qFromBigEndian<quint32>(header + 12);
}

// --- KeloObject ------------------------------------------------------------------

void KeloObject::doProductUpdate() {
    if (address_ == 0) return;
    if (needsProductUpdate_) {
        const uint32_t address = address_;
        const auto port = uint16_t(tcpPort_);
        std::weak_ptr<int> alive = alive_;
        auto query = std::make_shared<RunningQuery>();
        // Thousands of servers may be found at once: their queries share a
        // bounded pool instead of a thread each.
        KeloTcpQueryPool::shared().start([this, alive, address, port, query] {
            const QString name = productUpdateTCP(address, port);
            if (name.isNull()) return;
            MainThread::runOnMain([this, alive, name, query] {
                if (alive.lock()) setProductName(name);
            });
        });
    }
    needsProductUpdate_ = false;
}

void KeloObject::updateContentDatabase() {
    if (address_ == 0 || bftpTcpPort_ == 0 || isUpdating_) return;
    const QString stamp = contentTimeStamp();
    if (stamp.isEmpty()) return;
    if (contentDatabase().value(".DatabaseTimestamp").toString() == stamp) return;
    isUpdating_ = true;
    updateWithTCP({{"opcode", "0"}});
}

void KeloObject::fetchThumbnailData(const KlContentRef& item) {
    updateWithTCP({{"opcode", "1"}, {"file", item.data()}});
}

void KeloObject::fetchThumbnailData(int type, int folder, int file) {
    fetchThumbnailData(KlContentRef{uint8_t(type), 0, uint8_t(folder), uint8_t(file)});
}

void KeloObject::fetchDatabaseEntry(const KlContentRef& item) {
    updateWithTCP({{"opcode", "2"}, {"file", item.data()}});
}

void KeloObject::fetchDatabaseFolderEntry(const KlContentRef& item) {
    updateWithTCP({{"opcode", "3"}, {"file", item.data()}});
}

void KeloObject::cleanUpAfterSync() {
    updateWithTCP({{"opcode", "4"}});
}

void KeloObject::updateWithTCP(const QVariantMap& request) {
    bool numeric = false;
    const int opcode = request.value("opcode").toInt(&numeric);
    // Only the database fetch owns `isUpdating`; the other queries may run
    // beside it.
    const bool ownsUpdating = numeric && opcode == kGetDatabase;
    if (address_ == 0 || !isReachable_) {
        if (ownsUpdating) isUpdating_ = false;
        return;
    }
    if (!numeric || !keloDatabaseCommand(opcode)) {
        kelo::printf("unknown opcode %d\n", opcode);
        if (ownsUpdating) isUpdating_ = false;
        return;
    }
    const QVariant file = request.value("file");
    const KlContentRef item =
        opcode >= kGetThumbnail && opcode <= kGetFolderEntry
            ? KlContentRef::fromData(file.toByteArray()).value_or(KlContentRef{})
            : KlContentRef{};
    const uint32_t address = address_;
    const auto port = uint16_t(bftpTcpPort_);
    if (gServerLinkVerbose) {
        kelo::printf("updateWithTCP '%s' %u.%u.%u.%u\n", keloDatabaseCommand(opcode), address >> 24,
                     (address >> 16) & 255, (address >> 8) & 255, address & 255);
    }
    std::weak_ptr<int> alive = alive_;
    auto query = std::make_shared<RunningQuery>();
    const bool started =
        startDetached([this, alive, address, port, opcode, item, file, ownsUpdating, query] {
            DatabaseReply reply = queryDatabase(address, port, opcode, item);
            QVariant parsed;
            if (reply.ok &&
                (opcode == kGetDatabase || opcode == kGetFileEntry || opcode == kGetFolderEntry))
                parsed = parsedReply(reply.data, opcode);
            MainThread::runOnMain([this, alive, reply, parsed, opcode, file, ownsUpdating, query] {
                if (!alive.lock()) return;
                if (reply.ok) {
                    QVariantMap note{{"notificationName", keloDatabaseNotification(opcode)}};
                    switch (opcode) {
                        case kGetDatabase:
                            if (parsed.typeId() == QMetaType::QVariantMap)
                                setContentDatabase(parsed.toMap());
                            else if (parsed.isValid())
                                OmLogNoFlood(kOmLogWarning, "content database is no dictionary\n");
                            break;
                        case kGetThumbnail:
                            note.insert("file", file);
                            note.insert("data", reply.data);
                            break;
                        case kGetFileEntry:
                        case kGetFolderEntry:
                            note.insert("file", file);
                            if (parsed.isValid()) note.insert("data", parsed);
                            break;
                        default:
                            note.insert("data", reply.data);
                            break;
                    }
                    if (opcode != kGetDatabase)
                        NotificationCenter::defaultCenter().post(
                            note.value("notificationName").toString(), this, note);
                }
                if (ownsUpdating) isUpdating_ = false;
            });
        });
    if (!started && ownsUpdating) isUpdating_ = false;
}

bool KeloObject::needsContentUpdate() const {
    return !isUpdating_ &&
           contentDatabase().value(".DatabaseTimestamp").toString() != contentTimeStamp();
}

bool KeloObject::contentDatabaseValid() const {
    return !isUpdating_ &&
           contentDatabase().value(".DatabaseTimestamp").toString() == contentTimeStamp();
}

QString KeloObject::fullPathToFile(const QString& path) const {
    return fullPathToFile(path, contentDatabase());
}

QString KeloObject::fullPathToFile(const QString& path, const QVariantMap& database) {
    if (database.isEmpty()) return path;
    if (!path.startsWith('/')) {
        const QString folder = database.value(".KeloFolderPath").toString();
        return folder.isEmpty() ? path : QDir(folder).filePath(path);
    }
    if (path.startsWith("/.")) {
        const QStringList parts = path.split('.');
        if (parts.size() >= 3) {
            const QString& volume = parts[1];
            const QVariant entry = database.value(".ExtraVolumes").toMap().value(volume);
            const QString root = entry.typeId() == QMetaType::QVariantMap
                                     ? entry.toMap().value("path").toString()
                                     : entry.toString();
            if (!root.isEmpty()) {
                const QString rest = path.mid(2 + volume.size() + 1);
                return QDir(root).filePath(rest);
            }
        }
    }
    return path;
}
