// The preference list's model without sockets: order, value checks, edits,
// the value pass and the server status, with the server objects of a link
// that sends nothing and the notifications the list posts for it.

#include "settings/KlRemoteControlList.h"

#include "platform/NotificationCenter.h"
#include "serverlink/LinkTestSupport.h"
#include "settings/KlPatchCommon.h"
#include "settings/KlRemoteControlListDelegate.h"
#include "settings/KlTroubleShooter.h"
#include "support/TestMain.h"

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

QVariantMap entry(const char* type, const QVariant& value, const QVariantMap& extra = {}) {
    QVariantMap e = extra;
    e.insert("_type", type);
    if (value.isValid()) e.insert("_value", value);
    return e;
}

struct Recorder : KlRemoteControlListDelegate {
    void showWarning(const QString& key, const QString& text) override {
        warnings.push_back({key, text});
    }
    void prefSelected(const QString& key, bool) override { selected << key; }
    std::vector<std::pair<QString, QString>> warnings;
    QStringList selected;
};

struct Troubles : KlTroubleShooter {
    QString troubleShootStrForKelo(KeloObject*, bool shortString) override {
        return shortString ? "wrong subnet en1" : "Check network cables.";
    }
};

class PrefsModel : public ::testing::Test {
protected:
    void SetUp() override {
        linktest::useTestInterfaces();
        linktest::gNow = linktest::kStart;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        list = std::make_unique<KlRemoteControlList>(link.get());
        list->setDelegate(&recorder);
        list->setFixtureName("Kelo A");
        token = NotificationCenter::defaultCenter().addObserver(
            "KeloRemoteNotification", nullptr,
            [this](const Notification& n) { posted.push_back(n.userInfo); });
    }

    void TearDown() override {
        KlTroubleShooter::install(nullptr);
        list.reset();
        link.reset();
        // Discovery starts product queries on threads of their own.
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // A server object as the link files it: heard, at a version, with a dictionary.
    KeloObject* server(const QString& name, int major, int minor, const QVariantMap* prefs,
                       uint32_t address = linktest::kServerA) {
        // Heard by discovery first, so that the link counts it in contact.
        sockets.inject(WireBuilders::citpPLoc(4811, "MediaServer", name.toUtf8(), "Running"),
                       address);
        KeloObject* k = link->addKeloForName(name);
        kle_general_stat s{};
        s.vMajor = uint8_t(major);
        s.vMinor = uint8_t(minor);
        k->setGeneralStatus(&s, sizeof s);
        k->setGeneralStatusArrived(linktest::gNow);
        if (prefs) {
            k->setPrefsDict(*prefs);
            k->addChanges(ServerChanges::kPrefsDict);
        }
        return k;
    }

    void show(const QVariantMap& prefs) {
        dict = prefs;
        list->setDictionary(&dict);
    }

    std::vector<QVariantMap> take() { return std::exchange(posted, {}); }

    // What a set sent, or null when nothing was sent.
    QString sentValue() {
        const auto p = take();
        if (p.size() != 1 || p[0].value("type").toInt() != 2) return {};
        return p[0].value("prefValue").toString();
    }

    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KlRemoteControlList> list;
    Recorder recorder;
    QVariantMap dict;
    std::vector<QVariantMap> posted;
    NotificationCenter::Token token;
};

}  // namespace

