#pragma once

#include "platform/InstalledInterface.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// How the pixel-map document reaches its bytes. The documents often live on a
// server's mounted volume, where the Content tab's remote file manager does
// the work; the composition root installs that. The default bodies work on
// local files. Main thread only.
class PixelMapFileAccess : public InstalledInterface<PixelMapFileAccess> {
public:
    // The largest document file read.
    static constexpr qint64 kMaxFileSize = qint64(1) << 30;

    virtual ~PixelMapFileAccess() = default;

    // The file's bytes; nothing with `fileNotFound` set when it is missing,
    // with `canceled` set when the operator gave up, else with `error` filled.
    virtual std::optional<QByteArray> read(const QString& path, bool* fileNotFound, bool* canceled,
                                           QString* error);
    // Writes the bytes so that an interrupted or failed write leaves the
    // previous file whole (written aside, then renamed over it). Answers the
    // file's new modification date, or nothing with `error` filled.
    virtual std::optional<QDateTime> write(const QByteArray& data, const QString& path,
                                           QString* error);
    // The file's modification date; an invalid date when it is gone.
    virtual QDateTime fileDate(const QString& path);
};
