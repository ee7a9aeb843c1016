#include "platform/NotificationCenter.h"

#include "platform/MainThread.h"

#include <algorithm>
#include <atomic>

struct NotificationCenter::Token::Entry {
    QString name;
    const void* sender = nullptr;
    Observer fn;
    // Cleared on removal so that a delivery already in flight on another
    // thread skips an observer that has just gone away.
    std::atomic<bool> alive{true};
};

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
    static NotificationCenter centre;
    return centre;
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
    entry->alive = false;
    std::lock_guard lock(mutex_);
    entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
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
    for (const auto& e : matching) {
        if (e->alive) e->fn(n);
    }
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
