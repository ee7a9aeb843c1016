// Media synchronisation end to end: sync jobs over analysed fixture
// databases, their requests through the real transfer agent to a simulated
// collection master on loopback (only inside a loopback-only network
// namespace), and the history, rows and progress that follow its replies;
// then the management rules against injected manager beacons.

#include "content/ContentDefaults.h"
#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "content/KeloContentAnalyser.h"
#include "foundation/OmLog.h"
#include "platform/UserDefaults.h"
#include "serverlink/BftpBeacon.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/LinkTestSupport.h"
#include "support/BftpServerSim.h"
#include "support/ContentAnalysisFixture.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/LoopbackNamespace.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QTemporaryDir>
#include <QtEndian>

#include <deque>

namespace {

using namespace contentdb;

constexpr uint32_t kMemberA = linktest::kServerA;
constexpr uint32_t kMemberB = linktest::kServerB;

struct Services : ContentUIServices {
    QString selected = "M";
    QString selectedServerName() override { return selected; }
    int currentSelectedCollectionID() override { return 1; }
    QStringList validServersForCollection(int32_t) override { return {"M", "A", "B"}; }
    QString masterForCollection(int32_t) override { return "M"; }
    QString screenNameForKeloWithName(const QString& name) override { return "Kelo " + name; }
};

struct Sync : ContentSyncServices {
    std::deque<ContentNewerFileAnswer> answers;
    std::vector<ContentNewerFileQuestion> questions;
    QStringList lines;
    bool takeOver = false;
    QString interface = "eth0";
    ContentNewerFileAnswer askOverwriteNewerFile(const ContentNewerFileQuestion& q) override {
        questions.push_back(q);
        if (answers.empty()) return {};
        const ContentNewerFileAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool askTakeOver(const QString&) override { return takeOver; }
    void log(OmLogLevel, const QString& text) override { lines << text; }
    QString externalInterfaceForKelo(const QString&) override { return interface; }
    bool isContentTabSelected() override { return true; }
    bool isMainWindowVisible() override { return true; }
};

uint32_t statusOf(const QVariant& entry) {
    return uint32_t(entry.toMap().value("status").toLongLong());
}

class SyncTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OmLog::toggleAllowFlood(); }
    static void TearDownTestSuite() { OmLog::toggleAllowFlood(); }

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        ContentUIServices::install(&services);
        ContentSyncServices::install(&sync);
        linktest::useTestInterfaces();
        linktest::gNow = linktest::kStart;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        link->timerProc();
        analyser = std::make_unique<KeloContentAnalyser>(link.get());
        ui = std::make_unique<ContentUI>(link.get(), analyser.get());
    }

    void TearDown() override {
        ui.reset();
        agent.reset();
        if (sim) sim->stop();
        analyser.reset();
        link.reset();
        ContentSyncServices::install(nullptr);
        ContentUIServices::install(nullptr);
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    KeloObject* server(const QString& name, uint32_t address, int bftpPort = 4812) {
        KeloObject* kelo = contentdb::addSyncServer(*link, name, address, bftpPort);
        link->updateAddresses();
        return kelo;
    }

    // Master M has files 1-3 of folder 1. A lacks file 2 and has a newer
    // file 3; B lacks file 1.
    void startCollection(BftpServerSim::Config config = {}) {
        config.finalStatus = simFourCharCode("sent");
        config.sendStart = true;
        config.progressReplies = 2;
        for (int file = 1; file <= 3; ++file)
            config.itemNames[KeloContentID::contentWithType(0, 0, 1, file).data()] =
                QString::asprintf("%03d.Clip.mov", file).toLatin1();
        sim = std::make_unique<BftpServerSim>(config);
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
        server("M", linktest::kLoopback, sim->port());
        server("A", kMemberA);
        server("B", kMemberB);
        KeloContentTransferAgent::Options o;
        o.stopGrace = 0.3;
        o.link = link.get();
        agent = std::make_unique<KeloContentTransferAgent>(o);
        ui->setTransferAgent(agent.get());
        ui->observeNotifications();

        QVariantMap master = mediaDatabase("M", 1, 1, 3);
        QVariantMap a = master;
        a.insert(".PLocName", "A");
        QVariantMap fa = a.value(folderKey(0, 0, 1)).toMap();
        fa.remove(fileKey(2));
        fa.insert(fileKey(3), mediaFile(1, 3, 1000, 1e8 + 100));
        a.insert(folderKey(0, 0, 1), fa);
        QVariantMap b = master;
        b.insert(".PLocName", "B");
        QVariantMap fb = b.value(folderKey(0, 0, 1)).toMap();
        fb.remove(fileKey(1));
        b.insert(folderKey(0, 0, 1), fb);
        show(master, {a, b});
    }

    void show(const QVariantMap& master, const std::vector<QVariantMap>& members) {
        collection = ui->contentCollection(1);
        if (!collection) collection = ui->createCollection(1);
        ui->setCollectionID(1);
        ui->loadSettingsForCollectionID(1);
        auto analysis = std::make_shared<ContentAnalysis>();
        analysis->masterName = "M";
        analysis->collectionID = 1;
        analysis->serverNames = {"M", "A", "B"};
        analysis->addMember("M", true, master);
        uint32_t address = kMemberA;
        for (const QVariantMap& m : members)
            analysis->addMember(m.value(".PLocName").toString(), false, m)->address = address++;
        int issues = 0;
        for (auto it = master.constBegin(); it != master.constEnd(); ++it)
            KeloContentAnalyser::analyseFolder(it.key(), &analysis->dict, &members, *analysis,
                                               &issues, master);
        collection->analysis = analysis;
        ui->updateSelectedServer();
        ASSERT_FALSE(ui->folderDataSource().empty());
        folder = ui->folderDataSource().front();
        ui->addOrRemoveWatchedFolder(*folder, true);
        ui->updateSelectedServer();
        folder = ui->folderDataSource().front();
        ui->updateFilesDataSourceIfNeeded(*folder);
    }

    ContentTableRowPtr file(int number) const {
        for (const ContentTableRowPtr& row : *folder->filesDataSource)
            if (row->parsedName.contentID() &&
                row->parsedName.contentID()->file() == number)
                return row;
        return nullptr;
    }

    std::vector<QVariantMap> transferEntries() const {
        std::vector<QVariantMap> out;
        for (const QVariant& v : collection->fileTransferList)
            if (v.toMap().contains("transfer")) out.push_back(v.toMap());
        return out;
    }

    // The agent idle again after its batch and the pause that follows it.
    bool waitForAgent(int connections) {
        // The agent asks the main thread which receivers are reachable.
        if (!processUntil([&] { return sim->connections() >= connections; }, 5000)) return false;
        if (!processUntil([&] { return !agent->isActive(); }, 8000)) return false;
        QCoreApplication::processEvents();
        return true;
    }

    QTemporaryDir dir;
    Services services;
    Sync sync;
    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloContentAnalyser> analyser;
    std::unique_ptr<ContentUI> ui;
    std::unique_ptr<BftpServerSim> sim;
    std::unique_ptr<KeloContentTransferAgent> agent;
    ContentCollection* collection = nullptr;
    ContentTableRowPtr folder;
};

