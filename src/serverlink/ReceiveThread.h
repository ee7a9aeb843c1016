#pragma once

#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlEStatMessage.h"

#include <QByteArray>
#include <QString>

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

// One received datagram in a receive thread's own buffer, reused for every
// datagram.
struct packetInfo {
    int32_t length = 0;
    sockaddr_in from{};
    char ifname[32] = {};
    char data[kMaxReceivedDatagram];
};

// Receives one datagram with its source and the name of the interface it
// arrived on (IP_PKTINFO must be on). The name is left empty unless it fits
// with room to spare (shorter than `ifnameCapacity` - 1). Returns the byte
// count or a negative error.
ssize_t recvAndDiscover(int socket, char* buffer, size_t bufferSize, sockaddr_in* from,
                        socklen_t* fromLength, char* ifname, size_t ifnameCapacity);

// A receive loop on one socket of the link. Each datagram that passes the
// acceptance filter is copied and handed to the main thread, and the loop
// waits until the main thread has handled it, so at most one datagram per
// socket is in flight and the rest wait in the socket's buffer.
//
// The loop idles while the link's sockets are not valid. `wake` interrupts a
// wait for a datagram or for valid sockets, so that closing sockets never
// leaves the thread blocked on a stale descriptor. `stop` (main thread) ends
// the loop even while it waits for the main thread, which then drops the
// datagram instead of handling it; no hand-off can deadlock against a main
// thread that is stopping the loop.
class ReceiveThread {
public:
    using Handler = std::function<void(const ReceivedDatagram&)>;

    // `socket` and `valid` are read on the receive thread; `handler` runs on
    // the main thread.
    ReceiveThread(const QString& name, std::function<int()> socket, std::function<bool()> valid,
                  Handler handler);
    ~ReceiveThread();
    ReceiveThread(const ReceiveThread&) = delete;
    ReceiveThread& operator=(const ReceiveThread&) = delete;

    void wake();
    void stop();

private:
    struct State;
    void run();
    void commonReceive(const packetInfo& packet);

    QString name_;
    std::function<int()> socket_;
    std::function<bool()> valid_;
    std::shared_ptr<State> state_;
    std::thread thread_;
};
