#include "hud/views/HUDTabViewItem.h"

#include "hud/theme/VNSColorCategory.h"

#include <QPainter>

void HUDTabViewItem::drawLabel(QPainter& painter, const QRectF& rect, const QFont* font) {
    lastKnownLabelRect_ = rect;
    if (identifier_) {
        AttributedString label = identifier_->attributedLabel(*this);
        if (font) {
            label.modifyAttributes({0, label.length()},
                                   [&](TextAttributes& attributes) { attributes.font = *font; });
        }
        // A trailing "____" only reserves room for the image.
        if (label.string().endsWith(QStringLiteral("____"))) {
            label = label.mid(0, label.length() - 4);
        }
        label.draw(painter, rect);
        const QImage image = identifier_->tabImage(*this);
        if (!image.isNull()) {
            painter.drawImage(QPointF(rect.x() + rect.width() - image.width() - 2, rect.y()),
                              image);
        }
        return;
    }
    AttributedString label(label_);
    label.modifyAttributes({0, label.length()}, [&](TextAttributes& attributes) {
        attributes.foreground = defaultTextColor();
        if (font) attributes.font = *font;
    });
    label.draw(painter, rect);
}
