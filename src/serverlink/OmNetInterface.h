#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// One IPv4 address of one system interface, as the interface list gives it.
struct OmInterfaceAddress {
    QString name;          // Linux interface name, e.g. "eth0"
    uint32_t address = 0;  // host order
    uint32_t mask = 0;     // host order
    uint32_t index = 0;    // if_nametoindex
    unsigned flags = 0;    // IFF_* of the interface
    QString serviceName;   // configured service name; empty: derived from `name`
};

// The source of the interface list: getifaddrs by default, replaceable so that
// tests can run without the network.
using OmInterfaceLister = std::function<std::vector<OmInterfaceAddress>()>;

// One interface of the table, in list order.
struct OmPortDescription {
    static constexpr uint8_t kAddressConflict = 1;  // another interface on the same subnet

    char bsdName[16] = {};  // always NUL-terminated
    uint8_t flags = 0;
    uint16_t conflictPartner = 0;  // position of the last interface found to conflict
    QString name;                  // userVisibleName
    uint32_t address = 0;          // host order
    uint32_t mask = 0;             // host order
    uint32_t interfaceIndex = 0;
    uint32_t previousMatchCount = 0;
    uint32_t currentMatchCount = 0;
};

// The table of this computer's IPv4 network interfaces (Ethernet, Wi-Fi,
// VLAN, bridge and bond devices; loopback is handled as "Local" apart). Each
// interface gets a name an operator recognises: its service name when one is
// configured, else "Ethernet (eth0)", "Wi-Fi (wlan0)", "Bridge (br0)",
// "VLAN (vlan5)" or "Bond (bond0)"; a name used twice gets " 1", " 2", …
// appended. Main thread only.
class OmNetInterface {
public:
    OmNetInterface();
    ~OmNetInterface();
    OmNetInterface(const OmNetInterface&) = delete;
    OmNetInterface& operator=(const OmNetInterface&) = delete;

    // The instance made last (a new empty one when none exists).
    static OmNetInterface* SharedInterface();

    // Replaces the process-wide interface list; an empty function restores
    // the system's (getifaddrs).
    static void setInterfaceLister(OmInterfaceLister lister);
    static std::vector<OmInterfaceAddress> systemInterfaces();
    // The operator's name of a Linux interface ("Ethernet (eth0)").
    static QString displayNameForInterface(const QString& bsdName);
    // Whether the table takes interfaces of that name (Ethernet, Wi-Fi, …).
    static bool isTableInterfaceName(const QString& bsdName);

    bool verbose() const { return verbose_; }
    void setVerbose(bool verbose) { verbose_ = verbose; }

    // Rebuilds the table; true when any two interfaces share a subnet.
    bool scanForInterfaces();
    // Compares the system's interfaces with the table; true when they differ.
    bool checkForInterfaceChanges();

    // 0 with address and mask, or -1 (both 0). "Local" is 127.0.0.1/32.
    int getInterfaceAddress(const QString& name, uint32_t* address, uint32_t* mask) const;
    // userVisibleName at that position; a null string beyond the count.
    QString getPortName(int position) const;
    QStringList portNames() const;
    QStringList conflicts() const;
    // userVisibleName of the interface with that dotted address, else null.
    QString getPortNameForIP(const QString& dotted) const;
    // Address of the first interface whose subnet holds the address, 0 when none.
    uint32_t getOutgoingInterface(uint32_t address, uint32_t* mask, QString* name) const;
    bool isLocalAddress(uint32_t address) const;
    bool isReachableAddress(uint32_t address) const;
    std::optional<OmPortDescription> portDescriptionForInterfaceNumber(int position) const;
    std::optional<OmPortDescription> portDescriptionForInterface(uint32_t interfaceIndex) const;
    // Copies the system name of the interface holding the address (at most
    // size - 1 characters and a NUL).
    bool bsdInterfaceNameForIPv4(uint32_t address, char* buffer, size_t size) const;
    // A socket bound to the port and joined to the group on the named
    // interface (127.0.0.1 without a name or address); with receiveOnAll
    // also joined on every other interface of the table.
    int multicastSocketForInterface(uint16_t port, uint32_t group, uint32_t* localAddress,
                                    const QString& interfaceName, bool receiveOnAll) const;

    int count() const { return count_; }
    const QVariantList& interfaces() const { return interfaces_; }
    const QVariantMap& nameIndex() const { return nameIndex_; }

private:
    QVariantMap nameIndex_;
    QVariantList interfaces_;
    std::vector<OmPortDescription> ports_;
    int count_ = 0;
    bool verbose_ = false;
};
