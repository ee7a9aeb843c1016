#include "hud/controls/itemEnable.h"

QString itemEnable::description() const {
    return QStringLiteral("<itemEnable %1> %2")
        .arg(QString::asprintf("%p", static_cast<const void*>(this)),
             enabled() ? QStringLiteral("YES") : QStringLiteral("NO"));
}
