#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

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
class HUDComboBoxCell : public HUDThemeKeyProtocol {
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

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }
    bool fillsBackground() const { return fillsBackground_; }
    // The platform's own background drawing; doInit() takes it over.
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool draws) { drawsBackground_ = draws; }

    // The standard text cell state.
    QString stringValue() const { return stringValue_; }
    void setStringValue(const QString& value) { stringValue_ = value; }
    QColor textColor() const { return textColor_; }
    void setTextColor(const QColor& color) { textColor_ = color; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool isBezeled() const { return bezeled_; }
    void setBezeled(bool bezeled) { bezeled_ = bezeled; }
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered) { bordered_ = bordered; }
    int bezelStyle() const { return bezelStyle_; }
    void setBezelStyle(int style) { bezelStyle_ = style; }
    int controlSize() const { return controlSize_; }
    void setControlSize(int size) { controlSize_ = size; }
    int focusRingType() const { return focusRingType_; }
    void setFocusRingType(int type) { focusRingType_ = type; }
    bool showsFirstResponder() const { return showsFirstResponder_; }
    void setShowsFirstResponder(bool shows) { showsFirstResponder_ = shows; }
    QFont font() const;

    // The part of a frame left to the text, clear of the button.
    QRectF interiorRectForFrame(const QRectF& cellFrame) const;

    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    void drawButtonInRect(QPainter& ctx, const QRectF& rect);
    void drawArrowsInRect(QPainter& ctx, const QRectF& rect);
    void drawInteriorWithFrame(QPainter& ctx, const QRectF& rect, QWidget* controlView);

private:
    bool fillsBackground_ = false;
    QString themeKey_;
    QString layerKey_;
    bool drawsBackground_ = false;
    QString stringValue_;
    QColor textColor_;
    bool enabled_ = true;
    bool bezeled_ = true;
    bool bordered_ = false;
    int bezelStyle_ = 0;
    int controlSize_ = 0;
    int focusRingType_ = 0;
    bool showsFirstResponder_ = false;
};
