#include "content/keloRootPath.h"

#include "content/MountedVolumeThread.h"
#include "foundation/OmLog.h"
#include "platform/LibraryPaths.h"
#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

// How long a search waits for the volumes' answers: a volume that has not
// answered by then is passed over, and is not waited for again while its
// query still hangs.
constexpr std::chrono::milliseconds kVolumeQueryTimeout{200};

struct RootState {
    std::recursive_mutex lock;
    QString rootPath;
    QStringList searchList;
    std::function<QStringList()> volumeLister;
    MountedVolumeThread::Query volumeQuery;
    bool searched = false;
    int32_t mediaScanMode = 0;
    bool hasPrefsFolder = false;
    QString settingsPath;
    QString addressPath;
    QVariantMap settings;
    QVariantMap address;
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

bool tryCandidate(const QString& candidate, QString* found, bool tell = true) {
    const QString expanded = expandTilde(candidate);
    const QString resolved = resolveAliasFile(expanded);
    const QFileInfo info(resolved);
    const bool exists = info.exists();
    const bool isDir = info.isDir();
    if (tell)
        OmLogNoFlood(kOmLogDebug, "  checking '%s' => '%s' (%d:%d)\n", qPrintable(expanded),
                     qPrintable(resolved), exists, isDir);
    if (!exists || !isDir) return false;
    *found = resolved;
    return true;
}

QString keloFolderOnVolume(const QString& volume, bool tell) {
    QString found;
    tryCandidate(volume.endsWith('/') ? volume + "Kelo" : volume + "/Kelo", &found, tell);
    return found;
}

QVariantMap readDictionary(const QString& path) {
    if (path.isEmpty()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return PropertyList::read(file.readAll()).toMap();
}

bool writeDictionary(const QString& path, const QVariantMap& dict) {
    QString error;
    const QByteArray data = PropertyList::write(dict, PropertyList::Format::Xml, &error);
    QSaveFile file(path);
    if (data.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size() ||
        !file.commit()) {
        OmLogNoFlood(kOmLogError, "can't save '%s' %s\n", qPrintable(path), qPrintable(error));
        return false;
    }
    return true;
}

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// The newer layout's file under "Preferences" when the scan mode asks for it
// and it is there, else the file in the root.
QString settingsFilePath(const RootState& s, const QString& name) {
    const QString preferred = s.rootPath + "/Preferences/" + name;
    if (s.mediaScanMode > 0 && isFile(preferred)) return preferred;
    return s.rootPath + "/" + name;
}

void reloadLocked(RootState& s) {
    s.settings = readDictionary(s.settingsPath);
    if (s.settings.isEmpty() && !s.rootPath.isEmpty())
        s.settings = readDictionary(s.rootPath + "/KeloEgret.plist");
    s.address = readDictionary(s.addressPath);
}

}  // namespace

QString keloUnescapeMountField(const QByteArray& field) {
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

namespace {

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

QString resolveAliasFile(const QString& path, bool* isAlias) {
    if (isAlias) *isAlias = false;
    std::error_code ec;
    const std::filesystem::path p(QFile::encodeName(path).toStdString());
    if (!std::filesystem::is_symlink(p, ec)) return path;
    const auto target = std::filesystem::read_symlink(p, ec);
    if (ec || !target.is_absolute()) return path;
    if (isAlias) *isAlias = true;
    return QFile::decodeName(QByteArray::fromStdString(target.string()));
}

void setKeloRootPathSearchList(const QStringList& candidates) {
    std::lock_guard lock(state().lock);
    state().searchList = candidates;
}

void setKeloRootPathVolumeQuery(std::function<QString(const QString&)> query) {
    std::lock_guard lock(state().lock);
    state().volumeQuery = std::move(query);
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
        const QString point = keloUnescapeMountField(fields[1]);
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
    // Callers ask again while nothing is found (the start-up asks several
    // times): only the first and the forced searches are told.
    const bool told = force || !s.searched;
    s.searched = true;
    if (told) OmLogNoFlood(kOmLogDebug, "Searching for Kelo Folder\n");

    const QStringList candidates =
        s.searchList.isEmpty() ? keloRootPathDefaultSearchList() : s.searchList;
    QString found;
    for (const QString& candidate : candidates) {
        if (tryCandidate(candidate, &found, told)) break;
    }
    if (found.isEmpty()) {
        // Off this thread: the stat of a dead network mount would block it.
        const QStringList volumes = s.volumeLister ? s.volumeLister() : keloMountedVolumes();
        found = MountedVolumeThread::asyncGetMountedVolumeUrls(
            volumes,
            s.volumeQuery
                ? s.volumeQuery
                : [told](const QString& volume) { return keloFolderOnVolume(volume, told); },
            kVolumeQueryTimeout);
    }
    while (found.size() > 1 && found.endsWith('/')) found.chop(1);
    if (!found.isEmpty()) s.rootPath = found;
    if (s.rootPath.isEmpty()) return s.rootPath;

    s.hasPrefsFolder = s.mediaScanMode > 0 && QFileInfo(s.rootPath + "/Preferences").isDir();
    s.settingsPath = settingsFilePath(s, "KeloSettings.plist");
    s.addressPath = settingsFilePath(s, "KeloAddress.plist");
    reloadLocked(s);
    return s.rootPath;
}

QString KeloRootPathFinder::keloRootPath(bool force) {
    return ::keloRootPath(force);
}

void setMediaScanMode(int32_t mode) {
    std::lock_guard lock(state().lock);
    state().mediaScanMode = mode;
}

int32_t mediaScanMode() {
    std::lock_guard lock(state().lock);
    return state().mediaScanMode;
}

bool keloHasPrefsFolder() {
    std::lock_guard lock(state().lock);
    return state().hasPrefsFolder;
}

QString getKeloSettingsPath() {
    std::lock_guard lock(state().lock);
    return state().settingsPath;
}

QString getKeloAddressPath() {
    std::lock_guard lock(state().lock);
    return state().addressPath;
}

QVariantMap KeloSettingsDict() {
    std::lock_guard lock(state().lock);
    return state().settings;
}

QVariantMap KeloAddressDict() {
    std::lock_guard lock(state().lock);
    return state().address;
}

void reloadKeloSettings() {
    std::lock_guard lock(state().lock);
    reloadLocked(state());
}

void createPathsIfNeeded() {
    RootState& s = state();
    std::lock_guard lock(s.lock);
    const QString folder = s.hasPrefsFolder ? s.rootPath + "/Preferences/" : s.rootPath + "/";
    if (s.settingsPath.isEmpty()) s.settingsPath = folder + "KeloSettings.plist";
    if (s.addressPath.isEmpty()) s.addressPath = folder + "KeloAddress.plist";
}

bool saveKeloSettings() {
    RootState& s = state();
    std::lock_guard lock(s.lock);
    if (s.settingsPath.isEmpty() || s.addressPath.isEmpty()) return false;
    const bool settingsSaved = writeDictionary(s.settingsPath, s.settings);
    return writeDictionary(s.addressPath, s.address) && settingsSaved;
}

bool daemonSetPref(const QString& key, const QVariant& value) {
    {
        std::lock_guard lock(state().lock);
        state().settings.insert(key, value);
    }
    return saveKeloSettings();
}

QString getArchiveKeloSettingsFolder() {
    const QString root = keloRootPath(false);
    return root.isEmpty() ? QString() : root + "/archive/KeloSettings";
}

QString getArchiveAllSettingsFolder() {
    const QString root = keloRootPath(false);
    return root.isEmpty() ? QString() : root + "/archive/AllSettings";
}

bool archiveKeloSettings() {
    const QString folder = getArchiveKeloSettingsFolder();
    if (folder.isEmpty()) return false;
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) return false;
    const QString settings = getKeloSettingsPath();
    const QFileInfo info(settings);
    if (!info.isFile()) return false;
    QString version = QCoreApplication::applicationVersion();
    version.replace(' ', '_');
    const QString stamp = info.lastModified().toString("yyyy_MM_dd_HH'h'_mm'm'_ss's'");
    const QString target = QString("%1/KeloSettings_%2_%3.plist").arg(folder, version, stamp);
    QFile::remove(target);
    return QFile::copy(settings, target);
}

QString keloLaunchPath() {
    return readDictionary(libraryPath("~/Library/Preferences/com.OMBREL.KeloEgret.plist"))
        .value("last_launch_path")
        .toString();
}

namespace {

QString infoPath(const QString& preferred, const QString& fallback) {
    const QString root = keloRootPath(false);
    if (root.isEmpty()) return {};
    if (mediaScanMode() > 0 && isFile(root + "/" + preferred)) return root + "/" + preferred;
    return root + "/" + fallback;
}

}  // namespace

QString mediaInfoPath() {
    return infoPath("Preferences/Info/MediaInfo.plist", "Media/MediaInfo.plist");
}

QString modelInfoPath() {
    return infoPath("Preferences/Info/ModelInfo.plist", "Models/ModelInfo.plist");
}

QString pluginsEffectsPath() {
    const QString root = keloRootPath(false);
    return root.isEmpty() ? QString() : root + "/plugins/effects";
}
