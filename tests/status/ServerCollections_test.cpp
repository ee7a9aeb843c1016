#include "status/ServerCollections.h"

#include "platform/UserDefaults.h"
#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloStatusView.h"
#include "status/StatusTestSupport.h"
#include "status/StatusViewTestSupport.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackNamespace.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>

namespace {

KELO_TEMP_DEFAULTS();

QStringList titles(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions()) out << a->text();
    return out;
}

QAction* item(const QMenu& menu, const QString& title) {
    for (QAction* a : menu.actions()) {
        if (a->text() == title) return a;
    }
    return nullptr;
}

class Collections : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::standard().remove("_masterSlaveDict");
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        collections = std::make_unique<ServerCollections>(link.get());
    }

    // A server that reported its content and address, in collection `id`.
    KeloObject* online(const QString& name, int id) {
        KeloObject* kelo = link->addKeloForName(name);
        kelo->setAddress(0x7F000002, 0x7F000002);
        kelo->setContentTimeStamp("2026-01-01 00:00:00");
        kelo->setCollectionID(id);
        collections->updateLastKnownCollectionID(kelo);
        return kelo;
    }

    QVariantMap entry(const QString& name) {
        return collections->masterSlaveDict().value(name).toMap();
    }

    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<ServerCollections> collections;
};

