// The real network singleton against a simulated server over loopback:
// preference changes, preference reads and commands as the server receives
// them, and what comes back. Runs only inside a loopback-only network
// namespace (the test suite's).

#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "settings/KlSettingsNotifications.h"
#include "support/KeloServerSim.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

const QByteArray kMagic = hex("4b6c455374617400");

class PreferenceRoad : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        // Addresses and ports of its own, so tests may run side by side.
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        address_ = 0x7F020001 + (uint32_t(line) << 8);  // 127.2.x.1
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(44000 + 3 * line));
        statusPort_ = options.statusPort;
        prefsPort_ = options.prefsPort;
        link = std::make_unique<KlE_Control_Status>(options);

        sim = std::make_unique<KeloServerSim>(simNetworkFor(options));
        KeloServerSim::Config config;
        config.name = "Kelo Road";
        config.address = address_;
        sim->addServer(config);
        ASSERT_TRUE(sim->start());

        ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo Road"); }, 3000));
        kelo = link->addKeloForName("Kelo Road");
        ASSERT_TRUE(processUntil(
            [&] {
                // The first status announces the server's update counter,
                // after which the dictionary is read once more.
                return kelo->hasPrefsDict() && !kelo->needsPrefUpdate() &&
                       kelo->prefUpdates() == sim->config(0).prefUpdates;
            },
            3000));
    }

    void TearDown() override {
        sim.reset();
        link.reset();
    }

    // The datagrams the server received since the last call, other than the
    // link's own polling.
    std::vector<KeloServerSim::Received> commands() {
        std::vector<KeloServerSim::Received> found;
        for (auto& r : sim->takeReceived(0)) {
            const int op = r.bytes.size() > 11 ? uint8_t(r.bytes[11]) : -1;
            const bool polling = r.bytes.mid(2, 8) == kMagic &&
                                 (op == kKlEOpStatusRequest || op == kKlEOpPrefsDictRequest);
            if (!polling) found.push_back(r);
        }
        return found;
    }

    uint32_t address_ = 0;
    uint16_t statusPort_ = 0, prefsPort_ = 0;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    KeloObject* kelo = nullptr;
};

TEST_F(PreferenceRoad, RemoteNotificationChangesAPreferenceAndTheReplyComesBack) {
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    QStringList announced;
    auto token = centre.addObserver(
        "kKeloPrefChangedNotification", nullptr,
        [&](const Notification& n) { announced << n.userInfo.value("prefName").toString(); });
    // Views poll both: one with poll type 2, one with another type.
    kelo->addPolledPref("frameRate", nullptr, 2);
    kelo->addPolledPref("timecodeSource", nullptr, 1);
    ASSERT_TRUE(processUntil([&] { return sim->counters(0).getPrefRequests >= 2; }, 2000));
    const ServerChanges before = kelo->changes();
    const uint64_t dictionaries = sim->counters(0).prefsDictRequests;

    // As the composition root's route hands them over.
    link->KeloRemoteNotification({kKeloRemoteNotification,
                                  nullptr,
                                  {{"type", 2},
                                   {"fixtureName", "Kelo Road"},
                                   {"prefName", "timecodeSource"},
                                   {"prefValue", "external"}}});
    link->KeloRemoteNotification({kKeloRemoteNotification,
                                  nullptr,
                                  {{"type", 2},
                                   {"fixtureName", "Kelo Road"},
                                   {"prefName", "frameRate"},
                                   {"prefValue", "50.0"}}});
    std::vector<KeloServerSim::Received> got;
    ASSERT_TRUE(processUntil(
        [&] {
            for (auto& r : commands())
                if (uint8_t(r.bytes[11]) == kKlEOpSetPref) got.push_back(r);
            return got.size() >= 2;
        },
        2000));
    EXPECT_EQ(got[0].port, prefsPort_);
    EXPECT_EQ(got[0].bytes.toHex(), (hex("000e") + kMagic + hex("00140000") + hex("0018") +
                                     QByteArray("timecodeSource\0external\0", 24))
                                        .toHex());
    EXPECT_EQ(got[1].bytes.toHex(), (hex("000e") + kMagic + hex("00140000") + hex("000f") +
                                     QByteArray("frameRate\0"
                                                "50.0\0",
                                                15))
                                        .toHex());

    // The server announces its update as one we caused; the polling pass
    // reads both keys again and the values come back one by one.
    ASSERT_TRUE(
        processUntil([&] { return kelo->prefUpdates() == sim->config(0).prefUpdates; }, 2000));
    ASSERT_TRUE(processUntil(
        [&] {
            const auto a = kelo->addPolledPref("timecodeSource", nullptr, 1);
            const auto b = kelo->addPolledPref("frameRate", nullptr, 2);
            return a && a->value("_value") == "external" && b && b->value("_value") == "50.0";
        },
        4000));
    EXPECT_EQ(announced, QStringList{"frameRate"});
    const ServerChanges after = kelo->changes();
    EXPECT_GE(after.prefsDict - before.prefsDict, 2);
    EXPECT_EQ(after.server - before.server, 1) << "the type-1 preference changed";
    EXPECT_EQ(sim->counters(0).prefsDictRequests, dictionaries) << "no full dictionary fetch";
    EXPECT_EQ(kelo->prefUpdates() & 0x40, 0x40);
}

TEST_F(PreferenceRoad, ReadsAndCommandsReachTheServerByteForByte) {
    commands();
    link->getPrefValue("mediaFolder", kelo);
    link->sendKeloRemoteCommand(0x1F2, "Kelo Road");
    link->sendKeloRemoteCommand(239, "Kelo Road", QByteArray("\x01\x02", 2));
    link->sendKeloDaemonCommand(0x11223344, "Kelo Road");
    link->sendKeloDaemonCommand(5, QVariant(QString("go")), "Kelo Road");
    link->setKeloCollectionID(4, kelo);
    link->forceSendKeloRemoteCommand(242, address_);
    const struct {
        uint16_t port;
        QByteArray bytes;
    } expected[] = {
        {prefsPort_,
         hex("001c") + kMagic + hex("00120000") + hex("000c") + QByteArray("mediaFolder\0", 12)},
        {prefsPort_, hex("000e") + kMagic + hex("00f20001")},
        {prefsPort_, hex("000e") + kMagic + hex("00ef") + hex("0102")},
        {statusPort_, QByteArray("KlEC") + hex("0c000000") + hex("11223344")},
        {statusPort_, QByteArray("KlEC") + hex("13000000") + hex("00000005") + hex("00000003") +
                          QByteArray("go\0", 3)},
        {statusPort_, QByteArray("KlEC") + hex("0d000000") + "COLL" + hex("04")},
        {prefsPort_, hex("000e") + kMagic + hex("00f20000")},
    };
    std::vector<KeloServerSim::Received> got;
    ASSERT_TRUE(processUntil(
        [&] {
            for (auto& r : commands()) got.push_back(r);
            return got.size() >= std::size(expected);
        },
        2000));
    ASSERT_EQ(got.size(), std::size(expected));
    // Two sockets on the server's side: order holds per port only.
    for (uint16_t port : {prefsPort_, statusPort_}) {
        std::vector<QByteArray> want, have;
        for (const auto& e : expected)
            if (e.port == port) want.push_back(e.bytes.toHex());
        for (const auto& r : got)
            if (r.port == port) have.push_back(r.bytes.toHex());
        EXPECT_EQ(have, want) << "port " << port;
    }
}

}  // namespace

KELO_TEST_MAIN_CORE()
