#pragma once

#include <QApplication>

// The program's application object: an exception that escapes an event
// handler is written to standard error and, rate-limited, to the log, and
// the event loop goes on. Main thread only.
class NSApplicationEventCatcher : public QApplication {
public:
    // The first few exceptions are always logged; after that one a minute.
    static constexpr int kAlwaysLogged = 5;
    static constexpr double kQuietSeconds = 60.0;

    NSApplicationEventCatcher(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // `now` in seconds on any steady clock. True when the text was logged.
    bool reportException(const QString& text, double now);

private:
    int sOtherExceptionCount_ = 0;
    double sOtherExceptionOccurred_ = 0;
};
