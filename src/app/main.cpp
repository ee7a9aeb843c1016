#include "app/KeloCompositionRoot.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemote.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "app/KeloWindowProbe.h"
#include "app/NSApplicationEventCatcher.h"
#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "platform/LibraryPaths.h"
#include "serverlink/KlE_Control_Status.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace {

// Written by the SIGINT handler, read on the main thread.
int gSigIntPipe[2] = {-1, -1};

void catch_int_signal(int) {
    static const char line[] = "\nKeloRemote - received SIGINT signal\n";
    [[maybe_unused]] auto n = write(STDOUT_FILENO, line, sizeof line - 1);
    const char byte = 1;
    n = write(gSigIntPipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    umask(2);

    NSApplicationEventCatcher app(argc, argv);
    QCoreApplication::setApplicationName("KeloRemote");
    QCoreApplication::setApplicationVersion(QStringLiteral(KELO_VERSION));

    // The controller answers the crash and second-instance questions, so it
    // and the wiring come before the task manager's checks.
    KeloRemote remote(std::make_unique<KeloRemoteSettings>());
    KeloCompositionRoot root(remote.frontEnd());
    if (!root.install()) return 1;

    VTaskManager& tasks = VTaskManager::sharedTaskManager();
    tasks.checkCrashLog();
    if (tasks.mWarnOtherApp() != 0) {
        tasks.warnOtherApp();
        return 0;
    }

    // Where the task manager collects it: under the server root folder when
    // this machine has one, else in the user's log folder.
    const QString rootLogs = tasks.rootLogsPath();
    OmLog log(rootLogs.isEmpty() ? libraryPath("~/Library/Logs/KeloRemote") : rootLogs,
              "Kelo Verozo %s starting up...\n", KELO_VERSION);
    log.setLoggingTag("Verozo");
    KeloPrintfLog::setPrefixWithTime(true);

    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSigIntPipe) != 0) {
        OmLog::log(kOmLogError, "Cannot create the SIGINT pipe\n");
        return 1;
    }
    std::signal(SIGINT, catch_int_signal);
    QSocketNotifier sigInt(gSigIntPipe[0], QSocketNotifier::Read);
    QObject::connect(&sigInt, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] auto n = read(gSigIntPipe[0], &byte, 1);
        log.i("KeloRemote - received SIGINT signal\n");
        QTimer::singleShot(250, &app, &QCoreApplication::quit);
    });

    KlE_Control_Status* link = KlE_Control_Status::defaultObject();
    KeloRemoteTick& tick = root.startLink(*link, log);
    remote.awakeFromNib(*link, tick, QCoreApplication::applicationVersion(),
                        applicationBundlePath());
    remote.mainWindow()->show();
    remote.applicationDidFinishLaunching(applicationBundlePath());
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        if (argument.endsWith(".pmap", Qt::CaseInsensitive)) remote.applicationOpenFile(argument);
    KeloWindowProbe probe(remote);
    probe.start();
    tick.start();

    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&] {
        tick.stop();
        remote.applicationShouldTerminate();
        link->stopTimerAndCloseSockets();
        log.flush();
    });
    return app.exec();
}
