#include "foundation/KlStatusLine.h"

#include <atomic>

namespace {
KlStatusLine sSilent;
// Read by any logging thread, written once at start-up.
std::atomic<KlStatusLine*> sInstalled{nullptr};
}  // namespace

KlStatusLine* KlStatusLine::shared() {
    KlStatusLine* installed = sInstalled.load(std::memory_order_acquire);
    return installed ? installed : &sSilent;
}

void KlStatusLine::install(KlStatusLine* statusLine) {
    sInstalled.store(statusLine, std::memory_order_release);
}
