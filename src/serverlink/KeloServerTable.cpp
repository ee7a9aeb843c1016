#include "serverlink/KeloServerTable.h"

#include "foundation/KeloPrintfLog.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KlSockets.h"
#include "serverlink/ServerLinkLog.h"
#include "serverlink/ServerLinkNotifications.h"

KeloServerTable::KeloServerTable(KeloNetworkInterface& net, KeloObjectLink* link, size_t maxServers)
    : net_(net), link_(link), maxServers_(maxServers) {}

KeloObject* KeloServerTable::keloObjectForName(const QString& name) const {
    const auto it = keloes_.find(name);
    return it == keloes_.end() ? nullptr : it->second.get();
}

bool KeloServerTable::isLocalAddress(uint32_t address) const {
    return address == kLoopbackAddress || net_.isLocalAddress(address);
}

KeloObject* KeloServerTable::keloObjectForAddress(uint32_t address) const {
    if (isLocalAddress(address)) return keloObjectForName(localKelo_);
    rebuildAddressIndexIfStale();
    const auto it = addresses_.find(address);
    return it == addresses_.end() ? nullptr : it->second;
}

KeloObject* KeloServerTable::keloObjectForAddress(uint32_t address, bool local) const {
    rebuildAddressIndexIfStale();
    if (!local) {
        const auto it = addresses_.find(address);
        return it == addresses_.end() ? nullptr : it->second;
    }
    // Of several local servers, the one whose "%08x" key sorts last.
    KeloObject* found = nullptr;
    uint32_t foundKey = 0;
    for (const auto& [key, kelo] : addresses_) {
        if (kelo->isLocalIP() && (!found || key > foundKey)) {
            found = kelo;
            foundKey = key;
        }
    }
    return found;
}

KeloObject* KeloServerTable::addKeloForName(const QString& name) {
    KeloObject* kelo = keloObjectForName(name);
    if (!kelo) {
        if (gServerLinkVerbose) kelo::printf("adding '%s'\n", qPrintable(name));
        auto created = std::make_unique<KeloObject>();
        created->setName(name);
        created->setLink(link_);
        kelo = created.get();
        keloes_[name] = std::move(created);
        updateAddresses();
    }
    kelo->setActive(true);
    changes_ |= kServerBits;
    return kelo;
}

KeloObject* KeloServerTable::insert(std::unique_ptr<KeloObject> kelo) {
    if (!kelo || full()) return nullptr;
    kelo->setLink(link_);
    KeloObject* added = kelo.get();
    const bool replaces = keloes_.count(added->name()) != 0;
    keloes_[added->name()] = std::move(kelo);
    const bool indexWasFresh = !addressesStale_;
    addressChanged(added);
    // Servers found among a stream of replies would otherwise each cost a
    // rebuild at the next lookup. Only an address nobody holds is filed at
    // once: for a shared one the rebuild decides, as it always has.
    const uint32_t address = added->address();
    if (!replaces && indexWasFresh && address != 0 && addresses_.emplace(address, added).second)
        addressesStale_ = false;
    return added;
}

void KeloServerTable::updateAddresses() {
    addressesStale_ = true;
    rebuildAddressIndexIfStale();
    for (const auto& [name, kelo] : keloes_) {
        if (kelo->address() != 0) kelo->setIsLocalIP(net_.isLocalAddress(kelo->address()));
    }
    changes_ |= kAddressChangedBits;
}

void KeloServerTable::addressChanged(KeloObject* kelo) {
    if (kelo->address() != 0) kelo->setIsLocalIP(net_.isLocalAddress(kelo->address()));
    addressesStale_ = true;
    changes_ |= kAddressChangedBits;
}

void KeloServerTable::rebuildAddressIndexIfStale() const {
    if (!addressesStale_) return;
    addresses_.clear();
    for (const auto& [name, kelo] : keloes_) {
        if (kelo->address() != 0) addresses_[kelo->address()] = kelo.get();
    }
    addressesStale_ = false;
}

void KeloServerTable::kelo(const QString& name, uint32_t changedAddress) {
    if (isLocalAddress(changedAddress)) {
        localKelo_ = name;
        if (gServerLinkVerbose) kelo::printf("Local Kelo is '%s'\n", qPrintable(name));
    }
    changes_ |= kAddressChangedBits;
    KeloObject* object = keloObjectForName(name);
    if (object) object->addChanges(1);
    NotificationCenter::defaultCenter().post(kKeloStatusChangeNotification, object,
                                             {{"Type", "KeloAddressChanged"}});
}

void KeloServerTable::scanForInterfaces() {
    net_.scanForInterfaces();
    changes_ |= kInterfacesBits;
    for (const auto& [name, kelo] : keloes_) {
        kelo->setIsReachable(net_.isReachable(kelo->address()));
    }
}

void KeloServerTable::refreshAllKeloStatus() {
    changes_ |= kInterfacesBits;
    for (const auto& [name, kelo] : keloes_) {
        kelo->setGeneralStatusArrived(0.0);
        kelo->setNeedsPrefUpdate(true);
        kelo->setEthIfName(QString());
        kelo->addChanges(64);
    }
}

void KeloServerTable::sendChangeNotificationsAndClear() {
    if (changes_ & kNotifyMask)
        NotificationCenter::defaultCenter().post(kKeloPatchChangedNotification, nullptr);
    changes_ = 0;
}

void KeloServerTable::addCurrent(const QString& name) {
    if (currentSet_.contains(name)) return;
    currentSet_.insert(name);
    current_.append(name);
    changes_ |= kServerBits;
}

void KeloServerTable::removeCurrent(const QString& name) {
    if (currentSet_.remove(name)) current_.removeAll(name);
    changes_ |= kServerBits;
}
