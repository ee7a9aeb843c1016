// The Content tab's windows over fixture databases that differ between the
// master and its members: table values and colours, hover texts, sync
// clicks, menus, thumbnails, the file panel, the scan sequence and the
// settings. Servers live at documentation addresses; their TCP requests
// are caught by the test connector.

#include "content/ContentUIPanel.h"
#include "content/ContentCollectionCell.h"
#include "content/ContentDefaults.h"
#include "content/ContentDesktopServices.h"
#include "content/ContentFileDetail.h"
#include "content/ContentSyncServices.h"
#include "content/ContentTableView.h"
#include "content/ContentUI.h"
#include "content/KeloContentAnalyser.h"
#include "content/keloRootPath.h"
#include "foundation/KlStatusLine.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/controls/HUDTextField.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/LinkTestSupport.h"
#include "support/ContentAnalysisFixture.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/ContentPanelSync.h"
#include "support/MouseEvents.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QProcess>
#include <QScopeGuard>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextEdit>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& colour, std::ostream* os) {
    *os << colour.name(QColor::HexArgb).toStdString();
}

namespace {

using namespace contentdb;

struct TestServices : ContentUIServices {
    QString selected = "M";
    ContentUIPanel* panel = nullptr;  // whose log the collections start with
    QString selectedServerName() override { return selected; }
    int currentSelectedCollectionID() override { return 1; }
    QStringList validServersForCollection(int32_t) override { return {"A", "B"}; }
    QString masterForCollection(int32_t) override { return "M"; }
    QString screenNameForKeloWithName(const QString& name) override { return "Kelo " + name; }
    QVariantList logMessages() override { return panel ? panel->logMessages() : QVariantList(); }
};

struct StatusLine : KlStatusLine {
    QString text;
    QColor color;
    void showStatusText(const QString& t, const QColor& c) override {
        text = t;
        color = c;
    }
};

struct Desktop : ContentDesktopServices {
    bool confirm = true;
    std::vector<uint32_t> posted;
    QList<QUrl> revealed;
    bool confirmLaunchPilot() override { return confirm; }
    void postRemoteContentID(uint32_t id) override { posted.push_back(id); }
    void revealInFileManager(const QList<QUrl>& urls) override { revealed += urls; }
};

QVariantMap withFile(QVariantMap db, int folder, int file, const QVariantMap& changes) {
    QVariantMap f = db.value(folderKey(0, 0, folder)).toMap();
    QVariantMap entry = f.value(fileKey(file)).toMap();
    for (auto it = changes.constBegin(); it != changes.constEnd(); ++it)
        if (it.value().isValid())
            entry.insert(it.key(), it.value());
        else
            entry.remove(it.key());
    f.insert(fileKey(file), entry);
    db.insert(folderKey(0, 0, folder), f);
    return db;
}

QVariantMap withoutFile(QVariantMap db, int folder, int file) {
    QVariantMap f = db.value(folderKey(0, 0, folder)).toMap();
    f.remove(fileKey(file));
    db.insert(folderKey(0, 0, folder), f);
    return db;
}

class ContentPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        ContentUIServices::install(&services);
        KlStatusLine::install(&statusLine);
        ContentDesktopServices::install(&desktop);
        ContentSyncServices::install(&sync);
        linktest::useTestInterfaces();
        linktest::gNow = linktest::kStart;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);

        // Folder 1 of the master: file 1 a megabyte with thumbnail and
        // picture values, file 2 shorter on both members, file 3 missing on A.
        master = mediaDatabase("M", 1, 2, 3);
        master = withFile(master, 1, 1,
                          {{"Length", 1000000},
                           {"NeedsThumb", true},
                           {"Codec", "ProRes"},
                           {"Width", 1920},
                           {"Height", 1080},
                           {"Duration", 3723.5},
                           {"FPS", 25}});
        master = withFile(master, 1, 2, {{"NeedsThumb", true}});
        QVariantMap a =
            withFile(withoutFile(mediaDatabase("A", 1, 2, 3), 1, 3), 1, 2, {{"Length", 2000}});
        a.insert(folderKey(0, 0, 9), mediaFolder(9, 1));  // only on A
        QVariantMap b = withFile(mediaDatabase("B", 1, 2, 3), 1, 2, {{"Length", 2000}});
        members = {a, b};
        server("M", linktest::kServerA, master);
        server("A", linktest::kServerB, a);
        server("B", linktest::kServerB + 1, b);

        analyser = std::make_unique<KeloContentAnalyser>(link.get());
        ui = std::make_unique<ContentUI>(link.get(), analyser.get());
        openPanel();
        panel->page()->resize(1000, 700);
        show();
    }

    // A new panel over the current model, as at the program's start.
    void openPanel() {
        ContentUIPanel::Options panelOptions;
        panelOptions.ui = ui.get();
        panelOptions.network = link.get();
        panelOptions.analyser = analyser.get();
        panelOptions.clock = [] { return linktest::gNow; };
        panelOptions.pilotPreferencesFolder = dir.path();
        panelOptions.pilotLaunchWaitMs = 300;
        panelOptions.timer = false;
        panel = std::make_unique<ContentUIPanel>(panelOptions);
        panel->setScanAllServers(&scanButton);
        sync.setPanel(panel.get());
        services.panel = panel.get();
    }

    void TearDown() override {
        services.panel = nullptr;
        panel.reset();
        ui.reset();
        analyser.reset();
        link.reset();
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ContentUIServices::install(nullptr);
        KlStatusLine::install(nullptr);
        ContentDesktopServices::install(nullptr);
        ContentSyncServices::install(nullptr);
    }

    KeloObject* server(const QString& name, uint32_t address, const QVariantMap& db) {
        KeloObject* kelo = link->addKeloForName(name);
        kelo->setAddress(address, address);
        kelo->setIsReachable(true);
        kelo->setBftpTcpPort(4812);
        kelo->setCollectionID(1);
        kelo->setContentDatabase(db);
        kelo->setContentTimeStamp(db.value(".DatabaseTimestamp").toString());
        return kelo;
    }

    void show() {
        ContentCollection* collection = ui->contentCollection(1);
        if (!collection) collection = ui->createCollection(1);
        ui->setCollectionID(1);
        ui->loadSettingsForCollectionID(1);
        collection->analysis = analyse("M", 1, master, members);
        ui->updateSelectedServer();
        panel->reloadTables();
    }

    // Selects a folder row, which fills the file table.
    void selectFolder(int row) {
        panel->folderTable()->clearSelection();
        panel->folderTable()->selectRow(row);
    }

    // Another server selected in the Status tab.
    void selectServer(const QString& name) {
        services.selected = name;
        ui->updateSelectedServer();
        ui->updateMasterStatus();
        panel->reloadTables();
    }

    // What the refresh cycle does once rows are drawn.
    void consumeRedraws() {
        for (int row = 0; row < panel->fileTable()->model()->rowCount(); ++row)
            if (ContentTableRow* r = panel->contentTableRow(row, false))
                r->uiRedrawIncrement = r->redrawIncrement;
    }

    int fileRowNamed(const QString& number) {
        const auto files = ui->currentFilesDataSource();
        for (size_t i = 0; files && i < files->size(); ++i)
            if ((*files)[i]->parsedName.number() == number && !(*files)[i]->isMemberOnly)
                return int(i);
        return -1;
    }

    void watchFolder(int row) {
        ui->addOrRemoveWatchedFolder(*ui->folderDataSource()[size_t(row)], true);
    }

    QTemporaryDir dir;
    HUDButton scanButton{QStringLiteral("Scan All Servers")};
    TestServices services;
    StatusLine statusLine;
    Desktop desktop;
    ContentPanelSync sync;
    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    QVariantMap master;
    std::vector<QVariantMap> members;
    std::unique_ptr<KeloContentAnalyser> analyser;
    std::unique_ptr<ContentUI> ui;
    std::unique_ptr<ContentUIPanel> panel;
};

