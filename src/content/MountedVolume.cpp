#include "content/MountedVolume.h"

#include "content/keloRootPath.h"

#include <QFile>
#include <QHash>

#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

struct Sources {
    std::mutex lock;
    QString mountInfoPath;
    QString gvfsFolder;
};

Sources& sources() {
    static Sources s;
    return s;
}

QByteArray readMountInfo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    // A procfs file has no size: read what there is, capped.
    return file.read(4 << 20);
}

// mountinfo: "id parent dev root mountpoint options [tags...] - fstype source superoptions".
struct MountInfoLine {
    QString mountPoint;
    QByteArray type;
    QString source;
    QList<QByteArray> superOptions;
};

std::optional<MountInfoLine> parseLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype dash = fields.indexOf("-");
    if (dash < 6 || dash + 3 > fields.size()) return std::nullopt;
    MountInfoLine out;
    out.mountPoint = keloUnescapeMountField(fields[4]);
    out.type = fields[dash + 1];
    out.source = keloUnescapeMountField(fields[dash + 2]);
    if (dash + 3 < fields.size()) out.superOptions = fields[dash + 3].split(',');
    return out;
}

QString smbUrlText(const QString& user, const QString& host, const QString& share, bool guest) {
    QUrl url;
    url.setScheme("smb");
    url.setHost(host);
    if (!guest && !user.isEmpty()) url.setUserName(user);
    url.setPath("/" + share);
    QString text = url.toString(QUrl::FullyEncoded);
    if (guest) text.replace("smb://", "smb://;AUTH=No%20User%20Authent@");
    return text;
}

std::optional<MountedVolume> makeVolume(const QString& path, const QString& user,
                                        const QString& host, const QString& share, bool guest) {
    if (host.isEmpty() || share.isEmpty()) return std::nullopt;
    MountedVolume v;
    v.path = path;
    v.remountUrl.setScheme("smb");
    v.remountUrl.setHost(host, QUrl::StrictMode);
    if (!user.isEmpty()) v.remountUrl.setUserName(user);
    v.remountUrl.setPath("/" + share);
    if (!v.remountUrl.isValid() || v.remountUrl.host().isEmpty()) return std::nullopt;
    v.remountText = smbUrlText(user, v.remountUrl.host(), share, guest);
    return v;
}

}  // namespace

void MountedVolume::setSources(const QString& mountInfoPath, const QString& gvfsFolder) {
    std::lock_guard lock(sources().lock);
    sources().mountInfoPath = mountInfoPath;
    sources().gvfsFolder = gvfsFolder;
}

QList<MountedVolume> MountedVolume::fromMountInfo(const QByteArray& table) {
    QList<MountedVolume> volumes;
    for (const QByteArray& line : table.split('\n')) {
        const auto entry = parseLine(line);
        if (!entry || (entry->type != "cifs" && entry->type != "smb3")) continue;
        // "//host/share[/sub]"
        if (!entry->source.startsWith("//")) continue;
        const QStringList parts = entry->source.mid(2).split('/');
        if (parts.size() < 2) continue;
        QString user;
        bool guest = false;
        for (const QByteArray& option : entry->superOptions) {
            if (option.startsWith("username=")) user = QString::fromUtf8(option.mid(9));
            if (option == "sec=none") guest = true;
        }
        if (auto v = makeVolume(entry->mountPoint, user, parts[0], parts[1], guest))
            volumes.append(*v);
    }
    return volumes;
}

std::optional<MountedVolume> MountedVolume::fromGvfsName(const QString& folder,
                                                         const QString& name) {
    if (!name.startsWith("smb-share:")) return std::nullopt;
    QHash<QString, QString> keys;
    for (const QString& pair : name.mid(10).split(',')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0) return std::nullopt;
        const QString value = QUrl::fromPercentEncoding(pair.mid(eq + 1).toUtf8());
        // A NUL or a separator decoded from an escape is no part of a name.
        if (value.contains(QChar(0)) || value.contains('/')) return std::nullopt;
        keys.insert(pair.left(eq), value);
    }
    return makeVolume(folder + "/" + name, keys.value("user"), keys.value("server"),
                      keys.value("share"), false);
}

QString MountedVolume::gvfsFolderFromMountInfo(const QByteArray& table) {
    for (const QByteArray& line : table.split('\n')) {
        const auto entry = parseLine(line);
        if (entry && entry->type == "fuse.gvfsd-fuse") return entry->mountPoint;
    }
    return {};
}

QList<MountedVolume> MountedVolume::mountedVolumes() {
    QString mountInfoPath, gvfsFolder;
    {
        std::lock_guard lock(sources().lock);
        mountInfoPath = sources().mountInfoPath;
        gvfsFolder = sources().gvfsFolder;
    }
    const QByteArray table = readMountInfo(
        mountInfoPath.isEmpty() ? QStringLiteral("/proc/self/mountinfo") : mountInfoPath);
    QList<MountedVolume> volumes = fromMountInfo(table);
    if (gvfsFolder.isEmpty()) gvfsFolder = gvfsFolderFromMountInfo(table);
    if (gvfsFolder.isEmpty() && qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        gvfsFolder = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/gvfs";
    if (gvfsFolder.isEmpty()) return volumes;
    // Names only: asking a share's folder for its type could block on its server.
    QStringList names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(QFile::encodeName(gvfsFolder).toStdString(), ec),
         end;
         !ec && it != end; it.increment(ec))
        names.append(QFile::decodeName(QByteArray::fromStdString(it->path().filename())));
    names.sort();
    for (const QString& name : names)
        if (auto v = fromGvfsName(gvfsFolder, name)) volumes.append(*v);
    return volumes;
}
