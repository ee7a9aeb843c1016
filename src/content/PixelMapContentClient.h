#pragma once

#include "platform/InstalledInterface.h"

#include <QString>
#include <QVariantMap>

// What the Content tab hands the pixel-map editor, which sits beside it: a
// fresh listing of the pixel-mapping folder of a server it asked about. The
// composition root installs the editor's implementation; until then the
// listings are dropped.
class PixelMapContentClient : public InstalledInterface<PixelMapContentClient> {
public:
    virtual ~PixelMapContentClient() = default;
    // `payload`: the database folder entry's "file" and "data".
    virtual void freshDatabaseFolder(const QVariantMap& payload, const QString& keloName) {
        (void)payload;
        (void)keloName;
    }
};
