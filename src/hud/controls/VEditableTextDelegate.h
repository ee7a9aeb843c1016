#pragma once

class QAbstractItemView;
class QModelIndex;
class QObject;
class QWidget;
class VEditableTextField;
class VEditableTextFieldDelegate;

// The editing behaviour the panels' number fields share: wiring a field,
// Return, Tab, Backtab and Esc, and the sort hold while the keyboard moves
// the editing. Class operations only; main thread only.
class VEditableTextDelegate {
public:
    // Command types of the keys the fields hand over.
    enum : int { kOther = 0, kReturn = 1, kBacktab = 2, kTab = 3, kEsc = 4 };
    // The arrow keys that move the editing between rows of a table.
    enum : int { kMoveUp = 5, kMoveDown = 6, kDeleteBackward = 7 };

    VEditableTextDelegate() = delete;

    // Delegate, exterior focus ring, and an editing rectangle 2 points in at
    // the sides and 4 (2 for fields under 24 points) at the top.
    static void editableField(VEditableTextField* field, VEditableTextFieldDelegate* delegate);
    // Handles a command of the field; true when it was handled here.
    static bool doCommand(VEditableTextField* field, int type);
    // Handles a command of the cell being edited in a table: Up and Down
    // move the editing to the same column of the next row, Tab and Backtab
    // to the next editable, visible column (wrapping to the next row), Esc
    // ends it. False lets the table handle the key itself (Return, others).
    // Table controllers forward their editors' commands here.
    static bool doCommand(QAbstractItemView* table, const QModelIndex& edited, int type);
    // Ends the editing of a control: the field loses its editor.
    static void keypressEndedEditing(QWidget* control);
    // Marks the control the keyboard is deleting in, so that its table
    // holds off re-sorting.
    static void noteDeleteBackward(QObject* control);
    static bool suppressSortWhileNavigating(const QObject* table);
    // For periodic refreshes: drops the hold once the table has no editor.
    static bool periodicUpdateSuppressSort(const QWidget* table);
};
