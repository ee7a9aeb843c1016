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

    // The installed services, or the defaults when none are.
    static StatusTabServices* instance() { return &shared(); }
};
