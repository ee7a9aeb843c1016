#pragma once

// Content databases as the servers send them, for the content tests and
// benchmarks: a top level of "." properties, one dictionary per folder key,
// and in each folder ".Name", ".Paths", ".PathInfo" and one entry per file
// key. Written from the database layout alone.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>

namespace contentdb {

inline const QString kRoot = "/srv/Kelo";

// Seconds since 2001-01-01 00:00:00 UTC as a date.
inline QDateTime referenceDate(double seconds) {
    return QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).addMSecs(qint64(seconds * 1000.0));
}

inline QString folderKey(int type, int group, int folder) {
    if (type == 2) return QString::asprintf("Plugin_%03d", folder);
    static const char* const kPrefixes[] = {"Media_", "Model_", "Plugin_", "Metadata_",
                                            "PluginImages_"};
    return QString::asprintf("%s%03d_%03d", kPrefixes[type], group, folder);
}

inline QString mediaDirectory(int folder) {
    return QString::asprintf("%s/Media/%03d Folder", qPrintable(kRoot), folder);
}

// One file entry; "Parent" is the folder key of its numbers.
inline QVariantMap fileEntry(int type, int group, int folder, int file, const QString& path,
                             quint64 length, double modified) {
    return {{"Path", path},
            {"Length", length},
            {"Modified", referenceDate(modified)},
            {"Type", type},
            {"Group", group},
            {"Folder", folder},
            {"File", file},
            {"Parent", folderKey(type, group, folder)}};
}

inline QVariantMap mediaFile(int folder, int file, quint64 length = 1000, double modified = 1e8) {
    return fileEntry(0, 0, folder, file,
                     mediaDirectory(folder) + QString::asprintf("/%03d.Clip.mov", file), length,
                     modified);
}

inline QString fileKey(int file) {
    return QString::asprintf("%03d", file);
}

// A folder with its files keyed by number; every directory writable.
inline QVariantMap folder(const QString& name, const QStringList& paths,
                          const QVariantMap& files = {}) {
    QVariantMap f = files;
    f.insert(".Name", name);
    QVariantList pathList, info;
    for (const QString& p : paths) {
        pathList << p;
        info << QVariantMap{{"canwrite", true}};
    }
    f.insert(".Paths", pathList);
    f.insert(".PathInfo", info);
    return f;
}

inline QVariantMap mediaFolder(int folderNumber, int files) {
    QVariantMap entries;
    for (int file = 1; file <= files; ++file)
        entries.insert(fileKey(file), mediaFile(folderNumber, file));
    return folder(QString::asprintf("%03d Folder", folderNumber), {mediaDirectory(folderNumber)},
                  entries);
}

inline QVariantMap database(const QString& server, int collectionID, const QString& stamp = "T1") {
    return {{".PLocName", server},
            {".CollectionID", collectionID},
            {".KeloFolderPath", kRoot},
            {".DatabaseTimestamp", stamp},
            {".VolumeFreeSpace", quint64(500) << 30},
            {".VolumeTotalSize", quint64(1000) << 30}};
}

// `folders` media folders of `files` files each.
inline QVariantMap mediaDatabase(const QString& server, int collectionID, int folders, int files) {
    QVariantMap db = database(server, collectionID);
    for (int f = 1; f <= folders; ++f) db.insert(folderKey(0, 0, f), mediaFolder(f, files));
    return db;
}

}  // namespace contentdb
