// The tools refuse a bad option value at once, with their usage and exit
// status 2, before they open a socket or start a server.
#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

Outcome run(const QString& program, const QStringList& args) {
    QProcess proc;
    proc.start(program, args);
    Outcome r;
    if (!proc.waitForFinished(10000)) {
        proc.kill();
        proc.waitForFinished();
        return r;
    }
    r.exitCode = proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -2;
    r.out = proc.readAllStandardOutput();
    r.err = proc.readAllStandardError();
    return r;
}

TEST(ToolOptions, BadValuesAreRefusedWithTheUsageAndStatus2) {
    const struct {
        const char* program;
        QStringList args;
    } cases[] = {
        {KELO_STATUS, {"--seconds", "abc"}},
        {KELO_STATUS, {"--seconds", "-5"}},
        {KELO_STATUS, {"--seconds", "0"}},
        {KELO_STATUS, {"--seconds", "1e300"}},
        {KELO_STATUS, {"--seconds", "99999999999"}},
        {KELO_STATUS, {"--seconds", "5s"}},
        {KELO_STATUS, {"--seconds"}},
        {KELO_STATUS, {"--json", "--frobnicate"}},
        {KELO_LINK_BENCH, {"--servers", "many"}},
        {KELO_LINK_BENCH, {"--servers", "0"}},
        {KELO_LINK_BENCH, {"--servers", "60001"}},
        {KELO_LINK_BENCH, {"--seconds", "-1"}},
        {KELO_LINK_BENCH, {"--window", "nan"}},
        {KELO_LINK_BENCH, {"--window"}},
        {KELO_LINK_BENCH, {"--servers", "4", "--turbo", "1"}},
        {KELO_SERVER_SIM, {"--count", "abc"}},
        {KELO_SERVER_SIM, {"--count", "1001"}},
        {KELO_SERVER_SIM, {"--count", "2.5"}},
        {KELO_SERVER_SIM, {"--seconds", "-3"}},
        {KELO_SERVER_SIM, {"--seconds", "inf"}},
        {KELO_SERVER_SIM, {"--base", "10.0.0.1"}},
    };
    for (const auto& c : cases) {
        const QString label = QString(c.program).section('/', -1) + ' ' + c.args.join(' ');
        SCOPED_TRACE(label.toStdString());
        const Outcome r = run(c.program, c.args);
        EXPECT_EQ(r.exitCode, 2) << r.err.constData();
        EXPECT_TRUE(r.err.contains("usage: ")) << r.err.constData();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
    }
}

TEST(ToolOptions, HelpGoesToStandardOutputWithStatus0) {
    for (const char* program : {KELO_STATUS, KELO_LINK_BENCH, KELO_SERVER_SIM}) {
        SCOPED_TRACE(program);
        const Outcome r = run(program, {"--help"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.out.startsWith("usage: ")) << r.out.constData();
    }
}

}  // namespace

KELO_TEST_MAIN_CORE()
