#pragma once

#include "foundation/ThreadingDelegate.h"
#include "platform/NotificationCenter.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QObject;
class QThread;

// Delivers named notifications of the default notification centre to a
// delegate on the thread that created this object, whatever thread posts
// them. A post on the owner thread is delivered at once, inside the post; a
// post on another thread is queued under a lock and the owner thread's event
// loop is woken to drain the queue in posting order. The owner thread must
// run a Qt event loop, and the object must be destroyed on that thread.
class ThreadingSupport {
public:
    // What a notification name maps to: an operation of the delegate.
    using Operation = std::function<void(ThreadingDelegate*, const Notification&)>;
    using SelectorDict = QHash<QString, Operation>;

    // Wraps a member function of the delegate's own class.
    template <class D>
    static Operation operation(void (D::*fn)(const Notification&)) {
        return [fn](ThreadingDelegate* d, const Notification& n) { (static_cast<D*>(d)->*fn)(n); };
    }

    explicit ThreadingSupport(ThreadingDelegate* delegate);
    ~ThreadingSupport();
    ThreadingSupport(const ThreadingSupport&) = delete;
    ThreadingSupport& operator=(const ThreadingSupport&) = delete;

    // Keeps the map and observes every name in it, from any sender. Call it
    // on the owner thread.
    void setNotificationSelectorDict(const SelectorDict& dict);
    void processNotification(const Notification& n);
    // Drains the queue on the owner thread.
    void handleMachMessage();

    ThreadingDelegate* delegate() const { return delegate_; }
    QThread* notificationThread() const { return notificationThread_; }

private:
    struct Shared;

    ThreadingDelegate* delegate_;
    SelectorDict notificationSelectorDict_;
    QThread* notificationThread_;
    // Queue, lock and wake-up target, shared with the observers so that a
    // post racing with destruction on another thread finds them still alive.
    std::shared_ptr<Shared> shared_;
    QObject* notificationPort_;
    std::vector<NotificationCenter::Token> tokens_;
};
