#include "settings/controlValueField.h"

void controlValueField::setLabelText(const QString& text) {
    if (label_) label_->setText(text);
}

void controlValueField::setVisible(bool visible) {
    VEditableTextField::setVisible(visible);
    if (label_) label_->setVisible(visible);
}
