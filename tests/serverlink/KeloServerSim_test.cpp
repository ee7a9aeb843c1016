// The simulated server over real loopback sockets, read back with the
// controller's own wire readers. Runs only inside a loopback-only network
// namespace (the test suite's).

#include "support/KeloServerSim.h"
#include "graphics/KeloDecompressJPEG.h"
#include "platform/PropertyList.h"
#include "serverlink/BftpBeacon.h"
#include "serverlink/CitpMessage.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/StatusReplyWalker.h"
#include "support/LoopbackNamespace.h"
#include "support/TestMain.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
// Each test runs in its own process beside the others (ctest -j): it takes
// an address and ports of its own, from its line number.
uint32_t gServerAddress = 0;
uint16_t gStatusPort = 0;
uint16_t gPrefsPort = 0;
uint16_t gCitpPort = 0;

KeloServerSim::Network testNetwork(uint32_t controller = 0) {
    KeloServerSim::Network n;
    n.controller = controller;
    n.statusPort = gStatusPort;
    n.prefsPort = gPrefsPort;
    n.citpPort = gCitpPort;
    return n;
}

// A UDP socket on 127.0.0.1: the controller's side.
class Peer {
public:
    // port 0: any; a non-zero port also joins the discovery group on loopback.
    explicit Peer(uint16_t port = 0) {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        setsockopt(fd_, SOL_SOCKET, SO_REUSEPORT, &one, sizeof one);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(port ? INADDR_ANY : kLoopback);
        sa.sin_port = htons(port);
        bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        if (port) {
            ip_mreq m{};
            m.imr_multiaddr.s_addr = htonl(0xE00000B4);
            m.imr_interface.s_addr = htonl(kLoopback);
            setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &m, sizeof m);
        }
    }
    ~Peer() { close(fd_); }

    void send(const QByteArray& d, uint16_t port) {
        const uint32_t address = gServerAddress;
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(address);
        to.sin_port = htons(port);
        sendto(fd_, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr*>(&to),
               sizeof to);
    }

    // The next datagram within `ms`, with its sender; false on time-out.
    bool receive(QByteArray* out, int ms = 1000, uint32_t* from = nullptr) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) != 1) return false;
        QByteArray buffer(65536, '\0');
        sockaddr_in sa{};
        socklen_t length = sizeof sa;
        const ssize_t n = recvfrom(fd_, buffer.data(), size_t(buffer.size()), 0,
                                   reinterpret_cast<sockaddr*>(&sa), &length);
        if (n < 0) return false;
        buffer.resize(int(n));
        *out = buffer;
        if (from) *from = ntohl(sa.sin_addr.s_addr);
        return true;
    }

    // Sends a status request and returns the reply (empty on time-out).
    QByteArray ask(uint16_t word, int ms = 1000) {
        send(KlEStatMessage::statusRequest(word), gStatusPort);
        QByteArray reply;
        return receive(&reply, ms) ? reply : QByteArray();
    }

private:
    int fd_ = -1;
};

std::vector<StatusRecord> records(const QByteArray& reply) {
    std::vector<StatusRecord> out;
    StatusReplyWalker walker(reply.constData(), size_t(reply.size()));
    StatusRecord r;
    while (walker.next(&r)) out.push_back(r);
    EXPECT_FALSE(walker.malformed());
    return out;
}

const kle_general_stat* generalStatus(const std::vector<StatusRecord>& rs) {
    for (const StatusRecord& r : rs)
        if (r.kind == StatusRecord::GeneralStatus)
            return reinterpret_cast<const kle_general_stat*>(r.body);
    return nullptr;
}

class KeloServerSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        gServerAddress = 0x7F030000 + uint32_t(line);  // 127.3.x.x
        gCitpPort = uint16_t(20000 + 3 * line);
        gStatusPort = uint16_t(gCitpPort + 1);
        gPrefsPort = uint16_t(gCitpPort + 2);
    }

    KeloServerSim::Config config(int major = 4) {
        KeloServerSim::Config c;
        c.name = "Kelo Test";
        c.address = gServerAddress;
        c.layerCount = 3;
        c.vMajor = major;
        c.vMinor = major == 4 ? 2 : 6;
        c.alias = "Front";
        return c;
    }
};

