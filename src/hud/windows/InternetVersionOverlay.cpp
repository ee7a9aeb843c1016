#include "hud/windows/InternetVersionOverlay.h"

#include "foundation/VNSStringUtilCategory.h"
#include "hud/views/OverlayView.h"

#include <QDesktopServices>
#include <QUrl>

void InternetVersionOverlay::notifyNewerVersion(const QString& pageAddress) {
    if (!contentView_) return;
    address_ = pageAddress;
    InternetVersionCheck* check = InternetVersionCheck::instance();
    const QString message = QStringLiteral("Newer version %1 available here:\n%2")
                                .arg(check->newestVersionStr(), pageAddress);
    // The address is the "Show Web Page" button's; the text carries no link.
    const AttributedString text =
        attrStringWithColor(message, QColor::fromRgbF(0.851f, 0.949f, 0.965f, 1.0f));
    overlay_ = OverlayView::addOverlayViewWithTitle(text, contentView_);
    if (!overlay_) return;
    const auto answer = [this](void (InternetVersionOverlay::*own)(),
                               void (InternetVersionCheck::*model)()) {
        return [this, own, model](HUDButton*) {
            if (own) (this->*own)();
            if (model) (InternetVersionCheck::instance()->*model)();
            if (overlay_) overlay_->dismiss();
        };
    };
    overlay_->addButtonWithTitle(QStringLiteral("Show Web Page"), 0,
                                 answer(&InternetVersionOverlay::takeLink, nullptr));
    overlay_->addButtonWithTitle(QStringLiteral("Disable Check"), 0,
                                 answer(nullptr, &InternetVersionCheck::disableCheck));
    if (!check->newestVersionStr().isEmpty()) {
        overlay_->addButtonWithTitle(QStringLiteral("Ignore This Update"), 0,
                                     answer(nullptr, &InternetVersionCheck::ignoreThisUpdate));
    }
    overlay_->addButtonWithTitle(QStringLiteral("Later"), 0,
                                 answer(nullptr, &InternetVersionCheck::showLinkLater));
}

void InternetVersionOverlay::takeLink() {
    QDesktopServices::openUrl(QUrl(address_));
}
