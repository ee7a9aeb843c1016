#include "hud/windows/KeloColouredWindow.h"

#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/windows/NSWindow_Additions.h"
#include "hud/theme/VNSColorCategory.h"

#include <QCoreApplication>
#include <QKeyEvent>

KeloColouredWindow::KeloColouredWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    titleBarColour_ = defaultTextColor();
    HUDThemeKeloWindow::initAppearance(this);
    setAutoFillBackground(true);
}

QString KeloColouredWindow::toolTipInfo(QColor* color) const {
    if (color) *color = toolTipColor_;
    return toolTipInfo_;
}

void KeloColouredWindow::setToolTipInfo(const QString& info, const QColor& color) {
    toolTipInfo_ = info;
    toolTipColor_ = color;
    if (delegate_) delegate_->updateInfoBar(this);
}

bool KeloColouredWindow::handleEscapeKey(QWidget* window, const QKeyEvent* event) {
    if (!window || !event || event->key() != Qt::Key_Escape) return false;
    if (forwardEscKeyToOverlayView(window, event)) return true;
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent cancel(QEvent::KeyPress, Qt::Key_Period, Qt::ControlModifier, QStringLiteral("."),
                     event->isAutoRepeat());
    QCoreApplication::sendEvent(target, &cancel);
    return true;
}

bool KeloColouredWindow::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) restartDrawThrottle();
    return QWidget::event(event);
}

void KeloColouredWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange)
        setTitleBarColour(isActiveWindow() ? defaultTextColor() : dimTextColor());
    QWidget::changeEvent(event);
}

void KeloColouredWindow::keyPressEvent(QKeyEvent* event) {
    if (handleEscapeKey(this, event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
