#include "serverlink/KeloDaemonProbe.h"

#include "LinkTestSupport.h"
#include "support/TestMain.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

using namespace linktest;

namespace {

// A process table whose answer the test sets and whose lookups it can hold
// until it lets them go, the way a slow read of many processes would.
class FakeProcessTable {
public:
    int lookup(const char* name) {
        std::unique_lock guard(lock_);
        names_ = name;
        ++lookups_;
        changed_.notify_all();
        changed_.wait(guard, [this] { return open_; });
        return pid_;
    }
    KeloDaemonProbe::PidLookup function() {
        return [this](const char* name) { return lookup(name); };
    }
    void setPid(int pid) {
        std::lock_guard guard(lock_);
        pid_ = pid;
    }
    void hold() {
        std::lock_guard guard(lock_);
        open_ = false;
    }
    void release() {
        std::lock_guard guard(lock_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits until `count` lookups have begun.
    bool waitForLookups(int count, std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, timeout, [&] { return lookups_ >= count; });
    }
    int lookups() {
        std::lock_guard guard(lock_);
        return lookups_;
    }
    std::string name() {
        std::lock_guard guard(lock_);
        return names_;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    int pid_ = -1;
    int lookups_ = 0;
    bool open_ = true;
    std::string names_;
};

std::optional<bool> waitForAnswer(KeloDaemonProbe& probe) {
    for (int i = 0; i < 2000; ++i) {
        if (auto answer = probe.takeAnswer()) return answer;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
}

TEST(KeloDaemonProbe, AnAnswerFromTheWorkerReportsOnlyChanges) {
    FakeProcessTable table;
    KeloDaemonProbe probe(table.function());
    EXPECT_FALSE(probe.takeAnswer().has_value());  // nothing asked yet
    struct Step {
        int pid;
        bool changed, running;
    } steps[] = {
        {-1, true, false},    // first look: not running
        {-1, false, false},   // still not
        {4242, true, true},   // started
        {4242, false, true},  // still the same process
        {4343, true, true},   // restarted under a new id
        {-1, true, false},    // stopped
    };
    for (const Step& step : steps) {
        table.setPid(step.pid);
        probe.requestCheck();
        EXPECT_TRUE(probe.checkPending());
        const std::optional<bool> answer = waitForAnswer(probe);
        ASSERT_TRUE(answer.has_value()) << step.pid;
        EXPECT_EQ(*answer, step.changed) << step.pid;
        EXPECT_EQ(probe.daemonRunning(), step.running) << step.pid;
        EXPECT_FALSE(probe.checkPending());
        EXPECT_FALSE(probe.takeAnswer().has_value());  // taken once
    }
    EXPECT_EQ(table.name(), "KeloDaemon");
    // The direct check and the worker's agree on what was seen last.
    EXPECT_FALSE(probe.checkForDaemon());
}

TEST(KeloDaemonProbe, ShutsDownCleanlyWhateverTheWorkerIsDoing) {
    { KeloDaemonProbe never; }  // never asked: no worker to end
    FakeProcessTable table;
    {
        KeloDaemonProbe answered(table.function());
        answered.requestCheck();
        ASSERT_TRUE(table.waitForLookups(1));
    }  // its answer is never taken
    table.hold();
    auto probe = std::make_unique<KeloDaemonProbe>(table.function());
    probe->requestCheck();
    ASSERT_TRUE(table.waitForLookups(2));
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        table.release();
    });
    probe.reset();  // waits for the lookup under way, then ends
    releaser.join();
    EXPECT_EQ(table.lookups(), 2);
}

// The link with the fake sockets and a process table of the test's.
class DaemonCheck : public ::testing::Test {
protected:
    void SetUp() override {
        useTestInterfaces();
        gNow = kStart;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.citpPort = 24813;
        options.socketFactory = sockets.factory();
        options.daemonLookup = table.function();
        link = std::make_unique<KlE_Control_Status>(options);
    }
    void TearDown() override {
        table.release();
        link.reset();
    }
    void tick() {
        gNow += 1.0 / 30;
        link->timerProc();
    }

    FakeProcessTable table;
    FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
};

TEST_F(DaemonCheck, ASlowProcessTableNeverHoldsUpTheTick) {
    EXPECT_EQ(table.lookups(), 1);  // at start, directly
    EXPECT_FALSE(link->daemonRunning());
    tick();
    ASSERT_TRUE(link->sktValid());
    // The daemon starts, and the next look at the process table hangs.
    table.setPid(777);
    table.hold();
    int ticks = 1;
    while (!table.waitForLookups(2, std::chrono::milliseconds(5)) && ticks < 60) {
        tick();
        ++ticks;
    }
    // The lookup starts a tick before the first check, 23 ticks after start.
    EXPECT_EQ(ticks, 22);
    // Past that check and the next one's start: every tick returns and
    // keeps the sockets; no second lookup piles up behind the first.
    for (int i = 0; i < 40; ++i) tick();
    EXPECT_TRUE(link->sktValid());
    EXPECT_FALSE(link->daemonRunning());
    EXPECT_EQ(table.lookups(), 2);

    table.release();
    for (int i = 0; i < 2000 && link->sktValid(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        tick();
    }
    EXPECT_FALSE(link->sktValid());  // closed at the tick the answer came
    EXPECT_TRUE(link->daemonRunning());
    tick();
    EXPECT_TRUE(link->sktValid());  // and reopened at the next
}

}  // namespace

KELO_TEST_MAIN()
