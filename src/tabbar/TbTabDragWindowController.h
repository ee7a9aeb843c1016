#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QTimer>

#include <memory>

class TbTabDragView;
class TbTabDragWindow;

// Owns one floating drag window. With tear-off style 1 the window can
// switch, in a 0.25 s ease-in-out morph centred on the mouse, between the
// tab image and an alternate image (a small picture of the source window).
// The window starts at alpha 0.75. Main thread only.
class TbTabDragWindowController : public QObject {
    Q_OBJECT
public:
    TbTabDragWindowController(const QImage& image, unsigned styleMask, int tearOffStyle);
    ~TbTabDragWindowController() override;

    TbTabDragWindow* window() const { return window_.get(); }
    QImage image() const;
    QImage alternateImage() const;
    void setAlternateImage(const QImage& image);
    bool isAnimating() const { return animating_; }
    bool showingAlternate() const { return showingAlternate_; }
    void switchImages();

private:
    void animateTimer();

    int tearOffStyle_;
    std::unique_ptr<TbTabDragWindow> window_;
    TbTabDragView* view_;
    bool animating_ = false;
    double startProgress_ = 0;
    QElapsedTimer clock_;
    QTimer timer_;
    bool showingAlternate_ = false;
    QRect originalWindowFrame_;
};
