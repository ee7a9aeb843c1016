#include "status/ServersUI.h"
#include "hud/cells/HUDSegmentedCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDSegmentedControl.h"
#include "hud/views/HUDView.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/OmNetInterface.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloStatusView.h"
#include "status/statusContainer.h"
#include "support/PixelTestSupport.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include "serverlink/FakeDatagramSocket.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QResizeEvent>

namespace {

KELO_TEMP_DEFAULTS();

constexpr uint32_t ip(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return a << 24 | b << 16 | c << 8 | d;
}
constexpr uint32_t k24 = 0xFFFFFF00u;
constexpr uint32_t k16 = 0xFFFF0000u;

class Troubleshooting : public ::testing::Test {
protected:
    void SetUp() override {
        OmNetInterface::setInterfaceLister([] {
            return std::vector<OmInterfaceAddress>{
                {"eth0", ip(10, 0, 0, 5), k24, 2, 0, {}},
                {"eth1", ip(192, 168, 1, 20), k24, 3, 0, {}},
            };
        });
        ports = std::make_unique<KeloNetworkInterface>();
        ports->scanForInterfaces();
        ui = std::make_unique<ServersUI>(ports.get());
        KeloObject::setClock([this] { return clock; });
        kelo.setName("Kelo on Stage");
    }
    void TearDown() override {
        KeloObject::setClock({});
        OmNetInterface::setInterfaceLister({});
    }
    void hear(uint32_t address, const QString& ifName, uint32_t serverMask) {
        kelo.setAddress(address, address);
        kelo.updateEthIfNames(ifName);
        kelo.setOtherSideSubnetMask(serverMask);
    }