TEST_F(KeloServerSimTest, AnnouncesByMulticastAndUnicastOnceASecond) {
    Peer listener(gCitpPort);
    KeloServerSim sim(testNetwork(kLoopback));
    sim.addServer(config());
    ASSERT_TRUE(sim.start());

    int plocs = 0, beacons = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    QByteArray d;
    uint32_t from = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (!listener.receive(&d, 100, &from)) continue;
        EXPECT_EQ(from, gServerAddress);
        switch (KlEStatMessage::acceptDatagram(d.constData(), size_t(d.size()))) {
            case KlDatagramKind::CitpPresence: {
                CitpPresence p;
                ASSERT_TRUE(CitpMessage::readPLoc(d.constData(), size_t(d.size()), &p));
                EXPECT_EQ(p.name, "Kelo Test");
                EXPECT_TRUE(p.running);
                ++plocs;
                break;
            }
            case KlDatagramKind::BftpBeacon: {
                BftpTransferBeacon b;
                ASSERT_TRUE(BftpBeacon::readTransferBeacon(d.constData(), size_t(d.size()), &b));
                EXPECT_EQ(b.collectionID, 1);
                ++beacons;
                break;
            }
            default:
                ADD_FAILURE() << "unexpected datagram";
        }
    }
    // One announcement at start and one a second later, each by multicast
    // and by unicast.
    EXPECT_EQ(plocs, 4);
    EXPECT_EQ(beacons, 4);
}

TEST_F(KeloServerSimTest, StatusRepliesRunOnOverTime) {
    KeloServerSim sim(testNetwork());
    sim.addServer(config());
    ASSERT_TRUE(sim.start());
    Peer controller;

    const QByteArray first = controller.ask(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const QByteArray second = controller.ask(1);
    const auto a = records(first), b = records(second);
    const kle_general_stat* ga = generalStatus(a);
    const kle_general_stat* gb = generalStatus(b);
    ASSERT_TRUE(ga && gb);
    EXPECT_EQ(ga->layercount, 3);
    EXPECT_EQ(ga->vMajor, 4);
    EXPECT_STREQ(ga->alias, "Front");
    EXPECT_NE(ga->tc_value.value(), gb->tc_value.value());
    EXPECT_NE(memcmp(&ga->flex_layer_stats[0].posn, &gb->flex_layer_stats[0].posn, 4), 0);
    // Plain status replies carry one layer's detail in turn.
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[1].kind, StatusRecord::LayerDetail);
    EXPECT_EQ(b[1].kind, StatusRecord::LayerDetail);
    EXPECT_NE(a[1].layer, b[1].layer);
    EXPECT_EQ(sim.counters(0).statusRequests, 2u);
}

TEST_F(KeloServerSimTest, PictureRequestsGetDecodablePreviews) {
    struct Case {
        int major;
        uint16_t word;
        KlReqV4 request;
    } cases[] = {
        {4, 0x8002, {0x8000, 2, 0}},  // layer 1
        {4, 0x4000, {0x4000, 0, 0}},  // global surface
        {4, 0x4002, {0x4000, 2, 0}},  // output 2
        {4, 0x2001, {0x2000, 1, 0}},  // mix 1
        {3, 0x0505, {2, 0x0505, 0}},  // packed: layer 2
        {3, 0x0101, {2, 0x0101, 0}},  // packed: output 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        KeloServerSim sim(testNetwork());
        sim.addServer(config(c.major));
        ASSERT_TRUE(sim.start());
        Peer controller;
        const QByteArray reply = controller.ask(c.word);  // the records point into it
        const auto rs = records(reply);
        ASSERT_TRUE(generalStatus(rs));
        const StatusRecord* picture = nullptr;
        for (const StatusRecord& r : rs)
            if (r.kind == StatusRecord::PreviewImage) picture = &r;
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->request, c.request);
        EXPECT_EQ(picture->originalWidth, 1920);
        const QImage image = cgImageWithJPEGData(QByteArray(picture->jpeg, int(picture->jpegSize)));
        EXPECT_EQ(image.size(), QSize(picture->imageWidth, picture->imageHeight));
        EXPECT_FALSE(image.isNull());
    }
}

