#pragma once

#include "serverlink/KlMsgDataCollector.h"

// The collector of the receive path: a first fragment carries the u32 total
// size, and a complete message goes to the notification handler when one is
// set (the receive path itself uses handleMsg's result).
class KlMsgNotificationDataCollector : public KlMsgDataCollector {
public:
    using NotificationHandler = std::function<void(const QByteArray& payload, uint32_t totalSize,
                                                   KlMsgNotificationDataCollector&)>;

    KlMsgNotificationDataCollector();

    const NotificationHandler& notificationHandler() const { return notificationHandler_; }
    void setNotificationHandler(NotificationHandler handler) {
        notificationHandler_ = std::move(handler);
    }

private:
    NotificationHandler notificationHandler_;
};
