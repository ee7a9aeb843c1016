#include "content/SimpleRemoteDelegate.h"

#include "content/RemoteFileManager.h"
#include "foundation/OmLog.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/KeloAlert.h"
#include "hud/windows/KlLogUI.h"


SimpleRemoteDelegate::SimpleRemoteDelegate(QWidget* view, KlE_Control_Status* link)
    : view_(view),
      log_(OmLog::initWithMessage("SimpleRemoteDelegate")),
      klLogUI_(std::make_unique<KlLogUI>(nullptr, nullptr)),
      remoteFileManager_(std::make_unique<RemoteFileManager>(this, link)) {
    klLogUI_->setDelegate(nullptr, log_.get(), QString(), QString());
}

KlLogUI* SimpleRemoteDelegate::klLogUI() {
    return ownersLogUI_ ? ownersLogUI_.get() : klLogUI_.get();
}

SimpleRemoteDelegate::~SimpleRemoteDelegate() {
    remoteFileManager_.reset();
    dismissOverlay();
}

void SimpleRemoteDelegate::showOverlay(const QString& text,
                                       const QList<RfmOverlayButton>& buttons) {
    dismissOverlay();
    overlay_ = OverlayView::addOverlayViewWithTitle(text, view_);
    if (!overlay_) return;
    RemoteFileManager* manager = remoteFileManager_.get();
    for (const RfmOverlayButton& b : buttons) {
        const int tag = b.tag;
        overlay_->addButtonWithTitle(
            b.title, tag, [manager, tag](HUDButton*) { manager->cancelOverlayView(tag); });
    }
}

void SimpleRemoteDelegate::dismissOverlay() {
    if (overlay_) overlay_->dismiss();
    overlay_ = nullptr;
}

void SimpleRemoteDelegate::showSuppressableWarning(const QString& text) {
    OverlayView* warning = OverlayView::addOverlayViewWithTitle(text, view_);
    if (!warning) return;
    warning->addOkButton();
    warning->setShowsSuppressionButton(true);
}

void SimpleRemoteDelegate::showAlert(const QString& message, const QString& text,
                                     const QString& button) {
    auto* box =
        new KeloAlert(KeloAlert::kWarning, message, text, {button}, view_ ? view_->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}
