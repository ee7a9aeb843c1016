#pragma once

#include "hud/views/HUDView.h"

// A background view in y-down coordinates that shows a faint splash image
// (the resource "SplashImage.png", toned to the background grey) while it
// has no children.
class FlipView : public HUDView {
    Q_OBJECT
public:
    explicit FlipView(QWidget* parent = nullptr);

    bool isFlipped() const { return true; }
    void setGroupTitle(const QString&) {}
    QString groupTitle() const { return {}; }

    // The toned splash image for a background grey, or null without the resource.
    static QImage splashImageForGrey(double grey);

protected:
    void paintEvent(QPaintEvent* event) override;
};
