#include "graphics/VSVGCGImageBuilder.h"

#include "graphics/VSVGParser.h"

#include <QPainter>

#include <algorithm>

VSVGCGImageBuilder::VSVGCGImageBuilder() {
    drawInvocationStack_.reserve(15);
}

void VSVGCGImageBuilder::cleanup() {
    drawInvocationStack_.clear();
}

void VSVGCGImageBuilder::createImageInContext(QPainter* context, const QString& path,
                                              const QSizeF& size,
                                              const std::optional<QColor>& fillColor,
                                              const std::optional<QColor>& strokeColor) {
    setGraphicsContext(context);
    if (path.isEmpty()) return;
    if (path != imagePath_) {
        oneDrawCompleted_ = false;
        cleanup();
    }
    imagePath_ = path;
    QByteArray data;
    if (!readSVGDocument(path, &data) || data.size() < 10) return;
    if (!oneDrawCompleted_) {
        info_ = VSVGInfo();
        VSVGParser::getSVGInfo(&info_, data);
    }
    layerSize_ = size;
    const double side = std::min(size.width(), size.height());
    scale_ = float(svgFitScale(info_, side, side));
    imageSize_ = QSizeF(side, side);
    setForceFillColor(fillColor);
    setForceStrokeColor(strokeColor);
    if (oneDrawCompleted_ && !drawInvocationStack_.empty()) {
        redrawImageWithFill(fillColor, strokeColor);
        return;
    }
    VSVGParser::parseWithData(data, this);
    oneDrawCompleted_ = true;
}

void VSVGCGImageBuilder::redrawImageWithFill(const std::optional<QColor>& fillColor,
                                             const std::optional<QColor>& strokeColor) {
    setForceFillColor(fillColor);
    setForceStrokeColor(strokeColor);
    for (const VSVGDrawInvocation& invocation : drawInvocationStack_) replay(invocation);
}

VSVGDrawInvocation VSVGCGImageBuilder::drawInvocationWith(VSVGDrawSelector selector) const {
    VSVGDrawInvocation invocation;
    invocation.selector = selector;
    return invocation;
}

void VSVGCGImageBuilder::record(VSVGDrawInvocation invocation) {
    if (!oneDrawCompleted_) drawInvocationStack_.push_back(std::move(invocation));
}

void VSVGCGImageBuilder::replay(const VSVGDrawInvocation& invocation) {
    const QPointF* p = invocation.points;
    switch (invocation.selector) {
        case VSVGDrawSelector::svgSetup:
            svgSetup();
            break;
        case VSVGDrawSelector::svgDrawRect:
            VSVGCoreGraphics::svgDrawRect(invocation.rect, invocation.attributes);
            break;
        case VSVGDrawSelector::svgDrawEllipse:
            VSVGCoreGraphics::svgDrawEllipse(invocation.rect, invocation.attributes);
            break;
        case VSVGDrawSelector::svgBeginPathWithAttributes:
            VSVGCoreGraphics::svgBeginPathWithAttributes(invocation.attributes);
            break;
        case VSVGDrawSelector::svgMoveTo:
            VSVGCoreGraphics::svgMoveTo(p[0]);
            break;
        case VSVGDrawSelector::svgLineTo:
            VSVGCoreGraphics::svgLineTo(p[0]);
            break;
        case VSVGDrawSelector::svgCubicCurveTo:
            VSVGCoreGraphics::svgCubicCurveTo(p[0], p[1], p[2]);
            break;
        case VSVGDrawSelector::svgQuadraticCurveTo:
            VSVGCoreGraphics::svgQuadraticCurveTo(p[0], p[1]);
            break;
        case VSVGDrawSelector::svgClosePath:
            VSVGCoreGraphics::svgClosePath();
            break;
        case VSVGDrawSelector::svgEndPath:
            VSVGCoreGraphics::svgEndPath(invocation.attributes);
            break;
        case VSVGDrawSelector::svgCleanup:
            VSVGCoreGraphics::svgCleanup();
            break;
    }
}

void VSVGCGImageBuilder::svgSetup() {
    record(drawInvocationWith(VSVGDrawSelector::svgSetup));
    // Built from this draw's size, so a replay at another size fits too.
    const double side = imageSize_.width();
    const double offsetX =
        layerSize_.width() > layerSize_.height() ? (layerSize_.width() - side) / 2 : 0;
    const double offsetY =
        layerSize_.height() > layerSize_.width() ? (layerSize_.height() - side) / 2 : 0;
    QTransform transform;
    transform.translate(offsetX, offsetY);
    transform.scale(scale_, scale_);
    setGlobalTransform(transform);
    VSVGCoreGraphics::svgSetup();
}

void VSVGCGImageBuilder::svgDrawRect(const QRectF& rect, const VSVGAttributes& attributes) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgDrawRect);
    invocation.rect = rect;
    invocation.attributes = attributes;
    record(std::move(invocation));
    VSVGCoreGraphics::svgDrawRect(rect, attributes);
}

void VSVGCGImageBuilder::svgDrawEllipse(const QRectF& rect, const VSVGAttributes& attributes) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgDrawEllipse);
    invocation.rect = rect;
    invocation.attributes = attributes;
    record(std::move(invocation));
    VSVGCoreGraphics::svgDrawEllipse(rect, attributes);
}

void VSVGCGImageBuilder::svgBeginPathWithAttributes(const VSVGAttributes& attributes) {
    VSVGDrawInvocation invocation =
        drawInvocationWith(VSVGDrawSelector::svgBeginPathWithAttributes);
    invocation.attributes = attributes;
    record(std::move(invocation));
    VSVGCoreGraphics::svgBeginPathWithAttributes(attributes);
}

void VSVGCGImageBuilder::svgMoveTo(const QPointF& point) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgMoveTo);
    invocation.points[0] = point;
    record(std::move(invocation));
    VSVGCoreGraphics::svgMoveTo(point);
}

void VSVGCGImageBuilder::svgLineTo(const QPointF& point) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgLineTo);
    invocation.points[0] = point;
    record(std::move(invocation));
    VSVGCoreGraphics::svgLineTo(point);
}

void VSVGCGImageBuilder::svgCubicCurveTo(const QPointF& point, const QPointF& startControlPoint,
                                         const QPointF& endControlPoint) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgCubicCurveTo);
    invocation.points[0] = point;
    invocation.points[1] = startControlPoint;
    invocation.points[2] = endControlPoint;
    record(std::move(invocation));
    VSVGCoreGraphics::svgCubicCurveTo(point, startControlPoint, endControlPoint);
}

void VSVGCGImageBuilder::svgQuadraticCurveTo(const QPointF& point, const QPointF& controlPoint) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgQuadraticCurveTo);
    invocation.points[0] = point;
    invocation.points[1] = controlPoint;
    record(std::move(invocation));
    VSVGCoreGraphics::svgQuadraticCurveTo(point, controlPoint);
}

void VSVGCGImageBuilder::svgClosePath() {
    record(drawInvocationWith(VSVGDrawSelector::svgClosePath));
    VSVGCoreGraphics::svgClosePath();
}

void VSVGCGImageBuilder::svgEndPath(const VSVGAttributes& attributes) {
    VSVGDrawInvocation invocation = drawInvocationWith(VSVGDrawSelector::svgEndPath);
    invocation.attributes = attributes;
    record(std::move(invocation));
    VSVGCoreGraphics::svgEndPath(attributes);
}

void VSVGCGImageBuilder::svgCleanup() {
    record(drawInvocationWith(VSVGDrawSelector::svgCleanup));
    VSVGCoreGraphics::svgCleanup();
}
