#pragma once

// A bounded set of worker threads for short blocking TCP queries. Jobs run
// in the order they were queued, at most `maxWorkers` at a time; workers are
// made as jobs arrive and then wait for more. A job hands its result to the
// main thread itself.
//
// Threads: start() from any thread; stop() and the destructor from any
// thread but a worker.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class KeloTcpQueryPool {
public:
    static constexpr int kDefaultWorkers = 16;

    explicit KeloTcpQueryPool(int maxWorkers = kDefaultWorkers);
    ~KeloTcpQueryPool();
    KeloTcpQueryPool(const KeloTcpQueryPool&) = delete;
    KeloTcpQueryPool& operator=(const KeloTcpQueryPool&) = delete;

    // Queues a job. False once stopped, or when no worker runs and none can
    // be made (logged).
    bool start(std::function<void()> job);
    // Drops the jobs not yet started, lets the running ones end (each query
    // is bounded by its time-outs) and joins the workers. Later jobs are
    // refused.
    void stop();
    int workers() const;

    // The pool of the server objects' product queries. Never destroyed: a
    // query may still run while the process exits.
    static KeloTcpQueryPool& shared();

private:
    void run();

    const int maxWorkers_;
    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> workers_;
    int idle_ = 0;
    bool stopping_ = false;
};
