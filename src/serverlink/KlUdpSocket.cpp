#include "serverlink/KlUdpSocket.h"

#include "serverlink/KlSockets.h"
#include "serverlink/ReceiveThread.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Sends every datagram through `fd` in as few calls as it can. sendmmsg
// stops at the first datagram that fails; that one is passed over (send
// errors are not reported) and the rest go.
void sendAll(int fd, const KlOutgoingDatagram* datagrams, size_t count) {
    constexpr size_t kChunk = 64;
    sockaddr_in to[kChunk];
    iovec iov[kChunk];
    mmsghdr msgs[kChunk];
    for (size_t start = 0; start < count; start += kChunk) {
        const size_t n = std::min(kChunk, count - start);
        for (size_t i = 0; i < n; ++i) {
            const KlOutgoingDatagram& d = datagrams[start + i];
            to[i] = {};
            to[i].sin_family = AF_INET;
            to[i].sin_addr.s_addr = htonl(d.address);
            to[i].sin_port = htons(d.port);
            iov[i] = {const_cast<char*>(d.data), d.size};
            msgs[i] = {};
            msgs[i].msg_hdr.msg_name = &to[i];
            msgs[i].msg_hdr.msg_namelen = sizeof to[i];
            msgs[i].msg_hdr.msg_iov = &iov[i];
            msgs[i].msg_hdr.msg_iovlen = 1;
        }
        size_t done = 0;
        while (done < n) {
            const int r = sendmmsg(fd, msgs + done, unsigned(n - done), 0);
            if (r < 0 && errno == EINTR) continue;
            done += r > 0 ? size_t(r) : 1;
        }
    }
}

}  // namespace

// The send thread. A batch's bytes are copied into one block; the thread
// sends it in slices with short gaps. `sendLock` is held while a slice
// goes, so that close() never takes the descriptor away mid-send.
class KlUdpSocket::Sender {
public:
    explicit Sender(const std::atomic<int>& fd) : fd_(fd), thread_([this] { run(); }) {}
    ~Sender() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }

    void queue(const KlOutgoingDatagram* datagrams, size_t count) {
        Batch batch;
        size_t total = 0;
        for (size_t i = 0; i < count; ++i) total += datagrams[i].size;
        batch.bytes.resize(qsizetype(total));
        batch.datagrams.assign(datagrams, datagrams + count);
        size_t offset = 0;
        for (KlOutgoingDatagram& d : batch.datagrams) {
            std::memcpy(batch.bytes.data() + offset, d.data, d.size);
            d.data = batch.bytes.constData() + offset;
            offset += d.size;
        }
        {
            std::lock_guard lock(mutex_);
            queued_.push_back(std::move(batch));
        }
        cv_.notify_one();
    }

    std::mutex sendLock;

private:
    struct Batch {
        QByteArray bytes;
        std::vector<KlOutgoingDatagram> datagrams;
    };

    void run() {
        std::unique_lock lock(mutex_);
        while (true) {
            cv_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
            if (stopping_) return;
            std::vector<Batch> batches;
            batches.swap(queued_);
            lock.unlock();
            for (const Batch& b : batches) {
                const size_t count = b.datagrams.size();
                const size_t slice = (count + kSpreadSlices - 1) / kSpreadSlices;
                for (size_t start = 0; start < count; start += slice) {
                    if (start > 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(kSpreadGapMs));
                    std::lock_guard sending(sendLock);
                    const int fd = fd_.load();
                    if (fd >= 0)
                        sendAll(fd, b.datagrams.data() + start, std::min(slice, count - start));
                }
            }
            lock.lock();
        }
    }

    const std::atomic<int>& fd_;
    std::mutex mutex_;  // guards the two below
    std::condition_variable cv_;
    std::vector<Batch> queued_;
    bool stopping_ = false;
    std::thread thread_;
};

KlUdpSocket::KlUdpSocket(Opener opener, const QString& receiveThreadName,
                         std::function<QVariant(const char*, size_t)> decoder)
    : opener_(std::move(opener)) {
    if (receiveThreadName.isEmpty()) return;
    thread_ = std::make_unique<ReceiveThread>(
        receiveThreadName, [this] { return fd_.load(); }, [this] { return fd_.load() >= 0; },
        [this](const ReceivedDatagram& d) {
            if (receiver_) receiver_(d);
        },
        std::move(decoder));
}

KlUdpSocket::~KlUdpSocket() {
    thread_.reset();
    sender_.reset();
    close();
}

uint64_t KlUdpSocket::droppedDatagrams() const {
    return thread_ ? thread_->droppedDatagrams() : 0;
}

bool KlUdpSocket::open() {
    if (isOpen()) return true;
    const int fd = opener_ ? opener_(interface_) : -1;
    if (fd <= 0) return false;
    fd_ = fd;
    if (thread_) thread_->wake();
    return true;
}

void KlUdpSocket::close() {
    std::unique_lock<std::mutex> sending;
    if (sender_) sending = std::unique_lock(sender_->sendLock);
    const int fd = fd_.exchange(-1);
    if (thread_) thread_->wake();
    if (fd > 0) safeCloseSocket(fd);
}

void KlUdpSocket::sendBatch(const KlOutgoingDatagram* datagrams, size_t count) {
    if (count == 0 || !isOpen()) return;
    if (!sender_) sender_ = std::make_unique<Sender>(fd_);
    sender_->queue(datagrams, count);
}

ssize_t KlUdpSocket::send(const QByteArray& datagram, uint32_t address, uint16_t port) {
    const int fd = fd_.load();
    if (fd < 0 || datagram.isEmpty()) return -1;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    return sendto(fd, datagram.constData(), size_t(datagram.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
}
