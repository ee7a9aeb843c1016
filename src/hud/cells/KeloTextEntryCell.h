#pragma once

#include "hud/cells/TextFieldCell.h"

class KlUIProtocol;
class QLineEdit;

// The themed entry cell of editable tables: background, selection and
// insertion colours from the UI attributes (the shared HUDThemeKelo unless
// set), and the theme's highlight inside DTableViews. y-down; main thread only.
class KeloTextEntryCell : public TextFieldCell {
public:
    explicit KeloTextEntryCell(const QString& text = {}) : TextFieldCell(text) {}

    std::unique_ptr<TextFieldCell> clone() const override {
        return std::make_unique<KeloTextEntryCell>(*this);
    }

    // Not owned.
    KlUIProtocol* attributes() const;
    void setAttributes(KlUIProtocol* attributes) { attributes_ = attributes; }

    // The selection shows on the provider's text background; the insertion
    // point takes its text colour unless the editor keeps the standard
    // white background.
    QLineEdit* setUpFieldEditorAttributes(QLineEdit* editor) const;
    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    QColor highlightColorWithFrame(const QRectF& frame, const QWidget* view) const;

private:
    mutable KlUIProtocol* attributes_ = nullptr;
};
