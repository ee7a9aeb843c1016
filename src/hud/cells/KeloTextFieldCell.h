#pragma once

#include "hud/cells/TextFieldCell.h"

#include <QVariant>
#include <QVariantMap>

#include <cstdint>
#include <optional>

// Four-character status codes of a transfer row, first character highest.
constexpr int32_t keloFourCC(const char (&code)[5]) {
    return int32_t(uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
                   uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3])));
}

// The text cell of the status and transfer tables. A plain value is a
// one-line label on the theme's text-field background ("?" first makes it a
// red alert, "!" a bold heading); a dictionary is a status row: a coloured
// square chosen by "status", a queued or progress background, the item's name
// and, in flight, the rate and optionally the reset count. Draws with the
// shared HUDThemeKelo; y-down. Main thread only.
class KeloTextFieldCell : public TextFieldCell {
public:
    explicit KeloTextFieldCell(const QString& text = {}) : TextFieldCell(text) {}

    std::unique_ptr<TextFieldCell> clone() const override {
        return std::make_unique<KeloTextFieldCell>(*this);
    }

    // A dictionary becomes the status row; anything else is the plain value
    // and clears the row.
    void setObjectValue(const QVariant& value);
    const std::optional<QVariantMap>& valueDict() const { return valueDict_; }

    bool headerCell() const { return headerCell_; }
    void setHeaderCell(bool on) { headerCell_ = on; }
    float fontSize() const { return fontSize_; }
    void setFontSize(float size) { fontSize_ = size; }
    // Status rows also show their "resetCount"; for every cell.
    static void setLogSlowest(bool on);
    static bool logSlowest();

    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;

    // What a status row shows beside its name: the rate and reset count, or
    // empty when neither applies.
    static QString statusDetail(const QVariantMap& row);

private:
    void drawPlain(QPainter& painter, const QRectF& frame, const QColor& background);
    void drawStatus(QPainter& painter, const QRectF& frame);

    bool headerCell_ = false;
    float fontSize_ = 0;
    std::optional<QVariantMap> valueDict_;
};

// Whether the view is, or sits in, a DTableView.
bool isInsideDTableView(const QWidget* view);
