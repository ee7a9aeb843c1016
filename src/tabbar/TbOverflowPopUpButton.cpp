#include "tabbar/TbOverflowPopUpButton.h"

#include "tabbar/TbTabBarBundle.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {
// The pulse phase step, as the single-precision constant it always was.
constexpr double kPulseStep = double(0.033f);
}  // namespace

TbOverflowPopUpButton::TbOverflowPopUpButton(const QRect& frame, bool, QWidget* parent)
    : QPushButton(parent),
      image_(TbTabBarBundle::imageNamed("overflowImage")),
      downImage_(TbTabBarBundle::imageNamed("overflowImagePressed")) {
    setGeometry(frame);
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
    animationTimer_.setInterval(1000 / 15);
    connect(&animationTimer_, &QTimer::timeout, this, &TbOverflowPopUpButton::animateStep);
}

void TbOverflowPopUpButton::setAnimatingAlternateImage(bool flag) {
    if (flag == animatingAlternateImage_) return;
    animatingAlternateImage_ = flag;
    if (isHidden()) return;
    if (flag)
        startPulse();
    else
        stopPulse();
    QWidget::update();
}

void TbOverflowPopUpButton::setVisible(bool visible) {
    if (visible == isHidden()) {
        if (!visible)
            stopPulse();
        else if (animatingAlternateImage_)
            startPulse();
    }
    QPushButton::setVisible(visible);
}

void TbOverflowPopUpButton::startPulse() {
    animationValue_ = kPulseStep;
    animationTimer_.start();
}

void TbOverflowPopUpButton::stopPulse() {
    animationTimer_.stop();
}

void TbOverflowPopUpButton::animateStep() {
    animationValue_ += kPulseStep;
    if (animationValue_ >= 1.0) animationValue_ = kPulseStep;
    QWidget::update();
}

void TbOverflowPopUpButton::setPullDownMenu(QMenu* menu) {
    menu_ = menu;
}

void TbOverflowPopUpButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !menu_) return QPushButton::mousePressEvent(event);
    down_ = true;
    QWidget::update();
    // The title item stays out of the shown menu.
    QMenu shown;
    const auto actions = menu_->actions();
    for (qsizetype i = 1; i < actions.size(); ++i) shown.addAction(actions[i]);
    connect(&shown, &QMenu::aboutToShow, menu_, &QMenu::aboutToShow);
    connect(&shown, &QMenu::aboutToHide, this, &TbOverflowPopUpButton::notificationReceived);
    shown.exec(mapToGlobal(QPoint(width(), 0)));
}

void TbOverflowPopUpButton::notificationReceived() {
    down_ = false;
    QWidget::update();
}

void TbOverflowPopUpButton::paintEvent(QPaintEvent* event) {
    if (image_.isNull()) return QPushButton::paintEvent(event);
    QPainter p(this);
    const QImage& image = down_ ? downImage_ : image_;
    const QRectF bounds = rect();
    const QPointF origin = bounds.topLeft() + QPointF((bounds.width() - image.width()) / 2.0,
                                                      (bounds.height() - image.height()) / 2.0);
    const bool pulsing = animatingAlternateImage_ && isPulsing();
    p.setOpacity(pulsing ? 0.7 : 1.0);
    p.drawImage(origin, image);
    if (pulsing && !alternateImage_.isNull()) {
        p.setOpacity(std::sin(M_PI * animationValue_));
        p.drawImage(bounds.topLeft() + QPointF((bounds.width() - alternateImage_.width()) / 2.0,
                                               (bounds.height() - alternateImage_.height()) / 2.0),
                    alternateImage_);
    }
}
