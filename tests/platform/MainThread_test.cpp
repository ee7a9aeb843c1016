#include "platform/MainThread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

#include "support/TestMain.h"

namespace {

QThread* mainThread() {
    return QCoreApplication::instance()->thread();
}

TEST(MainThread, RunOnMainIsQueuedInOrder) {
    std::vector<int> order;
    MainThread::runOnMain([&] { order.push_back(1); });
    EXPECT_TRUE(order.empty());  // queued even when called on the main thread
    std::thread worker([&] {
        EXPECT_FALSE(MainThread::isMainThread());
        MainThread::runOnMain([&] {
            EXPECT_TRUE(MainThread::isMainThread());
            order.push_back(2);
        });
        MainThread::runOnMain([&] { order.push_back(3); });
    });
    worker.join();
    QElapsedTimer t;
    t.start();
    while (order.size() < 3 && t.elapsed() < 5000) QCoreApplication::processEvents();
    const std::vector<int> expected = {1, 2, 3};
    EXPECT_EQ(order, expected);
}

TEST(MainThread, RunOnMainAndWaitBlocksUntilTheWorkRan) {
    EXPECT_TRUE(MainThread::isMainThread());
    int inline_ = 0;
    MainThread::runOnMainAndWait([&] { ++inline_; });
    EXPECT_EQ(inline_, 1);  // on the main thread it runs at once

    std::atomic<bool> finished{false};
    QThread* ranOn = nullptr;
    int value = 0;
    std::thread worker([&] {
        MainThread::runOnMainAndWait([&] {
            ranOn = QThread::currentThread();
            value = 42;
        });
        // The work is complete by the time the call returns.
        EXPECT_EQ(value, 42);
        finished = true;
    });
    QElapsedTimer t;
    t.start();
    while (!finished && t.elapsed() < 5000) QCoreApplication::processEvents();
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(ranOn, mainThread());
}

}  // namespace

KELO_TEST_MAIN_CORE()
