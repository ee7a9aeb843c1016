#include "platform/LibraryPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString stateHome() {
    const QByteArray env = qgetenv("XDG_STATE_HOME");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    return QDir::homePath() + "/.local/state";
}

QString dataHome() {
    // GenericDataLocation is the parent of AppDataLocation and does not depend
    // on the application's name being set.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

QString configHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

}  // namespace

QString libraryPath(const QString& path) {
    if (!path.startsWith('~')) return path;
    const QString rest = path.mid(1);
    const struct {
        const char* prefix;
        QString (*base)();
    } maps[] = {
        {"/Library/Application Support", dataHome},
        {"/Library/Logs", stateHome},
        {"/Library/Preferences", configHome},
    };
    for (const auto& m : maps) {
        const QString prefix = QString::fromLatin1(m.prefix);
        if (rest == prefix || rest.startsWith(prefix + '/')) return m.base() + rest.mid(prefix.size());
    }
    return QDir::homePath() + rest;
}
