#include "status/StatusTabServices.h"

#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

namespace {
StatusTabServices* gInstalled = nullptr;  // main thread only
}

QString StatusTabServices::screenNameForKeloObject(const KeloObject* kelo) {
    if (!kelo) return QString();
    const QString user = kelo->userDefinedName();
    return screenNameForKeloName(user.isEmpty() ? kelo->name() : user);
}

StatusTabServices* StatusTabServices::instance() {
    static StatusTabServices defaults;
    return gInstalled ? gInstalled : &defaults;
}

void StatusTabServices::install(StatusTabServices* services) {
    gInstalled = services;
}
