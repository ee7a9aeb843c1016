// The preference list end to end: its edits, fetches and copies go through
// the real network singleton over loopback to simulated servers, and what the
// servers receive is read byte by byte. Runs only inside a loopback-only
// network namespace (the test suite's).

#include "app/KeloRemoteNotificationRoute.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlListDelegate.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <chrono>
#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kSetPref = 20;
constexpr int kGetPref = 18;
constexpr int kHeader = 16;

QVariantMap entry(const char* type, const QVariant& value, const QVariantMap& extra = {}) {
    QVariantMap e = extra;
    e.insert("_type", type);
    e.insert("_value", value);
    return e;
}

QVariantMap editablePrefs() {
    return {
        {"maxLayers", entry("int", "4", {{"_rng", "{1, 10}"}, {"_group", "Core"}})},
        {"gain", entry("float", "0.5", {{"_rng", "{0, 1}"}, {"_group", "Core"}})},
        {"DMX_Univ", entry("int", "100",
                           {{"_rng", "{0, 63999}"},
                            {"_patchBlueprintsMaxUniverseOffset", "2"},
                            {"_group", "Patch"}})},
        {"DMX_Protocol", entry("int", "0", {{"_rng", "{0, 1}"}, {"_group", "Patch"}})},
        {"outputNames",
         entry("s_array", QVariantList{"Output 1", "Output 2"}, {{"_group", "Output"}})},
        {"cue", entry("dict", QVariantMap{{"fade", "2"}}, {{"_group", "Playback"}})},
    };
}

// A key and value as the server reads them: two NUL-ended texts.
QByteArray body(const char* key, const char* value) {
    return QByteArray(key) + '\0' + QByteArray(value) + '\0';
}

struct Warnings : KlRemoteControlListDelegate {
    void showWarning(const QString&, const QString& text) override { shown << text; }
    QStringList shown;
};

// One datagram the server took on its preference port: op and the NUL-ended
// texts after the header.
struct Command {
    int op = -1;
    QByteArray body;
};

class PreferenceEditRoad : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(50000 + 3 * line));
        prefsPort_ = options.prefsPort;
        link = std::make_unique<KlE_Control_Status>(options);
        // The program's route of the list's notifications to the link.
        route = std::make_unique<KeloRemoteNotificationRoute>(*link);
        const KeloServerSim::Network network = simNetworkFor(options);
        sim = std::make_unique<KeloServerSim>(network);
        base_ = 0x7F060001 + (uint32_t(line) << 8);  // 127.6.x.1
    }

    void TearDown() override {
        list.reset();
        sim.reset();
        route.reset();
        link.reset();
    }

    // Starts servers "Kelo Left" and "Kelo Right" and shows the left one.
    void start(int rightMinor = 2, const QVariantMap& rightExtra = {}) {
        KeloServerSim::Config left;
        left.name = "Kelo Left";
        left.address = base_;
        left.preferences = editablePrefs();
        KeloServerSim::Config right = left;
        right.name = "Kelo Right";
        right.address = base_ + 1;
        right.vMinor = rightMinor;
        for (auto it = rightExtra.begin(); it != rightExtra.end(); ++it)
            right.preferences.insert(it.key(), *it);
        sim->addServer(left);
        sim->addServer(right);
        ASSERT_TRUE(sim->start());
        for (const char* name : {"Kelo Left", "Kelo Right"}) {
            ASSERT_TRUE(processUntil([&] { return link->keloObjectForName(name); }, 3000)) << name;
            KeloObject* kelo = link->addKeloForName(name);
            ASSERT_TRUE(processUntil(
                [&] {
                    int major = 0;
                    kelo->getVMajor(&major, nullptr);
                    return kelo->hasPrefsDict() && !kelo->needsPrefUpdate() && major == 4;
                },
                4000))
                << name;
        }
        list = std::make_unique<KlRemoteControlList>(link.get());
        list->setDelegate(&warnings);
        list->setWindowVisible(true);
        list->setFixtureName("Kelo Left");
        list->update();
        ASSERT_FALSE(list->cannotCompareOrEdit()) << qPrintable(list->serverStatus());
        ASSERT_NE(list->dictionary(), nullptr);
        for (int i = 0; i < 2; ++i) sim->takeReceived(i);
    }

    // Preference commands (not the link's polling) a server received, read
    // from the datagram by hand.
    std::vector<Command> commands(int server) {
        std::vector<Command> found;
        for (const auto& r : sim->takeReceived(server)) {
            if (r.port != prefsPort_ || r.bytes.size() < kHeader) continue;
            const int op = uint8_t(r.bytes[11]);
            if (op == kSetPref || op == kGetPref) found.push_back({op, r.bytes.mid(kHeader)});
        }
        return found;
    }

    // Waits until `count` commands arrived, then a little longer so that an
    // extra one would show.
    std::vector<Command> awaitCommands(int server, size_t count) {
        std::vector<Command> got;
        processUntil(
            [&] {
                for (auto& c : commands(server)) got.push_back(c);
                return got.size() >= count;
            },
            2000);
        processUntil([] { return false; }, 150);
        for (auto& c : commands(server)) got.push_back(c);
        return got;
    }

    uint32_t base_ = 0;
    uint16_t prefsPort_ = 0;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloRemoteNotificationRoute> route;
    std::unique_ptr<KeloServerSim> sim;
    std::unique_ptr<KlRemoteControlList> list;
    Warnings warnings;
};

}  // namespace

