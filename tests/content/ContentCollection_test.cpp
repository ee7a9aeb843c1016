// A collection's database look-ups, the gate that keeps folder requests away
// from running transfers, and the requests themselves (their connections are
// caught by the test connector, so no server is contacted).

#include "content/ContentCollection.h"
#include "content/KeloContentAnalyser.h"
#include "serverlink/LinkTestSupport.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/TestMain.h"

namespace {

using namespace contentdb;

class CollectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        linktest::useTestInterfaces();
        linktest::gNow = linktest::kStart;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        collection = std::make_unique<ContentCollection>(link.get());
        auto analysis = std::make_shared<ContentAnalysis>();
        analysis->masterName = "M";
        analysis->collectionID = 1;
        QVariantMap master = mediaDatabase("M", 1, 1, 2);
        QVariantMap f = master.value(folderKey(0, 0, 1)).toMap();
        f.insert("007_audio", mediaFile(1, 7));
        master.insert(folderKey(0, 0, 1), f);
        analysis->addMember("M", true, master);
        analysis->addMember("A", false, mediaDatabase("A", 1, 1, 2));
        analysis->addMember("B", false, mediaDatabase("B", 1, 1, 2));
        collection->analysis = analysis;
    }

    void TearDown() override {
        collection.reset();
        link.reset();
        // Folder fetches start detached queries; let them end before the
        // connector they call and the process go away.
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    KeloObject* server(const QString& name, uint32_t address, int collectionID) {
        KeloObject* kelo = link->addKeloForName(name);
        kelo->setAddress(address, address);
        kelo->setIsReachable(true);
        kelo->setBftpTcpPort(4812);
        kelo->setCollectionID(collectionID);
        return kelo;
    }

    linktest::FakeSockets sockets;

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<ContentCollection> collection;
};

TEST_F(CollectionTest, DatabaseEntries) {
    const auto file2 = KeloContentID::contentWithType(0, 0, 1, 2);
    EXPECT_EQ(collection->databaseEntryForContentID(file2, "A")->value("File").toInt(), 2);
    EXPECT_FALSE(collection->databaseEntryForContentID(file2, "Nobody"));
    EXPECT_FALSE(
        collection->databaseEntryForContentID(KeloContentID::contentWithType(0, 0, 9, 2), "A"));
    EXPECT_FALSE(
        collection->databaseEntryForContentID(KeloContentID::contentWithType(7, 0, 1, 2), "A"));
    EXPECT_TRUE(
        collection->databaseEntryForContentID(KeloContentID::contentWithType(11, 0, 1, 7), "M"));

    // Write mode: the folder and entry are made, the folder name added once.
    const auto newFile = KeloContentID::contentWithType(0, 0, 9, 3);
    QVariantMap* entry = collection->databaseEntryForContentID(newFile, "A", "/srv/Kelo/Media/009");
    ASSERT_TRUE(entry);
    entry->insert("Length", 5);
    ASSERT_TRUE(collection->databaseEntryForContentID(newFile, "A", "/srv/Kelo/Media/009"));
    const QVariantMap folder =
        collection->analysis->memberWithName("A")->dbase.value(folderKey(0, 0, 9)).toMap();
    EXPECT_EQ(folder.value(".Paths").toList(), QVariantList{"/srv/Kelo/Media/009"});
    EXPECT_EQ(folder.value("003").toMap().value("Length").toInt(), 5);
    EXPECT_EQ(collection->databaseEntryForContentID(newFile, "A")->value("Length").toInt(), 5);
    // The analysis of the other servers is untouched.
    EXPECT_FALSE(collection->databaseEntryForContentID(newFile, "B"));
}

TEST_F(CollectionTest, RequestGate) {
    const double t = linktest::kStart;
    collection->lastTransferAgentTimeForCollection = t - 1.0;
    EXPECT_FALSE(collection->canRequestDb());
    collection->pauseTime = t - 2.4;
    EXPECT_TRUE(collection->canRequestDb());
    collection->pauseTime = t - 2.6;
    EXPECT_FALSE(collection->canRequestDb());

    // Before the first transfer record 2 s of quiet suffice; after it, 10 s.
    collection->pauseTime = 0;
    collection->lastTransferAgentTimeForCollection = t - 2.0;
    EXPECT_FALSE(collection->canRequestDb());
    collection->lastTransferAgentTimeForCollection = t - 2.1;
    EXPECT_TRUE(collection->canRequestDb());
    collection->syncUpdater = std::make_unique<ContentTransferUpdater>();
    EXPECT_TRUE(collection->canRequestDb());
    collection->syncUpdater->addTransfer(
        ContentTransfer::transferWithTasks({}, "Media_000_001", std::nullopt, 5, 1), 5);
    EXPECT_FALSE(collection->canRequestDb());
    collection->lastTransferAgentTimeForCollection = t - 10.1;
    EXPECT_TRUE(collection->canRequestDb());
}

