#pragma once

#include <QColor>
#include <QString>

// A window that carries a line of text for the application's info bar.
class ToolTipWindowProtocol {
public:
    virtual ~ToolTipWindowProtocol() = default;
    // The stored text; writes the stored colour through `color` when given.
    virtual QString toolTipInfo(QColor* color) const = 0;
    virtual void setToolTipInfo(const QString& info, const QColor& color) = 0;
};

// The owner of a themed window (the application controller for its main
// window) that shows the window's info-bar text.
class ToolTipWindowDelegate {
public:
    virtual ~ToolTipWindowDelegate() = default;
    virtual void updateInfoBar(ToolTipWindowProtocol* window) = 0;
};
