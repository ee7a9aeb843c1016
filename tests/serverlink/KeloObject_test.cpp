#include "serverlink/KeloObject.h"

#include "platform/NotificationCenter.h"
#include "serverlink/KeloObjectLink.h"
#include "serverlink/ServerLinkNotifications.h"
#include "serverlink/KeloProfileNameProvider.h"

#include "support/TestMain.h"

#include <cstring>
#include <vector>

namespace {

// Model time under the test's control.
double gNow = 800000000.0;

class KeloObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        gNow = 800000000.0;
        KeloObject::setClock([] { return gNow; });
        KeloObject::setLocalAddressTest({});
    }
    void TearDown() override { KeloObject::setClock({}); }

    static kle_general_stat status(int major = 4, int minor = 0, int layers = 8) {
        kle_general_stat s{};
        s.vMajor = uint8_t(major);
        s.vMinor = uint8_t(minor);
        s.layercount = uint8_t(layers);
        return s;
    }
    static void file(KeloObject& k, const kle_general_stat& s) {
        ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
        k.setGeneralStatusArrived(gNow);
    }
};

short_layer_status_2 layer(uint8_t level, uint32_t posn = 0, uint32_t length = 0) {
    short_layer_status_2 l{};
    l.level = level;
    l.posn.set(posn);
    l.length.set(length);
    return l;
}

}  // namespace

TEST_F(KeloObjectTest, WireOffsetsReachTheAccessors) {
    // Raw bytes at the documented offsets, so a layout slip shows here.
    std::vector<uint8_t> raw(456, 0);
    raw[2] = 0x00, raw[3] = 0x01;                                // universe 1
    raw[4] = 17;                                                 // profile
    raw[6] = 0x07, raw[7] = 0x80, raw[8] = 0x04, raw[9] = 0x38;  // 1920 x 1080
    raw[10] = 10, raw[11] = 1, raw[12] = 2, raw[13] = 3;         // DMX source 10.1.2.3
    raw[20] = 0x01, raw[21] = 0x02, raw[22] = 0x03, raw[23] = 0x04;
    raw[25] = 3;                            // layer count
    raw[28] = 4, raw[29] = 2;               // version 4.2
    raw[30] = 200, raw[31] = 100;           // dimmers
    raw[32] = 7, raw[33] = 8, raw[34] = 9;  // groups
    raw[1] = 0xFD;                          // 5 I/O modules
    raw[40 + 24 * 2] = 99;                  // flex layer 2 level
    raw[40 + 24 * 2 + 14] = 0x01;           // its posn: 256 = 1 s
    std::memcpy(raw.data() + 396, "Stage Left", 10);
    KeloObject k;
    k.setIsRunning(true);
    ASSERT_TRUE(k.setGeneralStatus(raw.data(), raw.size()));
    k.setGeneralStatusArrived(gNow);

    EXPECT_EQ(k.valueFor(3), QVariant(1)) << "universe is read big-endian";
    EXPECT_EQ(k.generalStatusProfile(), 17);
    EXPECT_EQ(k.sizeOfScreen(0), QSize(1920, 1080));
    EXPECT_EQ(k.dmxSourceIP(), 0x0A010203u);
    EXPECT_EQ(k.rxTimeCode(), 0x01020304u);
    EXPECT_EQ(k.layerCount(), 3);
    EXPECT_TRUE(k.isVersionAtLeast(4, 2));
    EXPECT_FALSE(k.isVersionAtLeast(4, 3));
    EXPECT_EQ(k.dimmerLevelForOutput(0), 200);
    EXPECT_EQ(k.dimmerLevelForOutput(1), 100);
    EXPECT_EQ(k.groupNumberForScreen(2), 9);
    EXPECT_EQ(k.groupNumberForScreen(3), 0);
    EXPECT_EQ(k.numberOfIOModules(), 5);
    EXPECT_EQ(k.valueFor(1, 2), QVariant(99.0f / 255.0f));
    EXPECT_EQ(k.valueFor(4, 2), QVariant(1.0f));
    EXPECT_EQ(k.userDefinedName(), QString("Stage Left"));

    k.setIsRunning(false);
    EXPECT_EQ(k.sizeOfScreen(0), QSize(0, 0));
    EXPECT_EQ(k.dimmerLevelForOutput(0), 0);
    EXPECT_EQ(k.numberOfIOModules(), 0);
    EXPECT_EQ(k.profileName(), QString(""));
}

