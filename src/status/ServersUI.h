#pragma once

#include <QString>

#include <utility>

class KeloNetworkInterface;
class KeloObject;

// The Status tab's diagnosis of how this machine reaches a server: the port
// that receives its traffic, subnet and cabling trouble put into words, and
// the server daemon's version against this application's. Main thread only.
class ServersUI {
public:
    static ServersUI* instance();

    // `ports` is the interface table to consult (not owned); null means the
    // process-wide one.
    explicit ServersUI(const KeloNetworkInterface* ports = nullptr);

    // Display name of this machine's port on which the server is heard; null
    // when unknown.
    QString externalInterfaceForKelo(const KeloObject* kelo) const;
    // Null when there is nothing to report.
    QString troubleShootStringForKelo(const KeloObject* kelo, bool shortString) const;
    // Null without a version, or with onlyIfMismatch when major and minor
    // match this application's.
    QString daemonVersionForKelo(const KeloObject* kelo, bool onlyIfMismatch) const;

    // Major and minor of a version text ("4.1.3", "v4.1"); (0, 0) with fewer
    // than two parts.
    static std::pair<int, int> majorMinorOfVersion(const QString& version);

private:
    const KeloNetworkInterface* ports() const;

    const KeloNetworkInterface* ports_;
};
