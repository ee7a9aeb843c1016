#include "app/KeloRemoteNotificationRoute.h"

#include "app/KeloRemote.h"
#include "foundation/OmLog.h"
#include "platform/PropertyListOpenStep.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/ServerLinkNotifications.h"

KeloRemoteNotificationRoute::KeloRemoteNotificationRoute(KlE_Control_Status& link)
    : link_(link),
      token_(NotificationCenter::defaultCenter().addObserver(
          kKeloRemoteNotification, nullptr,
          [this](const Notification& n) { KeloRemoteNotification(n); })) {}

void KeloRemoteNotificationRoute::KeloRemoteNotification(const Notification& notification) {
    const int type = notification.userInfo.value("type").toInt();
    if (type == 3 || type == 4) {
        const QByteArray text = PropertyListOpenStep::write(notification.userInfo, nullptr);
        OmLogNoFlood(kOmLogDebug, "move %s\n", text.constData());
        return;
    }
    if ((type == 5 || type == 7) && KeloRemote::instance()) {
        KeloRemote::instance()->KeloRemoteNotification(notification);
        return;
    }
    link_.KeloRemoteNotification(notification);
}
