#pragma once

#include "hud/cells/HUDCell.h"
#include "hud/theme/HUDTheme.h"
#include "platform/AttributedString.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

class QPainter;
class QWidget;

// Bezel styles of TextFieldCell::bezelStyle().
enum TextFieldBezelStyle : int { kSquareTextFieldBezel = 0, kRoundedTextFieldBezel = 1 };
enum FocusRingType : int {
    kFocusRingTypeDefault = 0,
    kFocusRingTypeNone = 1,
    kFocusRingTypeExterior = 2
};

// The plain text cell the HUD text cells build on: value, font, flags and the
// standard geometry and drawing. Coordinates are y-down.
class TextFieldCell : public HUDCell {
public:
    explicit TextFieldCell(const QString& text = {});
    virtual ~TextFieldCell() = default;
    TextFieldCell(const TextFieldCell&) = default;
    TextFieldCell& operator=(const TextFieldCell&) = default;
    // A copy of the cell as it stands, of its own class.
    virtual std::unique_ptr<TextFieldCell> clone() const {
        return std::make_unique<TextFieldCell>(*this);
    }

    QString stringValue() const { return value_.string(); }
    void setStringValue(const QString& text) { value_ = AttributedString(text); }
    const AttributedString& attributedStringValue() const { return value_; }
    void setAttributedStringValue(const AttributedString& value) { value_ = value; }

    QFont font() const { return font_; }
    void setFont(const QFont& font) { font_ = font; }
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color) { textColor_ = color; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) { backgroundColor_ = color; }

    bool isEditable() const { return editable_; }
    void setEditable(bool on) { editable_ = on; }
    bool isSelectable() const { return selectable_ || editable_; }
    void setSelectable(bool on) { selectable_ = on; }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool on) { drawsBackground_ = on; }

    QString placeholderString() const { return placeholder_; }
    void setPlaceholderString(const QString& text) { placeholder_ = text; }
    const std::optional<AttributedString>& placeholderAttributedString() const {
        return attributedPlaceholder_;
    }
    void setPlaceholderAttributedString(const std::optional<AttributedString>& text) {
        attributedPlaceholder_ = text;
    }

    // The standard text area: the bounds less the border and bezel.
    virtual QRectF drawingRectForBounds(const QRectF& bounds, const QWidget* view) const;
    virtual QRectF titleRectForBounds(const QRectF& bounds) const;
    // The size the text needs on one line, border included.
    virtual QSizeF cellSizeForBounds(const QRectF& bounds) const;

    // The standard drawing: background, border, then the interior.
    virtual void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view);
    // The value (or the placeholder when it is empty) in the drawing rectangle.
    virtual void drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view);

protected:
    // What the interior shows; the secure cell shows bullets.
    virtual AttributedString displayedValue() const;
    void drawText(QPainter& painter, const AttributedString& text, const QRectF& rect) const;

private:
    AttributedString value_;
    QFont font_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    QColor textColor_{Qt::black};
    QColor backgroundColor_{Qt::white};
    bool editable_ = false;
    bool selectable_ = false;
    bool drawsBackground_ = false;
    QString placeholder_;
    std::optional<AttributedString> attributedPlaceholder_;
};