TEST_F(PreferenceEditRoad, CheckedEditsReachTheServerOrNothingDoes) {
    start();
    ASSERT_TRUE(list->setNewPrefValue("7", "maxLayers"));
    auto got = awaitCommands(0, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].op, kSetPref);
    EXPECT_EQ(got[0].body, body("maxLayers", "7"));

    // Refused values never leave; the next valid one is all the server sees.
    EXPECT_FALSE(list->setNewPrefValue("11", "maxLayers"));
    EXPECT_FALSE(list->setNewPrefValue("1.5", "gain"));
    EXPECT_FALSE(list->setNewPrefValue("seven", "maxLayers"));
    EXPECT_EQ(warnings.shown,
              (QStringList{"New value 11 out of range.\nMinimum is 1, Maximum is 10",
                           "New value 1.500 out of range.\nMinimum is 0.000, Maximum is 1.000",
                           "New value 'seven' is not a number.\nMinimum is 1, Maximum is 10"}));
    ASSERT_TRUE(list->setNewPrefValue("0.25", "gain"));
    got = awaitCommands(0, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].body, body("gain", "0.25"));
    EXPECT_TRUE(commands(1).empty()) << "the other server is left alone";
}

TEST_F(PreferenceEditRoad, UniverseIsLoweredToFitThePatch) {
    start();
    ASSERT_TRUE(list->setNewPrefValue("32767", "DMX_Univ"));
    const auto got = awaitCommands(0, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].body, body("DMX_Univ", "32765"));
    ASSERT_EQ(warnings.shown.size(), 1);
    EXPECT_EQ(warnings.shown[0].count('\n'), 3) << "four lines";
}

TEST_F(PreferenceEditRoad, ArraysAndDictionariesTravelAsOldStyleText) {
    start();
    list->selectPref("outputNames", false);
    list->actionProc(1000, 1);
    list->actionProc(1001, "Side \"B\"");
    list->actionProc(1002, QVariant());
    ASSERT_TRUE(list->setNewPrefValue(QVariantMap{{"fade", "3"}, {"mode", "x fade"}}, "cue"));
    const auto got = awaitCommands(0, 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].body, body("outputNames", "(\n\t\"Output 1\",\n\t\"Side \\\"B\\\"\"\n)\n"));
    EXPECT_EQ(got[1].body, body("cue", "{\n\tfade = 3;\n\tmode = \"x fade\";\n}\n"));

    // Fetched back, the server's text becomes the array again.
    KeloObject* kelo = link->keloObjectForName("Kelo Left");
    QVariantMap* prefs = kelo->mutablePrefsDict();
    prefs->insert("outputNames", entry("s_array", QVariantList{}));
    list->refreshPref("outputNames");
    ASSERT_TRUE(processUntil(
        [&] {
            return kelo->prefsDict().value("outputNames").toMap().value("_value") ==
                   QVariantList{"Output 1", "Side \"B\""};
        },
        2000));
}

