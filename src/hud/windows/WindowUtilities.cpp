#include "hud/windows/WindowUtilities.h"

#include "foundation/OmLog.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

QScreen* menuBarScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

namespace {

bool liesOnAScreen(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) return true;
    }
    return false;
}

// Offset between cascaded windows, about a title bar.
constexpr int kCascadeStep = 22;

}  // namespace

void moveWindowsToVisibleScreen(QWidget* window, bool onlyIfNeeded) {
    if (window && liesOnAScreen(window)) return;
    QScreen* screen = menuBarScreen();
    if (!screen) return;
    const QRect visible = screen->availableGeometry();
    if (visible.width() <= 0 || visible.height() <= 0) return;
    QPoint cascade = visible.topLeft();
    const QWidgetList windows = window ? QWidgetList{window} : QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (!w->isVisible() || w->width() <= 0 || w->height() <= 0) continue;
        if (onlyIfNeeded && liesOnAScreen(w)) continue;
        OmLogNoFlood(kOmLogInfo, "moving window %s to visible screen %s",
                     qPrintable(w->windowTitle()), qPrintable(screen->name()));
        w->move(cascade);
        cascade += QPoint(kCascadeStep, kCascadeStep);
        if (!visible.contains(cascade)) cascade = visible.topLeft();
    }
}
