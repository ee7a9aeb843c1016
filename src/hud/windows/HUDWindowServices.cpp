#include "hud/windows/HUDWindowServices.h"

#include <atomic>

namespace {

HUDWindowServices& fallback() {
    static HUDWindowServices services;
    return services;
}

std::atomic<HUDWindowServices*> registered{nullptr};

}  // namespace

HUDWindowServices* HUDWindowServices::shared() {
    HUDWindowServices* services = registered.load();
    return services ? services : &fallback();
}

void HUDWindowServices::setShared(HUDWindowServices* services) {
    registered.store(services);
}
