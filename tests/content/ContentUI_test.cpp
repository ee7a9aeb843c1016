// The Content tab's data side: settings per collection, the manager
// identity, the transfer history, and the folder and file rows built from an
// analysis of fixture databases.

#include "content/ContentUI.h"
#include "content/ContentDefaults.h"
#include "content/KeloContentAnalyser.h"
#include "platform/UserDefaults.h"
#include "serverlink/LinkTestSupport.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/TestMain.h"

#include <QTemporaryDir>

namespace {

using namespace contentdb;

QVariantMap withMissingFile(QVariantMap db, int file = 2) {
    QVariantMap f = db.value(folderKey(0, 0, 1)).toMap();
    f.remove(fileKey(file));
    db.insert(folderKey(0, 0, 1), f);
    return db;
}

QVariantMap withEntry(QVariantMap db, const QString& key, const QVariant& entry) {
    QVariantMap f = db.value(folderKey(0, 0, 1)).toMap();
    f.insert(key, entry);
    db.insert(folderKey(0, 0, 1), f);
    return db;
}

struct TestServices : ContentUIServices {
    QString selected = "M";
    QString selectedServerName() override { return selected; }
    int currentSelectedCollectionID() override { return 1; }
    QStringList validServersForCollection(int32_t) override { return {"A"}; }
    QString master = "M";
    QString masterForCollection(int32_t) override { return master; }
    QString screenNameForKeloWithName(const QString& name) override { return "Kelo " + name; }
    QVariantList logMessages() override { return {QVariantMap{{"log", "started"}}}; }
};

class ContentUITest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        ContentUIServices::install(&services);
        linktest::useTestInterfaces();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        KeloObject* master = link->addKeloForName("M");
        master->setAddress(linktest::kServerA, linktest::kServerA);
        ui = std::make_unique<ContentUI>(link.get());
    }
    void TearDown() override {
        ui.reset();
        link.reset();
        ContentUIServices::install(nullptr);
    }

    // Analyses the databases into collection 1 and builds the folder rows
    // with the master selected.
    ContentCollection* show(const QVariantMap& master, const std::vector<QVariantMap>& members) {
        ContentCollection* collection = ui->contentCollection(1);
        if (!collection) collection = ui->createCollection(1);
        ui->setCollectionID(1);
        ui->loadSettingsForCollectionID(1);
        auto analysis = std::make_shared<ContentAnalysis>();
        analysis->masterName = "M";
        analysis->collectionID = 1;
        analysis->addMember("M", true, master);
        for (const QVariantMap& m : members)
            analysis->addMember(m.value(".PLocName").toString(), false, m);
        int issues = 0;
        for (auto it = master.constBegin(); it != master.constEnd(); ++it)
            KeloContentAnalyser::analyseFolder(it.key(), &analysis->dict, &members, *analysis,
                                               &issues, master);
        for (const QVariantMap& m : members)
            for (auto it = m.constBegin(); it != m.constEnd(); ++it)
                if (!master.contains(it.key()))
                    KeloContentAnalyser::analyseMemberFldr(
                        it.key(), &analysis->dict, *analysis, &issues, m,
                        ".MemberOnlyKey" + m.value(".PLocName").toString());
        collection->analysis = analysis;
        ui->updateSelectedServer();
        return collection;
    }

    QStringList captions(const ContentRows& rows) {
        QStringList out;
        for (const auto& r : rows)
            out << (r->isSeparatorRow ? "-- " + r->separatorRowString
                                      : (r->isMemberOnly ? r->isMemberOnlyKeloName + ": " : "") +
                                            r->parsedName.name());
        return out;
    }

    QTemporaryDir dir;
    TestServices services;
    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<ContentUI> ui;
};

TEST_F(ContentUITest, SettingsAndIdentity) {
    ui->loadSettingsForCollectionID(3);
    EXPECT_TRUE(ui->watchedMediaFolderArray().isEmpty());
    const QVariantMap stored = UserDefaults::standard().object(kContentUISettings).toMap();
    EXPECT_EQ(stored.value(kContentCurrCollectionID).toString(), "3");
    EXPECT_TRUE(stored.value("collectionID_3").toMap().contains(kContentWatchedMediaFolderArray));

    const QString uuid = ui->masterIdentity().section(QChar(0x0B), 1);
    EXPECT_EQ(uuid.size(), 36);
    QVariantMap settings = stored;
    settings.insert(kContentMasterIdentity, "Booth 2");
    UserDefaults::standard().setObject(kContentUISettings, settings);
    ContentUI other(link.get());
    EXPECT_EQ(other.masterIdentity(), "Booth 2" + QString(QChar(0x0B)) + uuid);

    EXPECT_EQ(ContentUI::shortDate(QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9))),
              "2024_03_05 07.08.09");
    EXPECT_FALSE(ui->createCollection(-1));
    EXPECT_FALSE(ui->contentCollection(-1));
}

