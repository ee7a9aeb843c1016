#include "serverlink/KeloNetworkInterface.h"

#include "platform/NotificationCenter.h"
#include "serverlink/KeloNetworkInterfaceUI.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlSockets.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

constexpr uint32_t k24 = 0xFFFFFF00u;

uint32_t ip(int a, int b, int c, int d) {
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d);
}

class NetworkInterface : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::setApplicationName("Kelo Verozo");
        list = {
            {"lo", kLoopbackAddress, 0xFF000000u, 1, 0, {}},
            {"eth0", ip(10, 0, 0, 5), k24, 2, 0, {}},
            {"wlan0", ip(192, 168, 1, 20), k24, 3, 0, {}},
        };
        OmNetInterface::setInterfaceLister([this] { return list; });
        KeloNetworkInterfaceUI::install(&ui);
    }
    void TearDown() override {
        OmNetInterface::setInterfaceLister({});
        KeloNetworkInterfaceUI::install(nullptr);
    }

    // Keeps the notices the operator would see.
    struct NoticeList : KeloNetworkInterfaceUI {
        QStringList& notices;
        explicit NoticeList(QStringList& n) : notices(n) {}
        void showConflictNotice(const QString& text) override { notices.append(text); }
    };

    std::vector<OmInterfaceAddress> list;
    QStringList notices;
    NoticeList ui{notices};
    KeloNetworkInterface ni;
};

}  // namespace

TEST(SubnetStrings, ByMask) {
    const struct {
        uint32_t address, mask;
        const char* text;
    } cases[] = {
        {ip(10, 1, 2, 3), 0xFFFFFF00u, "10.1.2.x"},
        {ip(10, 1, 2, 3), 0xFFFF0000u, "10.1.x.x"},
        {ip(10, 1, 2, 3), 0xFF000000u, "10.x.x.x"},
        {ip(192, 168, 200, 17), 0xFFFFFF00u, "192.168.200.x"},
        {ip(10, 1, 2, 3), 0xFFFFFF80u, "?"},
        {ip(10, 1, 2, 3), 0xFFFFFFFFu, "?"},
        {ip(10, 1, 2, 3), 0, "?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeloNetworkInterface::subnetStringForIP(c.address, c.mask), c.text) << c.text;
    }

    EXPECT_TRUE(KeloNetworkInterface::subnetStringForPort(std::nullopt).isNull());
    OmPortDescription port;
    port.address = ip(10, 1, 2, 3);
    port.mask = 0xFFFFFFFFu;
    EXPECT_EQ(KeloNetworkInterface::subnetStringForPort(port), "255.255.255.255");
    port.mask = 0xFFFF0000u;
    EXPECT_EQ(KeloNetworkInterface::subnetStringForPort(port), "10.1.x.x");
}

TEST_F(NetworkInterface, AddressesThroughTheTable) {
    ni.scanForInterfaces();
    EXPECT_EQ(ni.portCount(), 2);
    EXPECT_EQ(ni.convertLocalAddress(ip(10, 0, 0, 5)), kLoopbackAddress);
    EXPECT_EQ(ni.convertLocalAddress(ip(10, 0, 0, 6)), ip(10, 0, 0, 6));
    EXPECT_EQ(ni.convertLocalAddress(ip(127, 0, 0, 3)), ip(127, 0, 0, 3));
    EXPECT_TRUE(ni.isLocalAddress(ip(192, 168, 1, 20)));
    EXPECT_TRUE(ni.isReachable(ip(192, 168, 1, 99)));
    EXPECT_FALSE(ni.isReachable(ip(192, 168, 2, 99)));

    uint32_t mask = 1;
    EXPECT_EQ(ni.getInterfaceAddress("Wi-Fi (wlan0)", &mask), ip(192, 168, 1, 20));
    EXPECT_EQ(mask, k24);
    EXPECT_EQ(ni.getInterfaceAddress("Local", &mask), kLoopbackAddress);
    EXPECT_EQ(mask, 0xFFFFFFFFu);
    EXPECT_EQ(ni.getInterfaceAddress("Thunderbolt", &mask), 0u);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(ni.getInterfaceAddress("Local", nullptr), kLoopbackAddress);

    EXPECT_EQ(ni.getPortName(1), "Wi-Fi (wlan0)");
    EXPECT_EQ(ni.portDescriptionForInterface(3)->name, "Wi-Fi (wlan0)");
    EXPECT_EQ(KeloNetworkInterface::subnetStringForPort(ni.portDescriptionForInterfaceNumber(0)),
              "10.0.0.x");

    char name[16];
    EXPECT_TRUE(ni.getBSDInterfaceNameForPortName("Ethernet (eth0)", name, sizeof(name)));
    EXPECT_STREQ(name, "eth0");
    EXPECT_TRUE(ni.getBSDInterfaceNameForPortName("Local", name, sizeof(name)));
    EXPECT_STREQ(name, "lo");
    EXPECT_FALSE(ni.getBSDInterfaceNameForPortName("Thunderbolt", name, sizeof(name)));
    EXPECT_FALSE(ni.getBSDInterfaceNameForPortName("Ethernet (eth0)", nullptr, 16));
    EXPECT_FALSE(ni.getBSDInterfaceNameForPortName(QString(), name, sizeof(name)));
}

TEST_F(NetworkInterface, ConflictIsShownOncePerAppearance) {
    EXPECT_EQ(ni.changeCount(), 1);
    list.push_back({"eth1", ip(10, 0, 0, 9), k24, 4, 0, {}});
    ni.scanForInterfaces();
    EXPECT_TRUE(ni.conflict());
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0],
              "Kelo Verozo: Network IP Address Conflict: - Ethernet (eth0) - Ethernet (eth1)");
    EXPECT_EQ(ni.changeCount(), 2);

    ni.scanForInterfaces();  // still there: not shown again
    EXPECT_EQ(notices.size(), 1);

    list.pop_back();
    ni.scanForInterfaces();
    EXPECT_FALSE(ni.conflict());
    list.push_back({"eth1", ip(10, 0, 0, 9), k24, 4, 0, {}});
    ni.scanForInterfaces();
    EXPECT_EQ(notices.size(), 2);

    // A detected change clears the flag, so the next scan shows it again.
    const int count = ni.changeCount();
    EXPECT_FALSE(ni.checkForInterfaceChanges());
    EXPECT_EQ(ni.changeCount(), count);
    list.back().address = ip(10, 0, 0, 10);
    EXPECT_TRUE(ni.checkForInterfaceChanges());
    EXPECT_FALSE(ni.conflict());
    EXPECT_EQ(ni.changeCount(), count + 1);
    ni.scanForInterfaces();
    EXPECT_EQ(notices.size(), 3);

    KeloNetworkInterface quiet;
    quiet.setSuppressWarnings(true);
    quiet.scanForInterfaces();
    EXPECT_TRUE(quiet.conflict());
    EXPECT_EQ(notices.size(), 3);
}

