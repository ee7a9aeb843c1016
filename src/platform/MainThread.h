#pragma once

#include <functional>

// Hand-off of work to the Qt main thread (the thread of the
// QCoreApplication). Without an application object there is no event loop to
// hand to, and the work runs inline on the calling thread.
class MainThread {
public:
    static bool isMainThread();
    // Queued: returns at once; the work runs on a later pass of the event loop.
    static void runOnMain(std::function<void()> fn);
    // Blocking: returns after the work ran. On the main thread it runs inline.
    static void runOnMainAndWait(std::function<void()> fn);
};
