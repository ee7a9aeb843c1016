#include "serverlink/OmNetInterface.h"

#include "serverlink/KlSockets.h"

#include <gtest/gtest.h>

#include <net/if.h>

namespace {

constexpr uint32_t k24 = 0xFFFFFF00u;
constexpr uint32_t k16 = 0xFFFF0000u;

uint32_t ip(int a, int b, int c, int d) {
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d);
}

// The interface list the table sees; tests edit it between scans and checks.
class InterfaceTable : public ::testing::Test {
protected:
    void SetUp() override {
        OmNetInterface::setInterfaceLister([this] { return list; });
    }
    void TearDown() override { OmNetInterface::setInterfaceLister({}); }

    OmNetInterface& scanned() {
        table.scanForInterfaces();
        table.checkForInterfaceChanges();  // as the interface object does after each scan
        return table;
    }

    std::vector<OmInterfaceAddress> list;
    OmNetInterface table;
};

}  // namespace

TEST_F(InterfaceTable, TakesNetworkDevicesWithOperatorNames) {
    list = {
        {"lo", ip(127, 0, 0, 1), 0xFF000000u, 1, 0, {}},
        {"enp3s0", ip(10, 0, 0, 5), k24, 2, 0, {}},
        {"docker0", ip(172, 17, 0, 1), k16, 3, 0, {}},
        {"wlan0", ip(192, 168, 1, 20), k24, 4, 0, {}},
        {"veth12ab", ip(169, 254, 3, 3), k16, 5, 0, {}},
        {"br0", ip(10, 9, 0, 1), k16, 6, 0, "Studio Bridge"},
        {"eth1", ip(10, 1, 0, 7), k16, 7, 0, {}},
    };
    EXPECT_FALSE(table.scanForInterfaces());
    ASSERT_EQ(table.count(), 4);
    EXPECT_EQ(table.getPortName(0), "Ethernet (enp3s0)");
    EXPECT_EQ(table.getPortName(1), "Wi-Fi (wlan0)");
    EXPECT_EQ(table.getPortName(2), "Studio Bridge");
    EXPECT_EQ(table.getPortName(3), "Ethernet (eth1)");
    EXPECT_TRUE(table.getPortName(4).isNull());
    EXPECT_TRUE(table.getPortName(-1).isNull());
    EXPECT_EQ(table.portNames(), (QStringList{"Ethernet (enp3s0)", "Ethernet (eth1)",
                                              "Studio Bridge", "Wi-Fi (wlan0)"}));

    const QVariantMap entry = table.interfaces().at(1).toMap();
    EXPECT_EQ(entry.value("BSD_name").toString(), "wlan0");
    EXPECT_EQ(entry.value("userVisibleName").toString(), "Wi-Fi (wlan0)");
    EXPECT_EQ(entry.value("Index").toLongLong(), 4);
    EXPECT_EQ(entry.value("ip_addr").toLongLong(), qint64(ip(192, 168, 1, 20)));
    EXPECT_EQ(entry.value("ip_mask").toLongLong(), qint64(k24));
    EXPECT_EQ(table.nameIndex().value("Studio Bridge").toInt(), 2);

    const auto port = table.portDescriptionForInterface(6);
    ASSERT_TRUE(port);
    EXPECT_STREQ(port->bsdName, "br0");
    EXPECT_EQ(port->name, "Studio Bridge");
    EXPECT_EQ(port->address, ip(10, 9, 0, 1));
    EXPECT_FALSE(table.portDescriptionForInterface(1));  // loopback is not in the table
    EXPECT_EQ(table.portDescriptionForInterfaceNumber(3)->interfaceIndex, 7u);
    EXPECT_FALSE(table.portDescriptionForInterfaceNumber(4));
}

TEST_F(InterfaceTable, RepeatedNamesGetANumber) {
    list = {
        {"eth0", ip(10, 0, 0, 5), k24, 2, 0, "Studio"},
        {"eth1", ip(10, 1, 0, 5), k24, 3, 0, "Studio"},
        {"eth2", ip(10, 2, 0, 5), k24, 4, 0, "Studio"},
        {"eth3", ip(10, 3, 0, 5), k24, 5, 0, {}},
        {"eth3", ip(10, 4, 0, 5), k24, 5, 0, {}},
    };
    scanned();
    EXPECT_EQ(table.getPortName(0), "Studio");
    EXPECT_EQ(table.getPortName(1), "Studio 1");
    EXPECT_EQ(table.getPortName(2), "Studio 2");
    EXPECT_EQ(table.getPortName(3), "Ethernet (eth3)");
    EXPECT_EQ(table.getPortName(4), "Ethernet (eth3) 1");
    uint32_t address = 0, mask = 0;
    EXPECT_EQ(table.getInterfaceAddress("Studio 1", &address, &mask), 0);
    EXPECT_EQ(address, ip(10, 1, 0, 5));
    EXPECT_EQ(mask, k24);
}