TEST_F(ContentPanelTest, FolderAndFileColumns) {
    // Every column has a heading, and room to show it whole.
    const struct {
        QTableView* table;
        QStringList headings;
    } tables[] = {
        {panel->folderTable(), {"Sync", "Ident", "#", "Name", "Files"}},
        {panel->fileTable(),
         {"Status", "Sync", "#", "Name", "Ext", "Res", "Codec", "Modified", "Size"}},
    };
    for (const auto& t : tables) {
        QAbstractItemModel* model = t.table->model();
        QStringList shown;
        for (int c = 0; c < model->columnCount(); ++c)
            shown << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_EQ(shown, t.headings);
        for (int c = 0; c < 2; ++c)
            EXPECT_GE(t.table->columnWidth(c), t.table->horizontalHeader()->sectionSizeHint(c))
                << t.headings[c].toStdString();
    }

    ASSERT_EQ(panel->folderTable()->model()->rowCount(), int(ui->folderDataSource().size()));
    // Two master folders, then A's own folder under its separator.
    ASSERT_EQ(ui->folderDataSource().size(), 4u);
    EXPECT_EQ(panel->objectValueForFolderColumn(2, 0).text, "001");
    EXPECT_EQ(panel->objectValueForFolderColumn(4, 0).text, "3");
    EXPECT_FALSE(panel->objectValueForFolderColumn(2, 0).color.isValid());
    EXPECT_TRUE(ui->folderDataSource()[2]->isSeparatorRow);
    // The folder only a member has is dim while the master is selected.
    EXPECT_EQ(panel->objectValueForFolderColumn(2, 3).color, veryDimTextColor());
    // Rows beyond the count give nothing.
    EXPECT_TRUE(panel->objectValueForFolderColumn(2, 4).text.isEmpty());
    EXPECT_EQ(panel->contentTableRow(4, true), nullptr);
    EXPECT_EQ(panel->contentTableRow(-1, true), nullptr);
    EXPECT_TRUE(panel->objectValueForFileColumn(3, 0).text.isEmpty());

    selectFolder(0);
    ASSERT_EQ(panel->fileTable()->model()->rowCount(), int(ui->currentFilesDataSource()->size()));
    const int one = fileRowNamed("001");
    ASSERT_GE(one, 0);
    EXPECT_EQ(panel->objectValueForFileColumn(8, one).text, "1000.00 KB");
    EXPECT_EQ(panel->objectValueForFileColumn(5, one).text, "1920x1080");
    EXPECT_EQ(panel->objectValueForFileColumn(6, one).text, "ProRes");
    EXPECT_EQ(panel->objectValueForFileColumn(4, one).text, "mov");
    EXPECT_EQ(panel->objectValueForFileColumn(8, fileRowNamed("003")).text, "1000 bytes");

    // With a member selected, the files of the master folder it shares show
    // normally, and the ones it lacks are dim.
    selectServer("A");
    selectFolder(0);
    EXPECT_FALSE(panel->objectValueForFileColumn(3, fileRowNamed("002")).color.isValid());
    EXPECT_EQ(panel->objectValueForFileColumn(3, fileRowNamed("003")).color, veryDimTextColor());
}

