#include "serverlink/OmNetInterface.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "serverlink/KlSockets.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

OmNetInterface* sShared = nullptr;

OmInterfaceLister& listerSlot() {
    static OmInterfaceLister lister;
    return lister;
}

std::vector<OmInterfaceAddress> currentInterfaces() {
    if (listerSlot()) return listerSlot()();
    return OmNetInterface::systemInterfaces();
}

std::vector<OmInterfaceAddress> tableInterfaces() {
    std::vector<OmInterfaceAddress> entries = currentInterfaces();
    std::erase_if(entries, [](const OmInterfaceAddress& e) {
        return !OmNetInterface::isTableInterfaceName(e.name);
    });
    return entries;
}

struct DisplayPrefix {
    const char* prefix;
    const char* kind;
};

// Linux names of the devices an operator would pick a network by; loopback,
// tunnels and container pairs are left out.
constexpr DisplayPrefix kDisplayPrefixes[] = {
    {"en", "Ethernet"},   {"eth", "Ethernet"}, {"wl", "Wi-Fi"},  {"vlan", "VLAN"},
    {"bridge", "Bridge"}, {"br", "Bridge"},    {"bond", "Bond"},
};

const DisplayPrefix* displayPrefixFor(const QString& bsdName) {
    for (const DisplayPrefix& p : kDisplayPrefixes) {
        if (bsdName.startsWith(QLatin1String(p.prefix), Qt::CaseInsensitive)) return &p;
    }
    return nullptr;
}

QStringList sortedLocalised(QStringList names) {
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.localeAwareCompare(b) < 0; });
    return names;
}

}  // namespace

OmNetInterface::OmNetInterface() {
    sShared = this;
}

OmNetInterface::~OmNetInterface() {
    if (sShared == this) sShared = nullptr;
}

OmNetInterface* OmNetInterface::SharedInterface() {
    if (!sShared) new OmNetInterface;  // lives for the process
    return sShared;
}

void OmNetInterface::setInterfaceLister(OmInterfaceLister lister) {
    listerSlot() = std::move(lister);
}

std::vector<OmInterfaceAddress> OmNetInterface::systemInterfaces() {
    std::vector<OmInterfaceAddress> list;
    ifaddrs* addrs = nullptr;
    if (getifaddrs(&addrs) != 0) {
        OmLogNoFlood(kOmLogWarning, "getifaddrs failed, errno %d", errno);
        return list;
    }
    for (ifaddrs* a = addrs; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name) continue;
        OmInterfaceAddress e;
        e.name = QString::fromUtf8(a->ifa_name);
        e.address = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
        if (a->ifa_netmask) {
            e.mask = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr);
        }
        e.index = if_nametoindex(a->ifa_name);
        e.flags = a->ifa_flags;
        list.push_back(e);
    }
    freeifaddrs(addrs);
    return list;
}

QString OmNetInterface::displayNameForInterface(const QString& bsdName) {
    const DisplayPrefix* p = displayPrefixFor(bsdName);
    if (!p) return bsdName;
    return QStringLiteral("%1 (%2)").arg(QLatin1String(p->kind), bsdName);
}

bool OmNetInterface::isTableInterfaceName(const QString& bsdName) {
    return displayPrefixFor(bsdName) != nullptr;
}

