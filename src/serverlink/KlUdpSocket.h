#pragma once

#include "serverlink/KlDatagramSocket.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class ReceiveThread;

// A real UDP socket of the link. `opener` makes the descriptor for the
// interface address last set (-1 on failure); with a thread name, a receive
// thread hands each datagram that passes the acceptance filter to the
// receiver on the main thread. Batches go out through a send thread.
// Main thread only, except `descriptor` and `droppedDatagrams`.
class KlUdpSocket : public KlDatagramSocket {
public:
    using Opener = std::function<int(uint32_t interfaceAddress)>;

    static constexpr int kSpreadSlices = 8;
    static constexpr int kSpreadGapMs = 2;  // between two slices: 14 ms for a batch

    // `decoder` runs on the receive thread (ReceiveThread::Decoder).
    explicit KlUdpSocket(Opener opener, const QString& receiveThreadName = QString(),
                         std::function<QVariant(const char*, size_t)> decoder = {});
    // Ends the receive thread and closes the socket.
    ~KlUdpSocket() override;
    KlUdpSocket(const KlUdpSocket&) = delete;
    KlUdpSocket& operator=(const KlUdpSocket&) = delete;

    bool open() override;
    // The receive thread is woken before the descriptor goes, so that it
    // never waits on one that is about to be closed (and perhaps reused).
    void close() override;
    bool isOpen() const override { return fd_.load() >= 0; }
    ssize_t send(const QByteArray& datagram, uint32_t address, uint16_t port) override;
    // Copies the datagrams for the send thread (made on first use), which
    // sends them in kSpreadSlices parts kSpreadGapMs apart.
    void sendBatch(const KlOutgoingDatagram* datagrams, size_t count) override;
    void setReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
    void setInterface(uint32_t address) override { interface_ = address; }
    int descriptor() const override { return fd_.load(); }
    uint64_t droppedDatagrams() const override;

private:
    class Sender;

    Opener opener_;
    std::unique_ptr<Sender> sender_;
    uint32_t interface_ = 0;
    // Read by the receive thread.
    std::atomic<int> fd_{-1};
    Receiver receiver_;
    std::unique_ptr<ReceiveThread> thread_;
};
