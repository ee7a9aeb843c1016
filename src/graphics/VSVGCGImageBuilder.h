#pragma once

#include "graphics/VSVGCoreGraphics.h"
#include "graphics/VSVGInfo.h"

#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

// The drawing operations a VSVGCGImageBuilder records.
enum class VSVGDrawSelector {
    svgSetup,
    svgDrawRect,
    svgDrawEllipse,
    svgBeginPathWithAttributes,
    svgMoveTo,
    svgLineTo,
    svgCubicCurveTo,
    svgQuadraticCurveTo,
    svgClosePath,
    svgEndPath,
    svgCleanup,
};

// One recorded drawing call with its arguments: the rectangle of a shape, up
// to three points (end point first, then the control points) and attributes.
struct VSVGDrawInvocation {
    VSVGDrawSelector selector = VSVGDrawSelector::svgSetup;
    QRectF rect;
    QPointF points[3];
    VSVGAttributes attributes;
};

// Draws a file into a caller's painter (y-down, like the document), fitted
// into the largest square of the requested size and centred along its longer
// side. The first draw of a file records every call; later draws of the same
// file replay the recording with the colours then given instead of parsing
// again. The painter's transform is added to, not saved: callers that draw
// more than once into one painter save and restore it around each draw.
class VSVGCGImageBuilder : public VSVGCoreGraphics {
public:
    VSVGCGImageBuilder();

    // Drops the recording.
    void cleanup();
    void createImageInContext(QPainter* context, const QString& path, const QSizeF& size,
                              const std::optional<QColor>& fillColor,
                              const std::optional<QColor>& strokeColor);
    // Replays the recording, oldest call first, in these colours.
    void redrawImageWithFill(const std::optional<QColor>& fillColor,
                             const std::optional<QColor>& strokeColor);
    VSVGDrawInvocation drawInvocationWith(VSVGDrawSelector selector) const;

    QString imagePath() const { return imagePath_; }
    QSizeF imageSize() const { return imageSize_; }
    float scale() const { return scale_; }
    const std::vector<VSVGDrawInvocation>& drawInvocationStack() const {
        return drawInvocationStack_;
    }
    bool oneDrawCompleted() const { return oneDrawCompleted_; }

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

private:
    void record(VSVGDrawInvocation invocation);
    void replay(const VSVGDrawInvocation& invocation);

    QString imagePath_;
    QSizeF imageSize_;
    QSizeF layerSize_;
    float scale_ = 1.0f;
    VSVGInfo info_;
    std::vector<VSVGDrawInvocation> drawInvocationStack_;
    bool oneDrawCompleted_ = false;
};