TEST_F(ContentPanelTest, HoverTextsExplainTheSyncState) {
    QColor colour;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    const ContentTableRow& folder = *ui->folderDataSource()[0];
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(folder, &colour, &cursor, true, false, false),
              "Manage this folder.");
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(*ui->folderDataSource()[2], &colour, &cursor,
                                                  true, false, false),
              "N/A");
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(*ui->folderDataSource()[3], &colour, &cursor,
                                                  true, false, false),
              "Folder is not on Master");

    watchFolder(0);
    show();
    selectFolder(0);
    colour = QColor();
    const ContentTableRow& two = *(*ui->currentFilesDataSource())[size_t(fileRowNamed("002"))];
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(two, &colour, &cursor, true, false, false),
              "Sync this file.\nfile length differs on members 'Kelo A', 'Kelo B'");
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(two, &colour, &cursor, false, false, true),
              "file length differs on members 'Kelo A', 'Kelo B'");
    const ContentTableRow& three = *(*ui->currentFilesDataSource())[size_t(fileRowNamed("003"))];
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(three, &colour, &cursor, true, false, false),
              "Sync this file.\nfile not found on member 'Kelo A'");
    // Outside the sync, status and detail views a row has nothing to say.
    EXPECT_TRUE(panel->mouseHoverTooltipForSyncCell(three, &colour, &cursor, false, false, false)
                    .isEmpty());

    // A member selected cannot sync; a collection with only its master has
    // nobody to sync to.
    selectServer("A");
    selectFolder(0);
    const ContentTableRow& onMember = *(*ui->currentFilesDataSource())[size_t(fileRowNamed("002"))];
    colour = QColor();
    EXPECT_TRUE(panel->mouseHoverTooltipForSyncCell(onMember, &colour, &cursor, true, false, false)
                    .startsWith("To sync, first select the Kelo server which is master of "
                                "collection b"));
    EXPECT_EQ(colour, QColor(Qt::yellow));
    members.clear();
    selectServer("M");
    show();
    colour = QColor();
    EXPECT_EQ(panel->mouseHoverTooltipForSyncCell(*ui->folderDataSource()[0], &colour, &cursor,
                                                  true, false, false),
              "Collection has master, but no members available to sync");
    EXPECT_EQ(colour, QColor(Qt::yellow));
}

// The sync model's refusal is the trace of a sync reaching it: no interface
// is known here, so nothing is ever sent.
struct SyncRefusals : ContentSyncServices {
    int count = 0;
    void log(OmLogLevel, const QString& text) override {
        if (text == "Need at least 2 networked Kelo to sync content for a collection.") ++count;
    }
};

TEST_F(ContentPanelTest, SyncColumnClicks) {
    SyncRefusals refusals;
    ContentSyncServices::install(&refusals);
    const auto uninstall = qScopeGuard([] { ContentSyncServices::install(nullptr); });
    ContentTableView* table = panel->folderTable();
    table->show();
    const QPoint syncCell = table->visualRect(table->model()->index(0, 0)).center();
    const QPoint otherRow = table->visualRect(table->model()->index(1, 0)).center();

    // Pressing on one row and releasing on another does nothing.
    sendMouse(table->viewport(), QEvent::MouseButtonPress, syncCell, Qt::LeftButton,
              Qt::LeftButton);
    sendMouse(table->viewport(), QEvent::MouseButtonRelease, otherRow, Qt::LeftButton, {});
    EXPECT_TRUE(ui->watchedMediaFolderArray().isEmpty());
    // A click on an unmanaged folder manages it, without selecting it.
    sendMouse(table->viewport(), QEvent::MouseButtonPress, syncCell, Qt::LeftButton,
              Qt::LeftButton);
    sendMouse(table->viewport(), QEvent::MouseButtonRelease, syncCell, Qt::LeftButton, {});
    EXPECT_EQ(ui->watchedMediaFolderArray(), QStringList{folderKey(0, 0, 1)});
    EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(refusals.count, 0);
    // A second click on the managed folder syncs it.
    show();
    sendMouse(table->viewport(), QEvent::MouseButtonPress, syncCell, Qt::LeftButton,
              Qt::LeftButton);
    sendMouse(table->viewport(), QEvent::MouseButtonRelease, syncCell, Qt::LeftButton, {});
    const int perSync = refusals.count;
    EXPECT_GT(perSync, 0);
    // The second press of a double-click neither selects nor syncs.
    refusals.count = 0;
    doubleClick(table->viewport(), syncCell);
    EXPECT_LE(refusals.count, perSync);
    EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty());
}

