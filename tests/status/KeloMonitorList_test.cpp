#include "status/KeloMonitorList.h"

#include "hud/views/DTableView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloServerListPanel.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

namespace {

class MonitorList : public ::testing::Test {
protected:
    void SetUp() override {
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
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
    // Two servers announce themselves.
    uint32_t source = 0x0A000005;
    for (const char* name : {"Kelo Found 1", "Kelo Found 2"})
        sockets.inject(WireBuilders::citpPLoc(4811, "MediaServer", name, "Running"), source++);
    ASSERT_TRUE(processUntil([&] { return link->current().size() == 2; }, 2000));
    QStringList added;
    KeloServerListPanel panel(link.get(), [&](const QString& name) { added << name; });
    panel.reloadData();
    KeloServerListModel* model = panel.model();
    ASSERT_EQ(model->rowCount(), int(link->current().size()));
    const int row = int(link->current().indexOf("Kelo Found 2"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(model->data(model->index(row, 0), Qt::DisplayRole), "10.0.0.6");
    EXPECT_TRUE(
        model->data(model->index(row, 1), Qt::DisplayRole).toString().startsWith("Kelo Found 2 ("));

    EXPECT_TRUE(panel.nameOfSelectedKeloInPreferencesWindow().isNull()) << "hidden panel";
    panel.showServerList(true);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.panel()->windowTitle(), "Edit Servers");
    panel.table()->selectRow(row);
    EXPECT_EQ(panel.nameOfSelectedKeloInPreferencesWindow(), "Kelo Found 2");
    panel.addItemFromTable(row);
    panel.addItemFromTable(99);
    EXPECT_EQ(added, QStringList{"Kelo Found 2"});
    QImage image(panel.panel()->size(), QImage::Format_ARGB32_Premultiplied);
    panel.panel()->render(&image);
    ASSERT_TRUE(image.save(artefactPath("status-server-list-panel.png")));
    panel.showServerList(false);
    EXPECT_FALSE(panel.isVisible());
}

}  // namespace

KELO_TEST_MAIN_GUI()
