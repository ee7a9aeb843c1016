// Without an application object the logger reads the process arguments from
// the kernel; a child started with "-x" shows that it finds them.
#include "foundation/OmLog.h"

#include "support/TestMain.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

TEST(OmLogWithoutApp, DashXChild) {
    const char* folder = std::getenv("KELO_LOG_TEST_FOLDER");
    if (!folder) GTEST_SKIP() << "runs only as the child of the test below";
    ASSERT_FALSE(QCoreApplication::instance());
    OmLog log(QString::fromLocal8Bit(folder), "child starting up...\n");
    EXPECT_TRUE(OmLog::logPath().isEmpty());
}

TEST(OmLogWithoutApp, DashXKeepsOutputOnStdout) {
    QTemporaryDir tmp;
    const QString folder = tmp.path() + "/KeloRemote";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELO_LOG_TEST_FOLDER", folder);
    child.setProcessEnvironment(env);
    child.start("/proc/self/exe", {"--gtest_filter=OmLogWithoutApp.DashXChild", "-x"});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.constData();
    EXPECT_TRUE(out.contains(" child starting up...\n")) << out.constData();
    EXPECT_TRUE(out.contains(" -i Logging to stdout because of '-x' command-line argument\n"));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

KELO_TEST_MAIN()
