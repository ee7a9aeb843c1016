// What the link sends for preferences, remote and daemon commands, the
// collection assignment and layer details: byte for byte, and to where.

#include "LinkTestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/channels/StatusChannel.h"
#include "settings/KlSettingsNotifications.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <functional>

using namespace linktest;
using namespace WireBuilders;

namespace {

constexpr uint16_t kStatusPort = 14810;
constexpr uint16_t kPrefsPort = 16437;

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// "KlEStat" and its NUL.
const QByteArray kMagic = hex("4b6c455374617400");

QVariantMap entry(const QVariant& value) {
    return {{"_type", "s"}, {"_value", value}};
}

class Commands : public LinkTest {
protected:
    Commands() : LinkTest(26809) {}

    void SetUp() override {
        LinkTest::SetUp();
        // A server on the network and one on this computer.
        ploc("Kelo Far", kServerA);
        far = link->addKeloForName("Kelo Far");
        ploc("Kelo Here", kOwnAddress);
        here = link->addKeloForName("Kelo Here");
        // Reached by one of this computer's own addresses rather than 127.0.0.1.
        here->setAddress(kOwnAddress, kOwnAddress);
        here->setIsLocalIP(true);
        far->setPrefsDict({{"alias", entry("Stage")},
                           {"brightness", QVariantMap{{"_value", "5"}, {"_alias", "level"}}},
                           {"mixes", entry(QVariantMap())}});
        takeSent();
    }

    KeloObject* far = nullptr;
    KeloObject* here = nullptr;
};

TEST_F(Commands, EachOperationSendsItsDatagramToItsPort) {
    const QByteArray fiveKB(5000, 'd');
    const struct Case {
        const char* what;
        std::function<void()> send;
        QByteArray bytes;
        uint32_t address;
        uint16_t port;
    } cases[] = {
        {"get preference", [&] { link->getPrefValue("alias", far); },
         hex("0016") + kMagic + hex("00120000") + hex("0006") + QByteArray("alias\0", 6), kServerA,
         kPrefsPort},
        {"set preference with flags", [&] { link->setPref("alias", "X", far, 254); },
         hex("000e") + kMagic + hex("001400fe") + hex("0008") + QByteArray("alias\0X\0", 8),
         kServerA, kPrefsPort},
        {"set preference by its alias", [&] { link->setPref("level", "7", far); },
         hex("000e") + kMagic + hex("00140000") + hex("000d") +
             QByteArray("brightness\0"
                        "7\0",
                        13),
         kServerA, kPrefsPort},
        {"set preference of a server on this computer", [&] { link->setPref("a", "", here); },
         hex("000e") + kMagic + hex("00140000") + hex("0003") + QByteArray("a\0\0", 3), kLoopback,
         kPrefsPort},
        {"remote command", [&] { link->sendKeloRemoteCommand(0x1F2, "Kelo Far"); },
         hex("000e") + kMagic + hex("00f20001"), kServerA, kPrefsPort},
        // Without data the command goes to the server's own address, with
        // data through the loopback substitution.
        {"remote command to this computer", [&] { link->sendKeloRemoteCommand(239, "Kelo Here"); },
         hex("000e") + kMagic + hex("00ef0000"), kOwnAddress, kPrefsPort},
        {"remote command with data",
         [&] { link->sendKeloRemoteCommand(0x1F2, "Kelo Here", QByteArray("xyz")); },
         hex("000f") + kMagic + hex("00f2") + "xyz", kLoopback, kPrefsPort},
        {"remote command with 5000 bytes",
         [&] { link->sendKeloRemoteCommand(242, "Kelo Far", fiveKB); },
         hex("1394") + kMagic + hex("00f2") + fiveKB, kServerA, kPrefsPort},
        {"forced remote command", [&] { link->forceSendKeloRemoteCommand(242, kFarAddress); },
         hex("000e") + kMagic + hex("00f20000"), kFarAddress, kPrefsPort},
        {"daemon command", [&] { link->sendKeloDaemonCommand(0x01020304, "Kelo Far"); },
         QByteArray("KlEC") + hex("0c000000") + hex("01020304"), kServerA, kStatusPort},
        {"daemon command with text",
         [&] { link->sendKeloDaemonCommand(7, QVariant(QString("a")), "Kelo Here"); },
         QByteArray("KlEC") + hex("12000000") + hex("00000007") + hex("00000002") + hex("6100"),
         kLoopback, kStatusPort},
        {"daemon command with bytes",
         [&] {
             link->sendKeloDaemonCommand(7, QVariant(QByteArray("\x01\x00\x02", 3)), "Kelo Far");
         },
         QByteArray("KlEC") + hex("13000000") + hex("00000007") + hex("00000003") + hex("010002"),
         kServerA, kStatusPort},
        {"daemon command with a number as data",
         [&] { link->sendKeloDaemonCommand(7, QVariant(5), "Kelo Far"); },
         QByteArray("KlEC") + hex("10000000") + hex("00000007") + hex("00000000"), kServerA,
         kStatusPort},
        {"collection assignment", [&] { link->setKeloCollectionID(3, far); },
         QByteArray("KlEC") + hex("0d000000") + "COLL" + hex("03"), kServerA, kStatusPort},
        {"collection assignment through the server", [&] { here->setKeloCollectionID(9); },
         QByteArray("KlEC") + hex("0d000000") + "COLL" + hex("09"), kLoopback, kStatusPort},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.send();
        const auto s = takeSent();
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].datagram.toHex(), c.bytes.toHex());
        EXPECT_EQ(s[0].address, c.address);
        EXPECT_EQ(s[0].port, c.port);
    }
}

