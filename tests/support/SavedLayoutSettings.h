#pragma once

#include "platform/PropertyList.h"

#include <QFile>
#include <QString>
#include <QVariantMap>

// The first layout's "layout_settings" of a settings file the controller
// wrote; empty when the file cannot be read.
inline QVariantMap savedLayoutSettings(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return PropertyList::read(file.readAll())
        .toMap()
        .value("layouts")
        .toList()
        .value(0)
        .toMap()
        .value("layout_settings")
        .toMap();
}
