#include "graphics/VSVGCoreGraphics.h"

#include "graphics/VSVGCocoaDraw.h"
#include "graphics/VSVGParser.h"

#include <QPainter>

#include <algorithm>

VSVGCoreGraphics::VSVGCoreGraphics() : VSVGCoreGraphics(nullptr) {}

VSVGCoreGraphics::VSVGCoreGraphics(QPainter* graphicsContext)
    : graphicsContext_(graphicsContext), colorLookUp_(svgNamedColors()) {}

QColor VSVGCoreGraphics::colorRefFromHexString(const QString& text, double opacity) {
    return VSVGCocoaDraw::colorFromHexString(text, opacity);
}

QTransform VSVGCoreGraphics::transformMatrixFromString(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() < 8) return QTransform();
    const QStringView inner = QStringView(trimmed).mid(7, trimmed.size() - 8);
    float m[6];
    int count = 0;
    qsizetype pos = 0;
    while (count < 6 && pos <= inner.size()) {
        qsizetype end = pos;
        while (end < inner.size() && inner[end] != u',' && inner[end] != u' ') ++end;
        m[count++] = svgFloatValue(inner.mid(pos, end - pos));
        pos = end + 1;
    }
    if (count < 6) return QTransform();
    return QTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

void VSVGCoreGraphics::drawEllipseIn(const QRectF& rect, QPainter* context) {
    VSVGCoreGraphics drawer(context);
    drawer.svgDrawEllipse(rect, {{QStringLiteral("fill"), QStringLiteral("red")},
                                 {QStringLiteral("stroke"), QStringLiteral("white")},
                                 {QStringLiteral("stroke-width"), QStringLiteral("3.0")}});
}

void VSVGCoreGraphics::svgSetup() {
    if (!graphicsContext_) return;
    QPen pen = graphicsContext_->pen();
    pen.setWidthF(defaultLineWidth_);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    graphicsContext_->setPen(pen);
    graphicsContext_->setTransform(globalTransform_, true);
}

void VSVGCoreGraphics::svgCleanup() {}

void VSVGCoreGraphics::svgDrawRect(const QRectF& rect, const VSVGAttributes& attributes) {
    setAttributes(attributes);
    currentPath_ = QPainterPath();
    currentPath_.addRect(rect);
    strokeAndFillPathWithAttributes(attributes);
    setDefaults();
}

void VSVGCoreGraphics::svgDrawEllipse(const QRectF& rect, const VSVGAttributes& attributes) {
    setAttributes(attributes);
    currentPath_ = QPainterPath();
    currentPath_.addEllipse(QRectF(rect.x() - rect.width() / 2, rect.y() - rect.height() / 2,
                                   rect.width(), rect.height()));
    strokeAndFillPathWithAttributes(attributes);
    setDefaults();
}

void VSVGCoreGraphics::svgBeginPathWithAttributes(const VSVGAttributes& attributes) {
    pathOpen_ = true;
    setAttributes(attributes);
    currentPath_ = QPainterPath();
}

void VSVGCoreGraphics::svgMoveTo(const QPointF& point) {
    currentPath_.moveTo(point);
}

void VSVGCoreGraphics::svgLineTo(const QPointF& point) {
    currentPath_.lineTo(point);
}

void VSVGCoreGraphics::svgCubicCurveTo(const QPointF& point, const QPointF& startControlPoint,
                                       const QPointF& endControlPoint) {
    currentPath_.cubicTo(startControlPoint, endControlPoint, point);
}

void VSVGCoreGraphics::svgQuadraticCurveTo(const QPointF& point, const QPointF& controlPoint) {
    currentPath_.quadTo(controlPoint, point);
}

void VSVGCoreGraphics::svgClosePath() {
    currentPath_.closeSubpath();
}

void VSVGCoreGraphics::svgEndPath(const VSVGAttributes& attributes) {
    strokeAndFillPathWithAttributes(attributes);
    setDefaults();
    pathOpen_ = false;
}

