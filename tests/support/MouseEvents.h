#pragma once

// Mouse sequences sent straight to a widget, in the order a windowing system
// delivers them; QTest's double click and its move (which takes no
// modifiers) do not give that offscreen.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

inline void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, modifiers);
    QApplication::sendEvent(w, &e);
}

inline void doubleClick(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, {});
    sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, {});
}

// A move with the left button held.
inline void drag(QWidget* w, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
    sendMouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, modifiers);
}
