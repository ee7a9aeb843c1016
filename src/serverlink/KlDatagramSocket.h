#pragma once

#include <QByteArray>
#include <QVariant>

#include <sys/types.h>

#include <cstdint>
#include <functional>

// One received datagram as the main thread gets it: only the bytes received.
// `data` may share a receive buffer that lives only while the datagram is
// being handled: a handler that keeps bytes copies them.
struct ReceivedDatagram {
    QByteArray data;
    uint32_t source = 0;  // host order
    uint16_t sourcePort = 0;
    QByteArray ifname;  // empty when unknown
    // What the receive thread already read from `data` (a preference
    // dictionary), so that the main thread only files it; invalid when
    // nothing was read.
    QVariant decoded;
};

// One datagram of a batch to send; the bytes stay the caller's.
struct KlOutgoingDatagram {
    const char* data = nullptr;
    size_t size = 0;
    uint32_t address = 0;  // host order
    uint16_t port = 0;
};

// One UDP socket of the server link as its channels see it. The real one is
// KlUdpSocket; unit tests put in its place a fake that records what is sent
// and hands datagrams in. Main thread only.
class KlDatagramSocket {
public:
    // Runs on the main thread for each datagram that arrives.
    using Receiver = std::function<void(const ReceivedDatagram&)>;

    virtual ~KlDatagramSocket() = default;

    // Opens the socket unless it is open; whether it is open now.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // One datagram to a host-order address: the bytes sent, or -1.
    virtual ssize_t send(const QByteArray& datagram, uint32_t address, uint16_t port) = 0;
    // Each datagram in order, as send() would. The real socket copies them
    // and sends them from a thread of its own, spread over a few
    // milliseconds, so that the replies of many servers do not arrive in one
    // burst (KlUdpSocket).
    virtual void sendBatch(const KlOutgoingDatagram* datagrams, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const KlOutgoingDatagram& d = datagrams[i];
            send(QByteArray::fromRawData(d.data, qsizetype(d.size)), d.address, d.port);
        }
    }
    // Where received datagrams go; a socket that only sends never calls it.
    virtual void setReceiver(Receiver receiver) { (void)receiver; }
    // The interface (host-order address) multicast leaves by; takes effect
    // at the next open.
    virtual void setInterface(uint32_t address) { (void)address; }
    // The descriptor, for senders that write to it themselves; -1 when
    // closed or when there is none. Any thread.
    virtual int descriptor() const { return -1; }
    // Datagrams that arrived but were lost before the receiver saw them
    // (a full receive buffer). Any thread.
    virtual uint64_t droppedDatagrams() const { return 0; }
};

// Which of the link's sockets a socket is.
enum class KlSocketRole {
    Status,         // status, preferences, commands and the content editor; replies come back here
    Discovery,      // CITP presence and BFTP beacons, multicast
    ManagerBeacon,  // this controller's content-manager beacon, multicast out
};
