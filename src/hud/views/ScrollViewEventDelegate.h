#pragma once

#include <Qt>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDropEvent;
class QMouseEvent;

// What a scroll view hands over of clicks and drops on its empty area. A
// method left at its default counts as not implemented: clicks then get
// the scroll view's own handling and drops are refused.
class ScrollViewEventDelegate {
public:
    virtual ~ScrollViewEventDelegate() = default;
    // True when the delegate took the click.
    virtual bool mouseDown(QMouseEvent*) { return false; }
    virtual Qt::DropAction draggingEntered(QDragEnterEvent*) { return Qt::IgnoreAction; }
    virtual bool prepareForDragOperation(QDropEvent*) { return false; }
    virtual bool performDragOperation(QDropEvent*) { return false; }
    virtual void draggingExited(QDragLeaveEvent*) {}
};

// The drag entry and drop steps of the scroll views that take a delegate;
// without one, or without the delegate's consent, the drag is refused.
void forwardDragEnter(ScrollViewEventDelegate* delegate, QDragEnterEvent* event);
void forwardDrop(ScrollViewEventDelegate* delegate, QDropEvent* event);