TEST_F(Commands, NothingIsSentWithoutServerAddressCommandKeyOrValue) {
    ploc("Kelo Lost", kServerB);
    KeloObject* lost = link->addKeloForName("Kelo Lost");
    lost->setAddress(0, 0);
    const std::function<void()> cases[] = {
        [&] { link->getPrefValue("alias", lost); },
        [&] { link->getPrefValue("alias", nullptr); },
        [&] { link->getPrefValue(QString(), far); },
        [&] { link->setPref("alias", "x", lost); },
        [&] { link->setPref(QString(), "x", far); },
        [&] { link->setPref("alias", QString(), far); },
        [&] { link->sendKeloRemoteCommand(0, "Kelo Far"); },
        [&] { link->sendKeloRemoteCommand(242, "Kelo Nobody"); },
        [&] { link->sendKeloRemoteCommand(242, "Kelo Lost"); },
        [&] { link->sendKeloRemoteCommand(0, "Kelo Far", QByteArray("x")); },
        [&] { link->sendKeloRemoteCommand(242, "Kelo Lost", QByteArray("x")); },
        [&] { link->forceSendKeloRemoteCommand(0, kServerA); },
        [&] { link->forceSendKeloRemoteCommand(242, 0); },
        [&] { link->sendKeloDaemonCommand(0, "Kelo Far"); },
        [&] { link->sendKeloDaemonCommand(1, "Kelo Lost"); },
        [&] { link->sendKeloDaemonCommand(0, QVariant("x"), "Kelo Far"); },
        [&] { link->sendKeloDaemonCommand(1, QVariant("x"), "Kelo Nobody"); },
        [&] { link->setKeloCollectionID(1, lost); },
    };
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(i++);
        c();
        EXPECT_TRUE(takeSent().empty());
    }
    EXPECT_EQ(lost->anticipatingPrefUpdates(), 0.0);
}

TEST_F(Commands, TooLongOrBrokenKeysAndValuesAreRefusedNotCut) {
    // The server reads a get request into 256 bytes: 239 key bytes fit.
    link->getPrefValue(QString(239, 'k'), far);
    ASSERT_EQ(takeSent().size(), 1u);
    link->getPrefValue(QString(240, 'k'), far);
    EXPECT_TRUE(takeSent().empty());

    // The largest set request is one full UDP payload of 65,507 bytes.
    const int room = 65507 - 18 - 1;
    link->setPref("k", QString(room, 'v'), far);
    auto s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].datagram.size(), 65507);
    const double anticipated = far->anticipatingPrefUpdates();
    gNow += 10;
    link->setPref("k", QString(room + 1, 'v'), far);
    EXPECT_TRUE(takeSent().empty());
    EXPECT_EQ(far->anticipatingPrefUpdates(), anticipated) << "nothing sent, nothing anticipated";

    // A NUL would end the text early at the server.
    link->setPref("k", QString("a") + QChar(0) + "b", far);
    link->setPref(QString("k") + QChar(0), "v", far);
    link->getPrefValue(QString("k") + QChar(0) + "x", far);
    link->sendKeloRemoteCommand(242, "Kelo Far", QByteArray(65507 - 11, 'd'));
    link->sendKeloDaemonCommand(7, QVariant(QByteArray(65507 - 15, 'd')), "Kelo Far");
    EXPECT_TRUE(takeSent().empty());
    link->sendKeloRemoteCommand(242, "Kelo Far", QByteArray(65507 - 12, 'd'));
    link->sendKeloDaemonCommand(7, QVariant(QByteArray(65507 - 16, 'd')), "Kelo Far");
    EXPECT_EQ(takeSent().size(), 2u);
}

