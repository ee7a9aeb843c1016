// The outputs bridge against a simulated server over loopback: the server's
// "mixes" read and merged into the table, edits sent back as one
// set-preference datagram of old-style text and reported back by the
// server, the status texts over the editors, and the content-editor
// requests. Runs only inside a loopback-only network namespace.

#include "foundation/KlStatusLine.h"
#include "outputs/KlOutputsIFDEFs.h"
#include "outputs/KlServerStatusView.h"
#include "outputs/MixRectangle.h"
#include "outputs/MixRectangleTableServices.h"
#include "outputs/OutputsTestSupport.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloRemoteOwner.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/ProcessUntil.h"
#include "support/SimPreferenceSet.h"
#include "support/TestMain.h"

#include <QUndoStack>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SelectedServer : public KeloRemoteOwner {
public:
    QString nameOfSelectedKeloInMainWindow() override { return name; }
    QString name;
};

class StatusLine : public KlStatusLine {
public:
    void showStatusText(const QString& text, const QColor& color) override {
        texts << text;
        colours << color;
    }
    QStringList texts;
    QList<QColor> colours;
};

// The table's services, keeping every answer of the merges.
class RecordingMixes : public MixRectangleTableServices {
public:
    int applyRemoteChanges(const QVariant& mixes) override {
        const int answer = MixRectangleTableServices::applyRemoteChanges(mixes);
        answers.push_back(answer);
        return answer;
    }
    // The answers other than 0 since the last call.
    std::vector<int> takeChanges() {
        std::vector<int> changes;
        for (int a : answers)
            if (a != 0) changes.push_back(a);
        answers.clear();
        return changes;
    }
    std::vector<int> answers;
};

QVariantMap mixesEntry(const QVariant& value) {
    return {{"_type", "dict"}, {"_value", value}, {"_pref_incr_t", "3"}, {"_prefUpdates", qint64(1)}};
}

struct SetPref {
    uint16_t flags = 0;
    QByteArray key, value;
};

class OutputsBridge : public MixTableTest {
protected:
    void SetUp() override {
        MixTableTest::SetUp();
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(58000 + 3 * line));
        link = std::make_unique<KlE_Control_Status>(options);
        sim = std::make_unique<KeloServerSim>(simNetworkFor(options));
        config.name = "Kelo Mixes";
        config.address = 0x7F030001 + (uint32_t(line) << 8);  // 127.3.x.1
        config.preferences.insert("mixes", mixesEntry(sampleMixes()));
        config.preferences.insert(
            "win_scale",
            QVariantMap{{"_type", "i"}, {"_value", "2"}, {"_pref_incr_t", "3"}, {"_prefUpdates", 1}});
        KeloRemoteOwner::install(&owner);
        KlStatusLine::install(&statusLine);
        MixRectangleServices::install(&mixes);
        KlOutputsIFDEFs::setControlStatus(link.get());
        KlOutputsIFDEFs::reset();
    }

    void TearDown() override {
        sim.reset();
        link.reset();
        KlOutputsIFDEFs::setControlStatus(nullptr);
        MixRectangleServices::install(nullptr);
        KlStatusLine::install(nullptr);
        KeloRemoteOwner::install(nullptr);
        MixTableTest::TearDown();
    }

    // Starts the server with `config` and waits until its preferences are in.
    void startServer() {
        sim->addServer(config);
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo Mixes"); }, 3000));
        kelo = link->addKeloForName("Kelo Mixes");
        owner.name = "Kelo Mixes";
        ASSERT_TRUE(processUntil(
            [&] {
                return kelo->hasPrefsDict() && !kelo->needsPrefUpdate() &&
                       kelo->prefUpdates() == sim->config(0).prefUpdates;
            },
            3000));
    }

    // Set-preference datagrams the server received since the last call.
    std::vector<SetPref> setPrefs() {
        std::vector<SetPref> found;
        for (const auto& r : sim->takeReceived(0)) {
            const QByteArray& b = r.bytes;
            if (b.size() < 18 || uint8_t(b[11]) != 20) continue;
            SetPref s;
            s.flags = uint16_t(uint8_t(b[12]) << 8 | uint8_t(b[13]));
            const qsizetype keyEnd = b.indexOf('\0', 16);
            s.key = b.mid(16, keyEnd - 16);
            s.value = b.mid(keyEnd + 1, b.indexOf('\0', keyEnd + 1) - keyEnd - 1);
            found.push_back(s);
        }
        return found;
    }

    bool tableHasArrived() {
        return processUntil([&] { return !kelo->sortedMixes().empty(); }, 4000);
    }

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    KeloServerSim::Config config;
    KeloObject* kelo = nullptr;
    SelectedServer owner;
    StatusLine statusLine;
    RecordingMixes mixes;
};

