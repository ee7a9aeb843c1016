// The content editor's model: its checks and item edits on their own, then
// listings, items and stores end to end through the real server link against
// simulated servers on loopback (inside the suite's loopback-only namespace).

#include "settings/KeloRemoteContentEditor.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KeloRemoteContentEditorDelegate.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QTemporaryDir>

#include <cmath>
#include <memory>

namespace {

const QChar VT(0x0B);

struct Window : KeloRemoteContentEditorDelegate {
    void showAlert(const QString& message, const QString&) override { alerts << message; }
    void updateTextField(const QString& t) override { text = t; }
    QStringList alerts;
    QString text;
};

QVariantMap parse(const QByteArray& text) {
    return PropertyList::read(text).toMap();
}

TEST(ContentEditorChecks, MediaNumbers) {
    Window w;
    KeloRemoteContentEditor editor(&w);
    const struct {
        const char* text;
        const char* result;  // nullptr: none
        bool alert;
    } cases[] = {
        {"7.3", "007.003", false},
        {"11.18", "011.018", false},
        {"255.255", "255.255", false},
        {"0.0", "000.000", false},
        {"", nullptr, false},
        {"256.1", nullptr, true},
        {"1.256", nullptr, true},
        {"-1.2", nullptr, true},
        {"12", nullptr, true},
        {"a.b", nullptr, true},
        {"99999999999.1", nullptr, true},
    };
    for (const auto& c : cases) {
        w.alerts.clear();
        const auto got = editor.validateMediaNumber(QString::fromUtf8(c.text));
        EXPECT_EQ(got.has_value(), c.result != nullptr) << c.text;
        if (c.result && got) {
            EXPECT_EQ(*got, QString::fromUtf8(c.result)) << c.text;
        }
        EXPECT_EQ(w.alerts,
                  c.alert ? QStringList{"The selected index is invalid, please choose another"}
                          : QStringList{})
            << c.text;
    }
}

TEST(ContentEditorChecks, EditValueInListsAndArrays) {
    Window w;
    KeloRemoteContentEditor editor(&w);
    EXPECT_FALSE(editor.setEditValue("5", 2, "size", QString())) << "no item yet";
    editor.setCurrentObject(
        QVariantMap{{"list", "1,2"},
                    {"one", "7"},
                    {"models", QVariantList{"001.001"}},
                    {"modelinfo", QVariantMap{{"camera", QVariantMap{{"fov", "25"}}}}},
                    {"flat", "x"}});
    ASSERT_TRUE(editor.setEditValue("5", 2, "size", QString()));
    EXPECT_EQ(editor.editorItemForKey("size").toString(), "0,0,5");
    ASSERT_TRUE(editor.setEditValue("9", 3, "list", QString()));
    EXPECT_EQ(editor.editorItemForKey("list").toString(), "1,2,0,9");
    ASSERT_TRUE(editor.setEditValue(QVariant(), 0, "one", QString()));
    EXPECT_FALSE(editor.currentObject().contains("one"));
    ASSERT_TRUE(editor.setEditValue("002.003", 1, "models", QVariantList()));
    EXPECT_EQ(editor.editorItemForKey("models").toList(), (QVariantList{"001.001", "002.003"}));
    // Without its own camera the item's model-info camera is edited.
    ASSERT_TRUE(editor.setEditValue("30", 0, "camera/fov", "25"));
    EXPECT_EQ(editor.valueAtPath("modelinfo/camera/fov").toString(), "30");
    EXPECT_FALSE(editor.setEditValue("1", 0, "flat/x", QString())) << "not a dictionary";
    EXPECT_FALSE(editor.setEditValue("1", 0, "missing/x", QString()));
    EXPECT_EQ(editor.editorItemForKey("flat").toString(), "x");
    EXPECT_TRUE(w.text.contains("002.003")) << "the raw text follows each edit";
}

TEST(ContentEditorChecks, MotionsOfTheModelInfo) {
    KeloRemoteContentEditor editor;
    editor.setCurrentObject(QVariantMap{});
    editor.setCurrentDomain(1);
    editor.addMotion(-1);
    editor.addMotion(0);
    ASSERT_EQ(editor.motions().size(), 2);
    EXPECT_EQ(editor.currentObject().value("modelinfo").toMap().value("controls").toList().size(),
              2)
        << "a topography keeps them in its model info";
    EXPECT_TRUE(editor.setMotionValue(1, "parameter", "opacity"));
    EXPECT_FALSE(editor.setMotionValue(1, "parameter", "opacity")) << "no change";
    EXPECT_TRUE(editor.setMotionValue(0, "parameter", QVariant()));
    EXPECT_EQ(KeloRemoteContentEditor::motionTitle(0, editor.motions()[0].toMap()), "1: unknown");
    EXPECT_EQ(KeloRemoteContentEditor::motionTitle(1, editor.motions()[1].toMap()), "2: opacity");

    // Elements of a list; a missing one starts from its initial text.
    EXPECT_TRUE(editor.setMotionElement(1, "origin", 2, "7", "0,0,0"));
    EXPECT_TRUE(editor.setMotionElement(1, "vector", 0, "-1.5", "0,0,0"));
    EXPECT_EQ(editor.motions()[1].toMap().value("origin"), "0,0,7");
    EXPECT_EQ(editor.motions()[1].toMap().value("vector"), "-1.5,0,0");
    EXPECT_FALSE(editor.setMotionElement(5, "vector", 0, "1", "0,0,0"));
    EXPECT_FALSE(editor.setMotionElement(1, "vector", 3, "1", "0,0,0"));

    // Up at the front and down at the end keep the order.
    EXPECT_EQ(editor.moveMotion(0, true), 0);
    EXPECT_EQ(editor.moveMotion(1, false), 1);
    EXPECT_EQ(editor.moveMotion(1, true), 0);
    EXPECT_EQ(editor.motions()[0].toMap().value("parameter"), "opacity");
}

TEST(ContentEditorChecks, ItemKeysByKind) {
    KeloRemoteContentEditor editor;
    editor.setCurrentObject(QVariantMap{});
    editor.addMotion(-1);
    editor.addMotion(0);
    QVariantList motions = editor.editorItemForKey("controls").toList();
    ASSERT_EQ(motions.size(), 2);
    EXPECT_EQ(motions[0].toMap().value("scale").toString(), "1.0");
    editor.deleteMotion(5);
    editor.deleteMotion(0);
    editor.deleteMotion(0);
    EXPECT_FALSE(editor.currentObject().contains("controls"));

    editor.setNoDepth(true);
    EXPECT_TRUE(editor.noDepth());
    EXPECT_EQ(editor.editorItemForKey("no_depth").toString(), "0");
    editor.setNoDepth(false);
    EXPECT_FALSE(editor.currentObject().contains("no_depth"));

    const QVariantMap pixrect = KeloRemoteContentEditor::newTopographyItem(6, 0, 0, true);
    EXPECT_EQ(pixrect.value("origin").toString(), "4");
    EXPECT_EQ(pixrect.value("modelinfo").toMap().value("no_depth").toString(), "0");
    EXPECT_EQ(pixrect.value("vertical").toString(), "1");
    EXPECT_FALSE(KeloRemoteContentEditor::newTopographyItem(3, 0, 0, true).contains("vertical"));
    EXPECT_EQ(KeloRemoteContentEditor::newTopographyItem(4, 20, 16, false).value("meshsize"),
              "20,16");
    EXPECT_TRUE(KeloRemoteContentEditor::newTopographyItem(7, 0, 0, false).isEmpty());
}

TEST(ContentEditorChecks, OrbitUsesBothAxes) {
    const struct {
        double x, z, bearing, distance;
    } cases[] = {{0, 10, 0, 10},
                 {0, 0, 0, 0},
                 {10, 0, 90, 10},
                 {0, -10, 180, 10},
                 {-10, -10, -135, std::sqrt(200.0)},
                 {10, -10, 135, std::sqrt(200.0)}};
    for (const auto& c : cases) {
        const QPointF o = KeloRemoteContentEditor::orbitForEye(c.x, c.z);
        EXPECT_NEAR(o.x(), c.bearing, 1e-9) << c.x << "," << c.z;
        EXPECT_NEAR(o.y(), c.distance, 1e-9);
    }
    KeloRemoteContentEditor editor;
    editor.setCurrentObject(QVariantMap{{"camera", QVariantMap{{"camera", "0,2,10"}}}});
    editor.setOrbit(90, 5);
    const QStringList eye = editor.valueAtPath("camera/camera").toString().split(',');
    ASSERT_EQ(eye.size(), 3);
    EXPECT_NEAR(eye[0].toDouble(), 5, 1e-5);
    EXPECT_EQ(eye[1].toDouble(), 2);
    EXPECT_NEAR(eye[2].toDouble(), 0, 1e-5);
    editor.setOrbit(NAN, 5);
    EXPECT_EQ(editor.valueAtPath("camera/camera").toString().split(',')[0].toDouble(),
              eye[0].toDouble());

    editor.setEditValue("1", 0, "camera/lookat", "0,0,0");
    editor.setXYLink(true);
    editor.moveCameraAxis(false, 0, 3);
    EXPECT_NEAR(editor.valueAtPath("camera/camera").toString().split(',')[0].toDouble(), 7, 1e-5);
}

class ContentEditorRoad : public ::testing::Test {
protected:
    void SetUp() override {
        if (!KeloServerSim::loopbackOnlyNetwork())
            GTEST_SKIP() << "needs a loopback-only network namespace";
        UserDefaults::setStandardFile(dir_.filePath("defaults.plist"));
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(52000 + 3 * line));
        link = std::make_unique<KlE_Control_Status>(options);
        const KeloServerSim::Network network = simNetworkFor(options);
        sim = std::make_unique<KeloServerSim>(network);
        const uint32_t base = 0x7F070001 + (uint32_t(line) << 8);  // 127.7.x.1
        for (const char* name : {"Kelo Editor", "Kelo Other"}) {
            KeloServerSim::Config c;
            c.name = name;
            c.address = base + uint32_t(sim->serverCount());
            sim->addServer(c);
        }
        sim->setContentItem(0, "topography", "001.001", "{ type = rect; size = \"1,1,0\"; }");
        sim->setContentItem(0, "topography", "001.002", "{ type = disc; }");
        sim->setContentItem(0, "projection", "100.001",
                            "{ camera = { camera = \"0,0,10\"; fov = 25; }; }");
        ASSERT_TRUE(sim->start());
        for (const char* name : {"Kelo Editor", "Kelo Other"}) {
            ASSERT_TRUE(processUntil([&] { return link->keloObjectForName(name); }, 3000)) << name;
            // Shown servers are polled, which tells their running state.
            KeloObject* k = link->addKeloForName(name);
            ASSERT_TRUE(processUntil(
                [&] { return k->isRunning() && k->address() != 0 && k->generalStatusArrived() != 0; },
                4000))
                << name;
        }
        editor = std::make_unique<KeloRemoteContentEditor>(&window);
        editor->setKeloes(link.get());
        editor->awake();
        editor->setVisible(true);
    }

