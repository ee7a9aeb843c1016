#include "platform/NotificationCenter.h"

#include "platform/MainThread.h"

#include <algorithm>
#include <condition_variable>
#include <thread>

struct NotificationCenter::Token::Entry {
    QString name;
    const void* sender = nullptr;
    Observer fn;
    // Removal clears `alive` and then waits until no other thread is inside
    // `fn`, so that once a token is gone its observer neither runs nor is
    // about to run, and the state it captured may be destroyed. A thread
    // never waits for itself: observers may remove themselves.
    std::mutex callMutex;
    std::condition_variable callDone;
    std::vector<std::thread::id> callers;
    bool alive = true;

    void call(const Notification& n);
    void retire();
};

void NotificationCenter::Token::Entry::call(const Notification& n) {
    const auto self = std::this_thread::get_id();
    {
        std::lock_guard lock(callMutex);
        if (!alive) return;
        callers.push_back(self);
    }
    struct Leave {
        Entry* e;
        std::thread::id self;
        ~Leave() {
            std::lock_guard lock(e->callMutex);
            e->callers.erase(std::find(e->callers.begin(), e->callers.end(), self));
            e->callDone.notify_all();
        }
    } leave{this, self};
    fn(n);
}

void NotificationCenter::Token::Entry::retire() {
    const auto self = std::this_thread::get_id();
    std::unique_lock lock(callMutex);
    alive = false;
    callDone.wait(lock, [&] {
        return std::all_of(callers.begin(), callers.end(), [&](auto id) { return id == self; });
    });
}

NotificationCenter::Token& NotificationCenter::Token::operator=(Token&& other) noexcept {
    if (this != &other) {
        reset();
        centre_ = other.centre_;
        entry_ = std::move(other.entry_);
        other.centre_ = nullptr;
    }
    return *this;
}

NotificationCenter::Token::~Token() { reset(); }

void NotificationCenter::Token::reset() {
    if (centre_ && entry_) centre_->remove(entry_);
    centre_ = nullptr;
    entry_.reset();
}

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: detached threads may still post while static
    // destructors run at exit.
    static NotificationCenter* centre = new NotificationCenter;
    return *centre;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString& name, const void* sender,
                                                          Observer fn) {
    auto entry = std::make_shared<Token::Entry>();
    entry->name = name;
    entry->sender = sender;
    entry->fn = std::move(fn);
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
    return Token(this, std::move(entry));
}

void NotificationCenter::remove(const std::shared_ptr<Token::Entry>& entry) {
    {
        std::lock_guard lock(mutex_);
        entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
    }
    entry->retire();
}

void NotificationCenter::post(const QString& name, const void* sender,
                              const QVariantMap& userInfo) {
    post(Notification{name, sender, userInfo});
}

void NotificationCenter::post(const Notification& n) {
    std::vector<std::shared_ptr<Token::Entry>> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& e : entries_) {
            if ((e->name.isEmpty() || e->name == n.name) && (!e->sender || e->sender == n.sender))
                matching.push_back(e);
        }
    }
    // Called without the lock so that observers may add or remove observers.
    for (const auto& e : matching) e->call(n);
}

void NotificationCenter::postOnMainThread(const QString& name, const void* sender,
                                          const QVariantMap& userInfo) {
    Notification n{name, sender, userInfo};
    MainThread::runOnMain([this, n] { post(n); });
}

size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}
