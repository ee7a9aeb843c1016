#include "hud/views/ScrollViewEventDelegate.h"

#include <QDragEnterEvent>
#include <QDropEvent>

void forwardDragEnter(ScrollViewEventDelegate* delegate, QDragEnterEvent* event) {
    const Qt::DropAction action = delegate ? delegate->draggingEntered(event) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void forwardDrop(ScrollViewEventDelegate* delegate, QDropEvent* event) {
    if (delegate && delegate->prepareForDragOperation(event) &&
        delegate->performDragOperation(event)) {
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}
