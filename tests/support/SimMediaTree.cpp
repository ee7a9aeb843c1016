#include "support/SimMediaTree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QVariantList>

#include <algorithm>

namespace {

// The clips every server starts from: folder, file, name, size in bytes.
struct Clip {
    int folder;
    int file;
    const char* name;
    int size;
};
constexpr Clip kClips[] = {
    {1, 1, "Sunrise.mov", 24000},   {1, 2, "Clouds.mov", 18000},   {1, 3, "Horizon.mov", 30000},
    {1, 4, "Dusk.mov", 12000},      {2, 1, "Logo Loop.mov", 9000}, {2, 2, "Sparkle.png", 4000},
    {2, 3, "Countdown.mov", 16000}, {3, 1, "Rain.mov", 20000},     {3, 2, "Snow.mov", 22000},
};
const char* const kFolderNames[] = {"", "Backgrounds", "Graphics", "Weather"};
// Files of the standard tree are from one day, so that equal files compare
// equal across servers.
constexpr int64_t kBaseTime = 1767225600;  // 2026-01-01 00:00:00 UTC

bool inRange(int folder, int file, QString* error) {
    if (folder >= 1 && folder <= SimMediaTree::kMaxNumber && file >= 1 &&
        file <= SimMediaTree::kMaxNumber)
        return true;
    if (error) *error = "folder and file numbers run from 1 to 255";
    return false;
}

// Seconds since 1970-01-01 00:00:00 UTC as a date.
QDateTime fromUnix(int64_t secs) {
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC);
}

}  // namespace

SimMediaTree::SimMediaTree(const QString& root, const QByteArray& serverName, int collectionID)
    : root_(root), serverName_(serverName), collectionID_(collectionID) {}

void SimMediaTree::setChangeHandler(std::function<void(const QByteArray&)> handler) {
    std::lock_guard guard(lock_);
    onChange_ = std::move(handler);
}

bool SimMediaTree::writeFile(const QString& path, int64_t size, int seed, int64_t modifiedSecs) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray block(4096, '\0');
    for (int i = 0; i < block.size(); ++i) block[i] = char((i * 31 + seed * 7) & 0xFF);
    for (int64_t done = 0; done < size;) {
        const int64_t n = std::min<int64_t>(block.size(), size - done);
        if (f.write(block.constData(), n) != n) return false;
        done += n;
    }
    f.close();
    return f.open(QIODevice::ReadWrite) &&
           f.setFileTime(fromUnix(modifiedSecs), QFileDevice::FileModificationTime);
}

bool SimMediaTree::populate(int variant) {
    {
        std::lock_guard guard(lock_);
        QDir media(root_ + "/Media");
        for (int folder = 1; folder <= 3; ++folder) {
            // The third server of a collection has no weather folder yet.
            if (folder == 3 && variant % 3 == 2) continue;
            const QString dir =
                media.filePath(QString::asprintf("%03d %s", folder, kFolderNames[folder]));
            if (!QDir().mkpath(dir)) return false;
        }
        for (const Clip& c : kClips) {
            const QString dir = folderPathLocked(c.folder);
            if (dir.isEmpty()) continue;
            // The second server lacks a clip and has an older cut of another.
            if (variant % 3 == 1 && c.folder == 1 && c.file == 2) continue;
            const bool older = variant % 3 == 1 && c.folder == 1 && c.file == 3;
            const QString path = dir + QString::asprintf("/%03d.%s", c.file, c.name);
            if (!writeFile(path, older ? c.size / 2 : c.size, c.folder * 16 + c.file,
                           kBaseTime + 60 * c.file - (older ? 86400 : 0)))
                return false;
        }
        // The third server has a clip of its own.
        if (variant % 3 == 2 &&
            !writeFile(folderPathLocked(2) + "/004.Local Only.mov", 7000, 99, kBaseTime + 500))
            return false;
    }
    return changed();
}

