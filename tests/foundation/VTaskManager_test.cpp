#include "foundation/VTaskManager.h"
#include "foundation/OmLog.h"
#include "platform/UserDefaults.h"

#include "support/TestMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace {

// Records what the task manager asks and answers from a script.
class ScriptedUI : public VTaskManagerUI {
public:
    QList<int> answers;  // one per alert, in order; -1 once they run out
    QStringList titles;
    QStringList revealed;
    QStringList mailLinks;
    bool mailWorks = false;
    int attention = 0;
    int relaunches = 0;

    int runAlert(const VTaskAlert& alert) override {
        titles << alert.title;
        return answers.isEmpty() ? -1 : answers.takeFirst();
    }
    void requestUserAttention() override { ++attention; }
    void revealInFileViewer(const QString& path) override { revealed << path; }
    bool openMailLink(const QString& url) override {
        mailLinks << url;
        return mailWorks;
    }
    void relaunchNow() override { ++relaunches; }
    bool launchingFinished() override { return launched; }
    bool launched = false;
};

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool writeText(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class VTaskManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        UserDefaults::setStandardFile(path("prefs.plist"));
        UserDefaults::standard().setObject("gLogCICVMEthernet", "3");
        UserDefaults::standard().synchronize();
        VTaskManagerUI::install(&ui);
    }
    void TearDown() override { VTaskManagerUI::install(nullptr); }

    QString path(const QString& name) const { return tmp.filePath(name); }
    QString logs() const { return path("root/Logs/KeloRemote"); }

    // A task manager pointed at the temporary folder, as after a start of
    // "/opt/kelo/KeloVerozo".
    std::unique_ptr<VTaskManager> manager() const {
        auto tm = std::make_unique<VTaskManager>(path("instance.lock"));
        tm->setRootLogsPath(logs());
        tm->setCrashReportFolders({path("CrashReporter"), path("DiagnosticReports")});
        tm->setMAppPath("/opt/kelo/KeloVerozo");
        return tm;
    }

    QStringList crashFolders() const {
        return QDir(logs()).entryList({"KeloRemoteCrashLog_*"}, QDir::Dirs);
    }

    QTemporaryDir tmp;
    ScriptedUI ui;
};

// --- Crash reports ------------------------------------------------------------

