#include "tabbar/TbTabDragWindowController.h"

#include "tabbar/TbTabDragView.h"
#include "tabbar/TbTabDragWindow.h"

#include <QCursor>
#include <QEasingCurve>

#include <cmath>

namespace {
constexpr double kSwitchMilliseconds = 250;
}

TbTabDragWindowController::TbTabDragWindowController(const QImage& image, unsigned styleMask, int tearOffStyle)
    : tearOffStyle_(tearOffStyle), window_(TbTabDragWindow::dragWindowWithImage(image, styleMask)),
      view_(window_->dragView()) {
    window_->setWindowOpacity(0.75);
    timer_.setInterval(1000 / 30);
    connect(&timer_, &QTimer::timeout, this, &TbTabDragWindowController::animateTimer);
}

TbTabDragWindowController::~TbTabDragWindowController() = default;

QImage TbTabDragWindowController::image() const {
    return view_->image();
}

QImage TbTabDragWindowController::alternateImage() const {
    return view_->alternateImage();
}

void TbTabDragWindowController::setAlternateImage(const QImage& image) {
    view_->setAlternateImage(image);
}

void TbTabDragWindowController::switchImages() {
    if (tearOffStyle_ != 1 || view_->alternateImage().isNull()) return;
    showingAlternate_ = !showingAlternate_;
    double progress = 0;
    if (animating_) {
        progress = 1 - std::min(1.0, startProgress_ + clock_.elapsed() / kSwitchMilliseconds);
    }
    startProgress_ = progress;
    animating_ = true;
    clock_.start();
    originalWindowFrame_ = window_->geometry();
    timer_.start();
}

void TbTabDragWindowController::animateTimer() {
    const double linear = std::min(1.0, startProgress_ + clock_.elapsed() / kSwitchMilliseconds);
    const double v = QEasingCurve(QEasingCurve::InOutSine).valueForProgress(linear);
    const QImage& target = showingAlternate_ ? view_->alternateImage() : view_->image();
    const QSizeF start = originalWindowFrame_.size();
    const QSizeF size = start + (QSizeF(target.size()) - start) * v;
    const QPoint mouse = QCursor::pos();
    window_->setGeometry(int(mouse.x() - size.width() / 2), int(mouse.y() - size.height() / 2),
                         int(std::lround(size.width())), int(std::lround(size.height())));
    view_->setFadeValue(showingAlternate_ ? 1 - v : v);
    if (linear >= 1.0) {
        animating_ = false;
        timer_.stop();
    }
}