TEST(ContentSync, BandwidthCode) {
    struct Case {
        float maxRate;
        bool automatic;
        uint16_t code;
    };
    for (const Case c : {Case{999.9f, false, 0x670F}, Case{1600000.0f, false, 16000},
                         Case{1600000.0f, true, 16000 | 0x8000}, Case{80.0f, true, 0xC320},
                         Case{1e12f, false, 0x3FFF}, Case{-5.0f, false, 0x4000},
                         Case{std::nanf(""), false, 0x4000}, Case{1000.0f, false, 10}})
        EXPECT_EQ(ContentUI::bandwidthCode(c.maxRate, c.automatic), c.code) << c.maxRate;
}

TEST(ContentSync, RemainingTimeAndProgressText) {
    // 80 Mbit/s empties 432,000,000 bytes in 54 s.
    EXPECT_EQ(ContentUI::remainingTimeTitle(432000000.0, 80), "< 59 sec left");
    EXPECT_EQ(ContentUI::remainingTimeTitle(440000000.0, 80), "< 2 min left");
    EXPECT_EQ(ContentUI::remainingTimeTitle(7000000.0, 80), "");  // under a second
    EXPECT_EQ(ContentUI::remainingTimeTitle(1e9, 0), "");
    EXPECT_EQ(ContentUI::remainingTimeTitle(1e9, -80), "");

    const ContentUI::ProgressDisplay mb = ContentUI::progressFor(250e6, 1e9, "10.0 MBytes/sec");
    EXPECT_TRUE(mb.visible);
    EXPECT_DOUBLE_EQ(mb.value, 0.75);
    EXPECT_EQ(mb.text, QString("Syncing\t\t\t750.00") + QChar(0x200A) + QChar(0x200A) +
                           QChar(0x2008) + QChar(0x2008) + "of\n10.0 MBytes/sec        1000.00 MB");
    EXPECT_TRUE(ContentUI::progressFor(1, 1e9 + 1, "").text.endsWith("1.00 GB"));
    EXPECT_FALSE(ContentUI::progressFor(0, 0, "").visible);
}

