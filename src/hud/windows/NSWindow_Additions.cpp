#include "hud/windows/NSWindow_Additions.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QKeySequence>
#include <QVariant>
#include <QWidget>

#include <vector>

bool isOverlayView(const QWidget* widget) {
    return widget &&
           (widget->inherits("OverlayView") || widget->property(kOverlayViewProperty).toBool());
}

namespace {

std::vector<QWidget*> childWindows(const QWidget* window) {
    std::vector<QWidget*> out;
    for (QObject* child : window->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w->isWindow()) out.push_back(w);
    }
    return out;
}

// The overlay view a child window holds, or null.
QWidget* overlayOf(QWidget* childWindow) {
    if (isOverlayView(childWindow)) return childWindow;
    for (QObject* child : childWindow->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow() && isOverlayView(w)) return w;
    }
    return nullptr;
}

void closeOverlayWindow(QWidget* childWindow) {
    childWindow->hide();
    childWindow->setParent(nullptr);
    childWindow->deleteLater();
}

}  // namespace

int heightOfTitleBar(const QWidget* window) {
    if (!window) return 0;
    const int h = window->frameGeometry().height() - window->geometry().height();
    return h > 0 ? h : 0;
}

bool hasOverlayView(const QWidget* window) {
    if (!window) return false;
    for (QWidget* child : childWindows(window)) {
        if (overlayOf(child)) return true;
    }
    return false;
}

bool cancelOverlayView(QWidget* window) {
    if (!window) return false;
    bool closed = false;
    for (QWidget* child : childWindows(window)) {
        if (overlayOf(child)) {
            closeOverlayWindow(child);
            closed = true;
            continue;
        }
        for (QWidget* grandChild : childWindows(child)) {
            if (overlayOf(grandChild)) {
                closeOverlayWindow(grandChild);
                closed = true;
            }
        }
    }
    return closed;
}

void dismissOverlay(QWidget* window) {
    cancelOverlayView(window);
}

bool forwardEscKeyToOverlayView(QWidget* window, const QKeyEvent* event) {
    if (!window || !event || event->key() != Qt::Key_Escape) return false;
    const QKeySequence escape(Qt::Key_Escape);
    for (QWidget* child : childWindows(window)) {
        QWidget* overlay = overlayOf(child);
        if (!overlay) continue;
        for (QAbstractButton* button : overlay->findChildren<QAbstractButton*>()) {
            if (button->isEnabled() && button->shortcut() == escape) {
                button->click();
                return true;
            }
        }
    }
    return false;
}
