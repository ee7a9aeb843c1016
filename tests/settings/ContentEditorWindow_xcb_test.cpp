// The content editor window against a simulated server on loopback, drawn
// under the X display: its tabs (and the reduced set of restricted mode), the
// jog controls by decimals, the name field and the options of each box, the
// motions box, the item-creation dialogs and the model table. Each tab, the
// motions box and a creation dialog are saved as screenshot artefacts.

#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDStepper.h"
#include "hud/controls/HUDTextField.h"
#include "hud/views/HUDTableView.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KeloJoystickControl.h"
#include "settings/KeloRemoteContentEditorWindow.h"
#include "settings/controlValueField.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QTest>

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
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(56000 + 3 * line));
        link = std::make_unique<KlE_Control_Status>(options);
        const KeloServerSim::Network network = simNetworkFor(options);
        sim = std::make_unique<KeloServerSim>(network);
        KeloServerSim::Config c;
        c.name = "Kelo Editor";
        c.address = 0x7F090001 + (uint32_t(line) << 8);  // 127.9.x.1
        sim->addServer(c);
        sim->setContentItem(0, "modelinfo", "002.001", "{ emissive = 1; camera = { camera = \"1,0,1\"; fov = 30; }; }");
        sim->setContentItem(
            0, "modelinfo", "004.001",
            "{ name = Movers; controls = ( { parameter = rotation; source = CONST; scale = 1.0; "
            "vector = \"0,0,1\"; }, { source = DMX; type = u16; address = 12; universe = 1; } ); "
            "}");
        sim->setContentItem(0, "topography", "001.001", "{ type = disc; size = \"1,2,0\"; angle = \"360,0\"; }");
        sim->setContentItem(0, "topography", "005.001",
                            "{ type = multimodel; models = ( \"001.001\" ); }");
        sim->setContentItem(0, "topography", "006.001", "{ type = alias; model = \"002.001\"; }");
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

    void show() {
        window->editor().setKeloName("Kelo Editor");
        window->editor().setVisible(true);
        waitForExposure(*window);
    }

    QVariantMap stored(const char* kind, const char* ident) const {
        return parse(sim->contentItem(0, kind, ident));
    }

    size_t sets() const {
        size_t n = 0;
        for (const auto& m : sim->contentEditorMessages(0)) n += m.op == 24;
        return n;
    }

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    std::unique_ptr<KeloRemoteContentEditorWindow> window;
};

QStringList listTitles(const QListWidget* list) {
    QStringList titles;
    for (int i = 0; i < list->count(); ++i) titles << list->item(i)->text();
    return titles;
}

controlValueField* keyedField(KeloRemoteContentEditorWindow& window, const char* key) {
    for (controlValueField* f : window.keyedFields())
        if (f->key() == QLatin1String(key)) return f;
    return nullptr;
}

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

