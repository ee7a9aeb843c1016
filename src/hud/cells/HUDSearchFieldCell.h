#pragma once

#include "hud/cells/HUDCell.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

class QLineEdit;
class QPainter;
class QWidget;

// The dark search field cell: a capsule or rounded field in theme colours,
// its own magnifier and cancel glyphs, and text kept 5 points in from the
// left, in display and while editing. Geometry is the control view's, y-down.
class HUDSearchFieldCell : public HUDCell {
public:
    // Bezel styles: square, or rounded into a capsule.
    static constexpr int kSquareBezel = 0;
    static constexpr int kRoundedBezel = 1;

    // initTextCell: `drawsBackground` is what the creator asked of the
    // platform; the cell then fills the field itself.
    explicit HUDSearchFieldCell(const QString& text = QString(), bool drawsBackground = false);
    ~HUDSearchFieldCell() override = default;
    HUDSearchFieldCell(const HUDSearchFieldCell&) = delete;
    HUDSearchFieldCell& operator=(const HUDSearchFieldCell&) = delete;

    // Reads the standard "NSContents" and "NSDrawsBackground"; the cell
    // archives no setting of its own.
    static std::unique_ptr<HUDSearchFieldCell> initWithCoder(const QVariantMap& archive);

    bool fillsBackground() const { return fillsBackground_; }
    // The platform's own background drawing, off after set-up.
    bool drawsBackground() const { return false; }

    // The standard text cell state.
    QString stringValue() const { return stringValue_; }
    void setStringValue(const QString& value) { stringValue_ = value; }
    QString placeholderString() const { return placeholder_; }
    void setPlaceholderString(const QString& text) { placeholder_ = text; }
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color) { textColor_ = color; }
    QFont font() const;

    // The glyphs of the search and cancel buttons; neither has an alternate.
    QImage searchButtonCellImage() const { return searchButtonImage(); }
    QImage cancelButtonCellImage() const { return cancelButtonImageUp(); }
    static QImage searchButtonImage();
    static QImage cancelButtonImageUp();

    QRectF searchButtonRectForBounds(const QRectF& bounds) const;
    QRectF cancelButtonRectForBounds(const QRectF& bounds) const;
    // Where the text goes in a frame: between the two buttons.
    QRectF textRectForBounds(const QRectF& bounds) const;

    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    void drawInteriorWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    // Place the field editor over the text of the frame and style it.
    void editWithFrame(const QRectF& cellFrame, QWidget* controlView, QLineEdit* editor);
    void selectWithFrame(const QRectF& cellFrame, QWidget* controlView, QLineEdit* editor,
                         int start, int length);
    void setUpFieldEditorAttributes(QWidget* editor) const;

private:
    static QRectF shifted(const QRectF& frame);

    bool fillsBackground_ = false;
    QString stringValue_;
    QString placeholder_;
    QColor textColor_;
};

// The field outline both text-entry cells draw: `inset` in from the frame, a
// capsule for the rounded bezel, else corners of radius 3.
QPainterPath hudFieldOutline(const QRectF& frame, double inset, int bezelStyle);