TEST_F(PreferenceEditRoad, ServersOfOtherVersionsCannotBeCompared) {
    start(3);
    list->startComparing("Kelo Right");
    KlRemoteControlList* right = list->rightServerComparison();
    EXPECT_EQ(right->serverStatus(),
              "Cannot Compare!\nKelo Version Mismatch\nleft\t\tv4.2\nright\tv4.3");
    EXPECT_TRUE(right->cannotCompareOrEdit());
    EXPECT_FALSE(list->canCopyLeftSideToRightSide("maxLayers"));
}

TEST_F(PreferenceEditRoad, ExtraLastKeyIsNamed) {
    start(2, {{"zzz", entry("int", "1")}});
    list->startComparing("Kelo Right");
    EXPECT_TRUE(
        list->rightServerComparison()->serverStatus().contains("(first mismatched ID 'zzz')"))
        << qPrintable(list->rightServerComparison()->serverStatus());
}

TEST_F(PreferenceEditRoad, CopySetsTheTargetAndFetchesBothSides) {
    start(2, {{"maxLayers", entry("int", "9", {{"_rng", "{1, 10}"}, {"_group", "Core"}})},
              {"gain", entry("float", "0.5", {{"_rng", "{0, 0.25}"}, {"_group", "Core"}})}});
    list->setupCompareMenu();
    list->startupKlE_Control_Status();
    EXPECT_EQ(list->matchingPopupItemForName("Kelo Left"), -1) << "never offered itself";
    const int item = list->matchingPopupItemForName("Kelo Right");
    ASSERT_GE(item, 2);
    list->comparePopUpChosen(list->compareMenuItems()[item]);
    ASSERT_EQ(list->compareToKeloName(), "Kelo Right");
    list->update();
    ASSERT_FALSE(list->rightServerComparison()->cannotCompareOrEdit())
        << qPrintable(list->rightServerComparison()->serverStatus());

    EXPECT_TRUE(list->canCopyLeftSideToRightSide("maxLayers"));
    EXPECT_FALSE(list->canCopyLeftSideToRightSide("DMX_Protocol")) << "equal values";
    EXPECT_FALSE(list->canCopyLeftSideToRightSide("Core")) << "a group header";
    list->updateHelpTextForKey("maxLayers", false, true);
    EXPECT_EQ(list->rightServerComparison()->helpText(), "set preference from other kelo");

    list->copyToRightSide("maxLayers");
    const auto right = awaitCommands(1, 2);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_EQ(right[0].body, body("maxLayers", "4"));
    EXPECT_EQ(right[1].op, kGetPref);
    const auto left = awaitCommands(0, 1);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].op, kGetPref);
    EXPECT_EQ(left[0].body, QByteArray("maxLayers") + '\0');
    ASSERT_TRUE(processUntil([&] { return !list->canCopyLeftSideToRightSide("maxLayers"); }, 2000));

    // A value the target refuses is not sent; both sides are still asked.
    warnings.shown.clear();
    list->copyToRightSide("gain");
    EXPECT_TRUE(warnings.shown.isEmpty()) << "the right panel shows its own warnings";
    EXPECT_EQ(list->rightServerComparison()->lastWarning(),
              "New value 0.500 out of range.\nMinimum is 0.000, Maximum is 0.250");
    const auto refused = awaitCommands(1, 1);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].op, kGetPref);
    EXPECT_EQ(awaitCommands(0, 1).size(), 1u);
}

TEST_F(PreferenceEditRoad, ValuePassAsksForSevenRowsPerTick) {
    start();
    list->refreshDictionary();
    int rows = 0;
    for (const QVariant& key : list->sortedKeys()) {
        if (!list->dictionary()->value(key.toString()).toMap().contains("_pref_incr_t")) continue;
        list->setPrefVisible(key.toString(), true);
        ++rows;
    }
    ASSERT_GT(rows, 7);
    for (int left = rows; left > 0; left -= 7) {
        const size_t asked = size_t(std::min(left, 7));
        list->update();
        EXPECT_EQ(awaitCommands(0, asked).size(), asked) << left << " rows left";
    }
    list->update();
    EXPECT_TRUE(awaitCommands(0, 1).empty());
}

KELO_TEST_MAIN_CORE()
