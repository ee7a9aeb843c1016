#include "content/ContentCollectionCell.h"

#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "status/KeloRemoteCell.h"

#include <QPainter>

AttributedString ContentCollectionCell::label() const {
    TextAttributes dim{.foreground = dimTextColor(), .font = font()};
    TextAttributes plain{.foreground = defaultTextColor(), .font = font()};
    AttributedString text("sync: ", dim);
    text.append(AttributedString(serverStr_, plain));
    text.append(AttributedString(" collection: ", dim));
    return text;
}

void ContentCollectionCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame,
                                                  QWidget*) {
    if (serverStr_.isNull()) return;
    const AttributedString text = label();
    const QSizeF size = text.size();
    text.draw(painter, QRectF(frame.topLeft(), size));
    const double end = frame.x() + size.width();
    if (!collectionStr_.isEmpty()) {
        const int letter = collectionStr_.at(0).toLatin1() - 'a';
        drawCollection(letter, serverStr_.endsWith("aster"), painter,
                       QRectF(end, frame.y() + 1, 14, 14));
    }
    if (offlineStr_)
        offlineStr_->draw(painter, QRectF(QPointF(end + 14 + 2, frame.y()), offlineStr_->size()));
}