void VSVGCoreGraphics::setAttributes(const VSVGAttributes& attributes) {
    setColors(attributes);
    const auto transform = attributes.constFind(QStringLiteral("transform"));
    if (transform != attributes.constEnd()) {
        localTransform_ = transformMatrixFromString(transform.value());
    }
    if (graphicsContext_ && !localTransform_.isIdentity()) {
        contextTransform_ = graphicsContext_->transform();
        graphicsContext_->setTransform(localTransform_, true);
    }
    const QString fillRule = attributes.value(QStringLiteral("fill-rule"));
    if (fillRule == QLatin1String("nonzero")) nonZeroFillRule_ = true;
    if (fillRule == QLatin1String("evenodd")) nonZeroFillRule_ = false;
    if (!graphicsContext_) return;
    QPen pen = graphicsContext_->pen();
    const auto strokeWidth = attributes.constFind(QStringLiteral("stroke-width"));
    if (strokeWidth != attributes.constEnd()) {
        pen.setWidthF(
            std::max(0.0, double(svgFloatValue(strokeWidth.value())) * lineWidthScaleFactor_));
    }
    const QString cap = attributes.value(QStringLiteral("stroke-linecap"));
    if (cap == QLatin1String("butt")) pen.setCapStyle(Qt::FlatCap);
    if (cap == QLatin1String("round")) pen.setCapStyle(Qt::RoundCap);
    if (cap == QLatin1String("square")) pen.setCapStyle(Qt::SquareCap);
    const QString join = attributes.value(QStringLiteral("stroke-linejoin"));
    if (join == QLatin1String("miter")) pen.setJoinStyle(Qt::MiterJoin);
    if (join == QLatin1String("round")) pen.setJoinStyle(Qt::RoundJoin);
    if (join == QLatin1String("bevel")) pen.setJoinStyle(Qt::BevelJoin);
    graphicsContext_->setPen(pen);
}

void VSVGCoreGraphics::setColors(const VSVGAttributes& attributes) {
    const auto opacity = [&](const QString& name, double fallback) {
        const auto it = attributes.constFind(name);
        return svgOpacity(it != attributes.constEnd() ? double(svgFloatValue(it.value()))
                                                      : fallback);
    };
    const auto fromAttribute = [&](const QString& value, double alpha) {
        if (value == QLatin1String("none")) return QColor(0, 0, 0, 0);
        return colorRefFromHexString(colorLookUp_.value(value, value), alpha);
    };

    const double strokeOpacity = opacity(QStringLiteral("stroke-opacity"), defaultLineOpacity_);
    QColor stroke;
    if (forceStrokeColor_) {
        stroke = *forceStrokeColor_;
    } else {
        const auto it = attributes.constFind(QStringLiteral("stroke"));
        stroke = it == attributes.constEnd() ? QColor(0, 0, 0, 0)
                                             : fromAttribute(it.value(), strokeOpacity);
    }

    const double fillOpacity = opacity(QStringLiteral("fill-opacity"), defaultFillOpacity_);
    QColor fill;
    if (forceFillColor_) {
        fill = *forceFillColor_;
    } else {
        const auto it = attributes.constFind(QStringLiteral("fill"));
        fill = it == attributes.constEnd() ? defaultFillColor_
                                           : fromAttribute(it.value(), fillOpacity);
    }

    if (!graphicsContext_) return;
    QPen pen = graphicsContext_->pen();
    pen.setColor(stroke);
    graphicsContext_->setPen(pen);
    graphicsContext_->setBrush(fill);
}

void VSVGCoreGraphics::strokeAndFillPathWithAttributes(const VSVGAttributes& attributes) {
    if (graphicsContext_) {
        const bool stroke = attributes.value(QStringLiteral("stroke")) != QLatin1String("none");
        const bool fill = attributes.value(QStringLiteral("fill")) != QLatin1String("none");
        currentPath_.setFillRule(nonZeroFillRule_ ? Qt::WindingFill : Qt::OddEvenFill);
        if (stroke && fill) {
            graphicsContext_->drawPath(currentPath_);
        } else if (stroke) {
            graphicsContext_->strokePath(currentPath_, graphicsContext_->pen());
        } else if (fill) {
            graphicsContext_->fillPath(currentPath_, graphicsContext_->brush());
        }
        if (contextTransform_) graphicsContext_->setTransform(*contextTransform_);
    }
    contextTransform_.reset();
    localTransform_.reset();
    currentPath_ = QPainterPath();
}

void VSVGCoreGraphics::setDefaults() {
    if (!graphicsContext_) return;
    if (forceStrokeColor_) {
        QPen pen = graphicsContext_->pen();
        pen.setColor(*forceStrokeColor_);
        graphicsContext_->setPen(pen);
    }
    if (forceFillColor_) graphicsContext_->setBrush(*forceFillColor_);
}
