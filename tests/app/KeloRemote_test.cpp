#include "app/KeloRemote.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemoteNotificationRoute.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "app/KeloStatusLine.h"
#include "content/ContentUI.h"
#include "foundation/OmLog.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/controls/HUDTextField.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/views/DTableView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/LinkTestSupport.h"
#include "settings/KeloRemoteContentEditor.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlSettingsNotifications.h"
#include "status/BreakoutColumns.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloServerListPanel.h"
#include "status/KeloStatusView.h"
#include "status/ServerCollections.h"
#include "status/ServersUI.h"
#include "status/statusContainer.h"
#include "support/PixelTestSupport.h"
#include "support/SavedLayoutSettings.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

// The controller over a link whose sockets are fakes, with a settings file
// that has "Kelo A" in its monitor list under a name remembered as "Stage".
class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        linktest::useTestInterfaces();
        linktest::gNow = linktest::kStart;
        QFile file(dir.filePath("KeloRemote.plist"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QVariantMap layout{{"monitor", QVariantList{QVariantMap{{"name", "Kelo A"}}}},
                                 {"breakouts", QVariantList{QVariantList{}}},
                                 {"layout_settings", QVariantMap{}}};
        file.write(
            PropertyList::write(QVariantMap{{"active_keloes", QVariantMap{{"Kelo A", "Stage"}}},
                                            {"curr_layout", "0"},
                                            {"layouts", QVariantList{layout}}},
                                PropertyList::Format::Xml));
        file.close();

        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        remote = std::make_unique<KeloRemote>(
            std::make_unique<KeloRemoteSettings>(dir.filePath("KeloRemote.plist")));
        tick = std::make_unique<KeloRemoteTick>(*link, log);
        remote->awakeFromNib(*link, *tick, "5.2 r1234", "/opt/kelo/Kelo Verozo Beta");
    }

    void TearDown() override {
        remote.reset();
        tick.reset();
        link.reset();
        // Discovery starts product queries on threads of their own.
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    void announce(const char* name, const char* state, uint32_t address) {
        sockets.inject(WireBuilders::citpPLoc(4811, "MediaServer", name, state), address);
    }

    QMenu* menuNamed(const QString& title) const {
        for (QAction* action : remote->menuBar()->actions())
            if (action->text() == title) return action->menu();
        return nullptr;
    }

    // The Status tab's pick of its first server, as a click makes it.
    void selectFirstServer() {
        KeloStatusView* view = remote->serversUI()->monitorViews()[0]->statusView;
        view->setSelectedItem(0);
        remote->serversUI()->statusViewSelectionChanged(view);
    }

    int selectedTab() const {
        return remote->mainWindow()->tabView()->selectedTabViewItem()->identifier().toInt();
    }

    QTemporaryDir dir;
    linktest::FakeSockets sockets;
    OmLog log;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloRemoteTick> tick;
    std::unique_ptr<KeloRemote> remote;
};

TEST_F(Controller, BuildsTheWindowAndWantsTheMonitorListsServers) {
    KeloMainWindow* window = remote->mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Kelo Verozo Beta (5.2)");
    EXPECT_EQ(remote->klWindow(), window);
    const KeloObject* kelo = link->keloObjectForName("Kelo A");
    ASSERT_NE(kelo, nullptr);
    EXPECT_TRUE(kelo->active()) << "the monitor list's servers are polled";
    EXPECT_TRUE(UserDefaults::standard().boolValue("NSAppSleepDisabled"));
    // The Content tab took the progress area: hidden until a transfer runs.
    EXPECT_EQ(window->cancelTransferButton()->title(), QString(QChar(0x2573)));
    EXPECT_TRUE(window->cancelTransferButton()->isHidden());
    EXPECT_TRUE(window->progressBar()->isHidden());
    EXPECT_TRUE(window->progressText()->isHidden());
    // The monitor list has a server, so the scan button is there to press.
    EXPECT_FALSE(window->scanAllServersButton()->isHidden());
}

TEST_F(Controller, ServerListIsRebuiltOnListChangesButNotOnARunningChange) {
    QListWidget* list = remote->mainWindow()->serverList();
    announce("Kelo A", "Running", linktest::kServerA);
    announce("Kelo B", "Running", linktest::kServerB);
    tick->tick();
    EXPECT_EQ(remote->serverListRows(), QStringList({"Kelo A", "Kelo B"}));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "Kelo B");

    list->clear();
    announce("Kelo B", "Stopped", linktest::kServerB);  // bit 2 alone
    tick->tick();
    EXPECT_EQ(list->count(), 0);

    announce("Kelo B", "Stopped", linktest::kServerA + 7);  // a new address: bit 1
    tick->tick();
    EXPECT_EQ(list->count(), 2);
}

