#pragma once

#include <QString>

// Notifications the outputs and mixes subsystem posts. No object unless
// stated.
// After every update pass of the mix table.
inline const QString kKeloScreenCheckConfigurationsNotification =
    QStringLiteral("KeloScreenCheckConfigurationsNotification");
// A merge from the server changed only the genlock lock setting.
inline const QString kKeloGenlockRuntimeConfigChangedNotification =
    QStringLiteral("kKeloGenlockRuntimeConfigChangedNotification");
// User info {"mixes", "_direct_summary", "archive"}.
inline const QString kKeloSaveMixes = QStringLiteral("KeloSaveMixes");