TEST_F(PrefsModel, DisplayOrder) {
    const QVariantMap d{
        {"net", entry("int", "1", {{"_group", "Network"}})},
        {"core", entry("int", "1", {{"_group", "Core"}})},
        {"foo", entry("int", "1", {{"_group", "Foo"}})},
        {"bar", entry("int", "1", {{"_group", "Bar"}})},
        {"loose", entry("int", "1", {})},
        {"i3", entry("int", "1", {{"_group", "Core"}, {"_idx", 3}})},
        {"i7", entry("int", "1", {{"_group", "Core"}, {"_idx", "7"}})},
        {"b", entry("int", "1", {{"_group", "Core"}, {"_idx", 5}, {"_alias", "B"}})},
        {"a", entry("int", "1", {{"_group", "Core"}, {"_idx", 5}, {"_alias", "A"}})},
        {"old", entry("int", "1", {{"_group", "Deprecated"}, {"_dprct", "1"}})},
        {"junk", QString("not an entry")},
    };
    const struct {
        const char *first, *second;
    } before[] = {{"net", "core"}, {"core", "foo"}, {"bar", "foo"}, {"foo", "loose"},
                  {"i3", "i7"},    {"i7", "core"},  {"a", "b"}};
    for (const auto& c : before) {
        EXPECT_LT(KlRemoteControlList::sortKeys(c.first, c.second, d), 0) << c.first << c.second;
        EXPECT_GT(KlRemoteControlList::sortKeys(c.second, c.first, d), 0) << c.first << c.second;
    }
    // Unknown groups follow the known ones by name; a deprecated group's
    // only entry takes its header with it.
    EXPECT_EQ(KlRemoteControlList::buildSortedKeys(d),
              (QVariantList{"Network", "net", "Core", "i3", "a", "b", "i7", "core", "Bar", "bar",
                            "Foo", "foo", "loose"}));
    show(d);
    EXPECT_EQ(list->sortedKeys(), KlRemoteControlList::buildSortedKeys(d));
}

TEST_F(PrefsModel, ValueEquality) {
    const QVariantMap outputs{{"s1", QVariantMap{{"w", "1920"}, {"screen_uid", "A-1"}}},
                              {"s2", QVariantMap{{"w", "1280"}, {"screen_uid", "A-2"}}}};
    const QVariantMap elsewhere{{"s1", QVariantMap{{"w", "1920"}, {"screen_uid", "B-1"}}},
                                {"s2", QVariantMap{{"w", "1280"}, {"screen_uid", "B-2"}}}};
    QVariantMap otherWidth = elsewhere;
    otherWidth["s2"] = QVariantMap{{"w", "720"}, {"screen_uid", "B-2"}};
    const struct {
        QVariant value;
        QVariantMap entry;
        bool equal;
    } cases[] = {
        {"YES", entry("bool", "1"), true},
        {" 0", entry("bool", "no"), true},
        {"t", entry("bool", "0"), false},
        {" 7 apples", entry("int", "7"), true},
        {"8", entry("int", "7"), false},
        {"0.50", entry("float", ".5"), true},
        {"0.1", entry("float", "0.100000001"), true},
        {"0.2", entry("float", "0.3"), false},
        {"abc", entry("str", "abc"), true},
        {"abc", entry("str", QVariant()), false},
        {"(a, b)", entry("s_array", QVariantList{"a", "b"}), true},
        {QVariantList{"a"}, entry("s_array", QVariantList{"a", "b"}), false},
        {"not ( a list", entry("s_array", QVariantList{}), false},
        {"()", entry("s_array", QVariant(), {{"_dflt", "()"}}), true},
        {"(x)", entry("s_array", QVariant(), {{"_dflt", "(x)"}}), false},
        {"{k = v;}", entry("dict", QVariantMap{{"k", "v"}}), true},
        {QVariant(elsewhere), entry("dict", outputs, {{"_alias", "Outputs & Mixes"}}), true},
        {QVariant(otherWidth), entry("dict", outputs, {{"_alias", "Outputs & Mixes"}}), false},
        {QVariant(elsewhere), entry("dict", outputs), false},
        {"anything", entry("colour", "x"), true},
    };
    int row = 0;
    for (const auto& c : cases)
        EXPECT_EQ(KlRemoteControlList::isValueEqual(c.value, c.entry), c.equal) << "row " << row++;
}

