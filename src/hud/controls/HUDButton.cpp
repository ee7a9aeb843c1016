#include "hud/controls/HUDButton.h"

#include <QEnterEvent>
#include <QPainter>

namespace {

bool keepsState(const HUDButtonCell& cell) {
    return cell.showsStateBy() != kNoCellMask || cell.buttonType() == kSwitchButton ||
           cell.buttonType() == kRadioButton;
}

}  // namespace

HUDButton::HUDButton(QWidget* parent) : HUDButton(QString(), parent) {}

HUDButton::HUDButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent), cell_(std::make_unique<HUDButtonCell>(title)) {
    QAbstractButton::setText(title);
    adoptCell();
}

HUDButton::~HUDButton() = default;

void HUDButton::setCell(std::unique_ptr<HUDButtonCell> cell) {
    if (!cell) return;
    cell_ = std::move(cell);
    adoptCell();
    update();
}

void HUDButton::adoptCell() {
    cell_->setControlView(this);
    cell_->setEnabled(isEnabled());
    setCheckable(keepsState(*cell_));
    QAbstractButton::setChecked(cell_->state() != kCellOffState);
}

void HUDButton::setTitle(const QString& title) {
    cell_->setTitle(title);
    QAbstractButton::setText(title);
    update();
}

void HUDButton::setButtonType(int type) {
    cell_->setButtonType(type);
    setCheckable(keepsState(*cell_));
    update();
}

void HUDButton::setState(int state) {
    cell_->setState(state);
    QAbstractButton::setChecked(cell_->state() != kCellOffState);
    update();
}

QSize HUDButton::sizeHint() const {
    return cell_->cellSize().toSize();
}

void HUDButton::paintEvent(QPaintEvent*) {
    cell_->setHighlighted(isDown());
    cell_->setEnabled(isEnabled());
    QPainter painter(this);
    cell_->drawWithFrame(painter, QRectF(rect()), this);
}

void HUDButton::enterEvent(QEnterEvent* event) {
    cell_->mouseEntered();
    QAbstractButton::enterEvent(event);
}

void HUDButton::leaveEvent(QEvent* event) {
    cell_->mouseExited();
    QAbstractButton::leaveEvent(event);
}

void HUDButton::nextCheckState() {
    if (cell_->buttonType() == kRadioButton) {
        cell_->setState(kCellOnState);
    } else {
        cell_->setNextState();
    }
    QAbstractButton::setChecked(cell_->state() != kCellOffState);
}

void HUDButton::checkStateSet() {
    // setChecked() from outside: follow it unless the cell already agrees.
    if ((cell_->state() != kCellOffState) != isChecked())
        cell_->setState(isChecked() ? kCellOnState : kCellOffState);
}

void HUDButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) cell_->setEnabled(isEnabled());
    QAbstractButton::changeEvent(event);
}
