// Preferences of a server: one-preference replies, polled preferences and
// their expiry, per-type increment notifications, the mix list and the
// change counters that views compare.

#include "LinkTestSupport.h"
#include "platform/NotificationCenter.h"
#include "serverlink/ChangeIncrementsDict.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/MixRectangleServices.h"
#include "serverlink/channels/StatusChannel.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <QCoreApplication>

using namespace linktest;
using namespace WireBuilders;

namespace {

QByteArray onePref(const QByteArray& key, const QByteArray& value) {
    return serverMessage(kKlEOpOnePref, 0, key + '\0' + value + '\0');
}

QVariantMap entry(const QVariant& value, const QVariant& prefUpdates = QVariant()) {
    QVariantMap e{{"_type", "s"}, {"_value", value}};
    if (prefUpdates.isValid()) e.insert("_prefUpdates", prefUpdates);
    return e;
}

// Notifications of one name, as they were posted.
struct Recorder {
    explicit Recorder(const char* name)
        : token(NotificationCenter::defaultCenter().addObserver(
              name, nullptr, [this](const Notification& n) { seen.push_back(n); })) {}
    std::vector<Notification> seen;
    NotificationCenter::Token token;
};

class Preferences : public LinkTest {
protected:
    Preferences() : LinkTest(27809) {}

    void SetUp() override {
        LinkTest::SetUp();
        ploc("Kelo A", kServerA);
        kelo = link->addKeloForName("Kelo A");
        setPrefUpdates(3);
        kelo->setPrefsDict({{"speed", entry("1", 3)},
                            {"mixes", entry("old", 2)},
                            {"other", entry("x", 2)},
                            {"stale", entry("s")}});
        kelo->setNeedsPrefUpdate(false);
        link->sendChangeNotificationsAndClear();
        takeSent();
    }

    void setPrefUpdates(uint8_t n) {
        kle_general_stat s{};
        s.vMajor = 4;
        s.prefUpdates = n;
        kelo->anticipatePrefUpdates();
        kelo->setGeneralStatus(&s, sizeof s);
    }

    std::vector<QByteArray> askedFor() {
        std::vector<QByteArray> keys;
        for (const Sent& s : takeSent()) {
            if (s.op() != kKlEOpGetPref) continue;
            EXPECT_EQ(s.port, 16437);
            keys.push_back(s.datagram.mid(16, s.datagram.size() - 17));
        }
        return keys;
    }

    KeloObject* kelo = nullptr;
};

TEST_F(Preferences, OnePreferenceForAnUnknownKeyChangesNothing) {
    const ServerChanges before = kelo->changes();
    const QVariantMap prefs = kelo->prefsDict();
    receive(onePref("noSuchKey", "v"), kServerA);
    receive(onePref("", ""), kServerA);
    EXPECT_EQ(kelo->changes(), before);
    EXPECT_EQ(link->changes(), 0);
    EXPECT_EQ(kelo->prefsDict(), prefs);
}

TEST_F(Preferences, ChangedPolledPreferenceIsAnnouncedByItsPollType) {
    Recorder changed("kKeloPrefChangedNotification");
    kelo->addPolledPref("mixes", nullptr, 2);
    kelo->addPolledPref("other", nullptr, 0);
    const ServerChanges before = kelo->changes();

    // Poll type 2: a notification naming the key; "mixes" re-reads the mix list.
    receive(onePref("mixes", "new"), kServerA);
    ASSERT_EQ(changed.seen.size(), 1u);
    EXPECT_EQ(changed.seen[0].userInfo.value("prefName").toString(), "mixes");
    EXPECT_EQ(kelo->changes().server, before.server);
    EXPECT_EQ(kelo->changes().prefsDict, before.prefsDict + 1);

    // Other poll types: the server counts as changed.
    receive(onePref("other", "y"), kServerA);
    EXPECT_EQ(changed.seen.size(), 1u);
    EXPECT_EQ(kelo->changes().server, before.server + 1);
    EXPECT_TRUE(link->changes() & 16);
    EXPECT_EQ(kelo->prefsDict().value("other").toMap().value("_prefUpdates").toInt(), 3);

    // A value read at the current update, or an unchanged one, is no news.
    link->sendChangeNotificationsAndClear();
    receive(onePref("other", "z"), kServerA);
    receive(onePref("mixes", "new"), kServerA);
    EXPECT_EQ(changed.seen.size(), 1u);
    EXPECT_EQ(kelo->changes().server, before.server + 1);
    EXPECT_EQ(kelo->prefsDict().value("other").toMap().value("_value").toString(), "z");
    EXPECT_EQ(link->changes(), 8);
}

TEST_F(Preferences, PolledPreferenceTellsWhyItIsNotReady) {
    QString why;
    // Current: read at the server's present update counter.
    std::optional<QVariantMap> e = kelo->addPolledPref("speed", &why, 0);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->value("_value").toString(), "1");
    EXPECT_TRUE(why.isNull());
    EXPECT_EQ(askedFor(), std::vector<QByteArray>{"speed"});

