#pragma once

#include "platform/NotificationCenter.h"

class KlE_Control_Status;

// The controller's handling of "KeloRemoteNotification", by the integer under
// "type": 3 and 4 are logged; 5 and 7 go to the windows' controller when
// there is one; the others go to the server link, which reads (1) or sets
// (2) a preference and logs anything else. Observes for as long
// as it lives. Main thread only (the notification is posted there).
class KeloRemoteNotificationRoute {
public:
    explicit KeloRemoteNotificationRoute(KlE_Control_Status& link);
    KeloRemoteNotificationRoute(const KeloRemoteNotificationRoute&) = delete;
    KeloRemoteNotificationRoute& operator=(const KeloRemoteNotificationRoute&) = delete;

    void KeloRemoteNotification(const Notification& notification);

private:
    KlE_Control_Status& link_;
    NotificationCenter::Token token_;
};
