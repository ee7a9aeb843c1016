#pragma once

#include "hud/cells/HUDCell.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <memory>

class QPainter;
class QWidget;

// The dark combo box cell: the search field's kind of outline, a rounded
// button with a small downward triangle at the right end, and the text in
// the rest. Geometry is the control view's, y-down.
class HUDComboBoxCell : public HUDCell {
public:
    // initTextCell: `drawsBackground` is what the creator asked of the
    // platform; the cell then fills the field itself.
    explicit HUDComboBoxCell(const QString& text = QString(), bool drawsBackground = false);
    ~HUDComboBoxCell() override = default;
    HUDComboBoxCell(const HUDComboBoxCell&) = delete;
    HUDComboBoxCell& operator=(const HUDComboBoxCell&) = delete;

    // "themeKey" when present, with "NSContents" and "NSDrawsBackground".
    static std::unique_ptr<HUDComboBoxCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;
    // Theme key, text colour and background taken over from the platform.
    void doInit();

    bool fillsBackground() const { return fillsBackground_; }
    // The platform's own background drawing; doInit() takes it over.
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws) { drawsBackground_ = draws; }

    // The standard text cell state.
    QString stringValue() const { return stringValue_; }
    void setStringValue(const QString& value) { stringValue_ = value; }
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color) { textColor_ = color; }
    QFont font() const;

    // The part of a frame left to the text, clear of the button.
    QRectF interiorRectForFrame(const QRectF& cellFrame) const;

    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    void drawButtonInRect(QPainter& ctx, const QRectF& rect);
    void drawArrowsInRect(QPainter& ctx, const QRectF& rect);
    void drawInteriorWithFrame(QPainter& ctx, const QRectF& rect, QWidget* controlView);

private:
    bool fillsBackground_ = false;
    bool drawsBackground_ = false;
    QString stringValue_;
    QColor textColor_;
};
