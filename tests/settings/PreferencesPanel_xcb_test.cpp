// The Preferences tab against two simulated servers on loopback, drawn under
// the X display: the list, the comparison and its copy strip, and a server
// that goes away while a value is being typed. Screenshots are saved as
// artefacts; what they show is checked from the widgets.

#include "app/KeloRemoteNotificationRoute.h"
#include "hud/controls/VEditableTextField.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KlCopyingControls.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlListView.h"
#include "settings/KlRemoteControlPanel.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/MouseEvents.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <memory>

namespace {

KELO_TEMP_DEFAULTS();

constexpr int kSetPref = 20;
constexpr int kHeader = 16;

QVariantMap entry(const char* type, const QVariant& value, const QVariantMap& extra = {}) {
    QVariantMap e = extra;
    e.insert("_type", type);
    e.insert("_value", value);
    return e;
}

QVariantMap prefs(const QString& layers) {
    return {
        {"maxLayers", entry("int", layers, {{"_rng", "{1, 10}"}, {"_group", "Core"}, {"_idx", 1},
                                            {"_alias", "Core: Layers"}, {"_dflt", "4"}})},
        {"gain", entry("float", "0.5", {{"_rng", "{0, 1}"}, {"_group", "Core"}, {"_idx", 2}, {"_alias", "Gain"}})},
        {"useSync", entry("bool", "1", {{"_group", "Core"}, {"_idx", 3}, {"_alias", "Use Sync"}})},
        {"screen", entry("str", "uid-9", {{"_group", "Output"}, {"_idx", 1}, {"_alias", "Screen"},
                                          {"_list", QVariantList{"Left", "Right"}},
                                          {"_list_reps", QVariantList{"uid-1", "uid-2"}},
                                          {"_value_name", "Screen 9 (missing)"}})},
        {"VideoInput241", entry("dict", QVariantMap{{"SourceType", "Disabled"}, {"SourceDescription", "N/A:input:x#y!z"}},
                                {{"_group", "Video Input"}, {"_idx", 1}, {"_alias", "Live Input 1"},
                                 {"_editor", "camera_settings"}, {"_summary", QVariantList{"SourceDescription"}}})},
        // Two servers' own names always differ; left out, so that only
        // what is set here can.
        {"name", QVariant()},
    };
}

class PreferencesPanel : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(54000 + 3 * line));
        prefsPort_ = options.prefsPort;
        link = std::make_unique<KlE_Control_Status>(options);
        route = std::make_unique<KeloRemoteNotificationRoute>(*link);
        const KeloServerSim::Network network = simNetworkFor(options);
        sim = std::make_unique<KeloServerSim>(network);
        const uint32_t base = 0x7F080001 + (uint32_t(line) << 8);  // 127.8.x.1
        KeloServerSim::Config left;
        left.name = "Kelo Left";
        left.address = base;
        left.preferences = prefs("4");
        KeloServerSim::Config right = left;
        right.name = "Kelo Right";
        right.address = base + 1;
        right.preferences = prefs("9");
        sim->addServer(left);
        sim->addServer(right);
        ASSERT_TRUE(sim->start());
        for (const char* name : {"Kelo Left", "Kelo Right"}) {
            ASSERT_TRUE(processUntil([&] { return link->keloObjectForName(name); }, 3000)) << name;
            KeloObject* kelo = link->addKeloForName(name);
            ASSERT_TRUE(processUntil([&] { return kelo->hasPrefsDict() && !kelo->needsPrefUpdate(); }, 4000))
                << name;
        }
        panel = std::make_unique<KlRemoteControlPanel>(link.get());
        panel->resize(980, 640);
        panel->show();
        waitForExposure(*panel);
        list()->setFixtureName("Kelo Left");
        tick();
        ASSERT_FALSE(list()->cannotCompareOrEdit()) << qPrintable(list()->serverStatus());
    }

    void TearDown() override {
        panel.reset();
        sim.reset();
        route.reset();
        link.reset();
    }

    KlRemoteControlList* list() { return panel->list(); }
    void tick() {
        list()->update();
        processUntil([] { return false; }, 100);
        list()->update();
        QApplication::processEvents();
    }
    // Preference sets (op 20) a server received, as key and value.
    QList<QByteArray> sets(int server) {
        QList<QByteArray> found;
        for (const auto& r : sim->takeReceived(server))
            if (r.port == prefsPort_ && r.bytes.size() > kHeader && uint8_t(r.bytes[11]) == kSetPref)
                found << r.bytes.mid(kHeader);
        return found;
    }
    QPoint rowCentre(KlRemoteControlListView* v, const QString& key, int x) {
        const QRectF r = v->rowRect(v->rowOfKey(key));
        return QPoint(x, int(r.center().y()));
    }

    uint16_t prefsPort_ = 0;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloRemoteNotificationRoute> route;
    std::unique_ptr<KeloServerSim> sim;
    std::unique_ptr<KlRemoteControlPanel> panel;
};