bool OmNetInterface::scanForInterfaces() {
    const std::vector<OmInterfaceAddress> entries = tableInterfaces();

    QVariantMap nameIndex;
    QVariantList interfaces;
    for (const OmInterfaceAddress& e : entries) {
        const QString base =
            e.serviceName.isEmpty() ? displayNameForInterface(e.name) : e.serviceName;
        QString name = base;
        for (int n = 1; nameIndex.contains(name); ++n)
            name = QStringLiteral("%1 %2").arg(base).arg(n);
        nameIndex.insert(name, int(interfaces.size()));
        interfaces.append(QVariantMap{
            {"BSD_name", e.name},
            {"userVisibleName", name},
            {"Index", qint64(e.index)},
            {"ip_addr", qint64(e.address)},
            {"ip_mask", qint64(e.mask)},
        });
    }

    nameIndex_ = nameIndex;
    interfaces_ = interfaces;
    count_ = int(entries.size());
    ports_.assign(size_t(count_), OmPortDescription{});
    for (int i = 0; i < count_; ++i) {
        OmPortDescription& p = ports_[size_t(i)];
        const QByteArray bsd = entries[size_t(i)].name.toUtf8();
        std::memcpy(p.bsdName, bsd.constData(),
                    std::min<size_t>(bsd.size(), sizeof(p.bsdName) - 1));
        p.name = interfaces_[i].toMap().value("userVisibleName").toString();
        p.address = entries[size_t(i)].address;
        p.mask = entries[size_t(i)].mask;
        p.interfaceIndex = entries[size_t(i)].index;
    }

    bool anyConflict = false;
    for (int i = 0; i < count_; ++i) {
        for (int j = i + 1; j < count_; ++j) {
            OmPortDescription& a = ports_[size_t(i)];
            OmPortDescription& b = ports_[size_t(j)];
            if ((a.address & a.mask) != (b.address & b.mask)) continue;
            a.flags |= OmPortDescription::kAddressConflict;
            b.flags |= OmPortDescription::kAddressConflict;
            a.conflictPartner = uint16_t(j);
            b.conflictPartner = uint16_t(i);
            anyConflict = true;
        }
    }

    if (verbose_) {
        kelo::printf("  Found %d Network Interfaces:\n", count_);
        for (const OmPortDescription& p : ports_) {
            kelo::printf("     Addr:%s Mask:%08x Name:'%s'\n",
                         qPrintable(IpAddressString(p.address)), p.mask, qPrintable(p.name));
        }
    }
    return anyConflict;
}

bool OmNetInterface::checkForInterfaceChanges() {
    for (OmPortDescription& p : ports_) {
        p.previousMatchCount = p.currentMatchCount;
        p.currentMatchCount = 0;
    }
    bool changed = false;
    int matched = 0;
    for (const OmInterfaceAddress& e : tableInterfaces()) {
        const QByteArray bsd = e.name.toUtf8();
        OmPortDescription* first = nullptr;
        for (OmPortDescription& p : ports_) {
            if (bsd == p.bsdName) {
                first = &p;
                break;
            }
        }
        if (!first) {
            changed = true;
            break;
        }
        // The k-th address of an interface is compared with its k-th record,
        // so a changed second address is noticed as well.
        const uint32_t k = first->currentMatchCount++;
        uint32_t seen = 0;
        for (const OmPortDescription& p : ports_) {
            if (bsd != p.bsdName) continue;
            if (seen++ != k) continue;
            if (p.address != e.address || p.mask != e.mask) changed = true;
            break;
        }
        ++matched;
    }
    if (matched != count_) changed = true;
    for (const OmPortDescription& p : ports_) {
        if (p.currentMatchCount != p.previousMatchCount) changed = true;
    }
    return changed;
}

int OmNetInterface::getInterfaceAddress(const QString& name, uint32_t* address,
                                        uint32_t* mask) const {
    if (address) *address = 0;
    if (mask) *mask = 0;
    if (name == QLatin1String("Local")) {
        if (address) *address = kLoopbackAddress;
        if (mask) *mask = 0xFFFFFFFFu;
        return 0;
    }
    auto it = nameIndex_.constFind(name);
    if (it == nameIndex_.constEnd()) return -1;
    const int position = it->toInt();
    if (position < 0 || position >= interfaces_.size()) return -1;
    const QVariantMap entry = interfaces_[position].toMap();
    if (address) *address = uint32_t(entry.value("ip_addr").toLongLong());
    if (mask) *mask = uint32_t(entry.value("ip_mask").toLongLong());
    return 0;
}

QString OmNetInterface::getPortName(int position) const {
    if (position < 0 || position >= count_) return QString();
    return ports_[size_t(position)].name;
}

QStringList OmNetInterface::portNames() const {
    QStringList names;
    for (const OmPortDescription& p : ports_) names.append(p.name);
    return sortedLocalised(names);
}

