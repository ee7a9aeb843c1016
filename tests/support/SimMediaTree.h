#pragma once

// The media folders of one simulated Kelo server on disk: numbered folders
// of numbered files under a root of their own, and the content database the
// server sends for them, built from what is on disk. The database's time
// stamp changes with every change to the tree, so that a controller that
// compares it with the announced one fetches the database again. Any
// thread; the tree holds a lock.

#include "support/SimContentRef.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <mutex>

class SimMediaTree {
public:
    static constexpr int kMaxNumber = 255;  // folder and file numbers run 1 to 255

    // `root` must exist; the tree lives under "<root>/Media".
    SimMediaTree(const QString& root, const QByteArray& serverName, int collectionID);

    // The standard tree: three folders of clips, in which `variant` (the
    // server's index) leaves out, adds and changes files, so that servers of
    // one collection differ. False when the disk refuses.
    bool populate(int variant);

    // Commands as a server's operator gives them; false (with a reason)
    // when the numbers are out of range or the disk refuses.
    bool addFile(int folder, int file, const QByteArray& name, int64_t size, QString* error);
    bool removeFile(int folder, int file, QString* error);
    bool touchFile(int folder, int file, QString* error);
    // Copies the item from another tree (a transfer); false when the source
    // has no such file.
    bool copyFrom(const SimMediaTree& source, const SimContentRef& item, QString* error);

    // The database as a property list; "Modified" dates need the binary form.
    QVariantMap database() const;
    QByteArray timeStamp() const;
    // The file's path and its name alone; empty when there is none.
    QString pathOf(int folder, int file) const;
    QString root() const { return root_; }
    // Called (outside the lock) after every change with the new time stamp.
    void setChangeHandler(std::function<void(const QByteArray&)> handler);

private:
    QString folderPathLocked(int folder) const;  // empty when missing
    QString pathOfLocked(int folder, int file) const;
    bool changed();
    bool writeFile(const QString& path, int64_t size, int seed, int64_t modifiedSecs);

    const QString root_;
    const QByteArray serverName_;
    const int collectionID_;
    mutable std::mutex lock_;
    uint64_t generation_ = 1;
    std::function<void(const QByteArray&)> onChange_;
};