TEST_F(PreferencesPanel, ListAndComparison) {
    KlRemoteControlListView* left = panel->leftView();
    const QStringList keys = [&] {
        QStringList k;
        for (const auto& r : left->rows()) k << r.key;
        return k;
    }();
    for (const char* want : {"Core", "maxLayers", "gain", "useSync", "Output", "screen", "Video Input", "VideoInput241"})
        EXPECT_TRUE(keys.contains(want)) << want;
    EXPECT_TRUE(list()->serverStatus().isEmpty());
    EXPECT_GT(left->paintedRows(), 0);
    panel->grab().save(artefactPath("preferences_list.png"));

    list()->startupKlE_Control_Status();
    const int item = list()->matchingPopupItemForName("Kelo Right");
    ASSERT_GE(item, 0);
    list()->comparePopUpChosen(list()->compareMenuItems()[item]);
    tick();
    ASSERT_TRUE(panel->isComparing());
    ASSERT_FALSE(list()->rightServerComparison()->cannotCompareOrEdit())
        << qPrintable(list()->rightServerComparison()->serverStatus());
    EXPECT_TRUE(panel->rightView()->isVisible());
    panel->copyingControls()->repaint();
    EXPECT_EQ(panel->copyingControls()->drawnButtonRows(), 1) << "only the layers differ";
    panel->grab().save(artefactPath("preferences_compare.png"));

    // The left value goes to the right server as one datagram.
    sets(0);
    sets(1);
    KlCopyingControls* strip = panel->copyingControls();
    const QPoint at = rowCentre(left, "maxLayers", int(strip->copyToRightRect().center().x()));
    sendMouse(strip, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(strip, QEvent::MouseButtonRelease, at, Qt::LeftButton, {});
    QList<QByteArray> got;
    ASSERT_TRUE(processUntil([&] { got += sets(1); return !got.isEmpty(); }, 3000));
    EXPECT_EQ(got.first(), QByteArray("maxLayers\0" "4\0", 12));
    EXPECT_TRUE(sets(0).isEmpty()) << "the source server is not changed";
}

TEST_F(PreferencesPanel, ServerGoneWhileTypingIsSentNothing) {
    KlRemoteControlListView* left = panel->leftView();
    sendMouse(left, QEvent::MouseButtonPress, rowCentre(left, "gain", 360), Qt::LeftButton, Qt::LeftButton);
    VEditableTextField* field = left->textField();
    ASSERT_TRUE(field->isVisible());
    field->setText("0.75");

    sim->setAnnouncing(0, false);
    sim->setAnswering(0, false);
    ASSERT_TRUE(processUntil([&] { list()->update(); return list()->cannotCompareOrEdit(); }, 20000))
        << "the link never gave the server up";
    EXPECT_FALSE(list()->serverStatus().isEmpty());
    sets(0);
    field->sendAction();
    processUntil([] { return false; }, 300);
    EXPECT_TRUE(sets(0).isEmpty());
    EXPECT_FALSE(field->isVisible());
    left->repaint();
    panel->grab().save(artefactPath("preferences_offline.png"));
}

}  // namespace

KELO_TEST_MAIN_GUI()
