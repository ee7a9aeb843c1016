#include "hud/cells/HUDSecureTextFieldCell.h"

#include "hud/cells/HUDTextFieldCell.h"
#include "hud/theme/HUDThemeManager.h"

#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

HUDSecureTextFieldCell::HUDSecureTextFieldCell(const QString& text) : TextFieldCell(text) {
    doInit();
}

std::unique_ptr<HUDSecureTextFieldCell> HUDSecureTextFieldCell::initWithCoder(
    const QVariantMap& archive) {
    auto cell = std::make_unique<HUDSecureTextFieldCell>(archive.value("stringValue").toString());
    cell->setDrawsBackground(archive.value("drawsBackground").toBool());
    cell->setThemeKey(archive.contains("themeKey") ? archive.value("themeKey").toString()
                                                   : QString(kHUDGradientThemeKey));
    cell->doInit();
    return cell;
}

QVariantMap HUDSecureTextFieldCell::encodeWithCoder() const {
    return {{"stringValue", stringValue()},
            {"drawsBackground", drawsBackground() || fillsBackground_},
            {"themeKey", themeKey_}};
}

void HUDSecureTextFieldCell::doInit() {
    setTextColor(theme(this)->textColor());
    if (drawsBackground()) fillsBackground_ = true;
    setDrawsBackground(false);
}

AttributedString HUDSecureTextFieldCell::displayedValue() const {
    return AttributedString(QString(stringValue().size(), QChar(0x2022)));
}

void HUDSecureTextFieldCell::drawWithFrame(QPainter& painter, const QRectF& frameIn,
                                           QWidget* view) {
    HUDTheme* t = theme(this);
    const QRectF frame = frameIn.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    if (bezelStyle() == kRoundedTextFieldBezel) {
        path = HUDTextFieldCell::capsulePath(frame);
    } else {
        path.addRoundedRect(frame, 3, 3);
    }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (fillsBackground_) painter.fillPath(path, t->textFillColor());
    if (isBezeled() || isBordered()) {
        if (HUDTextFieldCell::showsFocusRing(*this, view)) {
            const HUDShadow ring = t->focusRing();
            if (!ring.isNull()) {
                ring.paint(painter, frame.adjusted(-8, -8, 8, 8),
                           [&](QPainter& p) { p.strokePath(path, QPen(Qt::black, 1)); });
            }
        }
        painter.strokePath(path,
                           QPen(isEnabled() ? t->strokeColor() : t->disabledStrokeColor(), 1));
    }
    painter.restore();

    if (auto* editor = qobject_cast<QLineEdit*>(view)) {
        const bool active = showsFirstResponder() && view->window()->isActiveWindow();
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Highlight, active ? t->selectionHighlightActiveColor()
                                                     : t->selectionHighlightInActiveColor());
        palette.setColor(QPalette::HighlightedText,
                         active ? t->selectionTextActiveColor() : t->selectionTextInActiveColor());
        if (palette != editor->palette()) editor->setPalette(palette);
    }
    setTextColor(isEnabled() ? t->textColor() : t->disabledTextColor());

    if (!placeholderString().isEmpty() && !placeholderAttributedString()) {
        TextAttributes attributes;
        attributes.foreground = t->placeholderTextColor();
        setPlaceholderAttributedString(AttributedString(placeholderString(), attributes));
    }
    drawInteriorWithFrame(
        painter,
        HUDTextFieldCell::controlSizeShift(frame, bezelStyle(), HUDControlSize(controlSize())),
        view);
}
