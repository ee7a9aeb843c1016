// The content analyser: folder comparison on fixture databases, then whole
// runs against server objects of a network object of the test's own, and
// once against simulated servers that serve their databases over TCP.

#include "content/KeloContentAnalyser.h"
#include "content/ContentDefaults.h"
#include "platform/NotificationCenter.h"
#include "serverlink/LinkTestSupport.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/KeloServerSim.h"
#include "support/KeloServerSimTcp.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QElapsedTimer>

#include <atomic>

namespace {

using namespace contentdb;

const QString kFolder = folderKey(0, 0, 1);

QVariantMap withFile(QVariantMap db, const QString& key, int file, const QVariant& entry) {
    QVariantMap f = db.value(key).toMap();
    if (entry.isValid())
        f.insert(fileKey(file), entry);
    else
        f.remove(fileKey(file));
    db.insert(key, f);
    return db;
}

struct FolderRun {
    QVariantMap result;
    int issues = 0;
    std::shared_ptr<MasterFolder> folder;
    QVariantMap file(int n) const {
        return folder ? folder->value(fileKey(n)).toMap() : QVariantMap();
    }
};

FolderRun analyse(const QVariantMap& master, const std::vector<QVariantMap>& members,
                  const QString& key = kFolder) {
    ContentAnalysis analysis;
    analysis.masterName = master.value(".PLocName").toString();
    FolderRun run;
    KeloContentAnalyser::analyseFolder(key, &run.result, &members, analysis, &run.issues, master);
    run.folder = MasterFolder::fromVariant(run.result.value(key));
    return run;
}

QStringList strings(const QVariant& v) {
    return v.toStringList();
}

TEST(ContentAnalysisFolder, MissingFilesAndFolders) {
    const QVariantMap master = mediaDatabase("M", 1, 1, 3);
    const QVariantMap a = withFile(mediaDatabase("A", 1, 1, 3), kFolder, 2, {});
    const QVariantMap b = withFile(mediaDatabase("B", 1, 1, 3), kFolder, 2, {});
    FolderRun run = analyse(master, {a, b});
    ASSERT_TRUE(run.folder);
    EXPECT_EQ(strings(run.file(2).value(".ErrArray")), (QStringList{"1 A", "1 B"}));
    EXPECT_EQ(run.file(2).value(".IssueCount").toInt(), 2);
    EXPECT_FALSE(run.file(1).contains(".ErrArray"));
    EXPECT_EQ(run.issues, 2);
    EXPECT_EQ(run.folder->IssueBits(), 1);
    EXPECT_EQ(run.folder->ErrorDict(), (QVariantMap{{"A", 1}, {"B", 1}}));
    EXPECT_EQ(strings(run.folder->MembersWithFldr()), (QStringList{"A", "B"}));
    EXPECT_EQ(run.folder->foldername(), "001 Folder");
    EXPECT_EQ(run.folder->SelfRefKey(), kFolder);
    EXPECT_EQ(run.file(1).value("fileRef").toByteArray(), QByteArray::fromHex("00000101"));
    EXPECT_EQ(run.file(1).value("name").toString(), mediaDirectory(1) + "/001.Clip.mov");

    // A member without the folder: one folder error, bit 128 on every file.
    run = analyse(master, {database("A", 1)});
    EXPECT_EQ(strings(run.folder->ErrArray()), QStringList{"128 A"});
    for (int f = 1; f <= 3; ++f)
        EXPECT_EQ(strings(run.file(f).value(".ErrArray")), QStringList{"129 A"});
    EXPECT_EQ(run.issues, 4);
    EXPECT_EQ(run.folder->IssueCount(), 4);
}

TEST(ContentAnalysisFolder, IssueBitsPerFile) {
    const QVariantMap master = mediaDatabase("M", 1, 1, 1);
    const QVariantMap base = mediaDatabase("A", 1, 1, 1);
    const QVariantMap file = mediaFile(1, 1, 1000, 1e8);
    const auto changed = [&](const char* k, const QVariant& v) {
        QVariantMap f = file;
        f.insert(k, v);
        return withFile(base, kFolder, 1, f);
    };
    QVariantMap conflicted = file;
    conflicted.insert("Conflicts", QVariantMap{{"x", QVariantMap{{"Path", "/elsewhere"}}}});
    QVariantMap readOnly = base;
    {
        QVariantMap f = readOnly.value(kFolder).toMap();
        f.insert(".PathInfo", QVariantList{QVariantMap{{"canwrite", false}}});
        readOnly.insert(kFolder, f);
    }
    QVariantMap lowSpace = withFile(base, kFolder, 1, QVariant());
    lowSpace.insert(".VolumeFreeSpace", quint64(4));
    lowSpace.insert(".VolumeTotalSize", quint64(100));
    QVariantMap lowSpaceNoIssue = base;
    lowSpaceNoIssue.insert(".VolumeFreeSpace", quint64(4));
    lowSpaceNoIssue.insert(".VolumeTotalSize", quint64(100));
    QVariantMap outside = base;
    outside.insert(".KeloFolderPath", "/other/Kelo");

    const struct {
        const char* name;
        QVariantMap member;
        int bits;
    } cases[] = {
        {"same", base, 0},
        {"same whole second", changed("Modified", referenceDate(1e8 + 0.6)), 0},
        {"member newer", changed("Modified", referenceDate(1e8 + 1)), 2},
        {"member older", changed("Modified", referenceDate(1e8 - 1)), 4},
        {"length", changed("Length", quint64(999)), 8},
        {"other directory", changed("Path", mediaDirectory(2) + "/001.Clip.mov"), 16},
        {"other name", changed("Path", mediaDirectory(1) + "/001.Other.mov"), 32},
        {"both", changed("Path", mediaDirectory(2) + "/001.Other.mov"), 48},
        {"member conflicts", withFile(base, kFolder, 1, conflicted), 256},
        {"not writable", readOnly, 512},
        {"low space with an issue", lowSpace, 1 | 2048},
        {"low space alone", lowSpaceNoIssue, 0},
        {"outside the content folder", outside, 8192},
    };
    for (const auto& c : cases) {
        const FolderRun run = analyse(master, {c.member});
        const QStringList errors = strings(run.file(1).value(".ErrArray"));
        EXPECT_EQ(errors, c.bits ? QStringList{QString("%1 A").arg(c.bits)} : QStringList())
            << c.name;
        EXPECT_EQ(run.issues, c.bits ? 1 : 0) << c.name;
    }
}

TEST(ContentAnalysisFolder, BuiltInAndConflictsOnTheMaster) {
    QVariantMap builtIn = mediaFile(1, 1);
    builtIn.insert("BuiltIn", true);
    const QVariantMap master = withFile(mediaDatabase("M", 1, 1, 1), kFolder, 1, builtIn);
    QVariantMap moved = mediaFile(1, 1);
    moved.insert("Path", mediaDirectory(2) + "/001.Clip.mov");
    EXPECT_EQ(analyse(master, {withFile(mediaDatabase("A", 1, 1, 1), kFolder, 1, moved)}).issues,
              0);
    moved.insert("Length", quint64(5));
    EXPECT_EQ(strings(analyse(master, {withFile(mediaDatabase("A", 1, 1, 1), kFolder, 1, moved)})
                          .file(1)
                          .value(".ErrArray")),
              QStringList{"8 A"});

    QVariantMap conflicted = mediaFile(1, 1);
    conflicted.insert(
        "Conflicts",
        QVariantMap{{"c1", QVariantMap{{"Path", mediaDirectory(1) + "/001.Old.mov"}}}});
    const FolderRun run =
        analyse(withFile(mediaDatabase("M", 1, 1, 1), kFolder, 1, conflicted), {});
    EXPECT_EQ(strings(run.file(1).value(".ErrArray")), QStringList{"64 M"});
    EXPECT_EQ(run.folder->IssueBits(), 64);
    EXPECT_EQ(run.folder->ErrorDict(), (QVariantMap{{"M", 64}}));
    const QVariantMap paths = run.folder->Paths().value(0).toMap();
    EXPECT_EQ(strings(paths.value("files")),
              (QStringList{mediaDirectory(1) + "/001.Old.mov", "001"}));
}

TEST(ContentAnalysisFolder, PathsAndFilteredFolders) {
    QVariantMap master = mediaDatabase("M", 1, 1, 3);
    QVariantMap f = master.value(kFolder).toMap();
    const QString second = kRoot + "/Extra/001 Folder";
    f.insert(".Paths", QVariantList{mediaDirectory(1), second});
    QVariantMap moved = f.value("002").toMap();
    moved.insert("Path", second + "/002.Clip.mov");
    f.insert("002", moved);
    master.insert(kFolder, f);
    const FolderRun run = analyse(master, {});
    const QVariantList paths = run.folder->Paths();
    ASSERT_EQ(paths.size(), 3);
    EXPECT_EQ(paths[0].toMap(),
              (QVariantMap{{"path", ""}, {"files", QStringList{"001", "002", "003"}}}));
    EXPECT_EQ(paths[1].toMap(),
              (QVariantMap{{"path", mediaDirectory(1)}, {"files", QStringList{"001", "003"}}}));
    EXPECT_EQ(paths[2].toMap(), (QVariantMap{{"path", second}, {"files", QStringList{"002"}}}));

    // Entries that do not fit their parent: a plug-in folder with none left
    // is dropped, a media folder stays, empty.
    QVariantMap plugin = fileEntry(2, 0, 4, 1, kRoot + "/Plugins/x.plugin", 1, 1);
    plugin.insert("Parent", "Plugin_005");
    QVariantMap db = database("M", 1);
    db.insert("Plugin_004", folder("Plugins", {kRoot + "/Plugins"}, {{"001", plugin}}));
    EXPECT_FALSE(analyse(db, {}, "Plugin_004").folder);
    QVariantMap settings = mediaFile(1, 1);
    settings.insert("Path", mediaDirectory(1) + "/KeloSettings.plist");
    db.insert(kFolder, folder("001 Folder", {mediaDirectory(1)}, {{"001", settings}}));
    const FolderRun media = analyse(db, {});
    ASSERT_TRUE(media.folder);
    EXPECT_FALSE(media.folder->contains("001"));
}

TEST(ContentAnalysisFolder, MalformedEntriesAreSkipped) {
    QVariantMap db = mediaDatabase("M", 1, 1, 2);
    QVariantMap f = db.value(kFolder).toMap();
    f.insert("003", "not a dictionary");
    f.insert("004", QVariantMap{{"Length", 5}});  // no "Path"
    f.insert(".Paths", "not a list");
    db.insert(kFolder, f);
    db.insert("Media_000_002", QVariantList{1, 2});  // a folder that is no dictionary
    QVariantMap badParent = fileEntry(3, 0, 7, 1, kRoot + "/Meta/x", 1, 1);
    badParent.insert("Parent", "Metadata__");
    db.insert("Metadata_000_007", folder("Meta", {kRoot + "/Meta"}, {{"001", badParent}}));
    QVariantMap member = db;
    member.insert(".PLocName", "A");
    member.insert(kFolder, "also not a dictionary");
    int issues = 0;
    QVariantMap result;
    ContentAnalysis analysis;
    analysis.masterName = "M";
    const std::vector<QVariantMap> members{member};
    for (auto it = db.constBegin(); it != db.constEnd(); ++it)
        KeloContentAnalyser::analyseFolder(it.key(), &result, &members, analysis, &issues, db);
    const auto folder1 = MasterFolder::fromVariant(result.value(kFolder));
    ASSERT_TRUE(folder1);
    EXPECT_TRUE(folder1->contains("004"));  // a file without path is still a file
    EXPECT_FALSE(folder1->contains("003"));
    EXPECT_EQ(strings(folder1->ErrArray()), QStringList{"128 A"});
    EXPECT_FALSE(result.contains("Media_000_002"));
    EXPECT_FALSE(result.contains("Metadata_000_007"));
}

TEST(ContentAnalysisFolder, MassageChecksTheParent) {
    const auto entry = [](int type, int folder, int file, const char* parent) {
        QVariantMap e = fileEntry(type, 0, folder, file, "/x/y", 1, 1);
        e.insert("Parent", parent);
        return e;
    };
    const struct {
        QVariantMap entry;
        bool kept;
    } cases[] = {
        {entry(3, 3, 1, "Metadata_000_003"), true}, {entry(3, 3, 1, "Metadata_000_004"), false},
        {entry(3, 0, 4, "Metadata_000_000"), true}, {entry(3, 0, 5, "Metadata_000_000"), false},
        {entry(2, 4, 1, "Plugin_004"), true},       {entry(2, 4, 1, "Plugin_005"), false},
        {entry(2, 0, 1, "Plugin_000"), false},      {entry(4, 2, 1, "PluginImages_000_002"), true},
        {entry(4, 2, 1, "PluginImages"), false},    {entry(0, 9, 1, "nonsense"), true},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(KeloContentAnalyser::massageFileInfo(cases[i].entry).has_value(), cases[i].kept)
            << i;
}

TEST(ContentAnalysis, CollectionLetters) {
    const struct {
        int id;
        const char* letter;
    } cases[] = {{0, "a"}, {25, "z"}, {26, ""}, {-1, ""}, {7, "h"}};
    for (const auto& c : cases) EXPECT_EQ(collectionIdToString(c.id), c.letter) << c.id;
    QVariantMap errors;
    addServerError(1, "A", &errors);
    addServerError(8, "A", &errors);
    EXPECT_EQ(errors.value("A").toInt(), 9);
}

// --- Whole runs -----------------------------------------------------------------

class AnalyserRun : public ::testing::Test {
protected:
    void SetUp() override {
        linktest::useTestInterfaces();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        analyser = std::make_unique<KeloContentAnalyser>(link.get());
    }
    void TearDown() override {
        analyser.reset();
        link.reset();
    }

    // A server in collection 1 with a valid database.
    KeloObject* server(const QString& name, uint32_t address, const QVariantMap& db) {
        KeloObject* kelo = link->addKeloForName(name);
        kelo->setAddress(address, address);
        kelo->setCollectionID(1);
        kelo->setContentTimeStamp("T1");
        kelo->setContentDatabase(db);
        return kelo;
    }

    void start(const QStringList& servers) {
        analyser->setServers(servers);
        analyser->setMaster("M");
        analyser->setCollectionID(1);
    }

    linktest::FakeSockets sockets;

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloContentAnalyser> analyser;
};

TEST_F(AnalyserRun, ComparesMasterAndMembers) {
    server("M", linktest::kServerA, mediaDatabase("M", 1, 2, 3));
    server("A", linktest::kServerB, withFile(mediaDatabase("A", 1, 1, 3), kFolder, 2, {}));
    QVariantMap onlyOnA = mediaDatabase("A", 1, 3, 1);
    start({"M", "A"});
    QElapsedTimer t;
    t.start();
    analyser->analyse(false);
    EXPECT_LT(t.elapsed(), 500);  // eleven quick passes
    EXPECT_TRUE(analyser->valid());
    EXPECT_FALSE(analyser->analysing());
    EXPECT_TRUE(analyser->errors().isEmpty());
    const auto analysis = analyser->contentAnalysis();
    ASSERT_TRUE(analysis);
    ASSERT_EQ(analysis->members.size(), 2u);
    EXPECT_TRUE(analysis->members[0]->isMaster);
    EXPECT_EQ(analysis->members[1]->address, linktest::kServerB);
    EXPECT_EQ(analysis->dict.value(".CollectionID").toInt(), 1);
    // File 002 missing in folder 1, folder 2 missing with its 3 files.
    EXPECT_EQ(analysis->dict.value(".IssueCount").toInt(), 1 + 1 + 3);
    EXPECT_EQ(strings(analysis->masterFolder(kFolder)->value("002").toMap().value(".ErrArray")),
              QStringList{"1 A"});
    EXPECT_EQ(analyser->databaseEntryForFile(2, 1, 0, 0, "M")->value("Length").toInt(), 1000);
    EXPECT_FALSE(analyser->databaseEntryForFile(2, 1, 0, 0, "A"));

    // A folder only the member has.
    server("A", linktest::kServerB, onlyOnA);
    analyser->analyse(false);
    const auto second = analyser->contentAnalysis();
    const QVariantMap memberOnly = second->dict.value(".MemberOnlyKeyA").toMap();
    ASSERT_TRUE(memberOnly.contains(folderKey(0, 0, 3)));
    EXPECT_EQ(MasterFolder::fromVariant(memberOnly.value(folderKey(0, 0, 3)))->MemberOnlyKey(),
              "A");
}

TEST_F(AnalyserRun, ServersThatCannotBeCompared) {
    server("M", linktest::kServerA, mediaDatabase("M", 1, 1, 1));
    server("Off", 0, mediaDatabase("Off", 1, 1, 1));
    KeloObject* other = server("Other", linktest::kServerB, mediaDatabase("Other", 1, 1, 1));
    other->setCollectionID(2);
    KeloObject* empty = server("Empty", linktest::kServerB + 1, {});
    empty->setContentTimeStamp("T2");
    start({"M", "Off", "Other", "Empty", "Ghost"});
    analyser->analyse(false);
    EXPECT_EQ(analyser->errors(), (QStringList{"'Off' is offline", "'Other' has wrong collection c",
                                               "'Empty' has no database", "'Ghost' is offline"}));
    // The wrong collection makes the run invalid: nothing is published.
    EXPECT_FALSE(analyser->valid());
    EXPECT_TRUE(analyser->contentAnalysis() == nullptr);

    other->setCollectionID(1);
    analyser->analyse(false);
    EXPECT_TRUE(analyser->valid());
    ASSERT_TRUE(analyser->contentAnalysis());
    // The offline server's old database is still compared.
    EXPECT_TRUE(analyser->contentAnalysis()->memberWithName("Off"));
    EXPECT_EQ(analyser->contentAnalysis()->errors.size(), 3);

    link->keloObjectForName("M")->setContentDatabase({});
    analyser->analyse(false);
    EXPECT_FALSE(analyser->valid());
    EXPECT_TRUE(analyser->errors().contains("master has no database"));
}

TEST_F(AnalyserRun, WaitsOnceForAServerStillWithoutCollection) {
    server("M", linktest::kServerA, mediaDatabase("M", 1, 1, 1));
    KeloObject* late = server("Late", linktest::kServerB, mediaDatabase("Late", 1, 1, 1));
    late->setCollectionID(-1);
    start({"Late", "M"});
    QElapsedTimer t;
    t.start();
    analyser->analyse(false);
    EXPECT_GE(t.elapsed(), 1900);
    // Still outside the collection in later passes: the run is invalid.
    EXPECT_FALSE(analyser->valid());
    EXPECT_EQ(analyser->errors(), QStringList{"'Late' has wrong collection "});
}

TEST_F(AnalyserRun, BackgroundRunPostsAndCancels) {
    server("M", linktest::kServerA, mediaDatabase("M", 1, 20, 50));
    server("A", linktest::kServerB, mediaDatabase("A", 1, 20, 50));
    std::atomic<int> posted{0};
    const auto token = NotificationCenter::defaultCenter().addObserver(
        kKeloContentAnaysisCompleteNotification, analyser.get(),
        [&](const Notification&) { ++posted; });
    EXPECT_TRUE(analyser->cancel());  // nothing running
    start({"M", "A"});
    analyser->analyse(true);
    EXPECT_TRUE(analyser->analysing());
    ASSERT_TRUE(processUntil([&] { return !analyser->analysing(); }, 5000));
    EXPECT_EQ(posted.load(), 1);
    EXPECT_TRUE(analyser->valid());
    const auto first = analyser->contentAnalysis();

    // A second run while one waits for the main thread: the first stops,
    // its results dropped, and the second completes.
    KeloObject* late = link->keloObjectForName("A");
    late->setCollectionID(-1);  // makes the run wait 2 s
    analyser->analyse(true);
    processUntil([] { return false; }, 100);
    late->setCollectionID(1);
    analyser->analyse(true);
    ASSERT_TRUE(processUntil([&] { return !analyser->analysing(); }, 5000));
    EXPECT_EQ(posted.load(), 2);
    EXPECT_NE(analyser->contentAnalysis(), first);
    EXPECT_TRUE(analyser->valid());

    // Cancelled alone: nothing published, not valid.
    late->setCollectionID(-1);
    analyser->analyse(true);
    processUntil([] { return false; }, 100);
    const auto before = analyser->contentAnalysis();
    EXPECT_TRUE(analyser->cancel());
    EXPECT_FALSE(analyser->analysing());
    EXPECT_FALSE(analyser->valid());
    EXPECT_EQ(analyser->contentAnalysis(), before);
    EXPECT_EQ(posted.load(), 2);
}

// The databases come from simulated servers over TCP: the run itself asks
// for them when a server announces a newer one.
TEST_F(AnalyserRun, FetchesDatabasesFromTheServers) {
    if (!KeloServerSim::loopbackOnlyNetwork())
        GTEST_SKIP() << "needs a loopback-only network namespace";
    setKeloTcpConnector(nullptr);
    const uint32_t addresses[] = {0x7F060101, 0x7F060102};
    const char* names[] = {"M", "A"};
    std::vector<std::unique_ptr<KeloServerSimTcp>> sims;
    for (int i = 0; i < 2; ++i) {
        KeloServerSimTcp::Config config;
        config.address = addresses[i];
        config.productPort = uint16_t(41700 + 2 * i);
        config.bftpPort = uint16_t(41701 + 2 * i);
        config.database = mediaDatabase(names[i], 1, 2, 5);
        if (i == 1) config.database = withFile(config.database, kFolder, 5, {});
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
    start({"M", "A"});
    analyser->analyse(true);
    ASSERT_TRUE(processUntil([&] { return !analyser->analysing(); }, 10000));
    EXPECT_TRUE(analyser->valid());
    EXPECT_TRUE(analyser->errors().isEmpty()) << analyser->errors().join(", ").toStdString();
    ASSERT_TRUE(analyser->contentAnalysis());
    EXPECT_EQ(analyser->contentAnalysis()->dict.value(".IssueCount").toInt(), 1);
    EXPECT_EQ(sims[0]->requests("GtDB"), 1);
    sims.clear();
    EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 5000));
}

}  // namespace

KELO_TEST_MAIN_CORE()