TEST_F(OutputsBridge, ServersMixesAreReadIntoTheTable) {
    startServer();
    ASSERT_TRUE(tableHasArrived());
    EXPECT_EQ(mixes.takeChanges(), std::vector<int>{2}) << "the first copy builds the table";
    EXPECT_EQ(MixRectangle::rebuildDict(), sampleMixes());
    const std::vector<MixRectangleRecord> expected{{0, "global surface"},
                                                   {1, "Output 001 (Master2)"},
                                                   {2, "Output 002 (Master3)"},
                                                   {33, "Stage"},
                                                   {34, "Inset"},
                                                   {35, "Both"}};
    EXPECT_EQ(kelo->sortedMixes(), expected);
    EXPECT_TRUE(KlOutputsIFDEFs::serverStatus().isNull());
    EXPECT_TRUE(KlOutputsIFDEFs::mixesAvailable());
    // Polling on: the same copy again answers 0.
    for (int i = 0; i < 5; ++i) kelo->sortedMixes();
    EXPECT_TRUE(mixes.takeChanges().empty());
}

TEST_F(OutputsBridge, EditsGoOutAsOneDatagramAndComeBack) {
    startServer();
    ASSERT_TRUE(tableHasArrived());
    sim->takeReceived(0);
    MixRectangle::mixRectangleAtIndex(33)->setName("Main stage");
    MixRectangle::updateConfiguration();
    KlOutputsIFDEFs::remoteUpdate();
    MixRectangle::mixRectangleAtIndex(34)->setRect({20, 20, 300, 150});
    KlOutputsIFDEFs::remoteUpdate();
    std::vector<SetPref> sent;
    ASSERT_TRUE(processUntil(
        [&] {
            for (auto& s : setPrefs()) sent.push_back(s);
            return sent.size() >= 2;
        },
        3000));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].key, "mixes");
    EXPECT_EQ(sent[0].flags, 254) << "first send after an update pass";
    EXPECT_EQ(sent[1].flags, 0);
    // Old-style text, read with the server's own reader.
    EXPECT_TRUE(sent[1].value.startsWith("{"));
    EXPECT_EQ(SimPreferenceSet::readOldStyle(sent[1].value).toMap(), MixRectangle::rebuildDict());

    // The server keeps what it was sent: read afresh, its copy is the table.
    kelo->clearPrefsDict();
    kelo->setNeedsPrefUpdate(true);
    ASSERT_TRUE(processUntil([&] { return kelo->hasPrefsDict() && !kelo->needsPrefUpdate(); }, 3000));
    ASSERT_TRUE(tableHasArrived());
    EXPECT_EQ(kelo->prefsDict().value("mixes").toMap().value("_value").toMap(),
              MixRectangle::rebuildDict());
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(33)->name(), "Main stage");
}

