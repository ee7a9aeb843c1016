#pragma once

#include <QRectF>

// A control that keeps its text and its field editor in a rectangle of its
// own (the number fields), whatever frame its cell is asked to draw in.
class EditingAlignmentProtocol {
public:
    virtual ~EditingAlignmentProtocol() = default;
    // In the control's own (y-down) coordinates.
    virtual QRectF editingAlignmentRect() const = 0;
    // Whether the control's field editor is open.
    virtual bool hasActiveFieldEditor() const { return false; }
};