TEST_F(NetworkInterface, PortCheckPostsOnChange) {
    int posted = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kKeloNetworkInterfacePortsHaveChangedNotification, &ni,
        [&posted](const Notification&) { ++posted; });
    ni.scanForInterfaces();
    ni.portCheck();
    EXPECT_EQ(posted, 0);
    list.pop_back();
    ni.portCheck();
    EXPECT_EQ(posted, 1);
}

TEST_F(NetworkInterface, PortCheckTimerNoticesAChange) {
    ni.setNotifyPortChanges(true);
    ni.scanForInterfaces();
    QEventLoop loop;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kKeloNetworkInterfacePortsHaveChangedNotification, &ni,
        [&loop](const Notification&) { loop.quit(); });
    list.push_back({"eth1", ip(10, 1, 0, 9), k24, 4, 0, {}});
    bool timedOut = false;
    QTimer::singleShot(3000, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    EXPECT_FALSE(timedOut);
}

TEST_F(NetworkInterface, NetworkPopUp) {
    const QString eth = "Ethernet (eth0): 10.0.0.5";
    const QString wifi = "Wi-Fi (wlan0): 192.168.1.20";
    struct Case {
        const char* what;
        QStringList top;
        QString select;
        QStringList titles;
        int selected;
        bool lastEnabled;
    };
    const Case cases[] = {
        {"interface selected",
         {"Local", "Any"},
         "Ethernet (eth0)",
         {"Local", "Any", eth, wifi},
         2,
         true},
        {"top item selected", {"Local", "Any"}, "Any", {"Local", "Any", eth, wifi}, 1, true},
        {"unknown selection is appended",
         {"Local"},
         "Thunderbolt",
         {"Local", eth, wifi, "Thunderbolt"},
         3,
         false},
        {"nothing selected", {"Local"}, QString(), {"Local", eth, wifi}, -1, true},
        {"repeated top item",
         {"Local", "Local", "Any"},
         "Any",
         {"Local", "Any", eth, wifi},
         1,
         true},
        {"top item hides its interface",
         {"Wi-Fi (wlan0)"},
         "Wi-Fi (wlan0)",
         {"Wi-Fi (wlan0)", eth},
         0,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetworkPopUp popUp;
        popUp.items.push_back({"stale", "stale"});
        ni.loadNetworkPopUp(popUp, c.select, c.top);
        QStringList titles;
        for (const NetworkPopUpItem& item : popUp.items) titles.append(item.title);
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(popUp.selectedIndex, c.selected);
        EXPECT_EQ(popUp.items.back().enabled, c.lastEnabled);
    }

    NetworkPopUp popUp;
    ni.loadNetworkPopUp(popUp, "Ethernet (eth0)", QString("Local"));
    ASSERT_EQ(popUp.items.size(), 3u);
    EXPECT_EQ(popUp.items[1].title, eth);
    EXPECT_EQ(popUp.items[1].name, "Ethernet (eth0)");
    EXPECT_EQ(popUp.selectedIndex, 1);
}

TEST(SharedNetworkInterface, DecidesWhichAddressesAreLocalToServerObjects) {
    KeloNetworkInterface* shared = KeloNetworkInterface::networkInterface();
    EXPECT_EQ(shared, KeloNetworkInterface::networkInterface());
    // Other servers on this machine listen on 127.0.0.2, … and are not "local".
    KeloObject other;
    other.setAddress(ip(127, 0, 0, 2), ip(127, 0, 0, 2));
    EXPECT_EQ(other.changes().address, 1);
    KeloObject local;
    local.setAddress(kLoopbackAddress, kLoopbackAddress);
    EXPECT_EQ(local.changes().address, 2);
}

#include "support/TestMain.h"
KELO_TEST_MAIN_CORE()
