#include "serverlink/KlUdpSocket.h"

#include "serverlink/KlSockets.h"
#include "serverlink/ReceiveThread.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

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
    const int fd = fd_.exchange(-1);
    if (thread_) thread_->wake();
    if (fd > 0) safeCloseSocket(fd);
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

size_t KlUdpSocket::sendBatch(const KlOutgoingDatagram* datagrams, size_t count) {
    const int fd = fd_.load();
    if (fd < 0) return 0;
    constexpr size_t kChunk = 64;
    sockaddr_in to[kChunk];
    iovec iov[kChunk];
    mmsghdr msgs[kChunk];
    size_t sent = 0;
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
        // sendmmsg stops at the first datagram that fails; that one is
        // passed over (send errors are not reported) and the rest go.
        size_t done = 0;
        while (done < n) {
            const int r = sendmmsg(fd, msgs + done, unsigned(n - done), 0);
            if (r < 0 && errno == EINTR) continue;
            if (r > 0) {
                sent += size_t(r);
                done += size_t(r);
            }
            if (done < n && r <= 0) ++done;
        }
    }
    return sent;
}
