#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "support/TestMain.h"

namespace {

TEST(NotificationCenter, DeliversByNameAndSenderInRegistrationOrder) {
    NotificationCenter centre;
    int a = 0;
    int b = 0;
    std::vector<QString> log;
    auto byName = centre.addObserver("Ping", nullptr, [&](const Notification& n) {
        log.push_back("name:" + n.userInfo.value("k").toString());
    });
    auto bySender =
        centre.addObserver("Ping", &a, [&](const Notification&) { log.push_back("sender"); });
    auto everything = centre.addObserver(
        "", nullptr, [&](const Notification& n) { log.push_back("all:" + n.name); });
    centre.post("Ping", &a, {{"k", "v"}});
    centre.post("Ping", &b);
    centre.post("Pong");
    const std::vector<QString> expected = {"name:v", "sender",   "all:Ping",
                                           "name:",  "all:Ping", "all:Pong"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(centre.observerCount(), 3u);
}

TEST(NotificationCenter, TokensOwnTheirObservation) {
    NotificationCenter centre;
    int calls = 0;
    auto observe = [&] { return centre.addObserver("N", nullptr, [&](auto&) { ++calls; }); };
    {
        auto scoped = observe();
        centre.post("N");
    }
    centre.post("N");
    EXPECT_EQ(calls, 1);

    NotificationCenter::Token moved = observe();
    NotificationCenter::Token target = std::move(moved);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(target);
    moved.reset();  // a moved-from token removes nothing
    centre.post("N");
    EXPECT_EQ(calls, 2);
    target = observe();  // assigning over a token ends its old observation
    EXPECT_EQ(centre.observerCount(), 1u);
    target.reset();
    target.reset();
    EXPECT_EQ(centre.observerCount(), 0u);
}

TEST(NotificationCenter, ObserversMayChangeObserversDuringAPost) {
    NotificationCenter centre;
    std::vector<int> calls;
    NotificationCenter::Token second;
    NotificationCenter::Token added;
    NotificationCenter::Token self;
    self = centre.addObserver("N", nullptr, [&](const Notification&) {
        calls.push_back(1);
        self.reset();    // removes itself while running
        second.reset();  // a later observer removed before its turn is skipped
        added = centre.addObserver("N", nullptr, [&](auto&) { calls.push_back(3); });
    });
    second = centre.addObserver("N", nullptr, [&](auto&) { calls.push_back(2); });
    centre.post("N");
    centre.post("N");
    const std::vector<int> expected = {1, 3};
    EXPECT_EQ(calls, expected);
}

TEST(NotificationCenter, ConcurrentPostsAndRemovalsAreSafe) {
    NotificationCenter centre;
    std::atomic<int> calls{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> posters;
    for (int i = 0; i < 3; ++i) {
        posters.emplace_back([&] {
            while (!stop) centre.post("N");
        });
    }
    for (int i = 0; i < 200; ++i) {
        auto token = centre.addObserver("N", nullptr, [&](auto&) { ++calls; });
        std::this_thread::yield();
    }
    stop = true;
    for (auto& t : posters) t.join();
    EXPECT_EQ(centre.observerCount(), 0u);
}

// Once a token is gone its observer must not be running on another thread,
// or the state it captured could be freed under it.
TEST(NotificationCenter, RemovalWaitsForADeliveryInFlight) {
    NotificationCenter centre;
    std::atomic<bool> entered{false};
    std::atomic<bool> inside{false};
    std::atomic<int> calls{0};
    auto token = centre.addObserver("N", nullptr, [&](const Notification&) {
        inside = true;
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ++calls;
        inside = false;
    });
    std::thread worker([&] { centre.post("N"); });
    while (!entered) std::this_thread::yield();
    token.reset();
    EXPECT_FALSE(inside);
    EXPECT_EQ(calls, 1);
    worker.join();
    centre.post("N");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserverMayRemoveItselfOnAnyThread) {
    NotificationCenter centre;
    NotificationCenter::Token token;
    int calls = 0;
    token = centre.addObserver("N", nullptr, [&](const Notification&) {
        ++calls;
        token.reset();
    });
    std::thread([&] { centre.post("N"); }).join();
    centre.post("N");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, PostOnMainThreadQueuesForTheEventLoop) {
    NotificationCenter centre;
    QThread* deliveredOn = nullptr;
    std::atomic<int> calls{0};
    auto token = centre.addObserver("N", nullptr, [&](const Notification& n) {
        deliveredOn = QThread::currentThread();
        EXPECT_EQ(n.userInfo.value("k").toInt(), 5);
        ++calls;
    });
    std::thread worker([&] { centre.postOnMainThread("N", nullptr, {{"k", 5}}); });
    worker.join();
    centre.postOnMainThread("N", nullptr, {{"k", 5}});
    EXPECT_EQ(calls, 0);  // queued even on the main thread
    QElapsedTimer t;
    t.start();
    while (calls < 2 && t.elapsed() < 5000) QCoreApplication::processEvents();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
}

// A detached thread may still be posting while the process exits; the
// default centre must outlive every static destructor.
TEST(NotificationCenterDeathTest, DefaultCentreSurvivesExitWhileAThreadPosts) {
    EXPECT_EXIT(
        {
            auto token = new NotificationCenter::Token(
                NotificationCenter::defaultCenter().addObserver("N", nullptr, [](auto&) {}));
            (void)token;
            for (int i = 0; i < 4; ++i) {
                std::thread([] {
                    for (;;) NotificationCenter::defaultCenter().post("N");
                }).detach();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace

KELO_TEST_MAIN_CORE()
