#pragma once

#include "platform/InstalledInterface.h"

#include <QColor>
#include <QString>

// The main window's status line as the lower layers see it. The composition
// root installs the application's implementation (or, without windows, one
// that writes to the log) once at start-up; without one nothing is shown.
class KlStatusLine : public InstalledInterface<KlStatusLine> {
public:
    virtual ~KlStatusLine() = default;
    // An invalid colour is the plain status colour. Any thread.
    virtual void showStatusText(const QString& text, const QColor& color) {
        (void)text;
        (void)color;
    }
    // The controller tick's refresh of the line (expiry, flashing, tool-tip
    // text). Main thread only.
    virtual void updateInfoBar() {}
};