QStringList OmNetInterface::conflicts() const {
    QStringList names;
    for (const OmPortDescription& p : ports_) {
        if (p.flags & OmPortDescription::kAddressConflict) names.append(p.name);
    }
    return sortedLocalised(names);
}

QString OmNetInterface::getPortNameForIP(const QString& dotted) const {
    int o[4];
    const QByteArray text = dotted.toLatin1();
    if (std::sscanf(text.constData(), "%d.%d.%d.%d", &o[0], &o[1], &o[2], &o[3]) != 4) {
        return QString();
    }
    // Octets out of range would spill into their neighbours and name a wrong port.
    if (std::any_of(o, o + 4, [](int v) { return v < 0 || v > 255; })) return QString();
    const uint32_t address =
        uint32_t(o[0]) << 24 | uint32_t(o[1]) << 16 | uint32_t(o[2]) << 8 | uint32_t(o[3]);
    for (const OmPortDescription& p : ports_) {
        if (p.address == address) return p.name;
    }
    return QString();
}

uint32_t OmNetInterface::getOutgoingInterface(uint32_t address, uint32_t* mask,
                                              QString* name) const {
    for (const OmPortDescription& p : ports_) {
        if (((p.address ^ address) & p.mask) != 0) continue;
        if (mask) *mask = p.mask;
        if (name) *name = p.name;
        return p.address;
    }
    return 0;
}

bool OmNetInterface::isLocalAddress(uint32_t address) const {
    if (address == kLoopbackAddress) return true;
    return std::any_of(ports_.begin(), ports_.end(),
                       [address](const OmPortDescription& p) { return p.address == address; });
}

bool OmNetInterface::isReachableAddress(uint32_t address) const {
    // The whole loopback net answers on this system, not just 127.0.0.1.
    if ((address >> 24) == 127) return true;
    return std::any_of(ports_.begin(), ports_.end(), [address](const OmPortDescription& p) {
        return ((p.address ^ address) & p.mask) == 0;
    });
}

std::optional<OmPortDescription> OmNetInterface::portDescriptionForInterfaceNumber(
    int position) const {
    if (position < 0 || position >= count_) return std::nullopt;
    return ports_[size_t(position)];
}

std::optional<OmPortDescription> OmNetInterface::portDescriptionForInterface(
    uint32_t interfaceIndex) const {
    for (const OmPortDescription& p : ports_) {
        if (p.interfaceIndex == interfaceIndex) return p;
    }
    return std::nullopt;
}

bool OmNetInterface::bsdInterfaceNameForIPv4(uint32_t address, char* buffer, size_t size) const {
    if (address == 0 || !buffer || size == 0) return false;
    for (const OmInterfaceAddress& e : currentInterfaces()) {
        if (e.address != address) continue;
        const QByteArray name = e.name.toUtf8();
        const size_t n = std::min<size_t>(size_t(name.size()), size - 1);
        std::memcpy(buffer, name.constData(), n);
        buffer[n] = '\0';
        return true;
    }
    return false;
}

int OmNetInterface::multicastSocketForInterface(uint16_t port, uint32_t group,
                                                uint32_t* localAddress,
                                                const QString& interfaceName,
                                                bool receiveOnAll) const {
    const bool named = !interfaceName.isEmpty();
    uint32_t local = 0;
    if (named) getInterfaceAddress(interfaceName, &local, nullptr);
    if (local == 0) local = kLoopbackAddress;
    const int s = createMulticastSocket(port, group, local, named, false);
    if (localAddress) *localAddress = local;
    if (s < 0 || !receiveOnAll) return s;
    for (const OmPortDescription& p : ports_) {
        if (named && p.name == interfaceName) continue;
        const int rc = joinMulticastGroup(s, group, p.address);
        if (rc < 0) {
            OmLogNoFlood(kOmLogWarning,
                         "  setsockopt(IP_ADD_MEMBERSHIP) for %08x returned %d errno = %d",
                         p.address, rc, errno);
        }
    }
    return s;
}