TEST_F(PrefsModel, RangeChecks) {
    const struct {
        const char* key;
        const char* type;
        const char* range;  // null: no "_rng"
        const char* typed;
        const char* warning;  // null: sent as typed
    } cases[] = {
        {"layers", "int", "{1, 10}", "7", nullptr},
        {"layers", "int", "{1, 10}", "11",
         "New value 11 out of range.\nMinimum is 1, Maximum is 10"},
        {"layers", "int", "{1, 10}", "abc",
         "New value 'abc' is not a number.\nMinimum is 1, Maximum is 10"},
        {"layers", "int", "{0, 10}", "7x",
         "New value '7x' is not a number.\nMinimum is 0, Maximum is 10"},
        {"layers", "int", nullptr, "abc", nullptr},
        {"layers", "int", nullptr, "11", nullptr},
        // A range that is not a point tests nothing.
        {"layers", "int", "wide", "11", nullptr},
        {"gain", "float", "{0, 1}", "1.5",
         "New value 1.500 out of range.\nMinimum is 0.000, Maximum is 1.000"},
        {"gain", "float", "{0, 1}", "0.25", nullptr},
        {"pixmap_rgbw2_whiteVal", "str", "{0, 255}", "255,128,0", nullptr},
        {"pixmap_rgbw2_whiteVal", "str", "{0, 255}", "255,300,0",
         "New value(s) out of range.\nMinimum is 0, Maximum is 255"},
        {"pixmap_rgbw2_whiteVal", "str", "{0, 255}", "255,x,0",
         "New value(s) out of range.\nMinimum is 0, Maximum is 255"},
        {"pixmap_rgba_whiteVal", "str", "{0, 255}", "1,2",
         "Invalid value.\nRequires 3 comma-separated values (r,g,b)"},
        {"osc_heartbeat_dest", "str", "{0, 1}", "10.0.0.7:2001", nullptr},
        {"osc_heartbeat_dest", "str", "{0, 1}", "10.0.0.7:2000",
         "Invalid value.\nRequires a valid, correctly formatted IP address and port number 2001 - "
         "65535"},
        {"osc_heartbeat_dest", "str", "{0, 1}", "10.0.0:4000",
         "Invalid value.\nRequires a valid, correctly formatted IP address and port number 2001 - "
         "65535"},
        {"osc_heartbeat_dest", "str", "{0, 1}", "10.0.0.7",
         "Invalid value.\nRequires 2 values separated by a colon (IPAddress:Port)"},
        {"playback_ease_vals", "str", "{0, 100}", "1,30,5",
         "New value out of range.\nexp 0.1-2.0, percent 1-25, minSpd 0.5-100"},
        {"playback_ease_vals", "str", "{0, 100}", "1,20,5", nullptr},
        {"playback_ease_vals", "str", "{0, 100}", "1,20",
         "Invalid value.\nRequires 3 comma-separated values (exp,percent,minSpd)"},
    };
    for (const auto& c : cases) {
        QVariantMap e = entry(c.type, "1");
        if (c.range) e.insert("_rng", c.range);
        show({{c.key, e}});
        recorder.warnings.clear();
        const bool sent = list->setNewPrefValue(QString(c.typed), c.key);
        const QString what = QString("%1 %2").arg(c.key, c.typed);
        if (c.warning) {
            EXPECT_FALSE(sent) << qPrintable(what);
            EXPECT_TRUE(take().empty()) << qPrintable(what);
            ASSERT_EQ(recorder.warnings.size(), 1u) << qPrintable(what);
            EXPECT_EQ(recorder.warnings[0].second, QString(c.warning)) << qPrintable(what);
            EXPECT_EQ(dict.value(c.key).toMap().value("_value"), "1") << "entry unchanged";
        } else {
            EXPECT_TRUE(sent) << qPrintable(what);
            EXPECT_EQ(sentValue(), QString(c.typed)) << qPrintable(what);
            EXPECT_TRUE(recorder.warnings.empty()) << qPrintable(what);
            EXPECT_EQ(dict.value(c.key).toMap().value("_value"), c.typed);
        }
    }
}

