#include "LinkTestSupport.h"
#include "platform/NotificationCenter.h"
#include "serverlink/BftpBeacon.h"
#include "support/LoopbackNamespace.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace linktest;
using namespace WireBuilders;

namespace {

class Discovery : public LinkTest {
protected:
    Discovery() : LinkTest(25809) {}

    void SetUp() override {
        LinkTest::SetUp();
        addressChanged = NotificationCenter::defaultCenter().addObserver(
            "KeloStatusChangeNotification", nullptr, [this](const Notification& n) {
                if (n.userInfo.value("Type") == "KeloAddressChanged") ++addressChanges;
            });
        managerEvents = NotificationCenter::defaultCenter().addObserver(
            "KeloContentManagerNotification", nullptr,
            [this](const Notification& n) { conflicts.push_back(n.userInfo); });
    }

    void TearDown() override {
        addressChanged.reset();
        managerEvents.reset();
        LinkTest::TearDown();
    }

    void managerBeacon(uint8_t collection, const QByteArray& identity, uint32_t source) {
        receive(BftpBeacon::managerBeacon(collection, identity), source);
    }

    int addressChanges = 0;
    std::vector<QVariantMap> conflicts;
    NotificationCenter::Token addressChanged, managerEvents;
};

TEST_F(Discovery, FirstPresenceCreatesTheServer) {
    link->sendChangeNotificationsAndClear();
    ploc("Kelo Stage", kServerA, "Running", 4900);
    KeloObject* kelo = link->keloObjectForName("Kelo Stage");
    ASSERT_NE(kelo, nullptr);
    EXPECT_EQ(kelo->address(), kServerA);
    EXPECT_TRUE(kelo->isRunning());
    EXPECT_TRUE(kelo->isReachable());
    EXPECT_EQ(kelo->tcpPort(), 4900);
    // The product query went out at once.
    EXPECT_FALSE(kelo->needsProductUpdate());
    EXPECT_EQ(tcpAttempts(kServerA, 4900), 1);
    EXPECT_TRUE(kelo->lastPLocValid());
    EXPECT_DOUBLE_EQ(kelo->lastPLoc(), kStart);
    EXPECT_FALSE(kelo->active());  // found is not wanted
    EXPECT_EQ(link->current(), QStringList{"Kelo Stage"});
    EXPECT_EQ(link->keloObjectForAddress(kServerA), kelo);
    EXPECT_TRUE(link->changes() & 16);
    EXPECT_EQ(addressChanges, 1);

    ploc("Kelo Far", kFarAddress);
    EXPECT_FALSE(link->keloObjectForName("Kelo Far")->isReachable());
}

TEST_F(Discovery, KnownServerAtANewAddress) {
    ploc("Kelo Stage", kServerA);
    KeloObject* kelo = link->keloObjectForName("Kelo Stage");
    addressChanges = 0;
    link->sendChangeNotificationsAndClear();
    kelo->setNeedsProductUpdate(false);
    const ServerChanges before = kelo->changes();

    ploc("Kelo Stage", kServerB);
    EXPECT_EQ(link->keloes().size(), 1u);
    EXPECT_EQ(kelo->address(), kServerB);
    EXPECT_EQ(link->keloObjectForAddress(kServerB), kelo);
    EXPECT_EQ(link->keloObjectForAddress(kServerA), nullptr);
    EXPECT_EQ(tcpAttempts(kServerB, 4811), 1);
    EXPECT_EQ(addressChanges, 1);
    EXPECT_TRUE(link->changes() & 1);
    EXPECT_NE(kelo->changes().address, before.address);

    // The same presence again changes nothing.
    link->sendChangeNotificationsAndClear();
    kelo->setNeedsProductUpdate(false);
    ploc("Kelo Stage", kServerB);
    EXPECT_EQ(addressChanges, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(tcpAttempts(kServerB, 4811, 0), 1);  // no second query
    EXPECT_EQ(link->changes(), 0);
}

// Servers found one by one while replies are looked up in between: each is
// found by its address at once, and the answers are those of a full
// re-index, also for two servers sharing an address.
TEST_F(Discovery, ServersFoundAmongRepliesAreFoundByAddress) {
    std::vector<KeloObject*> found;
    for (uint32_t i = 0; i < 40; ++i) {
        const QString name = QString("Kelo %1").arg(i, 2, 10, QChar('0'));
        ploc(name.toUtf8(), kServerA + 16 + i);
        found.push_back(link->keloObjectForName(name));
        for (uint32_t k = 0; k <= i; ++k)
            ASSERT_EQ(link->keloObjectForAddress(kServerA + 16 + k), found[k]) << i << " " << k;
    }
    // Sorting first, the twin is not the one a re-index keeps.
    ploc("Kelo (twin)", kServerA + 16);
    KeloObject* const shared = link->keloObjectForAddress(kServerA + 16);
    link->updateAddresses();
    EXPECT_EQ(link->keloObjectForAddress(kServerA + 16), shared);
    EXPECT_EQ(shared, found[0]);
    EXPECT_EQ(link->keloObjectForAddress(kServerA + 17), found[1]);
}

TEST_F(Discovery, StateAndPortChanges) {
    ploc("Kelo Stage", kServerA, "Running", 4811);
    KeloObject* kelo = link->keloObjectForName("Kelo Stage");
    link->sendChangeNotificationsAndClear();
    const ServerChanges before = kelo->changes();

    ploc("Kelo Stage", kServerA, "Stopped", 4811);
    EXPECT_FALSE(kelo->isRunning());
    EXPECT_EQ(link->changes(), 2);
    EXPECT_EQ(kelo->changes().state, before.state + 1);
    EXPECT_EQ(kelo->changes().address, before.address);

    link->sendChangeNotificationsAndClear();
    ploc("Kelo Stage", kServerA, "Stopped", 4999);
    EXPECT_EQ(kelo->tcpPort(), 4999);
    EXPECT_EQ(link->changes(), 1);
    EXPECT_EQ(kelo->changes().address, before.address + 1);
}

TEST_F(Discovery, ServerOnThisComputerKeepsItsInterfaceAddressAsTheRealOne) {
    ploc("Kelo Here", kOwnAddress);
    KeloObject* kelo = link->keloObjectForName("Kelo Here");
    EXPECT_EQ(kelo->address(), kLoopback);
    EXPECT_EQ(kelo->realEthernetAddress(), kOwnAddress);
    EXPECT_EQ(link->keloObjectForAddress(kLoopback), kelo);
    EXPECT_EQ(link->keloObjectForAddress(kOwnAddress), kelo);
}

TEST_F(Discovery, OtherDevicesAndBrokenPresenceAreIgnored) {
    const QByteArray cases[] = {
        citpPLoc(4811, "LightingConsole", "Kelo Desk", "Running"),
        citpPLoc(4811, "MediaServer", "Other Server", "Running"),
        citpPLoc(4811, "MediaServer", "Kelo Short", "Running", 41),
        citpPLoc(4811, "MediaServer", "Kelo Long", "Running", 500),
    };
    for (const QByteArray& d : cases) receive(d, kServerA);
    EXPECT_TRUE(link->keloes().empty());
    EXPECT_TRUE(link->current().isEmpty());
}

TEST_F(Discovery, AFloodOfNewNamesStopsAtTheServerLimit) {
    const size_t limit = KlE_Control_StatusOptions().maxServers;
    for (size_t i = 0; i < limit + 500; ++i) {
        ploc("Kelo " + QByteArray::number(qulonglong(i)), kServerA + uint32_t(i % 200));
    }
    EXPECT_EQ(link->keloes().size(), limit);
    EXPECT_EQ(size_t(link->current().size()), limit);
    EXPECT_EQ(link->keloObjectForName("Kelo " + QString::number(limit)), nullptr);
    // Servers already known keep being updated.
    ploc("Kelo 0", kServerA, "Stopped");
    EXPECT_FALSE(link->keloObjectForName("Kelo 0")->isRunning());
}

TEST_F(Discovery, TransferBeacon) {
    ploc("Kelo Stage", kServerA);
    KeloObject* kelo = link->keloObjectForName("Kelo Stage");
    link->sendChangeNotificationsAndClear();
    const ServerChanges before = kelo->changes();

    receive(transferBeacon(0x04000001, 0x05010000, 30, 90, 0xFFFFFF00, 4812, 7, "2026-12-10"),
            kServerA);
    EXPECT_EQ(kelo->daemonVersion(), 0x04000001);
    EXPECT_EQ(kelo->keloVersion(), 0x05010000);
    EXPECT_EQ(kelo->bftpTcpPort(), 4812);
    EXPECT_EQ(kelo->progressSecs(), 30);
    EXPECT_EQ(kelo->progressMax(), 90);
    EXPECT_EQ(kelo->otherSideSubnetMask(), 0xFFFFFF00u);
    EXPECT_EQ(kelo->collectionID(), 7);
    EXPECT_EQ(kelo->contentTimeStamp(), "2026-12-10");
    EXPECT_EQ(link->changes(), 128);
    EXPECT_EQ(kelo->changes().name, before.name + 1);

    // An older daemon sends no progress or mask, whatever the bytes hold; the
    // collection is unchanged.
    link->sendChangeNotificationsAndClear();
    receive(transferBeacon(0x03FFFFFF, 0x05010000, 30, 90, 0xFFFFFF00, 4812, 7, "x"), kServerA);
    EXPECT_EQ(kelo->progressSecs(), 0);
    EXPECT_EQ(kelo->progressMax(), 0);
    EXPECT_EQ(kelo->otherSideSubnetMask(), 0u);
    EXPECT_EQ(link->changes(), 0);

    // No server at the sender's address: nothing happens.
    receive(transferBeacon(0x04000001, 1, 1, 1, 1, 1, 9, "y"), kServerB);
    EXPECT_EQ(kelo->collectionID(), 7);
    EXPECT_EQ(link->changes(), 0);
}

TEST_F(Discovery, ManagerBeaconsAndConflicts) {
    // Not managing collection 7: beacons are only recorded.
    managerBeacon(7, "Controller B", kServerB);
    EXPECT_TRUE(conflicts.empty());
    QVariantMap seen = link->visibleManagers().value("007").toMap();
    EXPECT_EQ(seen.value("master"), "Controller B");
    EXPECT_EQ(seen.value("IP_address").toLongLong(), kServerB);
    EXPECT_EQ(seen.value("collectionID").toInt(), 7);
    EXPECT_FALSE(seen.contains("event"));

    link->setManagerIdentity("Controller A", 7, "Local");
    EXPECT_EQ(link->managerIdentity(), "Controller A");
    managerBeacon(7, "Controller A", kOwnAddress);  // our own, heard back
    EXPECT_TRUE(conflicts.empty());
    managerBeacon(8, "Controller B", kServerB);  // a collection we do not manage
    EXPECT_TRUE(conflicts.empty());
    managerBeacon(7, "Controller B", kServerB);
    managerBeacon(7, "Controller B", kServerB);
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0].value("event"), "ManagerConflictError");
    EXPECT_EQ(conflicts[0].value("master"), "Controller B");
    EXPECT_EQ(link->visibleManagers().value("007").toMap().value("event"), "ManagerConflictError");
    EXPECT_EQ(link->visibleManagers().size(), 2);

