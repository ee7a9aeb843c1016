#pragma once

#include "app/KeloCompositionRoot.h"
#include "content/ContentSyncServices.h"
#include "content/ContentUIServices.h"
#include "foundation/KlStatusLine.h"
#include "foundation/VTaskManager.h"
#include "hud/windows/HUDWindowServices.h"
#include "status/KeloRemoteOwner.h"
#include "status/StatusTabServices.h"

// The front end of a program without a main window (the headless tools, and
// the program until its window exists): status texts and alerts go to the
// log, nobody answers an alert or a sync question, there is no main window and nothing is
// selected.
class KeloHeadlessFrontEnd : public VTaskManagerUI,
                             public HUDWindowServices,
                             public KlStatusLine,
                             public ContentUIServices,
                             public ContentSyncServices,
                             public StatusTabServices,
                             public KeloRemoteOwner {
public:
    KeloFrontEnd frontEnd() { return {this, this, this, this, this, this, this}; }

    // Logged at warning level; -1, nobody to ask.
    int runAlert(const VTaskAlert& alert) override;
    // Logged at info level; any thread.
    void showStatusText(const QString& text, const QColor& color) override;
};