TEST_F(PrefsModel, ChangesGoToTheShownServerAsText) {
    show({{"names", entry("s_array", QVariantList{"a"})},
          {"cfg", entry("dict", QVariantMap{{"k", "v"}})},
          {"missing", QVariant()}});
    ASSERT_TRUE(list->setNewPrefValue(QVariantList{"Out 1", "Out 2"}, "names"));
    auto p = take();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0], (QVariantMap{{"type", 2},
                                 {"prefName", "names"},
                                 {"fixtureName", "Kelo A"},
                                 {"prefValue", "(\n\t\"Out 1\",\n\t\"Out 2\"\n)\n"}}))
        << qPrintable(p[0].value("prefValue").toString());
    ASSERT_TRUE(list->setNewPrefValue("{ k = w; }", "cfg"));
    EXPECT_EQ(dict.value("cfg").toMap().value("_value"), (QVariantMap{{"k", "w"}}));
    take();
    EXPECT_FALSE(list->setNewPrefValue("1", "nowhere"));
    EXPECT_FALSE(list->setNewPrefValue("1", "missing"));
    EXPECT_FALSE(list->setNewPrefValue(QVariant(), "names"));
    list->setDictionary(nullptr);
    EXPECT_FALSE(list->setNewPrefValue("1", "names"));
    list->refreshPref("names");
    EXPECT_TRUE(take().empty());
}

TEST_F(PrefsModel, DmxUniverseFollowsThePatch) {
    const auto dmx = [](const char* universe, const char* protocol) {
        return QVariantMap{
            {"DMX_Univ", entry("int", universe,
                               {{"_rng", "{0, 63999}"}, {"_patchBlueprintsMaxUniverseOffset", 2}})},
            {"DMX_Protocol", entry("int", protocol, {{"_rng", "{0, 1}"}})}};
    };
    show(dmx("100", "0"));
    ASSERT_TRUE(list->setNewPrefValue("32767", "DMX_Univ"));
    EXPECT_EQ(sentValue(), "32765");
    ASSERT_EQ(recorder.warnings.size(), 1u);
    EXPECT_EQ(recorder.warnings[0].second,
              "DMX Universe out of range.\nMinimum is 0, Maximum ArtNet universe 32767\n"
              "The selected patch requires 3 universes, 32765 through 32767\n"
              "so the adjusted maximum universe should be 32765");
    EXPECT_EQ(dict.value("DMX_Univ").toMap().value("_value"), "32765");

    // A protocol that no longer fits the stored universe goes out first; the
    // lowered universe follows on the next pass, with the warning.
    show(dmx("63990", "1"));
    recorder.warnings.clear();
    ASSERT_TRUE(list->setNewPrefValue("0", "DMX_Protocol"));
    EXPECT_EQ(sentValue(), "0");
    EXPECT_TRUE(recorder.warnings.empty());
    EXPECT_EQ(list->selectedPrefName(), "DMX_Univ");
    list->updateValues();
    EXPECT_EQ(sentValue(), "32765");
    EXPECT_EQ(recorder.warnings.size(), 1u);
    list->updateValues();
    EXPECT_TRUE(take().empty()) << "consumed";

    // sACN has no universe 0; text is refused rather than sent as 0.
    show(dmx("5", "1"));
    ASSERT_TRUE(list->setNewPrefValue("0", "DMX_Univ"));
    EXPECT_EQ(sentValue(), "1");
    EXPECT_FALSE(list->setNewPrefValue("lots", "DMX_Univ"));
    EXPECT_TRUE(take().empty());

    // Without the protocol's value the plain range applies.
    QVariantMap plain = dmx("5", "1");
    plain["DMX_Protocol"] = entry("int", QVariant());
    show(plain);
    ASSERT_TRUE(list->setNewPrefValue("63999", "DMX_Univ"));
    EXPECT_EQ(sentValue(), "63999");
}