TEST_F(InterfaceTable, InterfacesSharingASubnetConflict) {
    list = {
        {"eth0", ip(192, 168, 1, 10), k24, 2, 0, {}},
        {"eth1", ip(10, 0, 0, 1), k16, 3, 0, {}},
        {"eth2", ip(192, 168, 1, 77), k24, 4, 0, {}},
    };
    EXPECT_TRUE(table.scanForInterfaces());
    EXPECT_EQ(table.conflicts(), (QStringList{"Ethernet (eth0)", "Ethernet (eth2)"}));
    const auto a = table.portDescriptionForInterfaceNumber(0);
    const auto b = table.portDescriptionForInterfaceNumber(1);
    const auto c = table.portDescriptionForInterfaceNumber(2);
    EXPECT_EQ(a->flags, OmPortDescription::kAddressConflict);
    EXPECT_EQ(a->conflictPartner, 2);
    EXPECT_EQ(b->flags, 0);
    EXPECT_EQ(c->flags, OmPortDescription::kAddressConflict);
    EXPECT_EQ(c->conflictPartner, 0);

    // A rescan starts from clean flags.
    list.pop_back();
    EXPECT_FALSE(table.scanForInterfaces());
    EXPECT_TRUE(table.conflicts().isEmpty());
}

TEST_F(InterfaceTable, AddressQueries) {
    list = {
        {"eth0", ip(10, 0, 0, 5), k24, 2, 0, {}},
        {"wlan0", ip(172, 16, 4, 2), k16, 3, 0, {}},
    };
    scanned();

    uint32_t address = 1, mask = 1;
    EXPECT_EQ(table.getInterfaceAddress("Local", &address, &mask), 0);
    EXPECT_EQ(address, kLoopbackAddress);
    EXPECT_EQ(mask, 0xFFFFFFFFu);
    address = mask = 1;
    EXPECT_EQ(table.getInterfaceAddress("Ethernet (eth9)", &address, &mask), -1);
    EXPECT_EQ(address, 0u);
    EXPECT_EQ(mask, 0u);

    struct Case {
        uint32_t address;
        bool local, reachable;
        const char* outgoing;  // name of the outgoing interface, null when none
    };
    const Case cases[] = {
        {kLoopbackAddress, true, true, nullptr},
        {ip(127, 0, 0, 2), false, true, nullptr},  // another server on this machine
        {ip(10, 0, 0, 5), true, true, "Ethernet (eth0)"},
        {ip(10, 0, 0, 200), false, true, "Ethernet (eth0)"},
        {ip(10, 0, 1, 5), false, false, nullptr},
        {ip(172, 16, 250, 9), false, true, "Wi-Fi (wlan0)"},
        {ip(8, 8, 8, 8), false, false, nullptr},  // beyond every subnet, route or not
        {0, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(IpAddressString(c.address)));
        EXPECT_EQ(table.isLocalAddress(c.address), c.local);
        EXPECT_EQ(table.isReachableAddress(c.address), c.reachable);
        QString name;
        uint32_t outMask = 0;
        const uint32_t out = table.getOutgoingInterface(c.address, &outMask, &name);
        if (c.outgoing) {
            uint32_t expected = 0, expectedMask = 0;
            table.getInterfaceAddress(c.outgoing, &expected, &expectedMask);
            EXPECT_EQ(name, c.outgoing);
            EXPECT_EQ(out, expected);
            EXPECT_EQ(outMask, expectedMask);
        } else {
            EXPECT_EQ(out, 0u);
        }
    }

    const struct {
        const char* text;
        const char* name;
    } dotted[] = {
        {"10.0.0.5", "Ethernet (eth0)"}, {"172.16.4.2", "Wi-Fi (wlan0)"},
        {"10.0.0.6", nullptr},           {"10.0.0", nullptr},
        {"ten.0.0.5", nullptr},          {"", nullptr},
        {"10.0.0.261", nullptr},  // would read as 10.0.1.5 if the octet spilled over
        {"10.0.-1.5", nullptr},
    };
    for (const auto& d : dotted) {
        SCOPED_TRACE(d.text);
        const QString name = table.getPortNameForIP(d.text);
        if (d.name) {
            EXPECT_EQ(name, d.name);
        } else {
            EXPECT_TRUE(name.isNull());
        }
    }
}