    double clock = 1000;
    std::unique_ptr<KeloNetworkInterface> ports;
    std::unique_ptr<ServersUI> ui;
    KeloObject kelo;
};

TEST_F(Troubleshooting, TrafficOnTheWrongPortNamesBothPorts) {
    hear(ip(10, 0, 0, 9), "eth1", k24);
    const QString eth1 = ports->getPortName(1);
    EXPECT_EQ(ui->externalInterfaceForKelo(&kelo), eth1);
    EXPECT_EQ(ui->troubleShootStringForKelo(&kelo, true), "wrong subnet " + eth1);
    const QString text = ui->troubleShootStringForKelo(&kelo, false);
    EXPECT_TRUE(text.startsWith("Detected 'Stage' (10.0.0.9) on '" + eth1 + "'"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("Your '" + ports->getPortName(0) +
                              "' subnet, however, DOES match (10.0.0.5)"));
}

TEST_F(Troubleshooting, NoMatchingPortAtAllNamesTheReceivingPort) {
    hear(ip(172, 16, 0, 9), "eth1", k24);
    EXPECT_EQ(ui->troubleShootStringForKelo(&kelo, false),
              "Detected 'Stage' (172.16.0.9) on " + ports->getPortName(1) +
                  " (192.168.1.20), but cannot reply because of subnet mismatch.");
}

TEST_F(Troubleshooting, ServerSubnetThatExcludesThisMachine) {
    // Same /24 as eth0, but the server's own /24 mask does not hold 10.0.0.5 ... unless it
    // is a /16 that still includes it: then there is nothing to say.
    hear(ip(10, 0, 0, 9), "eth0", k16);
    EXPECT_TRUE(ui->troubleShootStringForKelo(&kelo, true).isNull());
    hear(ip(10, 0, 0, 9), "eth0", 0xFFFFFFFCu);
    EXPECT_EQ(ui->troubleShootStringForKelo(&kelo, true), "wrong *KELO* subnet");
    const QString text = ui->troubleShootStringForKelo(&kelo, false);
    EXPECT_TRUE(text.contains("but Kelo filters out replies.")) << text.toStdString();
    EXPECT_TRUE(
        text.endsWith("KELO MACHINE subnet '?' must match\nthis machine's IP address '?'.\n"));
}

TEST_F(Troubleshooting, SeveralInterfacesWarnOnlyAfterFourSeconds) {
    hear(ip(10, 0, 0, 9), "eth1", k24);
    kelo.updateEthIfNames("eth0");
    ASSERT_NE(kelo.multipleInterfaces(), 0.0);
    clock = 1003;
    EXPECT_TRUE(ui->troubleShootStringForKelo(&kelo, true).isNull());
    clock = 1004.5;
    EXPECT_EQ(ui->troubleShootStringForKelo(&kelo, true), "multiple interfaces!");
    EXPECT_TRUE(ui->troubleShootStringForKelo(&kelo, false)
                    .startsWith("\nReceiving Management/CITP traffic from more than 1 interface!"));
}

TEST_F(Troubleshooting, MissingInputsGiveNothing) {
    EXPECT_TRUE(ui->troubleShootStringForKelo(&kelo, true).isNull());  // no address yet
    EXPECT_TRUE(ui->externalInterfaceForKelo(&kelo).isNull());
    kelo.setAddress(ip(10, 0, 0, 9), ip(10, 0, 0, 9));
    EXPECT_TRUE(ui->troubleShootStringForKelo(&kelo, false).isNull());  // heard on no port
    EXPECT_TRUE(ui->troubleShootStringForKelo(nullptr, false).isNull());
    kelo.setAddress(ip(10, 0, 0, 5), ip(10, 0, 0, 5));  // this machine itself
    kelo.updateEthIfNames("eth1");
    EXPECT_TRUE(ui->troubleShootStringForKelo(&kelo, true).isNull());

    OmNetInterface::setInterfaceLister([] { return std::vector<OmInterfaceAddress>{}; });
    KeloNetworkInterface none;
    none.scanForInterfaces();
    ServersUI noPorts(&none);
    kelo.setAddress(ip(10, 0, 0, 9), ip(10, 0, 0, 9));
    EXPECT_TRUE(noPorts.troubleShootStringForKelo(&kelo, true).isNull());
    EXPECT_TRUE(noPorts.externalInterfaceForKelo(&kelo).isNull());
}

TEST(DaemonVersion, TextAndMismatch) {
    QCoreApplication::setApplicationVersion("4.1");
    ServersUI ui;
    KeloObject kelo;
    EXPECT_TRUE(ui.daemonVersionForKelo(&kelo, false).isNull());
    kelo.setDaemonVersion(int32_t(4u << 24 | 1u << 20 | 2u << 16 | 7u));
    EXPECT_EQ(ui.daemonVersionForKelo(&kelo, false), "Daemon v4.1.2 r7");
    EXPECT_TRUE(ui.daemonVersionForKelo(&kelo, true).isNull());
    kelo.setDaemonVersion(int32_t(4u << 24 | 1u << 20 | 7u));
    EXPECT_EQ(ui.daemonVersionForKelo(&kelo, false), "Daemon v4.1 r7");
    EXPECT_TRUE(ui.daemonVersionForKelo(&kelo, true).isNull());
    kelo.setDaemonVersion(int32_t(255u << 24 | 2u << 20 | 65535u));
    EXPECT_EQ(ui.daemonVersionForKelo(&kelo, true), "Daemon v255.2 r65535");
    EXPECT_TRUE(ui.daemonVersionForKelo(nullptr, false).isNull());
}

TEST(DaemonVersion, ApplicationVersionTexts) {
    EXPECT_EQ(ServersUI::majorMinorOfVersion("v4.1.3"), std::make_pair(4, 1));
    EXPECT_EQ(ServersUI::majorMinorOfVersion("4.1"), std::make_pair(4, 1));
    EXPECT_EQ(ServersUI::majorMinorOfVersion("4"), std::make_pair(0, 0));
    EXPECT_EQ(ServersUI::majorMinorOfVersion(""), std::make_pair(0, 0));
}

// The controller over a link whose sockets go nowhere and whose servers are
// filled by hand.
class Panes : public ::testing::Test {
protected:
    void SetUp() override {
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = [this](KlSocketRole role) {
            return std::make_unique<linktest::FakeDatagramSocket>(role, &sent);
        };
        link = std::make_unique<KlE_Control_Status>(options);
        for (const char* name : {"Kelo on A", "Kelo on B"}) {
            KeloObject* kelo = link->addKeloForName(name);
            kelo->setAddress(0x7F000002, 0x7F000002);
            servers.append({{"name", QString(name)}});
        }
        ui = std::make_unique<ServersUI>(nullptr, link.get());
        tabView.addTabViewItem(statusItem);
        ui->setStatusTab(statusItem);
        layout.thumbHeight = 60;
        layout.breakoutHeight = 90.7f;
    }
    KeloStatusView* pane() const { return ui->monitorViews().at(0)->statusView; }

    std::vector<linktest::Sent> sent;
    std::unique_ptr<KlE_Control_Status> link;
    QList<QVariantMap> servers;
    std::unique_ptr<ServersUI> ui;
    TbTabView tabView;
    std::shared_ptr<TbTabViewItem> statusItem = std::make_shared<TbTabViewItem>(1, "Status");
    CurrentLayoutSettings layout;
};

TEST_F(Panes, OnlyAddressServerNetworkOrNameChangesRebuildTheCells) {
    ui->reloadMonitorPanes(&servers, layout);
    ui->reloadData(false);  // takes the first counters
    const struct {
        int mask;
        bool rebuilds;
    } cases[] = {
        {ServerChanges::kState, false},   {ServerChanges::kImage, false},
        {ServerChanges::kPrefsDict, false}, {ServerChanges::kGeneralStatusMajorChange, false},
        {ServerChanges::kAddress, true},  {ServerChanges::kServer, true},
        {ServerChanges::kNetwork, true},  {ServerChanges::kName, true},
    };
    for (const auto& c : cases) {
        const KeloRemoteCell* before = pane()->cellAtIndex(1);
        link->keloObjectForName("Kelo on B")->addChanges(c.mask);
        ui->reloadData(false);
        EXPECT_EQ(pane()->cellAtIndex(1) != before, c.rebuilds) << "mask " << c.mask;
        // Stored: the same counters do not rebuild twice.
        before = pane()->cellAtIndex(1);
        ui->reloadData(false);
        EXPECT_EQ(pane()->cellAtIndex(1), before);
    }
    // A name the link does not know: rebuilt, with a cell without a server.
    servers.append({{"name", "Kelo on Nowhere"}});
    ui->reloadData(false);
    ASSERT_EQ(pane()->cellArray().size(), 3u);
    EXPECT_EQ(pane()->cellAtIndex(2)->keloObject(), nullptr);
    EXPECT_EQ(ui->serversCount(), 3);
}

TEST_F(Panes, EmptyListHasOnePaneNoCellsAndTheNarrowestWidth) {
    QList<QVariantMap> none;
    ui->reloadMonitorPanes(&none, layout);
    ASSERT_EQ(ui->monitorViews().size(), 1u);
    EXPECT_TRUE(pane()->cellArray().empty());
    EXPECT_EQ(ui->serversCount(), 0);
    EXPECT_EQ(ui->updateServersWidth(), 281 + ServersUI::scrollerWidth());
    EXPECT_EQ(ui->monitorViews().at(0)->enclosingView->helpText(), "click Edit Servers\nto begin");
}

TEST_F(Panes, HeightChoiceFollowsTheLayoutUnlessItIsZero) {
    ui->reloadMonitorPanes(&servers, layout);
    EXPECT_EQ(ui->monitorImageHeightControl()->selectedSegment(), 1);  // 60
    layout.thumbHeight = 0;
    ui->reloadMonitorPanes(&servers, layout);
    EXPECT_EQ(ui->monitorImageHeightControl()->selectedSegment(), 1);
    EXPECT_EQ(ui->layout().thumbHeight, 0);
    layout.thumbHeight = 120;
    ui->updateMonitorSettings(layout);
    EXPECT_EQ(ui->monitorImageHeightControl()->selectedSegment(), 3);
    EXPECT_EQ(pane()->cellAtIndex(0)->thumbHeight(), 120);
}

// The strip under the server list at its narrowest: the height choices keep
// their set widths, the last one not stretched, and "Edit Servers" beside
// them rather than over them.
TEST_F(Panes, HeightChoicesAndEditServersShareTheNarrowestStrip) {
    ui->reloadMonitorPanes(&servers, layout);
    QWidget* container = ui->getContainerView();
    container->resize(281, 400);
    // Hidden, the container hears of its size only when told.
    QResizeEvent resized(container->size(), QSize());
    QApplication::sendEvent(container, &resized);
    HUDSegmentedControl* heights = ui->monitorImageHeightControl();
    HUDButton* edit = ui->editServersButton();
    ASSERT_EQ(heights->parentWidget(), edit->parentWidget());
    EXPECT_EQ(heights->width(), heights->sizeHint().width());
    const QRectF face(heights->rect());
    for (int i = 0; i < heights->cell()->segmentCount(); ++i)
        EXPECT_EQ(heights->cell()->rectForSegment(i, face).width(), 34) << i;
    EXPECT_LE(heights->cell()->rectForSegment(3, face).right(), face.right());
    EXPECT_FALSE(heights->geometry().intersects(edit->geometry()))
        << heights->geometry().right() << " against " << edit->geometry().left();
    EXPECT_LE(edit->geometry().right(), container->width());

    QImage strip(container->width(), 30, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::black);
    heights->parentWidget()->render(&strip, QPoint(), QRegion(0, container->height() - 30,
                                                              container->width(), 30));
    ASSERT_TRUE(strip.save(artefactPath("status-height-choices-and-edit-servers.png")));
}

TEST_F(Panes, CellKindsFollowTheDescription) {
    ui->reloadMonitorPanes(&servers, layout);
    KeloObject* a = link->keloObjectForName("Kelo on A");
    auto monitor = ui->createCellForDescription({{"name", "Kelo on A"}}, false, nullptr);
    ASSERT_TRUE(dynamic_cast<KeloMonitorCell*>(monitor.get()));
    EXPECT_EQ(monitor->thumbHeight(), 60);
    EXPECT_EQ(monitor->keloObject(), a);

    const struct {
        QVariantMap description;
        int layer, mix, master;
        const char* subName;
    } cases[] = {
        {{{"name", "Kelo on A"}, {"layer", 3}}, 3, 0, 0, ""},
        {{{"name", "Kelo on A"}, {"mix", 2}}, 0, 2, 0, "Mix 2"},
        {{{"name", "Kelo on A"}, {"DMX_Master", 4}}, 0, 0, 4, ""},
        {{{"name", "Kelo on A"}, {"layer", 0}, {"mix", 1}}, 0, 1, 0, "Mix 1"},
    };
    for (const auto& c : cases) {
        auto cell = ui->createCellForDescription(c.description, true, nullptr);
        ASSERT_TRUE(dynamic_cast<KeloLayerBreakoutCell*>(cell.get()));
        EXPECT_EQ(cell->layerNumber(), c.layer);
        EXPECT_EQ(cell->mixNumber(), c.mix);
        EXPECT_EQ(cell->DMX_MasterNumber(), c.master);
        EXPECT_EQ(cell->subName(), c.subName);
        EXPECT_EQ(cell->thumbHeight(), 90);
        EXPECT_EQ(cell->cellWidth(),
                  KeloRemoteCell::widthForThumbHeight(90, cell->thumbAspect()));
    }
    auto whole = ui->createCellForDescription({{"name", "Kelo on B"}}, true, nullptr);
    EXPECT_TRUE(dynamic_cast<KeloBreakoutCell*>(whole.get()));
    auto missing = ui->createCellForDescription({{"name", "Kelo on Nowhere"}}, true, nullptr);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->keloObject(), nullptr);
}

}  // namespace

KELO_TEST_MAIN_GUI()