QString SimMediaTree::folderPathLocked(int folder) const {
    const QDir media(root_ + "/Media");
    const QString prefix = QString::asprintf("%03d", folder);
    for (const QString& name : media.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (name.startsWith(prefix) && (name.size() == 3 || !name[3].isDigit()))
            return media.filePath(name);
    return {};
}

QString SimMediaTree::pathOfLocked(int folder, int file) const {
    const QString dir = folderPathLocked(folder);
    if (dir.isEmpty()) return {};
    const QString prefix = QString::asprintf("%03d.", file);
    for (const QString& name : QDir(dir).entryList(QDir::Files, QDir::Name))
        if (name.startsWith(prefix)) return dir + '/' + name;
    return {};
}

QString SimMediaTree::pathOf(int folder, int file) const {
    std::lock_guard guard(lock_);
    return pathOfLocked(folder, file);
}

bool SimMediaTree::addFile(int folder, int file, const QByteArray& name, int64_t size,
                           QString* error) {
    if (!inRange(folder, file, error)) return false;
    const QString base = QString::fromUtf8(name);
    if (base.isEmpty() || base.contains('/') || base.startsWith('.') || size < 0 ||
        size > (int64_t(64) << 20)) {
        if (error) *error = "a file needs a plain name and a size of at most 64 MiB";
        return false;
    }
    {
        std::lock_guard guard(lock_);
        QString dir = folderPathLocked(folder);
        if (dir.isEmpty()) {
            dir = root_ + QString::asprintf("/Media/%03d Folder", folder);
            if (!QDir().mkpath(dir)) {
                if (error) *error = "cannot make " + dir;
                return false;
            }
        }
        const QString old = pathOfLocked(folder, file);
        if (!old.isEmpty()) QFile::remove(old);
        const QString path = dir + QString::asprintf("/%03d.", file) + base;
        if (!writeFile(path, size, folder * 16 + file, QDateTime::currentSecsSinceEpoch())) {
            if (error) *error = "cannot write " + path;
            return false;
        }
    }
    return changed();
}

bool SimMediaTree::removeFile(int folder, int file, QString* error) {
    if (!inRange(folder, file, error)) return false;
    {
        std::lock_guard guard(lock_);
        const QString path = pathOfLocked(folder, file);
        if (path.isEmpty() || !QFile::remove(path)) {
            if (error) *error = QString::asprintf("no file %d in folder %d", file, folder);
            return false;
        }
    }
    return changed();
}

bool SimMediaTree::touchFile(int folder, int file, QString* error) {
    if (!inRange(folder, file, error)) return false;
    {
        std::lock_guard guard(lock_);
        QFile f(pathOfLocked(folder, file));
        if (f.fileName().isEmpty() || !f.open(QIODevice::ReadWrite) ||
            !f.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime)) {
            if (error) *error = QString::asprintf("no file %d in folder %d", file, folder);
            return false;
        }
    }
    return changed();
}

bool SimMediaTree::copyFrom(const SimMediaTree& source, const SimContentRef& item,
                            QString* error) {
    if (item.type != 0 || !inRange(item.folder, item.file, error)) {
        if (error && item.type != 0) *error = "only media files travel";
        return false;
    }
    QString from, folderName;
    {
        std::lock_guard guard(source.lock_);
        from = source.pathOfLocked(item.folder, item.file);
        folderName = QFileInfo(source.folderPathLocked(item.folder)).fileName();
    }
    if (from.isEmpty()) {
        if (error) *error = "the sender has no such file";
        return false;
    }
    {
        std::lock_guard guard(lock_);
        QString dir = folderPathLocked(item.folder);
        if (dir.isEmpty()) dir = root_ + "/Media/" + folderName;
        const QString old = pathOfLocked(item.folder, item.file);
        if (!old.isEmpty()) QFile::remove(old);
        const QString to = dir + '/' + QFileInfo(from).fileName();
        // The copy keeps the sender's time, as a transfer does.
        if (!QDir().mkpath(dir) || !QFile::copy(from, to) ||
            !QFile(to).open(QIODevice::ReadWrite)) {
            if (error) *error = "cannot write " + to;
            return false;
        }
        QFile copy(to);
        copy.open(QIODevice::ReadWrite);
        copy.setFileTime(QFileInfo(from).lastModified().toUTC(),
                         QFileDevice::FileModificationTime);
    }
    return changed();
}

bool SimMediaTree::changed() {
    std::function<void(const QByteArray&)> handler;
    QByteArray stamp;
    {
        std::lock_guard guard(lock_);
        ++generation_;
        handler = onChange_;
        stamp = QByteArray("sim-") + QByteArray::number(generation_);
    }
    if (handler) handler(stamp);
    return true;
}

QByteArray SimMediaTree::timeStamp() const {
    std::lock_guard guard(lock_);
    return QByteArray("sim-") + QByteArray::number(generation_);
}

QVariantMap SimMediaTree::database() const {
    std::lock_guard guard(lock_);
    const QStorageInfo volume(root_);
    QVariantMap db{{".PLocName", QString::fromUtf8(serverName_)},
                   {".CollectionID", collectionID_},
                   {".KeloFolderPath", root_},
                   {".DatabaseTimestamp", QString("sim-%1").arg(generation_)},
                   {".VolumeFreeSpace", qint64(volume.bytesAvailable())},
                   {".VolumeTotalSize", qint64(volume.bytesTotal())}};
    const QDir media(root_ + "/Media");
    for (const QString& folderName :
         media.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        bool ok = false;
        const int folder = folderName.left(3).toInt(&ok);
        if (!ok || folder < 1 || folder > kMaxNumber) continue;
        const QString key = QString::asprintf("Media_000_%03d", folder);
        const QString dir = media.filePath(folderName);
        QVariantMap entries{{".Name", folderName},
                            {".Paths", QVariantList{dir}},
                            {".PathInfo", QVariantList{QVariantMap{{"canwrite", true}}}}};
        for (const QFileInfo& f : QDir(dir).entryInfoList(QDir::Files, QDir::Name)) {
            const int file = f.fileName().left(3).toInt(&ok);
            if (!ok || file < 1 || file > kMaxNumber) continue;
            entries.insert(QString::asprintf("%03d", file),
                           QVariantMap{{"Path", f.filePath()},
                                       {"Length", qint64(f.size())},
                                       {"Modified", f.lastModified().toUTC()},
                                       {"Type", 0},
                                       {"Group", 0},
                                       {"Folder", folder},
                                       {"File", file},
                                       {"Parent", key}});
        }
        db.insert(key, entries);
    }
    return db;
}
