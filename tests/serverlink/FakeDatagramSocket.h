#pragma once

// A socket of the link for unit tests: records every datagram a channel
// sends through it, open or not, and hands datagrams to the link as if they
// had arrived. Opening can be made to fail.

#include "serverlink/KlDatagramSocket.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace linktest {

struct Sent {
    KlSocketRole role;
    QByteArray datagram;
    uint32_t address;
    uint16_t port;
    int op() const { return datagram.size() < 12 ? -1 : uint8_t(datagram[11]); }
};

class FakeDatagramSocket : public KlDatagramSocket {
public:
    // Every fake of one link writes to the same log, in sending order.
    FakeDatagramSocket(KlSocketRole role, std::vector<Sent>* log) : role_(role), log_(log) {}

    bool open() override {
        if (!failOpen) open_ = true;
        return open_;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    ssize_t send(const QByteArray& datagram, uint32_t address, uint16_t port) override {
        log_->push_back({role_, datagram, address, port});
        return datagram.size();
    }
    void setReceiver(Receiver receiver) override { receiver_ = std::move(receiver); }
    void setInterface(uint32_t address) override { interface = address; }

    // A datagram arriving from `source` (host order) on interface `ifname`.
    void inject(const QByteArray& datagram, uint32_t source, const char* ifname = "eth0",
                uint16_t sourcePort = 4810) {
        if (receiver_) receiver_({datagram, source, sourcePort, QByteArray(ifname), QVariant()});
    }

    bool failOpen = false;
    uint32_t interface = 0;

private:
    KlSocketRole role_;
    std::vector<Sent>* log_;
    bool open_ = false;
    Receiver receiver_;
};

// Makes the three fakes of a link and keeps a pointer to each.
struct FakeSockets {
    std::vector<Sent> sent;
    FakeDatagramSocket* status = nullptr;
    FakeDatagramSocket* discovery = nullptr;
    FakeDatagramSocket* managerBeacon = nullptr;

    std::function<std::unique_ptr<KlDatagramSocket>(KlSocketRole)> factory() {
        return [this](KlSocketRole role) {
            auto socket = std::make_unique<FakeDatagramSocket>(role, &sent);
            (role == KlSocketRole::Status      ? status
             : role == KlSocketRole::Discovery ? discovery
                                               : managerBeacon) = socket.get();
            return socket;
        };
    }

    // A datagram as it arrives on the socket its kind comes in on.
    void inject(const QByteArray& datagram, uint32_t source, const char* ifname = "eth0") {
        const bool discoveryKind = datagram.startsWith("CITP") || datagram.startsWith("BFTP");
        (discoveryKind ? discovery : status)->inject(datagram, source, ifname);
    }
};

}  // namespace linktest