TEST_F(InterfaceTable, BsdNameOfAnAddress) {
    list = {
        {"lo", kLoopbackAddress, 0xFF000000u, 1, 0, {}},
        {"enp3s0", ip(10, 0, 0, 5), k24, 2, 0, {}},
    };
    scanned();
    char name[16];
    EXPECT_TRUE(table.bsdInterfaceNameForIPv4(ip(10, 0, 0, 5), name, sizeof(name)));
    EXPECT_STREQ(name, "enp3s0");
    EXPECT_TRUE(table.bsdInterfaceNameForIPv4(kLoopbackAddress, name, sizeof(name)));
    EXPECT_STREQ(name, "lo");

    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_TRUE(table.bsdInterfaceNameForIPv4(ip(10, 0, 0, 5), small, sizeof(small)));
    EXPECT_STREQ(small, "enp");

    EXPECT_FALSE(table.bsdInterfaceNameForIPv4(0, name, sizeof(name)));
    EXPECT_FALSE(table.bsdInterfaceNameForIPv4(ip(10, 0, 0, 5), nullptr, 16));
    EXPECT_FALSE(table.bsdInterfaceNameForIPv4(ip(10, 0, 0, 5), name, 0));
    EXPECT_FALSE(table.bsdInterfaceNameForIPv4(ip(10, 0, 0, 6), name, sizeof(name)));
}

TEST_F(InterfaceTable, ChangeCheck) {
    const std::vector<OmInterfaceAddress> base = {
        {"eth0", ip(10, 0, 0, 5), k24, 2, 0, {}},
        {"wlan0", ip(192, 168, 1, 20), k24, 3, 0, {}},
    };
    struct Case {
        const char* what;
        std::function<void(std::vector<OmInterfaceAddress>&)> edit;
        bool changed;
    };
    const Case cases[] = {
        {"nothing", [](auto&) {}, false},
        {"ignored device added",
         [](auto& l) {
             l.push_back({"docker0", ip(172, 17, 0, 1), k16, 9, 0, {}});
         },
         false},
        {"address changed", [](auto& l) { l[1].address = ip(192, 168, 1, 21); }, true},
        {"mask changed", [](auto& l) { l[0].mask = k16; }, true},
        {"interface removed", [](auto& l) { l.pop_back(); }, true},
        {"interface added",
         [](auto& l) {
             l.push_back({"eth1", ip(10, 1, 0, 1), k24, 4, 0, {}});
         },
         true},
        {"second address added",
         [](auto& l) {
             l.push_back({"eth0", ip(10, 0, 7, 5), k24, 2, 0, {}});
         },
         true},
        {"everything gone", [](auto& l) { l.clear(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list = base;
        scanned();
        c.edit(list);
        EXPECT_EQ(table.checkForInterfaceChanges(), c.changed);
    }

    // With nothing scanned, any interface is a change.
    OmNetInterface empty;
    list = base;
    EXPECT_TRUE(empty.checkForInterfaceChanges());
}

TEST_F(InterfaceTable, ChangeCheckOfAnInterfaceWithTwoAddresses) {
    list = {
        {"eth0", ip(10, 0, 0, 5), k24, 2, 0, {}},
        {"eth0", ip(10, 0, 7, 5), k24, 2, 0, {}},
    };
    scanned();
    EXPECT_FALSE(table.checkForInterfaceChanges());
    EXPECT_FALSE(table.checkForInterfaceChanges());
    list[1].address = ip(10, 0, 7, 6);
    EXPECT_TRUE(table.checkForInterfaceChanges());
    scanned();
    list.pop_back();
    EXPECT_TRUE(table.checkForInterfaceChanges());
}

TEST_F(InterfaceTable, SharedInstanceIsTheLatest) {
    EXPECT_EQ(OmNetInterface::SharedInterface(), &table);
    {
        OmNetInterface other;
        EXPECT_EQ(OmNetInterface::SharedInterface(), &other);
    }
    OmNetInterface* made = OmNetInterface::SharedInterface();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->count(), 0);
}

TEST(SystemInterfaces, ListsLoopback) {
    bool loopback = false;
    for (const OmInterfaceAddress& e : OmNetInterface::systemInterfaces()) {
        if (e.address != kLoopbackAddress) continue;
        loopback = true;
        EXPECT_EQ(e.mask, 0xFF000000u);
        EXPECT_EQ(e.index, if_nametoindex(qPrintable(e.name)));
        EXPECT_TRUE(e.flags & IFF_LOOPBACK);
        EXPECT_FALSE(OmNetInterface::isTableInterfaceName(e.name));
    }
    EXPECT_TRUE(loopback);
}

#include "support/TestMain.h"
KELO_TEST_MAIN()
