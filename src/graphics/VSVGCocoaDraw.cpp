#include "graphics/VSVGCocoaDraw.h"

#include "graphics/VSVGCoreGraphics.h"
#include "graphics/VSVGParser.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

Qt::PenCapStyle penCap(uint64_t style) {
    return style == 1 ? Qt::RoundCap : style == 2 ? Qt::SquareCap : Qt::FlatCap;
}

Qt::PenJoinStyle penJoin(uint64_t style) {
    return style == 1 ? Qt::RoundJoin : style == 2 ? Qt::BevelJoin : Qt::MiterJoin;
}

// The leading hexadecimal digits of a piece, 0 when there are none.
int hexPrefix(QStringView text) {
    int value = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= '0' && u <= '9') digit = u - '0';
        if (u >= 'a' && u <= 'f') digit = u - 'a' + 10;
        if (u >= 'A' && u <= 'F') digit = u - 'A' + 10;
        if (digit < 0) break;
        value = value * 16 + digit;
    }
    return value;
}

// Alpha of a colour made from the text. Colour values outside 0..1 are
// invalid in Qt, so opacity is held there.
double alphaFromOpacity(double opacity) {
    return std::clamp(svgOpacity(opacity), 0.0, 1.0);
}

}  // namespace

double svgOpacity(double opacity) {
    return std::round(opacity * 1e6) / 1e6;
}

const QHash<QString, QString>& svgNamedColors() {
    static const QHash<QString, QString> table = {
        {"black", "#000000"},   {"white", "#FFFFFF"},  {"brown", "#A52A2A"},
        {"grey", "#808080"},    {"gray", "#808080"},   {"red", "#FF0000"},
        {"lime", "#00FF00"},    {"green", "#008000"},  {"blue", "#0000FF"},
        {"cyan", "#00FFFF"},    {"aqua", "#00FFFF"},   {"magenta", "#FF00FF"},
        {"fuchsia", "#FF00FF"}, {"purple", "#800080"}, {"yellow", "#FFFF00"},
        {"orange", "#FFA500"},
    };
    return table;
}

VSVGCocoaDraw::VSVGCocoaDraw() : colorLookUp_(svgNamedColors()) {}

QColor VSVGCocoaDraw::colorFromHexString(const QString& text, double opacity) {
    QString hex = text.trimmed();
    if (hex.isEmpty()) return QColor(0, 0, 0, 0);
    if (hex.size() == 4 && hex[0] == u'#') {
        hex = QString("#%1%1%2%2%3%3").arg(hex[1]).arg(hex[2]).arg(hex[3]);
    }
    const QStringView view(hex);
    QColor color;
    color.setRgbF(float(hexPrefix(view.mid(1, 2))) / 255.0f,
                  float(hexPrefix(view.mid(3, 2))) / 255.0f,
                  float(hexPrefix(view.mid(5, 2))) / 255.0f, float(alphaFromOpacity(opacity)));
    return color;
}

VSVGCocoaDraw::BezierPath VSVGCocoaDraw::newPath() const {
    return pathDefaults_;
}

void VSVGCocoaDraw::svgSetup() {
    pathDefaults_.lineWidth = defaultLineWidth_;
    pathDefaults_.lineCapStyle = defaultLineCapStyle_;
    pathDefaults_.lineJoinStyle = defaultLineJoinStyle_;
    pathDefaults_.windingRule = defaultWindingRule_;
}

void VSVGCocoaDraw::svgCleanup() {}

void VSVGCocoaDraw::drawShape(BezierPath& path, const VSVGAttributes& attributes) {
    setAttributesForPath(path, attributes);
    if (localTransform_) path.path = localTransform_->map(path.path);
    path.path = globalTransform_.map(path.path);
    localTransform_.reset();
    strokeAndFillPath(path, attributes);
    setDefaults();
}

void VSVGCocoaDraw::svgDrawRect(const QRectF& rect, const VSVGAttributes& attributes) {
    BezierPath path = newPath();
    const auto rx = attributes.constFind(QStringLiteral("rx"));
    const auto ry = attributes.constFind(QStringLiteral("ry"));
    if (rx != attributes.constEnd() || ry != attributes.constEnd()) {
        const double xRadius = svgFloatValue(rx != attributes.constEnd() ? rx.value() : ry.value());
        const double yRadius = svgFloatValue(ry != attributes.constEnd() ? ry.value() : rx.value());
        path.path.addRoundedRect(rect, xRadius, yRadius);
    } else {
        path.path.addRect(rect);
    }
    drawShape(path, attributes);
}

void VSVGCocoaDraw::svgDrawEllipse(const QRectF& rect, const VSVGAttributes& attributes) {
    BezierPath path = newPath();
    path.path.addEllipse(QRectF(rect.x() - rect.width() / 2, rect.y() - rect.height() / 2,
                                rect.width(), rect.height()));
    drawShape(path, attributes);
}

void VSVGCocoaDraw::svgBeginPathWithAttributes(const VSVGAttributes& attributes) {
    currentOpenPath_ = newPath();
    pathOpen_ = true;
    setAttributesForPath(*currentOpenPath_, attributes);
}

void VSVGCocoaDraw::svgMoveTo(const QPointF& point) {
    if (currentOpenPath_) currentOpenPath_->path.moveTo(point);
}

void VSVGCocoaDraw::svgLineTo(const QPointF& point) {
    if (currentOpenPath_) currentOpenPath_->path.lineTo(point);
}

