#pragma once

#include "content/ContentTabSyncServices.h"

// The program's answers with the Content tab taken as shown, for tests and
// benchmarks that drive the model's refresh cycle against a panel that is
// never put on screen.
struct ContentPanelSync : ContentTabSyncServices {
    bool isContentTabSelected() override { return true; }
    bool isMainWindowVisible() override { return true; }
};