TEST_F(VTaskManagerTest, CrashedChildIsReportedAtNextStart) {
    const struct {
        int signal;
        bool producedBefore;  // a report was already made before the fault
    } cases[] = {{SIGSEGV, false}, {SIGABRT, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        QDir(path("root")).removeRecursively();
        QDir(path("DiagnosticReports")).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(logs()));

        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            OmLog log(path("applog"), "crash test child");
            for (int i = 0; i < 20; ++i) OmLogNoFlood(kOmLogInfo, "child line %d\n", i);
            std::fflush(stdout);
            auto tm = manager();
            tm->checkCrashLog();
            if (c.producedBefore) tm->produceCrashLog(1);
            if (c.signal == SIGSEGV) {
                volatile int* nowhere = nullptr;
                *nowhere = 1;
            } else {
                std::abort();
            }
            _exit(3);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);

        auto tm = manager();
        ASSERT_TRUE(QFileInfo::exists(tm->checkCrashLogFilePath()));
        const QStringList folders = crashFolders();
        ASSERT_EQ(folders.size(), 1) << folders.join(' ').toStdString();
        EXPECT_TRUE(QFileInfo::exists(path("DiagnosticReports/KeloVerozo_%1.crash").arg(child)));

        ui = ScriptedUI();
        ui.answers = {2, 0};  // "Continue", then "Continue"
        tm->collectCrashReport();

        EXPECT_FALSE(QFileInfo::exists(tm->checkCrashLogFilePath()));
        const QString folder = QDir(logs()).filePath(folders[0]);
        EXPECT_TRUE(QFileInfo::exists(folder + "/KeloVerozo_" + QString::number(child) + ".crash"));
        EXPECT_TRUE(QFileInfo::exists(folder + '/' + QCoreApplication::applicationName()));
        const QString crashLog = readText(folder + "/crash.log");
        EXPECT_TRUE(crashLog.startsWith(QString::number(child) + '\n' + folder + '\n'));
        EXPECT_TRUE(crashLog.contains("Crash Reporter .crash file, with the system.log appended"));
        EXPECT_TRUE(crashLog.contains(QStringLiteral("Process: KeloVerozo [%1]").arg(child)));
        EXPECT_TRUE(crashLog.contains("Backtrace:"));
        EXPECT_TRUE(crashLog.contains("BEGIN APPENDED /var/log/system.log"));
        EXPECT_TRUE(crashLog.contains("child line 19"));

        const QString zip = folder + ".zip";
        EXPECT_TRUE(QFileInfo::exists(zip));
        EXPECT_EQ(readText(QDir(logs()).filePath("RemoteCrashLog.txt")).section('\n', 0, 0), zip);
        const QString unzip = QStandardPaths::findExecutable("unzip");
        if (!unzip.isEmpty()) {
            QProcess p;
            p.start(unzip, {"-Z1", zip});
            ASSERT_TRUE(p.waitForFinished(5000));
            QStringList names =
                QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            names.sort();
            QStringList expected{QCoreApplication::applicationName(),
                                 "KeloVerozo_" + QString::number(child) + ".crash", "crash.log"};
            expected.sort();
            EXPECT_EQ(names.join(' ').toStdString(), expected.join(' ').toStdString());
            p.start(unzip, {"-p", zip, "crash.log"});
            ASSERT_TRUE(p.waitForFinished(5000));
            EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), crashLog);
        }
        EXPECT_EQ(ui.titles, (QStringList{"Error", "Restarting"}));
        EXPECT_EQ(ui.attention, 1);
    }
}

