#pragma once

#include "hud/windows/ToolTipWindowProtocol.h"

#include <QColor>
#include <QString>
#include <QWidget>

class QKeyEvent;

// A lighter themed window for dialogs: dark palette, title colour following
// activation, info-bar text. Escape goes to an open overlay first and
// otherwise reaches the focused control as Ctrl-".", the cancel key.
class KeloColouredWindow : public QWidget, public ToolTipWindowProtocol {
    Q_OBJECT
public:
    explicit KeloColouredWindow(QWidget* parent = nullptr);

    QColor titleBarColour() const { return titleBarColour_; }
    void setTitleBarColour(const QColor& colour) { titleBarColour_ = colour; }

    QString toolTipInfo(QColor* color) const override;
    void setToolTipInfo(const QString& info, const QColor& color) override;
    ToolTipWindowDelegate* delegate() const { return delegate_; }
    void setDelegate(ToolTipWindowDelegate* delegate) { delegate_ = delegate; }

    // Escape handling shared with KeloColouredPanel: true when the key was
    // Escape and has been dealt with.
    static bool handleEscapeKey(QWidget* window, const QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QColor titleBarColour_;
    QString toolTipInfo_;
    QColor toolTipColor_;
    ToolTipWindowDelegate* delegate_ = nullptr;
};
