#pragma once

#include <QApplication>

class QEvent;
class QWidget;

// Why text editing is being ended during the current event; read by the
// text fields' focus-out handlers. Main thread only.
enum AppCancelAction : int {
    kAppCancelNone = 0,
    // A click elsewhere in the window ends the editing.
    kAppCancelClickElsewhere = 1,
    // A click is being examined, or another window's field is resigned.
    kAppCancelExamining = 3,
    // The click fell on the window's empty background.
    kAppCancelBackground = 4,
};
extern int gVAppCancelAction;

// The program's application object. A left click anywhere but in the line
// being edited ends that editing (in every window, except that a click in a
// window's own pop-up leaves its fields alone), so a typed value is taken
// without Return. An exception that escapes an event handler is written to
// standard error and, rate-limited, to the log, and the event loop goes on.
// Main thread only.
class NSApplicationEventCatcher : public QApplication {
public:
    // The first few exceptions are always logged; after that one a minute.
    static constexpr int kAlwaysLogged = 5;
    static constexpr double kQuietSeconds = 60.0;

    NSApplicationEventCatcher(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // `now` in seconds on any steady clock. True when the text was logged.
    bool reportException(const QString& text, double now);

    // A responder that keeps its editing when a click lands elsewhere in its
    // window; forgotten once something else has the focus.
    static void setExcludedResponder(QWidget* responder);
    // The focus check of a left mouse press (any other event only resets
    // the action) delivered to `receiver`; a receiver that is no widget
    // belongs to no window.
    static void checkViewFocus(QObject* receiver, const QEvent* event);
    // The focus check for any event, then the dispatch.
    bool sendEventDirectly(QObject* receiver, QEvent* event);

private:
    bool dispatch(QObject* receiver, QEvent* event);

    int sOtherExceptionCount_ = 0;
    double sOtherExceptionOccurred_ = 0;
};