    // An identity longer than the beacon's field is no conflict with itself.
    conflicts.clear();
    const QString longName(200, 'n');
    link->setManagerIdentity(longName, 7, "Local");
    managerBeacon(7, longName.toUtf8(), kOwnAddress);
    EXPECT_TRUE(conflicts.empty());
}

TEST_F(Discovery, ManagerBeaconGoesOnceASecondWithTheIdentity) {
    link->setManagerIdentity("Controller A", 7, "Local");
    link->setManagerIdentity("Controller A", 9, "Local");
    auto beacons = [&] {
        std::vector<Sent> out;
        for (const Sent& s : takeSent()) {
            if (s.datagram.startsWith("BFTP")) out.push_back(s);
        }
        return out;
    };
    // While the interfaces were just scanned (bit 64), no beacon goes.
    for (int i = 0; i < 60; ++i) tick();
    EXPECT_TRUE(beacons().empty());

    link->sendChangeNotificationsAndClear();
    for (int i = 0; i < 90; ++i) {
        tick();
        if (link->changes() & 64) link->sendChangeNotificationsAndClear();
    }
    const auto sent3s = beacons();
    ASSERT_EQ(sent3s.size(), 6u);  // two collections, three seconds
    for (size_t i = 0; i < sent3s.size(); ++i) {
        const uint8_t collection = i % 2 ? 9 : 7;
        EXPECT_EQ(sent3s[i].datagram, BftpBeacon::managerBeacon(collection, "Controller A"));
        EXPECT_EQ(sent3s[i].datagram.size(), 175);
        EXPECT_EQ(sent3s[i].address, kCitpGroup);
        EXPECT_EQ(sent3s[i].port, citpPort_);
        EXPECT_EQ(sent3s[i].role, KlSocketRole::ManagerBeacon);
    }
    const uint32_t local = link->networkInterface()->getInterfaceAddress("Local", nullptr);
    EXPECT_EQ(sockets.managerBeacon->interface, local);
    EXPECT_TRUE(sockets.managerBeacon->isOpen());
    // A socket bound to one interface cannot move: it is closed, and the
    // next beacon opens one on the new interface.
    const uint32_t other = link->networkInterface()->getInterfaceAddress("eth0", nullptr);
    ASSERT_NE(other, local);
    link->setManagerIdentity("Controller A", 7, "eth0");
    EXPECT_FALSE(sockets.managerBeacon->isOpen());
    EXPECT_EQ(sockets.managerBeacon->interface, other);
    link->setManagerIdentity("Controller A", 7, "Local");

    // Clearing the role of any collection stops every beacon.
    link->setManagerIdentity(QString(), 9, "Local");
    for (int i = 0; i < 60; ++i) tick();
    EXPECT_TRUE(beacons().empty());
}

TEST(DiscoveryLoopback, OwnBeaconIsHeardBackOnTheGroup) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    useTestInterfaces();
    KeloObject::setClock({});
    KlE_Control_Status::Options options;
    options.timer = false;
    options.citpPort = 35809;
    KlE_Control_Status link(options);
    link.setManagerIdentity("Controller A", 7, "Local");
    link.sendChangeNotificationsAndClear();
    QElapsedTimer t;
    t.start();
    while (!link.visibleManagers().contains("007") && t.elapsed() < 3000) {
        link.timerProc();
        if (link.changes() & 64) link.sendChangeNotificationsAndClear();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const QVariantMap heard = link.visibleManagers().value("007").toMap();
    EXPECT_EQ(heard.value("master"), "Controller A");
    EXPECT_FALSE(heard.contains("event"));
    KeloObject::setClock([] { return gNow; });
}

}  // namespace

KELO_TEST_MAIN_CORE()
