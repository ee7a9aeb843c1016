// The operator's sync on screen: the real Content tab over a collection
// whose master is a simulated BFTP master and whose members are simulated
// servers on loopback. A click in the sync column asks the newer-file
// question in its dialog, the requests reach the master, and the history,
// rows and progress controls follow its replies; the pause after the batch
// runs the scan steps that clean up the members. A screenshot is kept.

#include "content/ContentNewerFileDialog.h"
#include "content/ContentTabSyncServices.h"
#include "content/ContentTableView.h"
#include "content/ContentUI.h"
#include "content/ContentUIPanel.h"
#include "content/KeloContentAnalyser.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/controls/HUDTextField.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/UserDefaults.h"
#include "serverlink/BftpTransferMessage.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/LinkTestSupport.h"
#include "support/BftpServerSim.h"
#include "support/ContentAnalysisFixture.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/KeloServerSimTcp.h"
#include "support/LoopbackNamespace.h"
#include "support/MouseEvents.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

using namespace contentdb;

struct TestServices : ContentUIServices {
    QString selectedServerName() override { return "M"; }
    int currentSelectedCollectionID() override { return 1; }
    QStringList validServersForCollection(int32_t) override { return {"M", "A", "B"}; }
    QString masterForCollection(int32_t) override { return "M"; }
    QString screenNameForKeloWithName(const QString& name) override { return "Kelo " + name; }
};

// The Status tab's answer for the interface the servers are seen on; the
// rest is the Content tab's real service.
struct TabServices : ContentTabSyncServices {
    QString externalInterfaceForKelo(const QString&) override { return "eth0"; }
};

QVariantMap withFile(QVariantMap db, int file, const QVariantMap& entry) {
    QVariantMap f = db.value(folderKey(0, 0, 1)).toMap();
    if (entry.isEmpty())
        f.remove(fileKey(file));
    else
        f.insert(fileKey(file), entry);
    db.insert(folderKey(0, 0, 1), f);
    return db;
}

uint32_t statusOf(const QVariant& entry) {
    return uint32_t(entry.toMap().value("status").toLongLong());
}