TEST_F(SyncTest, ForwardSyncRunsThroughTheAgentAndTheRowsFollow) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    BftpServerSim::Config config;
    config.resetCounts = {8, 10};
    startCollection(config);
    std::vector<QVariantMap> historyNotes;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kContentHistoryChangedNotification, nullptr,
        [&](const Notification& n) { historyNotes.push_back(n.userInfo); });
    ASSERT_TRUE(folder->needsSync());
    ui->setBitRate({80.0f, true});

    // The newer file 3 is asked about once, in the asking pass.
    sync.answers = {{ContentNewerFileAnswer::Sync, ContentNewerFileAnswer::ThisFile}};
    ui->syncFolder(folder, false, nullptr);
    ASSERT_EQ(sync.questions.size(), 1u);
    EXPECT_EQ(sync.questions[0].message, "Overwrite Newer File?");
    EXPECT_EQ(sync.questions[0].applyToAll, "to all newer files (1 remaining)");
    EXPECT_EQ(sync.questions[0].memberName, "A");

    // Files 1-3 each need sync; pending in the history until replies come.
    std::vector<QVariantMap> entries = transferEntries();
    ASSERT_EQ(entries.size(), 3u);
    for (const QVariantMap& e : entries) {
        EXPECT_EQ(e.value("master").toString(), "M");
        EXPECT_EQ(e.value("bitRate").toInt(), 0xC320);
        EXPECT_EQ(e.value("opcode").toInt(), 0);
    }
    EXPECT_TRUE(file(2)->syncQueued && folder->syncQueued);

    ASSERT_TRUE(waitForAgent(3));
    const std::vector<QByteArray> requests = sim->requests();
    ASSERT_EQ(requests.size(), 3u);
    // The request for file 2, as content 0.0.1.2, to both members.
    EXPECT_EQ(requests[1].mid(40, 4), QByteArray::fromHex("00000102"));
    EXPECT_EQ(uint8_t(requests[1][37]), 2);
    EXPECT_EQ(qFromBigEndian<uint32_t>(requests[1].constData() + 44), kMemberA);

    entries = transferEntries();
    for (const QVariantMap& e : entries) {
        EXPECT_EQ(statusOf(e), kTransferStatusSent) << e.value("name").toString().toStdString();
        EXPECT_FALSE(e.value("started").toString().isEmpty());
        EXPECT_FALSE(e.value("ended").toString().isEmpty());
        EXPECT_FALSE(e.contains("resetCount"));  // 10 resets give no notice
    }
    EXPECT_EQ(collection->fileTransferCurrent, -1);
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(file(n)->syncComplete) << n;
    EXPECT_FLOAT_EQ(folder->syncProgress, 1.0f);
    EXPECT_GT(folder->syncTimeToReanalyze, 0);
    // Receiver shares of the largest reset count.
    EXPECT_EQ(collection->analysis->memberWithName("A")->resetCount, 8);
    EXPECT_FLOAT_EQ(collection->analysis->memberWithName("A")->resetPercentage, 0.8f);
    EXPECT_TRUE(std::any_of(historyNotes.begin(), historyNotes.end(), [](const QVariantMap& n) {
        return n.value("row").toInt() >= 0 && n.value("scroll").toBool();
    }));

    // The agent's pause after the batch queues the sent folder for fetching
    // again, ahead of the resume step; fetching asks every member.
    ASSERT_TRUE(processUntil([&] { return !ui->scanAllServersTasks().empty(); }, 5000));
    const auto& tasks = ui->scanAllServersTasks();
    EXPECT_EQ(tasks.front()->scanStep(), 0);
    EXPECT_EQ(tasks.back()->scanStep(), 7);
    const auto record = std::find_if(tasks.begin(), tasks.end(), [](const auto& t) {
        return t->scanStep() < 0 && t->folderKey() == folderKey(0, 0, 1);
    });
    ASSERT_NE(record, tasks.end());
    linktest::clearTcpAttempts();
    EXPECT_TRUE(collection->fetchDatabaseFolder(*record));
    EXPECT_EQ(linktest::tcpAttempts(kMemberA, 4812), 1);

    // The members answer with the folder as it is now; once all have, the
    // folder is analysed again and its marks clear.
    const QByteArray folderID = KeloContentID::contentWithType(0, 0, 1, 0).data();
    const QVariant masterFolder = collection->analysis->memberWithName("M")->dbase.value(folderKey(0, 0, 1));
    ui->KeloDatabaseFolderEntryNotification(link->keloObjectForName("A"),
                                            {{"file", folderID}, {"data", masterFolder}});
    EXPECT_TRUE(file(2)->syncComplete);  // B and M have not answered
    ui->KeloDatabaseFolderEntryNotification(link->keloObjectForName("B"),
                                            {{"file", folderID}, {"data", masterFolder}});
    ui->KeloDatabaseFolderEntryNotification(link->keloObjectForName("M"),
                                            {{"file", folderID}, {"data", masterFolder}});
    EXPECT_TRUE(collection->syncUpdater->syncActiveTransfers()->empty());
    EXPECT_FALSE(folder->syncQueued);
    EXPECT_FALSE(folder->needsSync());
    EXPECT_FALSE(file(2)->syncComplete);

    // A member whose content time stamp moved makes the cycle analyse again.
    const std::shared_ptr<ContentAnalysis> before = ui->pendingAnalysis();
    link->keloObjectForName("A")->setContentTimeStamp("T2");
    collection->lastTransferAgentTimeForCollection = linktest::gNow - 30;
    ui->setLastFullUpdateTick(linktest::gNow);
    ui->updateTables();
    EXPECT_NE(ui->pendingAnalysis(), before);
    EXPECT_EQ(ui->pendingAnalysis()->collectionID, 1);
    processUntil([&] { return !analyser->analysing(); }, 3000);
}