TEST_F(ContentPanelTest, ContextMenus) {
    auto titles = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                out << a->text() + (a->isEnabled() ? "" : " [off]") +
                           (a->isChecked() ? " [x]" : "");
        return out;
    };
    // Nothing selected: manage shows checked, both syncs off.
    std::unique_ptr<QMenu> menu = panel->menuForEvent(static_cast<QObject*>(panel->folderTable()));
    ASSERT_TRUE(menu);
    QStringList items = titles(menu.get());
    EXPECT_EQ(items.value(0), "Manage this folder [x]");
    EXPECT_EQ(items.value(1), "Synchronize this folder [off]");
    EXPECT_EQ(items.value(2), "Force synchronize this folder [off]");
    EXPECT_EQ(items.last(), "KeloDaemon Archive (%)");

    selectFolder(0);
    menu = panel->menuForEvent(static_cast<QObject*>(panel->folderTable()));
    items = titles(menu.get());
    EXPECT_EQ(items.value(0), "Manage this folder");
    menu->actions().first()->trigger();
    EXPECT_EQ(ui->watchedMediaFolderArray(), QStringList{folderKey(0, 0, 1)});
    show();
    selectFolder(0);
    menu = panel->menuForEvent(static_cast<QObject*>(panel->folderTable()));
    items = titles(menu.get());
    EXPECT_EQ(items.value(0), "Manage this folder [x]");
    EXPECT_EQ(items.value(1), "Synchronize this folder");

    // On a member the syncs are off and the file menu offers backwards sync.
    selectServer("A");
    selectFolder(0);
    panel->fileTable()->selectRow(fileRowNamed("002"));
    menu = panel->menuForEvent(static_cast<QObject*>(panel->fileTable()));
    items = titles(menu.get());
    EXPECT_EQ(items.value(0), "Synchronize this file [off]");
    EXPECT_EQ(items.value(1), "Force synchronize this file [off]");
    EXPECT_EQ(items.value(2), "Backwards sync FROM member 'Kelo A'");
    QMenu* backwards = menu->actions().at(3)->menu();
    ASSERT_TRUE(backwards);
    EXPECT_EQ(titles(backwards), (QStringList{"sync TO master (just this once)",
                                              "sync TO master & others (just this once)"}));

    // The history has no menu; the archive item shows the server's answer.
    EXPECT_FALSE(panel->menuForEvent(static_cast<QObject*>(panel->historyTable())));
    QVariantMap prefs{{"daemon_archive", QVariantMap{{"_value", 42}}}};
    link->keloObjectForName("A")->setPrefsDict(prefs);
    menu = panel->menuForEvent(static_cast<QObject*>(panel->folderTable()));
    EXPECT_EQ(titles(menu.get()).last(), "KeloDaemon Archive (42%)");
}

TEST_F(ContentPanelTest, ThumbnailsAtMostFiveInFlight) {
    // Eight files that want thumbnails in folder 1.
    for (int file = 1; file <= 8; ++file) {
        QVariantMap f = master.value(folderKey(0, 0, 1)).toMap();
        if (!f.contains(fileKey(file))) f.insert(fileKey(file), mediaFile(1, file));
        master.insert(folderKey(0, 0, 1), f);
        master = withFile(master, 1, file, {{"NeedsThumb", true}});
    }
    members.clear();
    show();
    selectFolder(0);
    for (int row = 0; row < panel->fileTable()->model()->rowCount(); ++row)
        panel->objectValueForFileColumn(3, row);
    QVariantList queue = ui->thumbnailCache().value(".ThumbRequests").toList();
    ASSERT_EQ(queue.size(), 8);
    consumeRedraws();
    // Asking again replaces the request rather than adding one.
    ++panel->contentTableRow(0, false)->redrawIncrement;
    panel->objectValueForFileColumn(3, 0);
    EXPECT_EQ(ui->thumbnailCache().value(".ThumbRequests").toList().size(), 8);
    consumeRedraws();

    auto sent = [&] {
        int n = 0;
        for (const QVariant& r : ui->thumbnailCache().value(".ThumbRequests").toList())
            n += r.toMap().contains("date");
        return n;
    };
    panel->periodicFetchThumbnails();
    EXPECT_EQ(sent(), 5);
    panel->periodicFetchThumbnails();
    EXPECT_EQ(sent(), 5);
    EXPECT_EQ(linktest::tcpAttempts(linktest::kServerA, 4812, 5), 5);

    // One answer frees a place; it is not an image, which must not hurt.
    const auto id = KeloContentID::contentWithType(0, 0, 1, 1);
    NotificationCenter::defaultCenter().post(kKeloThumbnailDataNotification,
                                             link->keloObjectForName("M"),
                                             {{"file", id.data()}, {"data", "not a picture"}});
    EXPECT_EQ(ui->thumbnailCache().value(".ThumbRequests").toList().size(), 7);
    panel->periodicFetchThumbnails();
    EXPECT_EQ(sent(), 5);
    for (int row = 0; row < panel->fileTable()->model()->rowCount(); ++row)
        panel->objectValueForFileColumn(0, row);
    consumeRedraws();
    ContentTableRow* first = panel->contentTableRow(fileRowNamed("001"), false);
    EXPECT_EQ(first->thumbData, QByteArray("not a picture"));
    EXPECT_TRUE(first->thumbnail.isNull());

    // Requests unanswered for more than 7 s give way to the rest.
    linktest::gNow += 7.5;
    panel->periodicFetchThumbnails();
    EXPECT_EQ(ui->thumbnailCache().value(".ThumbRequests").toList().size(), 2);
    EXPECT_EQ(sent(), 2);

    // Requests for a folder no longer shown are dropped before sending.
    QVariantList requests = ui->thumbnailCache().value(".ThumbRequests").toList();
    QVariantMap stale = requests.first().toMap();
    stale.remove("date");
    stale.insert("folderKey", folderKey(0, 0, 2));
    requests.prepend(stale);
    ui->thumbnailCache().insert(".ThumbRequests", requests);
    panel->periodicFetchThumbnails();
    EXPECT_EQ(ui->thumbnailCache().value(".ThumbRequests").toList().size(), 2);
}

