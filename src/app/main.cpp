#include "app/KeloCompositionRoot.h"
#include "app/KeloHeadlessFrontEnd.h"
#include "foundation/OmLog.h"
#include "platform/LibraryPaths.h"

#include <QCoreApplication>

#include <sys/stat.h>

#include <cstdio>

int main(int argc, char** argv) {
    umask(2);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("KeloRemote");
    QCoreApplication::setApplicationVersion(QStringLiteral(KELO_VERSION));

    const QString folder = libraryPath("~/Library/Logs/KeloRemote");
    OmLog log(folder, "Kelo Verozo %s starting up...\n", KELO_VERSION);
    log.setLoggingTag("Verozo");
    // No main window yet: the headless front end stands in for it.
    KeloHeadlessFrontEnd frontEnd;
    KeloCompositionRoot root(frontEnd.frontEnd());
    const bool wired = root.install();
    log.flush();
    const QString where = OmLog::logPath().isEmpty() ? "standard output" : OmLog::logPath();
    if (!wired) {
        std::fprintf(stderr, "Kelo Verozo %s: cannot start, see %s\n", KELO_VERSION,
                     qPrintable(where));
        return 1;
    }
    std::fprintf(stderr, "Kelo Verozo %s: log written to %s\n", KELO_VERSION, qPrintable(where));
    return 0;
}
