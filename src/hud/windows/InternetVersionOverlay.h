#pragma once

#include "foundation/InternetVersionCheck.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class OverlayView;

// Shows the version check's offer as an overlay over the main window's
// content view: "Show Web Page", "Disable Check", "Ignore This Update" (when
// the version is known) and "Later". The composition root makes one for the
// main window's content view and installs it with
// InternetVersionCheckUI::install(). Main thread only.
class InternetVersionOverlay : public InternetVersionCheckUI {
public:
    explicit InternetVersionOverlay(QWidget* contentView) : contentView_(contentView) {}

    void notifyNewerVersion(const QString& pageAddress) override;
    // The overlay on show, or null.
    OverlayView* overlay() const { return overlay_; }

private:
    void takeLink();

    QPointer<QWidget> contentView_;
    QPointer<OverlayView> overlay_;
    QString address_;
};
