#include "hud/controls/VNSCursorCategory.h"

#include "foundation/OmxImageUtil.h"
#include "graphics/ImageUtilCategory.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

// Outlined in black under white so the stand-ins show on any background.
void strokeShape(QPainter& painter, const QPainterPath& path) {
    painter.strokePath(path, QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.strokePath(path, QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

QPainterPath arrowPointer(QPointF tip) {
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip + QPointF(0, 12));
    path.lineTo(tip + QPointF(3, 9));
    path.lineTo(tip + QPointF(7, 9));
    path.closeSubpath();
    return path;
}

QPainterPath doubleArrow(QPointF from, QPointF to) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    const QPointF d = (to - from) / std::max(1.0, QLineF(from, to).length());
    const QPointF n(-d.y(), d.x());
    for (auto [end, dir] : {std::pair{from, d}, std::pair{to, -d}}) {
        path.moveTo(end + dir * 3 + n * 3);
        path.lineTo(end);
        path.lineTo(end + dir * 3 - n * 3);
    }
    return path;
}

QPainterPath plus(QPointF centre, qreal half) {
    QPainterPath path;
    path.moveTo(centre - QPointF(half, 0));
    path.lineTo(centre + QPointF(half, 0));
    path.moveTo(centre - QPointF(0, half));
    path.lineTo(centre + QPointF(0, half));
    return path;
}

QImage drawnImage(QSize size, const Drawing& drawing) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing(painter);
    return image;
}

// The resource, else the stand-in; drawn at `alpha` when below 1.
QCursor makeCursor(const char* resource, QPoint hotSpot, QSize size, const Drawing& drawing,
                   float alpha = 1.0f) {
    QImage image = cgImageWithResourceNamed(QString::fromUtf8(resource));
    if (image.isNull()) image = drawnImage(size, drawing);
    if (alpha < 1.0f) image = imageWithCGImage(image, alpha);
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

}  // namespace

const QCursor& scrubCursor() {
    static const QCursor cursor = makeCursor(
        "Scrub Cursor.png", {10, 8}, {21, 17},
        [](QPainter& p) {
            strokeShape(p, doubleArrow({2, 8}, {18, 8}));
        },
        0.6f);
    return cursor;
}

const QCursor& canDropCursor() {
    static const QCursor cursor =
        makeCursor("Cursor_DropOK.png", {7, 0}, {20, 20}, [](QPainter& p) {
            strokeShape(p, arrowPointer({7, 1}));
            strokeShape(p, plus({15, 15}, 3));
        });
    return cursor;
}

const QCursor& copyCursor() {
    static const QCursor cursor = makeCursor("copyCursor.png", {4, 1}, {20, 20}, [](QPainter& p) {
        strokeShape(p, arrowPointer({4, 1}));
        QPainterPath box;
        box.addRect(10, 10, 8, 8);
        strokeShape(p, box);
    });
    return cursor;
}

namespace {

QPainterPath magnifier() {
    QPainterPath path;
    path.addEllipse(QPointF(9, 8), 5, 5);
    path.moveTo(12.5, 11.5);
    path.lineTo(18, 17);
    path.moveTo(4, 1);
    path.lineTo(5.5, 3.5);
    return path;
}

}  // namespace

const QCursor& zoomInCursor() {
    static const QCursor cursor = makeCursor("zoomInCursor.png", {4, 1}, {20, 20}, [](QPainter& p) {
        strokeShape(p, magnifier());
        strokeShape(p, plus({9, 8}, 2.5));
    });
    return cursor;
}

const QCursor& zoomOutCursor() {
    static const QCursor cursor =
        makeCursor("zoomOutCursor.png", {4, 1}, {20, 20}, [](QPainter& p) {
            strokeShape(p, magnifier());
            QPainterPath minus;
            minus.moveTo(6.5, 8);
            minus.lineTo(11.5, 8);
            strokeShape(p, minus);
        });
    return cursor;
}

const QCursor& noDropCursor() {
    static const QCursor cursor = makeCursor("noDropCursor.png", {4, 1}, {20, 20}, [](QPainter& p) {
        strokeShape(p, arrowPointer({4, 1}));
        QPainterPath sign;
        sign.addEllipse(QPointF(14, 14), 4, 4);
        sign.moveTo(11, 17);
        sign.lineTo(17, 11);
        strokeShape(p, sign);
    });
    return cursor;
}

const QCursor& eastWestResizeCursor() {
    static const QCursor cursor = makeCursor(
        "eastWestResizeCursor.png", {4, 1}, {20, 12},
        [](QPainter& p) {
            strokeShape(p, doubleArrow({2, 6}, {18, 6}));
        },
        0.2f);
    return cursor;
}

const QCursor& lockPlayCursor() {
    static const QCursor cursor =
        makeCursor("Play_And_Lock13.png", {4, 1}, {20, 20}, [](QPainter& p) {
            QPainterPath play;
            play.moveTo(4, 1);
            play.lineTo(13, 6);
            play.lineTo(4, 11);
            play.closeSubpath();
            strokeShape(p, play);
            QPainterPath lock;
            lock.addRect(11, 13, 7, 5);
            lock.moveTo(12.5, 13);
            lock.arcTo(QRectF(12.5, 9.5, 4, 7), 180, -180);
            strokeShape(p, lock);
        });
    return cursor;
}

namespace {

QPainterPath crosshair() {
    QPainterPath path;
    path.moveTo(12, 2);
    path.lineTo(12, 9);
    path.moveTo(12, 15);
    path.lineTo(12, 22);
    path.moveTo(2, 12);
    path.lineTo(9, 12);
    path.moveTo(15, 12);
    path.lineTo(22, 12);
    return path;
}

}  // namespace

const QCursor& klCrosshairCursor() {
    static const QCursor cursor = makeCursor("KLR_crosshair.png", {12, 12}, {25, 25},
                                             [](QPainter& p) { strokeShape(p, crosshair()); });
    return cursor;
}

const QCursor& klCrosshairAddCursor() {
    static const QCursor cursor =
        makeCursor("KLR_crosshair_add.png", {12, 12}, {25, 25}, [](QPainter& p) {
            strokeShape(p, crosshair());
            strokeShape(p, plus({19, 19}, 3));
        });
    return cursor;
}

const QCursor& northSouthArrowsCursor() {
    static const QCursor cursor =
        makeCursor("northSouthArrowsCursor.png", {7, 7}, {15, 15}, [](QPainter& p) {
            strokeShape(p, doubleArrow({7, 1}, {7, 13}));
        });
    return cursor;
}
