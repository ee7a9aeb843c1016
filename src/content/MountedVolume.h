#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One network share mounted on this computer, as the mount table or the
// GVfs folder shows it: where it is and which server share it came from.
// The sources are read without touching the shares themselves, so asking
// never blocks on an unreachable server. A value: any thread.
struct MountedVolume {
    QString path;         // the local folder
    QUrl remountUrl;      // scheme, user, host and share, e.g. smb://ombrel@10.0.0.5/Media
    QString remountText;  // its text; a guest mount carries ";AUTH=No%20User%20Authent"

    QString host() const { return remountUrl.host(); }
    QString remountPath() const { return remountUrl.path(); }
    bool isGuest() const { return remountText.contains("AUTH=No%20User%20Authent"); }

    // Every mounted SMB share: kernel mounts of the mount table, then the
    // shares of the GVfs folder (found in the mount table, else under
    // $XDG_RUNTIME_DIR/gvfs).
    static QList<MountedVolume> mountedVolumes();
    // Replaces the mount table and the GVfs folder read (tests); empty
    // strings restore the system's.
    static void setSources(const QString& mountInfoPath, const QString& gvfsFolder);

    // Kernel SMB mounts of a /proc/self/mountinfo text.
    static QList<MountedVolume> fromMountInfo(const QByteArray& table);
    // A GVfs folder entry "smb-share:server=...,share=...[,user=...]";
    // nothing for other kinds and for names that do not make a valid URL.
    static std::optional<MountedVolume> fromGvfsName(const QString& folder, const QString& name);
    // The GVfs folder named by a mountinfo text, if any.
    static QString gvfsFolderFromMountInfo(const QByteArray& table);
};
