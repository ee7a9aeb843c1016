#include "hud/controls/VEditableTextDelegate.h"

#include "hud/controls/VEditableTextField.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPointer>
#include <QTableView>
#include <QTreeView>

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

bool editableCell(QAbstractItemView* table, int row, int column) {
    const QModelIndex index = table->model()->index(row, column, table->rootIndex());
    if (!(index.flags() & Qt::ItemIsEditable)) return false;
    if (auto* grid = qobject_cast<QTableView*>(table)) return !grid->isColumnHidden(column);
    if (auto* tree = qobject_cast<QTreeView*>(table)) return !tree->isColumnHidden(column);
    return true;
}

// Ends the edit in progress, keeping what was typed, and edits another cell
// with its text selected.
void moveEditing(QAbstractItemView* table, int row, int column, bool selectRow) {
    QWidget* editor = table->indexWidget(table->currentIndex());
    if (!editor) editor = QApplication::focusWidget();
    if (editor && table->isAncestorOf(editor)) {
        QMetaObject::invokeMethod(table->itemDelegate(), "commitData", Q_ARG(QWidget*, editor));
        QMetaObject::invokeMethod(table->itemDelegate(), "closeEditor", Q_ARG(QWidget*, editor));
    }
    const QModelIndex target = table->model()->index(row, column, table->rootIndex());
    if (selectRow) {
        table->selectionModel()->select(
            target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    table->setCurrentIndex(target);
    table->edit(target);
}

}  // namespace

bool VEditableTextDelegate::doCommand(QAbstractItemView* table, const QModelIndex& edited,
                                      int type) {
    sSuppressSortWhileNavigating = nullptr;
    if (!table || !table->model()) return false;
    const int rows = table->model()->rowCount(table->rootIndex());
    const int columns = table->model()->columnCount(table->rootIndex());
    const int row = edited.row();
    const int column = edited.column();
    switch (type) {
        case kMoveDown:
        case kMoveUp: {
            const int next = type == kMoveDown ? row + 1 : row - 1;
            if (next >= 0 && next < rows && column < columns) {
                sSuppressSortWhileNavigating = table;
                moveEditing(table, next, column, true);
            }
            return true;
        }
        case kDeleteBackward:
            sSuppressSortWhileNavigating = table;
            return false;
        case kReturn:
            return false;
        case kEsc:
            keypressEndedEditing(table);
            return true;
        case kTab:
        case kBacktab: {
            const bool forward = type == kTab;
            int targetRow = -1;
            int targetColumn = -1;
            for (int c = forward ? column + 1 : column - 1; c >= 0 && c < columns;
                 c += forward ? 1 : -1) {
                if (editableCell(table, row, c)) {
                    targetRow = row;
                    targetColumn = c;
                    break;
                }
            }
            const int otherRow = forward ? row + 1 : row - 1;
            if (targetRow < 0 && otherRow >= 0 && otherRow < rows) {
                for (int c = forward ? 0 : columns - 1; c >= 0 && c < columns;
                     c += forward ? 1 : -1) {
                    if (editableCell(table, otherRow, c)) {
                        targetRow = otherRow;
                        targetColumn = c;
                        break;
                    }
                }
            }
            if (targetRow < 0) return true;
            sSuppressSortWhileNavigating = table;
            moveEditing(table, targetRow, targetColumn, false);
            return true;
        }
        default:
            return false;
    }
}

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
