#include "hud/controls/HUDComboBox.h"

#include "hud/windows/HUDThemeKeloWindow.h"

#include <QLineEdit>
#include <QPainter>

HUDComboBox::HUDComboBox(QWidget* parent)
    : QComboBox(parent), cell_(std::make_unique<HUDComboBoxCell>()) {
    cell_->doInit();
}

HUDComboBox::~HUDComboBox() = default;

void HUDComboBox::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    waitIfNeeded(this);
    cell_->setStringValue(currentText());
    cell_->setEnabled(isEnabled());
    cell_->setShowsFirstResponder(hasFocus() || (lineEdit() && lineEdit()->hasFocus()));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    cell_->drawWithFrame(p, QRectF(rect()), this);
}

void HUDComboBox::resizeEvent(QResizeEvent* event) {
    QComboBox::resizeEvent(event);
    placeEditor();
}

void HUDComboBox::showEvent(QShowEvent* event) {
    QComboBox::showEvent(event);
    placeEditor();
}

void HUDComboBox::placeEditor() {
    if (!lineEdit()) return;
    lineEdit()->setFrame(false);
    lineEdit()->setGeometry(cell_->interiorRectForFrame(QRectF(rect())).toAlignedRect());
}
