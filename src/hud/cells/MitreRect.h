#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QtGlobal>

class QPainter;

// Edge bits of MitreRect, in the painter's own coordinates.
enum MitreEdge : quint32 {
    MitreEdgeMaxY = 1,
    MitreEdgeMinX = 2,
    MitreEdgeMaxX = 4,
    MitreEdgeMinY = 8,
};

// Fills the selected edge strips of the rectangle, each `width` thick with
// its inner side shortened by `width` at both ends (45-degree mitres).
void MitreRect(QPainter& painter, const QRectF& rect, quint32 mask, float width,
               const QColor& color);

// A bevel of mitred strips. Styles: 0 edges MaxY/MinX lit and MaxX/MinY dark;
// 1 the reverse; 2 sides in `side`, lit on the visual top; 3 and 4 sides in
// `side`, dark on the visual top; any other style draws nothing. `flipped`
// says whether y grows downward (true for a plain QWidget painter).
void drawBezelForRect(QPainter& painter, const QRectF& rect, const QColor& lit, const QColor& side,
                      const QColor& dark, double width, qint32 style, bool flipped);

// The rectangle moved by the point: origin plus point, same size.
QRectF NSRectAtPoint(const QRectF& rect, const QPointF& point);

// Short symbol strings in the Mac OS Roman encoding, made on first use and
// kept for the process: one, two or three bullets (U+2022), an ellipsis
// (U+2026).
const char* Bullet();
const char* DoubleBullet();
const char* TripleBullet();
const char* Ellipsis();
