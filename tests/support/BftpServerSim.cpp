#include "support/BftpServerSim.h"

#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace {

constexpr size_t kMaxRequest = BftpServerSim::kRequestSize + 4 * BftpServerSim::kMaxReceivers;

uint32_t get32(const char* at) {
    return qFromBigEndian<uint32_t>(at);
}

}  // namespace

BftpServerSim::BftpServerSim() = default;

BftpServerSim::BftpServerSim(const Config& config) : config_(config) {}

BftpServerSim::~BftpServerSim() {
    stop();
}

bool BftpServerSim::start(QString* error) {
    const auto fail = [&](const char* what) {
        if (error) *error = QString("%1: %2").arg(what, strerror(errno));
        if (listenFd_ >= 0) close(listenFd_);
        if (wakeFd_ >= 0) close(wakeFd_);
        listenFd_ = wakeFd_ = -1;
        return false;
    };
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) return fail("socket");
    const int on = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(config_.address);
    sin.sin_port = htons(config_.port);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) return fail("bind");
    if (listen(listenFd_, 8) != 0) return fail("listen");
    socklen_t size = sizeof sin;
    if (getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sin), &size) != 0) {
        return fail("getsockname");
    }
    port_ = ntohs(sin.sin_port);
    wakeFd_ = eventfd(0, EFD_NONBLOCK);
    if (wakeFd_ < 0) return fail("eventfd");
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void BftpServerSim::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wakeFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(wakeFd_);
    listenFd_ = wakeFd_ = -1;
}

void BftpServerSim::pushBehaviour(Behaviour behaviour) {
    std::lock_guard lock(lock_);
    behaviours_.push_back(behaviour);
}

std::vector<QByteArray> BftpServerSim::requests() const {
    std::lock_guard lock(lock_);
    return requests_;
}

bool BftpServerSim::waitForConnections(int count, int timeoutMs) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (connections_.load() < count) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

QByteArray BftpServerSim::progressReply(uint32_t transferID, uint32_t status, uint8_t collectionID,
                                        uint16_t flags, uint16_t progress, SimContentRef content,
                                        const QByteArray& name,
                                        const std::vector<SimReceiverReport>& receivers) {
    QByteArray reply(qsizetype(kReplyNameOffset), '\0');
    reply.append(name);
    reply.append('\0');
    if (reply.size() % 2) reply.append('\0');
    char count[2];
    qToBigEndian(uint16_t(receivers.size()), count);
    reply.append(count, 2);
    for (const auto& r : receivers) {
        char record[12];
        qToBigEndian(r.address, record);
        qToBigEndian(r.status, record + 4);
        qToBigEndian(r.resetCount, record + 8);
        reply.append(record, 12);
    }
    char* d = reply.data();
    qToBigEndian(simFourCharCode("BFTP"), d);
    qToBigEndian(uint32_t(reply.size()), d + 4);
    qToBigEndian(transferID, d + 8);
    qToBigEndian(status, d + 12);
    d[16] = char(collectionID);
    qToBigEndian(flags, d + 20);
    qToBigEndian(progress, d + 22);
    qToBigEndian(simFourCharCode("BFTp"), d + 32);
    std::memcpy(d + 36, content.bytes().constData(), 4);
    return reply;
}

bool BftpServerSim::pause(int ms) {
    pollfd p{wakeFd_, POLLIN, 0};
    poll(&p, 1, ms);
    return !stopping_;
}

void BftpServerSim::holdUntilClosed(int fd, int timeoutMs) {
    char sink[256];
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(p, 2, timeoutMs) <= 0 || stopping_) return;
        if (recv(fd, sink, sizeof sink, 0) <= 0) return;
    }
}

bool BftpServerSim::sendAll(int fd, const QByteArray& data) {
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n =
            send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

void BftpServerSim::run() {
    while (!stopping_) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(p, 2, -1) <= 0 || stopping_) continue;
        if (!(p[0].revents & POLLIN)) continue;
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0) continue;
        Behaviour behaviour = Behaviour::Normal;
        {
            std::lock_guard lock(lock_);
            if (!behaviours_.empty()) {
                behaviour = behaviours_.front();
                behaviours_.pop_front();
            }
        }
        ++connections_;
        serve(fd, behaviour);
        close(fd);
    }
}

