#include "hud/windows/FloatingPanelLevels.h"

#include "hud/windows/HUDThemeKeloWindow.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <utility>

namespace {

FloatingPanelLevels* gLevels = nullptr;

// Re-shows a window whose flags changed (that hides it) without taking the
// focus from the window the operator works in.
void showAgain(QWidget* window) {
    const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
}

}  // namespace

FloatingPanelLevels::FloatingPanelLevels(QObject* parent) : QObject(parent) {}

void FloatingPanelLevels::install() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || gLevels) return;
    gLevels = new FloatingPanelLevels(app);
    app->installEventFilter(gLevels);
    QObject::connect(gLevels, &QObject::destroyed, [] { gLevels = nullptr; });
}

bool FloatingPanelLevels::panelsLowered() {
    return gLevels && !gLevels->lowered_.isEmpty();
}

bool FloatingPanelLevels::isModalWindow(const QWidget* widget) {
    return widget && widget->isWindow() && widget->isModal() &&
           !qobject_cast<const HUDThemeKeloWindow*>(widget);
}

bool FloatingPanelLevels::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) return false;
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!isModalWindow(widget)) return false;
    if (type == QEvent::Show) {
        lowerPanels(widget);
    } else if (!restoreQueued_) {
        // Another modal window may open as this one closes (an error after a
        // question): look once the event loop has settled.
        restoreQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            restoreQueued_ = false;
            restorePanelsUnlessModal();
        });
    }
    return false;
}

void FloatingPanelLevels::lowerPanels(QWidget* dialog) {
    // The Show event comes before the window is mapped: the panels drop
    // first, the dialog then maps above them.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* panel = qobject_cast<HUDThemeKeloWindow*>(top);
        if (!panel || panel == dialog || !(panel->windowFlags() & Qt::WindowStaysOnTopHint))
            continue;
        const bool visible = panel->isVisible();
        panel->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        if (visible) showAgain(panel);
        if (!lowered_.contains(panel)) lowered_.append(panel);
    }
    QPointer<QWidget> shown(dialog);
    QTimer::singleShot(0, this, [shown] {
        if (!shown || !shown->isVisible()) return;
        shown->raise();
        shown->activateWindow();
    });
}

void FloatingPanelLevels::restorePanelsUnlessModal() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && isModalWindow(top)) return;
    }
    const QList<QPointer<HUDThemeKeloWindow>> panels = std::exchange(lowered_, {});
    for (const QPointer<HUDThemeKeloWindow>& panel : panels) {
        // A window that stopped being a panel meanwhile stays down.
        if (!panel || !panel->isPanel() || (panel->windowFlags() & Qt::WindowStaysOnTopHint))
            continue;
        const bool visible = panel->isVisible();
        panel->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if (visible) showAgain(panel);
    }
}
