// Real sockets on loopback: the suite runs inside a loopback-only network
// namespace, and every address used here is 127.x or a multicast group sent
// through 127.0.0.1.
#include "serverlink/KlSockets.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/OmNetInterface.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace {

constexpr uint32_t kGroup = 0xE00000B4u;        // 224.0.0.180
constexpr uint32_t kScopedGroup = 0xEFE000B4u;  // 239.224.0.180

uint16_t boundPort(int s) {
    sockaddr_in sin{};
    socklen_t len = sizeof(sin);
    if (getsockname(s, reinterpret_cast<sockaddr*>(&sin), &len) != 0) return 0;
    return ntohs(sin.sin_port);
}

uint32_t boundAddress(int s) {
    sockaddr_in sin{};
    socklen_t len = sizeof(sin);
    if (getsockname(s, reinterpret_cast<sockaddr*>(&sin), &len) != 0) return 0;
    return ntohl(sin.sin_addr.s_addr);
}

bool isOpen(int fd) {
    return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

// Sends through a socket whose multicast interface is loopback, as the
// servers on this machine do.
void sendTo(uint32_t address, uint16_t port, const QByteArray& bytes) {
    int s = safesocket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GT(s, 0);
    ASSERT_EQ(setMulticastInterface(s, kLoopbackAddress), s);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(address);
    ASSERT_EQ(sendto(s, bytes.constData(), size_t(bytes.size()), 0,
                     reinterpret_cast<sockaddr*>(&to), sizeof(to)),
              bytes.size());
    safeCloseSocket(s);
}

QByteArray receive(int s, int timeoutMs = 2000) {
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) != 1) return {};
    char buffer[256];
    const ssize_t n = recv(s, buffer, sizeof(buffer), 0);
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}

class InjectedInterfaces : public ::testing::Test {
protected:
    void TearDown() override { OmNetInterface::setInterfaceLister({}); }
};

}  // namespace

TEST(KlSockets, CloseWakesAThreadBlockedReceiving) {
    int s = createSocket(0);
    ASSERT_GT(s, 0);
    // Detached, so that a receiver that never wakes fails the test instead of
    // hanging it.
    auto done = std::make_shared<std::promise<ssize_t>>();
    std::future<ssize_t> result = done->get_future();
    std::thread([s, done] {
        char buffer[64];
        done->set_value(recv(s, buffer, sizeof(buffer), 0));
    }).detach();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(result.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    const auto closedAt = std::chrono::steady_clock::now();
    safeCloseSocket(s);
    ASSERT_EQ(result.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_LE(result.get(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - closedAt, std::chrono::milliseconds(500));
    EXPECT_FALSE(isOpen(s));
}

TEST(KlSockets, DescriptorZeroIsNeverHandedOutOrClosed) {
    // Whatever the harness left on 0 is put back afterwards.
    const int saved = dup(0);
    close(0);
    const int s = safesocket(AF_INET, SOCK_DGRAM, 0);
    EXPECT_GT(s, 0);
    // The stray socket on 0 stays there so that no later socket gets 0, and
    // closing "socket 0" is refused.
    EXPECT_TRUE(isOpen(0));
    safeCloseSocket(0);
    safeCloseSocket(-1);
    EXPECT_TRUE(isOpen(0));
    safeCloseSocket(s);
    if (saved >= 0) {
        dup2(saved, 0);
        close(saved);
    } else {
        close(0);
    }
}

TEST(KlSockets, SetMulticastInterfaceBindsToTheInterface) {
    int s = safesocket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(setMulticastInterface(s, kLoopbackAddress, true), s);
    EXPECT_EQ(boundAddress(s), kLoopbackAddress);
    EXPECT_NE(boundPort(s), 0);
    in_addr ifaddr{};
    socklen_t len = sizeof(ifaddr);
    ASSERT_EQ(getsockopt(s, IPPROTO_IP, IP_MULTICAST_IF, &ifaddr, &len), 0);
    EXPECT_EQ(ntohl(ifaddr.s_addr), kLoopbackAddress);
    safeCloseSocket(s);
}

TEST(KlSockets, SetMulticastInterfaceFailureClosesTheSocket) {
    // 192.0.2.1 is a documentation address that no interface here holds.
    int s = safesocket(AF_INET, SOCK_DGRAM, 0);
    EXPECT_EQ(setMulticastInterface(s, 0xC0000201u), -1);
    EXPECT_FALSE(isOpen(s));

    // A socket that is already bound cannot move to another interface.
    s = safesocket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_EQ(setMulticastInterface(s, kLoopbackAddress), s);
    EXPECT_EQ(setMulticastInterface(s, 0x7F000002u), -1);
    EXPECT_FALSE(isOpen(s));

    EXPECT_EQ(setMulticastInterface(-1, kLoopbackAddress), -1);
}

TEST(KlSockets, MulticastSocketReceivesTheGroupOnLoopback) {
    int s = createMulticastSocket(0, kGroup, kLoopbackAddress, true, true);
    ASSERT_GT(s, 0);
    const uint16_t port = boundPort(s);
    sendTo(kGroup, port, "PLoc");
    EXPECT_EQ(receive(s), QByteArray("PLoc"));
    // A second socket shares the port and also gets every group datagram.
    int t = createMulticastSocket(port, kGroup, kLoopbackAddress, false, false);
    ASSERT_GT(t, 0);
    EXPECT_EQ(boundPort(t), port);
    sendTo(kGroup, port, "both");
    EXPECT_EQ(receive(s), QByteArray("both"));
    EXPECT_EQ(receive(t), QByteArray("both"));
    safeCloseSocket(s);
    safeCloseSocket(t);
}

TEST_F(InjectedInterfaces, NetworkInterfaceSocketJoinsLoopbackAndTheSecondGroup) {
    // Interfaces that do not exist in this namespace: their joins fail and
    // are logged, and the socket still works on loopback.
    OmNetInterface::setInterfaceLister([] {
        return std::vector<OmInterfaceAddress>{{"eth0", 0x0A000005u, 0xFFFFFF00u, 2, 0, {}}};
    });
    KeloNetworkInterface ni;
    ni.scanForInterfaces();
    uint32_t local = 0;
    const int s = ni.multicastSocketForInterface(QString(), 0, kGroup, &local, true);
    ASSERT_GT(s, 0);
    EXPECT_EQ(local, kLoopbackAddress);
    const uint16_t port = boundPort(s);
    const uint32_t groups[] = {kScopedGroup};
    EXPECT_EQ(ni.addMulticastAddresses(groups, 1, s), 0);
    sendTo(kGroup, port, "one");
    EXPECT_EQ(receive(s), QByteArray("one"));
    sendTo(kScopedGroup, port, "two");
    EXPECT_EQ(receive(s), QByteArray("two"));
    safeCloseSocket(s);

    const int named = ni.multicastSocketForInterface("Ethernet (eth0)", 0, kGroup, &local, false);
    EXPECT_GT(named, 0);
    EXPECT_EQ(local, 0x0A000005u);
    safeCloseSocket(named);
}

TEST(KlSockets, CreateSocketAndNames) {
    int s = createSocket(0);
    ASSERT_GT(s, 0);
    EXPECT_NE(boundPort(s), 0);
    safeCloseSocket(s);

    EXPECT_EQ(IpAddressString(0xC0A80A01u), "192.168.10.1");
    EXPECT_EQ(IpAddressString(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_FALSE(getComputerName().isEmpty());
}

#include "support/TestMain.h"
KELO_TEST_MAIN()