TEST_F(SyncTest, NewerFileAnswersAndCancel) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    startCollection();
    // A second newer file on A: 1 as well.
    QVariantMap a = collection->analysis->memberWithName("A")->dbase;
    QVariantMap fa = a.value(folderKey(0, 0, 1)).toMap();
    fa.insert(fileKey(1), mediaFile(1, 1, 1000, 1e8 + 100));
    a.insert(folderKey(0, 0, 1), fa);
    QVariantMap b = collection->analysis->memberWithName("B")->dbase;
    show(collection->analysis->memberWithName("M")->dbase, {a, b});

    // Cancel: nothing reaches the agent or the history.
    sync.answers = {{ContentNewerFileAnswer::Cancel, ContentNewerFileAnswer::AllNewerFiles}};
    ui->syncFolder(folder, false, nullptr);
    EXPECT_EQ(sync.questions.size(), 1u);
    EXPECT_TRUE(transferEntries().empty());
    EXPECT_EQ(agent->queueLength(), 0u);
    EXPECT_FALSE(folder->syncQueued);

    // Skip all newer files: one question, counted from 2; only file 2 goes,
    // and only file 2 is marked queued.
    sync.questions.clear();
    sync.answers = {{ContentNewerFileAnswer::Skip, ContentNewerFileAnswer::AllNewerFiles}};
    ui->syncFolder(folder, false, nullptr);
    ASSERT_EQ(sync.questions.size(), 1u);
    EXPECT_EQ(sync.questions[0].applyToAll, "to all newer files (2 remaining)");
    const std::vector<QVariantMap> entries = transferEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].value("name").toString(), "002.Clip.mov");
    EXPECT_TRUE(file(2)->syncQueued);
    EXPECT_FALSE(file(1)->syncQueued || file(3)->syncQueued);
    ASSERT_TRUE(waitForAgent(1));
    EXPECT_EQ(statusOf(transferEntries()[0]), kTransferStatusSent);
    // A folder whose only queued file is done counts as complete.
    EXPECT_FLOAT_EQ(folder->syncProgress, 1.0f);
}

