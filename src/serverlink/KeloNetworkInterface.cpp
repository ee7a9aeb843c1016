#include "serverlink/KeloNetworkInterface.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloNetworkInterfaceUI.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlSockets.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cerrno>

namespace {

QString applicationName() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Kelo Verozo") : name;
}

}  // namespace

KeloNetworkInterface* KeloNetworkInterface::networkInterface() {
    static KeloNetworkInterface* shared = [] {
        auto* ni = new KeloNetworkInterface;  // lives for the process
        KeloObject::setLocalAddressTest(
            [ni](uint32_t address) { return ni->isLocalAddress(address); });
        return ni;
    }();
    return shared;
}

KeloNetworkInterface::KeloNetworkInterface() : net_info_(std::make_unique<OmNetInterface>()) {}

KeloNetworkInterface::~KeloNetworkInterface() = default;

void KeloNetworkInterface::setVerbose(bool verbose) {
    verbose_ = verbose;
    if (net_info_) net_info_->setVerbose(verbose);
}

void KeloNetworkInterface::scanForInterfaces() {
    if (!net_info_) return;
    const bool hadConflict = conflict_;
    conflict_ = net_info_->scanForInterfaces();
    portCount_ = net_info_->count();
    if (conflict_ && !hadConflict && !suppressWarnings_) {
        QString text = QStringLiteral("%1: Network IP Address Conflict:").arg(applicationName());
        for (const QString& name : net_info_->conflicts())
            text += QStringLiteral(" - %1").arg(name);
        OmLogNoFlood(kOmLogWarning, "%s", qPrintable(text));
        KeloNetworkInterfaceUI::shared().showConflictNotice(text);
    }
    // Sets the match counts the next check compares against.
    net_info_->checkForInterfaceChanges();
    ++changeCount_;
    if (notifyPortChanges_ && !notificationTimer_) {
        notificationTimer_ = std::make_unique<QTimer>();
        notificationTimer_->setInterval(1000);
        QObject::connect(notificationTimer_.get(), &QTimer::timeout, [this] { portCheck(); });
        notificationTimer_->start();
    }
}

bool KeloNetworkInterface::checkForInterfaceChanges() {
    if (!net_info_ || !net_info_->checkForInterfaceChanges()) return false;
    ++changeCount_;
    conflict_ = false;
    return true;
}

void KeloNetworkInterface::portCheck() {
    if (!checkForInterfaceChanges()) return;
    kelo::puts("changed");
    NotificationCenter::defaultCenter().post(
        QString::fromLatin1(kKeloNetworkInterfacePortsHaveChangedNotification), this);
}

bool KeloNetworkInterface::isLocalAddress(uint32_t address) const {
    return net_info_ && net_info_->isLocalAddress(address);
}

bool KeloNetworkInterface::isReachable(uint32_t address) const {
    return net_info_ && net_info_->isReachableAddress(address);
}

uint32_t KeloNetworkInterface::convertLocalAddress(uint32_t address) const {
    return isLocalAddress(address) ? kLoopbackAddress : address;
}

uint32_t KeloNetworkInterface::getInterfaceAddress(const QString& name, uint32_t* mask) const {
    uint32_t address = 0;
    uint32_t m = 0;
    if (net_info_) net_info_->getInterfaceAddress(name, &address, &m);
    if (mask) *mask = m;
    return address;
}

QString KeloNetworkInterface::getPortName(int position) const {
    return net_info_ ? net_info_->getPortName(position) : QString();
}

std::optional<OmPortDescription> KeloNetworkInterface::portDescriptionForInterfaceNumber(
    int position) const {
    if (!net_info_) return std::nullopt;
    return net_info_->portDescriptionForInterfaceNumber(position);
}

std::optional<OmPortDescription> KeloNetworkInterface::portDescriptionForInterface(
    uint32_t interfaceIndex) const {
    if (!net_info_) return std::nullopt;
    return net_info_->portDescriptionForInterface(interfaceIndex);
}

bool KeloNetworkInterface::getBSDInterfaceNameForPortName(const QString& name, char* outName,
                                                          size_t maxLen) const {
    if (name.isEmpty() || !outName || maxLen == 0 || !net_info_) return false;
    const uint32_t address = getInterfaceAddress(name, nullptr);
    if (address == 0) return false;
    return net_info_->bsdInterfaceNameForIPv4(address, outName, maxLen);
}