// The next start's check against hand-made leftovers of a crash.
TEST_F(VTaskManagerTest, LeftoversOfACrash) {
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0 - 978307200.0;
    const struct {
        const char* what;
        const char* pid;
        bool folderExists;
        bool reportFolderListable;
        int reportPid;     // 0: none
        double reportAge;  // seconds before the recorded time
        bool zipAndAlert;
        bool reportTaken;
    } cases[] = {
        {"report found", "4242", true, true, 4242, 10, true, true},
        {"no valid pid", "zero", true, true, 4242, 10, false, false},
        {"crash folder gone", "4242", false, true, 4242, 10, false, false},
        {"no report folder to list", "4242", true, false, 0, 0, false, false},
        {"report of another process", "4242", true, true, 4243, 10, true, false},
        {"report too old", "4242", true, true, 4242, 150000, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(path("root")).removeRecursively();
        QDir(path("DiagnosticReports")).removeRecursively();
        auto tm = manager();
        const QString folder = logs() + "/KeloRemoteCrashLog_Jan01_01_02_03";
        if (c.folderExists) {
            ASSERT_TRUE(writeText(folder + "/crash.log", "old log line\n"));
        }
        ASSERT_TRUE(writeText(
            tm->checkCrashLogFilePath(),
            QStringLiteral("%1\n%2\n%3").arg(c.pid, folder).arg(now, 64, 'G', 17).toUtf8()));
        if (c.reportFolderListable) {
            ASSERT_TRUE(QDir().mkpath(path("DiagnosticReports")));
        }
        const QString report = path("DiagnosticReports/KeloVerozo_x.crash");
        if (c.reportPid) {
            ASSERT_TRUE(writeText(
                report,
                QStringLiteral("Process: KeloVerozo [%1]\nmore\n").arg(c.reportPid).toUtf8()));
            QFile f(report);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.setFileTime(
                QDateTime::fromMSecsSinceEpoch(qint64((now + 978307200.0 - c.reportAge) * 1000)),
                QFileDevice::FileModificationTime);
        }
        ui = ScriptedUI();
        tm->collectCrashReport();

        EXPECT_FALSE(QFileInfo::exists(tm->checkCrashLogFilePath()));
        EXPECT_EQ(QFileInfo::exists(folder + ".zip"), c.zipAndAlert);
        EXPECT_EQ(ui.titles.contains("Error"), c.zipAndAlert);
        EXPECT_EQ(QFileInfo::exists(folder + "/KeloVerozo_x.crash"), c.reportTaken);
        if (c.zipAndAlert) {
            EXPECT_EQ(readText(folder + "/crash.log").contains("Process: KeloVerozo"),
                      c.reportTaken);
        }
    }
}

TEST_F(VTaskManagerTest, SendingTheReportFallsBackToShowingIt) {
    auto tm = manager();
    const QString folder = logs() + "/KeloRemoteCrashLog_Feb02_02_03_04";
    ASSERT_TRUE(writeText(folder + "/crash.log", "line one & more\n"));
    ASSERT_TRUE(writeText(tm->checkCrashLogFilePath(), ("77\n" + folder + "\n1").toUtf8()));
    ASSERT_TRUE(QDir().mkpath(path("CrashReporter")));

    ui.answers = {0, 0, 0};  // send; OK; continue
    tm->collectCrashReport();
    EXPECT_EQ(ui.titles, (QStringList{"Error", "Failed to send report", "Restarting"}));
    ASSERT_EQ(ui.mailLinks.size(), 1);
    const QString link = ui.mailLinks[0];
    EXPECT_TRUE(
        link.startsWith("mailto:support@kelo.example?subject=KeloVerozo%20crash%20report&body="));
    EXPECT_TRUE(link.contains("%0D%0A%0D%0A%0D%0A%0D%0A%0D%0Aline%20one%20%26%20more"));
    EXPECT_EQ(ui.revealed, QStringList{folder});

    // "View details" only shows the folder.
    ui = ScriptedUI();
    ui.answers = {1, 0};
    ASSERT_TRUE(writeText(tm->checkCrashLogFilePath(), ("77\n" + folder + "\n1").toUtf8()));
    tm->collectCrashReport();
    EXPECT_TRUE(ui.mailLinks.isEmpty());
    EXPECT_EQ(ui.revealed, QStringList{folder});
}

TEST_F(VTaskManagerTest, NoLogsFolderMeansNoReport) {
    VTaskManager tm(path("instance.lock"));
    tm.setRootLogsPath(QString());
    if (tm.rootLogsPath().isEmpty()) {
        testing::internal::CaptureStderr();
        tm.produceCrashLog(1);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("could not produceCrashLog"),
                  std::string::npos);
    }
    EXPECT_EQ(tm.checkCrashLogFilePath().isEmpty(), tm.rootLogsPath().isEmpty());
    EXPECT_TRUE(
        manager()->checkCrashLogFilePath().endsWith("/Logs/KeloRemote/Logs/tempCheckCrashLog"));
}

// --- Second instance ------------------------------------------------------------