TEST_F(ContentUITest, TransferHistoryKeepsTheNewest100000) {
    ContentCollection* a = ui->createCollection(0);
    ContentCollection* b = ui->createCollection(4);
    EXPECT_EQ(a->fileTransferList.size(), 1);  // the log panel's entries
    a->fileTransferList.clear();
    for (int i = 0; i < 100000; ++i) a->fileTransferList.append(i);
    ui->logEntryAdded({{"log", "last"}});
    EXPECT_EQ(a->fileTransferList.size(), 100000);
    EXPECT_EQ(a->fileTransferList.first().toInt(), 1);
    EXPECT_EQ(a->fileTransferList.last().toMap().value("log").toString(), "last");
    EXPECT_EQ(b->fileTransferList.size(), 2);
    ui->clearLog();
    EXPECT_TRUE(a->fileTransferList.isEmpty() && b->fileTransferList.isEmpty());
}

TEST_F(ContentUITest, FolderRows) {
    QVariantMap master = mediaDatabase("M", 1, 2, 3);
    QVariantMap f2 = master.value(folderKey(0, 0, 2)).toMap();
    f2.insert(".Paths", QVariantList{mediaDirectory(2), kRoot + "/Extra/002", kRoot + "/More/002"});
    master.insert(folderKey(0, 0, 2), f2);
    QVariantMap meta = folder("Metadata", {kRoot + "/Meta", kRoot + "/Meta/a", kRoot + "/Meta/b"});
    QVariantMap screens = fileEntry(3, 0, 0, 4, kRoot + "/Meta/a/MultiScreenData.plist", 1, 1);
    meta.insert("004", screens);
    QVariantMap other = fileEntry(3, 0, 0, 4, kRoot + "/Meta/x.plist", 1, 1);
    meta.insert("005", other);
    master.insert("Metadata_000_000", meta);
    const QVariantMap member = mediaDatabase("A", 1, 4, 1);  // folders 3 and 4 only here
    show(master, {member});

    EXPECT_EQ(captions(ui->folderDataSource()),
              (QStringList{"001 Folder", "002", "002 Folder", "002", "002", "-- Local on Kelo A",
                           "A: 003 Folder", "A: 004 Folder"}));
    const ContentRows& rows = ui->folderDataSource();
    EXPECT_TRUE(rows[0]->isSingleFolder);
    EXPECT_TRUE(rows[1]->isAggregate && rows[1]->path().isEmpty());
    EXPECT_EQ(rows[3]->masterFolderPathsIdx, 2);
    EXPECT_TRUE(rows[0]->isMasterSelected && rows[0]->isMasterValid);
    EXPECT_EQ(rows[6]->parsedName.contentID(), KeloContentID::contentWithType(0, 0, 3, 0));

    // The metadata section: one row per directory holding file 004.
    ui->setSelectedFolderType(3);
    ui->updateSelectedServer();
    ASSERT_EQ(ui->folderDataSource().size(), 1u);
    EXPECT_TRUE(ui->folderDataSource()[0]->isMetaDataFile);
    EXPECT_EQ(ui->folderDataSource()[0]->parsedName.name(), "MultiScreenData.plist");
    EXPECT_EQ(
        ui->folderDataSource()[0]->masterFolder->Paths(),
        (QVariantList{QVariantMap{{"path", kRoot + "/Meta/a"}, {"files", QStringList{"004"}}}}));
}