TEST_F(ContentPanelTest, FileDetailPanel) {
    watchFolder(0);
    watchFolder(1);
    show();
    selectFolder(1);
    panel->fileTable()->selectRow(fileRowNamed("001"));
    EXPECT_EQ(panel->contentFileDetail()->toFileSync()->stringValue(), "synchronized");
    selectFolder(0);
    panel->fileTable()->selectRow(fileRowNamed("001"));
    ContentFileDetail* detail = panel->contentFileDetail();
    EXPECT_EQ(detail->toFileSize()->stringValue(), "1000.000 KB");
    EXPECT_EQ(detail->toFileDuration()->stringValue(), "01:02:03:12");
    EXPECT_EQ(detail->toFileResolution()->stringValue(), "1920x1080");
    EXPECT_EQ(detail->toFileCodec()->stringValue(), "ProRes");
    EXPECT_EQ(detail->toFileSync()->stringValue(), "needs sync");
    EXPECT_TRUE(detail->toFileMod()->stringValue().contains(", "));
    EXPECT_TRUE(detail->toFileName()->stringValue().endsWith("001.Clip.mov"));

    panel->fileTable()->selectRow(fileRowNamed("002"));
    EXPECT_EQ(detail->toFileSize()->stringValue(), "1000 bytes");
    EXPECT_EQ(detail->toFileSync()->stringValue(), "needs sync");
    EXPECT_FALSE(detail->toFileIssues()->isHidden());
    EXPECT_TRUE(detail->toFileIssues()->toPlainText().contains("file length differs"));

    // A detail without "Modified", with a width but no height.
    master = withFile(master, 1, 3, {{"Modified", QVariant()}, {"Width", 640}});
    show();
    selectFolder(0);
    panel->fileTable()->selectRow(fileRowNamed("003"));
    EXPECT_EQ(detail->toFileMod()->stringValue(), "");
    EXPECT_EQ(detail->toFileResolution()->stringValue(), "640x?");
    EXPECT_EQ(detail->toFileDuration()->stringValue(), "--");

    // The folder panel and the selected member's free space.
    EXPECT_EQ(panel->folderField("count")->stringValue(), "3");
    EXPECT_EQ(panel->folderField("sync")->stringValue(), "needs sync");
    EXPECT_FALSE(panel->volumeBar()->isHidden());
    EXPECT_EQ(panel->folderField("free")->stringValue(), "536.9G free");
}

