#include "tabbar/TbRolloverButton.h"

#include <QPainter>

TbRolloverButton::TbRolloverButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TbRolloverButton::setUsualImage(const QImage& image) {
    usualImage_ = image;
    image_ = image;
    QWidget::update();
}

void TbRolloverButton::updateTrackingAreas() {
    image_ = usualImage_;
    QWidget::update();
}

void TbRolloverButton::enterEvent(QEnterEvent* event) {
    image_ = rolloverImage_;
    QWidget::update();
    QAbstractButton::enterEvent(event);
}

void TbRolloverButton::leaveEvent(QEvent* event) {
    image_ = usualImage_;
    QWidget::update();
    QAbstractButton::leaveEvent(event);
}

void TbRolloverButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage& shown = isDown() && !alternateImage_.isNull() ? alternateImage_ : image_;
    if (shown.isNull()) return;
    p.drawImage(QPointF((width() - shown.width()) / 2.0, (height() - shown.height()) / 2.0), shown);
}
