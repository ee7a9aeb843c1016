#pragma once

#include <QByteArray>
#include <QString>

// The application's built-in files: "KlE_PixelMap.pmap" (the default map)
// and "PixelMapProfiles.plist" (the stock profiles). Empty for other names.
QByteArray pixelMapResource(const QString& name);
