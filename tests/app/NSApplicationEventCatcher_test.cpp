#include "app/NSApplicationEventCatcher.h"

#include "support/TestMain.h"

#include <QTimer>

#include <stdexcept>

namespace {

NSApplicationEventCatcher& app() {
    return *static_cast<NSApplicationEventCatcher*>(QCoreApplication::instance());
}

TEST(NSApplicationEventCatcher, LogsFiveExceptionsThenOneAMinute) {
    NSApplicationEventCatcher& a = app();
    // Seconds of each exception, and whether the log takes it.
    const struct {
        double at;
        bool logged;
    } table[] = {{0, true},  {1, true},   {2, true},   {3, true},  {4, true},
                 {14, false}, {63, false}, {64.5, true}, {70, false}, {125, true}};
    for (const auto& row : table)
        EXPECT_EQ(a.reportException("boom", 1000 + row.at), row.logged) << "at " << row.at;
}

TEST(NSApplicationEventCatcher, AnExceptionInAnEventHandlerLeavesTheLoopRunning) {
    NSApplicationEventCatcher& a = app();
    bool after = false;
    QTimer::singleShot(0, &a, [] { throw std::runtime_error("handler failed"); });
    QTimer::singleShot(10, &a, [&] {
        after = true;
        a.quit();
    });
    a.exec();
    EXPECT_TRUE(after);
}

}  // namespace

KELO_TEST_MAIN_WITH_APP(NSApplicationEventCatcher)
