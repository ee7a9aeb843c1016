#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <optional>

// What the document asks of its editor: its bytes, its saves, and outside
// changes to its folder. The default bodies read and write local files
// through PixelMapFileAccess and ignore the rest.
class OmPixelMapFileDelegate {
public:
    virtual ~OmPixelMapFileDelegate() = default;
    virtual std::optional<QByteArray> mainThreadRead(const QString& path, bool* fileNotFound,
                                                     bool* canceled, QString* error);
    // Writes the bytes; false, with `error` filled, when they were not written.
    virtual bool mainThreadSave(const QByteArray& data, const QString& path, bool waitUntilDone,
                                QString* error);
    virtual void clearWaitingForReadWrite() {}
    // A path in the document's folder changed on disk.
    virtual void checkFile(const QString& path) { (void)path; }
    // The built-in document an untitled document starts from.
    virtual QVariantMap untitledPixelMap() { return {}; }
};
