#include "status/KeloMonitorList.h"

#include "hud/views/DTableView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/LinkTestSupport.h"
#include "status/KeloServerListPanel.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

namespace {

class MonitorList : public ::testing::Test {
protected:
    void SetUp() override {
        // This computer has one network port, "eth0".
        linktest::useTestInterfaces();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
    }
    void TearDown() override {
        link.reset();
        // Discovery's product queries run detached; they end before the
        // connector they call goes.
        for (int i = 0; i < 500 && keloTcpQueriesRunning() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QStringList names(const KeloMonitorList& list) {
        QStringList out;
        for (int i = 0; i < list.serversCount(); ++i) out << list.nameAtIndex(i);
        return out;
    }

    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
};

TEST_F(MonitorList, AddingAndRemovingServers) {
    KeloMonitorList list(link.get());
    EXPECT_TRUE(list.addServer("Kelo One"));
    EXPECT_TRUE(list.addServer("Kelo Two"));
    EXPECT_TRUE(list.addServer("Kelo One"));
    EXPECT_FALSE(list.addServer(""));
    EXPECT_EQ(names(list), (QStringList{"Kelo One", "Kelo Two"})) << "a name twice is listed once";
    KeloObject* made = link->keloObjectForName("Kelo Two");
    ASSERT_TRUE(made) << "the link makes a server it has not heard of";
    EXPECT_TRUE(made->active());

    EXPECT_TRUE(list.removeKeloWithName("Kelo One"));
    EXPECT_FALSE(list.removeKeloWithName("Kelo One"));
    EXPECT_EQ(names(list), QStringList{"Kelo Two"});
    EXPECT_TRUE(list.nameAtIndex(5).isNull());
    EXPECT_TRUE(list.nameAtIndex(-1).isNull());
}

TEST_F(MonitorList, StoredListIsBroughtInLineWithTheAddedServers) {
    KeloMonitorList list(link.get());
    list.setActiveKeloes({{"Kelo B", "Stage"}, {"Kelo C", "Kelo C"}});
    list.setKeloList({QVariantMap{{"name", "Kelo Gone"}}, QVariantMap{{"name", "Kelo B"}}, "junk",
                      QVariantMap{{"name", "Kelo B"}}});
    list.reloadKeloes();
    EXPECT_EQ(names(list), (QStringList{"Kelo B", "Kelo C"}));
    EXPECT_EQ(list.activeKeloes().value("Kelo B"), "Stage");
    EXPECT_EQ(list.keloListVariant().size(), 2);
}

TEST_F(MonitorList, ServerListPanelAddsTheChosenServer) {
    // Three servers announce themselves, the higher addresses first, one of
    // them over this computer's loopback, which is no network port.
    const struct {
        const char* name;
        uint32_t source;
        const char* ifname;
    } servers[] = {{"Kelo Found 3", 0x0A000007, "eth0"},
                   {"Kelo Found 2", 0x0A000006, "eth0"},
                   {"Kelo Here", 0x7F000002, "lo"}};
    for (const auto& s : servers)
        sockets.inject(WireBuilders::citpPLoc(4811, "MediaServer", s.name, "Running"), s.source,
                       s.ifname);
    ASSERT_TRUE(processUntil([&] { return link->current().size() == 3; }, 2000));
    QStringList added;
    KeloServerListPanel panel(link.get(), [&](const QString& name) { added << name; });
    panel.reloadData();
    KeloServerListModel* model = panel.model();
    // In address order, whatever order they were heard in; the port they are
    // heard on, by its name, or the interface's own where it is no port.
    const struct {
        const char* address;
        const char* name;
        const char* port;
    } rows[] = {{"10.0.0.6", "Kelo Found 2", "Ethernet (eth0)"},
                {"10.0.0.7", "Kelo Found 3", "Ethernet (eth0)"},
                {"127.0.0.2", "Kelo Here", "lo"}};
    ASSERT_EQ(model->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(model->data(model->index(row, 0), Qt::DisplayRole), rows[row].address) << row;
        EXPECT_TRUE(model->data(model->index(row, 1), Qt::DisplayRole)
                        .toString()
                        .startsWith(QString(rows[row].name) + " ("))
            << row;
        EXPECT_EQ(model->data(model->index(row, 2), Qt::DisplayRole), rows[row].port) << row;
    }
    const int row = 0;

    EXPECT_TRUE(panel.nameOfSelectedKeloInPreferencesWindow().isNull()) << "hidden panel";
    panel.showServerList(true);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.panel()->windowTitle(), "Edit Servers");
    panel.table()->selectRow(row);
    EXPECT_EQ(panel.nameOfSelectedKeloInPreferencesWindow(), "Kelo Found 2");
    panel.addItemFromTable(row);
    panel.addItemFromTable(99);
    EXPECT_EQ(added, QStringList{"Kelo Found 2"});
    // Each server on one line, and room for more than a handful of them.
    DTableView* table = panel.table();
    EXPECT_FALSE(table->wordWrap());
    EXPECT_GE(table->viewport()->height(), 6 * table->rowHeight(0));
    const QFontMetrics metrics(table->font());
    EXPECT_GE(table->columnWidth(1),
              metrics.horizontalAdvance(model->data(model->index(0, 1), Qt::DisplayRole).toString()));
    QImage image(panel.panel()->size(), QImage::Format_ARGB32_Premultiplied);
    panel.panel()->render(&image);
    ASSERT_TRUE(image.save(artefactPath("status-server-list-panel.png")));
    panel.showServerList(false);
    EXPECT_FALSE(panel.isVisible());
}

}  // namespace

KELO_TEST_MAIN_GUI()