void BftpServerSim::serve(int fd, Behaviour behaviour) {
    // Reads exactly `size` bytes unless the peer closes, times out or we stop.
    const auto readAll = [&](char* into, size_t size) {
        size_t got = 0;
        while (got < size) {
            pollfd p[2] = {{fd, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            if (poll(p, 2, 5000) <= 0 || stopping_) return false;
            const ssize_t n = recv(fd, into + got, size - got, 0);
            if (n <= 0) return false;
            got += size_t(n);
        }
        return true;
    };

    char request[kMaxRequest];
    if (!readAll(request, 8)) return;
    const uint32_t length = get32(request + 4);
    if (get32(request) != simFourCharCode("BFTP") || length < kRequestSize ||
        length > kMaxRequest || !readAll(request + 8, length - 8)) {
        return;
    }
    {
        std::lock_guard lock(lock_);
        requests_.emplace_back(request, qsizetype(length));
    }
    if (behaviour == Behaviour::Close) return;

    const uint32_t transferID = get32(request + 8);
    const auto collection = uint8_t(request[16]);
    const SimContentRef content = SimContentRef::fromBytes(QByteArray(request + 40, 4));
    const size_t n = uint8_t(request[37]);
    std::vector<SimReceiverReport> receivers;
    for (size_t i = 0; i < n && 44 + 4 * i + 4 <= length; ++i) {
        const uint32_t resets =
            i < config_.resetCounts.size() ? config_.resetCounts[i] : uint32_t(i);
        receivers.push_back({get32(request + 44 + 4 * i), 0, resets});
    }
    const auto named = config_.itemNames.find(QByteArray(request + 40, 4));
    const QByteArray name =
        named != config_.itemNames.end() ? named->second : config_.itemName;
    const auto reply = [&](uint32_t status, uint16_t flags, uint16_t progress) {
        for (auto& r : receivers) r.status = status;
        return progressReply(transferID, status, collection, flags, progress, content, name,
                             receivers);
    };
    const QByteArray first = reply(kStatusProgress, config_.mbps, 0);

    switch (behaviour) {
        case Behaviour::ShortReply:
            sendAll(fd, first.left(first.size() - 5));
            return;
        case Behaviour::LongReply: {
            QByteArray big = first;
            qToBigEndian(uint32_t(kMaxReplySize + 1), big.data() + 4);
            sendAll(fd, big);
            holdUntilClosed(fd, 2000);
            return;
        }
        case Behaviour::Garbage:
            sendAll(fd, QByteArray(64, 'x'));
            holdUntilClosed(fd, 2000);
            return;
        case Behaviour::WrongReplyMagic: {
            QByteArray bad = first;
            bad[35] = 'P';
            sendAll(fd, bad);
            holdUntilClosed(fd, 2000);
            return;
        }
        case Behaviour::NoBody: {
            QByteArray header = first.left(8);
            qToBigEndian(uint32_t(8), header.data() + 4);
            sendAll(fd, header);
            holdUntilClosed(fd, 2000);
            return;
        }
        case Behaviour::ReceiversOverrun: {
            QByteArray bad = first;
            const qsizetype at = bad.size() - qsizetype(2 + 12 * receivers.size());
            qToBigEndian(uint16_t(receivers.size() + 1), bad.data() + at);
            sendAll(fd, bad);
            holdUntilClosed(fd, 2000);
            return;
        }
        default:
            break;
    }

    if (config_.sendStart &&
        !sendAll(fd, reply(simFourCharCode("strt"), config_.reportFlags, 0)))
        return;
    const int steps = config_.progressReplies;
    for (int i = 0; i < steps; ++i) {
        const auto progress = uint16_t(65535 * i / (steps > 0 ? steps : 1));
        if (!sendAll(fd, reply(kStatusProgress, config_.mbps, progress))) return;
        if (!pause(config_.intervalMs)) return;
    }
    if (behaviour == Behaviour::Stall) {
        holdUntilClosed(fd, -1);
        return;
    }
    if (behaviour == Behaviour::Drop) return;
    const uint32_t final =
        behaviour == Behaviour::Abort ? simFourCharCode("abrt") : config_.finalStatus;
    sendAll(fd, reply(final, config_.reportFlags, 65535));
}