QString KeloNetworkInterface::subnetStringForIP(uint32_t address, uint32_t mask) {
    const int a = int(address >> 24), b = int((address >> 16) & 0xFF),
              c = int((address >> 8) & 0xFF);
    switch (mask) {
        case 0xFFFFFF00u:
            return QString::asprintf("%d.%d.%d.x", a, b, c);
        case 0xFFFF0000u:
            return QString::asprintf("%d.%d.x.x", a, b);
        case 0xFF000000u:
            return QString::asprintf("%d.x.x.x", a);
        default:
            return QStringLiteral("?");
    }
}

QString KeloNetworkInterface::subnetStringForPort(const std::optional<OmPortDescription>& port) {
    if (!port) return QString();
    if (port->mask == 0xFFFFFFFFu) return QStringLiteral("255.255.255.255");
    return subnetStringForIP(port->address, port->mask);
}

int KeloNetworkInterface::multicastSocketForInterface(const QString& interfaceName, uint16_t port,
                                                      uint32_t group, uint32_t* localAddress,
                                                      bool receiveOnAll) const {
    if (!net_info_) return -1;
    return net_info_->multicastSocketForInterface(port, group, localAddress, interfaceName,
                                                  receiveOnAll);
}

int KeloNetworkInterface::addMulticastAddresses(const uint32_t* groups, int count,
                                                int socket) const {
    int rc = 0;
    if (!groups || count <= 0) return rc;
    if (net_info_) {
        for (int i = 0; i < net_info_->count(); ++i) {
            const uint32_t ifaddr = net_info_->portDescriptionForInterfaceNumber(i)->address;
            for (int g = 0; g < count; ++g) {
                rc = joinMulticastGroup(socket, groups[g], ifaddr);
                if (rc < 0) {
                    OmLogNoFlood(kOmLogWarning,
                                 "  addMulticastAddresses: setsockopt(IP_ADD_MEMBERSHIP) returned "
                                 "%d errno %d",
                                 rc, errno);
                }
            }
        }
    }
    for (int g = 0; g < count; ++g) {
        rc = joinMulticastGroup(socket, groups[g], kLoopbackAddress);
        if (rc < 0) {
            OmLogNoFlood(kOmLogWarning,
                         "  addMulticastAddress for localhost: setsockopt(IP_ADD_MEMBERSHIP) "
                         "returned %d errno %d",
                         rc, errno);
        }
    }
    return rc;
}

void KeloNetworkInterface::fillNetworkPopUp(NetworkPopUp& popUp, const QString& select,
                                            const QStringList& topItems, bool skipPresent) {
    scanForInterfaces();
    popUp = NetworkPopUp{};
    auto present = [&popUp](const QString& title) {
        return std::any_of(popUp.items.begin(), popUp.items.end(),
                           [&](const NetworkPopUpItem& i) { return i.title == title; });
    };
    int selected = -1;
    for (const QString& title : topItems) {
        // A repeated title takes no position, so the selection stays on the
        // item it names.
        if (skipPresent && present(title)) continue;
        if (!select.isEmpty() && title == select) selected = int(popUp.items.size());
        popUp.items.push_back({title, title});
    }
    if (net_info_) {
        for (const QString& name : net_info_->portNames()) {
            if (present(name)) continue;
            if (!select.isEmpty() && name == select) selected = int(popUp.items.size());
            uint32_t address = 0;
            net_info_->getInterfaceAddress(name, &address, nullptr);
            popUp.items.push_back(
                {QStringLiteral("%1: %2").arg(name, IpAddressString(address)), name});
        }
    }
    if (select.isEmpty()) return;
    if (selected < 0) {
        popUp.items.push_back({select, select, false});
        selected = int(popUp.items.size()) - 1;
    }
    popUp.selectedIndex = selected;
}

void KeloNetworkInterface::loadNetworkPopUp(NetworkPopUp& popUp, const QString& select,
                                            const QStringList& topItems) {
    fillNetworkPopUp(popUp, select, topItems, true);
}

void KeloNetworkInterface::loadNetworkPopUp(NetworkPopUp& popUp, const QString& select,
                                            const QString& topItem) {
    fillNetworkPopUp(popUp, select, QStringList{topItem}, false);
}