    void TearDown() override {
        editor.reset();
        sim.reset();
        link.reset();
    }

    // Shows `domain` and waits for the item of `ident` to arrive.
    void open(int domain, const QString& ident) {
        editor->setSelectedIdent(domain, ident);
        editor->setKeloName("Kelo Editor");
        editor->setCurrentDomain(domain);
        ASSERT_TRUE(processUntil(
            [&] { return editor->itemValid() && editor->currentObjectIdentifier() == ident; },
            3000));
    }

    QTemporaryDir dir_;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    Window window;
    std::unique_ptr<KeloRemoteContentEditor> editor;
};

TEST_F(ContentEditorRoad, ListingSelectsAndFetchesTheRememberedItem) {
    open(1, "001.002");
    EXPECT_EQ(editor->listItems(), (QStringList{"001.001", "001.002"}));
    EXPECT_EQ(editor->selectedRow(), 1);
    EXPECT_EQ(editor->currentObject().value("type").toString(), "disc");
    // The title carries the identity of the server's second screen.
    EXPECT_EQ(editor->windowTitle(), "Kelo Editor (Identity 2)");
    // The listing's own "0 …" entry is not an item.
    editor->contentNotification(
        editor->kelo(),
        {{"opcode", 23},
         {"message", QStringList{"topography", "listing", "0 x", "A", "B"}.join(VT)}});
    EXPECT_EQ(editor->listItems(), (QStringList{"A", "B"}));
}

