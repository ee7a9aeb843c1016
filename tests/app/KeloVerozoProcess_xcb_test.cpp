#include "platform/PropertyList.h"
#include "support/LoopbackNamespace.h"
#include "support/PixelTestSupport.h"
#include "support/SavedLayoutSettings.h"
#include "support/TestMain.h"

#include <QDir>
#include <QDirIterator>
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
// X display, with a home of its own; it lists its window in "window.txt"
// there, and clicks the Status tab's cell of the server `click` once it shows.
void startProgram(QProcess& proc, const QTemporaryDir& home, const QString& shot = QString(),
                  const QString& program = QString(), const QString& click = QString(),
                  const QProcessEnvironment& extra = QProcessEnvironment()) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.remove("XDG_DATA_HOME");
    env.remove("XDG_STATE_HOME");
    env.remove("XDG_CONFIG_HOME");
    env.insert("KELO_LOG_WINDOW", home.filePath("window.txt"));
    if (!shot.isEmpty()) env.insert("KELO_WINDOW_SHOT", shot);
    if (!click.isEmpty()) env.insert("KELO_CLICK_SERVER", click);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert(extra);
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

// The files under `folder` whose names end in `suffix`, at any depth.
QStringList filesUnder(const QString& folder, const QString& suffix) {
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(suffix)) found << path;
    }
    return found;
}