TEST_F(ContentPanelTest, ScanStepsMoveOnWithoutBlocking) {
    selectFolder(0);
    QElapsedTimer timer;
    timer.start();
    // Every database is valid: fetching finishes at once, then the folder
    // rescan, then the rescan request and its 1 s wait.
    panel->scanAllServers(false);
    auto& queue = ui->scanAllServersTasks();
    ASSERT_FALSE(queue.empty());
    EXPECT_TRUE(ui->needsRescan());
    // The folder could not be fetched (the gate is shut without analysis
    // members reachable), so the queue is at the rescan request's wait.
    for (int calls = 0; calls < 50 && !queue.empty() &&
                        queue.front()->scanStep() != ContentUIPanel::kScanWaitAfterRescan;
         ++calls) {
        linktest::gNow += 1.0;
        panel->continueScanAllServers();
    }
    ASSERT_FALSE(queue.empty());
    EXPECT_EQ(queue.front()->scanStep(), ContentUIPanel::kScanWaitAfterRescan);
    EXPECT_DOUBLE_EQ(panel->scanTimeout(), linktest::gNow + 1.0);
    EXPECT_TRUE(panel->continueScanAllServers());
    linktest::gNow += 1.5;
    EXPECT_FALSE(panel->continueScanAllServers());
    EXPECT_TRUE(queue.empty());
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(panel->scanButton()->title(), "Scan All Servers");

    // A database that is not valid is fetched; the analysis waits for it
    // until the fetch deadline.
    link->keloObjectForName("B")->setContentDatabase({});
    panel->scanAllServers(true);
    EXPECT_TRUE(ui->scanAfterEachTransfer());
    EXPECT_TRUE(panel->scanButton()->title().endsWith("Scanning After Transfers"));
    ASSERT_FALSE(queue.empty());
    EXPECT_EQ(queue.front()->scanStep(), ContentUIPanel::kScanAnalyse);
    EXPECT_DOUBLE_EQ(panel->scanTimeout(), linktest::gNow + 10.0);
    EXPECT_TRUE(panel->continueScanAllServers());
    EXPECT_EQ(queue.front()->scanStep(), ContentUIPanel::kScanAnalyse);
    linktest::gNow += 10.5;
    panel->continueScanAllServers();
    EXPECT_NE(queue.front()->scanStep(), ContentUIPanel::kScanAnalyse);
}

TEST_F(ContentPanelTest, SettingsAtStartAndOnChange) {
    panel.reset();
    QVariantMap settings = ui->masterSettings();
    settings.insert("network_bitrate", 0.05);
    settings.insert("autoBitRate", 0);
    UserDefaults::standard().setObject(kContentUISettings, settings);
    ui = std::make_unique<ContentUI>(link.get(), analyser.get());
    openPanel();
    EXPECT_FLOAT_EQ(panel->bitRate().maxRate, 1000.0f);
    EXPECT_FALSE(panel->bitRate().autoBitRate);
    QVariantMap stored = UserDefaults::standard().object(kContentUISettings).toMap();
    EXPECT_EQ(stored.value("network_bitrate").toDouble(), 1000.0);

    panel->setBitRate({1234.5f, true});
    EXPECT_FLOAT_EQ(panel->bitRate().maxRate, 1200.0f);
    panel->logSlowest(true, true);
    // The data side's own commits keep these keys.
    ui->loadSettingsForCollectionID(2);
    stored = UserDefaults::standard().object(kContentUISettings).toMap();
    EXPECT_FLOAT_EQ(stored.value("network_bitrate").toFloat(), 1200.0f);
    EXPECT_TRUE(stored.value("autoBitRate").toBool());
    EXPECT_TRUE(stored.value("logSlowest").toBool());
    EXPECT_TRUE(stored.value("showTurtle").toBool());
    EXPECT_TRUE(stored.contains("collectionID_2"));
}

