#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <cstddef>
#include <cstdint>
#include <map>

class KeloNetworkInterface;
class KeloServerTable;
class KlDatagramSocket;

// The BFTP beacons: takes the servers' transfer-service beacons ("BFTT":
// transfer port, versions, progress, collection) and other controllers'
// content-manager beacons ("BFTM", with a conflict notice when one claims a
// collection this controller manages), and multicasts this controller's own
// manager beacon for each collection it manages. Main thread only.
class BftpBeaconChannel {
public:
    // The beacon goes to `group`:`port` through the socket, which leaves by
    // the manager role's interface.
    BftpBeaconChannel(KlDatagramSocket& socket, KeloServerTable& servers, uint32_t group,
                      uint16_t port);

    // One BFTP beacon that passed the acceptance filter; `clientAddr` is
    // 127.0.0.1 for a sender on this computer, `realEthernetAddress` its own.
    void receive(const char* data, size_t size, uint32_t clientAddr, uint32_t realEthernetAddress);

    // Sets (identity) or clears (empty identity) this controller's manager
    // role for one collection, beaconed through the named interface.
    void setManagerIdentity(const QString& identity, int collection, const QString& interface);
    // Whether there is a beacon to send: an identity and an interface.
    bool hasManagerRole() const { return masterinterface_ != 0 && !manager_ident_.isEmpty(); }
    // One beacon per managed collection; none while the interfaces changed
    // since the last notification. Opens the socket when needed.
    void sendManagerBeacons();

    QString managerIdentity() const { return managerIdentity_; }
    // Manager beacons heard, by three-digit collection key.
    const QVariantMap& visibleManagers() const { return visibleManagers_; }

private:
    void receiveTransferBeacon(const char* data, size_t size, uint32_t clientAddr);
    void receiveManagerBeacon(const char* data, size_t size, uint32_t realEthernetAddress);
    bool check(bool ok, uint32_t source, const char* what, size_t size, const QString& how) const;

    KlDatagramSocket& socket_;
    KeloServerTable& servers_;
    KeloNetworkInterface& net_;
    uint32_t group_;
    uint16_t port_;
    std::map<QString, QString> managedCollectionIDs_;
    uint32_t masterinterface_ = 0;
    QByteArray manager_ident_;
    QString managerIdentity_;
    QVariantMap visibleManagers_;
};
