#include "serverlink/channels/CitpDiscoveryChannel.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "serverlink/CitpMessage.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloServerTable.h"
#include "serverlink/KlDatagramSocket.h"
#include "serverlink/ServerLinkLog.h"

CitpDiscoveryChannel::CitpDiscoveryChannel(KlDatagramSocket& socket, KeloServerTable& servers)
    : socket_(socket), servers_(servers), net_(servers.networkInterface()) {}

bool CitpDiscoveryChannel::open() {
    return socket_.open();
}

void CitpDiscoveryChannel::close() {
    socket_.close();
}

bool CitpDiscoveryChannel::isOpen() const {
    return socket_.isOpen();
}

bool CitpDiscoveryChannel::check(bool ok, uint32_t source, size_t size, const QString& how) const {
    if (!ok) logRefusedDatagram("discovery", source, "presence message", size, how);
    return ok;
}

void CitpDiscoveryChannel::receive(const char* data, size_t size, uint32_t clientAddr,
                                   uint32_t realEthernetAddress, const char* ifname) {
    CitpPresence presence;
    QString why;
    if (!check(CitpMessage::readPLoc(data, size, &presence, &why), realEthernetAddress, size, why))
        return;
    const QString& name = presence.name;
    const double now = KeloObject::now();
    KeloObject* kelo = servers_.keloObjectForName(name);
    if (kelo) {
        kelo->setName(name);
        int flags = 0;
        if (kelo->address() != clientAddr) {
            kelo->setAddress(clientAddr, realEthernetAddress);
            flags = 1;
            kelo->setNeedsProductUpdate(true);
            servers_.addressChanged(kelo);
            servers_.kelo(name, clientAddr);
        }
        if (!kelo->isReachable()) {
            kelo->setIsReachable(net_.isReachable(clientAddr));
            if (kelo->isReachable()) {
                kelo->setAddress(clientAddr, realEthernetAddress);
                kelo->setIsReachable(net_.isReachable(clientAddr));
                kelo->setNeedsProductUpdate(true);
                flags = 1;
                servers_.addressChanged(kelo);
                servers_.kelo(name, clientAddr);
            }
        }
        if (presence.running != kelo->isRunning()) {
            kelo->setIsRunning(presence.running);
            flags |= 2;
            servers_.addChanges(KeloServerTable::kRunningBits);
            kelo->setNeedsProductUpdate(true);
        }
        if (kelo->tcpPort() != presence.tcpPort) {
            kelo->setTcpPort(presence.tcpPort);
            flags |= 1;
            servers_.addChanges(KeloServerTable::kAddressChangedBits);
            kelo->setNeedsProductUpdate(true);
        }
        kelo->addChanges(flags);
        if (servers_.plocReport()) {
            kelo::printf("### PLoc from %u.%u.%u.%u (%0.1fs) '%s'\n", clientAddr >> 24,
                         (clientAddr >> 16) & 255, (clientAddr >> 8) & 255, clientAddr & 255,
                         now - kelo->lastPLoc(), qPrintable(name));
        }
    } else {
        if (servers_.full()) {
            OmLogNoFlood(kOmLogWarning, "server limit of %zu reached: new servers ignored\n",
                         servers_.maxServers());
            return;
        }
        auto created = std::make_unique<KeloObject>();
        created->setName(name);
        created->setIsRunning(presence.running);
        created->setAddress(clientAddr, realEthernetAddress);
        created->setIsReachable(net_.isReachable(clientAddr));
        created->setTcpPort(presence.tcpPort);
        created->setNeedsProductUpdate(true);
        // Announced before the object is in the table, as a new server has
        // no address to change from.
        servers_.kelo(name, clientAddr);
        kelo = servers_.insert(std::move(created));
        servers_.addChanges(KeloServerTable::kServerBits);
        if (servers_.plocReport()) {
            const uint32_t a = kelo->address();
            kelo::printf("### Added new %u.%u.%u.%u: '%s'\n", a >> 24, (a >> 16) & 255,
                         (a >> 8) & 255, a & 255, qPrintable(name));
        }
    }
    kelo->setLastPLoc(now);
    kelo->setLastPLocValid(true);
    servers_.addCurrent(name);
    kelo->doProductUpdate();
    servers_.addChanges(kelo->updateEthIfNames(QString::fromUtf8(ifname ? ifname : "")));
}
