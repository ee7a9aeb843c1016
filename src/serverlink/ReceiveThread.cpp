#include "serverlink/ReceiveThread.h"

#include "foundation/OmLog.h"
#include "platform/MainThread.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The interface index IP_PKTINFO attached, 0 when there is none or the
// control data was cut short.
unsigned arrivalInterfaceIndex(msghdr* msg) {
    if (msg->msg_controllen < 12 || (msg->msg_flags & MSG_CTRUNC)) return 0;
    unsigned index = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(msg); c; c = CMSG_NXTHDR(msg, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        index = unsigned(info.ipi_ifindex);
    }
    return index;
}

// The interface's name, empty unless it fits `capacity` with room to spare.
QByteArray interfaceName(unsigned index, size_t capacity) {
    char name[IF_NAMESIZE] = {};
    if (index == 0 || !if_indextoname(index, name)) return {};
    const size_t length = strnlen(name, sizeof name);
    if (capacity < 1 || length >= capacity - 1) return {};
    return QByteArray(name, qsizetype(length));
}

}  // namespace

ssize_t recvAndDiscover(int socket, char* buffer, size_t bufferSize, sockaddr_in* from,
                        socklen_t* fromLength, char* ifname, size_t ifnameCapacity) {
    if (ifname && ifnameCapacity > 0) ifname[0] = 0;
    alignas(cmsghdr) char control[1024];
    iovec iov{buffer, bufferSize};
    msghdr msg{};
    msg.msg_name = from;
    msg.msg_namelen = fromLength ? *fromLength : 0;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(socket, &msg, 0);
    if (n < 0) return -errno;
    if (fromLength) *fromLength = msg.msg_namelen;
    if (!ifname) return n;
    const QByteArray name = interfaceName(arrivalInterfaceIndex(&msg), ifnameCapacity);
    std::memcpy(ifname, name.constData(), size_t(name.size()) + 1);
    return n;
}

// One recvmmsg's accepted datagrams: their bytes end to end in one block,
// and each datagram a slice of it, so that a batch costs two allocations
// whatever its size.
struct ReceiveThread::Batch {
    QByteArray bytes;
    std::vector<ReceivedDatagram> datagrams;
};

struct ReceiveThread::State {
    Handler handler;
    int wakeFd = -1;
    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> dropped{0};
    size_t queuedBytes = 0;  // guarded by the hand-off's mutex
};

// The queue to the main thread that every receive thread shares: there is
// one main thread to wake. A batch keeps its thread's state alive, so a
// pass can tell a stopped thread's batches after the thread is gone.
struct ReceiveThread::HandOff {
    struct Entry {
        std::shared_ptr<State> owner;
        std::unique_ptr<Batch> batch;
    };

    // Made on first use and never destroyed: receive threads of objects
    // destroyed at exit may still reach it.
    static HandOff& instance() {
        static HandOff* handOff = new HandOff;
        return *handOff;
    }

    // Main thread: hands over everything queued so far. Only the posted
    // pass may allow the next post: one asked for stays pending otherwise.
    void pass(bool posted) {
        std::vector<Entry> entries;
        {
            std::lock_guard lock(mutex);
            entries.swap(queued);
            for (const Entry& e : entries) e.owner->queuedBytes = 0;
            if (posted)
                passPosted = false;
            else if (!entries.empty())
                lastPass = std::chrono::steady_clock::now();
        }
        for (const Entry& e : entries) {
            for (const ReceivedDatagram& d : e.batch->datagrams) {
                // A handler may stop a receive thread, its own included.
                if (e.owner->stopping) break;
                e.owner->handler(d);
            }
        }
    }

    std::mutex mutex;  // guards the three below
    std::vector<Entry> queued;
    bool passPosted = false;
    std::chrono::steady_clock::time_point lastPass{};
};

namespace {

enum class Wait { Readable, Idle, Woken };

// Waits for the wake descriptor (and the socket, when there is one).
Wait waitFor(int socket, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {socket, POLLIN, 0}};
    const int r = poll(fds, socket >= 0 ? 2 : 1, timeoutMs);
    if (r <= 0) return Wait::Idle;
    if (fds[0].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t ignored = read(wakeFd, &count, sizeof count);
        return Wait::Woken;
    }
    return socket >= 0 && fds[1].revents != 0 ? Wait::Readable : Wait::Idle;
}

