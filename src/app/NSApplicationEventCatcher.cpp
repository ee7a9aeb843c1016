#include "app/NSApplicationEventCatcher.h"

#include "foundation/OmLog.h"
#include "hud/windows/HUDThemeKeloWindow.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

#include <chrono>
#include <cstdio>
#include <exception>

int gVAppCancelAction = kAppCancelNone;

namespace {

QPointer<QWidget> sExcludedResponder;  // main thread only

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A single-line field: what a click elsewhere ends the editing of. An
// editable combo or a spin box holds the focus for its line edit.
bool isFieldEditor(const QWidget* widget) {
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->isEditable();
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

bool isTextView(const QWidget* widget) {
    return isFieldEditor(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget);
}

bool isChildWindowOf(const QWidget* clicked, const QWidget* window) {
    if (!clicked || clicked == window) return false;
    for (const QWidget* w = clicked->parentWidget(); w; w = w->parentWidget())
        if (w->window() == window) return true;
    return false;
}

// Ends the editing of `field` as a resigning first responder would; a field
// of an inactive window gets no focus-out of its own, so it is sent one.
void endEditing(QWidget* field) {
    const bool hadFocus = field->hasFocus();
    field->clearFocus();
    if (!hadFocus) {
        QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(field, &out);
    }
}

}  // namespace

NSApplicationEventCatcher::NSApplicationEventCatcher(int& argc, char** argv)
    : QApplication(argc, argv) {
    HUDThemeKeloWindow::initApplicationAppearance();
}

bool NSApplicationEventCatcher::notify(QObject* receiver, QEvent* event) {
    // The window system's own objects see the press before the widget does;
    // the check runs once, for the widget.
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::KeyPress ||
         type == QEvent::KeyRelease) &&
        receiver->isWidgetType())
        checkViewFocus(receiver, event);
    return dispatch(receiver, event);
}

bool NSApplicationEventCatcher::sendEventDirectly(QObject* receiver, QEvent* event) {
    checkViewFocus(receiver, event);
    return dispatch(receiver, event);
}

bool NSApplicationEventCatcher::dispatch(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportException(QString::fromLocal8Bit(e.what()), steadySeconds());
    } catch (...) {
        reportException("unknown exception", steadySeconds());
    }
    return false;
}

void NSApplicationEventCatcher::setExcludedResponder(QWidget* responder) {
    sExcludedResponder = responder;
}

void NSApplicationEventCatcher::checkViewFocus(QObject* receiver, const QEvent* event) {
    gVAppCancelAction = kAppCancelNone;
    if (event->type() != QEvent::MouseButtonPress) return;
    const auto* mouse = static_cast<const QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return;
    const QPoint global = mouse->globalPosition().toPoint();

    gVAppCancelAction = kAppCancelExamining;
    QWidget* clicked =
        receiver && receiver->isWidgetType() ? static_cast<QWidget*>(receiver)->window() : nullptr;
    QWidget* kept = nullptr;
    if (clicked) {
        gVAppCancelAction = kAppCancelClickElsewhere;
        QWidget* first = clicked->focusWidget();
        if (first && first != sExcludedResponder) sExcludedResponder = nullptr;
        if (first && isTextView(first)) {
            if (first->rect().contains(first->mapFromGlobal(global))) {
                kept = first;
            } else {
                QWidget* hit = clicked->childAt(clicked->mapFromGlobal(global));
                if (!hit || hit == clicked) {
                    gVAppCancelAction = kAppCancelBackground;
                } else {
                    gVAppCancelAction = kAppCancelClickElsewhere;
                    if (first == sExcludedResponder) kept = first;
                }
            }
        }
    }

    for (QWidget* window : QApplication::topLevelWidgets()) {
        QWidget* field = window->focusWidget();
        if (!field || field == window || field == kept || !isFieldEditor(field)) continue;
        // A click in the window's own pop-up is part of the editing.
        if (isChildWindowOf(clicked, window)) {
            gVAppCancelAction = kAppCancelNone;
            return;
        }
        const bool elsewhere = window != clicked && gVAppCancelAction == kAppCancelClickElsewhere;
        if (elsewhere) gVAppCancelAction = kAppCancelExamining;
        endEditing(field);
        if (elsewhere) gVAppCancelAction = kAppCancelClickElsewhere;
    }
    gVAppCancelAction = kAppCancelNone;
}

bool NSApplicationEventCatcher::reportException(const QString& text, double now) {
    std::fprintf(stderr, "exception: %s\n", qPrintable(text));
    const int before = sOtherExceptionCount_++;
    if (before >= kAlwaysLogged && now - sOtherExceptionOccurred_ < kQuietSeconds) return false;
    sOtherExceptionOccurred_ = now;
    OmLogNoFlood(kOmLogError, "exception: %s\n", qPrintable(text));
    return true;
}
