#pragma once

#include "hud/cells/TextFieldCell.h"

#include <QVariantMap>

#include <memory>

class QLineEdit;

// The HUD look for password fields: the text shows as bullets, and the field
// editor gets the theme's selection colours. Coordinates are y-down.
class HUDSecureTextFieldCell : public TextFieldCell {
public:
    explicit HUDSecureTextFieldCell(const QString& text = {});

    static std::unique_ptr<HUDSecureTextFieldCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;

    bool fillsBackground() const { return fillsBackground_; }
    void setFillsBackground(bool on) { fillsBackground_ = on; }

    // The view's field editor, when it has one, is the view itself if it is
    // a QLineEdit.
    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;

protected:
    AttributedString displayedValue() const override;

private:
    void doInit();

    bool fillsBackground_ = false;
};
