#pragma once

#include "platform/InstalledInterface.h"

#include <QString>

// Display names of the servers' DMX profiles, which belong to the settings
// subsystem above the server link; the composition root installs its table.
// Main thread only.
class KeloProfileNameProvider : public InstalledInterface<KeloProfileNameProvider> {
public:
    virtual ~KeloProfileNameProvider() = default;
    virtual QString profileName(int profile) {
        (void)profile;
        return QStringLiteral("Unknown");
    }
};
