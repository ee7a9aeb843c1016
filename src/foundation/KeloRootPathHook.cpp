#include "foundation/KeloRootPathHook.h"

#include <mutex>

namespace {

std::mutex& providerLock() {
    static std::mutex lock;
    return lock;
}

std::function<QString(bool)>& provider() {
    static std::function<QString(bool)> fn;
    return fn;
}

}  // namespace

void setKeloRootPathProvider(std::function<QString(bool force)> fn) {
    std::lock_guard lock(providerLock());
    provider() = std::move(fn);
}

QString keloRootPathFromProvider(bool force) {
    std::function<QString(bool)> fn;
    {
        std::lock_guard lock(providerLock());
        fn = provider();
    }
    return fn ? fn(force) : QString();
}
