#include "serverlink/MixRectangleServices.h"

namespace {

MixRectangleServices* sServices = nullptr;

}  // namespace

MixRectangleServices* MixRectangleServices::services() {
    return sServices;
}

void MixRectangleServices::setServices(MixRectangleServices* services) {
    sServices = services;
}
