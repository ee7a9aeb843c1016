// The program's Content tab in its main window against simulated servers on
// loopback, wired as the program wires it: the scan button beside the status
// line shows only while the monitor list has servers; the tab's log lines
// reach the status line, the log panel and the history of every collection
// met, collections met later included; the history opens with the log button
// or a warning, closes with it, and keeps its height. Screenshots are kept.

#include "app/KeloCompositionRoot.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemote.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "app/KeloStatusLine.h"
#include "content/ContentTableView.h"
#include "content/ContentUI.h"
#include "foundation/OmLog.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDSegmentedControl.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloStatusView.h"
#include "status/ServersUI.h"
#include "status/statusContainer.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/MouseEvents.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QSplitter>
#include <QTemporaryDir>

#include <thread>

namespace {

const char kConnectionDown[] = "Connection down.  State of transfer unknown.";

// The transfer agent's forced stop, posted from a thread of its own as the
// agent posts it.
void postForcedStop() {
    std::thread([] {
        NotificationCenter::defaultCenter().post(kKeloContentTransferAgentNotification, nullptr,
                                                 {{"forceStop", "1"}});
    }).join();
}

int linesIn(const QVariantList& history, const QString& text) {
    int count = 0;
    for (const QVariant& entry : history) count += entry.toMap().value("log").toString() == text;
    return count;
}

// Where a widget shows in the window's picture.
QRect shownIn(const QWidget& widget, const QWidget& window) {
    return QRect(widget.mapTo(&window, QPoint(0, 0)), widget.size());
}

// A click on the server's cell in the Status tab's list.
void clickServer(KeloRemote& remote, const QString& name) {
    KeloStatusView* view = remote.serversUI()->monitorViews()[0]->statusView;
    const auto& cells = view->cellArray();
    for (size_t i = 0; i < cells.size(); ++i)
        if (cells[i]->keloObject() && cells[i]->keloObject()->name() == name)
            view->setSelectedItem(int(i));
    remote.serversUI()->statusViewSelectionChanged(view);
}

TEST(ContentTabInTheProgram, ScanButtonFollowsTheMonitorListAndLogLinesReachEveryHistory) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    // The program's own link, on ports of this test's.
    const KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(58000 + 3 * __LINE__));
    KlE_Control_Status::setDefaultOptions(options);
    KlE_Control_Status* link = KlE_Control_Status::defaultObject();
    KeloServerSim sim(simNetworkFor(options));
    for (int i = 0; i < 2; ++i) {
        KeloServerSim::Config config;
        config.name = "Kelo Sim " + QByteArray::number(i + 1);
        config.address = 0x7F0B0002 + uint32_t(i);
        config.collectionID = uint8_t(i + 1);
        sim.addServer(config);
    }
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();

    KeloRemote remote(std::make_unique<KeloRemoteSettings>(dir.filePath("KeloRemote.plist")));
    KeloCompositionRoot root(remote.frontEnd());
    ASSERT_TRUE(root.install());
    OmLog log;
    KeloRemoteTick& tick = root.startLink(*link, log);
    remote.awakeFromNib(*link, tick, "5.2 r1", "/opt/kelo/Kelo Verozo");
    KeloMainWindow* window = remote.mainWindow();
    window->resize(1200, 800);
    window->show();
    waitForExposure(*window);
    tick.start();
    HUDButton* scan = window->scanAllServersButton();
    EXPECT_FALSE(scan->isVisible()) << "no server in the monitor list";
    ASSERT_TRUE(processUntil(
        [&] {
            const KeloObject* a = link->keloObjectForName("Kelo Sim 1");
            const KeloObject* b = link->keloObjectForName("Kelo Sim 2");
            return a && b && a->address() != 0 && b->address() != 0;
        },
        10000));

    remote.addServer("Kelo Sim 1");
    EXPECT_TRUE(scan->isVisible());
    EXPECT_EQ(scan->title(), "Scan All Servers");
    remote.addServer("Kelo Sim 2");
    remote.selectTab(KeloMainWindow::kContentTab);
    ASSERT_TRUE(processUntil(
        [&] { return link->keloObjectForName("Kelo Sim 1")->collectionID() == 1; }, 10000));
    ContentUI* ui = ContentUI::instance();
    clickServer(remote, "Kelo Sim 1");
    ASSERT_TRUE(processUntil([&] { return ui->contentCollection(1) != nullptr; }, 5000));
    // The tab's page is the panel's; its scan button is the window's.
    const QWidget* page = window->tabItem(KeloMainWindow::kContentTab)->view();
    ASSERT_NE(page, nullptr);
    ContentTableView* history = nullptr;
    for (ContentTableView* table : page->findChildren<ContentTableView*>())
        if (table->table() == ContentTableView::kHistoryTable) history = table;
    ASSERT_NE(history, nullptr);

    // The history starts closed; the agent's forced stop is a warning that
    // reaches the status line, opens the history and lands in collection 1.
    UserDefaults& defaults = UserDefaults::standard();
    EXPECT_FALSE(defaults.object("ShowHistory").isValid());
    postForcedStop();
    ASSERT_TRUE(processUntil(
        [&] { return linesIn(ui->contentCollection(1)->fileTransferList, kConnectionDown) == 1; },
        3000));
    EXPECT_EQ(window->statusLine()->text(), kConnectionDown);
    EXPECT_EQ(window->statusLine()->textColour(), QColor(Qt::yellow));
    EXPECT_EQ(defaults.string("ShowHistory"), "YES");
    ASSERT_TRUE(processUntil([&] { return history->isVisible(); }, 2000));
    EXPECT_EQ(history->model()->rowCount(), 1);
    QImage shot = window->grab().toImage();
    EXPECT_TRUE(shot.save(artefactPath("KeloVerozoContentLog.png")));
    EXPECT_TRUE(QRect(QPoint(0, 0), window->size()).contains(shownIn(*history, *window)));
    EXPECT_TRUE(QRect(QPoint(0, 0), window->size()).contains(shownIn(*scan, *window)));

    // A collection met later starts with the log's lines, and takes the next.
    clickServer(remote, "Kelo Sim 2");
    ASSERT_TRUE(processUntil([&] { return ui->contentCollection(2) != nullptr; }, 5000));
    EXPECT_EQ(linesIn(ui->contentCollection(2)->fileTransferList, kConnectionDown), 1);
    postForcedStop();
    ASSERT_TRUE(processUntil(
        [&] { return linesIn(ui->contentCollection(2)->fileTransferList, kConnectionDown) == 2; },
        3000));
    EXPECT_EQ(linesIn(ui->contentCollection(1)->fileTransferList, kConnectionDown), 2);

    // The Status tab's monitor/manage switch: the loopback servers are seen
    // on no interface of this computer, so managing is refused with an error
    // line in the log and the histories, and the switch goes back to monitor.
    HUDSegmentedControl* manage = remote.serversUI()->getMonitorOrManageControl();
    ASSERT_NE(manage, nullptr);
    EXPECT_EQ(manage->selectedSegment(), 0);
    remote.selectTab(KeloMainWindow::kStatusTab);
    ASSERT_TRUE(processUntil([&] { return manage->isVisible(); }, 2000));
    EXPECT_TRUE(window->grab().toImage().save(artefactPath("KeloVerozoManageSwitch.png")));
    const QPoint onManage =
        manage->cell()->rectForSegment(1, QRectF(manage->rect())).center().toPoint();
    sendMouse(manage, QEvent::MouseButtonPress, onManage, Qt::LeftButton, Qt::LeftButton);
    sendMouse(manage, QEvent::MouseButtonRelease, onManage, Qt::LeftButton, {});
    const QString refused = "Need at least 2 networked Kelo to sync content for a collection.";
    EXPECT_EQ(window->statusLine()->text(), refused);
    EXPECT_EQ(window->statusLine()->textColour(), QColor(Qt::red));
    EXPECT_EQ(linesIn(ui->contentCollection(1)->fileTransferList, refused), 1);
    EXPECT_EQ(linesIn(ui->contentCollection(2)->fileTransferList, refused), 1);
    EXPECT_FALSE(ui->contentCollection(2)->isManaged);
    EXPECT_TRUE(processUntil([&] { return manage->selectedSegment() == 0; }, 2000));
    remote.selectTab(KeloMainWindow::kContentTab);
    ASSERT_TRUE(processUntil([&] { return history->isVisible(); }, 2000));

    // The operator drags the history higher; the log button closes it and
    // the height is kept for the next opening.
    auto* split = qobject_cast<QSplitter*>(history->parentWidget());
    ASSERT_NE(split, nullptr);
    const int total = split->sizes().value(0) + split->sizes().value(1);
    split->setSizes({total - 160, 160});
    emit split->splitterMoved(total - 160, 1);
    EXPECT_EQ(defaults.integer("HistoryTableHeight"), 160);
    HUDButton* logButton = nullptr;
    for (HUDButton* b : page->findChildren<HUDButton*>())
        if (b->title() == "Log") logButton = b;
    ASSERT_NE(logButton, nullptr);
    EXPECT_TRUE(logButton->isChecked());
    logButton->click();
    EXPECT_FALSE(history->isVisible());
    EXPECT_FALSE(defaults.object("ShowHistory").isValid());
    logButton->click();
    EXPECT_TRUE(history->isVisible());
    EXPECT_EQ(split->sizes().value(1), 160);

    // Without servers in the monitor list the scan button goes.
    remote.removeKeloWithName("Kelo Sim 1");
    EXPECT_TRUE(scan->isVisible());
    remote.removeKeloWithName("Kelo Sim 2");
    EXPECT_FALSE(scan->isVisible());
    shot = window->grab().toImage();
    EXPECT_TRUE(shot.save(artefactPath("KeloVerozoContentNoServers.png")));

    tick.stop();
    link->stopTimerAndCloseSockets();
}

}  // namespace

KELO_TEST_MAIN_GUI()