TEST_F(PrefsModel, ResetToDefault) {
    show({{"layers", entry("int", "4", {{"_dflt", "8"}, {"_rng", "{1, 24}"}})},
          {"same", entry("int", "8", {{"_dflt", "8"}})},
          {"names", entry("s_array", QVariantList{"x"}, {{"_dflt", "not an array {"}})}});
    for (const char* key : {"same", "names", "layers"}) {
        list->setResetMouseDownKey(key);
        list->resetToDefault();
    }
    const auto p = take();
    ASSERT_EQ(p.size(), 1u) << "only the changed, valid default is sent";
    EXPECT_EQ(p[0].value("prefName"), "layers");
    EXPECT_EQ(p[0].value("prefValue"), "8");
    list->resetToDefault();
    EXPECT_TRUE(take().empty()) << "the press was consumed";
}

TEST_F(PrefsModel, ItemEditorsEditInPlaceAndSendOnCommit) {
    show({{"names", entry("s_array", QVariantList{})},
          {"rects", entry("s_array", QVariantList{}, {{"_editor", "alignment_rects"}})},
          {"fixed", entry("s_array", QVariantList{"a"}, {{"_readonly", "1"}})},
          {"fx", entry("str", "1,2,3", {{"_editor", "effect"}})}});
    list->selectPref("names", false);
    EXPECT_EQ(list->selectedPrefControlView(), KlRemoteControlList::EditorView::StringList);
    EXPECT_EQ(list->addOrRemoveEditItem(0), -1);
    list->actionProc(1003, 1);
    list->actionProc(1001, "Stage left");
    EXPECT_EQ(dict.value("names").toMap().value("_value"), (QVariantList{"Stage left"}));
    EXPECT_GT(list->flashCommitButton(), 0);
    EXPECT_TRUE(take().empty()) << "item edits wait for the commit";
    list->actionProc(1002, QVariant());
    EXPECT_EQ(sentValue(), "(\n\t\"Stage left\"\n)\n");
    EXPECT_EQ(list->flashCommitButton(), 0);

    list->selectPref("rects", false);
    list->actionProc(1003, 1);
    EXPECT_EQ(list->selectedItemIndex(), 0);
    EXPECT_EQ(list->getEditValueForTag(2003), 100);
    EXPECT_EQ(list->getEditValueForTag(2005), 1);
    EXPECT_EQ(dict.value("rects").toMap().value("_value").toList().size(), 1);
    take();
    list->actionProc(2003, 250);
    list->actionProc(2005, 3);
    list->actionProc(1002, QVariant());
    const QVariantMap item = dict.value("rects").toMap().value("_value").toList().value(0).toMap();
    EXPECT_EQ(item.value("rect"), "{{0, 0}, {250, 100}}");
    EXPECT_EQ(item.value("linewidth"), "3");
    EXPECT_EQ(item.value("has_cross"), "1");
    EXPECT_TRUE(sentValue().contains("linewidth = 3;"));

    list->selectPref("fixed", false);
    list->actionProc(1003, 0);
    list->actionProc(1002, QVariant());
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(dict.value("fixed").toMap().value("_value"), (QVariantList{"a"}));

    list->selectPref("fx", false);
    EXPECT_EQ(list->getEditValueForTag(2002), 2);
    EXPECT_EQ(list->getEditValueForTag(2004), 0);
    list->actionProc(2005, 9);
    list->actionProc(1002, QVariant());
    EXPECT_EQ(sentValue(), "1,2,3,0,9");
}

