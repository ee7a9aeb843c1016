#pragma once

#include "platform/InstalledInterface.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <cstdint>

// What the Content tab's commands ask of the desktop beyond Qt: the
// operator's go-ahead to start the companion program, the message that
// tells a running companion which content item to show, and showing files
// in the desktop's file manager. The composition root installs the real
// one; the defaults refuse and log. Main thread only.
class ContentDesktopServices : public InstalledInterface<ContentDesktopServices> {
public:
    virtual ~ContentDesktopServices() = default;
    // "Launch?" / "Launch Kelo Pilot" with "Launch" and "Cancel"; true for
    // "Launch".
    virtual bool confirmLaunchPilot() { return false; }
    // "RemoteContentID" with the content identifier as an unsigned number.
    virtual void postRemoteContentID(uint32_t contentID);
    // The files and folders, selected in their folders.
    virtual void revealInFileManager(const QList<QUrl>& urls);
};