// Room for IP_PKTINFO and SO_RXQ_OVFL.
constexpr size_t kControlSize = CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(uint32_t)) + 32;

// The kernel's drop counter of the socket (SO_RXQ_OVFL), when attached.
bool dropCounter(msghdr* msg, uint32_t* counter) {
    if (msg->msg_flags & MSG_CTRUNC) return false;
    for (cmsghdr* c = CMSG_FIRSTHDR(msg); c; c = CMSG_NXTHDR(msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
            std::memcpy(counter, CMSG_DATA(c), sizeof *counter);
            return true;
        }
    }
    return false;
}

}  // namespace

ReceiveThread::ReceiveThread(const QString& name, std::function<int()> socket,
                             std::function<bool()> valid, Handler handler, Decoder decoder)
    : name_(name),
      socket_(std::move(socket)),
      valid_(std::move(valid)),
      decoder_(std::move(decoder)),
      state_(std::make_shared<State>()) {
    state_->handler = std::move(handler);
    state_->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (state_->wakeFd < 0) {
        OmLogNoFlood(kOmLogError, "%s: no wake descriptor (errno %d)\n", qPrintable(name_), errno);
    }
    thread_ = std::thread([this] { run(); });
}

ReceiveThread::~ReceiveThread() {
    stop();
    if (state_->wakeFd >= 0) close(state_->wakeFd);
}

void ReceiveThread::wake() {
    if (state_->wakeFd < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(state_->wakeFd, &one, sizeof one);
}

void ReceiveThread::stop() {
    state_->stopping = true;
    wake();
    if (thread_.joinable()) thread_.join();
    HandOff& handOff = HandOff::instance();
    std::vector<HandOff::Entry> dropped;
    std::lock_guard lock(handOff.mutex);
    auto mine =
        std::stable_partition(handOff.queued.begin(), handOff.queued.end(),
                              [this](const HandOff::Entry& e) { return e.owner != state_; });
    std::move(mine, handOff.queued.end(), std::back_inserter(dropped));
    handOff.queued.erase(mine, handOff.queued.end());
    state_->queuedBytes = 0;
}

uint64_t ReceiveThread::droppedDatagrams() const {
    return state_->dropped.load();
}

void ReceiveThread::countDrops(uint64_t dropped) {
    state_->dropped += dropped;
    unloggedDrops_ += dropped;
    logDrops();
}

void ReceiveThread::logDrops() {
    const auto now = std::chrono::steady_clock::now();
    if (unloggedDrops_ == 0 || now - lastDropLog_ < std::chrono::seconds(1)) return;
    OmLogNoFlood(kOmLogWarning, "%s: %llu datagrams lost since the last report (full buffers)\n",
                 qPrintable(name_), static_cast<unsigned long long>(unloggedDrops_));
    unloggedDrops_ = 0;
    lastDropLog_ = now;
}

void ReceiveThread::queue(std::unique_ptr<Batch> batch) {
    const size_t bytes = size_t(batch->bytes.size());
    HandOff& handOff = HandOff::instance();
    {
        std::lock_guard lock(handOff.mutex);
        if (state_->queuedBytes + bytes <= kMaxQueuedBytes) {
            state_->queuedBytes += bytes;
            handOff.queued.push_back({state_, std::move(batch)});
            return;
        }
    }
    countDrops(batch->datagrams.size());
}

int ReceiveThread::postDrainIfDue() {
    HandOff& handOff = HandOff::instance();
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(handOff.mutex);
        if (handOff.queued.empty() || handOff.passPosted) return -1;
        const auto due = handOff.lastPass + kMinDrainGap;
        if (now < due) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now);
            return std::max(1, int(wait.count()));
        }
        handOff.passPosted = true;
        handOff.lastPass = now;
    }
    MainThread::runOnMain([] { HandOff::instance().pass(true); });
    return -1;
}

void ReceiveThread::handOffQueued() {
    HandOff::instance().pass(false);
}