TEST_F(ContentUITest, WatchingAndSyncActions) {
    QVariantMap master = mediaDatabase("M", 1, 1, 2);
    QVariantMap member = withMissingFile(mediaDatabase("A", 1, 1, 2));
    ContentCollection* collection = show(master, {member});
    ContentTableRowPtr folder = ui->folderDataSource().front();
    EXPECT_FALSE(folder->isWatched);
    EXPECT_TRUE(folder->canTakeSyncAction(false));  // unwatched folder
    const ContentRows files = ui->filesDataSourceForFolder(*folder);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_FALSE(files[1]->canTakeSyncAction(true));  // unwatched file

    ui->addOrRemoveWatchedFolder(*folder, true);
    EXPECT_EQ(ui->watchedMediaFolderArray(), QStringList{folderKey(0, 0, 1)});
    EXPECT_TRUE(folder->isWatched);
    EXPECT_EQ(folder->filesDataSourceIncrement, 2u);
    folder->filesDataSource = std::make_shared<ContentRows>(ui->filesDataSourceForFolder(*folder));
    const ContentRows& watched = *folder->filesDataSource;
    EXPECT_TRUE(watched[1]->needsSync());
    EXPECT_TRUE(watched[1]->canTakeSyncAction(false));
    EXPECT_FALSE(watched[0]->canTakeSyncAction(false));
    EXPECT_TRUE(watched[0]->canTakeSyncAction(true));
    EXPECT_TRUE(folder->needsSync());

    // A member selected: sync only backwards.
    services.selected = "A";
    ui->updateMasterStatus();
    EXPECT_FALSE(folder->isMasterSelected);
    EXPECT_FALSE(folder->canTakeSyncAction(true));
    EXPECT_TRUE(folder->canTakeSyncActionBackwards(false));
    EXPECT_FALSE(folder->isMasterSelected);
    EXPECT_TRUE(ui->fullRedrawNeeded());

    ui->addOrRemoveWatchedFolder(*folder, false);
    EXPECT_TRUE(ui->watchedMediaFolderArray().isEmpty());
    for (const auto& row :
         collection->folderRowsForContentID(folder->parsedName.contentID()->intValue()))
        EXPECT_FALSE(row->isWatched);
    const QVariantMap stored = UserDefaults::standard().object(kContentUISettings).toMap();
    EXPECT_TRUE(stored.value("collectionID_1")
                    .toMap()
                    .value(kContentWatchedMediaFolderArray)
                    .toList()
                    .isEmpty());
}

TEST_F(ContentUITest, FileRowsWithMemberFilesConflictsAndUnindexed) {
    QVariantMap conflicted = mediaFile(1, 2);
    conflicted.insert(
        "Conflicts",
        QVariantMap{{"c1", QVariantMap{{"Path", mediaDirectory(1) + "/002.Clip_v2.mov"}}}});
    QVariantMap master = withEntry(mediaDatabase("M", 1, 1, 2), "002", conflicted);
    master = withEntry(master, ".Confusing",
                       QVariantMap{{"x", QVariantMap{{"Path", mediaDirectory(1) + "/stray.mov"}}}});
    // The member has file 3, which the master lacks, and file 1 under
    // another name with conflicts.
    QVariantMap moved = mediaFile(1, 1);
    moved.insert("Path", mediaDirectory(1) + "/001.Renamed.mov");
    moved.insert("Conflicts",
                 QVariantMap{{"c", QVariantMap{{"Path", mediaDirectory(1) + "/001.Old.mov"}}}});
    const QVariantMap member = withEntry(mediaDatabase("A", 1, 1, 3), "001", moved);
    show(master, {member});
    ContentTableRowPtr folder = ui->folderDataSource().front();
    ContentRows rows = ui->filesDataSourceForFolder(*folder);
    EXPECT_EQ(captions(rows),
              (QStringList{"001.Clip.mov", "002.Clip.mov", "002.Clip_v2.mov", "-- Not Indexed",
                           "stray.mov", "-- Local on Kelo A", "A: 001.Renamed.mov",
                           "A: 001.Old.mov", "A: 003.Clip.mov"}));
    EXPECT_TRUE(rows[2]->parsedName.isConflicted() && rows[2]->parsedName.isVersioned());
    EXPECT_EQ(rows[2]->parsedName.conflictKey(), "c1");
    EXPECT_FALSE(rows[2]->canTakeSyncAction(true));
    EXPECT_TRUE(rows[7]->parsedName.isConflicted());
    EXPECT_TRUE(rows[4]->isConfusing && !rows[4]->isMemberOnly);
    EXPECT_FALSE(rows[4]->parsedName.contentID());
    EXPECT_EQ(rows[1]->parsedName.fileKey(), "002");

    // Malformed member entries give no rows and no crash.
    QVariantMap bad = member;
    bad = withEntry(bad, "010", "not a dictionary");
    bad = withEntry(bad, "011", QVariantMap{{"fileRef", QByteArray("ab")}});
    bad = withEntry(bad, ".Confusing", QVariantList{1});
    show(master, {bad});
    folder = ui->folderDataSource().front();
    // The entry without path still names a file; the one of no form does not.
    EXPECT_EQ(ui->filesDataSourceForFolder(*folder).size(), 10u);

    // A file record whose content reference is cut short gives a row without ID.
    ContentRows out;
    ui->addFileRowToDataSource(&out, *folder, *folder,
                               {{"name", mediaDirectory(1) + "/005.x.mov"}, {"fileRef", "ab"}},
                               ui->contentCollection(1), ContentRowsByPath(nullptr));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_FALSE(out[0]->parsedName.contentID());
    EXPECT_FALSE(out[0]->canTakeSyncAction(true));
}