TEST(CollectionLetters, ConvertBothWays) {
    EXPECT_EQ(ServerCollections::collectionLetter(0), "a");
    EXPECT_EQ(ServerCollections::collectionLetter(25), "z");
    EXPECT_EQ(ServerCollections::collectionLetter(26), "");
    EXPECT_EQ(ServerCollections::collectionLetter(-1), "");
    const struct {
        const char* text;
        int want;
    } cases[] = {{"a", 0}, {"c", 2},   {"z", 25}, {"None", -1},
                 {"", -1}, {"ab", -1}, {"A", -1}, {"{", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(ServerCollections::collectionIDForLetter(c.text), c.want) << c.text;
}

TEST_F(Collections, StoredTableOfTheWrongTypeIsRefused) {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject("master_slave_dict", QVariantMap{{"old", 1}});
    defaults.setObject("_masterSlaveDict", QVariantList{1, 2});
    EXPECT_TRUE(collections->masterSlaveDict().isEmpty());
    EXPECT_FALSE(defaults.contains("master_slave_dict"));
    EXPECT_EQ(defaults.object("_masterSlaveDict").typeId(), QMetaType::QVariantMap) << "rewritten";

    defaults.setObject("_masterSlaveDict",
                       QVariantMap{{"Kelo A", QVariantMap{{"collectionID", "b"}}},
                                   {"Kelo B", "b"},
                                   {"Kelo C", QVariantMap{{"collectionID", 3}}},
                                   {"Kelo D", QVariantMap{{"collectionID", "None"}}}});
    ServerCollections fresh(link.get());
    EXPECT_EQ(fresh.masterSlaveDict().keys(), QStringList({"Kelo A", "Kelo C", "Kelo D"}));
    EXPECT_EQ(fresh.lastKnownCollectionForKeloName("Kelo A"), 1);
    EXPECT_EQ(fresh.lastKnownCollectionForKeloName("Kelo C"), -1);
    EXPECT_EQ(fresh.lastKnownCollectionForKeloName("Kelo D"), -1);
    EXPECT_EQ(fresh.lastKnownCollectionForKeloName("Kelo X"), -1);
}

TEST_F(Collections, OneMasterPerLetterAndAMoveEndsMastership) {
    KeloObject* a = online("Kelo A", 2);
    KeloObject* b = online("Kelo B", 2);
    EXPECT_EQ(entry("Kelo A").value("collectionID"), "c");
    collections->toggleIsMasterForKelo(a);
    EXPECT_EQ(collections->masterForCollection(2), "Kelo A");
    collections->toggleIsMasterForKelo(b);
    EXPECT_EQ(collections->masterForCollection(2), "Kelo B");
    EXPECT_FALSE(entry("Kelo A").contains("isMaster"));
    // Saved as it changes.
    EXPECT_EQ(UserDefaults::standard()
                  .object("_masterSlaveDict")
                  .toMap()
                  .value("Kelo B")
                  .toMap()
                  .value("isMaster"),
              "1");

    b->setCollectionID(3);
    collections->updateLastKnownCollectionID(b);
    EXPECT_TRUE(collections->masterForCollection(3).isNull())
        << "a moved master is master of nothing";
    EXPECT_TRUE(collections->masterForCollection(2).isNull());
    collections->toggleIsMasterForKelo(b);
    collections->toggleIsMasterForKelo(b);
    EXPECT_TRUE(collections->masterForCollection(3).isNull()) << "a second toggle ends it";
    EXPECT_TRUE(collections->masterForCollection(-1).isNull());

    // Offline: the link forgets the ID, the table keeps the letter.
    b->setAddress(0, 0);
    collections->updateLastKnownCollectionID(b);
    EXPECT_EQ(b->collectionID(), -1);
    EXPECT_EQ(collections->collectionIDForKelo(b), 3);
    EXPECT_EQ(collections->validServersForCollection(2, {a, b}), QStringList{"Kelo A"});
    EXPECT_EQ(collections->unavailableDatabasesForCollection(3, {a, b}), QStringList{"Kelo B"});

    collections->cleanupCollections({{{"name", "Kelo B"}}});
    EXPECT_EQ(collections->masterSlaveDict().keys(), QStringList{"Kelo B"});
}

TEST_F(Collections, ContextMenus) {
    statustest::ServerTarget target;
    KeloObject* a = online("Kelo A", 0);
    KeloObject* none = link->addKeloForName("Kelo N");
    statustest::fillServer(*a, 3, 0);
    target.servers = {{"Kelo A", a}, {"Kelo N", none}};
    QList<QVariantMap> list{{{"name", "Kelo A"}}, {{"name", "Kelo N"}}};
    KeloStatusView view(QRectF(0, 0, 300, 10));
    view.setTarget(&target);
    view.setDataSource(&list);
    view.createCellArray();
    view.reloadData();
    const QRectF first = view.cellAtIndex(0)->frame();
    const QRectF second = view.cellAtIndex(1)->frame();

    EXPECT_EQ(collections->menuForEvent(QPointF(5, view.height() + 50), &view), nullptr);
    QMenu* menu = collections->menuForEvent(first.center(), &view);
    ASSERT_TRUE(menu);
    EXPECT_EQ(collections->rightClickTargetKeloName(), "Kelo A");
    EXPECT_EQ(titles(*menu), (QStringList{"Syncing", "", "Remove"}));
    QMenu* sync = item(*menu, "Syncing")->menu();
    EXPECT_EQ(titles(*sync), (QStringList{"Master of a", "Collection (a)"}));
    QMenu* letters = item(*sync, "Collection (a)")->menu();
    ASSERT_EQ(letters->actions().size(), 26);
    EXPECT_TRUE(letters->actions()[0]->isChecked());
    EXPECT_TRUE(letters->actions()[5]->isEnabled());

    menu = collections->menuForEvent(second.center(), &view);
    sync = item(*menu, "Syncing")->menu();
    EXPECT_EQ(titles(*sync), (QStringList{"Master", "Collection"}));
    EXPECT_FALSE(sync->actions()[0]->isEnabled());
    EXPECT_FALSE(item(*sync, "Collection")->menu()->actions()[3]->isEnabled())
        << "offline: no letters";

    // Becoming master shows "Sync All Content".
    menu = collections->menuForEvent(first.center(), &view);
    collections->actionForMenuItem(item(*item(*menu, "Syncing")->menu(), "Master of a"), &view);
    EXPECT_EQ(collections->masterForCollection(0), "Kelo A");
    EXPECT_TRUE(collections->rightClickTargetKeloName().isEmpty());
    menu = collections->menuForEvent(first.center(), &view);
    EXPECT_EQ(titles(*menu), (QStringList{"Syncing", "Sync All Content", "", "Remove"}));

    // In a breakout column: details to add.
    view.setIsBreakout(true);
    menu = collections->menuForEvent(first.center(), &view);
    EXPECT_EQ(titles(*menu),
              (QStringList{"Add Breakout Detail:", "DMX Outputs",
                           "Mixes (Fetching... Try right-click again... Kelo App must be online!)",
                           "Layers", "", "Remove"}));
    QMenu* layers = item(*menu, "Layers")->menu();
    ASSERT_EQ(layers->actions().size(), 3);
    collections->actionForMenuItem(layers->actions()[2], &view);
    EXPECT_EQ(list.last(), (QVariantMap{{"name", "Kelo A"}, {"layer", 3}}));
}

// The real link against a simulated server: the request goes out byte for
// byte and is checked 3 s later.
class CollectionChange : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        UserDefaults::standard().remove("_masterSlaveDict");
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options;
        options.citpPort = uint16_t(41000 + 3 * line);
        options.statusPort = uint16_t(options.citpPort + 1);
        options.prefsPort = uint16_t(options.citpPort + 2);
        link = std::make_unique<KlE_Control_Status>(options);
        KeloServerSim::Network network;
        network.citpPort = options.citpPort;
        network.statusPort = options.statusPort;
        network.prefsPort = options.prefsPort;
        sim = std::make_unique<KeloServerSim>(network);
        KeloServerSim::Config config;
        config.name = "Kelo Coll";
        config.address = 0x7F030001 + (uint32_t(line) << 8);
        config.collectionID = 1;
        config.acceptsCollection = accepts();
        sim->addServer(config);
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(processUntil(
            [&] {
                kelo = link->keloObjectForName("Kelo Coll");
                return kelo && kelo->collectionID() == 1 && !kelo->contentTimeStamp().isNull();
            },
            4000));
        link->addKeloForName("Kelo Coll");
        collections = std::make_unique<ServerCollections>(link.get());
        collections->updateLastKnownCollectionID(kelo);
        target.servers = {{"Kelo Coll", kelo}};
        view.setTarget(&target);
        view.setDataSource(&list);
        view.createCellArray();
        view.reloadData();
    }
    void TearDown() override {
        collections.reset();
        sim.reset();
        link.reset();
    }
    virtual bool accepts() const { return true; }

    // Chooses a letter in the server's context menu.
    void choose(const QString& letter) {
        QMenu* menu = collections->menuForEvent(view.cellAtIndex(0)->frame().center(), &view);
        ASSERT_TRUE(menu);
        QMenu* sync = item(*menu, "Syncing")->menu();
        QMenu* letters = sync->actions().at(1)->menu();
        collections->actionForMenuItem(item(*letters, letter), &view);
    }

    std::vector<QByteArray> assignments() {
        std::vector<QByteArray> found;
        for (const auto& r : sim->received(0))
            if (r.bytes.startsWith("KlEC")) found.push_back(r.bytes);
        return found;
    }

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    KeloObject* kelo = nullptr;
    std::unique_ptr<ServerCollections> collections;
    statustest::ServerTarget target;
    QList<QVariantMap> list{{{"name", "Kelo Coll"}}};
    KeloStatusView view{QRectF(0, 0, 300, 10)};
};