TEST_F(SyncTest, BackwardsSyncAndUnavailableMember) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    startCollection();
    ContentAnalysis& analysis = *collection->analysis;
    analysis.selectedMember = analysis.memberWithName("A");
    folder->isMasterSelected = true;

    // Tag 23, forced: A's files go to the master and to B; tag 22 to the
    // master alone.
    for (const int tag : {23, 22}) {
        collection->fileTransferList.clear();
        ui->syncBackwards(tag, folder, true, nullptr);
        const std::vector<QVariantMap> entries = transferEntries();
        ASSERT_EQ(entries.size(), 3u);
        EXPECT_EQ(entries[0].value("master").toString(), "A");
        EXPECT_EQ(entries[0].value("backwards_sync").toString(), "A");
        EXPECT_EQ(entries[0].value("slaves").toStringList(),
                  tag == 23 ? QStringList({"M", "B"}) : QStringList({"M"}));
        EXPECT_EQ(entries[0].value("opcode").toInt(), 1);
        ASSERT_TRUE(waitForAgent(0));
    }

    // A selected member that cannot take the files: nothing goes, and no
    // pending entries are left behind.
    collection->fileTransferList.clear();
    for (int n = 1; n <= 3; ++n) {
        QVariantMap d = file(n)->parsedName.dict();
        d.insert(".ErrArray", QStringList{"512 A"});
        file(n)->parsedName.setDict(d);
    }
    sync.lines.clear();
    ui->syncBackwards(22, folder, true, nullptr);
    EXPECT_TRUE(sync.lines.contains("Member 'Kelo A' is unavailable.  Can't backwards sync."));
    EXPECT_TRUE(transferEntries().empty());
    EXPECT_TRUE(std::any_of(sync.lines.begin(), sync.lines.end(), [](const QString& l) {
        return l.startsWith("Cannot sync 'Kelo A' file due to Finder permissions.");
    }));
}

TEST_F(SyncTest, RetransmitNoticeAndBadNotifications) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    BftpServerSim::Config config;
    config.resetCounts = {11, 0};
    startCollection(config);
    sync.answers = {{ContentNewerFileAnswer::Sync, ContentNewerFileAnswer::AllNewerFiles}};
    ui->syncFolder(folder, false, nullptr);
    ASSERT_TRUE(waitForAgent(3));
    const QVariantMap first = transferEntries().front();
    EXPECT_EQ(first.value("resetCount").toString(), "Kelo 'Kelo A' needed 11 retransmits.");

    // Unknown collections and transfers, a progress report before any start,
    // a forced stop: nothing breaks, nothing unrelated changes.
    const QVariantList before = collection->fileTransferList;
    const QVariant task = QVariant::fromValue(KeloContentID::contentWithType(0, 0, 1, 1).contentRef());
    ui->TransferAgentNotification({{"collection", 9}, {"transfer", 66}, {"status", 1}});
    ui->TransferAgentNotification({{"transfer", 66}, {"task", task}});
    ui->TransferAgentNotification({{"collection", 1}, {"transfer", 9999}, {"task", task},
                                   {"status", qint64(kTransferStatusProgress)}, {"name", "x"}});
    ui->TransferAgentNotification({{"collection", 1}, {"task", "garbage"}, {"receivers", 5}});
    EXPECT_EQ(collection->fileTransferList, before);
    sync.lines.clear();
    ui->TransferAgentNotification({{"forceStop", "1"}});
    EXPECT_EQ(sync.lines, QStringList{"Connection down.  State of transfer unknown."});
    ui->TransferAgentPauseNotification({{"collectionID", 42}});
    ui->TransferAgentPauseNotification({});

    // 'prog' before 'strt' starts the entry's clock.
    QVariantMap fresh{{"transfer", 500}, {"file", task}, {"status", qint64(kTransferStatusPending)},
                      {"length", 10}};
    collection->appendHistory(fresh);
    ui->TransferAgentNotification({{"collection", 1}, {"transfer", 500}, {"task", task},
                                   {"status", qint64(kTransferStatusProgress)}, {"mbps", -3},
                                   {"progress", 7.5}});
    const QVariantMap entry = collection->fileTransferList.last().toMap();
    EXPECT_FALSE(entry.value("started").toString().isEmpty());
    EXPECT_EQ(collection->fileTransferCurrent, collection->fileTransferList.size() - 1);

    // A folder with nothing queued counts as complete, not as 0/0.
    auto empty = std::make_shared<ContentTableRow>();
    empty->filesDataSource = std::make_shared<ContentRows>();
    collection->finishTransferAgentNotification(
        {{"status", qint64(kTransferStatusSent)}, {"name", "none"}}, {empty});
    EXPECT_FLOAT_EQ(empty->syncProgress, 1.0f);
    EXPECT_GT(empty->syncTimeToReanalyze, 0);
}

