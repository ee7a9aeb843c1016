#include "status/ServersUI.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/OmNetInterface.h"

#include "support/TestMain.h"

#include <QCoreApplication>

namespace {

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

}  // namespace

KELO_TEST_MAIN_CORE()
