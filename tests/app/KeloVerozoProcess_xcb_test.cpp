#include "platform/PropertyList.h"
#include "support/LoopbackNamespace.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

#include <csignal>

namespace {

const char kSettingsFile[] = "/.local/share/com.OMBREL.KeloApplications/KeloRemote.plist";

// Starts the real program (`program`, else the built one) under the suite's
// X display, with a home of its own; it lists its window in "window.txt" there.
void startProgram(QProcess& proc, const QTemporaryDir& home, const QString& shot = QString(),
                  const QString& program = QString()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.remove("XDG_DATA_HOME");
    env.remove("XDG_STATE_HOME");
    env.remove("XDG_CONFIG_HOME");
    env.insert("KELO_LOG_WINDOW", home.filePath("window.txt"));
    if (!shot.isEmpty()) env.insert("KELO_WINDOW_SHOT", shot);
    env.insert("QT_QPA_PLATFORM", "xcb");
    proc.setProcessEnvironment(env);
    proc.start(program.isEmpty() ? QString(KELO_VEROZO) : program, {});
}

// The program's latest listing once `done` holds for it, or the last one
// read when `seconds` ran out.
template <typename Done>
QByteArray waitForListing(QProcess& proc, const QTemporaryDir& home, Done done, int seconds) {
    QByteArray out;
    for (int i = 0; i < seconds * 10 && !done(out); ++i) {
        proc.waitForFinished(100);
        QFile listing(home.filePath("window.txt"));
        if (listing.open(QIODevice::ReadOnly)) out = listing.readAll();
    }
    return out;
}

void quitProgram(QProcess& proc) {
    ::kill(pid_t(proc.processId()), SIGINT);
    ASSERT_TRUE(proc.waitForFinished(10000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
}

TEST(KeloVerozoProcess, StartsShowsWindowAndSavesOnSigInt) {
    QTemporaryDir home;
    // Installed in a folder that names it, under a program name of its own.
    const QString install = home.filePath("Kelo Verozo Beta");
    ASSERT_TRUE(QDir().mkpath(install));
    const QString program = install + "/verozo";
    ASSERT_EQ(::link(KELO_VEROZO, QFile::encodeName(program).constData()), 0);
    QProcess proc;
    startProgram(proc, home, QString(), program);
    ASSERT_TRUE(proc.waitForStarted(10000));

    const QByteArray out = waitForListing(
        proc, home, [](const QByteArray& text) { return text.contains("tabs:"); }, 20);
    EXPECT_TRUE(out.contains("window: Kelo Verozo Beta (")) << out.constData();
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

    quitProgram(proc);

    QFile file(home.path() + kSettingsFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QVariantMap root = PropertyList::read(file.readAll()).toMap();
    EXPECT_EQ(root.value("curr_layout"), QVariant(QString("0")));
    EXPECT_EQ(root.value("layouts").toList().size(), 1);
}

// Three simulated servers on loopback, named in the monitor list of the
// operator's settings: the Status tab shows a cell per server with its name
// and the lamp of a running server, and the list survives the quit.
TEST(KeloVerozoProcess, StatusTabShowsTheMonitorListsServers) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    KeloServerSim::Network network;
    network.controller = 0x7F000001;
    KeloServerSim sim(network);
    sim.addServers(3, 0x7F000002);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();

    QTemporaryDir home;
    const QStringList names{"Kelo Sim 1", "Kelo Sim 2", "Kelo Sim 3"};
    QVariantList monitor;
    for (const QString& name : names) monitor << QVariantMap{{"name", name}};
    const QVariantMap layout{{"monitor", monitor},
                             {"breakouts", QVariantList{QVariantList{}}},
                             {"layout_settings", QVariantMap{}}};
    const QString settingsPath = home.path() + kSettingsFile;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath).absolutePath()));
    QFile settings(settingsPath);
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(PropertyList::write(
        QVariantMap{{"curr_layout", "0"}, {"layouts", QVariantList{layout}}},
        PropertyList::Format::Xml));
    settings.close();

    const QString shot = artefactPath("KeloVerozoStatusTab.png");
    QFile::remove(shot);
    QProcess proc;
    startProgram(proc, home, shot);
    ASSERT_TRUE(proc.waitForStarted(10000));
    // A cell shows the name the server calls itself (its alias).
    auto allOnline = [&sim](const QByteArray& text) {
        for (int i = 0; i < sim.serverCount(); ++i) {
            if (!text.contains("cell: " + sim.config(i).alias + "|Online\n")) return false;
        }
        return true;
    };
    // Generous: the servers announce once a second and the machine may be busy.
    const QByteArray out = waitForListing(proc, home, allOnline, 60);
    EXPECT_TRUE(allOnline(out)) << out.constData();
    EXPECT_EQ(out.count("cell: "), 3) << out.constData();
    // Taken just before that listing was written.
    const QImage picture(shot);
    EXPECT_FALSE(picture.isNull()) << shot.toStdString();
    quitProgram(proc);

    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QVariantMap root = PropertyList::read(settings.readAll()).toMap();
    const QVariantList saved =
        root.value("layouts").toList().value(0).toMap().value("monitor").toList();
    ASSERT_EQ(saved.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(saved[i].toMap().value("name").toString(), names[i]);
}

}  // namespace

KELO_TEST_MAIN_CORE()
