#pragma once

// A network singleton for unit tests: no timer, fake sockets that capture
// every sent datagram and inject received ones, a clock the test sets, and an
// interface table of one documentation-range Ethernet port, so that nothing
// depends on (or joins groups on) the machine's real interfaces.

#include "FakeDatagramSocket.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/OmNetInterface.h"
#include "support/WireBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace linktest {

constexpr uint32_t kOwnAddress = 0xC0000205;  // 192.0.2.5, this computer's "eth0"
constexpr uint32_t kServerA = 0xC0000217;     // 192.0.2.23
constexpr uint32_t kServerB = 0xC0000218;     // 192.0.2.24
constexpr uint32_t kFarAddress = 0xC6336401;  // 198.51.100.1, outside every subnet
constexpr uint32_t kLoopback = 0x7F000001;
constexpr double kStart = 820000000.0;

inline double gNow = kStart;

inline OmInterfaceAddress testInterface(const char* name, uint32_t address, uint32_t index) {
    OmInterfaceAddress a;
    a.name = name;
    a.address = address;
    a.mask = 0xFFFFFF00;
    a.index = index;
    return a;
}

// What the system's interface list answers; a test may change it.
inline std::vector<OmInterfaceAddress> gInterfaces;

// Where the TCP queries would have connected, in the order they tried.
inline std::mutex gTcpLock;
inline std::vector<std::pair<uint32_t, uint16_t>> gTcpAttempts;

inline void clearTcpAttempts() {
    std::lock_guard lock(gTcpLock);
    gTcpAttempts.clear();
}

// How many queries tried that address and port; the queries run on threads
// of their own, so this waits up to 2 s for at least `expected` of them.
inline int tcpAttempts(uint32_t address, uint16_t port, int expected = 1) {
    int found = 0;
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard lock(gTcpLock);
            found = int(std::count(gTcpAttempts.begin(), gTcpAttempts.end(),
                                   std::make_pair(address, port)));
        }
        if (found >= expected) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return found;
}

inline void useTestInterfaces() {
    gInterfaces = {testInterface("eth0", kOwnAddress, 2)};
    OmNetInterface::setInterfaceLister([] { return gInterfaces; });
    KeloObject::setClock([] { return gNow; });
    // The servers of these tests live at documentation addresses: the
    // product query that discovery starts must not try to reach them.
    clearTcpAttempts();
    setKeloTcpConnector([](uint32_t address, uint16_t port) {
        std::lock_guard lock(gTcpLock);
        gTcpAttempts.emplace_back(address, port);
        return -1;
    });
}

class LinkTest : public ::testing::Test {
protected:
    // Each test file passes its own discovery port so that files may run in
    // parallel in one network namespace.
    explicit LinkTest(uint16_t citpPort) : citpPort_(citpPort) {}

    void SetUp() override {
        useTestInterfaces();
        gNow = kStart;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.citpPort = citpPort_;
        options.statusPort = 14810;
        options.prefsPort = 16437;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
    }

    void TearDown() override {
        link.reset();
        // Discovery starts detached product queries; let them end before the
        // connector they call and the process go away.
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // A datagram as it arrives from `source` (a sender on this computer
    // arrives as 127.0.0.1 with its own address as the real one).
    void receive(const QByteArray& d, uint32_t source, const char* ifname = "eth0") {
        sockets.inject(d, source, ifname);
    }

    void ploc(const QByteArray& name, uint32_t source, const QByteArray& state = "Running",
              uint16_t tcpPort = 4811) {
        receive(WireBuilders::citpPLoc(tcpPort, "MediaServer", name, state), source);
    }

    void tick() { link->timerProc(); }

    std::vector<Sent> takeSent() { return std::exchange(sockets.sent, {}); }

    uint16_t citpPort_;
    FakeSockets sockets;
    std::vector<Sent>& sent = sockets.sent;
    std::unique_ptr<KlE_Control_Status> link;
};

}  // namespace linktest
