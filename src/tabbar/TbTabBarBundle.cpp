#include "tabbar/TbTabBarBundle.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A round close button: a disc (none for the plain look) with a cross, or,
// for an edited tab at rest, a dot.
QImage closeButton(const QColor& disc, const QColor& mark, bool dot) {
    QImage image = blank(13, 13);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (disc.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(disc);
        p.drawEllipse(QRectF(0.5, 0.5, 12, 12));
    }
    if (dot) {
        p.setPen(Qt::NoPen);
        p.setBrush(mark);
        p.drawEllipse(QRectF(3.5, 3.5, 6, 6));
    } else {
        p.setPen(QPen(mark, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(9, 9));
        p.drawLine(QPointF(9, 4), QPointF(4, 9));
    }
    return image;
}

QImage plus(const QColor& disc, const QColor& mark) {
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (disc.isValid()) {
        p.setPen(Qt::NoPen);
        p.setBrush(disc);
        p.drawRoundedRect(QRectF(0, 0, 12, 12), 3, 3);
    }
    p.setPen(QPen(mark, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6, 2.5), QPointF(6, 9.5));
    p.drawLine(QPointF(2.5, 6), QPointF(9.5, 6));
    return image;
}

// Two chevrons pointing right.
QImage overflow(const QColor& mark) {
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(mark, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (double x : {2.5, 6.5}) {
        QPainterPath chevron;
        chevron.moveTo(x, 3);
        chevron.lineTo(x + 3, 6);
        chevron.lineTo(x, 9);
        p.drawPath(chevron);
    }
    return image;
}

// The progress mark stamped on a drag image: a ring with a gap.
QImage progressMark() {
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(230, 230, 220), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
    return image;
}

QImage make(const QString& name) {
    const QColor light(200, 200, 195), white(240, 240, 235), dim(120, 120, 120);
    if (name == "TabClose_Front") return closeButton({}, light, false);
    if (name == "TabClose_Front_Rollover") return closeButton(QColor(110, 110, 110), white, false);
    if (name == "TabClose_Front_Pressed") return closeButton(QColor(60, 60, 60), white, false);
    if (name == "TabClose_Dirty") return closeButton({}, light, true);
    if (name == "TabClose_Dirty_Rollover") return closeButton(QColor(110, 110, 110), white, false);
    if (name == "TabClose_Dirty_Pressed") return closeButton(QColor(60, 60, 60), white, false);
    if (name == "TabNewMetal") return plus({}, light);
    if (name == "TabNewMetalRollover") return plus(QColor(110, 110, 110), white);
    if (name == "TabNewMetalPressed") return plus(QColor(60, 60, 60), white);
    if (name == "overflowImage") return overflow(light);
    if (name == "overflowImagePressed") return overflow(dim);
    if (name == "pi") return progressMark();
    return {};
}

}  // namespace

QImage TbTabBarBundle::imageNamed(const QString& name) {
    static QHash<QString, QImage> cache;
    auto it = cache.find(name);
    if (it == cache.end()) it = cache.insert(name, make(name));
    return it.value();
}