TEST_F(ContentEditorRoad, FovNudgeIsStoredOnTheServer) {
    open(3, "100.001");
    ASSERT_TRUE(editor->setEditValue("30.5", 0, "camera/fov", "25"));
    editor->sendItem(false);
    ASSERT_TRUE(processUntil(
        [&] {
            return parse(sim->contentItem(0, "projection", "100.001"))
                       .value("camera")
                       .toMap()
                       .value("fov")
                       .toString() == "30.5";
        },
        3000));
    const QVariantMap stored = parse(sim->contentItem(0, "projection", "100.001"));
    EXPECT_EQ(stored.value("camera").toMap().value("camera").toString(), "0,0,10");
}

TEST_F(ContentEditorRoad, ForeignStaleAndBrokenRepliesAreNotTaken) {
    open(1, "001.001");
    const QVariantMap good = editor->currentObject();
    const auto reply = [](const QString& kind, const QString& ident, const QString& text) {
        return QStringList{kind, ident, text}.join(VT).toUtf8();
    };
    // Another server answering for the same kind and ident (once it knows
    // where to answer).
    link->keloObjectForName("Kelo Other")
        ->sendContentEditorMessage(QStringList{"vignette", "listing"}.join(VT), false);
    ASSERT_TRUE(processUntil([&] { return sim->contentEditorMessages(1).size() == 1; }, 3000));
    ASSERT_TRUE(sim->sendContentItem(1, reply("topography", "001.001", "{ type = sphere; }")));
    // The edited server: another kind, then a stale ident, then two fields.
    ASSERT_TRUE(sim->sendContentItem(0, reply("vignette", "001.001", "{ type = rect; }")));
    ASSERT_TRUE(sim->sendContentItem(0, reply("topography", "001.002", "{ type = cylinder; }")));
    ASSERT_TRUE(sim->sendContentItem(0, "topography" + QString(VT).toUtf8() + "001.001"));
    processUntil([] { return false; }, 300);
    EXPECT_EQ(editor->currentObject(), good);
    EXPECT_TRUE(editor->itemValid());

    // Unparsable text keeps the old item but nothing may be stored back.
    ASSERT_TRUE(sim->sendContentItem(0, reply("topography", "001.001", "{ type = ")));
    ASSERT_TRUE(processUntil([&] { return !editor->itemValid(); }, 3000));
    EXPECT_EQ(editor->currentObject(), good);
    editor->setEditItemForKey("type", "mesh");
    editor->sendItem(false);
    processUntil([] { return false; }, 200);
    EXPECT_EQ(parse(sim->contentItem(0, "topography", "001.001")).value("type").toString(), "rect");

    // A text too short to be an item is an empty one.
    ASSERT_TRUE(sim->sendContentItem(0, reply("topography", "001.001", "x")));
    ASSERT_TRUE(processUntil([&] { return editor->itemValid(); }, 3000));
    EXPECT_TRUE(editor->currentObject().isEmpty());
}

