// The bounded pool of the product queries: every job runs, never more at
// once than the pool allows, results reach the main thread only through its
// event loop, and stopping drops what waits and joins what runs.

#include "serverlink/KeloTcpQueryPool.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectTCP.h"
#include "support/KeloServerSimTcp.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Counts the callers inside it at once and the most there ever were.
struct Concurrency {
    std::atomic<int> now{0}, most{0}, done{0};
    void enter() {
        const int n = ++now;
        int m = most.load();
        while (n > m && !most.compare_exchange_weak(m, n)) {
        }
    }
    void leave() {
        --now;
        ++done;
    }
};

bool waitFor(const std::atomic<int>& value, int wanted) {
    for (int i = 0; i < 1000 && value.load() < wanted; ++i) std::this_thread::sleep_for(5ms);
    return value.load() >= wanted;
}

TEST(KeloTcpQueryPool, RunsEveryJobWithAtMostItsWorkersAtOnce) {
    KeloTcpQueryPool pool(3);
    Concurrency c;
    std::atomic<bool> release{false};
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(pool.start([&] {
            c.enter();
            while (!release) std::this_thread::sleep_for(1ms);
            c.leave();
        }));
    }
    // Blocked jobs keep every worker busy: the pool grows to its bound and
    // no further.
    ASSERT_TRUE(waitFor(c.now, 3));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(c.now.load(), 3);
    EXPECT_EQ(pool.workers(), 3);
    release = true;
    ASSERT_TRUE(waitFor(c.done, 40));
    EXPECT_EQ(c.most.load(), 3);
}

TEST(KeloTcpQueryPool, StopEndsTheRunningJobDropsTheQueuedAndRefusesMore) {
    auto pool = std::make_unique<KeloTcpQueryPool>(1);
    std::atomic<bool> release{false};
    std::atomic<int> started{0}, finished{0};
    ASSERT_TRUE(pool->start([&] {
        ++started;
        while (!release) std::this_thread::sleep_for(1ms);
        ++finished;
    }));
    auto held = std::make_shared<int>(0);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(pool->start([held, &started] { ++started; }));
    ASSERT_TRUE(waitFor(started, 1));
    std::thread releaser([&] {
        std::this_thread::sleep_for(30ms);
        release = true;
    });
    pool->stop();
    releaser.join();
    EXPECT_EQ(finished.load(), 1);
    EXPECT_EQ(started.load(), 1);
    EXPECT_EQ(held.use_count(), 1);  // the dropped jobs are gone, with what they held
    EXPECT_FALSE(pool->start([] {}));
    EXPECT_EQ(pool->workers(), 0);
    pool.reset();  // a second stop, from the destructor, is harmless
}

TEST(KeloTcpQueryPool, ManyServersGetTheirProductNamesOnTheMainThread) {
    constexpr int kServers = 60;
    Concurrency c;
    setKeloTcpConnector([&c](uint32_t address, uint16_t) {
        c.enter();
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
            c.leave();
            return -1;
        }
        const QByteArray info =
            KeloServerSimTcp::serverInformation("Product " + QByteArray::number(address & 0xFF));
        [[maybe_unused]] const ssize_t n = write(pair[1], info.constData(), size_t(info.size()));
        close(pair[1]);
        std::this_thread::sleep_for(2ms);
        c.leave();
        return pair[0];
    });
    std::vector<std::unique_ptr<KeloObject>> servers;
    for (int i = 0; i < kServers; ++i) {
        auto kelo = std::make_unique<KeloObject>();
        const uint32_t address = 0x7F030001 + uint32_t(i);
        kelo->setAddress(address, address);
        kelo->setTcpPort(4811);
        kelo->setNeedsProductUpdate(true);
        kelo->doProductUpdate();
        servers.push_back(std::move(kelo));
    }
    ASSERT_TRUE(waitFor(c.done, kServers));
    EXPECT_LE(c.most.load(), KeloTcpQueryPool::kDefaultWorkers);
    // Every answer is in, but none is filed before the main thread runs.
    for (const auto& kelo : servers) EXPECT_TRUE(kelo->productName().isEmpty());
    EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 3000));
    for (int i = 0; i < kServers; ++i)
        EXPECT_EQ(servers[size_t(i)]->productName(), QString("Product %1").arg(i + 1));
    setKeloTcpConnector(nullptr);
}

}  // namespace

KELO_TEST_MAIN_CORE()
