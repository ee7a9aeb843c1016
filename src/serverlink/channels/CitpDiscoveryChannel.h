#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

class KeloNetworkInterface;
class KeloServerTable;
class KlDatagramSocket;

// Discovery: the servers' CITP presence messages, multicast on the discovery
// port, make and update the server objects. The channel opens and closes the
// discovery socket; it sends nothing. Main thread only.
class CitpDiscoveryChannel {
public:
    CitpDiscoveryChannel(KlDatagramSocket& socket, KeloServerTable& servers);

    bool open();
    void close();
    bool isOpen() const;

    // One presence message (PINF/PLoc) that passed the acceptance filter.
    // `clientAddr` is 127.0.0.1 for a sender on this computer,
    // `realEthernetAddress` its own address, `ifname` where it came in.
    void receive(const char* data, size_t size, uint32_t clientAddr, uint32_t realEthernetAddress,
                 const char* ifname);

private:
    // Logs a datagram that is wrong; whether it is fine.
    bool check(bool ok, uint32_t source, size_t size, const QString& how) const;

    KlDatagramSocket& socket_;
    KeloServerTable& servers_;
    KeloNetworkInterface& net_;
};
