#pragma once

#include "serverlink/KeloObject.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>

class KeloNetworkInterface;
class KeloObjectLink;

// The link's server objects by name and by address, the names of those in
// contact, and the link's change bits. Every object it holds is handed the
// link it belongs to. Objects live as long as the table. Main thread only.
class KeloServerTable {
public:
    using KeloTable = std::map<QString, std::unique_ptr<KeloObject>>;

    // Bits of `changes`.
    static constexpr int kAddressChangedBits = 1;
    static constexpr int kRunningBits = 2;
    static constexpr int kPrefsBits = 8;
    static constexpr int kServerBits = 16;
    static constexpr int kInterfacesBits = 64;
    static constexpr int kCollectionBits = 128;
    // The bits that post "kKeloPatchChangedNotification".
    static constexpr int kNotifyMask = 0xD1;

    // Discovery of ever-new names stops making objects at `maxServers`.
    KeloServerTable(KeloNetworkInterface& net, KeloObjectLink* link, size_t maxServers);

    KeloObject* keloObjectForName(const QString& name) const;
    // 127.0.0.1 and this computer's addresses give the local server.
    KeloObject* keloObjectForAddress(uint32_t address) const;
    // `local`: the server flagged as on this computer, whatever the address.
    KeloObject* keloObjectForAddress(uint32_t address, bool local) const;
    // The server under that name, made when missing, marked active (wanted).
    KeloObject* addKeloForName(const QString& name);
    // An object discovery made and filled; null when the table is full.
    KeloObject* insert(std::unique_ptr<KeloObject> kelo);
    bool full() const { return keloes_.size() >= maxServers_; }
    size_t maxServers() const { return maxServers_; }

    void updateAddresses();
    // One server's address changed: its local flag now, the address index
    // at the next lookup. Discovery calls it for every new or moved server,
    // and rebuilding the index each time would make a thousand servers
    // coming back at once cost a million steps.
    void addressChanged(KeloObject* kelo);
    // A server's address changed: remembers the local one, posts
    // "KeloStatusChangeNotification".
    void kelo(const QString& name, uint32_t changedAddress);
    void scanForInterfaces();
    void refreshAllKeloStatus();
    // Posts "kKeloPatchChangedNotification" when a bit of kNotifyMask is set;
    // clears every bit.
    void sendChangeNotificationsAndClear();
    bool isLocalAddress(uint32_t address) const;

    const KeloTable& keloes() const { return keloes_; }
    // The servers in contact, in the order they were heard.
    const QStringList& current() const { return current_; }
    void addCurrent(const QString& name);
    void removeCurrent(const QString& name);
    int changes() const { return changes_; }
    void addChanges(int bits) { changes_ |= bits; }
    KeloNetworkInterface& networkInterface() const { return net_; }

    // Seconds of silence after which a server counts as lost.
    double plocTimeout() const { return plocTimeout_; }
    void setPlocTimeout(double seconds) { plocTimeout_ = seconds; }
    // Prints a line when a server is heard, added or lost.
    bool plocReport() const { return plocReport_; }
    void setPlocReport(bool on) { plocReport_ = on; }

private:
    KeloNetworkInterface& net_;
    KeloObjectLink* link_;
    size_t maxServers_;
    KeloTable keloes_;
    void rebuildAddressIndexIfStale() const;

    // By host-order address: a lookup cache of keloes_, rebuilt when stale.
    // Hashed, as every status reply looks its sender up.
    mutable std::unordered_map<uint32_t, KeloObject*> addresses_;
    QString localKelo_;
    QStringList current_;
    int changes_ = 0;
    double plocTimeout_ = 5.0;
    bool plocReport_ = false;
    mutable bool addressesStale_ = false;
    QSet<QString> currentSet_;  // the names of current_, for membership
};
