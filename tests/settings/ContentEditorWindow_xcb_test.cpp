// The content editor window against a simulated server on loopback, drawn
// under the X display: its tabs (and the reduced set of restricted mode), the
// jog controls by decimals, the name field and the options of each box.
// Each tab is saved as a screenshot artefact.

#include "hud/controls/HUDTextField.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KeloJoystickControl.h"
#include "settings/KeloRemoteContentEditorWindow.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackNamespace.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QLineEdit>
#include <QListWidget>

#include <memory>

namespace {

KELO_TEMP_DEFAULTS();

QVariantMap parse(const QByteArray& text) {
    return PropertyList::read(text).toMap();
}

class ContentEditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options;
        options.citpPort = uint16_t(56000 + 3 * line);
        options.statusPort = uint16_t(options.citpPort + 1);
        options.prefsPort = uint16_t(options.citpPort + 2);
        link = std::make_unique<KlE_Control_Status>(options);
        KeloServerSim::Network network;
        network.citpPort = options.citpPort;
        network.statusPort = options.statusPort;
        network.prefsPort = options.prefsPort;
        sim = std::make_unique<KeloServerSim>(network);
        KeloServerSim::Config c;
        c.name = "Kelo Editor";
        c.address = 0x7F090001 + (uint32_t(line) << 8);  // 127.9.x.1
        sim->addServer(c);
        sim->setContentItem(0, "modelinfo", "002.001", "{ emissive = 1; camera = { camera = \"1,0,1\"; fov = 30; }; }");
        sim->setContentItem(0, "topography", "001.001", "{ type = disc; size = \"1,2,0\"; angle = \"360,0\"; }");
        sim->setContentItem(0, "vignette", "003.001", "{ type = rect; }");
        sim->setContentItem(0, "projection", "100.001",
                            "{ name = Stage; camera = { camera = \"0,0,10\"; fov = 25; }; multihead = ( { topo = { type = rect; }; } ); }");
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo Editor"); }, 3000));
        KeloObject* k = link->addKeloForName("Kelo Editor");
        ASSERT_TRUE(processUntil([&] { return k->isRunning() && k->generalStatusArrived() != 0; }, 4000));
        window = std::make_unique<KeloRemoteContentEditorWindow>();
        window->editor().setKeloes(link.get());
    }

    void TearDown() override {
        window.reset();
        sim.reset();
        link.reset();
    }

    void open(int kind, const QString& ident) {
        KeloRemoteContentEditor& editor = window->editor();
        editor.setSelectedIdent(kind, ident);
        window->selectTabWithIdentifier(kind);
        ASSERT_TRUE(processUntil(
            [&] { return editor.itemValid() && editor.currentObjectIdentifier() == ident; }, 3000))
            << kind;
        QApplication::processEvents();
    }

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    std::unique_ptr<KeloRemoteContentEditorWindow> window;
};

TEST_F(ContentEditorWindow, EveryTabOfAServer) {
    window->editor().setKeloName("Kelo Editor");
    window->editor().setVisible(true);
    ASSERT_TRUE(window->isVisible());
    waitForExposure(*window);
    EXPECT_EQ(window->availableKindTabs(), (QList<int>{0, 1, 2, 3}));

    const struct {
        int kind;
        const char* ident;
        int subTab;
        const char* file;
        const char* firstOption;
    } tabs[] = {
        {0, "002.001", 102, "editor_modelinfo.png", "New ModelInfo\u2026"},
        {0, "002.001", 101, "editor_modelinfo_matrix.png", "Add Model Matrix"},
        {1, "001.001", 104, "editor_topography.png", "New Topography\u2026"},
        {1, "001.001", 109, "editor_topography_texture.png", "Copy Texture"},
        {2, "003.001", -1, "editor_vignette.png", "New Vignette\u2026"},
        {3, "100.001", 108, "editor_projection.png", "Create Keystone/Warp"},
        {3, "100.001", 101, "editor_projection_camera.png", "Add Camera"},
    };
    for (const auto& t : tabs) {
        open(t.kind, t.ident);
        if (t.subTab >= 0) window->selectTabWithIdentifier(t.subTab);
        QApplication::processEvents();
        EXPECT_EQ(window->selectedKindIdentifier(), t.kind);
        if (t.subTab >= 0) {
            EXPECT_EQ(window->selectedSubTabIdentifier(), t.subTab);
        }
        ASSERT_NE(window->editView(), nullptr) << t.file;
        EXPECT_TRUE(window->editView()->isVisible()) << t.file;
        const QStringList options = window->optionsTitles();
        ASSERT_GE(options.size(), 2) << t.file;
        EXPECT_EQ(options[0], "Options");
        EXPECT_EQ(options[1], QString::fromUtf8(t.firstOption)) << t.file;
        window->grab().save(artefactPath(t.file));
    }
    // The camera box shows the item's camera, orbit included.
    EXPECT_NEAR(window->joystick(11)->floatX(), 25.0, 0.01);
    EXPECT_NEAR(window->joystick(21)->floatX(), 10.0, 0.01);
    EXPECT_EQ(window->description(), "Projection");
}