    const struct {
        const char* key;
        const char* why;
        bool asks;
    } cases[] = {
        {"stale", "fetching Kelo preferences", true},
        {"other", "fetching Kelo preferences", true},
        {"gone", "gone unavailable.\nAre you running old Kelo software version?", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_FALSE(kelo->addPolledPref(c.key, &why, 0));
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(askedFor().size(), c.asks ? 1u : 0u);
    }
    kelo->setNeedsPrefUpdate(true);
    EXPECT_FALSE(kelo->addPolledPref("speed", &why, 0));
    EXPECT_EQ(why, "waiting for Kelo status");
}

TEST_F(Preferences, PolledPreferenceIsAskedForAtMostOnceASecond) {
    kelo->addPolledPref("stale", nullptr, 0);
    gNow += 0.5;
    kelo->addPolledPref("stale", nullptr, 0);
    gNow += 0.5;
    kelo->addPolledPref("stale", nullptr, 0);
    EXPECT_EQ(askedFor().size(), 1u);
    gNow += 0.01;
    kelo->addPolledPref("stale", nullptr, 0);
    EXPECT_EQ(askedFor().size(), 1u);
}

TEST_F(Preferences, PollingPassesRepollAndExpireOnTheirTimings) {
    kelo->addPolledPref("stale", nullptr, 0);  // never current
    kelo->addPolledPref("speed", nullptr, 2);  // current and kept
    kelo->addPolledPref("other", nullptr, 2);  // not current, kept
    takeSent();
    // Ticks of 1/30 s for 12 s: the polling pass runs with every status request.
    std::map<QByteArray, int> asks;
    for (int i = 0; i < 360; ++i) {
        gNow += 1.0 / 30;
        if (i % 30 == 0) ploc("Kelo A", kServerA);  // still in contact
        tick();
        for (const QByteArray& k : askedFor()) ++asks[k];
    }
    EXPECT_EQ(asks.count("speed"), 0u);
    // Once a second after the last request; "stale" stops when it expires
    // 10 s after a view last wanted it.
    EXPECT_NEAR(asks["other"], 11, 1);
    EXPECT_NEAR(asks["stale"], 9, 1);
    EXPECT_EQ(kelo->polledPrefs().count("stale"), 0u);
    EXPECT_EQ(kelo->polledPrefs().count("speed"), 1u);

    // Within a grace period nothing expires.
    kelo->addPolledPref("stale", nullptr, 0);
    gNow += 20;
    kelo->updatePolledPrefsWithGracePeriod(gNow + 1.2);
    EXPECT_EQ(kelo->polledPrefs().count("stale"), 1u);
    kelo->updatePolledPrefsWithGracePeriod(0);
    EXPECT_EQ(kelo->polledPrefs().count("stale"), 0u);
}

TEST_F(Preferences, IncrementNotificationMarksEntriesOfItsTypeOnlyWhenTheCounterMoves) {
    Recorder incr("kKeloPref_IncrNotification");
    kelo->setPrefsDict({{"ten", QVariantMap{{"_pref_incr_t", "a"}}},
                        {"TEN", QVariantMap{{"_pref_incr_t", "A"}}},
                        {"eleven", QVariantMap{{"_pref_incr_t", "b"}}},
                        {"plain", QVariantMap{{"_value", "1"}}},
                        {"text", "not an entry"}});
    kle_general_stat s{};
    s.vMajor = 4;
    s._pref_incr_t = 10;
    s._pref_incr = 7;
    kelo->setGeneralStatus(&s, sizeof s);
    EXPECT_TRUE(incr.seen.empty()) << "queued until the record is stored";
    QCoreApplication::processEvents();
    ASSERT_EQ(incr.seen.size(), 1u);
    EXPECT_EQ(incr.seen[0].sender, kelo);
    EXPECT_EQ(incr.seen[0].userInfo.value("type").toInt(), 10);
    EXPECT_EQ(incr.seen[0].userInfo.value("statusIncrement").toULongLong(), 1u);
    EXPECT_EQ(kelo->pref_IncrForType(10), 1u);
    const QVariantMap p = kelo->prefsDict();
    EXPECT_EQ(p.value("ten").toMap().value("_needs_refresh").toString(), "1");
    EXPECT_EQ(p.value("TEN").toMap().value("_needs_refresh").toString(), "1");
    EXPECT_FALSE(p.value("eleven").toMap().contains("_needs_refresh"));
    EXPECT_FALSE(p.value("plain").toMap().contains("_needs_refresh"));
    EXPECT_EQ(p.value("text").toString(), "not an entry");

    // The same counter again, an older server, or a type beyond 12: no news.
    kelo->setGeneralStatus(&s, sizeof s);
    s.vMajor = 3;
    s._pref_incr = 8;
    kelo->setGeneralStatus(&s, sizeof s);
    s.vMajor = 4;
    s._pref_incr_t = 13;
    kelo->setGeneralStatus(&s, sizeof s);
    QCoreApplication::processEvents();
    EXPECT_EQ(incr.seen.size(), 1u);
}

class FakeMixes : public MixRectangleServices {
public:
    int updateConfigIncrement() const override { return 0; }
    int applyRemoteChanges(const QVariant& mixes) override {
        applied.push_back(mixes);
        return answer;
    }
    std::vector<MixRectangleRecord> sortedMixRectangles() const override { return table; }
    int answer = 0;
    std::vector<QVariant> applied;
    std::vector<MixRectangleRecord> table{{0, "Main"}, {1, "Left"}, {2, "Right"}};
};

TEST_F(Preferences, MixListFollowsTheMixesPreference) {
    FakeMixes mixes;
    MixRectangleServices::install(&mixes);
    kelo->setPrefsDict({{"mixes", entry(QVariant())}});
    // Without a value every call bumps the counter and gives nothing.
    const int32_t start = kelo->cachedSortedMixesIncrement();
    EXPECT_TRUE(kelo->sortedMixes().empty());
    EXPECT_TRUE(kelo->sortedMixes().empty());
    EXPECT_EQ(kelo->cachedSortedMixesIncrement(), start + 2);
    EXPECT_TRUE(mixes.applied.empty());

    const QVariantMap value{{"001", QVariantMap{{"name", "Left"}}}};
    kelo->setPrefsDict({{"mixes", entry(value, 3)}});
    mixes.answer = 2;
    EXPECT_EQ(kelo->sortedMixes(), mixes.table);
    EXPECT_EQ(mixes.applied.back(), QVariant(value));
    EXPECT_EQ(kelo->cachedSortedMixesIncrement(), start + 3);
    EXPECT_FALSE(kelo->cachedSortedMixesNeedsUpdate());

    // The cache answers without asking the table until the value is re-read.
    mixes.answer = 0;
    mixes.table.pop_back();
    const size_t applied = mixes.applied.size();
    EXPECT_EQ(kelo->cachedSortedMixes().size(), 3u);
    EXPECT_EQ(kelo->cachedMixName(2), "Right");
    EXPECT_EQ(mixes.applied.size(), applied);
    EXPECT_TRUE(kelo->mixName(7).isNull());
    link->setPref("mixes", "<dict/>", kelo);
    EXPECT_TRUE(kelo->cachedSortedMixesNeedsUpdate());

    std::vector<KeloMixMenuItem> items;
    EXPECT_TRUE(kelo->populateMixesForMenu(&items));
    ASSERT_EQ(items.size(), 2u) << "mix 0 is no real mix";
    EXPECT_EQ(items[1], (KeloMixMenuItem{"Right", 2}));
    MixRectangleServices::install(nullptr);
}

// The receive thread reads a dictionary sent again from what it read
// before: each text must still give its own dictionary, and a broken one
// nothing, however often and in whatever order they come.
TEST(PrefsDictDecode, EveryTextGivesItsOwnDictionaryWhenSentAgain) {
    auto dict = [](const QByteArray& alias) {
        return serverMessage(kKlEOpPrefsDict, 0,
                             "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>alias</key>"
                             "<string>" +
                                 alias + "</string></dict></plist>" + '\0');
    };
    auto decode = [](const QByteArray& d) {
        return StatusChannel::decodePrefsDict(d.constData(), size_t(d.size()));
    };
    const QByteArray a = dict("Stage A"), b = dict("Stage B");
    const QByteArray broken = serverMessage(kKlEOpPrefsDict, 0, QByteArray("<plist><dict>\0", 14));
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(decode(a).toMap().value("alias"), "Stage A") << round;
        EXPECT_EQ(decode(b).toMap().value("alias"), "Stage B") << round;
        EXPECT_FALSE(decode(broken).isValid()) << round;
    }
    // What a caller changes in its copy is not what the next one gets.
    QVariantMap mine = decode(a).toMap();
    mine.insert("alias", "changed");
    EXPECT_EQ(decode(a).toMap().value("alias"), "Stage A");
}