class RefusedCollectionChange : public CollectionChange {
    bool accepts() const override { return false; }
};

TEST_F(CollectionChange, ServerTakesTheLetterAndNothingIsReported) {
    choose("d");
    ASSERT_TRUE(processUntil([&] { return !assignments().empty(); }, 2000));
    EXPECT_EQ(assignments().front().toHex(), (QByteArray("KlEC") + QByteArray::fromHex("0d000000") +
                                              "COLL" + QByteArray::fromHex("03"))
                                                 .toHex());
    ASSERT_TRUE(processUntil([&] { return kelo->collectionID() == 3; }, 3000));
    processUntil([] { return false; }, ServerCollections::kCheckDelayMs + 300);
    EXPECT_EQ(collections->alert(), nullptr);
    collections->updateLastKnownCollectionID(kelo);
    EXPECT_EQ(collections->lastKnownCollectionForKeloName("Kelo Coll"), 3);
}

TEST_F(RefusedCollectionChange, UnconfirmedChangeIsReportedAfterThreeSeconds) {
    choose("e");
    QElapsedTimer sinceRequest;
    sinceRequest.start();
    choose("d");  // a newer request replaces the older check
    ASSERT_TRUE(processUntil([&] { return assignments().size() == 2; }, 2000));
    ASSERT_TRUE(processUntil([&] { return collections->alert() != nullptr; },
                             ServerCollections::kCheckDelayMs + 3000));
    EXPECT_GE(sinceRequest.elapsed(), ServerCollections::kCheckDelayMs - 50) << "not before 3 s";
    QMessageBox* alert = collections->alert();
    EXPECT_EQ(alert->text(), "Set Collection Failed");
    EXPECT_EQ(
        alert->informativeText(),
        "Failed to set collection 'd' for server 'Kelo Coll'.\nPossible reasons:\n - KeloDaemon "
        "may not be running on the server.\n - incompatible software version.");
    EXPECT_EQ(kelo->collectionID(), 1);
    EXPECT_EQ(collections->lastKnownCollectionForKeloName("Kelo Coll"), 1)
        << "the table is not touched";
    alert->close();
}

}  // namespace

KELO_TEST_MAIN_GUI()