TEST_F(Commands, SettingAPreferenceAnticipatesTheServersAnnouncement) {
    gNow += 3;
    link->setPref("alias", "New", far);
    EXPECT_EQ(far->anticipatingPrefUpdates(), gNow);
    // The server then announces the change it made for us (bit 0x40).
    kle_general_stat s{};
    s.vMajor = 4;
    s.prefUpdates = 0x41;
    far->setGeneralStatus(&s, sizeof s);
    EXPECT_FALSE(far->needsPrefUpdate());
}

TEST_F(Commands, RemoteNotificationReadsAndSetsPreferences) {
    auto post = [&](const QVariantMap& info) {
        link->KeloRemoteNotification({kKeloRemoteNotification, nullptr, info});
    };
    post({{"type", 1}, {"fixtureName", "Kelo Far"}, {"prefName", "brightness"}});
    auto s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].op(), kKlEOpGetPref);
    EXPECT_EQ(s[0].datagram.mid(16), QByteArray("brightness\0", 11));

    post({{"type", 2}, {"fixtureName", "Kelo Far"}, {"prefName", "level"}, {"prefValue", 9}});
    s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].datagram.mid(16), QByteArray("brightness\0"
                                                "9\0",
                                                13));
    EXPECT_TRUE(far->hasPrefsDict());

    ::testing::internal::CaptureStdout();
    post({{"type", 3}, {"fixtureName", "Kelo Far"}, {"prefName", "alias"}});
    fflush(stdout);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find(
                  "ERROR: unhandled KeloRemoteNotification {fixtureName = Kelo Far; prefName = "
                  "alias; type = 3;}"),
              std::string::npos);
    post({{"type", 2}, {"fixtureName", "Kelo Nobody"}, {"prefName", "alias"}, {"prefValue", "x"}});
    post({{"fixtureName", "Kelo Far"}});
    EXPECT_TRUE(takeSent().empty());

    // A new name: the server is read afresh, so the next tick asks for the
    // whole dictionary.
    far->setNeedsPrefUpdate(false);
    far->setGeneralStatusArrived(gNow);
    post({{"type", 2}, {"fixtureName", "Kelo Far"}, {"prefName", "alias"}, {"prefValue", "B"}});
    s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].datagram.mid(16), QByteArray("alias\0B\0", 8));
    EXPECT_FALSE(far->hasPrefsDict());
    EXPECT_TRUE(far->needsPrefUpdate());
    EXPECT_EQ(far->generalStatusArrived(), 0.0);
    here->setActive(false);
    tick();
    s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].op(), kKlEOpPrefsDictRequest);
}

TEST_F(Commands, LayerDetailOnlyForAnExistingLayerOfARunningWantedServer) {
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = 4;
    far->setGeneralStatus(&s, sizeof s);
    here->setGeneralStatus(&s, sizeof s);
    link->requestLayerDetail(2, far);
    link->requestLayerDetail(3, here);
    auto sent = takeSent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].datagram.toHex(), (hex("000e") + kMagic + hex("000a8002")).toHex());
    EXPECT_EQ(sent[0].address, kServerA);
    EXPECT_EQ(sent[0].port, kStatusPort);
    EXPECT_EQ(sent[1].address, kLoopback);

    link->requestLayerDetail(4, far);
    link->requestLayerDetail(-1, far);
    far->setIsRunning(false);
    link->requestLayerDetail(1, far);
    here->setActive(false);
    link->requestLayerDetail(1, here);
    EXPECT_TRUE(takeSent().empty());
}

TEST_F(Commands, PreparedDatagramsGoToThePreferencePort) {
    const QByteArray d("prepared");
    EXPECT_EQ(link->statusChannel().sendMsg(d.constData(), size_t(d.size()), far), d.size());
    const auto s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].datagram, d);
    EXPECT_EQ(s[0].address, kServerA);
    EXPECT_EQ(s[0].port, kPrefsPort);
    EXPECT_EQ(link->statusChannel().sendMsg(d.constData(), size_t(d.size()), nullptr), -1);
    // The class operations use the process's link only, which no test here
    // made: a separate link never stands in for it.
    EXPECT_EQ(KlE_Control_Status::sendMsg(d.constData(), size_t(d.size()), far), -1);
    EXPECT_EQ(KlE_Control_Status::_privateUdpSocket(), -1);
    EXPECT_TRUE(takeSent().empty());
}

}  // namespace

KELO_TEST_MAIN()
