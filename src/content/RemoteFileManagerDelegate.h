#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class KlLogUI;

// A button of the file manager's overlay; pressing it calls the manager's
// cancelOverlayView with its tag.
struct RfmOverlayButton {
    QString title;
    int tag = 0;
};

inline constexpr int kRfmSaveAsButtonTag = 42;

// What a screen that uses the remote file manager provides: the window
// layer shows the overlays and alerts the manager asks for, over its own
// view. Every call comes on the main thread.
class RemoteFileManagerDelegate {
public:
    virtual ~RemoteFileManagerDelegate() = default;

    // An in-window message with buttons; at most one at a time.
    virtual void showOverlay(const QString& /*text*/, const QList<RfmOverlayButton>& /*buttons*/) {}
    virtual void dismissOverlay() {}
    // A warning overlay with OK and a "Don't show this again" box.
    virtual void showSuppressableWarning(const QString& /*text*/) {}
    // An alert sheet on the main window.
    virtual void showAlert(const QString& /*message*/, const QString& /*text*/,
                           const QString& /*button*/) {}

    virtual void setProgressText(const QString& /*text*/) {}
    virtual void notifySaveSuccessful(const QDateTime& /*modificationDate*/) {}
    // `saveAs`: the user chose "Save As..." on the write overlay.
    virtual void notifyAbort(bool /*saveAs*/) {}
    virtual void updateProgress() {}
    // The screen's log panel, where the manager's warnings go; null logs
    // through the application log.
    virtual KlLogUI* klLogUI() { return nullptr; }
};
