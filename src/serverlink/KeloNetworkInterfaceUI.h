#pragma once

#include "platform/InstalledInterface.h"

#include <QString>

// What the network interfaces show the operator; the composition root
// installs it. Without it the notice is only in the log. Main thread only.
class KeloNetworkInterfaceUI : public InstalledInterface<KeloNetworkInterfaceUI> {
public:
    virtual ~KeloNetworkInterfaceUI() = default;
    // A caution that stays until the operator dismisses it: this computer's
    // address clashes with another's.
    virtual void showConflictNotice(const QString& text) { (void)text; }
};