TEST_F(SyncTest, MasterDroppingMidTransferGoesStale) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    startCollection();
    sim->pushBehaviour(BftpServerSim::Behaviour::Drop);
    sim->pushBehaviour(BftpServerSim::Behaviour::Abort);
    sync.answers = {{ContentNewerFileAnswer::Skip, ContentNewerFileAnswer::ThisFile}};
    ui->syncFolder(folder, false, nullptr);
    ASSERT_TRUE(waitForAgent(2));
    std::vector<QVariantMap> entries = transferEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(statusOf(entries[0]), kTransferStatusProgress);  // silence after the drop
    EXPECT_EQ(statusOf(entries[1]), kTransferStatusAborted);
    EXPECT_TRUE(sync.lines.contains("Transfer of file '002.Clip.mov' was aborted\t"));
    EXPECT_FALSE(file(2)->syncQueued);
    EXPECT_TRUE(file(1)->syncQueued);

    // Ten silent seconds later the cycle gives the transfer up.
    agent->resume();
    linktest::gNow += 11;
    ui->setLastFullUpdateTick(linktest::gNow);
    ui->checkStaleTransfers();
    EXPECT_TRUE(collection->syncUpdater->syncActiveTransfers()->empty());
    EXPECT_FALSE(collection->syncUpdater->staleTransfers()->empty());
    EXPECT_FALSE(file(1)->syncQueued);
    EXPECT_FALSE(folder->syncQueued);

    // Cancel-all aborts what is still queued from the current entry on.
    collection->appendHistory({{"transfer", 1}, {"status", qint64(kTransferStatusPending)}});
    collection->fileTransferCurrent = int32_t(collection->fileTransferList.size() - 1);
    ui->cancelAllTransfers();
    EXPECT_EQ(statusOf(collection->fileTransferList.last()), kTransferStatusAborted);
    EXPECT_TRUE(collection->syncUpdater->staleTransfers()->empty());
}

// --- Management --------------------------------------------------------------------

class ManageTest : public SyncTest {
protected:
    void SetUp() override {
        SyncTest::SetUp();
        server("M", kMemberA);
        ui->createCollection(1);
        ui->setCollectionID(1);
        ui->setLastFullUpdateTick(linktest::gNow);
    }

    // A manager beacon of `identity` heard `age` seconds ago.
    void heard(const QByteArray& identity, double age) {
        sockets.inject(BftpBeacon::managerBeacon(1, identity), kMemberB);
        const uint64_t seen =
            uint64_t(link->visibleManagers().value("001").toMap().value("last_seen").toLongLong());
        ui->setMachClock([seen, age] { return seen + uint64_t(age * 1e9); });
    }
};

TEST_F(ManageTest, BeaconAgeAndIdentity) {
    struct Case {
        const char* identity;
        double age;
        int answer;
    };
    for (const Case c : {Case{"Other", 4.9, 1}, Case{"Other", 5.0, 2}, Case{nullptr, 0.0, 2}}) {
        heard(c.identity ? QByteArray(c.identity) : ui->masterIdentity().toUtf8(), c.age);
        QVariantMap other;
        EXPECT_EQ(ui->updateIsAllowedToManage(1, &other), c.answer) << c.age;
        EXPECT_EQ(ui->updateIsAllowedToManage(2, nullptr), 2);
    }
    // A main thread that has not ticked widens the window by its delay.
    heard("Other", 6.5);
    ui->setLastFullUpdateTick(linktest::gNow - 2);
    EXPECT_EQ(ui->updateIsAllowedToManage(1, nullptr), 1);
}