TEST_F(VTaskManagerTest, SecondInstanceStopsTheFirstOnContinue) {
    for (bool ignoresInterrupt : {false, true}) {
        SCOPED_TRACE(ignoresInterrupt);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t first = fork();
        ASSERT_GE(first, 0);
        if (first == 0) {
            if (ignoresInterrupt) signal(SIGINT, SIG_IGN);
            const int fd =
                open(path("instance.lock").toLocal8Bit().constData(), O_RDWR | O_CREAT, 0644);
            if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(2);
            const QByteArray pid = QByteArray::number(getpid()) + '\n';
            if (ftruncate(fd, 0) != 0 || write(fd, pid.constData(), size_t(pid.size())) < 0)
                _exit(2);
            if (write(ready[1], "x", 1) != 1) _exit(2);
            for (;;) pause();
        }
        close(ready[1]);
        char x;
        ASSERT_EQ(read(ready[0], &x, 1), 1);
        close(ready[0]);

        {
            auto tm = manager();
            EXPECT_EQ(tm->mWarnOtherApp(), 1);
            ui = ScriptedUI();
            ui.answers = {0};  // "Cancel"
            EXPECT_FALSE(tm->warnOtherApp());
            EXPECT_EQ(kill(first, 0), 0);
            EXPECT_EQ(ui.relaunches, 0);

            ui.answers = {1};  // "Continue"
            EXPECT_TRUE(tm->warnOtherApp());
            EXPECT_EQ(ui.titles, (QStringList{"Open New Instance?", "Open New Instance?"}));
            EXPECT_EQ(ui.relaunches, 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(first, &status, 0), first);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), ignoresInterrupt ? SIGKILL : SIGINT);

        auto again = manager();
        EXPECT_EQ(again->mWarnOtherApp(), 0);
        // While it holds the lock, a third one is refused.
        EXPECT_EQ(manager()->mWarnOtherApp(), 1);
    }
}

// --- Exceptions and the heartbeat -------------------------------------------------

