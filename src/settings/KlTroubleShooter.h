#pragma once

#include <QString>

class KeloObject;

// Explains why a server that is heard cannot be answered (subnets, cables,
// several interfaces). The Status tab knows the network interfaces and
// installs its own at start-up; without one there is no explanation.
class KlTroubleShooter {
public:
    virtual ~KlTroubleShooter() = default;
    // The short form fits a menu item; the long one a status text. Empty:
    // nothing to explain.
    virtual QString troubleShootStrForKelo(KeloObject* kelo, bool shortString) {
        (void)kelo;
        (void)shortString;
        return {};
    }
};
