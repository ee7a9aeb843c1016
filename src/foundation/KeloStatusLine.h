#pragma once

#include "platform/InstalledInterface.h"

#include <QColor>
#include <QString>

// The main window's status line as the layers below the application see it;
// the composition root installs the application's (or, without windows, one
// that writes to the log).
class KeloStatusLine : public InstalledInterface<KeloStatusLine> {
public:
    virtual ~KeloStatusLine() = default;
    // Shows a text for a while; any thread (the line itself is drawn on the
    // main thread).
    virtual void showStatusText(const QString& text) { (void)text; }
    // The same in a colour of the caller's choice.
    virtual void showStatusText(const QString& text, const QColor& colour) {
        (void)colour;
        showStatusText(text);
    }
    // The controller tick's refresh of the line (expiry, flashing, tool-tip
    // text). Main thread only.
    virtual void updateInfoBar() {}
};