// The log goes to "Logs/KeloRemote" under the server root folder when this
// machine has one ("~/Kelo" here), else to the user's log folder; the search
// for the root is told once on the console, however often the start-up asks;
// the launch is recorded under "last_launch_path".
TEST(KeloVerozoProcess, LogsUnderTheServerRootElseTheUsersFolder) {
    for (const bool hasRoot : {true, false}) {
        SCOPED_TRACE(hasRoot ? "with ~/Kelo" : "without");
        QTemporaryDir home;
        if (hasRoot) ASSERT_TRUE(QDir(home.path()).mkpath("Kelo"));
        QProcess proc;
        startProgram(proc, home);
        ASSERT_TRUE(proc.waitForStarted(10000));
        const QByteArray out = waitForListing(
            proc, home, [](const QByteArray& text) { return text.contains("tabs:"); }, 30);
        ASSERT_TRUE(out.contains("tabs:")) << out.constData();
        quitProgram(proc);

        const QString console = QString::fromUtf8(proc.readAllStandardOutput());
        EXPECT_EQ(console.count("Searching for Kelo Folder"), 1) << console.toStdString();
        const QStringList logs =
            filesUnder(home.path(), ".txt").filter(QStringLiteral("/KeloRemote/"));
        ASSERT_EQ(logs.size(), 1) << logs.join(", ").toStdString();
        if (hasRoot)
            EXPECT_TRUE(logs[0].startsWith(home.path() + "/Kelo/Logs/KeloRemote/"))
                << logs[0].toStdString();
        else
            EXPECT_FALSE(logs[0].contains("/Kelo/")) << logs[0].toStdString();
        QFile log(logs[0]);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_TRUE(log.readAll().contains("starting up..."));

        const QStringList defaults = filesUnder(home.path(), "com.OMBREL.KeloRemote.plist");
        ASSERT_EQ(defaults.size(), 1);
        QFile file(defaults[0]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QVariantMap values = PropertyList::read(file.readAll()).toMap();
        EXPECT_EQ(values.value("last_launch_path").toString(),
                  QFileInfo(QString(KELO_VEROZO)).absolutePath());
    }
}

// The lines of a listing that begin with `prefix`, without it.
QList<QByteArray> linesStarting(const QByteArray& listing, const QByteArray& prefix) {
    QList<QByteArray> found;
    for (const QByteArray& line : listing.split('\n'))
        if (line.startsWith(prefix)) found << line.mid(prefix.size());
    return found;
}

// The three breakout columns of the listing that show, with width, left to
// right and each with its server's cell under the name the server reports.
bool threeColumnsShown(const QByteArray& listing, const KeloServerSim& sim) {
    const QList<QByteArray> columns = linesStarting(listing, "column: ");
    if (columns.size() != 3) return false;
    int right = 0;
    for (int i = 0; i < 3; ++i) {
        const QList<QByteArray> parts = columns[i].split('|');
        const QList<QByteArray> frame = parts.value(0).split(',');
        const int x = frame.value(0).toInt();
        const int width = frame.value(2).toInt();
        if (parts.value(1) != "shown" || width <= 0 || x < right ||
            parts.value(2) != "Kelo Sim " + QByteArray::number(i + 1) ||
            parts.value(3) != sim.config(i).alias)
            return false;
        right = x + width;
    }
    return true;
}

// Three simulated servers on loopback, added by the operator's settings:
// the Status tab shows a cell per server with its name and the lamp of a
// running server, three breakout columns of the custom layout beside them,
// and the menu bar its menus. A click on a server's cell makes the monitor
// HUD, which is on in the layout, show that server. The list survives the quit.
TEST(KeloVerozoProcess, StatusTabColumnsMenusAndTheMonitorHudFollowingAClick) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    KeloServerSim::Network network;
    network.controller = 0x7F000001;
    KeloServerSim sim(network);
    sim.addServers(3, 0x7F000002);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();

    QTemporaryDir home;
    const QStringList names{"Kelo Sim 1", "Kelo Sim 2", "Kelo Sim 3"};
    QVariantList monitor, breakouts;
    QVariantMap active;
    for (const QString& name : names) {
        monitor << QVariantMap{{"name", name}};
        breakouts << QVariant(QVariantList{QVariantMap{{"name", name}}});
        // Remembered from an earlier run under another name: the alias the
        // server now reports replaces it in the list, the columns and the HUD.
        active.insert(name, "Old " + name);
    }
    const QVariantMap layoutSettings{{"showSelectedServerOnly", "0"},
                                     {"breakout_cols", "3"},
                                     {"breakoutheight", "90"},
                                     {"hasmonitorbreakout", "1"}};
    const QVariantMap layout{
        {"monitor", monitor}, {"breakouts", breakouts}, {"layout_settings", layoutSettings}};
    const QString settingsPath = home.path() + kSettingsFile;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath).absolutePath()));
    QFile settings(settingsPath);
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(PropertyList::write(
        QVariantMap{
            {"active_keloes", active}, {"curr_layout", "0"}, {"layouts", QVariantList{layout}}},
        PropertyList::Format::Xml));
    settings.close();

    const QString shot = artefactPath("KeloVerozoStatusTab.png");
    const QString hudShot = artefactPath("KeloVerozoStatusTab-hud.png");
    QFile::remove(shot);
    QFile::remove(hudShot);
    QProcess proc;
    startProgram(proc, home, shot, QString(), names[1]);
    ASSERT_TRUE(proc.waitForStarted(10000));
    // A cell shows the name the server calls itself (its alias).
    auto allOnline = [&sim](const QByteArray& text) {
        for (int i = 0; i < sim.serverCount(); ++i) {
            if (!text.contains("cell: " + sim.config(i).alias + "|Online\n")) return false;
        }
        return true;
    };
    // The HUD shows the clicked server whole: its picture (72 high by the
    // layout's default) under the name its cell in the list shows.
    auto hudShowsSim2 = [&sim](const QByteArray& text) {
        const QList<QByteArray> hud = linesStarting(text, "hud: ").value(0).split('|');
        return hud.size() == 4 && hud[0] == "Kelo Sim 2" && hud[1] == "shown" &&
               hud[2].split('x').value(1).toInt() > 72 && hud[3] == sim.config(1).alias;
    };
    auto done = [&](const QByteArray& text) {
        return allOnline(text) && threeColumnsShown(text, sim) && hudShowsSim2(text);
    };
    // Generous: the servers announce once a second and the machine may be busy.
    const QByteArray out = waitForListing(proc, home, done, 90);
    EXPECT_TRUE(allOnline(out)) << out.constData();
    EXPECT_EQ(out.count("cell: "), 3) << out.constData();
    EXPECT_TRUE(threeColumnsShown(out, sim)) << out.constData();
    EXPECT_TRUE(hudShowsSim2(out)) << out.constData();
    EXPECT_EQ(linesStarting(out, "menus: ").value(0),
              QByteArray("Kelo Verozo|View|Commands|Window|Help"))
        << out.constData();
    // Taken just before that listing was written.
    EXPECT_FALSE(QImage(shot).isNull()) << shot.toStdString();
    EXPECT_FALSE(QImage(hudShot).isNull()) << hudShot.toStdString();
    quitProgram(proc);

    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QVariantMap root = PropertyList::read(settings.readAll()).toMap();
    const QVariantMap saved = root.value("layouts").toList().value(0).toMap();
    const QVariantList savedMonitor = saved.value("monitor").toList();
    ASSERT_EQ(savedMonitor.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(savedMonitor[i].toMap().value("name").toString(), names[i]);
    EXPECT_EQ(saved.value("breakouts").toList().size(), 3);
    EXPECT_EQ(root.value("active_keloes").toMap().value(names[1]).toString().toUtf8(),
              sim.config(1).alias)
        << "the name now shown is remembered";
    // Where the HUD stood, for the next start.
    EXPECT_TRUE(saved.value("layout_settings").toMap().contains("monitor_hud_posn"))
        << saved.value("layout_settings").toMap().keys().join(',').toStdString();
}

// A settings file with the monitor list of `names` (each remembered under
// its own name) and `layoutSettings`, in the program's place under `home`.
void writeSettings(const QTemporaryDir& home, const QStringList& names,
                   const QVariantMap& layoutSettings) {
    QVariantList monitor;
    QVariantMap active;
    for (const QString& name : names) {
        monitor << QVariantMap{{"name", name}};
        active.insert(name, name);
    }
    const QVariantMap layout{{"monitor", monitor},
                             {"breakouts", QVariantList{QVariantList{}}},
                             {"layout_settings", layoutSettings}};
    const QString path = home.path() + kSettingsFile;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(PropertyList::write(
        QVariantMap{
            {"active_keloes", active}, {"curr_layout", "0"}, {"layouts", QVariantList{layout}}},
        PropertyList::Format::Xml));
}

