#include "foundation/ThreadingSupport.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <deque>
#include <mutex>

struct ThreadingSupport::Shared {
    QThread* thread = nullptr;
    // Read on the owner thread only; cleared by the destructor.
    ThreadingSupport* owner = nullptr;
    std::mutex notificationLock;
    std::deque<Notification> notifications;
    // Null once the owner is being destroyed; guarded by notificationLock.
    QObject* port = nullptr;

    void process(const Notification& n);
};

void ThreadingSupport::Shared::process(const Notification& n) {
    if (QThread::currentThread() == thread) {
        if (owner) owner->processNotification(n);
        return;
    }
    std::lock_guard lock(notificationLock);
    if (!port) return;
    bool wasEmpty = notifications.empty();
    notifications.push_back(n);
    // One pending wake-up drains everything queued behind it, so only the
    // first notification of a batch needs to post one. The queued call is
    // discarded with the port if the owner goes away first.
    if (wasEmpty) {
        ThreadingSupport* target = owner;
        QMetaObject::invokeMethod(
            port, [target] { target->handleMachMessage(); }, Qt::QueuedConnection);
    }
}

ThreadingSupport::ThreadingSupport(ThreadingDelegate* delegate)
    : delegate_(delegate),
      notificationThread_(QThread::currentThread()),
      shared_(std::make_shared<Shared>()),
      notificationPort_(new QObject) {
    shared_->thread = notificationThread_;
    shared_->owner = this;
    shared_->port = notificationPort_;
}

ThreadingSupport::~ThreadingSupport() {
    tokens_.clear();
    {
        std::lock_guard lock(shared_->notificationLock);
        shared_->port = nullptr;
        shared_->owner = nullptr;
        shared_->notifications.clear();
    }
    delete notificationPort_;
}

void ThreadingSupport::setNotificationSelectorDict(const SelectorDict& dict) {
    tokens_.clear();
    notificationSelectorDict_ = dict;
    std::shared_ptr<Shared> shared = shared_;
    for (auto it = dict.cbegin(); it != dict.cend(); ++it) {
        // An empty name would observe every notification of the process.
        if (it.key().isEmpty()) continue;
        tokens_.push_back(NotificationCenter::defaultCenter().addObserver(
            it.key(), nullptr, [shared](const Notification& n) { shared->process(n); }));
    }
}

void ThreadingSupport::processNotification(const Notification& n) {
    if (QThread::currentThread() != notificationThread_) {
        shared_->process(n);
        return;
    }
    auto it = notificationSelectorDict_.constFind(n.name);
    if (it == notificationSelectorDict_.cend() || !*it || !delegate_) return;
    // A copy: the operation may replace the map or destroy this object.
    Operation op = *it;
    op(delegate_, n);
}

void ThreadingSupport::handleMachMessage() {
    // Held locally so that a delegate destroying this object mid-drain ends
    // the loop instead of touching freed memory.
    std::shared_ptr<Shared> shared = shared_;
    std::unique_lock lock(shared->notificationLock);
    while (!shared->notifications.empty() && shared->owner) {
        Notification n = std::move(shared->notifications.front());
        shared->notifications.pop_front();
        lock.unlock();
        shared->owner->processNotification(n);
        lock.lock();
    }
}
