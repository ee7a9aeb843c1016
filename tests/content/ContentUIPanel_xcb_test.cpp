// The Content tab on screen against simulated servers whose content
// databases differ: the analysis comes over TCP, thumbnails are asked for
// at most five at a time and drawn, the sync arrows turn while a file is
// sent, hover texts reach the window, and a screenshot is kept.

#include "content/ContentCollectionCell.h"
#include "content/ContentTabSyncServices.h"
#include "content/ContentTableView.h"
#include "content/ContentUI.h"
#include "content/ContentUIPanel.h"
#include "content/KeloContentAnalyser.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/UserDefaults.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/LinkTestSupport.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/KeloServerSimTcp.h"
#include "support/LoopbackNamespace.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QBuffer>
#include <QPainter>
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

QVariantMap withFile(QVariantMap db, int folder, int file, const QVariantMap& changes) {
    QVariantMap f = db.value(folderKey(0, 0, folder)).toMap();
    if (changes.isEmpty()) {
        f.remove(fileKey(file));
    } else {
        QVariantMap entry = f.value(fileKey(file)).toMap();
        for (auto it = changes.constBegin(); it != changes.constEnd(); ++it)
            entry.insert(it.key(), it.value());
        f.insert(fileKey(file), entry);
    }
    db.insert(folderKey(0, 0, folder), f);
    return db;
}

// Pixels that differ by more than a few steps in any channel.
int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return a.width() * a.height();
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) > 8 || std::abs(p.green() - q.green()) > 8 ||
                std::abs(p.blue() - q.blue()) > 8)
                ++count;
        }
    return count;
}

