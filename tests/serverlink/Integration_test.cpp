// The real network singleton, with its timer, sockets and receive threads,
// against simulated servers over loopback. Runs only inside a loopback-only
// network namespace (the test suite's).

#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/ProcessUntil.h"
#include "support/LoopbackNamespace.h"
#include "support/KeloServerSim.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr size_t kMaxServers = 64;

void processFor(int ms) {
    processUntil([] { return false; }, ms);
}

// Everything of a server object that a datagram could change.
struct ServerState {
    QByteArray general, layers, details;
    ServerChanges changes;
    QVariantMap prefs;
    QString name, userDefinedName, timeStamp;
    uint32_t address = 0;
    bool running = false;
    int tcpPort = 0, bftpPort = 0, collection = 0, daemonVersion = 0, keloVersion = 0;
    double generalStatusArrived = 0;

    explicit ServerState(KeloObject& k)
        : general(reinterpret_cast<const char*>(k.getGeneralStatusPtr()), sizeof(kle_general_stat)),
          changes(k.changes()),
          prefs(k.prefsDict()),
          name(k.name()),
          userDefinedName(k.userDefinedName()),
          timeStamp(k.contentTimeStamp()),
          address(k.address()),
          running(k.isRunning()),
          tcpPort(k.tcpPort()),
          bftpPort(k.bftpTcpPort()),
          collection(k.collectionID()),
          daemonVersion(k.daemonVersion()),
          keloVersion(k.keloVersion()),
          generalStatusArrived(k.generalStatusArrived()) {
        for (int i = 0; i < KeloObject::kLayerSlots; ++i) {
            layers.append(reinterpret_cast<const char*>(k.layerStatus(i)),
                          sizeof(short_layer_status_2));
            details.append(reinterpret_cast<const char*>(k.layerDetail(i)), sizeof(kle_layer_stat));
        }
    }
    // Field by field, so that a failure says what changed.
    void expectSame(const ServerState& o) const {
        EXPECT_EQ(general, o.general);
        EXPECT_EQ(layers, o.layers);
        EXPECT_EQ(details, o.details);
        EXPECT_EQ(changes, o.changes);
        EXPECT_EQ(prefs, o.prefs);
        EXPECT_EQ(name, o.name);
        EXPECT_EQ(userDefinedName, o.userDefinedName);
        EXPECT_EQ(timeStamp, o.timeStamp);
        EXPECT_EQ(address, o.address);
        EXPECT_EQ(running, o.running);
        EXPECT_EQ(tcpPort, o.tcpPort);
        EXPECT_EQ(bftpPort, o.bftpPort);
        EXPECT_EQ(collection, o.collection);
        EXPECT_EQ(daemonVersion, o.daemonVersion);
        EXPECT_EQ(keloVersion, o.keloVersion);
        EXPECT_EQ(generalStatusArrived, o.generalStatusArrived);
    }
};

class Integration : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        // Each test runs in its own process beside the others (ctest -j): it
        // takes addresses and ports of its own, from its line number.
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        firstSim_ = 0x7F010001 + (uint32_t(line) << 8);  // 127.1.x.1
        citpPort_ = uint16_t(30000 + 3 * line);
        statusPort_ = uint16_t(citpPort_ + 1);
        prefsPort_ = uint16_t(citpPort_ + 2);
        KlE_Control_Status::Options options;
        options.citpPort = citpPort_;
        options.statusPort = statusPort_;
        options.prefsPort = prefsPort_;
        options.maxServers = kMaxServers;
        link = std::make_unique<KlE_Control_Status>(options);

        KeloServerSim::Network network;
        network.citpPort = citpPort_;
        network.statusPort = statusPort_;
        network.prefsPort = prefsPort_;
        sim = std::make_unique<KeloServerSim>(network);
        sim->addServers(2, firstSim_, "Kelo Int");
        ASSERT_TRUE(sim->start());
    }

    void TearDown() override {
        sim.reset();
        link.reset();
    }

    KeloObject* server(int i) {
        return link->keloObjectForName(QString::fromUtf8(sim->config(i).name));
    }

    // Both servers discovered, wanted, and their preference dictionaries in.
    void connectAll() {
        ASSERT_TRUE(processUntil([&] { return server(0) && server(1); }, 3000));
        for (int i = 0; i < 2; ++i) link->addKeloForName(server(i)->name());
        ASSERT_TRUE(processUntil(
            [&] {
                return server(0)->hasPrefsDict() && server(1)->hasPrefsDict() &&
                       server(0)->generalStatusArrived() != 0 &&
                       server(1)->generalStatusArrived() != 0;
            },
            3000));
    }

    uint32_t firstSim_ = 0;
    uint16_t citpPort_ = 0, statusPort_ = 0, prefsPort_ = 0;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
};

