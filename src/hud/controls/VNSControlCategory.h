#pragma once

#include <QColor>
#include <QString>

class QWidget;

// Sets the text a control shows (a line edit's, a label's, a button's
// title), "" for a null string. Controls without a text do nothing.
void safeSetStringValue(QWidget* control, const QString& value);
// Hands a text colour to the control's cell: HUD buttons, and any control
// with an invokable setAttributedColor(QColor). Others ignore it.
void setAttributedColor(QWidget* control, const QColor& color);
