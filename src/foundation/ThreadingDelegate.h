#pragma once

// The owner of a ThreadingSupport: an object bound to one thread that wants
// notifications posted on any thread delivered to it on that thread.
class ThreadingDelegate {
public:
    virtual ~ThreadingDelegate() = default;
};
