#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

// A window showing a plain text (acknowledgements, help texts) in the
// monospaced system font: 20 px per line, from 200 to 800 px high, and as
// wide as the screen allows. The window deletes itself when closed.
// Main thread only.
class CHelpText : public QWidget {
    Q_OBJECT
public:
    // Opens a new window; it stays until the operator closes it.
    static CHelpText* showHelp(const QString& text, const QString& title);
    // The frame for a text of `lines` lines on a screen's visible area.
    static QRect helpFrame(const QRect& visibleScreen, int lines);
    // A font whose characters all take the same width, whatever fonts the
    // desktop has: the system's fixed font when it is one, else the first
    // known monospaced family that is installed.
    static QFont monospacedFont(int pointSize);
    void closeWindow();
    QPlainTextEdit* textView() const { return mTextView_; }

private:
    CHelpText(const QString& text, const QString& title);

    QPlainTextEdit* mTextView_ = nullptr;
};

// Both texts as C strings (UTF-8, else Latin-1).
void CHelpTextShow(const char* text, const char* title);