void VSVGCocoaDraw::svgCubicCurveTo(const QPointF& point, const QPointF& startControlPoint,
                                    const QPointF& endControlPoint) {
    if (currentOpenPath_) currentOpenPath_->path.cubicTo(startControlPoint, endControlPoint, point);
}

void VSVGCocoaDraw::svgQuadraticCurveTo(const QPointF& point, const QPointF& controlPoint) {
    if (!currentOpenPath_) return;
    const QPointF p0 = currentOpenPath_->path.currentPosition();
    const QPointF c1 = p0 + (2.0 / 3.0) * (controlPoint - p0);
    const QPointF c2 = c1 + (1.0 / 3.0) * (point - p0);
    currentOpenPath_->path.cubicTo(c1, c2, point);
}

void VSVGCocoaDraw::svgClosePath() {
    if (currentOpenPath_) currentOpenPath_->path.closeSubpath();
}

void VSVGCocoaDraw::svgEndPath(const VSVGAttributes& attributes) {
    if (currentOpenPath_) {
        if (localTransform_) currentOpenPath_->path = localTransform_->map(currentOpenPath_->path);
        currentOpenPath_->path = globalTransform_.map(currentOpenPath_->path);
        localTransform_.reset();
        strokeAndFillPath(*currentOpenPath_, attributes);
        setDefaults();
    }
    currentOpenPath_.reset();
    pathOpen_ = false;
}

void VSVGCocoaDraw::setAttributesForPath(BezierPath& path, const VSVGAttributes& attributes) {
    setColors(attributes);
    const auto transform = attributes.constFind(QStringLiteral("transform"));
    if (transform != attributes.constEnd()) {
        localTransform_ = VSVGCoreGraphics::transformMatrixFromString(transform.value());
    }
    const QString fillRule = attributes.value(QStringLiteral("fill-rule"));
    if (fillRule == QLatin1String("nonzero")) path.windingRule = 0;
    if (fillRule == QLatin1String("evenodd")) path.windingRule = 1;
    const auto strokeWidth = attributes.constFind(QStringLiteral("stroke-width"));
    if (strokeWidth != attributes.constEnd()) {
        path.lineWidth = double(svgFloatValue(strokeWidth.value())) * lineWidthScaleFactor_;
    }
    const QString cap = attributes.value(QStringLiteral("stroke-linecap"));
    if (cap == QLatin1String("butt")) path.lineCapStyle = 0;
    if (cap == QLatin1String("round")) path.lineCapStyle = 1;
    if (cap == QLatin1String("square")) path.lineCapStyle = 2;
    const QString join = attributes.value(QStringLiteral("stroke-linejoin"));
    if (join == QLatin1String("miter")) path.lineJoinStyle = 0;
    if (join == QLatin1String("round")) path.lineJoinStyle = 1;
    if (join == QLatin1String("bevel")) path.lineJoinStyle = 2;
}

void VSVGCocoaDraw::setColors(const VSVGAttributes& attributes) {
    const auto opacity = [&](const QString& name, const std::optional<QColor>& force,
                             double fallback) {
        const auto it = attributes.constFind(name);
        if (it != attributes.constEnd()) return svgOpacity(svgFloatValue(it.value()));
        if (force && force->alphaF() < 1.0f) return svgOpacity(force->alphaF());
        return svgOpacity(fallback);
    };
    const auto withAlpha = [](QColor color, double alpha) {
        color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
        return color;
    };
    const auto fromAttribute = [&](const QString& value, double alpha) {
        if (value == QLatin1String("none")) return QColor(0, 0, 0, 0);
        return colorFromHexString(colorLookUp_.value(value, value), alpha);
    };

    const double strokeOpacity =
        opacity(QStringLiteral("stroke-opacity"), forceStrokeColor_, defaultLineOpacity_);
    if (forceStrokeColor_) {
        strokeColor_ = withAlpha(*forceStrokeColor_, strokeOpacity);
    } else {
        const auto stroke = attributes.constFind(QStringLiteral("stroke"));
        strokeColor_ = stroke == attributes.constEnd()
                           ? QColor(0, 0, 0, 0)
                           : fromAttribute(stroke.value(), strokeOpacity);
    }

    const double fillOpacity =
        opacity(QStringLiteral("fill-opacity"), forceFillColor_, defaultFillOpacity_);
    if (forceFillColor_) {
        fillColor_ = withAlpha(*forceFillColor_, fillOpacity);
    } else {
        const auto fill = attributes.constFind(QStringLiteral("fill"));
        fillColor_ = fill == attributes.constEnd() ? withAlpha(defaultFillColor_, fillOpacity)
                                                   : fromAttribute(fill.value(), fillOpacity);
    }
}

void VSVGCocoaDraw::strokeAndFillPath(const BezierPath& path, const VSVGAttributes& attributes) {
    if (!painter_) return;
    if (attributes.value(QStringLiteral("stroke")) != QLatin1String("none")) {
        QPen pen(strokeColor_, std::max(0.0, path.lineWidth), Qt::SolidLine,
                 penCap(path.lineCapStyle), penJoin(path.lineJoinStyle));
        pen.setMiterLimit(10);
        painter_->strokePath(path.path, pen);
    }
    if (attributes.value(QStringLiteral("fill")) != QLatin1String("none")) {
        QPainterPath filled = path.path;
        filled.setFillRule(path.windingRule == 1 ? Qt::OddEvenFill : Qt::WindingFill);
        painter_->fillPath(filled, fillColor_);
    }
}

void VSVGCocoaDraw::setDefaults() {
    strokeColor_ = defaultLineColor_;
    fillColor_ = defaultFillColor_;
}