TEST_F(Integration, DiscoveredServersArePolledOnlyOnceWanted) {
    ASSERT_TRUE(processUntil([&] { return server(0) && server(1); }, 3000));
    KeloObject* kelo = server(1);
    EXPECT_EQ(kelo->address(), firstSim_ + 1);
    EXPECT_TRUE(kelo->isRunning());
    EXPECT_EQ(kelo->tcpPort(), sim->config(1).tcpPort);
    EXPECT_TRUE(link->current().contains(kelo->name()));
    // The transfer beacon came along too.
    EXPECT_TRUE(
        processUntil([&] { return kelo->collectionID() == sim->config(1).collectionID; }, 1500));

    processFor(300);
    EXPECT_EQ(sim->counters(0).statusRequests + sim->counters(0).prefsDictRequests, 0u);

    connectAll();
    for (int i = 0; i < 2; ++i) {
        const KeloServerSim::Config c = sim->config(i);
        KeloObject* k = server(i);
        EXPECT_EQ(k->prefsDict().size(), KeloServerSim::preferenceDictionary(c).size());
        EXPECT_EQ(k->layerCount(), c.layerCount);
        EXPECT_EQ(k->userDefinedName(), QString::fromUtf8(c.alias));
        EXPECT_TRUE(k->isVersionAtLeast(4, 2));
    }
    // The picture of the general status moves on.
    const uint32_t timeCode = server(0)->rxTimeCode();
    EXPECT_TRUE(processUntil([&] { return server(0)->rxTimeCode() != timeCode; }, 1000));
}

TEST_F(Integration, PreferencesAreAskedForEveryTickUntilTheyArrive) {
    sim->setAnswering(0, false);
    ASSERT_TRUE(processUntil([&] { return server(0) != nullptr; }, 3000));
    link->addKeloForName(server(0)->name());
    processFor(100);
    const auto before = sim->counters(0);
    processFor(1000);
    const auto after = sim->counters(0);
    EXPECT_NEAR(double(after.prefsDictRequests - before.prefsDictRequests), 30.0, 3.0);
    EXPECT_EQ(after.statusRequests, 0u);
    EXPECT_FALSE(server(0)->hasPrefsDict());

    sim->setAnswering(0, true);
    ASSERT_TRUE(processUntil([&] { return server(0)->hasPrefsDict(); }, 1000));
    const auto arrived = sim->counters(0);
    processFor(500);
    EXPECT_LE(sim->counters(0).prefsDictRequests, arrived.prefsDictRequests + 1);
    EXPECT_GT(sim->counters(0).statusRequests, 10u);
}

TEST_F(Integration, DrawnPicturesArriveAndMove) {
    connectAll();
    KeloObject* kelo = server(0);
    KeloImage* layer = kelo->layerImageAtIndex(1);
    KeloImage* surface = kelo->DMX_MasterImageAtIndex(0);
    ASSERT_TRUE(layer && surface);
    // Drawing keeps a picture wanted; the link then asks for it in turn.
    ASSERT_TRUE(processUntil(
        [&] {
            layer->cg_image();
            surface->cg_image();
            return layer->arrived() != 0 && surface->arrived() != 0;
        },
        2000));
    const QImage first = layer->cg_image();
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(layer->imageSize(), QSizeF(160, 90));
    const double arrived = layer->arrived();
    ASSERT_TRUE(processUntil(
        [&] {
            layer->cg_image();
            surface->cg_image();
            return layer->arrived() > arrived;
        },
        2000));
    EXPECT_NE(layer->cg_image(), first);  // the clip's position bar moved
}

TEST_F(Integration, EachServerIsPolledThirtyTimesASecond) {
    connectAll();
    processFor(200);
    const auto a0 = sim->counters(0), b0 = sim->counters(1);
    QElapsedTimer t;
    t.start();
    processFor(3000);
    const double seconds = t.nsecsElapsed() / 1e9;
    const auto a1 = sim->counters(0), b1 = sim->counters(1);
    const double rateA = double(a1.statusRequests - a0.statusRequests) / seconds;
    const double rateB = double(b1.statusRequests - b0.statusRequests) / seconds;
    // The tick is 33 ms; a few percent allow for a loaded machine.
    EXPECT_NEAR(rateA, 30.0, 1.5);
    EXPECT_NEAR(rateB, 30.0, 1.5);
    EXPECT_EQ(a1.prefsDictRequests, a0.prefsDictRequests);
}

