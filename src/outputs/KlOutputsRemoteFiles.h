#pragma once

#include "platform/InstalledInterface.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>

class QWidget;

// The remote file manager as the outputs bridge reaches it: it belongs to
// content management, beside this layer, so the composition root installs
// the implementation. Without one no content path is known. Main thread only.
class KlOutputsRemoteFiles : public InstalledInterface<KlOutputsRemoteFiles> {
public:
    virtual ~KlOutputsRemoteFiles() = default;
    // The URL of a server content path on its mounted volume (waiting
    // modally, with an overlay over `view` after `timeout` seconds), or an
    // empty one; `canceled` is set when the operator cancelled. Options:
    // "targetServerName", "targetServerAddr", "doLocalMachine" and
    // optionally ".KeloBootVolumePath".
    virtual QUrl urlForContentPath(const QString& subPath, QWidget* view, double timeout,
                                   const QVariantMap& options, bool* canceled) {
        (void)subPath;
        (void)view;
        (void)timeout;
        (void)options;
        if (canceled) *canceled = false;
        return {};
    }
};
