#include "serverlink/KeloTcpQueryPool.h"

#include "foundation/OmLog.h"

#include <algorithm>
#include <system_error>

KeloTcpQueryPool::KeloTcpQueryPool(int maxWorkers) : maxWorkers_(std::max(1, maxWorkers)) {}

KeloTcpQueryPool::~KeloTcpQueryPool() {
    stop();
}

KeloTcpQueryPool& KeloTcpQueryPool::shared() {
    static auto* pool = new KeloTcpQueryPool;  // deliberately leaked, see above
    return *pool;
}

bool KeloTcpQueryPool::start(std::function<void()> job) {
    std::unique_lock lock(mutex_);
    if (stopping_) return false;
    if (idle_ == 0 && int(workers_.size()) < maxWorkers_) {
        try {
            workers_.emplace_back([this] { run(); });
        } catch (const std::system_error& e) {
            OmLogNoFlood(kOmLogError, "no thread for a TCP query: %s\n", e.what());
            if (workers_.empty()) return false;
        }
    }
    jobs_.push_back(std::move(job));
    lock.unlock();
    wake_.notify_one();
    return true;
}

void KeloTcpQueryPool::stop() {
    std::vector<std::thread> workers;
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        workers.swap(workers_);
        dropped.swap(jobs_);
    }
    wake_.notify_all();
    for (std::thread& t : workers) t.join();
}

int KeloTcpQueryPool::workers() const {
    std::lock_guard lock(mutex_);
    return int(workers_.size());
}

void KeloTcpQueryPool::run() {
    std::unique_lock lock(mutex_);
    while (true) {
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        --idle_;
        if (stopping_) return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        job = nullptr;  // what it holds goes before the next wait
        lock.lock();
    }
}