TEST_F(KeloServerSimTest, AnswersPreferenceRequests) {
    KeloServerSim sim(testNetwork());
    KeloServerSim::Config echoing = config();
    echoing.echoPreferenceSets = true;
    sim.addServer(echoing);
    ASSERT_TRUE(sim.start());
    Peer controller;

    QByteArray d;
    auto dictionary = [&] {
        controller.send(KlEStatMessage::prefsDictRequest(), gPrefsPort);
        QByteArray reply, text;
        if (!controller.receive(&reply) ||
            !KlEStatMessage::readPrefsDict(reply.constData(), size_t(reply.size()), &text))
            return QVariantMap();
        return PropertyList::read(text).toMap();
    };
    auto entry = [](const QVariantMap& prefs, const char* key, const char* field) {
        return prefs.value(key).toMap().value(field).toString();
    };
    const QVariantMap prefs = dictionary();
    EXPECT_GE(prefs.size(), 10);
    EXPECT_EQ(entry(prefs, "alias", "_value"), "Front");

    controller.send(KlEStatMessage::getPrefRequest("layerCount"), gPrefsPort);
    QByteArray key, value;
    ASSERT_TRUE(controller.receive(&d));
    ASSERT_TRUE(KlEStatMessage::readOnePref(d.constData(), size_t(d.size()), &key, &value));
    EXPECT_EQ(key, "layerCount");
    EXPECT_EQ(value, "3");

    // A change made by a controller shows in the general status with 0x40.
    // The server echoes the value it now holds.
    controller.send(KlEStatMessage::setPrefRequest("alias", "Back", 0), gPrefsPort);
    ASSERT_TRUE(controller.receive(&d));
    ASSERT_TRUE(KlEStatMessage::readOnePref(d.constData(), size_t(d.size()), &key, &value));
    EXPECT_EQ(key, "alias");
    EXPECT_EQ(value, "Back");
    const QByteArray reply = controller.ask(1);
    const kle_general_stat* g = generalStatus(records(reply));
    ASSERT_TRUE(g);
    EXPECT_STREQ(g->alias, "Back");
    EXPECT_TRUE(g->prefUpdates & 0x40);
    EXPECT_EQ(sim.counters(0).setPrefRequests, 1u);

    // The dictionary asked for again tells every change since, by the wire
    // and by command.
    const QVariantMap changed = dictionary();
    EXPECT_EQ(entry(changed, "alias", "_value"), "Back");
    EXPECT_EQ(entry(changed, "alias", "_prefUpdates").toInt(), g->prefUpdates);
    sim.setAlias(0, "Side");
    sim.setLayerCount(0, 7);
    const QVariantMap commanded = dictionary();
    EXPECT_EQ(entry(commanded, "alias", "_value"), "Side");
    EXPECT_EQ(entry(commanded, "layerCount", "_value"), "7");
    EXPECT_EQ(sim.counters(0).prefsDictRequests, 3u);
}

TEST_F(KeloServerSimTest, FallsSilentAndChangesOnCommand) {
    Peer listener(gCitpPort);
    KeloServerSim sim(testNetwork());
    sim.addServer(config());
    ASSERT_TRUE(sim.start());
    Peer controller;
    QByteArray d;

    sim.setAnswering(0, false);
    EXPECT_TRUE(controller.ask(1, 300).isEmpty());
    EXPECT_EQ(sim.counters(0).statusRequests, 1u);  // still counted
    sim.setAnswering(0, true);
    sim.setAlias(0, "Renamed");
    sim.setLayerCount(0, 20);
    const QByteArray reply = controller.ask(1);
    const kle_general_stat* g = generalStatus(records(reply));
    ASSERT_TRUE(g);
    EXPECT_STREQ(g->alias, "Renamed");
    EXPECT_EQ(g->layercount, 20);

    ASSERT_TRUE(listener.receive(&d));  // the first announcement
    while (listener.receive(&d, 50)) {
    }
    sim.setRunning(0, false);
    sim.setAnnouncing(0, false);
    EXPECT_FALSE(listener.receive(&d, 1300));
    sim.setAnnouncing(0, true);
    CitpPresence p;
    do {
        ASSERT_TRUE(listener.receive(&d, 1300));
    } while (!CitpMessage::readPLoc(d.constData(), size_t(d.size()), &p));
    EXPECT_FALSE(p.running);
}

TEST_F(KeloServerSimTest, SendsTheHostileCatalogueOnCommand) {
    Peer listener(gCitpPort);
    KeloServerSim sim(testNetwork());
    sim.addServer(config());
    ASSERT_TRUE(sim.start());
    Peer controller;

    const auto catalogue = KeloServerSim::hostileDatagrams("Kelo Test");
    // Nothing to reply to before the first request.
    EXPECT_FALSE(sim.sendDatagram(0, catalogue[1].bytes, KeloServerSim::Target::ReplyPort));
    ASSERT_FALSE(controller.ask(1).isEmpty());
    EXPECT_EQ(sim.sendHostile(0), int(catalogue.size()));

    // Every datagram arrives whole, beside the regular announcements.
    std::vector<QByteArray> replies, discovery;
    QByteArray d;
    while (controller.receive(&d, 200)) replies.push_back(d);
    while (listener.receive(&d, 200)) discovery.push_back(d);
    for (const auto& h : catalogue) {
        const auto& got = h.target == KeloServerSim::Target::ReplyPort ? replies : discovery;
        EXPECT_NE(std::find(got.begin(), got.end(), h.bytes), got.end()) << h.what;
    }
}

}  // namespace

KELO_TEST_MAIN()
