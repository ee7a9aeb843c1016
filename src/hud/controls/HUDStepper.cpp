#include "hud/controls/HUDStepper.h"

#include "hud/windows/HUDThemeKeloWindow.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

HUDStepper::HUDStepper(QWidget* parent)
    : QWidget(parent), cell_(std::make_unique<HUDStepperCell>()) {}

HUDStepper::~HUDStepper() = default;

void HUDStepper::setValue(double value) {
    value = std::clamp(value, minValue_, std::max(minValue_, maxValue_));
    if (value == value_) return;
    value_ = value;
    update();
    emit valueChanged(value_);
}

void HUDStepper::setMinValue(double value) {
    minValue_ = value;
    setValue(value_);
}

void HUDStepper::setMaxValue(double value) {
    maxValue_ = value;
    setValue(value_);
}

void HUDStepper::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    waitIfNeeded(this);
    QPainter p(this);
    cell_->drawWithFrame(p, QRectF(rect()), this);
}

void HUDStepper::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        cell_->rightMouseDown(event);
        return;
    }
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    cell_->mouseDown(event);
    const bool up = event->position().y() < height() / 2.0;
    setValue(value_ + (up ? increment_ : -increment_));
    event->accept();
}
