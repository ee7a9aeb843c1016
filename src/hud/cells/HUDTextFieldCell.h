#pragma once

#include "hud/cells/TextFieldCell.h"

#include <QVariantMap>

#include <memory>

class HUDTheme;
class QLineEdit;

// Draws HUD text fields and table text: theme colours, a capsule outline for
// rounded fields, vertical centring, and the text of number fields in their
// editing rectangle. Coordinates are y-down.
class HUDTextFieldCell : public TextFieldCell {
public:
    explicit HUDTextFieldCell(const QString& text = {});

    std::unique_ptr<TextFieldCell> clone() const override {
        return std::make_unique<HUDTextFieldCell>(*this);
    }

    static std::unique_ptr<HUDTextFieldCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;

    QColor defaultTextColor() const { return defaultTextColor_; }
    bool isVerticallyCentered() const { return isVerticallyCentered_; }
    void setIsVerticallyCentered(bool on) { isVerticallyCentered_ = on; }
    bool fillsBackground() const { return fillsBackground_; }
    void setFillsBackground(bool on) { fillsBackground_ = on; }

    // Colours the value; an invalid colour picks the default or dim text colour.
    void setAttributedColor(const QColor& color);
    QWidget* setUpFieldEditorAttributes(QWidget* editor, const QWidget* view) const;
    // Invalid inside tables, whose rows the table paints itself.
    QColor highlightColorWithFrame(const QRectF& frame, const QWidget* view) const;
    QRectF focusRingFrameForFrame(const QRectF& frame, const QRectF& cellFrame,
                                  const QWidget* view) const;

    QRectF drawingRectForBounds(const QRectF& bounds, const QWidget* view) const override;
    QRectF adjustFrameToVerticallyCenterText(const QRectF& frame) const;
    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    void drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    void drawWithExpansionFrame(QPainter& painter, const QRectF& frame, QWidget* view);

    // Place the field editor for an edit, or for a selection of the given
    // range; both return the editor's frame.
    QRectF editWithFrame(const QRectF& frame, QWidget* view, QLineEdit* editor);
    QRectF selectWithFrame(const QRectF& frame, QWidget* view, QLineEdit* editor, int start,
                           int length);

    // The outline of a rounded field, empty for other bezel styles.
    static QPainterPath capsulePath(const QRectF& frame);
    // The frame shifted for the rounded bezel at the cell's control size.
    static QRectF controlSizeShift(const QRectF& frame, int bezelStyle, HUDControlSize size);
    // Whether the focus ring goes round the cell.
    static bool showsFocusRing(const TextFieldCell& cell, const QWidget* view);

protected:
    HUDTheme* cellTheme() const;

private:
    void doInit();
    QRectF placeEditor(QRectF frame, QWidget* view, QLineEdit* editor, bool flagFirst);

    bool fillsBackground_ = false;
    QColor defaultTextColor_;
    bool mIsEditingOrSelecting = false;
    bool isVerticallyCentered_ = false;
};

// Whether the view is part of a table or outline (its cells' rows are painted
// by the table).
bool isInsideTable(const QWidget* view);
