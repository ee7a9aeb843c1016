#pragma once

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QString>

// An element's attributes as written: attribute name to text.
using VSVGAttributes = QHash<QString, QString>;

// What VSVGParser tells its drawing delegate. Coordinates are the document's
// own (no viewBox, size or unit applied). Every operation is optional.
class VSVGDrawProtocol {
public:
    virtual ~VSVGDrawProtocol() = default;

    // Once before the document is read.
    virtual void svgSetup() {}
    virtual void svgDrawRect(const QRectF& rect, const VSVGAttributes& attributes) {
        (void)rect;
        (void)attributes;
    }
    // The rectangle's origin is the ellipse's centre, its size the full width
    // and height.
    virtual void svgDrawEllipse(const QRectF& rect, const VSVGAttributes& attributes) {
        (void)rect;
        (void)attributes;
    }
    virtual void svgBeginPathWithAttributes(const VSVGAttributes& attributes) { (void)attributes; }
    virtual void svgMoveTo(const QPointF& point) { (void)point; }
    virtual void svgLineTo(const QPointF& point) { (void)point; }
    virtual void svgCubicCurveTo(const QPointF& point, const QPointF& startControlPoint,
                                 const QPointF& endControlPoint) {
        (void)point;
        (void)startControlPoint;
        (void)endControlPoint;
    }
    virtual void svgQuadraticCurveTo(const QPointF& point, const QPointF& controlPoint) {
        (void)point;
        (void)controlPoint;
    }
    virtual void svgClosePath() {}
    // The same attributes as at the path's beginning.
    virtual void svgEndPath(const VSVGAttributes& attributes) { (void)attributes; }
    // Once after the document, also after an error.
    virtual void svgCleanup() {}
};
