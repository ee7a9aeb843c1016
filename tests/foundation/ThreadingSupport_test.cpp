#include "foundation/ThreadingSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/TestMain.h"

namespace {

struct Delivery {
    QString name;
    int index;
    QThread* thread;
};

class Owner : public ThreadingDelegate {
public:
    void onTick(const Notification& n) { record(n); }
    void record(const Notification& n) {
        std::lock_guard lock(mutex);
        deliveries.push_back({n.name, n.userInfo.value("i").toInt(), QThread::currentThread()});
    }
    size_t count() {
        std::lock_guard lock(mutex);
        return deliveries.size();
    }
    std::mutex mutex;
    std::vector<Delivery> deliveries;
};

bool spinUntil(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

void postFromWorker(const QStringList& names) {
    std::thread worker([names] {
        int i = 0;
        for (const QString& n : names)
            NotificationCenter::defaultCenter().post(n, nullptr, {{"i", ++i}});
    });
    worker.join();
}

TEST(ThreadingSupport, PostOnOwnerThreadIsDeliveredInsideThePost) {
    Owner owner;
    ThreadingSupport ts(&owner);
    ts.setNotificationSelectorDict({{"Tick", ThreadingSupport::operation(&Owner::onTick)}});
    NotificationCenter::defaultCenter().post("Tick", nullptr, {{"i", 7}});
    ASSERT_EQ(owner.count(), 1u);
    EXPECT_EQ(owner.deliveries[0].index, 7);
    EXPECT_EQ(owner.deliveries[0].thread, QThread::currentThread());
}

TEST(ThreadingSupport, WorkerPostsArriveOnOwnerThreadInPostingOrder) {
    Owner owner;
    ThreadingSupport ts(&owner);
    ts.setNotificationSelectorDict({{"Tick", ThreadingSupport::operation(&Owner::onTick)},
                                    {"Tock", [](ThreadingDelegate* d, const Notification& n) {
                                         static_cast<Owner*>(d)->record(n);
                                     }}});
    postFromWorker({"Tick", "Tock", "Tick"});
    // Nothing runs on the worker: all three wait for the owner's event loop.
    EXPECT_EQ(owner.count(), 0u);
    ASSERT_TRUE(spinUntil([&] { return owner.count() == 3; }));
    const char* names[] = {"Tick", "Tock", "Tick"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(owner.deliveries[i].name, names[i]);
        EXPECT_EQ(owner.deliveries[i].index, i + 1);
        EXPECT_EQ(owner.deliveries[i].thread, QThread::currentThread());
    }
}

TEST(ThreadingSupport, UnmappedAndEmptyOperationsAreDropped) {
    Owner owner;
    ThreadingSupport ts(&owner);
    ts.setNotificationSelectorDict({{"Tick", ThreadingSupport::operation(&Owner::onTick)},
                                    {"Nothing", ThreadingSupport::Operation()},
                                    {"", ThreadingSupport::operation(&Owner::onTick)}});
    NotificationCenter::defaultCenter().post("Nothing");
    NotificationCenter::defaultCenter().post("Other");
    EXPECT_EQ(owner.count(), 0u);
    postFromWorker({"Nothing", "Other", "Tick"});
    ASSERT_TRUE(spinUntil([&] { return owner.count() >= 1; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(owner.count(), 1u);
    EXPECT_EQ(owner.deliveries[0].name, "Tick");
    EXPECT_EQ(owner.deliveries[0].index, 3);
}

TEST(ThreadingSupport, DestroyedOwnerDropsQueuedAndRacingPosts) {
    Owner owner;
    auto ts = std::make_unique<ThreadingSupport>(&owner);
    ts->setNotificationSelectorDict({{"Tick", ThreadingSupport::operation(&Owner::onTick)}});
    postFromWorker({"Tick", "Tick"});
    std::atomic<bool> stop{false};
    std::thread racer([&] {
        while (!stop) NotificationCenter::defaultCenter().post("Tick");
    });
    QThread::msleep(5);
    ts.reset();
    stop = true;
    racer.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.count(), 0u);
}

class SelfDestroyingOwner : public ThreadingDelegate {
public:
    std::unique_ptr<ThreadingSupport> ts;
    int calls = 0;
    void onTick(const Notification&) {
        ++calls;
        ts.reset();
    }
};

TEST(ThreadingSupport, DelegateMayDestroyItDuringADrain) {
    SelfDestroyingOwner owner;
    owner.ts = std::make_unique<ThreadingSupport>(&owner);
    owner.ts->setNotificationSelectorDict(
        {{"Tick", ThreadingSupport::operation(&SelfDestroyingOwner::onTick)}});
    postFromWorker({"Tick", "Tick", "Tick"});
    ASSERT_TRUE(spinUntil([&] { return owner.calls > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.calls, 1);
}

TEST(ThreadingSupport, OwnerMayBeAnyThreadWithAnEventLoop) {
    QThread thread;
    thread.start();
    QObject context;
    context.moveToThread(&thread);
    Owner owner;
    std::unique_ptr<ThreadingSupport> ts;
    QMetaObject::invokeMethod(
        &context,
        [&] {
            ts = std::make_unique<ThreadingSupport>(&owner);
            ts->setNotificationSelectorDict(
                {{"Tick", ThreadingSupport::operation(&Owner::onTick)}});
        },
        Qt::BlockingQueuedConnection);
    NotificationCenter::defaultCenter().post("Tick", nullptr, {{"i", 1}});
    NotificationCenter::defaultCenter().post("Tick", nullptr, {{"i", 2}});
    EXPECT_TRUE(spinUntil([&] { return owner.count() == 2; }));
    QThread* main = QThread::currentThread();
    QMetaObject::invokeMethod(
        &context,
        [&] {
            ts.reset();
            context.moveToThread(main);
        },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    ASSERT_EQ(owner.count(), 2u);
    EXPECT_EQ(owner.deliveries[0].index, 1);
    EXPECT_EQ(owner.deliveries[1].index, 2);
    EXPECT_EQ(owner.deliveries[0].thread, &thread);
}

}  // namespace

KELO_TEST_MAIN_CORE()
