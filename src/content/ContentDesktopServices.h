#pragma once

#include "platform/InstalledInterface.h"

#include <QString>

#include <cstdint>

// What the Content tab's commands ask of the desktop beyond Qt: the
// operator's go-ahead to start the companion program, and the message that
// tells a running companion which content item to show. The composition
// root installs the real one; the defaults refuse and log.
class ContentDesktopServices : public InstalledInterface<ContentDesktopServices> {
public:
    virtual ~ContentDesktopServices() = default;
    // "Launch?" / "Launch Kelo Pilot" with "Launch" and "Cancel"; true for
    // "Launch".
    virtual bool confirmLaunchPilot() { return false; }
    // "RemoteContentID" with the content identifier as an unsigned number.
    virtual void postRemoteContentID(uint32_t contentID);
};
