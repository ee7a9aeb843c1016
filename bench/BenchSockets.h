#pragma once

// Sockets for benchmarks of code that sends through the server link.

#include "serverlink/KlDatagramSocket.h"
#include "serverlink/KlE_Control_Status.h"

#include <cstdint>
#include <memory>

// A socket that stops at the send seam and counts the bytes that would go.
class CountingSocket : public KlDatagramSocket {
public:
    explicit CountingSocket(int64_t* bytes) : bytes_(bytes) {}
    bool open() override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    ssize_t send(const QByteArray& datagram, uint32_t, uint16_t) override {
        *bytes_ += datagram.size();
        return datagram.size();
    }

private:
    int64_t* bytes_;
    bool open_ = false;
};

// Real sockets, or (`bytes` given) counting ones.
inline void useSockets(KlE_Control_Status::Options& options, int64_t* bytes) {
    if (!bytes) return;
    options.socketFactory = [bytes](KlSocketRole) {
        return std::make_unique<CountingSocket>(bytes);
    };
}
