#pragma once

class QMenu;
class QMenuBar;

// The log's Debug menu in the program's menu bar: the items OmLog lists,
// shown while OmLog wants them ("-x" was given). Main thread only.
class OmLogDebugMenu {
public:
    // Adds the "Debug" menu unless the bar has one or the log does not want
    // it; the menu added, else null.
    static QMenu* addDebugMenuIfNeeded(QMenuBar* menuBar);
};
