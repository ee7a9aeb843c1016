#include "hud/controls/VNSControlCategory.h"

#include "hud/controls/HUDButton.h"

#include <QMetaObject>
#include <QWidget>

void safeSetStringValue(QWidget* control, const QString& value) {
    if (!control) return;
    const QString text = value.isNull() ? QStringLiteral("") : value;
    if (auto* button = dynamic_cast<HUDButton*>(control)) {
        button->setTitle(text);
        return;
    }
    if (control->metaObject()->indexOfProperty("text") >= 0) {
        control->setProperty("text", text);
    }
}

void setAttributedColor(QWidget* control, const QColor& color) {
    if (!control) return;
    if (auto* button = dynamic_cast<HUDButton*>(control)) {
        button->cell()->setAttributedColor(color);
        button->update();
        return;
    }
    if (control->metaObject()->indexOfMethod("setAttributedColor(QColor)") >= 0) {
        QMetaObject::invokeMethod(control, "setAttributedColor", Q_ARG(QColor, color));
    }
}
