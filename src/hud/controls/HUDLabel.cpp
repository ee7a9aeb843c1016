#include "hud/controls/HUDLabel.h"

#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeManager.h"

HUDLabel::HUDLabel(QWidget* parent) : HUDLabel(QString(), parent) {}

HUDLabel::HUDLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent), themeKey_(kHUDGradientThemeKey) {
    setFrameShape(QFrame::NoFrame);
    setTextInteractionFlags(Qt::NoTextInteraction);
    applyThemeColour();
}

HUDLabel* HUDLabel::initWithCoder(const QVariantMap& archive, QWidget* parent) {
    auto* label = new HUDLabel(archive.value("stringValue").toString(), parent);
    if (archive.contains("themeKey")) label->setThemeKey(archive.value("themeKey").toString());
    return label;
}

QVariantMap HUDLabel::encodeWithCoder() const {
    return {{"stringValue", text()}, {"themeKey", themeKey_}};
}

void HUDLabel::setThemeKey(const QString& key) {
    themeKey_ = key;
    applyThemeColour();
}

QColor HUDLabel::textColor() const {
    return palette().color(QPalette::WindowText);
}

void HUDLabel::applyThemeColour() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, theme(this)->textColor());
    setPalette(p);
}
