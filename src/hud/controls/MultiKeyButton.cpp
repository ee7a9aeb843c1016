#include "hud/controls/MultiKeyButton.h"

#include <QKeyEvent>

namespace {

// Control, Alt (Option), Meta and the keypad rule a key out; Shift does not.
constexpr Qt::KeyboardModifiers kBlockingModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier;

}  // namespace

MultiKeyButton::MultiKeyButton(const QString& title, QWidget* parent) : HUDButton(title, parent) {}

bool MultiKeyButton::isHiddenOrAncestorHidden() const {
    // The window itself is not a view: one not yet shown still has working keys.
    for (const QWidget* w = this; w && !w->isWindow(); w = w->parentWidget()) {
        if (w->isHidden()) return true;
    }
    return false;
}

bool MultiKeyButton::performKeyEquivalent(const QKeyEvent* event) {
    if (!event || event->type() != QEvent::KeyPress) return false;
    if (!isEnabled() || isHiddenOrAncestorHidden()) return false;
    if (!keyEquivalent_.isEmpty() && QKeySequence(event->keyCombination()) == keyEquivalent_) {
        click();
        return true;
    }
    if (event->modifiers() & kBlockingModifiers) return false;
    // "." or ">", whatever Shift did to the character.
    const int key = event->key();
    if (key >= 0x80 || (key & ~0x10) != 0x2E) return false;
    click();
    return true;
}

void MultiKeyButton::keyPressEvent(QKeyEvent* event) {
    if (performKeyEquivalent(event)) {
        event->accept();
        return;
    }
    HUDButton::keyPressEvent(event);
}
