#include "status/StatusTabServices.h"

#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

QString StatusTabServices::screenNameForKeloObject(const KeloObject* kelo) {
    if (!kelo) return QString();
    const QString user = kelo->userDefinedName();
    return screenNameForKeloName(user.isEmpty() ? kelo->name() : user);
}
