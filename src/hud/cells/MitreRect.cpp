#include "hud/cells/MitreRect.h"

#include <QPainter>
#include <QPolygonF>

void MitreRect(QPainter& painter, const QRectF& rect, quint32 mask, float width,
               const QColor& color) {
    const double t = width;
    const double x0 = rect.left(), x1 = rect.right(), y0 = rect.top(), y1 = rect.bottom();
    auto strip = [&](std::initializer_list<QPointF> points) {
        painter.drawPolygon(QPolygonF(QList<QPointF>(points)));
    };
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    if (mask & MitreEdgeMaxY) strip({{x0, y1}, {x1, y1}, {x1 - t, y1 - t}, {x0 + t, y1 - t}});
    if (mask & MitreEdgeMinX) strip({{x0, y0}, {x0, y1}, {x0 + t, y1 - t}, {x0 + t, y0 + t}});
    if (mask & MitreEdgeMaxX) strip({{x1, y0}, {x1, y1}, {x1 - t, y1 - t}, {x1 - t, y0 + t}});
    if (mask & MitreEdgeMinY) strip({{x0, y0}, {x1, y0}, {x1 - t, y0 + t}, {x0 + t, y0 + t}});
    painter.restore();
}

void drawBezelForRect(QPainter& painter, const QRectF& rect, const QColor& lit, const QColor& side,
                      const QColor& dark, double width, qint32 style, bool flipped) {
    const float t = float(width);
    switch (style) {
        case 0:
            MitreRect(painter, rect, MitreEdgeMaxY | MitreEdgeMinX, t, lit);
            MitreRect(painter, rect, MitreEdgeMaxX | MitreEdgeMinY, t, dark);
            break;
        case 1:
            MitreRect(painter, rect, MitreEdgeMaxY | MitreEdgeMinX, t, dark);
            MitreRect(painter, rect, MitreEdgeMaxX | MitreEdgeMinY, t, lit);
            break;
        case 2:
            MitreRect(painter, rect, MitreEdgeMinX | MitreEdgeMaxX, t, side);
            MitreRect(painter, rect, MitreEdgeMaxY, t, flipped ? dark : lit);
            MitreRect(painter, rect, MitreEdgeMinY, t, flipped ? lit : dark);
            break;
        case 3:
        case 4:
            MitreRect(painter, rect, MitreEdgeMinX | MitreEdgeMaxX, t, side);
            MitreRect(painter, rect, MitreEdgeMaxY, t, flipped ? lit : dark);
            MitreRect(painter, rect, MitreEdgeMinY, t, flipped ? dark : lit);
            break;
        default:
            break;
    }
}

QRectF NSRectAtPoint(const QRectF& rect, const QPointF& point) {
    return rect.translated(point);
}

namespace {

// Mac OS Roman codes of the bullet and the ellipsis.
constexpr char kRomanBullet = char(0xA5);
constexpr char kRomanEllipsis = char(0xC9);

struct SymbolBuffer {
    char text[20] = {};
    SymbolBuffer(char symbol, int count) {
        for (int i = 0; i < count; ++i) text[i] = symbol;
    }
};

}  // namespace

const char* Bullet() {
    static const SymbolBuffer buffer(kRomanBullet, 1);
    return buffer.text;
}

const char* DoubleBullet() {
    static const SymbolBuffer buffer(kRomanBullet, 2);
    return buffer.text;
}

const char* TripleBullet() {
    static const SymbolBuffer buffer(kRomanBullet, 3);
    return buffer.text;
}

const char* Ellipsis() {
    static const SymbolBuffer buffer(kRomanEllipsis, 1);
    return buffer.text;
}
