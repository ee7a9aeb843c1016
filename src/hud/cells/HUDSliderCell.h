#pragma once

#include "hud/cells/HUDCell.h"

#include <QPointer>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>
#include <memory>

class HUDTheme;
class QPainter;

enum HUDTickMarkPosition : uint64_t { kTickMarkBelow = 0, kTickMarkAbove = 1 };
enum HUDSliderType : int { kLinearSlider = 0, kCircularSlider = 1 };

// The dark HUD linear slider: bar and knob in the theme's colours, with or
// without tick marks. Horizontal bars and knobs of ordinary size are rendered
// once per look into the shared HorizSliderImage list. All geometry is y-down,
// as the control view's own; a null control view means the frame given to
// drawWithFrame() stands in for its bounds.
class HUDSliderCell : public HUDCell {
public:
    HUDSliderCell();
    ~HUDSliderCell() override;
    HUDSliderCell(const HUDSliderCell&) = delete;
    HUDSliderCell& operator=(const HUDSliderCell&) = delete;

    // Only "themeKey" is archived.
    static std::unique_ptr<HUDSliderCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;

    int32_t barYoffset() const { return barYoffset_; }
    void setBarYoffset(int32_t offset) { barYoffset_ = offset; }
    double thumbOffsetX() const { return thumbOffsetX_; }
    void setThumbOffsetX(double offset) { thumbOffsetX_ = offset; }

    // The standard slider state.
    double minValue() const { return minValue_; }
    void setMinValue(double value) { minValue_ = value; }
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value) { maxValue_ = value; }
    // Kept within minValue() and maxValue().
    double doubleValue() const { return value_; }
    void setDoubleValue(double value);
    bool isVertical() const { return vertical_; }
    void setVertical(bool vertical) { vertical_ = vertical; }
    uint64_t tickMarkPosition() const { return tickMarkPosition_; }
    void setTickMarkPosition(uint64_t position) { tickMarkPosition_ = position; }
    int32_t numberOfTickMarks() const { return numberOfTickMarks_; }
    void setNumberOfTickMarks(int32_t count) { numberOfTickMarks_ = count; }
    int sliderType() const { return sliderType_; }
    void setSliderType(int type) { sliderType_ = type; }

    // Draws bar, knob and tick marks in the frame of the control view.
    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);

    // Layout.
    QRectF barRectFlipped(bool flipped) const;
    QRectF knobRectFlipped(bool flipped) const;
    // The knob rectangle for a value, before the HUD sizing; also what a
    // control uses to map pointer positions to values.
    QRectF standardKnobRect(double value) const;
    QRectF rectOfTickMarkAtIndex(int index) const;
    // The value whose knob centre lies nearest the point.
    double valueAtPoint(const QPointF& point) const;

    // Drawing.
    void drawBarInside(QPainter& ctx, const QRectF& rect, bool flipped);
    void drawKnob(QPainter& ctx, const QRectF& knobRect);
    void drawHorizontalBarInFrame(QPainter& ctx, const QRectF& frame);
    void drawVerticalBarInFrame(QPainter& ctx, const QRectF& frame);
    void drawHorizontalKnobInFrame(QPainter& ctx, const QRectF& frame);
    void drawVerticalKnobInFrame(QPainter& ctx, const QRectF& frame);
    void drawTickMarks(QPainter& ctx);

    // Bar and knob geometry after the control-size tables.
    QRectF horizontalBarRect(const QRectF& frame) const;
    QRectF verticalBarRect(const QRectF& frame) const;
    QRectF horizontalKnobRect(const QRectF& frame) const;
    QRectF verticalKnobRect(const QRectF& frame) const;
    // The seven-point knob outline facing the tick marks.
    QPolygonF knobPolygon(const QRectF& rect, bool horizontal) const;

private:
    HUDTheme* keyedTheme() const;
    QWidget* drawingView() const;
    QRectF viewBounds() const;
    bool viewIsTable() const;
    void paintBar(QPainter& ctx, const QRectF& rect, bool horizontal);
    void paintKnob(QPainter& ctx, const QRectF& passed, const QRectF& rect, bool horizontal);

    int32_t barYoffset_ = 0;
    double thumbOffsetX_ = 0;

    double minValue_ = 0;
    double maxValue_ = 1;
    double value_ = 0;
    bool vertical_ = false;
    uint64_t tickMarkPosition_ = kTickMarkBelow;
    int32_t numberOfTickMarks_ = 0;
    int sliderType_ = kLinearSlider;
    // The view and frame of the drawWithFrame() in progress.
    QWidget* drawingView_ = nullptr;
    QRectF drawingFrame_;
};
