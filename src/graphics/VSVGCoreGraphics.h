#pragma once

#include "graphics/VSVGDrawProtocol.h"

#include <QColor>
#include <QHash>
#include <QPainterPath>
#include <QString>
#include <QTransform>

#include <optional>

class QPainter;

// Draws a parse straight into a caller's painter (the graphics context): the
// painter's pen and brush are the context's stroke and fill state, so line
// width, cap, join and colours set by one element stay in force for the next
// until changed. Geometry is drawn under the painter's transform, so line
// widths scale with it. Rounded rectangle corners are not drawn.
class VSVGCoreGraphics : public VSVGDrawProtocol {
public:
    VSVGCoreGraphics();
    explicit VSVGCoreGraphics(QPainter* graphicsContext);

    // As VSVGCocoaDraw::colorFromHexString.
    static QColor colorRefFromHexString(const QString& text, double opacity);
    // "matrix(a b c d tx ty)" (six numbers split at single commas or spaces);
    // identity for any other form or fewer than six numbers.
    static QTransform transformMatrixFromString(const QString& text);
    // One ellipse centred on the rectangle's origin, red with a white stroke.
    static void drawEllipseIn(const QRectF& rect, QPainter* context);

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

    void setAttributes(const VSVGAttributes& attributes);
    void setColors(const VSVGAttributes& attributes);
    void strokeAndFillPathWithAttributes(const VSVGAttributes& attributes);
    void setDefaults();

    QPainter* graphicsContext() const { return graphicsContext_; }
    void setGraphicsContext(QPainter* context) { graphicsContext_ = context; }
    bool nonZeroFillRule() const { return nonZeroFillRule_; }
    void setNonZeroFillRule(bool nonZero) { nonZeroFillRule_ = nonZero; }

    const QHash<QString, QString>& colorLookUp() const { return colorLookUp_; }
    void setColorLookUp(const QHash<QString, QString>& table) { colorLookUp_ = table; }
    double defaultLineWidth() const { return defaultLineWidth_; }
    void setDefaultLineWidth(double width) { defaultLineWidth_ = width; }
    QColor defaultLineColor() const { return defaultLineColor_; }
    void setDefaultLineColor(const QColor& color) { defaultLineColor_ = color; }
    double defaultLineOpacity() const { return defaultLineOpacity_; }
    void setDefaultLineOpacity(double opacity) { defaultLineOpacity_ = opacity; }
    std::optional<QColor> forceFillColor() const { return forceFillColor_; }
    void setForceFillColor(const std::optional<QColor>& color) { forceFillColor_ = color; }
    std::optional<QColor> forceStrokeColor() const { return forceStrokeColor_; }
    void setForceStrokeColor(const std::optional<QColor>& color) { forceStrokeColor_ = color; }
    QColor defaultFillColor() const { return defaultFillColor_; }
    void setDefaultFillColor(const QColor& color) { defaultFillColor_ = color; }
    double defaultFillOpacity() const { return defaultFillOpacity_; }
    void setDefaultFillOpacity(double opacity) { defaultFillOpacity_ = opacity; }
    QTransform localTransform() const { return localTransform_; }
    void setLocalTransform(const QTransform& t) { localTransform_ = t; }
    bool pathOpen() const { return pathOpen_; }
    void setPathOpen(bool open) { pathOpen_ = open; }
    QTransform globalTransform() const { return globalTransform_; }
    void setGlobalTransform(const QTransform& t) { globalTransform_ = t; }
    float lineWidthScaleFactor() const { return lineWidthScaleFactor_; }
    void setLineWidthScaleFactor(float factor) { lineWidthScaleFactor_ = factor; }

private:
    QPainter* graphicsContext_ = nullptr;
    bool nonZeroFillRule_ = true;
    // The context's path, built by the element being drawn.
    QPainterPath currentPath_;
    // The context's transform before an element's own was added.
    std::optional<QTransform> contextTransform_;

    QHash<QString, QString> colorLookUp_;
    double defaultLineWidth_ = 1.0;
    QColor defaultLineColor_ = QColor(0, 0, 0, 0);
    double defaultLineOpacity_ = 1.0;
    std::optional<QColor> forceFillColor_;
    std::optional<QColor> forceStrokeColor_;
    QColor defaultFillColor_ = QColor(0, 0, 0);
    double defaultFillOpacity_ = 1.0;
    QTransform localTransform_;
    bool pathOpen_ = false;
    QTransform globalTransform_;
    float lineWidthScaleFactor_ = 2.0f;
};