TEST_F(ManageTest, TakeOverAndConflicts) {
    heard("Other", 1.0);
    // Refused: monitor.
    EXPECT_FALSE(ui->userAttemptingToManage(1, true));
    EXPECT_EQ(ui->manageSwitchSegment(), 0);

    // Attempted: we beacon and manage, the switch waits for the check.
    sync.takeOver = true;
    EXPECT_FALSE(ui->userAttemptingToManage(1, true));
    EXPECT_EQ(ui->manageSwitchSegment(), 1);
    EXPECT_FALSE(ui->manageSwitchEnabled());
    EXPECT_TRUE(ui->contentCollection(1)->isManaged);
    EXPECT_EQ(link->managerIdentity(), ui->masterIdentity());
    // A retry within 3 s is refused with a hint.
    EXPECT_FALSE(ui->userAttemptingToManage(1, true));
    EXPECT_TRUE(sync.lines.contains(
        "Attempting to take over from other Verozo.  Please retry momentarily..."));

    const QVariantMap conflict{{"event", "ManagerConflictError"}, {"collectionID", 1}};
    linktest::gNow += 2;
    ui->setLastFullUpdateTick(linktest::gNow);
    ui->KlEManagementNotification(conflict);
    EXPECT_TRUE(ui->contentCollection(1)->isManaged);

    linktest::gNow += 1.5;
    ui->setLastFullUpdateTick(linktest::gNow);
    sync.lines.clear();
    ui->KlEManagementNotification(conflict);
    EXPECT_TRUE(sync.lines.contains("Warning: Attempt to take over from other Verozo failed."));
    EXPECT_FALSE(ui->contentCollection(1)->isManaged);
    EXPECT_EQ(ui->manageSwitchSegment(), 0);
    EXPECT_TRUE(ui->manageSwitchEnabled());

    // After a successful check, a conflict means the other one took over.
    heard("Other", 9.0);
    EXPECT_TRUE(ui->userAttemptingToManage(1, true));
    ui->takeoverCheck();
    sync.lines.clear();
    ui->KlEManagementNotification(conflict);
    EXPECT_TRUE(sync.lines.contains("Warning: Other Verozo took over as content manager."));

    // Other events and malformed payloads change nothing.
    EXPECT_TRUE(ui->userAttemptingToManage(1, true));
    ui->KlEManagementNotification({{"event", "Other"}, {"collectionID", 1}});
    ui->KlEManagementNotification({{"event", "ManagerConflictError"}});
    EXPECT_TRUE(ui->contentCollection(1)->isManaged);
}

TEST_F(ManageTest, InterfacesAndSelection) {
    // Not attempting a sync: no interface is no refusal.
    sync.interface.clear();
    EXPECT_TRUE(ui->setManageContentEnabled(true, 1, false));
    EXPECT_FALSE(ui->contentCollection(1)->isManaged);
    EXPECT_FALSE(ui->setManageContentEnabled(true, 1, true));
    EXPECT_TRUE(sync.lines.contains("Need at least 2 networked Kelo to sync content for a collection."));

    services.selected = QString();
    EXPECT_FALSE(ui->setManageContentEnabled(true, 1, true));
    EXPECT_TRUE(sync.lines.contains("To manage, first select an Kelo."));
}

TEST_F(ManageTest, SelectedServerReadiness) {
    KeloObject* kelo = server("N", 0x0A000001);
    EXPECT_FALSE(ui->shouldSelectedServerBeReady(kelo));
    for (int i = 1; i <= 19; ++i) {
        kelo->setLastPLoc(100.0 + i);
        EXPECT_FALSE(ui->shouldSelectedServerBeReady(kelo)) << i;
    }
    kelo->setLastPLoc(200.0);
    EXPECT_TRUE(ui->shouldSelectedServerBeReady(kelo));
}

}  // namespace

KELO_TEST_MAIN_CORE()
