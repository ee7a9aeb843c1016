#pragma once

#include "foundation/KeloRootPathProvider.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <cstdint>
#include <functional>

// The local server root folder: the first candidate of the search list that
// is a directory ("~" expanded, an absolute symbolic link followed), else the
// "Kelo" folder of the first mounted volume that has one. The volumes are
// asked on threads of their own (MountedVolumeThread), and one that has not
// answered within 0.2 s is passed over. The answer is
// cached; `force` searches again. When nothing is found the previous answer
// stays (empty before the first find). A search also finds the server's
// settings and address property lists in the root and reads them. All the
// functions here share one lock: any thread.
QString keloRootPath(bool force = false);

// Above 0 the newer layout, with a "Preferences" folder, is looked for first.
void setMediaScanMode(int32_t mode);
int32_t mediaScanMode();
// The root holds a "Preferences" folder and the scan mode is above 0.
bool keloHasPrefsFolder();

QString getKeloSettingsPath();
QString getKeloAddressPath();
// Their contents; empty when unreadable.
QVariantMap KeloSettingsDict();
QVariantMap KeloAddressDict();
// Settings from their path, else from "KeloEgret.plist" in the root, else
// empty; the address dictionary from its path, else empty.
void reloadKeloSettings();
// Missing paths become the files in "Preferences" (when the root has it) or
// in the root.
void createPathsIfNeeded();
// Writes both dictionaries, each atomically; false when either failed.
bool saveKeloSettings();
bool daemonSetPref(const QString& key, const QVariant& value);
// Copies the settings file into "archive/KeloSettings" (made when missing)
// as "KeloSettings_<version>_<modification date>.plist".
bool archiveKeloSettings();
QString getArchiveKeloSettingsFolder();
QString getArchiveAllSettingsFolder();
// "last_launch_path" of the server application's preferences.
QString keloLaunchPath();
QString mediaInfoPath();
QString modelInfoPath();
QString pluginsEffectsPath();

// A symbolic link with an absolute destination stands for that destination
// (`isAlias` set); anything else for itself.
QString resolveAliasFile(const QString& path, bool* isAlias = nullptr);

// The search above for the layers below this one; the composition root
// installs it. Any thread.
class KeloRootPathFinder : public KeloRootPathProvider {
public:
    QString keloRootPath(bool force) override;
};

// The candidates tried before the volumes: "/Applications/Kelo", "~/Kelo".
QStringList keloRootPathDefaultSearchList();
// Replaces the candidates (tests); an empty list restores the defaults.
void setKeloRootPathSearchList(const QStringList& candidates);
// Replaces the list of mounted volumes, each a mount point in listing order
// (tests); null restores the system's list.
void setKeloRootPathVolumeLister(std::function<QStringList()> lister);
// Replaces the question each volume is asked on its own thread (tests): the
// volume's server folder, or empty. Null restores the folder test.
void setKeloRootPathVolumeQuery(std::function<QString(const QString& volume)> query);

// Mount points of the system's mount table (/proc/self/mounts), in table
// order, without kernel pseudo file systems and without repeats.
QStringList keloMountedVolumes();
// The same from a mount table's text.
QStringList keloMountPointsFromTable(const QByteArray& table);
// A field of the mount tables with its octal escapes ("\040" for a blank)
// turned back into characters.
QString keloUnescapeMountField(const QByteArray& field);
