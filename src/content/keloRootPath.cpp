#include "content/keloRootPath.h"

#include "foundation/OmLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

struct RootState {
    std::mutex lock;
    QString rootPath;
    QStringList searchList;
    std::function<QStringList()> volumeLister;
};

RootState& state() {
    static RootState s;
    return s;
}

QString expandTilde(const QString& path) {
    if (path == "~") return QDir::homePath();
    if (path.startsWith("~/")) return QDir::homePath() + path.mid(1);
    return path;
}

// A symbolic link with an absolute destination stands for that destination.
QString resolveLink(const QString& path) {
    std::error_code ec;
    const std::filesystem::path p(path.toStdString());
    if (!std::filesystem::is_symlink(p, ec)) return path;
    const auto target = std::filesystem::read_symlink(p, ec);
    if (ec || !target.is_absolute()) return path;
    return QString::fromStdString(target.string());
}

bool tryCandidate(const QString& candidate, QString* found) {
    const QString expanded = expandTilde(candidate);
    const QString resolved = resolveLink(expanded);
    const QFileInfo info(resolved);
    const bool exists = info.exists();
    const bool isDir = info.isDir();
    OmLogNoFlood(kOmLogDebug, "  checking '%s' => '%s' (%d:%d)\n", qPrintable(expanded),
                 qPrintable(resolved), exists, isDir);
    if (!exists || !isDir) return false;
    *found = resolved;
    return true;
}

// Octal escapes of the mount table ("\040" for a blank).
QString unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

// Kernel file systems that never hold a server root; asking some of them
// (automounters) could also block.
bool isPseudoFileSystem(const QByteArray& type) {
    static const QSet<QByteArray> kPseudo = {
        "proc",    "sysfs",       "devpts",   "cgroup",   "cgroup2",   "securityfs", "debugfs",
        "tracefs", "pstore",      "bpf",      "mqueue",   "hugetlbfs", "configfs",   "fusectl",
        "autofs",  "binfmt_misc", "devtmpfs", "efivarfs", "nsfs",      "rpc_pipefs", "selinuxfs"};
    return kPseudo.contains(type);
}

}  // namespace

QStringList keloRootPathDefaultSearchList() {
    return {"/Applications/Kelo", "~/Kelo"};
}

void setKeloRootPathSearchList(const QStringList& candidates) {
    std::lock_guard lock(state().lock);
    state().searchList = candidates;
}

void setKeloRootPathVolumeLister(std::function<QStringList()> lister) {
    std::lock_guard lock(state().lock);
    state().volumeLister = std::move(lister);
}

QStringList keloMountPointsFromTable(const QByteArray& table) {
    QStringList points;
    QSet<QString> seen;
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || isPseudoFileSystem(fields[2])) continue;
        const QString point = unescapeMountField(fields[1]);
        if (!point.startsWith('/') || seen.contains(point)) continue;
        seen.insert(point);
        points.append(point);
    }
    return points;
}

QStringList keloMountedVolumes() {
    QFile file("/proc/self/mounts");
    if (!file.open(QIODevice::ReadOnly)) return {};
    // The table is small; the cap only guards against a broken procfs.
    return keloMountPointsFromTable(file.read(1 << 20));
}

QString keloRootPath(bool force) {
    RootState& s = state();
    std::lock_guard lock(s.lock);
    if (!s.rootPath.isEmpty() && !force) return s.rootPath;
    OmLogNoFlood(kOmLogDebug, "Searching for Kelo Folder\n");

    const QStringList candidates =
        s.searchList.isEmpty() ? keloRootPathDefaultSearchList() : s.searchList;
    QString found;
    for (const QString& candidate : candidates) {
        if (tryCandidate(candidate, &found)) break;
    }
    if (found.isEmpty()) {
        const QStringList volumes = s.volumeLister ? s.volumeLister() : keloMountedVolumes();
        for (const QString& volume : volumes) {
            const QString candidate = volume.endsWith('/') ? volume + "Kelo" : volume + "/Kelo";
            if (tryCandidate(candidate, &found)) break;
        }
    }
    while (found.size() > 1 && found.endsWith('/')) found.chop(1);
    if (!found.isEmpty()) s.rootPath = found;
    return s.rootPath;
}

QString KeloRootPathFinder::keloRootPath(bool force) {
    return ::keloRootPath(force);
}
