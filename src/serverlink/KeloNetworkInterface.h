#pragma once

#include "serverlink/OmNetInterface.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

// Posted (object: the KeloNetworkInterface) when the port check finds that
// the interfaces changed.
inline constexpr const char* kKeloNetworkInterfacePortsHaveChangedNotification =
    "KeloNetworkInterfacePortsHaveChangedNotification";

// Model of the network pop-up: what a menu of interfaces shows.
struct NetworkPopUpItem {
    QString title;  // "Ethernet (eth0): 10.0.0.5", or a top item as given
    QString name;   // the interface name or top item behind the title
    bool enabled = true;
};

struct NetworkPopUp {
    std::vector<NetworkPopUpItem> items;
    int selectedIndex = -1;
};

// This computer's network interfaces as the server link sees them: owns the
// interface table, rescans it, reports address conflicts, answers whether an
// address is local or reachable and makes the multicast sockets. Main thread
// only.
class KeloNetworkInterface {
public:
    // The shared instance, made on first use; it also becomes the server
    // model's test of local addresses.
    static KeloNetworkInterface* networkInterface();

    // A separate instance (tests); the shared one is networkInterface().
    KeloNetworkInterface();
    ~KeloNetworkInterface();
    KeloNetworkInterface(const KeloNetworkInterface&) = delete;
    KeloNetworkInterface& operator=(const KeloNetworkInterface&) = delete;

    bool verbose() const { return verbose_; }
    void setVerbose(bool verbose);
    bool suppressWarnings() const { return suppressWarnings_; }
    void setSuppressWarnings(bool suppress) { suppressWarnings_ = suppress; }
    bool notifyPortChanges() const { return notifyPortChanges_; }
    void setNotifyPortChanges(bool notify) { notifyPortChanges_ = notify; }
    bool conflict() const { return conflict_; }
    int portCount() const { return portCount_; }
    int changeCount() const { return changeCount_; }
    OmNetInterface* table() const { return net_info_.get(); }

    void scanForInterfaces();
    bool checkForInterfaceChanges();
    // The 1 s timer's check: posts the ports-changed notification on a change.
    void portCheck();

    bool isLocalAddress(uint32_t address) const;
    bool isReachable(uint32_t address) const;
    // 127.0.0.1 for an address of this computer, else the address.
    uint32_t convertLocalAddress(uint32_t address) const;
    // The interface's address (0 when unknown); the mask through `mask`.
    uint32_t getInterfaceAddress(const QString& name, uint32_t* mask) const;
    QString getPortName(int position) const;
    std::optional<OmPortDescription> portDescriptionForInterfaceNumber(int position) const;
    std::optional<OmPortDescription> portDescriptionForInterface(uint32_t interfaceIndex) const;
    bool getBSDInterfaceNameForPortName(const QString& name, char* outName, size_t maxLen) const;

    // "10.1.2.x", "10.1.x.x", "10.x.x.x" for /24, /16, /8 masks, else "?".
    static QString subnetStringForIP(uint32_t address, uint32_t mask);
    // Null without a record; "255.255.255.255" for a host mask.
    static QString subnetStringForPort(const std::optional<OmPortDescription>& port);

    int multicastSocketForInterface(const QString& interfaceName, uint16_t port, uint32_t group,
                                    uint32_t* localAddress, bool receiveOnAll) const;
    // Joins every group on every interface and on 127.0.0.1; the last result.
    int addMulticastAddresses(const uint32_t* groups, int count, int socket) const;

    // Refills the pop-up: top items, then one item per interface; selects
    // `select`, appending it disabled when nothing has that title. A single
    // top title is added even when present already.
    void loadNetworkPopUp(NetworkPopUp& popUp, const QString& select, const QStringList& topItems);
    void loadNetworkPopUp(NetworkPopUp& popUp, const QString& select, const QString& topItem);

private:
    void fillNetworkPopUp(NetworkPopUp& popUp, const QString& select, const QStringList& topItems,
                          bool skipPresent);

    bool verbose_ = false;
    bool notifyPortChanges_ = false;
    bool conflict_ = false;
    bool suppressWarnings_ = false;
    int portCount_ = 0;
    std::unique_ptr<QTimer> notificationTimer_;
    int changeCount_ = 1;
    std::unique_ptr<OmNetInterface> net_info_;
};
