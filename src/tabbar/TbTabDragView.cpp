#include "tabbar/TbTabDragView.h"

#include <QPainter>

#include <algorithm>

TbTabDragView::TbTabDragView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TbTabDragView::setImage(const QImage& image) {
    image_ = image;
    QWidget::update();
}

void TbTabDragView::setAlternateImage(const QImage& image) {
    alternateImage_ = image;
    QWidget::update();
}

void TbTabDragView::setFadeValue(double value) {
    alpha_ = value;
    QWidget::update();
}

void TbTabDragView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setOpacity(std::clamp(alpha_ + 0.001, 0.0, 1.0));
    if (!image_.isNull()) p.drawImage(QRectF(rect()), image_);
    p.setOpacity(std::clamp(1.001 - alpha_, 0.0, 1.0));
    if (!alternateImage_.isNull()) p.drawImage(QRectF(rect()), alternateImage_);
}
