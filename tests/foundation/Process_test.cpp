#include "foundation/OmxProcess.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/utsname.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "support/TestMain.h"

namespace {

// Copies of sleep under a name no other process has.
class Sleepers {
public:
    explicit Sleepers(const QString& name) {
        path_ = dir_.filePath(name);
        QFile::copy("/bin/sleep", path_);
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
    }
    ~Sleepers() {
        for (auto& p : processes_) {
            p->kill();
            p->waitForFinished();
        }
    }
    qint64 start() {
        auto p = std::make_unique<QProcess>();
        p->start(path_, {"30"});
        if (!p->waitForStarted()) return -1;
        qint64 pid = p->processId();
        processes_.push_back(std::move(p));
        return pid;
    }

private:
    QTemporaryDir dir_;
    QString path_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

TEST(ProcessLookup, FindsOneAndRejectsNoneOrShared) {
    const QString name = QStringLiteral("kpt%1").arg(getpid());
    const QByteArray n = name.toUtf8();
    EXPECT_EQ(GetPIDForProcessName(n), -1);
    EXPECT_EQ(CountPIDsForProcessName(n), -1);

    Sleepers sleepers(name);
    qint64 first = sleepers.start();
    ASSERT_GT(first, 0);
    EXPECT_EQ(GetPIDForProcessName(n), first);
    EXPECT_EQ(CountPIDsForProcessName(n), 1);

    ASSERT_GT(sleepers.start(), 0);
    EXPECT_EQ(GetPIDForProcessName(n), -1);
    EXPECT_EQ(CountPIDsForProcessName(n), 2);

    int pids[1];
    unsigned count = 9;
    unsigned error = 9;
    EXPECT_EQ(GetAllPIDsForProcessName(n, pids, 1, &count, &error), -5);
    // A prefix of a name is another name.
    EXPECT_EQ(GetPIDForProcessName(n.left(n.size() - 1)), -1);
}

TEST(ProcessLookup, LongNamesCompareByTheKernelsFifteenCharacters) {
    const QString name = QStringLiteral("kelo-utils-long-%1-name").arg(getpid());
    Sleepers sleepers(name);
    qint64 pid = sleepers.start();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(GetPIDForProcessName(name.toUtf8()), pid);
    EXPECT_EQ(GetPIDForProcessName(name.left(15).toUtf8()), pid);
    EXPECT_EQ(GetPIDForProcessName(name.left(14).toUtf8()), -1);
}

TEST(ProcessLookup, RejectsBadArguments) {
    int pids[4];
    unsigned count = 0;
    unsigned error = 0;
    EXPECT_EQ(GetAllPIDsForProcessName(nullptr, pids, 4, &count, &error), -2);
    EXPECT_EQ(GetAllPIDsForProcessName("x", nullptr, 4, &count, &error), -2);
    EXPECT_EQ(GetAllPIDsForProcessName("x", pids, 0, &count, &error), -2);
    EXPECT_EQ(GetAllPIDsForProcessName("x", pids, 4, nullptr, &error), -2);
    EXPECT_EQ(GetPIDForProcessName(nullptr), -1);
}

TEST(SystemVersion, ReadsTheKernelVersion) {
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    int major = 0;
    int minor = 0;
    std::sscanf(u.release, "%d.%d", &major, &minor);
    EXPECT_EQ(OSMajorVersion(), major);
    EXPECT_EQ(OSMinorVersion(), minor);
    EXPECT_TRUE(IsSonomaOrGreater() && IsBigSurOrGreater() && IsMojaveOrGreater());
}

TEST(MachTime, MonotonicNanosecondsAndWaits) {
    uint64_t a = MachAbsoluteTime();
    MachWaitUntil(a + 20'000'000);
    uint64_t b = MachAbsoluteTime();
    EXPECT_GE(b - a, 20'000'000u);
    EXPECT_LT(b - a, 2'000'000'000u);
    MachWaitUntil(0);  // a time in the past returns at once
}

TEST(ConditionVariable, TimesOutAndWakes) {
    condition_variable c;
    init_condition(&c);
    auto t0 = std::chrono::steady_clock::now();
    wait_on_condition(&c, 30);
    auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(waited, std::chrono::milliseconds(29));

    t0 = std::chrono::steady_clock::now();
    wait_on_condition(&c, -2000);  // microseconds
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(500));

    std::atomic<bool> done{false};
    std::thread waiter([&] {
        wait_on_condition(&c, 10000);
        done = true;
    });
    t0 = std::chrono::steady_clock::now();
    while (!done && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5)) {
        signal_condition(&c);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    waiter.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

}  // namespace

KELO_TEST_MAIN_CORE()
