#include "serverlink/KlUdpSocket.h"

#include "serverlink/KlSockets.h"
#include "serverlink/ReceiveThread.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

KlUdpSocket::KlUdpSocket(Opener opener, const QString& receiveThreadName)
    : opener_(std::move(opener)) {
    if (receiveThreadName.isEmpty()) return;
    thread_ = std::make_unique<ReceiveThread>(
        receiveThreadName, [this] { return fd_.load(); }, [this] { return fd_.load() >= 0; },
        [this](const ReceivedDatagram& d) {
            if (receiver_) receiver_(d);
        });
}

KlUdpSocket::~KlUdpSocket() {
    thread_.reset();
    close();
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
