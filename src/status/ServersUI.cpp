#include "status/ServersUI.h"

#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "status/StatusTabServices.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>

namespace {

QString ipText(uint32_t address) {
    return QString::asprintf("%u.%u.%u.%u", address >> 24, (address >> 16) & 255,
                             (address >> 8) & 255, address & 255);
}

struct Port {
    QString name;
    uint32_t address = 0;
    uint32_t mask = 0;
};

}  // namespace

ServersUI* ServersUI::instance() {
    static ServersUI shared;
    return &shared;
}

ServersUI::ServersUI(const KeloNetworkInterface* ports) : ports_(ports) {}

const KeloNetworkInterface* ServersUI::ports() const {
    return ports_ ? ports_ : KeloNetworkInterface::networkInterface();
}

QString ServersUI::externalInterfaceForKelo(const KeloObject* kelo) const {
    const KeloNetworkInterface* ports = this->ports();
    if (!kelo || kelo->address() == 0 || ports->isLocalAddress(kelo->address()) ||
        ports->portCount() == 0)
        return QString();
    const QString ifName = kelo->ethIfName();
    for (int i = 0; i < ports->portCount(); ++i) {
        const auto port = ports->portDescriptionForInterfaceNumber(i);
        if (port && QString::fromLatin1(port->bsdName) == ifName) return ports->getPortName(i);
    }
    return QString();
}

QString ServersUI::troubleShootStringForKelo(const KeloObject* kelo, bool shortString) const {
    const KeloNetworkInterface* ports = this->ports();
    if (!kelo) return QString();
    const uint32_t a = kelo->address();
    if (a == 0 || ports->isLocalAddress(a) || ports->portCount() == 0) return QString();

    const QString ifName = kelo->ethIfName();
    std::optional<Port> rx;
    std::optional<Port> best;
    int rxIndex = -1;
    int bestIndex = -1;
    for (int i = 0; i < ports->portCount(); ++i) {
        const auto port = ports->portDescriptionForInterfaceNumber(i);
        if (!port) continue;
        const Port p{ports->getPortName(i), port->address, port->mask};
        if (!ifName.isEmpty() && QString::fromLatin1(port->bsdName) == ifName) {
            rx = p;
            rxIndex = i;
        }
        if (((port->address ^ a) & port->mask) == 0 && (!best || port->mask > best->mask)) {
            best = p;
            bestIndex = i;
        }
    }
    if (!rx) return QString();

    const QString name = StatusTabServices::instance()->screenNameForKeloObject(kelo);
    const QString address = kelo->addressString();
    QString text;
    const double since = kelo->multipleInterfaces();
    if (since != 0 && KeloObject::now() - since > 4.0) {
        if (shortString) return QStringLiteral("multiple interfaces!");
        text += QStringLiteral(
            "\nReceiving Management/CITP traffic from more than 1 interface!  This can cause "
            "erratic behavior.  Check network cables.\n\n");
    }
    if (bestIndex != rxIndex) {
        if (shortString)
            text += QStringLiteral("wrong subnet %1").arg(rx->name);
        else if (best)
            text += QStringLiteral(
                        "Detected '%1' (%2) on '%3', but cannot reply because of subnet "
                        "mismatch.\nAre your cables swapped?  Your '%4' subnet, however, DOES "
                        "match (%5)")
                        .arg(name, address, rx->name, best->name, ipText(best->address));
        else
            text += QStringLiteral(
                        "Detected '%1' (%2) on %3 (%4), but cannot reply because of subnet "
                        "mismatch.")
                        .arg(name, address, rx->name, ipText(rx->address));
    } else {
        const uint32_t m = kelo->otherSideSubnetMask();
        if (((a ^ rx->address) & m) != 0) {
            if (shortString) {
                text += QStringLiteral("wrong *KELO* subnet");
            } else {
                text += QStringLiteral(
                            "Detected '%1' (%2) on %3 (%4),\nbut Kelo filters out replies.\n\n")
                            .arg(name, address, rx->name, ipText(rx->address));
                text += QStringLiteral(
                            "Check ***KELO MACHINE's System Preferences***\nKELO MACHINE subnet "
                            "'%1' must match\nthis machine's IP address '%2'.\n")
                            .arg(KeloNetworkInterface::subnetStringForIP(a, m),
                                 KeloNetworkInterface::subnetStringForIP(rx->address, m));
            }
        }
    }
    return text.isEmpty() ? QString() : text;
}

std::pair<int, int> ServersUI::majorMinorOfVersion(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 2) return {0, 0};
    QString major = parts[0];
    if (major.startsWith(QLatin1Char('v'))) major.remove(0, 1);
    return {major.toInt(), parts[1].toInt()};
}

QString ServersUI::daemonVersionForKelo(const KeloObject* kelo, bool onlyIfMismatch) const {
    static const std::pair<int, int> application =
        majorMinorOfVersion(QCoreApplication::applicationVersion());
    if (!kelo) return QString();
    const uint32_t v = uint32_t(kelo->daemonVersion());
    if (v == 0) return QString();
    const int major = int(v >> 24);
    const int minor = int((v >> 20) & 15);
    const int patch = int((v >> 16) & 15);
    const int revision = int(v & 0xFFFF);
    if (onlyIfMismatch && std::make_pair(major, minor) == application) return QString();
    if (patch == 0) return QString::asprintf("Daemon v%d.%d r%d", major, minor, revision);
    return QString::asprintf("Daemon v%d.%d.%d r%d", major, minor, patch, revision);
}