// The Status tab's controller answers to this controller: its server pane
// fills the sidebar, its view the Status tab, and what it reads and writes
// through its owner is the settings file's current layout.
TEST_F(Controller, OwnsTheStatusTab) {
    ServersUI* servers = remote->serversUI();
    ASSERT_NE(servers, nullptr);
    EXPECT_EQ(servers->owner(), remote.get());
    KeloMainWindow* window = remote->mainWindow();
    EXPECT_EQ(window->serversPane(), servers->getBaseView());
    EXPECT_TRUE(window->isAncestorOf(servers->getBaseView()));
    EXPECT_FALSE(window->serverList()->isVisibleTo(window));
    EXPECT_EQ(window->tabItem(KeloMainWindow::kStatusTab)->view(), servers->statusTabBaseView());
    ASSERT_EQ(servers->monitorViews().size(), 1u);
    EXPECT_EQ(servers->monitorViews()[0]->serverList->size(), 1) << "the monitor list";

    // The layout as stored, with its defaults, not an empty one.
    const CurrentLayoutSettings layout = remote->loadLayoutSettings();
    EXPECT_EQ(layout.thumbHeight, 72);
    EXPECT_EQ(layout.breakoutNumColumns, 1);
    EXPECT_EQ(servers->layout().thumbHeight, 72);
    EXPECT_EQ(remote->layoutDict().value("monitor").toList().size(), 1);

    // A pick in the Status tab reaches the other panels.
    announce("Kelo A", "Running", linktest::kServerA);
    tick->tick();
    KeloStatusView* view = servers->monitorViews()[0]->statusView;
    ASSERT_NE(view, nullptr);
    view->setSelectedItem(0);
    servers->statusViewSelectionChanged(view);
    EXPECT_EQ(remote->selectedServerName(), "Kelo A");
    EXPECT_EQ(remote->nameOfSelectedKeloInMainWindow(), "Kelo A");
    remote->selectKeloObject(nullptr, nullptr, 0);
    EXPECT_TRUE(remote->selectedServerName().isEmpty());

    // The list the Status tab reorders is the one written to the file.
    servers->monitorViews()[0]->serverList->append(QVariantMap{{"name", "Kelo B"}});
    remote->forceBreakoutSave();
    QFile file(dir.filePath("KeloRemote.plist"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QVariantList saved = PropertyList::read(file.readAll())
                                   .toMap()
                                   .value("layouts")
                                   .toList()
                                   .value(0)
                                   .toMap()
                                   .value("monitor")
                                   .toList();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_EQ(saved[1].toMap().value("name").toString(), "Kelo B");
}

TEST_F(Controller, ScreenNamesAndRenamesFollowTheMonitorList) {
    EXPECT_EQ(remote->screenNameForKeloWithName("Kelo A"), "Stage") << "remembered name";
    EXPECT_EQ(remote->screenNameForKeloWithName("Other"), "Other");
    EXPECT_EQ(remote->screenNameForKeloObject(nullptr), "");

    announce("Kelo A", "Running", linktest::kServerA);
    KeloObject* kelo = link->keloObjectForName("Kelo A");
    remote->selectKeloObject("Kelo A", 0);
    QVariantMap prefs{{"level", QVariantMap{{"_type", "int"}, {"_value", 1}}}};
    remote->controls()->setDictionary(&prefs);
    // First sight of its counters: no name change and no alias, so the
    // remembered name stays.
    tick->tick();
    EXPECT_EQ(remote->screenNameForKeloWithName("Kelo A"), "Stage");
    EXPECT_EQ(remote->controls()->dictionary(), &prefs) << "running: the editor keeps it";

    // The server renames itself: the display name follows and is saved,
    // and the Content tab refreshes its rows afresh.
    ContentUI::instance()->thumbnailCache().insert("Kelo A", QVariantMap());
    kelo->addChanges(ServerChanges::kName);
    tick->tick();
    EXPECT_EQ(remote->screenNameForKeloWithName("Kelo A"), "Kelo A");
    EXPECT_TRUE(ContentUI::instance()->thumbnailCache().isEmpty());
    EXPECT_TRUE(ContentUI::instance()->needsRescan());
    ASSERT_TRUE(remote->applicationShouldTerminate());
    QFile file(dir.filePath("KeloRemote.plist"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(PropertyList::read(file.readAll()).toMap().value("active_keloes").toMap(),
              (QVariantMap{{"Kelo A", "Kelo A"}}));

    // The selected server stops: the Preferences editor lets go of it.
    announce("Kelo A", "Stopped", linktest::kServerA);
    tick->tick();
    EXPECT_EQ(remote->controls()->dictionary(), nullptr);
}

TEST_F(Controller, WindowMenuAndPreferenceRequestsSelectTheirTabs) {
    QMenuBar* bar = remote->mainWindow()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QMenu* menu = nullptr;
    for (QAction* action : bar->actions())
        if (action->text() == "Window") menu = action->menu();
    ASSERT_NE(menu, nullptr);
    QStringList titles, keys;
    for (QAction* action : menu->actions()) {
        titles << action->text();
        keys << action->shortcut().toString();
    }
    EXPECT_EQ(titles, QStringList({"Kelo Status Window", "Projection Editor Window",
                                   "Kelo Preferences Window", "", "Show Projection Editor"}));
    EXPECT_EQ(keys, QStringList({"Ctrl+1", "Ctrl+3", "Ctrl+4", "", ""}));
    menu->actions()[2]->trigger();
    EXPECT_EQ(selectedTab(), KeloMainWindow::kPreferencesTab);
    menu->actions()[0]->trigger();
    EXPECT_EQ(selectedTab(), KeloMainWindow::kStatusTab);

    // A preference request from a lower layer (type 7) opens the Preferences
    // tab; a request to read one (type 1) still reaches the link.
    KeloRemoteNotificationRoute route(*link);
    NotificationCenter::defaultCenter().post(kKeloRemoteNotification, nullptr,
                                             {{"type", 7}, {"prefName", "level"}});
    EXPECT_EQ(selectedTab(), KeloMainWindow::kPreferencesTab);
}

// The Content tab syncs the monitor list's servers of a collection only.
TEST_F(Controller, CollectionsOfTheMonitorListReachTheContentTab) {
    announce("Kelo A", "Running", linktest::kServerA);
    announce("Kelo B", "Running", linktest::kServerB);
    tick->tick();
    KeloObject* a = link->keloObjectForName("Kelo A");
    KeloObject* b = link->keloObjectForName("Kelo B");
    ASSERT_TRUE(a && b);
    a->setCollectionID(3);
    b->setCollectionID(3);
    EXPECT_EQ(remote->validServersForCollection(3), QStringList{"Kelo A"});
    EXPECT_TRUE(remote->validServersForCollection(-1).isEmpty());

    auto* collections = dynamic_cast<ServerCollections*>(remote->serversUI()->collections());
    ASSERT_NE(collections, nullptr);
    collections->toggleIsMasterForKelo(a);
    EXPECT_EQ(remote->masterForCollection(3), "Kelo A");

    collections->setLastKnownCollectionIDForKelo(a);
    a->setCollectionID(-1);
    EXPECT_EQ(remote->unavailableDatabasesForCollection(3), QStringList{"Kelo A"});
}

// The View menu switches the Status tab's breakout layout; the tab's context
// menus are the collections'.
TEST_F(Controller, MenuBarAndStatusTabColumnsAndCollections) {
    QStringList titles;
    for (QAction* action : remote->menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, QStringList({"Kelo Verozo", "View", "Commands", "Window", "Help"}));
    ServersUI* servers = remote->serversUI();
    auto* columns = dynamic_cast<BreakoutColumns*>(servers->columns());
    ASSERT_NE(columns, nullptr);
    EXPECT_NE(dynamic_cast<ServerCollections*>(servers->collections()), nullptr);
    EXPECT_TRUE(columns->selectedServerOnly()) << "the layout's default";

    QMenu* view = menuNamed("View");
    ASSERT_NE(view, nullptr);
    auto pick = [](QMenu* menu, const QString& title) {
        emit menu->aboutToShow();
        for (QAction* item : menu->actions()) {
            if (item->text() != title) continue;
            if (item->menu()) return item->menu();
            item->trigger();
            emit menu->triggered(item);
            return menu;
        }
        ADD_FAILURE() << title.toStdString();
        return menu;
    };
    pick(view, "Custom layout");
    EXPECT_FALSE(columns->selectedServerOnly());
    pick(pick(view, "Custom layout columns"), "3");
    EXPECT_EQ(columns->columnCountInUse(), 3);
    EXPECT_EQ(remote->layoutSetting("breakout_cols").toString(), "3");
    emit view->aboutToShow();
    QStringList checked;
    for (QAction* item : view->actions())
        if (item->isChecked()) checked << item->text();
    EXPECT_EQ(checked, QStringList({"Custom layout"}));

    // Items take their titles from the state when their menu opens.
    QMenu* app = menuNamed("Kelo Verozo");
    emit app->aboutToShow();
    EXPECT_EQ(app->actions()[2]->text(), "Show Preferences");
    remote->showServerList(true);
    emit app->aboutToShow();
    EXPECT_EQ(app->actions()[2]->text(), "Hide Preferences");
    QMenu* commands = menuNamed("Commands");
    emit commands->aboutToShow();
    for (QAction* item : commands->actions()) {
        if (item->isSeparator()) continue;
        EXPECT_EQ(item->isEnabled(), item->data().toInt() == -6)
            << "nothing selected: " << item->text().toStdString();
    }
}

// The floating HUD follows the Status tab's selection while it is on; taking
// the shown server off the monitor list empties it.
TEST_F(Controller, MonitorHudFollowsTheSelectionAndRemovalEmptiesIt) {
    announce("Kelo A", "Running", linktest::kServerA);
    tick->tick();
    KeloMonitorHUD* hud = remote->monitorHUD();
    ASSERT_NE(hud, nullptr);
    QMenu* view = menuNamed("View");
    QAction* enable = nullptr;
    for (QAction* item : view->actions())
        if (item->data().toInt() == 13) enable = item;
    ASSERT_NE(enable, nullptr);

    KlStatusLine::install(remote.get());
    enable->trigger();
    EXPECT_FALSE(hud->isOn()) << "nothing selected";
    EXPECT_EQ(remote->mainWindow()->statusLine()->text(),
              "To show Monitor HUD, first select an Kelo or an Kelo layer");

    selectFirstServer();
    enable->trigger();
    ASSERT_TRUE(hud->isOn());
    const KeloObject* kelo = link->keloObjectForName("Kelo A");
    EXPECT_EQ(hud->monitorHudView()->singleCell()->keloObject(), kelo);
    EXPECT_TRUE(hud->window()->isVisible());
    emit view->aboutToShow();
    EXPECT_EQ(enable->text(), "Disable Monitor HUD");

    remote->selectKeloObject(nullptr, nullptr, 0);
    EXPECT_EQ(hud->monitorHudView()->singleCell()->keloObject(), nullptr);
    selectFirstServer();
    EXPECT_EQ(hud->monitorHudView()->singleCell()->keloObject(), kelo);

    remote->removeKeloAtIndex(0);
    EXPECT_EQ(hud->monitorHudView()->singleCell()->keloObject(), nullptr);
    EXPECT_TRUE(remote->selectedServerName().isEmpty());
    EXPECT_EQ(remote->serversCount(), 0);
    EXPECT_TRUE(remote->serversUI()->monitorViews()[0]->statusView->cellArray().empty());
    EXPECT_TRUE(remote->monitorList().activeKeloes().isEmpty());
    EXPECT_TRUE(remote->mainWindow()->scanAllServersButton()->isHidden());
    KlStatusLine::install(nullptr);
}

// "Edit Servers" opens the panel of the servers found; a double-click there
// adds one to the monitor list, once.
TEST_F(Controller, EditServersAddsFromTheServerListPanel) {
    announce("Kelo A", "Running", linktest::kServerA);
    announce("Kelo B", "Running", linktest::kServerB);
    tick->tick();
    remote->serversUI()->toEditServersClicked();
    KeloServerListPanel* panel = remote->serverListPanel();
    ASSERT_TRUE(panel->isVisible());
    ASSERT_EQ(panel->model()->names(), QStringList({"Kelo A", "Kelo B"}));
    panel->addItemFromTable(1);
    panel->addItemFromTable(1);
    EXPECT_EQ(remote->serversCount(), 2);
    EXPECT_EQ(remote->serversUI()->monitorViews()[0]->statusView->cellArray().size(), 2u);
    EXPECT_TRUE(link->keloObjectForName("Kelo B")->active());
    EXPECT_TRUE(panel->panel()->isAncestorOf(remote->bandwidthField()));
    EXPECT_TRUE(panel->panel()->isAncestorOf(remote->contrastSlider()));
    const QImage picture = panel->panel()->grab().toImage();
    EXPECT_GT(picture.height(), panel->table()->height()) << "the controls under the table";
    picture.save(artefactPath("KeloServerListPanel.png"));
}

// The panel's layout controls: three pop-overs in place of their pop-ups,
// drawn with the controller's bezel, and the breakout columns pop-up. A
// choice reaches the layout through the dispatcher; the View menu's column
// choice shows in the pop-up.
TEST_F(Controller, LayoutPopOversAndTheColumnsPopUpChangeTheLayout) {
    QWidget* panel = remote->serverListPanel()->panel();
    EXPECT_TRUE(panel->findChildren<QComboBox*>().isEmpty()) << "the pop-ups were replaced";
    KeloPopOverButton* layers = remote->monitorLayersPopOver();
    KeloPopOverButton* format = remote->monitorFormatPopOver();
    KeloPopOverButton* height = remote->hudHeightPopOver();
    for (KeloPopOverButton* button : {layers, format, height}) {
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(panel->isAncestorOf(button));
        EXPECT_TRUE(button->isList());
        EXPECT_EQ(button->drawingDelegate(), remote.get());
    }
    EXPECT_EQ(height->titleOfSelectedItem(), "72") << "the layout's default";

    auto choose = [](KeloPopOverButton* button, const QString& title) {
        const int index = button->indexOfItemWithTitle(title);
        ASSERT_GE(index, 0) << title.toStdString();
        button->endTrackingWithItem(index);
    };
    choose(layers, "16");
    choose(height, "120");
    choose(format, "16:9");
    const QVariantMap settings = remote->layoutDict().value("layout_settings").toMap();
    EXPECT_EQ(settings.value("layers"), "16");
    EXPECT_EQ(settings.value("hud_height"), "120");
    EXPECT_EQ(remote->monitorHUD()->layout().hud_height, 120.0f) << "the HUD is told";
    EXPECT_FALSE(settings.values().contains("16:9")) << "the format is not stored";
    EXPECT_EQ(format->titleOfSelectedItem(), "16:9");

    HUDPopUpButton* columns = remote->breakoutColumnsPopUp();
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->currentText(), "1");
    emit columns->activated(2);
    EXPECT_EQ(remote->layoutSetting("breakout_cols").toString(), "3");
    remote->changeMonitorSetting("5", "breakout_cols");
    EXPECT_EQ(columns->currentText(), "5");

    // The bezel: lit along the top, dark along the bottom.
    const QImage face = height->grab().toImage();
    const KeloUIAttributes* attributes = KeloUIAttributes::attributes();
    EXPECT_EQ(face.pixelColor(face.width() / 2, 0).rgb(), attributes->litCol().rgb());
    EXPECT_EQ(face.pixelColor(face.width() / 2, face.height() - 1).rgb(),
              attributes->drkCol().rgb());
}

// The bit-rate field takes its value from the Content tab's setting and
// commits on Return only; text that is no number keeps the rate in use.
TEST_F(Controller, BitRateFieldFollowsTheContentSetting) {
    QLineEdit* field = remote->bandwidthField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "1000.0");
    field->setText("250.5");
    remote->actionProc(19, nullptr, false);
    remote->readContentUiPreferences();
    EXPECT_EQ(field->text(), "1000.0") << "a click alone commits nothing";
    field->setText("250.5");
    remote->actionProc(17);
    remote->readContentUiPreferences();
    EXPECT_EQ(field->text(), "250.5");
    field->setText("fast");
    EXPECT_EQ(remote->bitRateFieldValue(), 250.5f);
}

TEST_F(Controller, StatusTextFromAnyThreadReachesTheLineAndTheTickExpiresIt) {
    KlStatusLine::install(remote.get());
    std::thread([] { KlStatusLine::shared().showStatusText("Error x", QColor()); }).join();
    KeloStatusLine* line = remote->mainWindow()->statusLine();
    EXPECT_TRUE(line->text().isEmpty()) << "shown on the main thread, not the caller's";
    QCoreApplication::processEvents();
    EXPECT_EQ(line->text(), "Error x");
    EXPECT_EQ(line->textColour(), QColor(Qt::red));

    KlStatusLine::shared().showStatusText("", QColor());
    tick->tick();
    EXPECT_TRUE(line->text().isEmpty());
    EXPECT_EQ(line->showStatusTextUntil(), 0) << "the empty message ends at the next tick";
    KlStatusLine::install(nullptr);
}

TEST_F(Controller, TheWindowMenuShowsAndHidesTheProjectionEditor) {
    QMenu* menu = nullptr;
    for (QAction* action : remote->mainWindow()->findChild<QMenuBar*>()->actions())
        if (action->text() == "Window") menu = action->menu();
    ASSERT_NE(menu, nullptr);
    QAction* toggle = menu->actions().value(4);
    QAction* editorWindow = menu->actions().value(1);
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->text(), "Show Projection Editor");
    EXPECT_FALSE(editorWindow->isEnabled()) << "no editor window to bring forward";

    toggle->trigger();
    EXPECT_TRUE(remote->contentEditor()->visible());
    EXPECT_EQ(toggle->text(), "Hide Projection Editor");
    EXPECT_TRUE(editorWindow->isEnabled());
    EXPECT_TRUE(UserDefaults::standard().boolValue("content_editor_vis")) << "saved";

    toggle->trigger();
    EXPECT_FALSE(remote->contentEditor()->visible());
    EXPECT_EQ(toggle->text(), "Show Projection Editor");
    EXPECT_FALSE(UserDefaults::standard().boolValue("content_editor_vis"));
}

// The info bar carries what the pointer is over (the main window's tool-tip
// text, set by the Status tab's cells and the Content tab's tables) while
// no message has the line, and lets it go 100 ms after the pointer leaves.
TEST_F(Controller, TheMainWindowsToolTipReachesTheInfoBar) {
    KeloMainWindow* window = remote->mainWindow();
    KeloStatusLine* line = window->statusLine();
    KlStatusLine::install(remote.get());  // the tick's info bar
    window->show();
    tick->tick();
    window->setToolTipInfo("Kelo A: wrong subnet", Qt::red);
    EXPECT_EQ(line->text(), "Kelo A: wrong subnet");
    EXPECT_EQ(line->shownColour(), QColor(Qt::red));

    // The pointer moves over the server list away from any cell: the view
    // clears the window's tool tip and the line follows a little later.
    KeloStatusView* view = remote->serversUI()->monitorViews()[0]->statusView;
    ASSERT_NE(view, nullptr);
    QMouseEvent move(QEvent::MouseMove, QPointF(view->width() - 2, view->height() - 2),
                     view->mapToGlobal(QPointF(view->width() - 2, view->height() - 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    EXPECT_TRUE(window->toolTipInfo(nullptr).isEmpty());
    EXPECT_EQ(line->text(), "Kelo A: wrong subnet");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    tick->tick();
    EXPECT_TRUE(line->text().isEmpty());

    // A message has the line: the tool tip waits for it.
    remote->showStatusText("Copied 3 files", QColor());
    window->setToolTipInfo("Kelo A: wrong subnet", Qt::red);
    EXPECT_EQ(line->text(), "Copied 3 files");
    KlStatusLine::install(nullptr);
}

TEST_F(Controller, MonitorSettingsReachTheStatusTabAndTheFile) {
    ServersUI* servers = remote->serversUI();
    remote->changeMonitorSetting("160", "height");
    EXPECT_EQ(remote->layoutDict().value("layout_settings").toMap().value("height"), "160");
    EXPECT_EQ(remote->loadLayoutSettings().thumbHeight, 160);
    EXPECT_EQ(servers->layout().thumbHeight, 160) << "the server list is told";
    // The breakout height control shows the height once the columns show.
    remote->changeMonitorSetting("180", "breakoutheight");
    servers->performUpdate();
    EXPECT_EQ(servers->statusTabImageHeightControl()->selectedSegment(), 2);

    // The periodic full refresh: every 300 s, stored as "update_ui".
    ASSERT_NE(remote->updateUiTimer(), nullptr);
    EXPECT_TRUE(remote->updateUiTimer()->isActive());
    EXPECT_EQ(remote->updateUiTimer()->interval(), 300 * 1000);
    remote->update_ui();
    EXPECT_EQ(remote->layoutDict().value("layout_settings").toMap().value("update_ui"), "all");
    EXPECT_EQ(servers->layout().thumbHeight, 160);
    ASSERT_TRUE(remote->applicationShouldTerminate());
    const QVariantMap settings = savedLayoutSettings(dir.filePath("KeloRemote.plist"));
    EXPECT_EQ(settings.value("height"), "160");
    EXPECT_EQ(settings.value("update_ui"), "all");
}

// "KeloRemoteNotification" 5: a one-cell view that changed size takes its
// window's whole content, and the window is shown only with a server to show.
TEST_F(Controller, ASizeChangeFitsTheViewsWindow) {
    KeloRemoteNotificationRoute route(*link);
    auto fit = [](QWidget* view) {
        NotificationCenter::defaultCenter().post(
            kKeloRemoteNotification, view,
            {{"type", 5}, {"view", QVariant::fromValue(static_cast<QObject*>(view))}});
    };
    KeloBreakoutCell cell;
    QWidget panel;
    panel.setGeometry(50, 60, 400, 300);
    panel.show();
    auto* view = new KeloStatusView(QRectF(20, 30, 180, 90), &panel);
    view->setSingleCell(&cell);

    fit(view);
    EXPECT_EQ(panel.geometry(), QRect(50, 60, 180, 90));
    EXPECT_EQ(view->pos(), QPoint(0, 0));
    EXPECT_TRUE(view->isVisibleTo(&panel));
    EXPECT_FALSE(panel.isVisible()) << "nothing to show";

    announce("Kelo A", "Running", linktest::kServerA);
    cell.setKeloObject(link->keloObjectForName("Kelo A"));
    fit(view);
    EXPECT_TRUE(panel.isVisible());
    view->setSingleCell(nullptr);

    // The main window's pages follow its layout.
    KeloMainWindow* window = remote->mainWindow();
    const QSize before = window->size();
    fit(remote->serversUI()->monitorViews()[0]->statusView);
    EXPECT_EQ(window->size(), before);
}

}  // namespace

KELO_TEST_MAIN_GUI()
