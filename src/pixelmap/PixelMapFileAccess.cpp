#include "pixelmap/PixelMapFileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

std::optional<QByteArray> PixelMapFileAccess::read(const QString& path, bool* fileNotFound,
                                                   bool* canceled, QString* error) {
    if (fileNotFound) *fileNotFound = false;
    if (canceled) *canceled = false;
    const QFileInfo info(path);
    if (!info.exists()) {
        if (fileNotFound) *fileNotFound = true;
        if (error) *error = QStringLiteral("file not found %1").arg(path);
        return std::nullopt;
    }
    if (info.isDir() || info.size() > kMaxFileSize) {
        if (error) *error = QStringLiteral("'%1' is not a pixel map file").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read '%1': %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray data = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > kMaxFileSize) {
        if (error) *error = QStringLiteral("cannot read '%1': %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return data;
}

std::optional<QDateTime> PixelMapFileAccess::write(const QByteArray& data, const QString& path,
                                                   QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error) *error = QStringLiteral("cannot write '%1': %2").arg(path, file.errorString());
        file.cancelWriting();
        return std::nullopt;
    }
    return fileDate(path);
}

QDateTime PixelMapFileAccess::fileDate(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {};
    return info.lastModified().toUTC();
}