QByteArray pngThumbnail() {
    QImage image(64, 36, QImage::Format_RGB32);
    image.fill(QColor(30, 140, 220));
    QPainter(&image).fillRect(0, 0, 32, 36, QColor(240, 160, 20));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(ContentTabOnScreen, CollectionWithDifferingServers) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    TestServices services;
    ContentUIServices::install(&services);
    linktest::useTestInterfaces();
    setKeloTcpConnector(nullptr);
    KeloObject::setClock(nullptr);

    QVariantMap master = mediaDatabase("M", 1, 2, 8);
    for (int file = 1; file <= 8; ++file)
        master =
            withFile(master, 1, file, {{"NeedsThumb", true}, {"Width", 1280}, {"Height", 720}});
    QVariantMap a =
        withFile(withFile(mediaDatabase("A", 1, 2, 8), 1, 3, {}), 1, 2, {{"Length", 4000}});
    QVariantMap b = withFile(mediaDatabase("B", 1, 2, 8), 1, 2, {{"Length", 4000}});
    b.insert(folderKey(0, 0, 9), mediaFolder(9, 2));

    KlE_Control_Status::Options options;
    options.timer = false;
    linktest::FakeSockets sockets;
    options.socketFactory = sockets.factory();
    auto link = std::make_unique<KlE_Control_Status>(options);
    const uint32_t addresses[] = {0x7F060301, 0x7F060302, 0x7F060303};
    const char* names[] = {"M", "A", "B"};
    const QVariantMap databases[] = {master, a, b};
    std::vector<std::unique_ptr<KeloServerSimTcp>> sims;
    for (int i = 0; i < 3; ++i) {
        KeloServerSimTcp::Config config;
        config.address = addresses[i];
        config.productPort = uint16_t(41750 + 2 * i);
        config.bftpPort = uint16_t(41751 + 2 * i);
        config.database = databases[i];
        if (i == 0) config.thumbnail = pngThumbnail();
        sims.push_back(std::make_unique<KeloServerSimTcp>(config));
        QString error;
        ASSERT_TRUE(sims.back()->start(&error)) << error.toStdString();
        KeloObject* kelo = link->addKeloForName(names[i]);
        kelo->setAddress(addresses[i], addresses[i]);
        kelo->setIsReachable(true);
        kelo->setBftpTcpPort(config.bftpPort);
        kelo->setCollectionID(1);
        kelo->setContentTimeStamp("T1");
    }

    auto analyser = std::make_unique<KeloContentAnalyser>(link.get());
    analyser->setServers({"M", "A", "B"});
    analyser->setMaster("M");
    analyser->setCollectionID(1);
    analyser->analyse(true);
    ASSERT_TRUE(processUntil([&] { return !analyser->analysing(); }, 10000));
    ASSERT_TRUE(analyser->contentAnalysis());

    auto ui = std::make_unique<ContentUI>(link.get(), analyser.get());
    ContentCollection* collection = ui->createCollection(1);
    ui->setCollectionID(1);
    ui->loadSettingsForCollectionID(1);
    collection->analysis = analyser->contentAnalysis();
    ui->updateSelectedServer();

    ContentUIPanel::Options panelOptions;
    panelOptions.ui = ui.get();
    panelOptions.network = link.get();
    panelOptions.analyser = analyser.get();
    auto panel = std::make_unique<ContentUIPanel>(panelOptions);
    ContentTabSyncServices sync;
    sync.setPanel(panel.get());
    ContentSyncServices::install(&sync);
    HUDThemeKeloWindow window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel->page());
    window.resize(1100, 720);
    window.show();
    waitForExposure(window);
    // The header follows the model's title on the tick.
    ui->updateHeaderTitle(link->keloObjectForName("M"));
    panel->reloadTables();
    ASSERT_TRUE(processUntil([&] { return panel->headerCell().serverStr() == "master"; }, 2000));
    EXPECT_EQ(panel->headerCell().collectionStr(), "b");
    ui->addOrRemoveWatchedFolder(*ui->folderDataSource()[0], true);
    panel->reloadTables();
    panel->folderTable()->selectRow(0);
    ContentTableView* files = panel->fileTable();
    ASSERT_GE(files->model()->rowCount(), 8);

    // Thumbnails come in over TCP, never more than five asked at once.
    int most = 0;
    auto thumbnailsIn = [&] {
        int inFlight = 0;
        for (const QVariant& r : ui->thumbnailCache().value(".ThumbRequests").toList())
            inFlight += r.toMap().contains("date");
        most = std::max(most, inFlight);
        for (int row = 0; row < 8; ++row) {
            const ContentTableRow* r = panel->contentTableRow(row, false);
            if (!r || r->thumbData.isEmpty()) return false;
        }
        return true;
    };
    ASSERT_TRUE(processUntil(thumbnailsIn, 15000))
        << sims[0]->requests("GtTh") << " asked, "
        << ui->thumbnailCache().value(".ThumbRequests").toList().size() << " queued, detail "
        << QStringList(panel->fetchFileDetail(*panel->contentTableRow(0, false)).keys())
               .join(",")
               .toStdString()
        << " row " << panel->contentTableRow(0, false)->path().toStdString() << " member "
        << (collection->analysis->selectedMember ? "yes" : "no") << " db "
        << link->keloObjectForName("M")->contentDatabase().size();
    EXPECT_LE(most, 5);
    EXPECT_EQ(sims[0]->requests("GtTh"), 8);
    // Drawn from the bytes the server sent.
    files->viewport()->repaint();
    EXPECT_EQ(panel->contentTableRow(0, false)->thumbnail.size(), QSize(64, 36));

    // The hover text of a file shorter on both members reaches the window.
    int two = -1;
    for (int row = 0; row < files->model()->rowCount(); ++row)
        if (panel->contentTableRow(row, false)->parsedName.number() == "002") two = row;
    ASSERT_GE(two, 0);
    const QRect syncCell = files->visualRect(files->model()->index(two, 1));
    panel->showMouseHoverInfo(
        files, QPointF(syncCell.center()) -
                   QPointF(files->columnViewportPosition(0), files->rowViewportPosition(0)));
    QColor colour;
    EXPECT_EQ(window.toolTipInfo(&colour),
              "Sync this file.\nfile length differs on members 'Kelo A', 'Kelo B'");

    // The sync arrows of a file being sent turn with each step.
    ContentTableRow* first = panel->contentTableRow(0, false);
    const QRect firstSync = files->visualRect(files->model()->index(0, 1));
    auto cellImage = [&] {
        files->viewport()->repaint();
        return files->viewport()->grab(firstSync).toImage();
    };
    first->syncQueued = true;
    first->syncProgress = 0.5f;
    const QImage still = cellImage();
    first->syncAnimatingStep = 1;
    const QImage turned = cellImage();
    EXPECT_GT(differingPixels(still, turned), 0);

    const QImage shot = window.grab().toImage();
    EXPECT_TRUE(shot.save(artefactPath("ContentTab.png")));
    EXPECT_EQ(shot.size(), window.size() * window.devicePixelRatio());
    first->syncQueued = false;

    panel.reset();
    ui.reset();
    analyser.reset();
    link.reset();
    sims.clear();
    EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 5000));
    ContentSyncServices::install(nullptr);
    ContentUIServices::install(nullptr);
}

}  // namespace

KELO_TEST_MAIN_GUI()