TEST_F(PrefsModel, DictionaryReplacedInTheMiddleOfAnEdit) {
    const QVariantMap prefs{{"names", entry("s_array", QVariantList{"a", "b"})},
                            {"layers", entry("int", "4")}};
    KeloObject* kelo = server("Kelo A", 4, 2, &prefs);
    list->setWindowVisible(true);
    list->update();
    ASSERT_EQ(list->dictionary(), kelo->mutablePrefsDict());
    list->selectPref("names", false);
    list->actionProc(1000, 1);
    list->actionProc(1001, "B!");

    // A new dictionary arrives in which the preference changed its kind.
    kelo->setPrefsDict({{"names", entry("str", "plain")}, {"layers", entry("int", "4")}});
    kelo->addChanges(ServerChanges::kPrefsDict);
    list->actionProc(1001, "late");
    EXPECT_EQ(kelo->prefsDict().value("names").toMap().value("_value"), "plain");
    list->update();
    EXPECT_TRUE(list->sortedKeys().contains("names")) << "sorted again";
    EXPECT_EQ(list->selectedPrefControlView(), KlRemoteControlList::EditorView::None);
    list->actionProc(1002, QVariant());
    EXPECT_TRUE(take().empty());

    // And one without it: nothing to edit or send.
    kelo->setPrefsDict({{"layers", entry("int", "4")}});
    kelo->addChanges(ServerChanges::kPrefsDict);
    list->update();
    list->actionProc(1, "9");
    EXPECT_TRUE(take().empty());
}

TEST_F(PrefsModel, ValuePassFetchesAtMostSevenVisibleRowsPerTick) {
    QVariantMap prefs;
    for (int i = 0; i < 24; ++i)
        prefs.insert(QString("p%1").arg(i, 2, 10, QChar('0')),
                     entry("int", "1", {{"_pref_incr_t", "3"}, {"_idx", i + 1}}));
    prefs["p20"] = entry("int", QVariant(), {{"_idx", 21}});  // no value yet
    show(prefs);
    list->refreshDictionary();
    for (int i = 0; i < 21; ++i)
        list->setPrefVisible(QString("p%1").arg(i, 2, 10, QChar('0')), true);
    std::vector<size_t> perPass;
    QStringList fetched;
    for (int pass = 0; pass < 5; ++pass) {
        list->updateValues();
        const auto p = take();
        perPass.push_back(p.size());
        for (const auto& n : p) {
            EXPECT_EQ(n.value("type"), 1);
            fetched << n.value("prefName").toString();
        }
    }
    EXPECT_EQ(perPass, (std::vector<size_t>{7, 7, 7, 1, 1})) << "p20 is asked until it arrives";
    EXPECT_EQ(fetched.count("p20"), 3);
    EXPECT_FALSE(fetched.contains("p21")) << "off screen";
    EXPECT_EQ(dict.value("p21").toMap().value("_needs_refresh"), "1");
}

TEST_F(PrefsModel, HiddenWindowSendsNothing) {
    const QVariantMap prefs{{"layers", entry("int", QVariant())}};
    server("Kelo A", 4, 2, &prefs);
    list->update();
    EXPECT_EQ(list->dictionary(), nullptr);
    EXPECT_TRUE(take().empty());
}

TEST_F(PrefsModel, IncrementsRefreshTheirOwnType) {
    show({{"a", entry("int", "1", {{"_pref_incr_t", "12"}})},
          {"b", entry("int", "1", {{"_pref_incr_t", "12"}})},
          {"c", entry("int", "1", {{"_pref_incr_t", "c"}})},
          {"d", entry("int", "1", {{"_pref_incr_t", "11"}})},
          {"e", entry("int", "1", {{"_pref_incr_t", "zz"}})}});
    list->setPrefVisible("a", true);
    list->selectPref("c", false);
    recorder.selected.clear();
    NotificationCenter::defaultCenter().post("kKeloPref_IncrNotification", nullptr, {{"type", 18}});
    const auto p = take();
    ASSERT_EQ(p.size(), 1u);
    EXPECT_EQ(p[0].value("prefName"), "a");
    EXPECT_EQ(dict.value("b").toMap().value("_needs_refresh"), "1");
    EXPECT_FALSE(dict.value("d").toMap().contains("_needs_refresh"));
    EXPECT_FALSE(dict.value("e").toMap().contains("_needs_refresh"));
    EXPECT_TRUE(recorder.selected.isEmpty()) << "c is type 12 too but not 18";
    NotificationCenter::defaultCenter().post("kKeloPref_IncrNotification", nullptr, {{"type", 12}});
    EXPECT_EQ(recorder.selected, QStringList{"c"});
}