TEST(ContentTabSyncOnScreen, OperatorSyncsAFolderAgainstSimulatedServers) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    UserDefaults::standard().setObject("ShowHistory", true);
    TestServices services;
    ContentUIServices::install(&services);
    TabServices sync;
    ContentSyncServices::install(&sync);
    linktest::useTestInterfaces();
    setKeloTcpConnector(nullptr);
    KeloObject::setClock(nullptr);

    // Master M has files 1-3 of folder 1; A lacks file 2 and has a newer
    // file 3; B lacks file 1.
    const QVariantMap master = mediaDatabase("M", 1, 1, 3);
    QVariantMap a =
        withFile(withFile(mediaDatabase("A", 1, 1, 3), 2, {}), 3, mediaFile(1, 3, 1000, 1e8 + 100));
    QVariantMap b = withFile(mediaDatabase("B", 1, 1, 3), 1, {});

    BftpServerSim::Config bftp;
    bftp.finalStatus = simFourCharCode("sent");
    bftp.sendStart = true;
    bftp.progressReplies = 4;
    bftp.intervalMs = 120;  // slow enough for the progress bar to be seen
    for (int file = 1; file <= 3; ++file)
        bftp.itemNames[KeloContentID::contentWithType(0, 0, 1, file).data()] =
            QString::asprintf("%03d.Clip.mov", file).toLatin1();
    BftpServerSim masterSim(bftp);
    QString error;
    ASSERT_TRUE(masterSim.start(&error)) << error.toStdString();

    KlE_Control_Status::Options options;
    options.timer = false;
    linktest::FakeSockets sockets;
    options.socketFactory = sockets.factory();
    auto link = std::make_unique<KlE_Control_Status>(options);
    auto server = [&](const QString& name, uint32_t address, uint16_t bftpPort) {
        contentdb::addSyncServer(*link, name, address, bftpPort);
    };
    server("M", masterSim.address(), masterSim.port());
    std::vector<std::unique_ptr<KeloServerSimTcp>> members;
    const uint32_t memberAddresses[] = {0x7F060402, 0x7F060403};
    for (int i = 0; i < 2; ++i) {
        KeloServerSimTcp::Config config;
        config.address = memberAddresses[i];
        config.productPort = uint16_t(46770 + 2 * i);
        config.bftpPort = uint16_t(46771 + 2 * i);
        config.database = i == 0 ? a : b;
        members.push_back(std::make_unique<KeloServerSimTcp>(config));
        ASSERT_TRUE(members.back()->start(&error)) << error.toStdString();
        server(i == 0 ? "A" : "B", config.address, config.bftpPort);
    }
    link->updateAddresses();

    KeloContentTransferAgent::Options agentOptions;
    agentOptions.stopGrace = 0.3;
    agentOptions.link = link.get();
    auto agent = std::make_unique<KeloContentTransferAgent>(agentOptions);
    auto analyser = std::make_unique<KeloContentAnalyser>(link.get());
    auto ui = std::make_unique<ContentUI>(link.get(), analyser.get());
    ui->setTransferAgent(agent.get());

    // The analysis as the analyser makes it from these databases.
    ContentCollection* collection = ui->createCollection(1);
    ui->setCollectionID(1);
    ui->loadSettingsForCollectionID(1);
    auto analysis = std::make_shared<ContentAnalysis>();
    analysis->masterName = "M";
    analysis->collectionID = 1;
    analysis->serverNames = {"M", "A", "B"};
    analysis->addMember("M", true, master)->address = masterSim.address();
    const std::vector<QVariantMap> memberDatabases = {a, b};
    for (int i = 0; i < 2; ++i)
        analysis->addMember(i == 0 ? "A" : "B", false, memberDatabases[size_t(i)])->address =
            memberAddresses[i];
    int issues = 0;
    for (auto it = master.constBegin(); it != master.constEnd(); ++it)
        KeloContentAnalyser::analyseFolder(it.key(), &analysis->dict, &memberDatabases, *analysis,
                                           &issues, master);
    collection->analysis = analysis;
    ui->updateSelectedServer();

    ContentUIPanel::Options panelOptions;
    panelOptions.ui = ui.get();
    panelOptions.network = link.get();
    panelOptions.analyser = analyser.get();
    auto panel = std::make_unique<ContentUIPanel>(panelOptions);
    sync.setPanel(panel.get());

    // The main window's shared progress controls above the tab's page.
    HUDThemeKeloWindow window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* progressRow = new QHBoxLayout;
    auto* bar = new HUDProgressIndicator(&window);
    auto* text = new HUDTextField(&window);
    auto* cancel = new HUDButton(&window);
    progressRow->addWidget(bar, 1);
    progressRow->addWidget(text, 2);
    progressRow->addWidget(cancel);
    layout->addLayout(progressRow);
    layout->addWidget(panel->page(), 1);
    panel->setContentTab(nullptr, bar, text, cancel);
    window.resize(1100, 720);
    window.show();
    waitForExposure(window);

    ui->addOrRemoveWatchedFolder(*ui->folderDataSource()[0], true);
    ui->updateSelectedServer();
    panel->reloadTables();
    ContentTableView* folders = panel->folderTable();
    folders->selectRow(0);
    const ContentTableRowPtr folder = ui->folderDataSource()[0];
    ASSERT_TRUE(folder->needsSync());
    ASSERT_EQ(panel->fileTable()->model()->rowCount(), 3);

    // The question comes up as a dialog; the operator reads it and syncs
    // the newer file too.
    QString memberFile, masterFile, applyToAll;
    int questions = 0;
    bool skipAll = false;
    QTimer answerer;
    answerer.setInterval(20);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<ContentNewerFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        ++questions;
        memberFile = dialog->memberFile()->text();
        masterFile = dialog->masterFile()->text();
        applyToAll = dialog->applyToAll()->text();
        if (questions == 1) dialog->grab().save(artefactPath("ContentTabNewerFile.png"));
        (skipAll ? dialog->applyToAll() : dialog->applyToThisFile())->click();
        (skipAll ? dialog->skipButton() : dialog->syncButton())->click();
    });
    answerer.start();
    const QPoint syncCell = folders->visualRect(folders->model()->index(0, 0)).center();
    sendMouse(folders->viewport(), QEvent::MouseButtonPress, syncCell, Qt::LeftButton,
              Qt::LeftButton);
    sendMouse(folders->viewport(), QEvent::MouseButtonRelease, syncCell, Qt::LeftButton, {});
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(memberFile, "003.Clip.mov");
    EXPECT_EQ(masterFile, "003.Clip.mov");
    EXPECT_EQ(applyToAll, "to all newer files (1 remaining)");

    // The sync made this controller the collection's manager, which the log
    // panel's line in the history says; then three files were handed to the
    // agent: pending in the history table, the folder marked queued.
    DTableView* history = panel->historyTable();
    ASSERT_EQ(history->model()->rowCount(), 4);
    EXPECT_EQ(collection->fileTransferList[0].toMap().value("log").toString(),
              "Manage collection 'b' on interface 'eth0'");
    for (int row = 1; row < 4; ++row)
        EXPECT_EQ(panel->objectValue(ContentTableView::kHistoryTable, 1, row).text,
                  QString::asprintf("%03d.Clip.mov", row));
    EXPECT_TRUE(folder->syncQueued);

    // While the master sends, the shared bar shows the batch with its
    // cancel button.
    bool progressShown = false;
    QString progressText;
    ASSERT_TRUE(processUntil(
        [&] {
            if (!progressShown && bar->isVisible() && cancel->isVisible()) {
                progressShown = true;
                progressText = text->stringValue();
                window.grab().save(artefactPath("ContentTabSyncing.png"));
            }
            return masterSim.connections() >= 3 && !agent->isActive();
        },
        15000));
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(progressText.startsWith("Syncing")) << progressText.toStdString();
    const std::vector<QByteArray> requests = masterSim.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const QVariant& entry : collection->fileTransferList.mid(1))
        EXPECT_EQ(statusOf(entry), kTransferStatusSent)
            << entry.toMap().value("name").toString().toStdString();
    EXPECT_FLOAT_EQ(folder->syncProgress, 1.0f);

    // The pause after the batch: the scan steps clean up the members, the
    // agent resumes, and the bar goes away once nothing is queued.
    ASSERT_TRUE(processUntil(
        [&] {
            return members[0]->requests("CLNP") >= 1 && members[1]->requests("CLNP") >= 1 &&
                   ui->scanAllServersTasks().empty();
        },
        15000));
    ASSERT_TRUE(processUntil([&] { return !bar->isVisible(); }, 3000));
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_EQ(history->model()->rowCount(), 4);

    const QImage shot = window.grab().toImage();
    EXPECT_TRUE(shot.save(artefactPath("ContentTabSync.png")));

    // A forced sync from the folder menu, the newer file skipped, held up by
    // the master: the shared cancel button stops it and nothing stays
    // pending.
    skipAll = true;
    masterSim.pushBehaviour(BftpServerSim::Behaviour::Stall);
    const int connected = masterSim.connections();
    panel->menuAction(ContentUIPanel::kForceSyncFolders, "Force synchronize this folder");
    EXPECT_EQ(questions, 2);
    const qsizetype before = 4;
    ASSERT_EQ(collection->fileTransferList.size(), before + 2);  // files 1 and 2
    EXPECT_EQ(collection->fileTransferList.last().toMap().value("opcode").toInt(), 1);
    ASSERT_TRUE(processUntil(
        [&] { return masterSim.connections() > connected && cancel->isVisible(); }, 10000));
    cancel->click();
    // The file the master is on may have reported progress; its state after
    // the cut is unknown. The one still waiting is aborted. The log panel's
    // lines about it follow in the history.
    QVariantMap lastTransfer;
    for (const QVariant& entry : collection->fileTransferList)
        if (entry.toMap().contains("transfer")) lastTransfer = entry.toMap();
    EXPECT_EQ(statusOf(lastTransfer), kTransferStatusAborted);
    EXPECT_EQ(panel->klLogUI()->logMessages()[1].log, "Cancelling all transfers.");
    EXPECT_EQ(collection->fileTransferList.value(before + 2).toMap().value("log").toString(),
              "Cancelling all transfers.");
    for (qsizetype i = before; i < collection->fileTransferList.size(); ++i)
        EXPECT_NE(statusOf(collection->fileTransferList[i]), kTransferStatusPending) << i;
    EXPECT_TRUE(processUntil([&] { return !agent->isActive(); }, 5000));
    answerer.stop();

    panel.reset();
    ui.reset();
    agent.reset();
    analyser.reset();
    link.reset();
    members.clear();
    masterSim.stop();
    EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 5000));
    ContentSyncServices::install(nullptr);
    ContentUIServices::install(nullptr);
}

}  // namespace

KELO_TEST_MAIN_GUI()