TEST_F(CollectionTest, FetchingFolders) {
    server("M", linktest::kServerA, 1);
    server("A", linktest::kServerB, 1);
    server("B", 0x0A000009, 2);  // in another collection now
    const auto folder = [](int type, int group, int number) {
        return ContentTransfer::transferWithTasks(
            {}, folderKey(type, group, number),
            KeloContentID::contentWithType(type, group, number, 0), 0, 1);
    };
    EXPECT_FALSE(collection->fetchDatabaseFolder(folder(0, 1, 0)));  // "Media_001_000"
    EXPECT_FALSE(collection->fetchDatabaseFolder(folder(3, 0, 1)));
    EXPECT_FALSE(collection->fetchDatabaseFolder(
        ContentTransfer::transferWithTasks({}, "Media_000_004", std::nullopt, 0, 1)));
    EXPECT_EQ(linktest::tcpAttempts(linktest::kServerA, 4812, 0), 0);

    ASSERT_TRUE(collection->fetchDatabaseFolder(folder(0, 0, 4)));
    EXPECT_EQ(linktest::tcpAttempts(linktest::kServerA, 4812), 1);
    EXPECT_EQ(linktest::tcpAttempts(linktest::kServerB, 4812), 1);
    EXPECT_EQ(linktest::tcpAttempts(0x0A000009, 4812, 0), 0);
    EXPECT_TRUE(
        collection->analysis->memberWithName("A")->waitingForDbFolders.count("Media_000_004"));
    EXPECT_FALSE(
        collection->analysis->memberWithName("B")->waitingForDbFolders.count("Media_000_004"));

    // A mark of the same folder stands in for a record without transfer ID.
    const auto marked = folder(0, 0, 5);
    collection->freshFolders["Media_000_005"] = marked;
    ASSERT_TRUE(collection->fetchDatabaseFolder(
        ContentTransfer::transferWithTasks({}, "Media_000_005", std::nullopt, 0, 1)));
    EXPECT_EQ(collection->analysis->memberWithName("M")->waitingForDbFolders["Media_000_005"],
              marked);

    collection->lastTransferAgentTimeForCollection = linktest::gNow;
    EXPECT_FALSE(collection->fetchDatabaseFolder(folder(0, 0, 6)));
}

TEST_F(CollectionTest, FreshenAndRowLookUps) {
    auto row = std::make_shared<ContentTableRow>();
    row->isFolder = true;
    row->masterFolder = std::make_shared<MasterFolder>();
    row->masterFolder->setSelfRefKey("Media_000_001");
    const auto id = KeloContentID::contentWithType(0, 0, 1, 0);
    row->parsedName = KlParsedFileName::nameWithPath("/srv/Kelo/Media/001", id, true);
    collection->freshenFolder(*row);
    ASSERT_EQ(collection->freshFolders.size(), 1u);
    const auto first = collection->freshFolders["Media_000_001"];
    EXPECT_EQ(first->transferKey(), 0);
    EXPECT_EQ(first->collectionID(), 1);
    collection->freshenFolder(*row);
    EXPECT_EQ(collection->freshFolders["Media_000_001"], first);

    collection->folderDataSources["Media_"] = std::make_shared<ContentRows>(ContentRows{row});
    collection->transferFolderDict[9] = "Media_000_001";
    EXPECT_EQ(collection->folderRowsForTransferKey(9), ContentRows{row});
    EXPECT_TRUE(collection->folderRowsForTransferKey(8).empty());
    EXPECT_EQ(collection->folderRowsForContentID(id.intValue()), ContentRows{row});
    EXPECT_EQ(collection->folderDataSourceForType(0)->size(), 1u);
    EXPECT_FALSE(collection->folderDataSourceForType(5));
}

}  // namespace

KELO_TEST_MAIN_CORE()
