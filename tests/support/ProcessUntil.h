#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <thread>

// Runs the event loop until `pred` holds or `ms` milliseconds have passed.
// Worker threads change what `pred` reads without posting events, so the
// loop looks again every couple of milliseconds rather than only on events.
template <typename Pred>
bool processUntil(Pred pred, int ms = 2000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
