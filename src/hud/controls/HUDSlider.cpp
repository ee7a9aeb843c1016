#include "hud/controls/HUDSlider.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

HUDSlider::HUDSlider(Qt::Orientation orientation, QWidget* parent)
    : QAbstractSlider(parent), cell_(std::make_unique<HUDSliderCell>()) {
    setOrientation(orientation);
    setFocusPolicy(Qt::StrongFocus);
    cell_->setControlView(this);
}

HUDSlider::~HUDSlider() = default;

void HUDSlider::setCell(std::unique_ptr<HUDSliderCell> cell) {
    if (!cell) return;
    cell_ = std::move(cell);
    cell_->setControlView(this);
    update();
}

QSize HUDSlider::sizeHint() const {
    const int thickness = cell_->numberOfTickMarks() > 0 ? 26 : 22;
    return orientation() == Qt::Horizontal ? QSize(120, thickness) : QSize(thickness, 120);
}

void HUDSlider::syncCell() {
    cell_->setVertical(orientation() == Qt::Vertical);
    cell_->setMinValue(minimum());
    cell_->setMaxValue(maximum());
    cell_->setDoubleValue(sliderPosition());
    cell_->setEnabled(isEnabled());
    cell_->setHighlighted(isSliderDown());
}

int HUDSlider::valueAt(const QPointF& point) {
    syncCell();
    return int(std::lround(cell_->valueAtPoint(point)));
}

void HUDSlider::paintEvent(QPaintEvent*) {
    syncCell();
    QPainter painter(this);
    cell_->drawWithFrame(painter, QRectF(rect()), this);
}

void HUDSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    syncCell();
    const QPointF pos = event->position();
    const QRectF knob = cell_->standardKnobRect(sliderPosition());
    if (knob.contains(pos)) {
        grabOffset_ = pos - knob.center();
    } else {
        grabOffset_ = QPointF();
        setSliderPosition(valueAt(pos));
    }
    setSliderDown(true);
    event->accept();
}

void HUDSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    setSliderPosition(valueAt(event->position() - grabOffset_));
    event->accept();
}

void HUDSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!isSliderDown() || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setSliderDown(false);
    update();
    event->accept();
}