TEST_F(OutputsBridge, ServersReportOfAChangeIsMerged) {
    startServer();
    ASSERT_TRUE(tableHasArrived());
    mixes.takeChanges();
    // Another controller changes the genlock lock of output 002 only, and
    // then renames mix 033: the server reports each back.
    int genlockNotices = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "kKeloGenlockRuntimeConfigChangedNotification", nullptr,
        [&](const Notification&) { ++genlockNotices; });
    QVariantMap changed = sampleMixes();
    QVariantMap two = changed.value("002").toMap();
    two.insert("bmd_genlock_lock_to_master", "1");
    changed.insert("002", two);
    link->setPref("mixes", QString::fromUtf8(PropertyList::write(changed, PropertyList::Format::OpenStep)),
                  kelo, 0);
    ASSERT_TRUE(processUntil(
        [&] {
            kelo->sortedMixes();
            return MixRectangle::mixRectangleAtIndex(2)->bmd_genlock_lock_to_master();
        },
        3000));
    EXPECT_EQ(mixes.takeChanges(), std::vector<int>{1});
    EXPECT_EQ(genlockNotices, 1);

    QVariantMap more = changed;
    more.insert("040", changed.value("033"));
    link->setPref("mixes", QString::fromUtf8(PropertyList::write(more, PropertyList::Format::OpenStep)),
                  kelo, 0);
    ASSERT_TRUE(processUntil(
        [&] {
            kelo->sortedMixes();
            return MixRectangle::mixRectangleAtIndex(40) != nullptr;
        },
        3000));
    EXPECT_EQ(mixes.takeChanges(), std::vector<int>{2});
    EXPECT_EQ(genlockNotices, 1);
}

TEST_F(OutputsBridge, ForeignVersionIsRefused) {
    QVariantMap foreign = sampleMixes();
    QVariantMap surface = foreign.value("000").toMap();
    surface.insert("kKlMixVersion", "4000");
    foreign.insert("000", surface);
    config.preferences.insert("mixes", mixesEntry(foreign));
    LogCapture log;
    startServer();
    EXPECT_FALSE(processUntil([&] { return !kelo->sortedMixes().empty(); }, 600));
    EXPECT_TRUE(log.text().contains("[Mixes] ERROR: incompatible Kelo App mixes version 4000"));
    EXPECT_TRUE(MixRectangle::mixRectangles().empty());
    EXPECT_EQ(KlOutputsIFDEFs::serverStatus(), "fetching Kelo Preferences...");
}

TEST_F(OutputsBridge, TooLargeForOneDatagramIsNotSent) {
    startServer();
    ASSERT_TRUE(tableHasArrived());
    const QVariant before = kelo->prefsDict().value("mixes").toMap().value("_value");
    MixRectangle::mixRectangleAtIndex(33)->setProjection(
        {{"notes", QString(70000, QChar('x'))}});
    sim->takeReceived(0);
    KlOutputsIFDEFs::remoteUpdate();
    ASSERT_EQ(statusLine.texts.size(), 1);
    EXPECT_TRUE(statusLine.texts[0].startsWith("Outputs and mixes not sent to Kelo Mixes"));
    EXPECT_EQ(statusLine.colours[0], QColor(Qt::red));
    processUntil([] { return false; }, 300);
    EXPECT_TRUE(setPrefs().empty()) << "never cut, never sent";
    EXPECT_EQ(kelo->prefsDict().value("mixes").toMap().value("_value"), before);
}

