#pragma once

#include "hud/cells/TextFieldCell.h"

#include <QtGlobal>

#include <memory>

class DTableView;
class QMouseEvent;

// A table delegate told about double-clicks, on a row of a multi-row
// selection or on a single row. `column` is the logical column; `cell` is a
// copy of the prepared cell of that column and row.
class DoubleClickTableDelegate {
public:
    virtual ~DoubleClickTableDelegate() = default;
    virtual void doubleClickMultiRows(DTableView* table, QMouseEvent* event, int column, qint64 row,
                                      std::unique_ptr<TextFieldCell> cell) = 0;
    virtual void doubleClickSingleRow(DTableView* table, QMouseEvent* event, int column, qint64 row,
                                      std::unique_ptr<TextFieldCell> cell) = 0;
};