TEST_F(ContentUITest, RebuildsCarryStateAndSelectionOver) {
    const QVariantMap master = mediaDatabase("M", 1, 1, 3);
    QVariantMap member = withMissingFile(mediaDatabase("A", 1, 1, 3), 3);
    show(master, {member});
    ContentTableRowPtr folder = ui->folderDataSource().front();
    ui->setFleetingRefFolder(folder);
    ui->setFolderSelection({0});
    ASSERT_TRUE(ui->updateFilesDataSourceIfNeeded(*folder));
    EXPECT_FALSE(ui->updateFilesDataSourceIfNeeded(*folder));  // nothing changed
    EXPECT_EQ(ui->fileCountForFldrRow(*folder), 3);
    ContentRows& files = *ui->currentFilesDataSource();
    ASSERT_EQ(files.size(), 3u);
    files[2]->syncQueued = true;
    files[2]->syncProgress = 0.5f;
    files[2]->redrawIncrement = 7;
    ui->setFileSelection({1, 2});

    // The folder rows are rebuilt (a new analysis): the old folder row's file
    // rows and sync marks go to its successor, and the selection stays.
    show(master, {member});
    ContentTableRowPtr again = ui->folderDataSource().front();
    EXPECT_NE(again, folder);
    EXPECT_EQ(ui->folderSelection(), std::vector<size_t>{0});
    EXPECT_EQ(again->filesDataSource, folder->filesDataSource);
    EXPECT_EQ(again->filesDataSourceIncrement, folder->filesDataSourceIncrement + 1);
    ASSERT_TRUE(ui->updateFilesDataSourceIfNeeded(*again));
    const ContentRows& rebuilt = *ui->currentFilesDataSource();
    EXPECT_TRUE(rebuilt[2]->syncQueued);
    EXPECT_FLOAT_EQ(rebuilt[2]->syncProgress, 0.5f);
    EXPECT_EQ(rebuilt[2]->redrawIncrement, 8u);
    EXPECT_EQ(ui->fileSelection(), (std::vector<size_t>{1, 2}));

    // A selected file that now exists only on the member is not selected again.
    ui->setFileSelection({2});
    show(withMissingFile(master, 3), {mediaDatabase("A", 1, 1, 3)});
    again = ui->folderDataSource().front();
    ASSERT_TRUE(ui->updateFilesDataSourceIfNeeded(*again));
    const ContentRows& last = *ui->currentFilesDataSource();
    ASSERT_EQ(captions(last), (QStringList{"001.Clip.mov", "002.Clip.mov", "-- Local on Kelo A",
                                           "A: 003.Clip.mov"}));
    EXPECT_TRUE(ui->fileSelection().empty());
    EXPECT_TRUE(ContentUI::belongsToFldrRow(*again, "/anywhere/x.mov"));
}

TEST_F(ContentUITest, AnalyseAndMarkedFolders) {
    EXPECT_FALSE(ui->analyse());  // no collection shown
    ContentCollection* collection = show(mediaDatabase("M", 1, 1, 1), {});
    KeloContentAnalyser analyser(link.get());
    ContentUI withAnalyser(link.get(), &analyser);
    withAnalyser.createCollection(1)->analysis = collection->analysis;
    withAnalyser.setCollectionID(1);
    ASSERT_TRUE(withAnalyser.analyse());
    EXPECT_EQ(withAnalyser.pendingAnalysis()->serverNames, (QStringList{"A", "M"}));
    EXPECT_EQ(analyser.master(), "M");
    EXPECT_TRUE(analyser.cancel());
    // A collection without a master analyses its members alone: no server
    // without a name to report offline.
    services.master.clear();
    ASSERT_TRUE(withAnalyser.analyse());
    EXPECT_EQ(withAnalyser.pendingAnalysis()->serverNames, QStringList{"A"});
    EXPECT_EQ(analyser.servers(), QStringList{"A"});
    EXPECT_TRUE(analyser.cancel());

    ContentTableRowPtr folder = ui->folderDataSource().front();
    collection->freshenFolder(*folder);
    auto stale = ContentTransfer::transferWithTasks({}, folderKey(0, 0, 1), std::nullopt, 0, 1);
    ui->scanAllServersTasks() = {stale};
    ui->freshenMarkedFolders(collection);
    ASSERT_EQ(ui->scanAllServersTasks().size(), 1u);
    EXPECT_EQ(ui->scanAllServersTasks()[0], collection->freshFolders[folderKey(0, 0, 1)]);
    ui->scanAllServersTasks().clear();
    ui->freshenMarkedFolders(collection);
    EXPECT_EQ(ui->scanAllServersTasks().size(), 1u);

    collection->lastTransferAgentTimeForCollection = linktest::gNow;
    EXPECT_FALSE(ui->analyse());
}

}  // namespace

KELO_TEST_MAIN_CORE()
