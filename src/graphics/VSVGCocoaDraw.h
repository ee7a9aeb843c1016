#pragma once

#include "graphics/VSVGDrawProtocol.h"

#include <QColor>
#include <QHash>
#include <QPainterPath>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>

class QPainter;

// An opacity as it reads back from its "%f" text (six decimals).
double svgOpacity(double opacity);

// The SVG colour names this reader knows, to "#RRGGBB".
const QHash<QString, QString>& svgNamedColors();

// Draws a parse with one painter path per element, each transformed into
// target coordinates before it is painted with an untransformed pen, so line
// widths are target pixels whatever the scale. The target is painter() (the
// current drawing context); with none nothing is drawn. Strokes go first and
// fills over them.
class VSVGCocoaDraw : public VSVGDrawProtocol {
public:
    // A path with its own line settings, as the element's attributes left it.
    struct BezierPath {
        QPainterPath path;
        double lineWidth = 1.0;
        uint64_t lineCapStyle = 0;   // 0 butt, 1 round, 2 square
        uint64_t lineJoinStyle = 0;  // 0 miter, 1 round, 2 bevel
        uint64_t windingRule = 0;    // 0 non-zero, 1 even-odd
    };

    VSVGCocoaDraw();

    // "#RRGGBB" (leading character, then three pairs of hex digits; "#RGB"
    // doubles its digits) with `opacity` as alpha; no text gives clear.
    // Whatever else the text holds is read as far as it goes.
    static QColor colorFromHexString(const QString& text, double opacity);

    void svgSetup() override;
    void svgDrawRect(const QRectF& rect, const VSVGAttributes& attributes) override;
    void svgDrawEllipse(const QRectF& rect, const VSVGAttributes& attributes) override;
    void svgBeginPathWithAttributes(const VSVGAttributes& attributes) override;
    void svgMoveTo(const QPointF& point) override;
    void svgLineTo(const QPointF& point) override;
    void svgCubicCurveTo(const QPointF& point, const QPointF& startControlPoint,
                         const QPointF& endControlPoint) override;
    void svgQuadraticCurveTo(const QPointF& point, const QPointF& controlPoint) override;
    void svgClosePath() override;
    void svgEndPath(const VSVGAttributes& attributes) override;
    void svgCleanup() override;

    void setAttributesForPath(BezierPath& path, const VSVGAttributes& attributes);
    void setColors(const VSVGAttributes& attributes);
    void strokeAndFillPath(const BezierPath& path, const VSVGAttributes& attributes);
    void setDefaults();

    QPainter* painter() const { return painter_; }
    void setPainter(QPainter* painter) { painter_ = painter; }
    // The drawing context's current colours.
    QColor strokeColor() const { return strokeColor_; }
    QColor fillColor() const { return fillColor_; }

    const QHash<QString, QString>& colorLookUp() const { return colorLookUp_; }
    void setColorLookUp(const QHash<QString, QString>& table) { colorLookUp_ = table; }
    double defaultLineWidth() const { return defaultLineWidth_; }
    void setDefaultLineWidth(double width) { defaultLineWidth_ = width; }
    QColor defaultLineColor() const { return defaultLineColor_; }
    void setDefaultLineColor(const QColor& color) { defaultLineColor_ = color; }
    double defaultLineOpacity() const { return defaultLineOpacity_; }
    void setDefaultLineOpacity(double opacity) { defaultLineOpacity_ = opacity; }
    uint64_t defaultLineCapStyle() const { return defaultLineCapStyle_; }
    void setDefaultLineCapStyle(uint64_t style) { defaultLineCapStyle_ = style; }
    uint64_t defaultLineJoinStyle() const { return defaultLineJoinStyle_; }
    void setDefaultLineJoinStyle(uint64_t style) { defaultLineJoinStyle_ = style; }
    std::optional<QColor> forceFillColor() const { return forceFillColor_; }
    void setForceFillColor(const std::optional<QColor>& color) { forceFillColor_ = color; }
    std::optional<QColor> forceStrokeColor() const { return forceStrokeColor_; }
    void setForceStrokeColor(const std::optional<QColor>& color) { forceStrokeColor_ = color; }
    QColor defaultFillColor() const { return defaultFillColor_; }
    void setDefaultFillColor(const QColor& color) { defaultFillColor_ = color; }
    double defaultFillOpacity() const { return defaultFillOpacity_; }
    void setDefaultFillOpacity(double opacity) { defaultFillOpacity_ = opacity; }
    uint64_t defaultWindingRule() const { return defaultWindingRule_; }
    void setDefaultWindingRule(uint64_t rule) { defaultWindingRule_ = rule; }
    std::optional<QTransform> localTransform() const { return localTransform_; }
    void setLocalTransform(const std::optional<QTransform>& t) { localTransform_ = t; }
    bool pathOpen() const { return pathOpen_; }
    void setPathOpen(bool open) { pathOpen_ = open; }
    QTransform globalTransform() const { return globalTransform_; }
    void setGlobalTransform(const QTransform& t) { globalTransform_ = t; }
    float lineWidthScaleFactor() const { return lineWidthScaleFactor_; }
    void setLineWidthScaleFactor(float factor) { lineWidthScaleFactor_ = factor; }

private:
    BezierPath newPath() const;
    void drawShape(BezierPath& path, const VSVGAttributes& attributes);

    QPainter* painter_ = nullptr;
    QColor strokeColor_;
    QColor fillColor_;
    // What svgSetup makes the settings of every new path.
    BezierPath pathDefaults_;
    std::optional<BezierPath> currentOpenPath_;

    QHash<QString, QString> colorLookUp_;
    double defaultLineWidth_ = 1.0;
    QColor defaultLineColor_ = QColor(0, 0, 0, 0);
    double defaultLineOpacity_ = 1.0;
    uint64_t defaultLineCapStyle_ = 0;
    uint64_t defaultLineJoinStyle_ = 0;
    std::optional<QColor> forceFillColor_;
    std::optional<QColor> forceStrokeColor_;
    QColor defaultFillColor_ = QColor(0, 0, 0);
    double defaultFillOpacity_ = 1.0;
    uint64_t defaultWindingRule_ = 0;
    std::optional<QTransform> localTransform_;
    bool pathOpen_ = false;
    QTransform globalTransform_;
    float lineWidthScaleFactor_ = 2.0f;
};
