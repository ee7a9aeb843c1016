#include "app/KeloOutputsRemoteFiles.h"

#include "content/RemoteFileManager.h"
#include "content/RfmTask.h"
#include "content/SimpleRemoteDelegate.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/KlLogUI.h"

KeloOutputsRemoteFiles::KeloOutputsRemoteFiles() = default;

KeloOutputsRemoteFiles::~KeloOutputsRemoteFiles() = default;

QUrl KeloOutputsRemoteFiles::urlForContentPath(const QString& subPath, QWidget* view,
                                               double timeout, const QVariantMap& options,
                                               bool* canceled) {
    if (!delegate_)
        delegate_ = std::make_unique<SimpleRemoteDelegate>(view);
    else
        delegate_->setView(view);
    bool wasCanceled = false;
    const std::shared_ptr<RfmTask> task = delegate_->remoteFileManager()->klAsyncOp(
        kRfmOpFileUrl, subPath, timeout, options, &wasCanceled);
    if (canceled) *canceled = wasCanceled;
    return task ? task->asyncUrl : QUrl();
}
