#include "serverlink/channels/BftpBeaconChannel.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmxProcess.h"
#include "platform/NotificationCenter.h"
#include "serverlink/BftpBeacon.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloServerTable.h"
#include "serverlink/KlDatagramSocket.h"
#include "serverlink/ServerLinkLog.h"
#include "serverlink/ServerLinkNotifications.h"

#include <QStringList>

#include <cerrno>
#include <cstring>

namespace {

QString collectionKey(int collection) {
    return QString::asprintf("%03d", collection);
}

// The identity as the beacon carries it: cut at a NUL and to 111 bytes.
QByteArray beaconIdentity(const QString& identity) {
    QByteArray text = identity.toUtf8();
    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    return text.left(qsizetype(BftpBeacon::kIdentityField - 1));
}

}  // namespace

BftpBeaconChannel::BftpBeaconChannel(KlDatagramSocket& socket, KeloServerTable& servers,
                                     uint32_t group, uint16_t port)
    : socket_(socket),
      servers_(servers),
      net_(servers.networkInterface()),
      group_(group),
      port_(port) {}

bool BftpBeaconChannel::check(bool ok, uint32_t source, const char* what, size_t size,
                              const QString& how) const {
    if (!ok) logRefusedDatagram("BFTP beacon", source, what, size, how);
    return ok;
}

void BftpBeaconChannel::receive(const char* data, size_t size, uint32_t clientAddr,
                                uint32_t realEthernetAddress) {
    if (size >= 36 && std::memcmp(data + 32, "BFTT", 4) == 0)
        receiveTransferBeacon(data, size, clientAddr);
    else
        receiveManagerBeacon(data, size, realEthernetAddress);
}

void BftpBeaconChannel::receiveTransferBeacon(const char* data, size_t size, uint32_t clientAddr) {
    KeloObject* kelo = servers_.keloObjectForAddress(clientAddr);
    if (!kelo) return;
    BftpTransferBeacon beacon;
    QString why;
    if (!check(BftpBeacon::readTransferBeacon(data, size, &beacon, &why), clientAddr,
               "transfer beacon", size, why))
        return;
    kelo->setBftpTcpPort(beacon.bftpTcpPort);
    kelo->setDaemonVersion(int32_t(beacon.daemonVersion));
    kelo->setKeloVersion(int32_t(beacon.keloVersion));
    uint32_t mask = 0;
    if (uint32_t(kelo->daemonVersion()) >= BftpBeacon::kProgressDaemonVersion) {
        kelo->setProgressSecs(beacon.progressSecs);
        kelo->setProgressMax(beacon.progressMax);
        mask = beacon.subnetMask;
    } else {
        kelo->setProgressSecs(0);
        kelo->setProgressMax(0);
    }
    kelo->setOtherSideSubnetMask(mask);
    if (kelo->collectionID() != beacon.collectionID) {
        kelo->setCollectionID(beacon.collectionID);
        kelo->addChanges(128);
        servers_.addChanges(KeloServerTable::kCollectionBits);
    }
    kelo->setContentTimeStamp(beacon.contentTimeStamp);
}

void BftpBeaconChannel::receiveManagerBeacon(const char* data, size_t size,
                                             uint32_t realEthernetAddress) {
    BftpManagerBeacon beacon;
    QString why;
    if (!check(BftpBeacon::readManagerBeacon(data, size, &beacon, &why), realEthernetAddress,
               "manager beacon", size, why))
        return;
    QVariantMap entry{{"collectionID", int(beacon.collectionID)},
                      {"IP_address", qint64(realEthernetAddress)},
                      {"last_seen", qint64(MachAbsoluteTime())},
                      {"master", QString::fromUtf8(beacon.identity)}};
    const QString key = collectionKey(beacon.collectionID);
    if (managedCollectionIDs_.count(key) &&
        beacon.identity.left(qsizetype(BftpBeacon::kIdentityField)) != manager_ident_) {
        entry.insert("event", "ManagerConflictError");
        NotificationCenter::defaultCenter().post(kKeloContentManagerNotification, nullptr, entry);
    }
    visibleManagers_.insert(key, entry);
}

void BftpBeaconChannel::setManagerIdentity(const QString& identity, int collection,
                                           const QString& interface) {
    const uint32_t ifaddr = net_.getInterfaceAddress(interface, nullptr);
    if (masterinterface_ != ifaddr) {
        // A socket bound to the old interface cannot move: the next beacon
        // opens one on the new interface.
        socket_.close();
        socket_.setInterface(ifaddr);
    }
    const QString key = collectionKey(collection);
    manager_ident_.clear();
    if (!identity.isEmpty())
        managedCollectionIDs_[key] = interface;
    else
        managedCollectionIDs_.erase(key);
    masterinterface_ = ifaddr;
    managerIdentity_ = identity;
    if (!identity.isEmpty()) manager_ident_ = beaconIdentity(identity);
    if (gServerLinkVerbose) {
        QStringList keys;
        for (const auto& [k, v] : managedCollectionIDs_) keys << k + " = " + v;
        kelo::printf("managership %s\n", qPrintable("{" + keys.join("; ") + "}"));
    }
}

void BftpBeaconChannel::sendManagerBeacons() {
    if (!socket_.open()) return;
    if (servers_.changes() & KeloServerTable::kInterfacesBits) return;
    for (const auto& [key, interface] : managedCollectionIDs_) {
        const QByteArray beacon = BftpBeacon::managerBeacon(uint8_t(key.toInt()), manager_ident_);
        const ssize_t r = socket_.send(beacon, group_, port_);
        if (!gServerLinkVerbose) continue;
        if (r < 0)
            kelo::printf("master beacon send error %d (%d)\n", int(r), errno);
        else
            kelo::puts("master beacon sent ok");
    }
}
