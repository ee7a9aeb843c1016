#include "status/KeloStatusImages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage lamp(const QColor& colour) {
    QImage image = blank(10, 10);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(3.5, 3.5), 6);
    glow.setColorAt(0, colour.lighter(170));
    glow.setColorAt(1, colour.darker(130));
    p.setPen(QPen(QColor(0, 0, 0, 160), 0.8));
    p.setBrush(glow);
    p.drawEllipse(QRectF(0.5, 0.5, 9, 9));
    return image;
}

QImage syncIcon() {
    QImage image = blank(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(230, 230, 220), 3, Qt::SolidLine, Qt::FlatCap));
    const QRectF ring(5, 5, 22, 22);
    p.drawArc(ring, 20 * 16, 140 * 16);
    p.drawArc(ring, 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 230, 220));
    p.drawPolygon(QPolygonF({{3, 12}, {11, 12}, {6, 18}}));
    p.drawPolygon(QPolygonF({{29, 20}, {21, 20}, {26, 14}}));
    return image;
}

QImage turtle() {
    QImage image = blank(30, 18);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(5, 2, 18, 12));  // shell
    p.drawEllipse(QRectF(22, 6, 7, 6));   // head
    p.drawRect(QRectF(7, 12, 3, 5));      // legs
    p.drawRect(QRectF(18, 12, 3, 5));
    p.drawPolygon(QPolygonF({{5, 9}, {0, 11}, {5, 11}}));  // tail
    return image;
}

}  // namespace

QImage keloStatusImageNamed(const QString& name) {
    static QHash<QString, QImage> images;
    const auto it = images.constFind(name);
    if (it != images.constEnd()) return *it;
    QImage image;
    if (name == QLatin1String("KLR_Status Green"))
        image = lamp(QColor(40, 200, 40));
    else if (name == QLatin1String("KLR_Status Red"))
        image = lamp(QColor(220, 30, 20));
    else if (name == QLatin1String("KLR_Status Yellow"))
        image = lamp(QColor(235, 210, 20));
    else if (name == QLatin1String("KLR_Status Blue"))
        image = lamp(QColor(50, 110, 240));
    else if (name == QLatin1String("KLR_Sync"))
        image = syncIcon();
    else if (name == QLatin1String("Turtle"))
        image = turtle();
    else
        return QImage();
    images.insert(name, image);
    return image;
}

QImage rotatedSyncImage(int degrees) {
    static QHash<int, QImage> rotated;
    const int angle = ((degrees % 360) + 360) % 360;
    const auto it = rotated.constFind(angle);
    if (it != rotated.constEnd()) return *it;
    const QImage source = keloStatusImageNamed(QStringLiteral("KLR_Sync"));
    QImage image = blank(source.width(), source.height());
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(source.width() / 2.0, source.height() / 2.0);
    p.rotate(angle);
    p.translate(-source.width() / 2.0, -source.height() / 2.0);
    p.drawImage(0, 0, source);
    p.end();
    rotated.insert(angle, image);
    return image;
}
