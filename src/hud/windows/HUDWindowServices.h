#pragma once

#include "platform/InstalledInterface.h"

class QWidget;

// What the themed windows ask of the application above them. The
// composition root installs the application's; without one the answers are
// empty. Main thread only.
class HUDWindowServices : public InstalledInterface<HUDWindowServices> {
public:
    virtual ~HUDWindowServices() = default;
    // The application's main window, or null.
    virtual QWidget* klWindow() { return nullptr; }
};
