#include "content/ContentAccordionItem.h"

#include "status/KeloStatusImages.h"

#include <QPainter>

QRectF ContentAccordionItem::drawImageInRect(QPainter& painter, const QRectF& rect) {
    static const QImage image = keloStatusImageNamed(QStringLiteral("KLR_Sync"));
    const double opacity = imageOpacity();
    if (opacity > 0) {
        painter.save();
        painter.setOpacity(opacity);
        painter.drawImage(QPointF(rect.x(), rect.y() + (rect.height() - image.height()) / 2.0),
                          image);
        painter.restore();
    }
    const double used = image.width() + 2.0;
    return rect.adjusted(used, 0, 0, 0);
}
