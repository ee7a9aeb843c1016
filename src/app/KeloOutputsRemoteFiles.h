#pragma once

#include "outputs/KlOutputsRemoteFiles.h"

#include <memory>

class SimpleRemoteDelegate;

// The outputs bridge's way to the server content folders: one remote-file
// delegate for the process, made on first use and pointed at the view of
// each call. Main thread only.
class KeloOutputsRemoteFiles : public KlOutputsRemoteFiles {
public:
    KeloOutputsRemoteFiles();
    ~KeloOutputsRemoteFiles() override;

    QUrl urlForContentPath(const QString& subPath, QWidget* view, double timeout,
                           const QVariantMap& options, bool* canceled) override;

private:
    std::unique_ptr<SimpleRemoteDelegate> delegate_;
};
