#include "serverlink/KeloDaemonProbe.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmxProcess.h"

#include <utility>

namespace {
constexpr const char* kDaemonName = "KeloDaemon";
}

KeloDaemonProbe::KeloDaemonProbe(PidLookup lookup) : lookup_(std::move(lookup)) {}

KeloDaemonProbe::~KeloDaemonProbe() {
    if (!worker_) return;
    {
        std::lock_guard guard(worker_->lock);
        worker_->stop = true;
    }
    worker_->wake.notify_one();
    worker_->thread.join();
}

int KeloDaemonProbe::lookup() const {
    return lookup_ ? lookup_(kDaemonName) : GetPIDForProcessName(kDaemonName);
}

bool KeloDaemonProbe::apply(int pid) {
    if (pid == KeloDaemonPID_) return false;
    KeloDaemonPID_ = pid;
    daemonRunning_ = pid > 0;
    kelo::puts(daemonRunning_ ? "local KeloDaemon running" : "local KeloDaemon not running");
    return true;
}

bool KeloDaemonProbe::checkForDaemon() {
    return apply(lookup());
}

void KeloDaemonProbe::requestCheck() {
    if (pending_) return;
    if (!worker_) {
        worker_ = std::make_unique<Worker>();
        worker_->thread = std::thread([this] { work(); });
    }
    {
        std::lock_guard guard(worker_->lock);
        worker_->requested = true;
    }
    worker_->wake.notify_one();
    pending_ = true;
}

std::optional<bool> KeloDaemonProbe::takeAnswer() {
    if (!pending_) return std::nullopt;
    std::optional<int> pid;
    {
        std::lock_guard guard(worker_->lock);
        pid = std::exchange(worker_->answer, std::nullopt);
    }
    if (!pid) return std::nullopt;
    pending_ = false;
    return apply(*pid);
}

void KeloDaemonProbe::work() {
    std::unique_lock guard(worker_->lock);
    for (;;) {
        worker_->wake.wait(guard, [this] { return worker_->stop || worker_->requested; });
        if (worker_->stop) return;
        worker_->requested = false;
        guard.unlock();
        const int pid = lookup();
        guard.lock();
        worker_->answer = pid;
    }
}