TEST_F(Integration, SilentServerIsLostAfterFiveSecondsAndComesBack) {
    connectAll();
    sim->setAnnouncing(0, false);
    KeloObject* kelo = server(0);
    const QString name = kelo->name();
    // The last announcement may still be on its way.
    processFor(100);
    const double lastHeard = kelo->lastPLoc();
    ASSERT_TRUE(processUntil([&] { return !link->current().contains(name); }, 7000));
    const double silence = KeloObject::now() - lastHeard;
    EXPECT_GE(silence, 5.0);
    EXPECT_LT(silence, 5.5);
    EXPECT_FALSE(kelo->isRunning());
    EXPECT_EQ(kelo->address(), 0u);
    EXPECT_TRUE(link->current().contains(server(1)->name()));

    // A lost server is not polled.
    processFor(100);
    const uint64_t polled = sim->counters(0).statusRequests;
    processFor(400);
    EXPECT_EQ(sim->counters(0).statusRequests, polled);

    sim->setAnnouncing(0, true);
    ASSERT_TRUE(processUntil([&] { return link->current().contains(name); }, 1500));
    EXPECT_EQ(kelo->address(), firstSim_);
    EXPECT_TRUE(kelo->isRunning());
    EXPECT_TRUE(processUntil([&] { return sim->counters(0).statusRequests > polled + 10; }, 1500));
}

TEST_F(Integration, StalledMainThreadGetsAGracePeriod) {
    connectAll();
    sim->setAnnouncing(0, false);
    processFor(100);
    KeloObject* kelo = server(0);
    const QString name = kelo->name();
    const double lastHeard = kelo->lastPLoc();
    ASSERT_TRUE(processUntil([&] { return KeloObject::now() - lastHeard >= 3.0; }, 4000));

    // The main thread stalls past the time-out; the receive threads wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    bool lost = false;
    processUntil(
        [&] {
            lost |= !link->current().contains(name);
            return KeloObject::now() - lastHeard >= 6.0;
        },
        2000);
    // Heard again within the grace period: never counted as lost.
    sim->sendDatagram(0, WireBuilders::citpPLoc(4811, "MediaServer", name.toUtf8(), "Running"),
                      KeloServerSim::Target::DiscoveryPort);
    EXPECT_TRUE(processUntil(
        [&] {
            lost |= !link->current().contains(name);
            return kelo->lastPLoc() > lastHeard + 5.0;
        },
        1000));
    EXPECT_FALSE(lost);
}

TEST_F(Integration, HostileDatagramsLeaveTheServerAsItWas) {
    connectAll();
    // Quiet, so that nothing but the hostile datagrams could change it.
    sim->setAnswering(0, false);
    sim->setAnnouncing(0, false);
    processFor(150);
    KeloObject* kelo = server(0);
    const ServerState before(*kelo);
    const size_t servers = link->keloes().size();

    const int sent = sim->sendHostile(0);
    EXPECT_EQ(sent, int(KeloServerSim::hostileDatagrams(sim->config(0).name).size()));
    processFor(500);
    ServerState(*kelo).expectSame(before);
    EXPECT_EQ(link->keloes().size(), servers);
    EXPECT_TRUE(link->current().contains(kelo->name()));

    // The link lives on: replies are filed again.
    sim->setAnswering(0, true);
    const uint32_t timeCode = kelo->rxTimeCode();
    EXPECT_TRUE(processUntil([&] { return kelo->rxTimeCode() != timeCode; }, 1000));
}

TEST_F(Integration, FloodOfNewNamesIsBounded) {
    connectAll();
    for (int i = 0; i < 3 * int(kMaxServers); ++i) {
        const QByteArray name = "Kelo flood " + QByteArray::number(i);
        sim->sendDatagram(1, WireBuilders::citpPLoc(4811, "MediaServer", name, "Running"),
                          KeloServerSim::Target::DiscoveryPort);
        if (i % 16 == 15) processFor(5);
    }
    processFor(300);
    EXPECT_LE(link->keloes().size(), kMaxServers);
    EXPECT_TRUE(link->keloObjectForName("Kelo flood 0"));
    // The servers known before still answer.
    const uint32_t timeCode = server(0)->rxTimeCode();
    EXPECT_TRUE(processUntil([&] { return server(0)->rxTimeCode() != timeCode; }, 1000));
}

}  // namespace

KELO_TEST_MAIN_CORE()
