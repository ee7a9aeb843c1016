#include "hud/controls/VEditableTextDelegate.h"

#include "hud/controls/VEditableTextField.h"

#include <QApplication>
#include <QPointer>

namespace {

// The control through which keyboard navigation is moving the editing.
QPointer<QObject> sSuppressSortWhileNavigating;

// The next (or previous) number field of the focus chain that shows, or null.
VEditableTextField* neighbour(VEditableTextField* field, bool forward) {
    QWidget* view = field;
    for (int steps = 0; steps < 101; ++steps) {
        view = forward ? view->nextInFocusChain() : view->previousInFocusChain();
        if (!view || view == field) return nullptr;
        auto* next = qobject_cast<VEditableTextField*>(view);
        if (next && next->isVisible() && next->visibleWidth() != 0) return next;
    }
    return nullptr;
}

}  // namespace

void VEditableTextDelegate::editableField(VEditableTextField* field,
                                          VEditableTextFieldDelegate* delegate) {
    field->setDelegate(delegate);
    field->cell()->setFocusRingType(kFocusRingTypeExterior);
    const QRectF bounds(field->rect());
    const double top = field->height() >= 24 ? 4 : 2;
    field->setEditingAlignmentRect(bounds.adjusted(2, top, -2, 0));
}

bool VEditableTextDelegate::doCommand(VEditableTextField* field, int type) {
    sSuppressSortWhileNavigating = nullptr;
    switch (type) {
        case kEsc:
            keypressEndedEditing(field);
            return true;
        case kReturn:
        case kBacktab:
        case kTab: {
            const bool moving = type != kReturn;
            // Tabbing out of an unchanged field sends nothing, except in the
            // fixture editor, whose fields always report.
            const bool unchanged = moving && !field->isUndoAvailable() &&
                                   !field->window()->windowTitle().contains("Edit Fixture");
            if (!unchanged) field->sendAction();
            keypressEndedEditing(field);
            if (moving) {
                if (VEditableTextField* next = neighbour(field, type == kTab)) {
                    next->setIsSettingUpFieldEditor(true);
                    next->setFocus(type == kTab ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                    next->setIsSettingUpFieldEditor(false);
                }
            }
            return true;
        }
        default:
            return false;
    }
}

void VEditableTextDelegate::keypressEndedEditing(QWidget* control) {
    sSuppressSortWhileNavigating = nullptr;
    if (auto* field = qobject_cast<VEditableTextField*>(control)) {
        field->abortEditing();
    } else if (control) {
        control->setFocus(Qt::OtherFocusReason);
    }
}

void VEditableTextDelegate::noteDeleteBackward(QObject* control) {
    sSuppressSortWhileNavigating = control;
}

bool VEditableTextDelegate::suppressSortWhileNavigating(const QObject* table) {
    return table && sSuppressSortWhileNavigating == table;
}

bool VEditableTextDelegate::periodicUpdateSuppressSort(const QWidget* table) {
    if (table && sSuppressSortWhileNavigating == table) {
        const QWidget* focus = QApplication::focusWidget();
        if (!focus || !table->isAncestorOf(focus)) sSuppressSortWhileNavigating = nullptr;
    }
    return suppressSortWhileNavigating(table);
}