TEST_F(ContentEditorRoad, ServerRestartReloadsAfterTwoSeconds) {
    double clock = 1000;
    editor->setClock([&] { return clock; });
    open(1, "001.001");
    sim->setRunning(0, false);
    ASSERT_TRUE(processUntil([&] { return !editor->kelo()->isRunning(); }, 4000));
    editor->timerProc();
    EXPECT_TRUE(editor->listItems().isEmpty());
    EXPECT_FALSE(editor->itemValid());
    sim->setRunning(0, true);
    ASSERT_TRUE(processUntil([&] { return editor->kelo()->isRunning(); }, 4000));
    editor->timerProc();
    clock += 1.5;
    editor->timerProc();
    EXPECT_TRUE(editor->listItems().isEmpty());
    clock += 1;
    editor->timerProc();
    ASSERT_TRUE(processUntil([&] { return editor->itemValid(); }, 3000));
    EXPECT_EQ(editor->listItems().size(), 2);
}

TEST_F(ContentEditorRoad, NewTopographyAtATakenIndexIsRefused) {
    open(1, "001.001");
    sim->setContentItem(0, "topography", "[12] 001.002", "{ type = rect; }");
    editor->reloadTab();
    ASSERT_TRUE(processUntil([&] { return editor->listItems().size() == 3; }, 3000));
    const size_t before = sim->contentEditorMessages(0).size();
    editor->newTopography(0, 12, "1.2", 0, 0, false);
    EXPECT_EQ(window.alerts,
              QStringList{"An object already exists at that index, please use another index"});
    editor->newTopography(4, 0, "3.4", 20, 15, true);
    ASSERT_TRUE(processUntil(
        [&] { return !sim->contentItem(0, "topography", "003.004").isEmpty(); }, 3000));
    const QVariantMap mesh = parse(sim->contentItem(0, "topography", "003.004"));
    EXPECT_EQ(mesh.value("meshsize").toString(), "20,15");
    EXPECT_EQ(mesh.value("vertical").toString(), "1");
    EXPECT_GT(sim->contentEditorMessages(0).size(), before);
}

}  // namespace

KELO_TEST_MAIN_GUI()
