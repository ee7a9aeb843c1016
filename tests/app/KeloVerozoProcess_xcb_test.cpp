#include "platform/PropertyList.h"
#include "support/TestMain.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

namespace {

// The real program under the suite's X display, with a home of its own.
TEST(KeloVerozoProcess, StartsShowsWindowAndSavesOnSigInt) {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.remove("XDG_DATA_HOME");
    env.remove("XDG_STATE_HOME");
    env.remove("XDG_CONFIG_HOME");
    env.insert("KELO_LOG_WINDOW", home.filePath("window.txt"));
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.start(KELO_VEROZO, {});
    ASSERT_TRUE(proc.waitForStarted(10000));

    QByteArray out;
    for (int i = 0; i < 200 && !out.contains("tabs:"); ++i) {
        proc.waitForFinished(100);
        QFile listing(home.filePath("window.txt"));
        if (listing.open(QIODevice::ReadOnly)) out = listing.readAll();
    }
    EXPECT_TRUE(out.contains("window: Kelo Verozo ")) << out.constData();
    // The window as the X server knows it, found by its title.
    const QByteArray title = out.mid(out.indexOf("window: ") + 8).split('\n').value(0);
    QByteArray windows;
    for (int i = 0; i < 100 && !windows.contains('"' + title + '"'); ++i) {
        QProcess xwininfo;
        xwininfo.start("xwininfo", {"-root", "-tree"});
        xwininfo.waitForFinished(5000);
        windows = xwininfo.readAllStandardOutput();
        if (!windows.contains('"' + title + '"')) proc.waitForFinished(100);
    }
    EXPECT_TRUE(windows.contains('"' + title + '"')) << title.constData();
    EXPECT_TRUE(
        out.contains("tabs: Status|Content|Pixel Map|Preferences|Outputs|Mixes|Image Remap"))
        << out.constData();

    ::kill(pid_t(proc.processId()), SIGINT);
    ASSERT_TRUE(proc.waitForFinished(10000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);

    QFile file(home.path() + "/.local/share/com.OMBREL.KeloApplications/KeloRemote.plist");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QVariantMap root = PropertyList::read(file.readAll()).toMap();
    EXPECT_EQ(root.value("curr_layout"), QVariant(QString("0")));
    EXPECT_EQ(root.value("layouts").toList().size(), 1);
}

}  // namespace

KELO_TEST_MAIN_CORE()
