#pragma once

#include "platform/InstalledInterface.h"

#include <QString>

class KeloObject;

// What the Status tab's cells ask of the application and the Content tab,
// which sit above them. The composition root installs the real services at
// start-up; the default bodies serve tools and tests. Main thread only.
class StatusTabServices : public InstalledInterface<StatusTabServices> {
public:
    virtual ~StatusTabServices() = default;

    // The operator's name for a server: its user-defined name, else its
    // network name, without the product prefixes.
    virtual QString screenNameForKeloObject(const KeloObject* kelo);
    // The Content tab's "showTurtle" diagnostics option.
    virtual bool showTurtle() { return false; }
    // The Content tab's sync state of a server (0 none, 1 unavailable, 3 to
    // 5 syncing).
    virtual int syncStateForKelo(const KeloObject* kelo) {
        (void)kelo;
        return 0;
    }
    // The server of the Pixel Map tab's live session; null for none.
    virtual QString sessionKelo() { return QString(); }

    // The installed services, or the defaults when none are.
    static StatusTabServices* instance() { return &shared(); }
};