TEST_F(OutputsBridge, PreferencesAndRequests) {
    startServer();
    ASSERT_TRUE(processUntil([&] { return KlOutputsIFDEFs::win_scale() == 2; }, 3000));
    sim->takeReceived(0);
    KlOutputsIFDEFs::set_win_scale(2);
    KlOutputsIFDEFs::set_win_scale(3);
    std::vector<SetPref> sent;
    ASSERT_TRUE(processUntil(
        [&] {
            for (auto& s : setPrefs()) sent.push_back(s);
            return !sent.empty();
        },
        2000));
    processUntil([] { return false; }, 200);
    for (auto& s : setPrefs()) sent.push_back(s);
    ASSERT_EQ(sent.size(), 1u) << "the same scale sends nothing";
    EXPECT_EQ(sent[0].key, "win_scale");
    EXPECT_EQ(sent[0].value, "3");
    EXPECT_EQ(KlOutputsIFDEFs::masterCount(), kelo->DMX_MasterCount());

    QUndoStack* stack = KlOutputsIFDEFs::undoManager();
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(KlOutputsIFDEFs::undoManager(), stack);

    EXPECT_TRUE(KlOutputsIFDEFs::graphicsEnvironmentKeloChanged());
    KlOutputsIFDEFs::fetchGraphicsEnvironment();
    EXPECT_FALSE(KlOutputsIFDEFs::graphicsEnvironmentKeloChanged());
    KlOutputsIFDEFs::fetchDecklinkInterfaces(false);
    KlOutputsIFDEFs::performScreenOverlay(3);
    ASSERT_TRUE(processUntil([&] { return sim->contentEditorMessages(0).size() >= 3; }, 2000));
    const auto messages = sim->contentEditorMessages(0);
    EXPECT_EQ(messages[0].text, QByteArray("graphicsEnvironment\x0b "));
    EXPECT_EQ(messages[1].text, QByteArray("decklinkInterfaces\x0b "));
    EXPECT_EQ(messages[2].text, QByteArray("ScreenIndexOverlayWindow\x0b" "3"));

    owner.name = "Kelo Other";
    EXPECT_EQ(KlOutputsIFDEFs::undoManager(), nullptr) << "no such server";
    EXPECT_FALSE(KlOutputsIFDEFs::graphicsEnvironmentKeloChanged());
    EXPECT_TRUE(KlOutputsIFDEFs::getPrefValueForKey("win_scale").isNull());
}

TEST_F(OutputsBridge, StatusTextsCoverTheEditors) {
    KeloObject* k = link->addKeloForName("Kelo Manual");
    kle_general_stat s{};
    const auto version = [&](int major, int minor) {
        s.vMajor = uint8_t(major);
        s.vMinor = uint8_t(minor);
        k->setGeneralStatus(&s, sizeof s);
        k->setGeneralStatusArrived(1.0);
    };
    const QVariantMap withMixes{{"mixes", QVariantMap{{"_value", sampleMixes()}, {"_prefUpdates", 0}}}};
    const struct {
        const char* what;
        std::function<void()> step;
        const char* text;
    } cases[] = {
        {"nobody selected", [] {}, "No Server Selected"},
        {"no address, preferences cached",
         [&] {
             owner.name = "Kelo Manual";
             k->setPrefsDict(withMixes);
         },
         "Kelo Server Offline"},
        {"no version", [&] { k->setAddress(0x7F0000FE, 0x7F0000FE); version(0, 0); },
         "Kelo Server Version Unavailable"},
        {"too old", [&] { version(3, 9); }, "Kelo Version 3.9 too old"},
        {"no preferences", [&] { version(4, 2); k->clearPrefsDict(); }, "Kelo Preferences Unavailable"},
        {"no mixes yet", [&] { k->setPrefsDict({{"name", QVariantMap{{"_value", "x"}}}}); },
         "fetching Kelo Preferences..."},
        {"usable", [&] { k->setPrefsDict(withMixes); }, nullptr},
    };
    QWidget container;
    container.resize(400, 300);
    auto* a = new QWidget(&container);
    auto* b = new QWidget(&container);
    KlServerStatusView statusView;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.step();
        const QString text = KlOutputsIFDEFs::hideIfNeeded(&container, nullptr, nullptr, &statusView);
        EXPECT_EQ(text, c.text ? QString(c.text) : QString());
        EXPECT_EQ(a->isVisibleTo(&container), c.text == nullptr);
        EXPECT_EQ(b->isVisibleTo(&container), c.text == nullptr);
        EXPECT_EQ(statusView.parentWidget() == &container, c.text != nullptr);
        if (c.text) {
            EXPECT_EQ(statusView.serverStatus(), c.text);
        }
    }
}

}  // namespace

KELO_TEST_MAIN_GUI()
