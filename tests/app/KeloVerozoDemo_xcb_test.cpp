// The demo as an operator starts it: scripts/run.sh runs kelo-server-sim
// and the real kelo-verozo in a network namespace of their own, with the
// demo's own settings folder. The program's window probe clicks the first
// server, changes its output names in the Preferences tab and opens the
// content editor; the test reads what the widgets show from the probe's
// listing. Screenshots are kept.

#include "platform/PropertyList.h"
#include "support/PixelTestSupport.h"
#include "support/SavedLayoutSettings.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <signal.h>

namespace {

const char kSettingsFile[] = "/.local/share/com.OMBREL.KeloApplications/KeloRemote.plist";

QList<QByteArray> linesStarting(const QByteArray& listing, const QByteArray& prefix) {
    QList<QByteArray> found;
    for (const QByteArray& line : listing.split('\n'))
        if (line.startsWith(prefix)) found << line.mid(prefix.size());
    return found;
}

TEST(KeloVerozoDemo, RunScriptOpensAWorkingDemo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString home = dir.filePath("home");
    const QString tmp = dir.filePath("tmp");
    ASSERT_TRUE(QDir().mkpath(tmp));
    const QString shot = artefactPath("KeloVerozoDemo.png");
    const QString editorShot = artefactPath("KeloVerozoDemo-editor.png");
    QFile::remove(shot);
    QFile::remove(editorShot);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dir.filePath("operator"));  // the operator's own; never touched
    env.insert("TMPDIR", tmp);
    env.insert("BUILD", KELO_BUILD_DIR);
    env.insert("KELO_RUN_NO_BUILD", "1");
    env.insert("KELO_DEMO_HOME", home);
    env.insert("KELO_DEMO_SCENARIO", "0");
    env.insert("KELO_LOG_WINDOW", dir.filePath("window.txt"));
    env.insert("KELO_WINDOW_SHOT", shot);
    env.insert("KELO_CLICK_SERVER", "Kelo Sim 1");
    env.insert("KELO_EDIT_PREF", "outputNames=(\"Front\", \"Rear\", \"Side\")");
    env.insert("KELO_SHOW_EDITOR", "1");
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    proc.setStandardOutputFile(QProcess::nullDevice());
    // A session of its own, so that Ctrl-C reaches the script's whole group.
    proc.start("setsid", {"bash", QString(KELO_SOURCE_DIR) + "/scripts/run.sh"});
    ASSERT_TRUE(proc.waitForStarted(10000));

    const QByteArray edited = "outputNames|3 items: Front,Rear,Side";
    auto done = [&](const QByteArray& text) {
        return text.count("|Online\n") == 3 && linesStarting(text, "pref: ").value(0) == edited &&
               linesStarting(text, "editor: ").value(0).split('|').value(2).contains("100.001") &&
               QFileInfo::exists(editorShot);
    };
    QByteArray out;
    for (int i = 0; i < 900 && !done(out); ++i) {
        proc.waitForFinished(100);
        QFile listing(dir.filePath("window.txt"));
        if (listing.open(QIODevice::ReadOnly)) out = listing.readAll();
    }

    // The three servers were listed on the first run and are online.
    EXPECT_EQ(out.count("|Online\n"), 3) << out.constData();
    // The Preferences list of the clicked server shows its groups and names.
    const QList<QByteArray> prefs = linesStarting(out, "prefs: ").value(0).split('|');
    EXPECT_EQ(prefs.value(0), "Kelo Sim 1") << out.constData();
    for (const char* name : {"[Identity]", "Display Name", "DMX Universe", "DMX Protocol",
                             "Timecode Source", "Output Names", "Outputs & Mixes"})
        EXPECT_TRUE(prefs.value(1).split(',').contains(name)) << name << "\n" << out.constData();
    // The edit went out as text and came back from the server as a list of
    // three names, not as "0 items".
    EXPECT_EQ(linesStarting(out, "pref: ").value(0), edited) << out.constData();
    // The content editor lists the server's items of the kind it shows.
    const QList<QByteArray> editor = linesStarting(out, "editor: ").value(0).split('|');
    EXPECT_EQ(editor.value(0), "Kelo Sim 1") << out.constData();
    EXPECT_FALSE(editor.value(2).isEmpty()) << out.constData();
    EXPECT_FALSE(QImage(shot).isNull()) << shot.toStdString();
    EXPECT_FALSE(QImage(editorShot).isNull()) << editorShot.toStdString();

    ::kill(-pid_t(proc.processId()), SIGINT);
    ASSERT_TRUE(proc.waitForFinished(20000));

    // The demo's settings stay in its folder, with the three servers; the
    // operator's home was not written, and the media trees are gone.
    QFile settings(home + kSettingsFile);
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QVariantMap root = PropertyList::read(settings.readAll()).toMap();
    EXPECT_EQ(root.value("layouts").toList().value(0).toMap().value("monitor").toList().size(), 3);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("operator")));
    EXPECT_TRUE(QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << QDir(tmp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(',').toStdString();
}

}  // namespace

KELO_TEST_MAIN_CORE()