TEST_F(ContentEditorWindow, RestrictedAndUnnamedShowOnlyOutputSetUp) {
    EXPECT_EQ(window->availableKindTabs(), QList<int>{3}) << "no server named";
    EXPECT_EQ(window->availableProjectionTabs(), QList<int>{108});
    window->editor().setKeloName("Kelo Editor");
    EXPECT_EQ(window->availableKindTabs(), (QList<int>{0, 1, 2, 3}));
    window->editor().setRestricted(true);
    EXPECT_EQ(window->availableKindTabs(), QList<int>{3});
    EXPECT_EQ(window->availableProjectionTabs(), QList<int>{108});
    EXPECT_EQ(window->selectedSubTabIdentifier(), 108);
}

TEST_F(ContentEditorWindow, JogsByDecimals) {
    const struct {
        int tag;
        float scale;
        const char* format;
        int min, max;
    } jogs[] = {
        {11, 0.01f, "%0.2f", 100, 9000},  {13, 0.001f, "%0.3f", -1000, 1000},
        {14, 0.001f, "%0.3f", -100000, 100000}, {64, 0.01f, "%0.2f", 0, 100},
        {69, 0.001f, "%0.3f", -50000, 50000},
    };
    for (const auto& j : jogs) {
        KeloJoystickControl* joy = window->joystick(j.tag);
        ASSERT_NE(joy, nullptr) << j.tag;
        EXPECT_FLOAT_EQ(joy->scale(), j.scale) << j.tag;
        EXPECT_EQ(joy->format(), j.format) << j.tag;
        EXPECT_EQ(joy->minValue(), j.min) << j.tag;
        EXPECT_EQ(joy->maxValue(), j.max) << j.tag;
    }
    KeloJoystickControl* lookX = window->joystick(14);
    lookX->setXValue(lookX->maxValue());
    EXPECT_EQ(lookX->hText()->text(), "100.000");
    lookX->setXValue(lookX->minValue());
    EXPECT_EQ(lookX->hText()->text(), "-100.000");
}

TEST_F(ContentEditorWindow, NameKeepsItsCommasAndJogsReachTheServer) {
    window->editor().setKeloName("Kelo Editor");
    window->editor().setVisible(true);
    open(3, "100.001");
    window->selectTabWithIdentifier(101);
    auto* name = qobject_cast<HUDTextField*>(window->control(6));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Stage");
    name->setText("Stage, left side");
    window->actionProc(6);
    ASSERT_TRUE(processUntil(
        [&] { return parse(sim->contentItem(0, "projection", "100.001")).value("name") == "Stage, left side"; },
        3000))
        << sim->contentItem(0, "projection", "100.001").toStdString();

    window->observeValue(11, 31.5);
    ASSERT_TRUE(processUntil(
        [&] {
            return parse(sim->contentItem(0, "projection", "100.001")).value("camera").toMap().value("fov") ==
                   "31.500";
        },
        3000));

    // Unknown tags change nothing.
    const QVariantMap before = window->editor().currentObject();
    window->actionProc(4242);
    EXPECT_EQ(window->editor().currentObject(), before);
}

}  // namespace

KELO_TEST_MAIN_GUI()