TEST_F(PrefsModel, StatusTextsInOrder) {
    const QVariantMap prefs{{"layers", entry("int", "4")}};
    list->setWindowVisible(true);
    list->setFixtureName("");
    list->update();
    EXPECT_EQ(list->serverStatus(), "No Server Selected");
    EXPECT_EQ(list->windowTitle(), "- No Kelo Selected -");

    list->setFixtureName("Kelo A");
    list->update();
    EXPECT_EQ(list->serverStatus(), "Kelo Server Offline") << "no such server";

    KeloObject* kelo = server("Kelo A", 0, 0, nullptr);
    list->update();
    EXPECT_EQ(list->serverStatus(), "Kelo Server Version Unavailable");
    server("Kelo A", 3, 9, nullptr);
    list->update();
    EXPECT_EQ(list->serverStatus(), "Kelo Version 3.9 too old\n(must be at least 4.0)");
    EXPECT_TRUE(list->cannotCompareOrEdit());
    server("Kelo A", 4, 1, nullptr);
    list->update();
    EXPECT_EQ(list->serverStatus(), "Kelo Preferences Unavailable");
    Troubles troubles;
    KlTroubleShooter::install(&troubles);
    list->update();
    EXPECT_EQ(list->serverStatus(), "Kelo Preferences Unavailable\nCheck network cables.");
    server("Kelo A", 4, 1, &prefs);
    list->update();
    EXPECT_TRUE(list->serverStatus().isEmpty());
    EXPECT_FALSE(list->cannotCompareOrEdit());
    EXPECT_EQ(list->dictionary(), kelo->mutablePrefsDict());
    EXPECT_EQ(list->vMinor(), 1);
    kelo->setAddress(0, 0);
    list->update();
    EXPECT_EQ(list->serverStatus(), "Kelo Server Offline");
}

TEST_F(PrefsModel, DisplayNames) {
    server("KeloEgret on Stage", 4, 2, nullptr);
    list->setFixtureName("KeloEgret on Stage");
    EXPECT_EQ(list->windowTitle(), "Stage");
    KeloObject* b = server("Kelo on Booth", 4, 2, nullptr, linktest::kServerB);
    list->updateNameForKelo(b);
    EXPECT_EQ(list->screenNameForKeloWithName("Kelo on Booth"), "Booth");
    EXPECT_TRUE(list->screenNameForKeloWithName(QString()).isNull());
    EXPECT_TRUE(KlRemoteControlList::keloName("Kelo B", "Kelo B (App Running?)"));
    EXPECT_FALSE(KlRemoteControlList::keloName("Kelo B", "Kelo Bx"));
}

TEST_F(PrefsModel, CompareNamesTheFirstMismatchedKey) {
    const QVariantMap left{{"a", entry("int", "1", {{"_idx", 1}})},
                           {"b", entry("int", "1", {{"_idx", 2}})},
                           {"c", entry("int", "1", {{"_idx", 3}})}};
    QVariantMap extraLast = left;
    extraLast["d"] = entry("int", "1", {{"_idx", 4}});
    QVariantMap lacksMiddle = left;
    lacksMiddle.remove("b");
    QVariantMap shorter = left;
    shorter.remove("c");
    server("Kelo A", 4, 2, &left);
    list->setWindowVisible(true);
    list->update();
    const struct {
        QVariantMap right;
        const char* mismatch;
    } cases[] = {{extraLast, "d"}, {lacksMiddle, "c"}, {shorter, "c"}};
    for (const auto& c : cases) {
        server("Kelo B", 4, 2, &c.right, linktest::kServerB);
        list->startComparing("Kelo B");
        KlRemoteControlList* right = list->rightServerComparison();
        EXPECT_TRUE(right->cannotCompareOrEdit());
        EXPECT_EQ(right->serverStatus(),
                  QString("Cannot Compare!\nPreference names/ordering does not match.\n(first "
                          "mismatched ID '%1').\n\nTo compare,\nservers must run the same software "
                          "product\nand same version.")
                      .arg(c.mismatch));
        EXPECT_FALSE(list->canCopyLeftSideToRightSide("a"));
    }
    server("Kelo B", 4, 2, &left, linktest::kServerB);
    list->startComparing("Kelo B");
    EXPECT_FALSE(list->rightServerComparison()->cannotCompareOrEdit());
    EXPECT_EQ(list->compareToKeloName(), "Kelo B");
    list->setFixtureName("Kelo B");
    EXPECT_TRUE(list->compareToKeloName().isNull()) << "a server is not compared with itself";
}

