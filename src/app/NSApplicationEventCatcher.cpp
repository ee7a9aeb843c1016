#include "app/NSApplicationEventCatcher.h"

#include "foundation/OmLog.h"

#include <chrono>
#include <cstdio>
#include <exception>

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

NSApplicationEventCatcher::NSApplicationEventCatcher(int& argc, char** argv)
    : QApplication(argc, argv) {}

bool NSApplicationEventCatcher::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportException(QString::fromLocal8Bit(e.what()), steadySeconds());
    } catch (...) {
        reportException("unknown exception", steadySeconds());
    }
    return false;
}

bool NSApplicationEventCatcher::reportException(const QString& text, double now) {
    std::fprintf(stderr, "exception: %s\n", qPrintable(text));
    const int before = sOtherExceptionCount_++;
    if (before >= kAlwaysLogged && now - sOtherExceptionOccurred_ < kQuietSeconds) return false;
    sOtherExceptionOccurred_ = now;
    OmLogNoFlood(kOmLogError, "exception: %s\n", qPrintable(text));
    return true;
}