TEST_F(VTaskManagerTest, TopLevelExceptionsAreLoggedNineTimes) {
    auto tm = manager();
    VTaskManager::resetHeartbeatState(false);
    testing::internal::CaptureStderr();
    for (int i = 0; i < 12; ++i)
        EXPECT_FALSE(tm->exceptionHandler("NSRangeException", "index beyond bounds", 64));
    const std::string err = testing::internal::GetCapturedStderr();
    int lines = 0;
    for (size_t at = 0;
         (at = err.find("uncaught exception: NSRangeException", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, 9);

    // An exception of another kind is reported once by checkForFatalException.
    EXPECT_FALSE(tm->checkForFatalException());
    EXPECT_FALSE(tm->exceptionHandler("NSInvalidArgumentException", "", 0));
    EXPECT_TRUE(tm->checkForFatalException());
    EXPECT_FALSE(tm->checkForFatalException());
    EXPECT_FALSE(tm->exceptionHandler("NSInvalidArgumentException", "", 0));
    EXPECT_FALSE(tm->checkForFatalException());
}

TEST_F(VTaskManagerTest, HeartbeatNoticesSleepAndLostStamps) {
    // A gap of more than 2.5 s between passes is a sleep or a stop.
    VTaskManager::resetHeartbeatState(false);
    VTaskManager::checkHeartbeatPass(getMilliS());
    EXPECT_FALSE(VTaskManager::wasRecentlyStuckOnBreakpoint());
    VTaskManager::resetHeartbeatState(false);
    const uint64_t now = getMilliS();
    VTaskManager::checkHeartbeatPass(now - 8000);
    VTaskManager::checkHeartbeatPass(now - 500);
    EXPECT_TRUE(VTaskManager::wasRecentlyStuckOnBreakpoint());

    // Unarmed, a lost stamp does nothing.
    const uint64_t base = 5000000;
    VTaskManager::resetHeartbeatState(false);
    VTaskManager::setHeartbeat(VTaskManager::kCommHeartbeat, base - 20000);
    for (int k = 0; k < 3; ++k) VTaskManager::checkHeartbeatPass(base + 2000 * k);
    EXPECT_EQ(VTaskManager::heartbeatCountdown(), 10);

    // Armed: ten passes count down, the flag from the fourth on; without a
    // top-level exception there is no abort.
    VTaskManager::resetHeartbeatState(true);
    VTaskManager::setHeartbeat(VTaskManager::kCommHeartbeat, base - 20000);
    for (int k = 1; k <= 10; ++k) {
        SCOPED_TRACE(k);
        EXPECT_FALSE(VTaskManager::checkHeartbeatPass(base + 2000 * k));
        EXPECT_EQ(VTaskManager::heartbeatCountdown(), 10 - k);
        EXPECT_EQ(VTaskManager::heartbeatTimeoutOccurred(), k >= 4);
    }
    auto tm = manager();
    tm->exceptionHandler("NSGenericException", "", 128);
    EXPECT_TRUE(VTaskManager::checkHeartbeatPass(base + 2000 * 11));

    // The stamp coming back resets the countdown.
    VTaskManager::setHeartbeat(VTaskManager::kCommHeartbeat, base + 2000 * 12);
    EXPECT_FALSE(VTaskManager::checkHeartbeatPass(base + 2000 * 12));
    EXPECT_EQ(VTaskManager::heartbeatCountdown(), 10);
    EXPECT_FALSE(VTaskManager::heartbeatTimeoutOccurred());
}

TEST_F(VTaskManagerTest, WatchdogIsArmedOnceLaunchingHasFinished) {
    const uint64_t now = getMilliS();
    for (bool launched : {false, true}) {
        SCOPED_TRACE(launched);
        VTaskManager::resetHeartbeatState(false);
        VTaskManager::setHeartbeat(VTaskManager::kGUIUpdateHeartbeat, now - 30000);
        ui.launched = launched;
        auto tm = manager();
        tm->checkForFatalException();
        VTaskManager::checkHeartbeatPass(now);
        EXPECT_EQ(VTaskManager::heartbeatCountdown(), launched ? 9 : 10);
    }
}

TEST_F(VTaskManagerTest, ModalLoopKeepsTheWatchdogQuiet) {
    auto tm = manager();
    const uint64_t now = getMilliS();
    // The modal stamp lands after the pass's clock reading, as it may when the
    // main thread stamps while the heartbeat thread checks.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    for (bool modal : {false, true}) {
        SCOPED_TRACE(modal);
        VTaskManager::resetHeartbeatState(true);
        VTaskManager::setHeartbeat(VTaskManager::kApplicationHeartbeat, now - 30000);
        if (modal) {
            // A dialog's loop inside the main loop.
            QEventLoop outer;
            QTimer::singleShot(0, [&] {
                QEventLoop nested;
                QTimer::singleShot(0, [&] {
                    tm->mainThreadModalHeartbeat();
                    nested.quit();
                });
                nested.exec();
                outer.quit();
            });
            outer.exec();
        } else {
            tm->mainThreadModalHeartbeat();
        }
        VTaskManager::checkHeartbeatPass(now);
        EXPECT_EQ(VTaskManager::heartbeatCountdown(), modal ? 10 : 9);
    }
}

// --- Preferences and tools -----------------------------------------------------

TEST_F(VTaskManagerTest, PrefValuesAndDebugSwitch) {
    const struct {
        QVariant value;
        int64_t expected;
    } cases[] = {
        {QVariant(42), 42},
        {QVariant(qint64(1) << 40), int64_t(1) << 40},
        {QVariant(true), 1},
        {QVariant(false), 0},
        {QVariant(2.9), 2},
        {QVariant(QString(" -17abc")), -17},
        {QVariant(QString("x1")), 0},
        {QVariant(QVariantList{1}), 0},
        {QVariant(), 0},
        {QVariant(1e300), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VTaskManager::getPrefValue(c.value), c.expected)
            << c.value.toString().toStdString();
    auto tm = manager();
    EXPECT_EQ(VTaskManager::logCICVMEthernet(), 3);
}

TEST_F(VTaskManagerTest, ShellCommandsRunWithArgumentLists) {
    EXPECT_EQ(VTaskManager::unixShellCommand("/usr/bin/printf", "[%s]  a b;c  $(id)"),
              "[a b;c][$(id)]");
    EXPECT_EQ(VTaskManager::unixShellCommand("/nonexistent/tool", "x"), "");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(VTaskManager::unixShellCommand("/bin/sleep", "10"), "");
    EXPECT_LT(timer.elapsed(), 3000);
}

}  // namespace

KELO_TEST_MAIN_CORE()
