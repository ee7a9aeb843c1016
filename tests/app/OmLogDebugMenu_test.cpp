#include "app/OmLogDebugMenu.h"

#include "foundation/OmLog.h"
#include "support/TestMain.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>

namespace {

TEST(OmLogDebugMenu, NoMenuWithoutDashX) {
    QMenuBar bar;
    EXPECT_EQ(OmLogDebugMenu::addDebugMenuIfNeeded(&bar), nullptr);
    EXPECT_TRUE(bar.actions().isEmpty());
    EXPECT_EQ(OmLogDebugMenu::addDebugMenuIfNeeded(nullptr), nullptr);
}

// Runs in a child started with "-x" by the test below.
TEST(OmLogDebugMenu, DashXChild) {
    if (!QCoreApplication::arguments().contains("-x")) GTEST_SKIP() << "runs only with -x";
    OmLog log(qEnvironmentVariable("KELO_LOG_TEST_FOLDER"), "starting up...\n");
    QMenuBar bar;
    bar.addMenu("File");
    QMenu* debug = OmLogDebugMenu::addDebugMenuIfNeeded(&bar);
    ASSERT_TRUE(debug);
    const QList<QAction*> top = bar.actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[1]->text(), "Debug");
    EXPECT_EQ(top[1]->menu(), debug);

    const QList<QAction*> items = debug->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), "Log Verbose");
    EXPECT_EQ(items[1]->text(), "Log Disable Flood Checking");
    EXPECT_EQ(items[2]->text(), "Log GL Errors for 10 seconds");
    EXPECT_EQ(items[3]->text(), "Log GL Errors for 5 minutes");
    EXPECT_TRUE(items[0]->isCheckable() && items[1]->isCheckable());
    EXPECT_FALSE(items[2]->isCheckable() || items[3]->isCheckable());
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_EQ(items[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::META | Qt::SHIFT | Qt::Key_L));

    // The check marks follow the log's state.
    items[0]->trigger();
    EXPECT_TRUE(items[0]->isChecked());
    EXPECT_TRUE(OmLog::isVerbose());
    items[1]->trigger();
    EXPECT_TRUE(items[1]->isChecked());
    EXPECT_TRUE(OmLog::isFloodCheckDisabled());
    items[1]->trigger();
    EXPECT_FALSE(items[1]->isChecked());
    EXPECT_FALSE(OmLog::isFloodCheckDisabled());

    // Once per bar; a bar made later gets its own, showing the current state.
    EXPECT_EQ(OmLogDebugMenu::addDebugMenuIfNeeded(&bar), nullptr);
    EXPECT_EQ(bar.actions().size(), 2);
    QMenuBar later;
    QMenu* again = OmLogDebugMenu::addDebugMenuIfNeeded(&later);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->actions()[0]->isChecked());
}

TEST(OmLogDebugMenu, ShownWithDashX) {
    QTemporaryDir tmp;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KELO_LOG_TEST_FOLDER", tmp.path() + "/KeloRemote");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=OmLogDebugMenu.DashXChild", "-x"});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QByteArray out = child.readAllStandardOutput();
    EXPECT_EQ(child.exitCode(), 0) << out.constData() << child.readAllStandardError().constData();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.constData();
}

}  // namespace

KELO_TEST_MAIN_GUI()
