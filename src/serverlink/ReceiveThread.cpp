#include "serverlink/ReceiveThread.h"

#include "foundation/OmLog.h"
#include "platform/MainThread.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>

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
    if (!ifname || msg.msg_controllen < 12 || (msg.msg_flags & MSG_CTRUNC)) return n;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        char name[IF_NAMESIZE] = {};
        if (!if_indextoname(info.ipi_ifindex, name)) continue;
        const size_t length = strnlen(name, sizeof name);
        if (ifnameCapacity >= 1 && length < ifnameCapacity - 1) {
            std::memcpy(ifname, name, length);
            ifname[length] = 0;
        }
    }
    return n;
}

struct ReceiveThread::State {
    std::mutex mutex;
    std::condition_variable cv;
    std::atomic<bool> stopping{false};
    Handler handler;
    int wakeFd = -1;
};

namespace {

struct HandOff {
    ReceivedDatagram datagram;
    bool done = false;
};

// Waits for the wake descriptor (and the socket, when there is one).
// Returns whether the socket is readable.
bool waitFor(int socket, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {socket, POLLIN, 0}};
    const int r = poll(fds, socket >= 0 ? 2 : 1, timeoutMs);
    if (r <= 0) return false;
    if (fds[0].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] ssize_t ignored = read(wakeFd, &count, sizeof count);
        return false;
    }
    return socket >= 0 && fds[1].revents != 0;
}

}  // namespace

ReceiveThread::ReceiveThread(const QString& name, std::function<int()> socket,
                             std::function<bool()> valid, Handler handler)
    : name_(name),
      socket_(std::move(socket)),
      valid_(std::move(valid)),
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
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->cv.notify_all();
    wake();
    if (thread_.joinable()) thread_.join();
}

void ReceiveThread::run() {
    pthread_setname_np(pthread_self(), name_.left(15).toUtf8().constData());
    auto packet = std::make_unique<packetInfo>();
    while (!state_->stopping) {
        const int socket = valid_() ? socket_() : -1;
        if (socket < 0) {
            waitFor(-1, state_->wakeFd, 1000);
            continue;
        }
        if (!waitFor(socket, state_->wakeFd, -1)) continue;
        socklen_t fromLength = sizeof packet->from;
        const ssize_t n = recvAndDiscover(socket, packet->data, sizeof packet->data, &packet->from,
                                          &fromLength, packet->ifname, sizeof packet->ifname);
        if (n < 1) {
            // A socket closed or shut down under us: give the main thread a
            // moment to mark it invalid instead of spinning on it.
            waitFor(-1, state_->wakeFd, 10);
            continue;
        }
        packet->length = int32_t(n);
        commonReceive(*packet);
    }
}

void ReceiveThread::commonReceive(const packetInfo& packet) {
    if (KlEStatMessage::acceptDatagram(packet.data, size_t(packet.length)) ==
        KlDatagramKind::Dropped) {
        return;
    }
    auto job = std::make_shared<HandOff>();
    job->datagram.data = QByteArray(packet.data, packet.length);
    job->datagram.source = ntohl(packet.from.sin_addr.s_addr);
    job->datagram.sourcePort = ntohs(packet.from.sin_port);
    job->datagram.ifname = QByteArray(packet.ifname);
    auto state = state_;
    MainThread::runOnMain([state, job] {
        if (!state->stopping) state->handler(job->datagram);
        {
            std::lock_guard lock(state->mutex);
            job->done = true;
        }
        state->cv.notify_all();
    });
    std::unique_lock lock(state->mutex);
    state->cv.wait(lock, [&] { return job->done || state->stopping; });
}
