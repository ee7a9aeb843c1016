#pragma once

#include "platform/InstalledInterface.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>

class QTimer;

// An alert the task manager wants shown.
struct VTaskAlert {
    bool critical = true;  // else a warning
    QString title;
    QString text;
    QStringList buttons;  // first is the default
};

// What the task manager needs of the application's user interface; the
// composition root installs one at start-up. Without one, questions are
// answered with -1 (nobody to ask) and the offers end up in the log.
class VTaskManagerUI : public InstalledInterface<VTaskManagerUI> {
public:
    virtual ~VTaskManagerUI() = default;
    // Index of the button chosen; -1 when nobody can be asked.
    virtual int runAlert(const VTaskAlert& alert) {
        (void)alert;
        return -1;
    }
    virtual void requestUserAttention() {}
    virtual void revealInFileViewer(const QString& path) { (void)path; }
    // Opens a "mailto:" link; true when a mail program took it.
    virtual bool openMailLink(const QString& url) {
        (void)url;
        return false;
    }
    virtual void relaunchNow() {}
    virtual bool launchingFinished() { return false; }
};

// Start-up guard of the application: refuses a second instance, installs the
// crash handlers, collects the report of a previous crash on the next start,
// and watches for machine sleep and lost heartbeats from a thread of its own.
//
// A second instance is noticed through an flock(2) lock on a file in the
// runtime folder that holds the owner's process id. The crash-signal handler
// runs on a 131072-byte alternate stack and only writes files through
// pre-opened paths; everything that needs more (reading, zipping, asking the
// user) happens at the next start.
class VTaskManager {
public:
    enum Heartbeat {
        kApplicationHeartbeat,
        kGUIUpdateHeartbeat,
        kCommHeartbeat,
        kPlayThreadHeartbeat
    };
    // Exception kinds of exceptionHandler().
    enum : unsigned { kTopLevelExceptionMask = 64 | 128 };

    static VTaskManager& sharedTaskManager();
    // Takes the single-instance lock at `instanceLockPath`, by default
    // "<runtime folder>/<application name>.lock".
    explicit VTaskManager(const QString& instanceLockPath = QString());
    ~VTaskManager();
    VTaskManager(const VTaskManager&) = delete;
    VTaskManager& operator=(const VTaskManager&) = delete;

    QString mAppPath() const { return mAppPath_; }
    void setMAppPath(const QString& path) { mAppPath_ = path; }
    int32_t mWarnOtherApp() const { return mWarnOtherApp_; }
    void setMWarnOtherApp(int32_t warn) { mWarnOtherApp_ = warn; }

    // Handlers, the previous run's crash report, then the heartbeat thread.
    void checkCrashLog();
    void installCrashHandlers();
    void collectCrashReport();
    // "Open New Instance?": false when the user cancelled (start-up then
    // exits); on "Continue" the other instance is stopped and this one relaunched.
    bool warnOtherApp();

    // Writes the crash folder and the crash-check file; at most once per
    // process. Safe inside a signal handler.
    void produceCrashLog(int flag);
    bool exceptionHandler(const QString& name, const QString& reason, unsigned mask);
    bool checkForFatalException();
    void mainThreadModalHeartbeat();
    [[noreturn]] void lookAtHung_Thread_0_ForCrashReason();
    static bool wasRecentlyStuckOnBreakpoint();

    // The logs folder: "Logs/KeloRemote" below the server root path; empty
    // while there is no root. setRootLogsPath overrides it (empty: back to
    // the root path).
    QString rootLogsPath() const;
    void setRootLogsPath(const QString& path) { rootLogsPathOverride_ = path; }
    QString checkCrashLogFilePath() const;
    // Folders where the platform's crash reports are looked for, in order;
    // the crash handler writes its own report into the last one.
    QStringList crashReportFolders() const { return crashReportFolders_; }
    void setCrashReportFolders(const QStringList& folders) { crashReportFolders_ = folders; }

    void printStackTrace(const char* exceptionName);
    static int64_t getPrefValue(const QVariant& value);
    // The user defaults' "gLogCICVMEthernet" as read at initialisation.
    static int64_t logCICVMEthernet();
    // Runs `tool` with `argument` split at double blanks; its output, or the
    // empty text after 1000 ms or a failure.
    static QString unixShellCommand(const QString& tool, const QString& argument);

    // The four stamps the watchdog checks (milliseconds of getMilliS, 0 = unused).
    static void setHeartbeat(Heartbeat which, uint64_t milliS);
    // One pass of the heartbeat thread at `now`; true when the process should
    // abort. The thread calls it every 2 s.
    static bool checkHeartbeatPass(uint64_t now);
    static bool heartbeatTimeoutOccurred();
    static int heartbeatCountdown();
    // Tests: back to the state of a fresh process with an armed watchdog or not.
    static void resetHeartbeatState(bool armed);

    static const char* supportAddress() { return "support@kelo.example"; }

private:
    QString appName() const;
    // Works out, outside any handler, every path the crash handler writes to.
    void prepareCrashPaths() const;
    QString zipPathFor(const QString& crashFolder) const;
    void offerCrashReport(const QString& crashFolder, const QString& zipPath, bool zipped);
    [[noreturn]] static void checkHeartbeatThread();

    QString mAppPath_;
    int32_t mWarnOtherApp_ = 0;
    QString rootLogsPathOverride_;
    QStringList crashReportFolders_;
    QString lockPath_;
    int lockFd_ = -1;
    std::unique_ptr<QTimer> modalHeartbeatTimer_;
};

// Crash-signal handler of SIGBUS, SIGSEGV, SIGABRT, SIGFPE and SIGILL.
void catch_crash_signal(int sig);