TEST_F(ContentPanelTest, CompanionProgram) {
    // None configured: the status line says where to get it.
    bool ran = false;
    panel->launchPilotIfNeeded([&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(statusLine.text.startsWith("Kelo Pilot application not found."));
    EXPECT_EQ(statusLine.color, QColor(Qt::yellow));

    // A configured program is started without a shell, and looked for
    // again after the wait, without holding the window still. This one
    // ends at once (it is "sleep" without arguments), so it is not found.
    const QString program = dir.filePath("KeloPilot");
    ASSERT_TRUE(QFile::copy("/bin/sleep", program));
    QFile prefs(dir.filePath("com.OMBREL.KeloPilot.plist"));
    ASSERT_TRUE(prefs.open(QIODevice::WriteOnly));
    prefs.write(
        PropertyList::write(QVariantMap{{"lastLaunchPath", program}}, PropertyList::Format::Xml));
    prefs.close();
    statusLine.text.clear();
    QElapsedTimer timer;
    timer.start();
    panel->launchPilotIfNeeded([&] { ran = true; });
    EXPECT_LT(timer.elapsed(), 250);
    EXPECT_TRUE(statusLine.text.isEmpty());
    EXPECT_TRUE(processUntil([&] { return !statusLine.text.isEmpty(); }, 3000));
    EXPECT_FALSE(ran);

    // Running already: the reveal goes ahead at once.
    QProcess running;
    running.start(program, {"30"});
    ASSERT_TRUE(running.waitForStarted());
    EXPECT_EQ(panel->runningPilotCount(), 1);
    desktop.confirm = false;
    panel->launchPilotIfNeeded([&] { ran = true; });
    EXPECT_TRUE(ran);
    running.kill();
    running.waitForFinished();
}

TEST_F(ContentPanelTest, TickRedrawsWhatTheModelReports) {
    panel->page()->show();
    selectFolder(0);
    QApplication::processEvents();
    ContentTableView* files = panel->fileTable();
    // The first tick may redraw everything; after it only a changed row.
    panel->tick();
    QApplication::processEvents();
    ContentTableRow* row = panel->contentTableRow(1, false);
    ASSERT_TRUE(row);
    ++row->redrawIncrement;
    files->resetRowsDrawn();
    panel->tick();
    QApplication::processEvents();
    EXPECT_EQ(row->uiRedrawIncrement, row->redrawIncrement);
    EXPECT_EQ(files->rowsDrawn(), 1u);
    files->resetRowsDrawn();
    panel->tick();
    QApplication::processEvents();
    EXPECT_EQ(files->rowsDrawn(), 0u);

    // A full redraw keeps the model's folder and file selection on screen.
    selectFolder(1);
    const int two = fileRowNamed("002");
    panel->fileTable()->selectRow(two);
    ui->setFullRedrawNeeded(true);
    panel->tick();
    EXPECT_EQ(ui->folderSelection(), std::vector<size_t>{1});
    EXPECT_EQ(panel->folderTable()->selectionModel()->selectedRows().value(0).row(), 1);
    EXPECT_EQ(panel->fileTable()->selectionModel()->selectedRows().value(0).row(), two);
    EXPECT_EQ(panel->folderField("count")->stringValue(), "3");

    // The history follows the model's notes for the collection shown.
    ContentCollection* collection = ui->contentCollection(1);
    collection->fileTransferList.append(QVariantMap{{"ended", "10:00:00"}});
    const int before = panel->historyTable()->model()->rowCount();
    NotificationCenter::defaultCenter().post(kContentHistoryChangedNotification, ui.get(),
                                             {{"collectionID", 2}, {"row", -1}});
    EXPECT_EQ(panel->historyTable()->model()->rowCount(), before);
    NotificationCenter::defaultCenter().post(kContentHistoryChangedNotification, ui.get(),
                                             {{"collectionID", 1}, {"row", -1}});
    EXPECT_EQ(panel->historyTable()->model()->rowCount(), before + 1);
}

TEST_F(ContentPanelTest, HeaderShowsTheModelsTitle) {
    ContentAnalysis* analysis = ui->contentCollection(1)->analysis.get();
    analysis->serverNames = services.validServersForCollection(1);
    struct Case {
        const char* server;
        bool stale;
        const char* role;
        const char* letter;
        const char* offline;
    };
    for (const Case& c : {Case{"M", false, "master", "b", ""}, Case{"A", false, "member", "b", ""},
                          Case{"A", true, "member", "b", "stale"}, Case{"", false, "--", "", ""}}) {
        analysis->isStale = c.stale;
        ui->updateHeaderTitle(*c.server ? link->keloObjectForName(c.server) : nullptr);
        panel->tick();
        const ContentCollectionCell& cell = panel->headerCell();
        EXPECT_EQ(cell.serverStr(), c.role) << c.server;
        EXPECT_EQ(cell.collectionStr(), c.letter) << c.server;
        EXPECT_EQ(cell.offlineStr() ? cell.offlineStr()->string() : QString(), c.offline);
    }
}

TEST_F(ContentPanelTest, HistoryPaneOpensWithTheLogButtonAndRemembersItsHeight) {
    QWidget* page = panel->page();
    page->show();
    QApplication::processEvents();
    QSplitter* split = panel->splitView();
    UserDefaults& defaults = UserDefaults::standard();
    // Without "ShowHistory" the history starts closed; only it collapses.
    EXPECT_TRUE(panel->historyCollapsed());
    EXPECT_TRUE(panel->historyTable()->isHidden());
    EXPECT_FALSE(panel->klLogUI()->historyShown());
    EXPECT_TRUE(panel->splitViewCanCollapseSubview(panel->historyTable()));
    EXPECT_FALSE(panel->splitViewCanCollapseSubview(split->widget(0)));
    EXPECT_FALSE(split->isCollapsible(0));
    ASSERT_GE(panel->fileTable()->height(), 200);
    EXPECT_TRUE(split->handle(1)->isHidden());

    // However tall the file table, the log button opens it at the default
    // height and remembers that it is open.
    panel->logButton()->click();
    EXPECT_FALSE(panel->historyCollapsed());
    EXPECT_EQ(split->sizes().value(1), 100);
    EXPECT_FALSE(split->handle(1)->isHidden());
    EXPECT_EQ(defaults.string("ShowHistory"), "YES");
    EXPECT_TRUE(ui->historyShown());
    // Heights of 50 and below are not remembered.
    const int total = split->sizes().value(0) + split->sizes().value(1);
    for (const auto& [height, stored] : {std::pair{0, 0}, {80, 80}, {140, 140}}) {
        split->setSizes({total - height, height});
        panel->splitViewDidResizeSubviews();
        EXPECT_EQ(defaults.object("HistoryTableHeight").toInt(), stored) << height;
    }
    // A double click on the divider collapses it and opens it again.
    doubleClick(split->handle(1), QPoint(5, 2));
    EXPECT_TRUE(panel->historyCollapsed());
    EXPECT_TRUE(split->handle(1)->isHidden());
    panel->splitViewDoubleClickedDivider();
    EXPECT_EQ(split->sizes().value(1), 140);
    panel->splitViewDoubleClickedDivider();
    // With a short file table the divider stays, so the pane can be dragged open.
    page->resize(1000, 250);
    QApplication::processEvents();
    ASSERT_LT(panel->fileTable()->height(), 200);
    EXPECT_FALSE(split->handle(1)->isHidden());
    page->resize(1000, 700);
    QApplication::processEvents();
    // The log button takes a collapsed pane for closed and opens it.
    panel->logButton()->click();
    EXPECT_EQ(split->sizes().value(1), 140);
    EXPECT_TRUE(panel->logButton()->isChecked());
    panel->logButton()->click();
    EXPECT_TRUE(panel->historyTable()->isHidden());
    EXPECT_FALSE(defaults.object("ShowHistory").isValid());
    EXPECT_FALSE(ui->historyShown());
    EXPECT_EQ(defaults.object("HistoryTableHeight").toInt(), 140);

    // Any "ShowHistory", even false, opens it at the stored height next time.
    defaults.setObject("ShowHistory", false);
    openPanel();
    panel->page()->resize(1000, 700);
    panel->page()->show();
    QApplication::processEvents();
    EXPECT_FALSE(panel->historyCollapsed());
    EXPECT_TRUE(panel->klLogUI()->historyShown());
    EXPECT_EQ(panel->splitView()->sizes().value(1), 140);
}

// The tab's log lines reach the status line, the log panel and the history
// of every collection met, new ones included; the history table shows them,
// and a warning opens it.
TEST_F(ContentPanelTest, LogLinesReachThePanelAndEveryCollectionsHistory) {
    ContentCollection* other = ui->createCollection(2);
    ContentCollection* shown = ui->contentCollection(1);
    const qsizetype before = shown->fileTransferList.size();
    ASSERT_TRUE(panel->historyTable()->isHidden());

    // A line of the sync model, as the program's sync services take it.
    ContentSyncServices::shared().log(kOmLogWarning, "Transfers are stopping.  Please retry");
    EXPECT_EQ(statusLine.text, "Transfers are stopping.  Please retry");
    EXPECT_EQ(statusLine.color, QColor(Qt::yellow));
    ASSERT_EQ(panel->klLogUI()->logMessages().size(), 1);
    for (ContentCollection* c : {shown, other}) {
        ASSERT_FALSE(c->fileTransferList.isEmpty());
        const QVariantMap entry = c->fileTransferList.last().toMap();
        EXPECT_EQ(entry.value("log").toString(), "Transfers are stopping.  Please retry");
        EXPECT_EQ(entry.value("color").value<QColor>(), QColor(Qt::yellow));
        EXPECT_TRUE(entry.value("flash").toBool());
    }
    EXPECT_EQ(shown->fileTransferList.size(), before + 1);
    EXPECT_FALSE(panel->historyTable()->isHidden()) << "a warning opens the history";
    EXPECT_EQ(panel->historyTable()->model()->rowCount(), int(before + 1));
    EXPECT_EQ(panel->historyTable()->flashRow(), quint64(before));

    // Each line of a text is an entry of its own.
    panel->log(kOmLogInfo, "two\nlines");
    EXPECT_EQ(other->fileTransferList.size(), 3);
    EXPECT_EQ(other->fileTransferList[2].toMap().value("log").toString(), "lines");
    EXPECT_FALSE(other->fileTransferList[2].toMap().contains("color"));

    // A collection met later starts with the panel's lines.
    ContentCollection* later = ui->createCollection(3);
    ASSERT_EQ(later->fileTransferList.size(), 3);
    EXPECT_EQ(later->fileTransferList[0].toMap().value("log").toString(),
              "Transfers are stopping.  Please retry");

    // Emptying the log empties every history.
    panel->klLogUI()->clearLogButtonClicked();
    for (ContentCollection* c : {shown, other, later}) EXPECT_TRUE(c->fileTransferList.isEmpty());
    EXPECT_EQ(panel->historyTable()->model()->rowCount(), 0);

    // With no collection shown the table shows the panel's own entries.
    ui->setCollectionID(-1);
    panel->log(kOmLogError, "ERR without a collection");
    panel->reloadTables();
    EXPECT_EQ(panel->historyTable()->model()->rowCount(), 1);
    EXPECT_EQ(statusLine.color, QColor(Qt::red));
}

TEST_F(ContentPanelTest, RevealGoesToTheDesktopsFileManager) {
    const QString root = dir.filePath("Kelo");
    ASSERT_TRUE(QDir().mkpath(root + "/Media"));
    setKeloRootPathSearchList({root});
    keloRootPath(true);
    // This computer runs a server of its own.
    server("L", 0x7F000001, master);
    link->kelo("L", 0x7F000001);
    selectFolder(0);
    panel->menuAction(ContentUIPanel::kRevealFolders, "Reveal in Finder (local machine)");
    setKeloRootPathSearchList({});
    ASSERT_FALSE(desktop.revealed.isEmpty());
    for (const QUrl& url : desktop.revealed)
        EXPECT_TRUE(url.toLocalFile().startsWith(root)) << url.toString().toStdString();
}

}  // namespace

KELO_TEST_MAIN_GUI()
