#include "support/KeloServerSimHost.h"

#include "support/BftpServerSim.h"
#include "support/SimRequests.h"

#include <QDir>
#include <QFileInfo>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace {

constexpr uint32_t kStart = simFourCharCode("strt");
constexpr uint32_t kSent = simFourCharCode("sent");
constexpr uint32_t kFailed = simFourCharCode("fail");

bool sendAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t w = send(fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += w;
    }
    return true;
}

// Reads until `bytes` holds `length` bytes; false when the peer stops
// sending for 2 s or closes first.
bool readUpTo(int fd, QByteArray& bytes, size_t length) {
    char buffer[1024];
    while (size_t(bytes.size()) < length) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) return false;
        const ssize_t got = read(fd, buffer, std::min(sizeof buffer, length - size_t(bytes.size())));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        bytes.append(buffer, got);
    }
    return true;
}

}  // namespace

KeloServerSimHost::KeloServerSimHost(const Options& options)
    : options_(options), sim_(options.network) {
    const int size = std::max(1, options.collectionSize);
    for (int i = 0; i < options.count; ++i) {
        KeloServerSim::Config c;
        c.name = options.prefix + ' ' + QByteArray::number(i + 1);
        c.address = options.base + uint32_t(i);
        c.layerCount = 4 + i % 9;
        c.collectionID = uint8_t(1 + (i / size) % 250);
        c.alias = "Stage " + QByteArray::number(i + 1);
        c.tcpPort = options.productPort;
        c.bftpPort = options.bftpPort;
        c.standardContentItems = true;
        c.echoPreferenceSets = true;
        sim_.addServer(c);
    }
    transfers_ = std::make_unique<std::atomic<int>[]>(size_t(std::max(1, options.count)));
}

KeloServerSimHost::~KeloServerSimHost() {
    stop();
    trees_.clear();
    dir_.reset();  // removes the media trees
}

bool KeloServerSimHost::makeMediaTrees(QString* error) {
    if (!trees_.empty()) return true;
    const QString parent = options_.mediaParent.isEmpty() ? QDir::tempPath() : options_.mediaParent;
    dir_ = std::make_unique<QTemporaryDir>(parent + "/kelo-server-sim-XXXXXX");
    if (!dir_->isValid()) {
        if (error) *error = "cannot make a temporary folder in " + parent;
        dir_.reset();
        return false;
    }
    for (int i = 0; i < serverCount(); ++i) {
        const KeloServerSim::Config c = sim_.config(i);
        const QString root = dir_->filePath(QString::fromUtf8(c.name));
        auto tree = std::make_unique<SimMediaTree>(root, c.name, c.collectionID);
        if (!QDir().mkpath(root) || !tree->populate(i % std::max(1, options_.collectionSize))) {
            if (error) *error = "cannot write the media tree in " + root;
            trees_.clear();
            return false;
        }
        sim_.setContentTimeStamp(i, tree->timeStamp());
        tree->setChangeHandler([this, i](const QByteArray& stamp) { sim_.setContentTimeStamp(i, stamp); });
        trees_.push_back(std::move(tree));
    }
    return true;
}

bool KeloServerSimHost::start(QString* error) {
    if (!makeMediaTrees(error)) return false;
    // Four sockets per server: a thousand servers pass the usual soft limit.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    stopping_ = false;
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        stop();
        return false;
    };
    QString why;
    if (!sim_.start(&why)) return fail(why);
    for (int i = 0; i < serverCount(); ++i) {
        const KeloServerSim::Config c = sim_.config(i);
        KeloServerSimTcp::Config t;
        t.address = c.address;
        t.productPort = options_.productPort;
        t.bftpPort = options_.bftpPort;
        t.productName = "Kelo Sim Media Server";
        SimMediaTree* tree = trees_[size_t(i)].get();
        t.databaseSource = [tree] { return tree->database(); };
        t.transferHandler = [this, i](int fd, const QByteArray& head) { serveTransfer(i, fd, head); };
        tcp_.push_back(std::make_unique<KeloServerSimTcp>(t));
        if (!tcp_.back()->start(&why)) return fail(why);
    }
    return true;
}

void KeloServerSimHost::stop() {
    stopping_ = true;
    tcp_.clear();  // each stops on destruction
    sim_.stop();
}

SimMediaTree* KeloServerSimHost::mediaTree(int i) {
    return i >= 0 && size_t(i) < trees_.size() ? trees_[size_t(i)].get() : nullptr;
}

KeloServerSimTcp* KeloServerSimHost::tcp(int i) {
    return i >= 0 && size_t(i) < tcp_.size() ? tcp_[size_t(i)].get() : nullptr;
}

int KeloServerSimHost::serverAt(uint32_t address) const {
    const uint32_t first = options_.base;
    if (address < first || address - first >= uint32_t(serverCount())) return -1;
    return int(address - first);
}

int KeloServerSimHost::transfersServed(int i) const {
    return i >= 0 && i < serverCount() ? transfers_[size_t(i)].load() : 0;
}

void KeloServerSimHost::serveTransfer(int master, int fd, const QByteArray& head) {
    QByteArray bytes = head;
    if (!readUpTo(fd, bytes, 8)) return;
    const size_t length = SimRequests::transferRequestLength(bytes);
    if (length == 0 || !readUpTo(fd, bytes, length)) return;
    const std::optional<SimRequests::TransferRequest> r = SimRequests::readTransferRequest(bytes);
    if (!r) return;
    ++transfers_[size_t(master)];
    SimMediaTree* from = mediaTree(master);
    const QString path = from ? from->pathOf(r->item.folder, r->item.file) : QString();
    const QByteArray name = path.isEmpty() ? QByteArray("unknown item")
                                           : QFileInfo(path).fileName().toUtf8();
    auto reply = [&](uint32_t status, uint16_t flags, double progress,
                     const std::vector<SimReceiverReport>& receivers) {
        return sendAll(fd, BftpServerSim::progressReply(r->transferID, status, r->collectionID,
                                                        flags, uint16_t(progress * 65535.0), r->item,
                                                        name, receivers));
    };
    auto pause = [&] {
        for (int t = 0; t < options_.intervalMs && !stopping_; t += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !stopping_;
    };
    std::vector<SimReceiverReport> receivers;
    for (uint32_t a : r->receivers) receivers.push_back({a, kStart, 0});
    if (!reply(kStart, 0, 0.0, receivers)) return;
    const int steps = std::max(1, options_.progressReplies);
    for (int step = 1; step <= steps; ++step) {
        if (!pause()) return;
        for (SimReceiverReport& rr : receivers) rr.status = BftpServerSim::kStatusProgress;
        if (!reply(BftpServerSim::kStatusProgress, 80, double(step) / (steps + 1), receivers))
            return;
    }
    // The files arrive: each receiver's tree gets its copy.
    bool allSent = !path.isEmpty();
    for (SimReceiverReport& rr : receivers) {
        const int to = serverAt(rr.address);
        QString why;
        const bool ok = !path.isEmpty() && to >= 0 && to != master &&
                        mediaTree(to)->copyFrom(*from, r->item, &why);
        rr.status = ok ? kSent : kFailed;
        allSent = allSent && ok;
    }
    if (!pause()) return;
    reply(allSent ? kSent : kFailed, 3, 1.0, receivers);
}