TEST_F(ContentEditorWindow, MotionsBoxEditsTheSelectedMotion) {
    show();
    open(0, "004.001");
    window->selectTabWithIdentifier(103);
    QApplication::processEvents();
    QListWidget* list = window->motionList();
    EXPECT_EQ(listTitles(list), (QStringList{"1: rotation", "2: unknown"}));
    EXPECT_EQ(window->selectedMotion(), 0);
    EXPECT_TRUE(window->currentMotionBox()->isVisible());
    EXPECT_FALSE(window->dmxBox()->isVisible()) << "a constant source";
    list->setCurrentRow(1);
    EXPECT_TRUE(window->dmxBox()->isVisible());
    EXPECT_EQ(static_cast<HUDPopUpButton*>(window->control(129))->currentText(), "u16");
    EXPECT_EQ(static_cast<QLineEdit*>(window->control(127))->text(), "12");
    window->grab().save(artefactPath("editor_motions.png"));

    // Keyed fields: a caption's default when emptied, else the key goes.
    controlValueField* travel = keyedField(*window, "scale");
    controlValueField* stride = keyedField(*window, "stride");
    ASSERT_TRUE(travel && stride);
    EXPECT_EQ(travel->label()->text(), "Travel:");
    stride->setText("4");
    window->motionAction(119, stride);
    travel->setText("");
    window->motionAction(119, travel);
    // Tab commits a number field and moves to the next one.
    window->activateWindow();
    auto* vectorY = static_cast<QLineEdit*>(window->control(121));
    vectorY->setFocus();
    ASSERT_TRUE(processUntil([&] { return vectorY->hasFocus(); }, 2000));
    vectorY->selectAll();
    QTest::keyClicks(vectorY, "2.5");
    QTest::keyClick(vectorY, Qt::Key_Tab);
    EXPECT_TRUE(window->control(122)->hasFocus());
    ASSERT_TRUE(processUntil(
        [&] {
            const QVariantMap m =
                stored("modelinfo", "004.001").value("controls").toList().value(1).toMap();
            return m.value("vector") == "0,2.5,0" && m.value("stride") == "4" &&
                   m.value("scale") == "0";
        },
        3000))
        << sim->contentItem(0, "modelinfo", "004.001").toStdString();
    stride->setText("");
    window->motionAction(119, stride);
    EXPECT_FALSE(window->editor().motions().value(1).toMap().contains("stride"));

    // The stepper: up at the first motion keeps the order, down moves it.
    auto* stepper = static_cast<HUDStepper*>(window->control(112));
    list->setCurrentRow(0);
    stepper->setValue(2);
    EXPECT_EQ(listTitles(list), (QStringList{"1: rotation", "2: unknown"}));
    stepper->setValue(0);
    EXPECT_EQ(listTitles(list), (QStringList{"1: unknown", "2: rotation"}));
    EXPECT_EQ(window->selectedMotion(), 1);

    // Added after the selection; deleting the last one drops "controls".
    window->actionProc(113);
    EXPECT_EQ(listTitles(list), (QStringList{"1: unknown", "2: rotation", "3: position"}));
    EXPECT_EQ(window->selectedMotion(), 2);
    for (int i = 0; i < 3; ++i) window->actionProc(114);
    EXPECT_FALSE(window->currentMotionBox()->isVisible());
    ASSERT_TRUE(
        processUntil([&] { return !stored("modelinfo", "004.001").contains("controls"); }, 3000));
    EXPECT_EQ(stored("modelinfo", "004.001").value("name"), "Movers");
}