// The layout controls of the server-list panel are pop-overs: the operator
// opens the monitor layers one, picks "16", and the choice shows on the
// button and is in the settings file after the quit. The HUD height and
// breakout columns controls show the layout's values.
TEST(KeloVerozoProcess, PopOverControlsOpenAndTheChoiceIsSaved) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    KeloServerSim::Network network;
    network.controller = 0x7F000001;
    KeloServerSim sim(network);
    sim.addServers(1, 0x7F000002);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();

    QTemporaryDir home;
    writeSettings(home, {"Kelo Sim 1"},
                  {{"hud_height", "120"}, {"breakout_cols", "2"}, {"layers", "8"}});
    const QString shot = artefactPath("KeloVerozoPopOver.png");
    QFile::remove(shot);
    QProcessEnvironment extra;
    extra.insert("KELO_PICK_POPOVER", "toMonitorLayers=16");
    extra.insert("KELO_POPOVER_SHOT", shot);
    QProcess proc;
    startProgram(proc, home, QString(), QString(), QString(), extra);
    ASSERT_TRUE(proc.waitForStarted(10000));

    auto picked = [](const QByteArray& text) {
        return text.contains("popover: toMonitorLayers|16|shown\n");
    };
    const QByteArray out = waitForListing(proc, home, picked, 60);
    EXPECT_TRUE(picked(out)) << out.constData();
    EXPECT_EQ(linesStarting(out, "popover: "),
              (QList<QByteArray>{"toBreakoutHUDHeight|120|shown", "toMonitorLayers|16|shown",
                                 "toMonitorFormat|4:3|shown"}))
        << out.constData();
    EXPECT_EQ(linesStarting(out, "popup: ").value(0), QByteArray("toBreakoutColumns|2"));
    // The pop-over opened for its button, a list of its items beside it.
    const QList<QByteArray> pick = linesStarting(out, "pick: ").value(0).split('|');
    ASSERT_EQ(pick.size(), 3) << out.constData();
    EXPECT_EQ(pick[1], "for toMonitorLayers");
    const QList<QByteArray> frame = pick[2].split(',');
    EXPECT_GT(frame.value(2).toInt(), 0);
    EXPECT_GT(frame.value(3).toInt(), 0);
    // Saved while the pop-over was open over the panel.
    const QImage picture(shot);
    ASSERT_FALSE(picture.isNull()) << shot.toStdString();
    quitProgram(proc);

    const QVariantMap layoutSettings = savedLayoutSettings(home.path() + kSettingsFile);
    EXPECT_EQ(layoutSettings.value("layers"), QVariant(QString("16")));
    EXPECT_EQ(layoutSettings.value("hud_height"), QVariant(QString("120")));
}

}  // namespace

// The Image Remap tab shows the selected server's image remap: the program
// loads the simulated server's document over "multiscreen" messages and
// previews its first configuration ("Wall", three screens of four vertices).
TEST(KeloVerozoProcess, ImageRemapTabPreviewsTheSelectedServersDocument) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    KeloServerSim::Network network;
    network.controller = 0x7F000001;
    KeloServerSim sim(network);
    sim.addServers(2, 0x7F000002);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    QTemporaryDir home;
    writeSettings(home, {"Kelo Sim 1", "Kelo Sim 2"}, QVariantMap{});
    const QString shot = artefactPath("KeloVerozoImageRemapTab.png");
    QFile::remove(shot);
    QProcessEnvironment extra;
    extra.insert("KELO_SELECT_TAB", "Image Remap");
    QProcess proc;
    startProgram(proc, home, shot, QString(), "Kelo Sim 2", extra);
    ASSERT_TRUE(proc.waitForStarted(10000));
    auto previewed = [](const QByteArray& text) {
        const QList<QByteArray> remap = linesStarting(text, "imageremap: ").value(0).split('|');
        return remap.size() == 3 && remap[0] == "Configuration 1 of 2: Wall" &&
               remap[1].startsWith("Preview Scale ") && remap[2] == "12";
    };
    const QByteArray out = waitForListing(proc, home, previewed, 60);
    EXPECT_TRUE(previewed(out)) << out.constData();
    EXPECT_FALSE(QImage(shot).isNull()) << shot.toStdString();
    bool queried = false;
    for (const auto& m : sim.contentEditorMessages(1))
        queried = queried || m.text.startsWith("multiscreen\x0B" "0,0");
    EXPECT_TRUE(queried) << "the selected server was asked";
    quitProgram(proc);
}

KELO_TEST_MAIN_CORE()
