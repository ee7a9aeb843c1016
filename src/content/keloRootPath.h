#pragma once

#include "foundation/KeloRootPathProvider.h"

#include <QString>
#include <QStringList>

#include <functional>

// The local server root folder: the first candidate of the search list that
// is a directory ("~" expanded, an absolute symbolic link followed), else the
// "Kelo" folder of the first mounted volume that has one. The answer is
// cached; `force` searches again. When nothing is found the previous answer
// stays (empty before the first find). Any thread.
QString keloRootPath(bool force = false);

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

// Mount points of the system's mount table (/proc/self/mounts), in table
// order, without kernel pseudo file systems and without repeats.
QStringList keloMountedVolumes();
// The same from a mount table's text.
QStringList keloMountPointsFromTable(const QByteArray& table);
