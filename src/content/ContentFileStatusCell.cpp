#include "content/ContentFileStatusCell.h"

#include "content/ContentUIPanel.h"
#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilCategory.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage documentIcon() {
    QImage image(12, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath page;
    page.moveTo(0.5, 0.5);
    page.lineTo(8, 0.5);
    page.lineTo(11.5, 4);
    page.lineTo(11.5, 15.5);
    page.lineTo(0.5, 15.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(QColor(235, 235, 235));
    p.drawPath(page);
    p.drawLine(QPointF(8, 0.5), QPointF(8, 4));
    p.drawLine(QPointF(8, 4), QPointF(11.5, 4));
    return image;
}

}  // namespace

ContentFileStatusCell::Icon ContentFileStatusCell::iconFor(const ContentTableRow& row) {
    Icon icon = Icon::None;
    for (const QVariant& entry : row.parsedName.dict().value(".ErrArray").toList())
        if (entry.toString().section(' ', 0, 0).toInt() & kYellowIssues) icon = Icon::Yellow;
    if (row.parsedName.isConflicted()) icon = Icon::Red;
    if (row.parsedName.isVersioned()) icon = Icon::Cyan;
    return icon;
}

const QImage& ContentFileStatusCell::iconImage(Icon icon) {
    static const QImage none;
    static const QImage base = documentIcon();
    static const QImage yellow = tintedImageWithColor(base, Qt::yellow, true);
    static const QImage red = tintedImageWithColor(base, Qt::red, true);
    static const QImage cyan = tintedImageWithColor(base, Qt::cyan, true);
    switch (icon) {
        case Icon::Yellow:
            return yellow;
        case Icon::Red:
            return red;
        case Icon::Cyan:
            return cyan;
        case Icon::None:
            break;
    }
    return none;
}

void ContentFileStatusCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    drawInteriorWithFrame(painter, frame, view);
}

void ContentFileStatusCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame,
                                                  QWidget*) {
    if (!delegate_) return;
    ContentTableRow* row = delegate_->contentTableRow(row_, false);
    if (!row) return;
    const QImage& icon = iconImage(iconFor(*row));
    const double iconWidth = documentIcon().width();
    if (!icon.isNull()) {
        const QRectF at(frame.x(), frame.y() + (frame.height() - icon.height()) / 2.0, icon.width(),
                        icon.height());
        painter.drawImage(at, icon);
    }
    if (row->thumbnail.isNull()) return;
    const QRectF room = frame.adjusted(int(iconWidth + 1), 0, 0, 0);
    painter.drawImage(getCenteredRect(room, row->thumbnail.width(), row->thumbnail.height()),
                      row->thumbnail);
}
