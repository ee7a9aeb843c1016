#pragma once

#include "platform/InstalledInterface.h"

#include <QString>

class KeloObject;

// Explains why a server that is heard cannot be answered (subnets, cables,
// several interfaces). The Status tab knows the network interfaces; the
// composition root installs its explanation at start-up; without one there
// is none.
class KlTroubleShooter : public InstalledInterface<KlTroubleShooter> {
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
