#include "pixelmap/OmPixelMapFileDelegate.h"

#include "pixelmap/PixelMapFileAccess.h"

std::optional<QByteArray> OmPixelMapFileDelegate::mainThreadRead(const QString& path, bool* fileNotFound,
                                                                 bool* canceled, QString* error) {
    return PixelMapFileAccess::shared().read(path, fileNotFound, canceled, error);
}

bool OmPixelMapFileDelegate::mainThreadSave(const QByteArray& data, const QString& path,
                                            bool waitUntilDone, QString* error) {
    (void)waitUntilDone;
    return PixelMapFileAccess::shared().write(data, path, error).has_value();
}