TEST_F(PrefsModel, OddEntriesNeitherCrashNorBlock) {
    show({{"_sorted_keys_", "from the server"},
          {"typeless", QVariantMap{{"_value", "1"}, {"_group", 5}, {"_idx", "x"}}},
          {"mapValue", entry("int", QVariantMap{{"a", "b"}}, {{"_rng", "{0, 5}"}})},
          {"listRange", entry("int", "1", {{"_rng", QVariantList{"1", "2"}}})},
          {"", entry("str", "empty key")}});
    EXPECT_EQ(list->sortedKeys(), (QVariantList{"", "listRange", "mapValue", "typeless"}));
    EXPECT_TRUE(list->setNewPrefValue("4", "typeless"));
    EXPECT_EQ(sentValue(), "4");
    EXPECT_TRUE(KlRemoteControlList::isValueEqual("9", dict.value("typeless").toMap()));
    EXPECT_FALSE(list->setNewPrefValue("9", "mapValue"));
    EXPECT_TRUE(list->setNewPrefValue("9", "listRange"));
    EXPECT_EQ(sentValue(), "9");
    EXPECT_FALSE(list->setNewPrefValue("x", ""));
    list->selectPref("mapValue", false);
    for (int tag : {0, 1000, 1001, 1002, 1003, 1009, 1100, 2001, 2016, 5000})
        list->actionProc(tag, QVariant());
    list->setPrefVisible("typeless", true);
    list->updateValues();
    EXPECT_TRUE(take().empty());
}

TEST_F(PrefsModel, CompareMenuAndTheRememberedPartner) {
    const QVariantMap prefs{{"a", entry("int", "1")}};
    server("Kelo on A", 4, 2, &prefs);
    server("Kelo B", 4, 2, &prefs, linktest::kServerB);
    KeloObject* quiet = server("Kelo on C", 4, 2, &prefs, linktest::kServerB + 1);
    server("KeloEgret on A", 4, 2, &prefs, linktest::kServerB + 2);
    quiet->setGeneralStatusArrived(linktest::gNow - 6);
    list->setFixtureName("Kelo on A");
    list->setWindowVisible(true);
    list->startupKlE_Control_Status();
    QStringList items = list->compareMenuItems();
    items.sort();
    EXPECT_EQ(items, (QStringList{"Compare to Other Kelo...", "Kelo B", "Kelo on C (App Running?)",
                                  "None"}))
        << "the left server is not offered under another form either";
    Troubles troubles;
    KlTroubleShooter::install(&troubles);
    list->setupCompareMenu();
    EXPECT_TRUE(list->compareMenuItems().contains("Kelo on C (wrong subnet en1)"));

    list->comparePopUpChosen("Kelo B");
    EXPECT_EQ(list->compareToKeloName(), "Kelo B");
    list->comparePopUpChosen("None");
    EXPECT_TRUE(list->compareToKeloName().isNull());
    EXPECT_EQ(list->compareMenuSelectedIndex(), 0);

    // Turning the comparison off keeps the partner; a change in the server
    // list takes it up again.
    list->comparePopUpChosen("Kelo B");
    list->compareButtonClicked(false);
    EXPECT_TRUE(list->compareToKeloName().isNull());
    link->kelo("Kelo B", linktest::kServerB);
    list->update();
    EXPECT_EQ(list->compareToKeloName(), "Kelo B");
}

KELO_TEST_MAIN_CORE()