void ReceiveThread::run() {
    pthread_setname_np(pthread_self(), name_.left(15).toUtf8().constData());
    std::vector<char> buffers(kBatch * kMaxReceivedDatagram);
    std::vector<mmsghdr> msgs(kBatch);
    std::vector<iovec> iovs(kBatch);
    std::vector<sockaddr_in> from(kBatch);
    struct alignas(cmsghdr) Control {
        char bytes[kControlSize];
    };
    std::vector<Control> controls(kBatch);
    // Interface names by index: looking one up costs a system call, and a
    // busy link would pay it for every datagram. Forgotten once a second
    // and with each new socket, as interfaces come and go.
    std::vector<std::pair<unsigned, QByteArray>> names;
    auto namesAge = std::chrono::steady_clock::now();
    int lastSocket = -1;
    uint32_t lastCounter = 0;
    bool reconfigure = true;

    while (!state_->stopping) {
        // Batches held back for the next drain bound how long we may wait.
        const int due = postDrainIfDue();
        const int socket = valid_() ? socket_() : -1;
        if (socket < 0) {
            if (waitFor(-1, state_->wakeFd, due < 0 ? 1000 : due) == Wait::Woken)
                reconfigure = true;
            continue;
        }
        if (socket != lastSocket || reconfigure) {
            // A reopened socket may reuse the number: ask for its drop
            // counter again and start counting afresh.
            const int on = 1;
            setsockopt(socket, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
            lastSocket = socket;
            lastCounter = 0;
            reconfigure = false;
            names.clear();
        }
        const Wait w = waitFor(socket, state_->wakeFd, due);
        if (w == Wait::Woken) reconfigure = true;
        if (w != Wait::Readable) continue;

        for (size_t i = 0; i < kBatch; ++i) {
            iovs[i] = {buffers.data() + i * kMaxReceivedDatagram, kMaxReceivedDatagram};
            msghdr& m = msgs[i].msg_hdr;
            m = {};
            m.msg_name = &from[i];
            m.msg_namelen = sizeof from[i];
            m.msg_iov = &iovs[i];
            m.msg_iovlen = 1;
            m.msg_control = controls[i].bytes;
            m.msg_controllen = kControlSize;
            msgs[i].msg_len = 0;
        }
        const int n = recvmmsg(socket, msgs.data(), unsigned(kBatch), MSG_DONTWAIT, nullptr);
        if (n < 1) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // A socket closed or shut down under us: give the main thread a
            // moment to mark it invalid instead of spinning on it.
            waitFor(-1, state_->wakeFd, 10);
            continue;
        }

        const auto now = std::chrono::steady_clock::now();
        if (now - namesAge > std::chrono::seconds(1)) {
            names.clear();
            namesAge = now;
        }
        auto batch = std::make_unique<Batch>();
        qsizetype total = 0;
        for (int i = 0; i < n; ++i) {
            uint32_t counter = 0;
            if (dropCounter(&msgs[i].msg_hdr, &counter)) {
                // A smaller count belongs to a new socket under a reused number.
                if (counter < lastCounter) lastCounter = 0;
                if (counter > lastCounter) countDrops(counter - lastCounter);
                lastCounter = counter;
            }
            const char* data = static_cast<const char*>(iovs[i].iov_base);
            if (msgs[i].msg_len == 0 ||
                KlEStatMessage::acceptDatagram(data, msgs[i].msg_len) == KlDatagramKind::Dropped) {
                msgs[i].msg_len = 0;
                continue;
            }
            total += qsizetype(msgs[i].msg_len);
        }
        logDrops();
        if (total == 0) continue;
        batch->bytes.resize(total);
        batch->datagrams.reserve(size_t(n));
        qsizetype offset = 0;
        for (int i = 0; i < n; ++i) {
            const qsizetype length = qsizetype(msgs[i].msg_len);
            if (length == 0) continue;
            char* slice = batch->bytes.data() + offset;
            std::memcpy(slice, iovs[i].iov_base, size_t(length));
            offset += length;
            ReceivedDatagram& d = batch->datagrams.emplace_back();
            d.data = QByteArray::fromRawData(slice, length);
            d.source = ntohl(from[i].sin_addr.s_addr);
            d.sourcePort = ntohs(from[i].sin_port);
            if (decoder_) d.decoded = decoder_(slice, size_t(length));
            const unsigned index = arrivalInterfaceIndex(&msgs[i].msg_hdr);
            if (index == 0) continue;
            auto known = std::find_if(names.begin(), names.end(),
                                      [index](const auto& e) { return e.first == index; });
            if (known == names.end()) {
                names.emplace_back(index, interfaceName(index, kInterfaceNameCapacity));
                known = names.end() - 1;
            }
            d.ifname = known->second;
        }
        queue(std::move(batch));
    }
}
