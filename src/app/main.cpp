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
    log.flush();
    std::fprintf(stderr, "Kelo Verozo %s: log written to %s\n", KELO_VERSION,
                 OmLog::logPath().isEmpty() ? "standard output" : qPrintable(OmLog::logPath()));
    return 0;
}
