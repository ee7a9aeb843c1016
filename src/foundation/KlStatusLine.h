#pragma once

#include <QColor>
#include <QString>

// The main window's status line as the lower layers see it. The composition
// root installs the application's implementation once at start-up; without
// one nothing is shown. showStatusText() may be called from any thread.
class KlStatusLine {
public:
    virtual ~KlStatusLine() = default;
    // An invalid colour is the plain status colour.
    virtual void showStatusText(const QString& text, const QColor& color) {
        (void)text;
        (void)color;
    }

    // The installed status line, or a silent one.
    static KlStatusLine* shared();
    // Not owned; null removes it.
    static void install(KlStatusLine* statusLine);
};
