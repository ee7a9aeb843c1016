#pragma once

#include <QPointF>

class DTableView;

// A table delegate that shows help for the cell under the pointer.
class MouseHoverProtocol {
public:
    virtual ~MouseHoverProtocol() = default;
    // On every pointer movement over the table; the point is in the table.
    virtual void showMouseHoverInfo(DTableView* table, const QPointF& point) = 0;
    virtual void resetMouseHoverInfo(DTableView* table) = 0;
};

// A cell that shows whether it is the one under the pointer.
class MouseHoverCell {
public:
    virtual ~MouseHoverCell() = default;
    virtual void mouseHoverCell(bool hover) = 0;
};
