#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// A named notification with a dictionary payload. `sender` identifies the
// posting object only; it is never dereferenced by the centre.
struct Notification {
    QString name;
    const void* sender = nullptr;
    QVariantMap userInfo;
};

// Process-wide notification centre. `post` delivers synchronously on the
// posting thread, in the order observers were added; `postOnMainThread`
// queues the delivery onto the Qt main thread. Observers stay registered
// for as long as the returned token lives; ending a token waits for a
// delivery to that observer running on another thread, so an observer must
// not block on the thread that ends its token.
class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;

    class Token {
    public:
        Token() = default;
        Token(Token&&) noexcept = default;
        Token& operator=(Token&& other) noexcept;
        Token(const Token&) = delete;
        Token& operator=(const Token&) = delete;
        ~Token();
        void reset();
        explicit operator bool() const { return entry_ != nullptr; }

    private:
        friend class NotificationCenter;
        struct Entry;
        Token(NotificationCenter* centre, std::shared_ptr<Entry> entry)
            : centre_(centre), entry_(std::move(entry)) {}
        NotificationCenter* centre_ = nullptr;
        std::shared_ptr<Entry> entry_;
    };

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    // An empty name observes every notification; a null sender any sender.
    [[nodiscard]] Token addObserver(const QString& name, const void* sender, Observer fn);

    void post(const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});
    void post(const Notification& n);
    void postOnMainThread(const QString& name, const void* sender = nullptr,
                          const QVariantMap& userInfo = {});

    size_t observerCount() const;

private:
    void remove(const std::shared_ptr<Token::Entry>& entry);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Token::Entry>> entries_;
};
