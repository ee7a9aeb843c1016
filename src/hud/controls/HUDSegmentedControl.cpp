#include "hud/controls/HUDSegmentedControl.h"

#include "hud/windows/HUDThemeKeloWindow.h"

#include <QMouseEvent>
#include <QPainter>

HUDSegmentedControl::HUDSegmentedControl(QWidget* parent)
    : QWidget(parent), cell_(std::make_unique<HUDSegmentedCell>()) {
    cell_->setControlView(this);
    cell_->setEnabled(isEnabled());
}

HUDSegmentedControl::~HUDSegmentedControl() = default;

void HUDSegmentedControl::setSelectedSegment(int segment) {
    const int before = cell_->selectedSegment();
    cell_->setSelectedSegment(segment);
    if (cell_->selectedSegment() == before) return;
    update();
    emit selectedSegmentChanged(cell_->selectedSegment());
}

QSize HUDSegmentedControl::sizeHint() const {
    return cell_->cellSize().toSize();
}

void HUDSegmentedControl::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    waitIfNeeded(this);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    cell_->drawWithFrame(p, QRectF(rect()), this);
}

void HUDSegmentedControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !cell_->isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int segment = cell_->segmentAtPoint(event->position(), QRectF(rect()));
    if (segment >= 0 && cell_->isEnabledForSegment(segment)) setSelectedSegment(segment);
    event->accept();
}

void HUDSegmentedControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        cell_->setEnabled(isEnabled());
        update();
    }
    QWidget::changeEvent(event);
}