TEST(ChangeCounters, MasksAndFreshConsumerRecords) {
    const struct {
        int mask;
        bool waits;
    } cases[] = {{1, true},   {2, true},  {4, false},  {8, false},  {16, true},
                 {32, false}, {64, true}, {128, true}, {0xFF, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        ServerChanges s;
        s.Increment(c.mask);
        EXPECT_EQ(s._waitingForGeneralStatus != 0, c.waits);
        EXPECT_EQ(s.address + s.state + s.image + s.prefsDict + s.server +
                      s.generalStatusMajorChangeIncrement + s.network + s.name,
                  __builtin_popcount(c.mask));
    }

    ChangeIncrementsDict dict;
    ServerChanges* mine = dict.changesForKelo("Kelo A");
    EXPECT_EQ(dict.changesForKelo("Kelo A"), mine);
    KeloObject kelo;
    for (int i = 0; i < 3; ++i) {
        const ServerChanges server = kelo.changes();
        EXPECT_NE(mine->address, server.address);
        EXPECT_NE(mine->image, server.image);
        EXPECT_NE(mine->server, server.server);
        EXPECT_NE(mine->network, server.network);
        kelo.addChanges(8 << i);
    }
    *mine = kelo.changes();
    EXPECT_EQ(*dict.changesForKelo("Kelo A"), kelo.changes());
}

}  // namespace

KELO_TEST_MAIN_GUI()
