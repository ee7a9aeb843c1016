#include "tabbar/TbProgressIndicator.h"

#include "tabbar/TbTabBarControl.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr int kSpokes = 12;
constexpr int kStepMilliseconds = 1000 / kSpokes;
}  // namespace

TbProgressIndicator::TbProgressIndicator(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_.setInterval(kStepMilliseconds);
    connect(&timer_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % kSpokes;
        QWidget::update();
    });
    delayedStart_.setSingleShot(true);
    connect(&delayedStart_, &QTimer::timeout, this, &TbProgressIndicator::startAnimation);
}

void TbProgressIndicator::setHidden(bool hidden) {
    if (hidden == hidden_) return;
    hidden_ = hidden;
    if (parentWidget()) QWidget::setVisible(!hidden);
    if (bar_) bar_->update();
}

void TbProgressIndicator::setTabBar(TbTabBarControl* bar) {
    bar_ = bar;
}

void TbProgressIndicator::startAnimation() {
    timer_.start();
}

void TbProgressIndicator::stopAnimation() {
    delayedStart_.stop();
    timer_.stop();
}

void TbProgressIndicator::startAnimationLater() {
    delayedStart_.start(0);
}

void TbProgressIndicator::attachTo(QWidget* bar) {
    if (parentWidget() != bar) setParent(bar);
    QWidget::setVisible(!hidden_);
}

void TbProgressIndicator::detach() {
    stopAnimation();
    if (parentWidget()) {
        QWidget::setVisible(false);
        setParent(nullptr);
    }
}

void TbProgressIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const double outer = std::min(width(), height()) / 2.0 - 1;
    for (int i = 0; i < kSpokes; ++i) {
        const double angle = 2 * M_PI * i / kSpokes;
        const int age = (phase_ - i + kSpokes) % kSpokes;
        QColor colour(230, 230, 225);
        colour.setAlphaF(1.0 - 0.8 * age / kSpokes);
        p.setPen(QPen(colour, 1.5, Qt::SolidLine, Qt::RoundCap));
        const QPointF dir(std::sin(angle), -std::cos(angle));
        p.drawLine(centre + dir * outer * 0.45, centre + dir * outer);
    }
}