TEST_F(ContentEditorWindow, NewItemDialogsCreateWhatTheyAreToldOnly) {
    show();
    open(1, "001.001");
    window->actionProc(75);
    QDialog* dialog = window->newItemDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "New Topography File for:");
    auto* type = qobject_cast<HUDPopUpButton*>(window->newItemControl(3));
    ASSERT_NE(type, nullptr);
    ASSERT_EQ(type->cell()->numberOfItems(), 7);
    EXPECT_EQ(type->cell()->itemAtIndex(6).title, "Pixel Rect");
    EXPECT_FALSE(window->newItemControl(10)->isVisible()) << "mesh fields only for a mesh";
    type->setCurrentIndex(4);
    window->actionProc(3);
    auto* columns = qobject_cast<QLineEdit*>(window->newItemControl(10));
    ASSERT_TRUE(columns && columns->isVisible());
    EXPECT_EQ(columns->text(), "20");
    EXPECT_EQ(static_cast<QLineEdit*>(window->newItemControl(11))->text(), "15");
    static_cast<QLineEdit*>(window->newItemControl(1))->setText("1.2");
    static_cast<QLineEdit*>(window->newItemControl(2))->setText("12");
    columns->setText("5");
    waitForExposure(*dialog);
    dialog->grab().save(artefactPath("editor_new_topography.png"));
    dialog->accept();
    EXPECT_EQ(window->newItemDialog(), nullptr);
    ASSERT_TRUE(
        processUntil([&] { return !stored("topography", "[12] 001.002").isEmpty(); }, 3000));
    const QVariantMap mesh = stored("topography", "[12] 001.002");
    EXPECT_EQ(mesh.value("type"), "mesh");
    EXPECT_EQ(mesh.value("meshsize").toString(), "6,16") << "odd counts go up to even";
    EXPECT_EQ(mesh.value("modelinfo").toMap().value("emissive"), "1");
    ASSERT_TRUE(
        processUntil([&] { return window->editor().listItems().contains("[12] 001.002"); }, 3000));

    // The same index again: the alert, and nothing stored.
    const size_t before = sets();
    window->actionProc(75);
    ASSERT_NE(window->newItemDialog(), nullptr);
    static_cast<QLineEdit*>(window->newItemControl(1))->setText("1.2");
    window->newItemDialog()->accept();
    QStringList alerts;
    for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
        alerts << box->text();
        box->close();
    }
    EXPECT_TRUE(
        alerts.contains("An object already exists at that index, please use another index"));

    // Cancel changes nothing.
    open(2, "003.001");
    window->actionProc(96);
    ASSERT_NE(window->newItemDialog(), nullptr);
    EXPECT_EQ(window->newItemDialog()->windowTitle(), "New Vignette File for:");
    auto* vignetteType = qobject_cast<HUDPopUpButton*>(window->newItemControl(4));
    ASSERT_NE(vignetteType, nullptr);
    EXPECT_EQ(vignetteType->currentText(), "Rectangle");
    static_cast<QLineEdit*>(window->newItemControl(1))->setText("9.9");
    window->newItemDialog()->reject();
    processUntil([] { return false; }, 200);
    EXPECT_EQ(sets(), before);
    EXPECT_TRUE(stored("vignette", "009.009").isEmpty());

    // A new model info is an empty record.
    open(0, "002.001");
    window->actionProc(105);
    ASSERT_NE(window->newItemDialog(), nullptr);
    static_cast<QLineEdit*>(window->newItemControl(1))->setText("7.3");
    window->newItemDialog()->accept();
    ASSERT_TRUE(
        processUntil([&] { return !sim->contentItem(0, "modelinfo", "007.003").isNull(); }, 3000));
    EXPECT_TRUE(stored("modelinfo", "007.003").isEmpty());
}

TEST_F(ContentEditorWindow, ModelTableOfMultiModelsAndAliases) {
    show();
    open(1, "005.001");
    window->selectTabWithIdentifier(105);
    QApplication::processEvents();
    EXPECT_EQ(window->meshTabLabel(), "Multi Model");
    QStandardItemModel* models = window->modelTableModel();
    ASSERT_TRUE(window->modelTable()->isVisible());
    ASSERT_EQ(models->rowCount(), 2) << "the models and a row for adding";
    EXPECT_EQ(models->item(0)->text(), "001.001");
    const auto edit = [&](int row, const char* text) {
        models->item(row)->setText(QString::fromLatin1(text));
        QApplication::processEvents();
    };
    edit(1, "2.3");
    ASSERT_TRUE(processUntil(
        [&] {
            return stored("topography", "005.001").value("models") ==
                   QVariantList{"001.001", "002.003"};
        },
        3000));
    EXPECT_EQ(models->rowCount(), 3);
    edit(0, "300.1");
    EXPECT_EQ(models->item(0)->text(), "001.001") << "refused, shown as it stands";
    edit(0, "");
    ASSERT_TRUE(processUntil(
        [&] { return stored("topography", "005.001").value("models") == QVariantList{"002.003"}; },
        3000));

    open(1, "006.001");
    EXPECT_EQ(window->meshTabLabel(), "Alias");
    ASSERT_EQ(models->rowCount(), 1);
    EXPECT_EQ(models->item(0)->text(), "002.001");
    edit(0, "4.4");
    ASSERT_TRUE(processUntil(
        [&] { return stored("topography", "006.001").value("model") == "004.004"; }, 3000));
}

}  // namespace

KELO_TEST_MAIN_GUI()
