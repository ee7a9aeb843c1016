#pragma once

#include "content/ContentDesktopServices.h"

// The Content tab's desktop: the launch question as a message box, the
// companion message as a session-bus signal, and files shown through the
// desktop's file manager interface (org.freedesktop.FileManager1), or their
// folders opened by the desktop's URL handler where no file manager answers
// there. Main thread only.
class KeloDesktopServices : public ContentDesktopServices {
public:
    bool confirmLaunchPilot() override;
    void postRemoteContentID(uint32_t contentID) override;
    void revealInFileManager(const QList<QUrl>& urls) override;

    // What the desktop's URL handler is given when the file manager does
    // not answer: each folder, or the folder that holds each file, once.
    static QList<QUrl> foldersOf(const QList<QUrl>& urls);
};