TEST_F(KeloObjectTest, ShortRecordsAndForeignLayersAreRefused) {
    KeloObject k;
    kle_general_stat s = status(4, 0, 8);
    EXPECT_FALSE(k.setGeneralStatus(&s, sizeof s - 1));
    EXPECT_FALSE(k.setGeneralStatus(nullptr, sizeof s));
    EXPECT_EQ(k.layerCount(), 0);
    EXPECT_EQ(k.changes(), ServerChanges{});

    kle_layer_stat d{};
    d.level = 50;
    EXPECT_FALSE(k.setLayerDetailStatus(&d, sizeof d - 1, 0));
    EXPECT_FALSE(k.setLayerDetailStatus(&d, sizeof d, 24));
    EXPECT_FALSE(k.setLayerDetailStatus(&d, sizeof d, -1));
    EXPECT_EQ(k.layerStatus(0)->level, 0);
    EXPECT_EQ(k.layerStatus(32), nullptr);
    EXPECT_EQ(k.layerDetail(-1), nullptr);
}

TEST_F(KeloObjectTest, FlexLayerBlocksLandInTheirSlotsAndNoFurther) {
    const struct {
        int flex, layers, firstFilled, lastFilled;  // filled range, -1 when none
    } cases[] = {
        {0, 8, 0, 7},     {1, 20, 14, 19}, {1, 40, 14, 27},
        {2, 40, 28, 31},  // the server claims more layers than there are slots
        {4, 255, -1, -1}, {5, 20, -1, -1}, {255, 255, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flex " << c.flex << " layers " << c.layers);
        KeloObject k;
        kle_general_stat s = status(4, 0, c.layers);
        s.flex_data = uint8_t(c.flex);
        for (int i = 0; i < 14; ++i) s.flex_layer_stats[i] = layer(uint8_t(i + 1));
        ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
        for (int L = 0; L < KeloObject::kLayerSlots; ++L) {
            const bool filled = c.firstFilled >= 0 && L >= c.firstFilled && L <= c.lastFilled;
            EXPECT_EQ(k.layerStatus(L)->level, filled ? L - 14 * c.flex + 1 : 0) << "layer " << L;
        }
    }
}

TEST_F(KeloObjectTest, LayerDetailUpdatesTheLayerStatusAndChangedLayerCountClearsIt) {
    KeloObject k;
    file(k, status(4, 0, 4));
    kle_layer_stat d{};
    d.level = 77;
    d.texlib = 3;
    d.texnum = 9;
    d.length.set(0x1000);
    d.posn.set(0x200);
    d.out_pt.set(0x900);
    std::strcpy(d.texname, "clip");
    ASSERT_TRUE(k.setLayerDetailStatus(&d, sizeof d, 6));
    const short_layer_status_2* s = k.layerStatus(6);
    EXPECT_EQ(s->level, 77);
    EXPECT_EQ(s->media_folder, 3);
    EXPECT_EQ(s->media_file, 9);
    EXPECT_EQ(s->length.value(), 0x1000u);
    EXPECT_EQ(s->posn.value(), 0x200u);
    EXPECT_EQ(s->out_pt.value(), 0x900u);
    EXPECT_STREQ(k.layerDetail(6)->texname, "clip");

    file(k, status(4, 0, 4));
    EXPECT_EQ(k.layerStatus(6)->level, 77) << "same layer count clears nothing";
    file(k, status(4, 0, 8));
    EXPECT_EQ(k.layerStatus(6)->level, 0) << "layers from the old count up are cleared";
}

TEST_F(KeloObjectTest, MajorFieldsBumpServerCountersAndAwaitTheNextStatus) {
    using Field = void (*)(kle_general_stat&);
    const struct {
        const char* name;
        Field change;
        bool major;
    } cases[] = {
        {"universe low", [](kle_general_stat& s) { s.universe.set(1); }, true},
        {"universe high", [](kle_general_stat& s) { s.universe.set(0x100); }, true},
        {"profile", [](kle_general_stat& s) { s.profile = 16; }, true},
        {"expanded", [](kle_general_stat& s) { s.expanded = 0x22; }, true},
        {"layercount", [](kle_general_stat& s) { s.layercount = 9; }, true},
        {"portrait", [](kle_general_stat& s) { s.portrait = 1; }, true},
        {"vMajor", [](kle_general_stat& s) { s.vMajor = 5; }, true},
        {"vMinor", [](kle_general_stat& s) { s.vMinor = 1; }, true},
        {"DMX_MasterCount", [](kle_general_stat& s) { s.DMX_MasterCount = 2; }, true},
        {"dimmer1", [](kle_general_stat& s) { s.dimmer1 = 9; }, false},
        {"tc_value", [](kle_general_stat& s) { s.tc_value.set(5); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KeloObject k;
        file(k, status());
        k.setGeneralStatusArrived(gNow);
        const ServerChanges before = k.changes();
        ASSERT_EQ(before._waitingForGeneralStatus, 0);
        kle_general_stat s = status();
        c.change(s);
        ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
        const ServerChanges after = k.changes();
        EXPECT_EQ(after.server - before.server, c.major ? 1 : 0);
        EXPECT_EQ(
            after.generalStatusMajorChangeIncrement - before.generalStatusMajorChangeIncrement,
            c.major ? 1 : 0);
        EXPECT_EQ(k.setGeneralStatusArrived(gNow), c.major) << "news once";
        EXPECT_FALSE(k.setGeneralStatusArrived(gNow));
    }
}

TEST_F(KeloObjectTest, ArrivalTimeAndWindowAndAliasChanges) {
    KeloObject k;
    EXPECT_FALSE(k.active());
    EXPECT_EQ(k.generalStatusArrived(), 0.0);
    EXPECT_FALSE(k.active()) << "reading the arrival time changes nothing";
    EXPECT_EQ(k.valueFor(1), QVariant());
    EXPECT_EQ(k.valueFor(1, 0), QVariant());

    kle_general_stat s = status(3, 5, 2);
    file(k, s);
    const int major = k.changes().generalStatusMajorChangeIncrement;
    s.is_windowed = 3;
    std::memset(s.alias, 'x', sizeof s.alias);  // no terminating NUL
    file(k, s);
    EXPECT_TRUE(k.isInWindow());
    EXPECT_EQ(k.changes().generalStatusMajorChangeIncrement - major, 2);
    EXPECT_EQ(k.changes().name, 1);
    EXPECT_EQ(k.userDefinedName(), QString(60, 'x'));
    file(k, s);
    EXPECT_EQ(k.changes().name, 1) << "same alias";

    s.vMinor = 4;
    file(k, s);
    EXPECT_TRUE(k.userDefinedName().isNull()) << "servers before 3.5 have no alias";
    k.setGeneralStatusArrived(0);
    EXPECT_EQ(k.valueFor(1), QVariant());
}

TEST_F(KeloObjectTest, PreferenceUpdatesAnnouncedByTheServer) {
    KeloObject k;
    kle_general_stat s = status();
    s.prefUpdates = 3;
    file(k, s);
    EXPECT_TRUE(k.needsPrefUpdate());
    EXPECT_EQ(k.prefUpdates(), 3);

    k.setNeedsPrefUpdate(false);
    s.prefUpdates = 0;
    file(k, s);
    EXPECT_FALSE(k.needsPrefUpdate()) << "0 is no update";
    EXPECT_EQ(k.prefUpdates(), 3);

    k.anticipatePrefUpdates();
    gNow += 4.0;
    s.prefUpdates = 0x44;
    file(k, s);
    EXPECT_FALSE(k.needsPrefUpdate()) << "our own change, announced within 5 s";
    EXPECT_EQ(k.prefUpdates(), 0x44);

    gNow += 2.0;
    s.prefUpdates = 0x45;
    file(k, s);
    EXPECT_TRUE(k.needsPrefUpdate()) << "too late to be ours";

    k.setNeedsPrefUpdate(false);
    k.anticipatePrefUpdates();
    s.prefUpdates = 0x06;
    file(k, s);
    EXPECT_TRUE(k.needsPrefUpdate()) << "without bit 0x40 someone else changed it";
}

TEST_F(KeloObjectTest, PreferenceTypeIncrementsFromVersion4) {
    KeloObject k;
    kle_general_stat s = status(4);
    s._pref_incr_t = 12;
    s._pref_incr = 1;
    file(k, s);
    file(k, s);
    s._pref_incr = 2;
    file(k, s);
    EXPECT_EQ(k.pref_IncrForType(12), 2u);
    s._pref_incr_t = 13;  // no such type
    s._pref_incr = 9;
    file(k, s);
    EXPECT_EQ(k.pref_IncrForType(13), 0u);

    KeloObject old;
    s = status(3, 6);
    s._pref_incr_t = 1;
    s._pref_incr = 1;
    file(old, s);
    EXPECT_EQ(old.pref_IncrForType(1), 0u);
}

TEST_F(KeloObjectTest, BackupAndMasterCountByVersion) {
    const struct {
        int major, minor, flags, masters;
        bool backup;
        int count;
    } cases[] = {
        {3, 6, 0x0B, 0, true, 3}, {3, 6, 0x08, 0, true, 1},  {3, 5, 0x0B, 0, false, 1},
        {4, 0, 0x80, 5, true, 5}, {4, 0, 0x0F, 0, false, 0}, {5, 1, 0x80, 32, true, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " flags " << c.flags);
        KeloObject k;
        kle_general_stat s = status(c.major, c.minor);
        s.flags = uint8_t(c.flags);
        s.DMX_MasterCount = uint8_t(c.masters);
        file(k, s);
        EXPECT_EQ(k.isBackup(), c.backup);
        EXPECT_EQ(k.DMX_MasterCount(), c.count);
    }
}

TEST_F(KeloObjectTest, VariantNamesAndProfileNames) {
    KeloObject k;
    EXPECT_EQ(k.keloVariant(), QString("Kelo")) << "before any status";
    const struct {
        int expanded;
        const char* variant;
    } cases[] = {{0xA2, "Kelo Heron"},
                 {0xAA, "Kelo Heron"},
                 {0x22, "Kelo Falcon"},
                 {0xB2, "Kelo Wren"},
                 {0x12, "Kelo"}};
    for (const auto& c : cases) {
        kle_general_stat s = status();
        s.expanded = uint8_t(c.expanded);
        file(k, s);
        EXPECT_EQ(k.keloVariant(), QString(c.variant)) << c.expanded;
    }
    k.setProductName("Kelo Development");
    EXPECT_EQ(k.keloVariant(), QString("Kelo Development"));

    k.setIsRunning(true);
    EXPECT_EQ(k.profileName(), QString("Unknown")) << "no name service installed";
    struct Names : KeloProfileNameProvider {
        QString profileName(int p) override { return QString("P%1").arg(p); }
    } names;
    KeloProfileNameProvider::install(&names);
    kle_general_stat s = status();
    s.profile = 19;
    file(k, s);
    EXPECT_EQ(k.profileName(), QString("P19"));
    KeloProfileNameProvider::install(nullptr);
}

TEST_F(KeloObjectTest, LayerValuesByCode) {
    KeloObject k;
    kle_general_stat s = status(4, 0, 2);
    s.flex_layer_stats[1] = layer(255, 256 * 3, 256 * 10);
    s.flex_layer_stats[1].media_folder = 4;
    s.flex_layer_stats[1].media_file = 5;
    s.flex_layer_stats[1].in_pt.set(128);
    s.flex_layer_stats[1].out_pt.set(256 * 9);
    file(k, s);
    EXPECT_EQ(k.valueFor(1, 1), QVariant(1.0f));
    EXPECT_EQ(k.valueFor(2, 1), QVariant(4));
    EXPECT_EQ(k.valueFor(3, 1), QVariant(5));
    EXPECT_EQ(k.valueFor(4, 1), QVariant(3.0f)) << "4 is the position";
    EXPECT_EQ(k.valueFor(5, 1), QVariant(10.0f)) << "5 is the length";
    EXPECT_EQ(k.valueFor(6, 1), QVariant(0.5f));
    EXPECT_EQ(k.valueFor(7, 1), QVariant(9.0f));
    EXPECT_EQ(k.valueFor(8, 1), QVariant());
    EXPECT_EQ(k.valueFor(0, 1), QVariant());
    EXPECT_EQ(k.valueFor(1, 2), QVariant()) << "beyond the layer count";
    EXPECT_EQ(k.valueFor(1, -1), QVariant());
    EXPECT_EQ(k.valueFor(2), QVariant(0));
    EXPECT_EQ(k.valueFor(4), QVariant());
}

TEST_F(KeloObjectTest, AddressChangesAndTheDuplicateNameWarning) {
    KeloObject::setLocalAddressTest([](uint32_t a) { return a == 0xC0A80005; });
    KeloObject k;
    const uint32_t a = 0x0A000001, b = 0x0A000002;
    k.setAddress(a, a);
    EXPECT_EQ(k.changes().address, 1);
    EXPECT_EQ(k.addressString(), QString("10.0.0.1"));
    k.setAddress(a, b);
    EXPECT_EQ(k.changes().address, 1) << "same working address";
    EXPECT_EQ(k.realEthernetAddress(), b);

    k.setAddress(0xC0A80005, 0);
    EXPECT_EQ(k.changes().address, 3) << "new address, and it is local but isLocalIP is not";
    gNow += 10.0;

    // Flipping between two addresses every second: the 12th flip is the 11th
    // counted one (the first has nothing to be quick after). The warning
    // counts while the last flip is under 5 s old.
    for (int i = 0; i < 11; ++i) {
        gNow += 0.5;
        k.setAddress(i % 2 ? a : b, 0);
        gNow += 0.5;
        EXPECT_TRUE(k.addressChangeWarning().isNull()) << i;
    }
    gNow += 1.0;
    k.setAddress(a, 0);
    gNow += 0.5;
    EXPECT_EQ(k.addressChangeWarning(),
              QString("Warning: Do 2 Keloes have same Name?\nCheck Mac System Preferences -> "
                      "Sharing.\n(2 IP addr 10.0.0.2 & 10.0.0.1)"));
    gNow += 5.0;
    EXPECT_TRUE(k.addressChangeWarning().isNull()) << "a 5 s pause resets the count";
    gNow += 1.0;
    k.setAddress(b, 0);
    EXPECT_TRUE(k.addressChangeWarning().isNull());

    k.setAddress(0, 0);
    EXPECT_EQ(k.addressString(), QString(""));
}

TEST_F(KeloObjectTest, InterfaceBookkeeping) {
    KeloObject k;
    EXPECT_EQ(k.updateEthIfNames("eth0"), 65);
    EXPECT_EQ(k.ethIfName(), QString("eth0"));
    EXPECT_EQ(k.changes().network, 2) << "from no name, and the new interface set";
    EXPECT_EQ(k.updateEthIfNames("eth0"), 0);
    EXPECT_EQ(k.multipleInterfaces(), 0.0);

    gNow += 1.0;
    EXPECT_EQ(k.updateEthIfNames("eth1"), 65);
    EXPECT_EQ(k.multipleInterfaces(), gNow);
    const double since = gNow;
    gNow += 1.0;
    EXPECT_EQ(k.updateEthIfNames("eth0"), 0) << "both heard lately";
    EXPECT_EQ(k.multipleInterfaces(), since);

    gNow += 3.5;
    EXPECT_EQ(k.updateEthIfNames("eth0"), 65) << "eth1 went stale";
    EXPECT_EQ(k.ethIfNames().keys(), QStringList{"eth0"});
    EXPECT_EQ(k.multipleInterfaces(), 0.0);

    const int network = k.changes().network;
    k.updateEthIfNames(QString());
    EXPECT_TRUE(k.ethIfNames().isEmpty());
    EXPECT_GT(k.changes().network, network);
}

TEST_F(KeloObjectTest, QuarantineAndSubnetMask) {
    KeloObject k;
    EXPECT_EQ(k.updateQuarantineState(true), 16);
    EXPECT_EQ(k.updateQuarantineState(true), 0);
    EXPECT_EQ(k.changes().server, 1);
    k.setOtherSideSubnetMask(0xFFFFFF00);
    k.setOtherSideSubnetMask(0xFFFFFF00);
    EXPECT_EQ(k.changes().server, 2);
    EXPECT_EQ(k.changes().generalStatusMajorChangeIncrement, 2);
    EXPECT_EQ(k.otherSideSubnetMask(), 0xFFFFFF00u);
}

TEST_F(KeloObjectTest, DescriptionAndDestinations) {
    KeloObject k;
    k.setName("Kelo on Stage");
    k.setAddress(0x7F000001, 0);
    k.setTcpPort(4811);
    EXPECT_EQ(k.description(), QString("KeloObject:[N] IP:7f000001 TCP:4811 (Idle) Kelo on Stage"));
    EXPECT_EQ(k.collectionID(), -1);

    struct Dest : KeloDestination {
        explicit Dest(int t) : t_(t) {}
        int tag() const override { return t_; }
        int t_;
    };
    auto d1 = std::make_shared<Dest>(1);
    auto d2 = std::make_shared<Dest>(2);
    auto d2b = std::make_shared<Dest>(2);
    k.addDestination(d1);
    k.addDestination(d2);
    k.addDestination(d2b);
    k.addDestination(d1);
    EXPECT_EQ(k.destinations().size(), 3u) << "added once each, by identity";
    EXPECT_EQ(k.destinationWithTag(2), d2) << "the first with the tag";
    EXPECT_EQ(k.destinationWithTag(3), nullptr);
    k.removeDestination(d2);
    EXPECT_EQ(k.destinationWithTag(2), d2b);
    k.removeAllDestinations();
    EXPECT_TRUE(k.destinations().empty());
}

TEST(ServerChangesTest, OnlyStructuralChangesAwaitAStatus) {
    for (int bit = 1; bit <= 128; bit <<= 1) {
        ServerChanges c;
        c.Increment(bit);
        EXPECT_EQ(c._waitingForGeneralStatus, (bit & 0xD3) ? 1 : 0) << bit;
    }
    ServerChanges c;
    c.Increment(0xFF);
    EXPECT_EQ(c.address + c.state + c.image + c.prefsDict + c.server +
                  c.generalStatusMajorChangeIncrement + c.network + c.name,
              8);
}

// Asking for faster feedback the first time tells the operator, once, as
// an event for the window layer; the model itself shows nothing.
TEST(KeloObjectFeedback, SpeedupNoticeIsPostedOnceAsAnEvent) {
    std::vector<QVariantMap> notices;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kKeloFeedbackSpeedupNoticeNotification, nullptr,
        [&](const Notification& n) { notices.push_back(n.userInfo); });
    KeloObject::setFeedbackSpeedup(true);
    EXPECT_TRUE(KeloObject::isFeedbackSpeedup());
    KeloObject::setFeedbackSpeedup(false);
    KeloObject::setFeedbackSpeedup(true);
    KeloObject::setFeedbackSpeedup(false);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].value("title"), "Live Image Feedback");
    EXPECT_TRUE(notices[0].value("message").toString().startsWith("Requesting 30 FPS"));
    EXPECT_EQ(notices[0].value("button"), "OK");
}

// A server object asks its link to send; without one it sends nothing.
TEST(KeloObjectLinkTest, RequestsGoThroughTheGivenLink) {
    struct Recorder : KeloObjectLink {
        QStringList calls;
        void getPrefValue(const QString& key, KeloObject*) override { calls << "get " + key; }
        void setKeloCollectionID(int id, KeloObject*) override {
            calls << QString("collection %1").arg(id);
        }
        void sendContentEditorMessage(KeloObject*, const QString& text, bool set) override {
            calls << QString(set ? "set " : "query ") + text;
        }
    } recorder;
    KeloObject k;
    k.setKeloCollectionID(3);
    k.sendContentEditorMessage("x", false);
    k.setLink(&recorder);
    k.setKeloCollectionID(4);
    k.sendContentEditorMessage("y", true);
    k.setPrefsDict({{"speed", QVariantMap{{"_value", "1"}}}});
    k.addPolledPref("speed", nullptr, 0);
    EXPECT_EQ(recorder.calls, QStringList({"collection 4", "set y", "get speed"}));
}

KELO_TEST_MAIN_CORE()
