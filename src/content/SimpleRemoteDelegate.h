#pragma once

#include "content/RemoteFileManagerDelegate.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class KlE_Control_Status;
class KlLogUI;
class OmLog;
class OverlayView;
class RemoteFileManager;

// The least a plain view needs to use the remote file manager: its own
// manager and window-less log panel (or its owner's), and the manager's
// overlays shown over the view (an alert as a window-modal message box on
// the view's window). Main thread only.
class SimpleRemoteDelegate : public RemoteFileManagerDelegate {
public:
    explicit SimpleRemoteDelegate(QWidget* view, KlE_Control_Status* link = nullptr);
    ~SimpleRemoteDelegate() override;

    void setView(QWidget* view) { view_ = view; }
    QWidget* alertView() const { return view_; }
    RemoteFileManager* remoteFileManager() const { return remoteFileManager_.get(); }
    OverlayView* overlay() const { return overlay_; }

    void showOverlay(const QString& text, const QList<RfmOverlayButton>& buttons) override;
    void dismissOverlay() override;
    void showSuppressableWarning(const QString& text) override;
    void showAlert(const QString& message, const QString& text, const QString& button) override;
    KlLogUI* klLogUI() override;
    // The owner's log panel (not owned) instead of its own; null: its own.
    void setKlLogUI(KlLogUI* panel) { ownersLogUI_ = panel; }

private:
    QPointer<QWidget> view_;
    QPointer<OverlayView> overlay_;
    std::unique_ptr<OmLog> log_;
    std::unique_ptr<KlLogUI> klLogUI_;
    QPointer<KlLogUI> ownersLogUI_;
    std::unique_ptr<RemoteFileManager> remoteFileManager_;
};
