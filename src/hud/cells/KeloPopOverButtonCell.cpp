#include "hud/cells/KeloPopOverButtonCell.h"

#include "hud/controls/KeloPopOverButton.h"

#include <QPainter>
#include <QWidget>

void KeloPopOverButtonCell::drawWithFrame(QPainter& ctx, const QRectF& frame,
                                          QWidget* controlView) const {
    auto* button = qobject_cast<KeloPopOverButton*>(controlView);
    ctx.save();
    if (!button) {
        // Plain bezel for any other host.
        const QPalette palette = controlView ? controlView->palette() : QPalette();
        ctx.fillRect(frame, palette.color(QPalette::Button));
        ctx.setPen(palette.color(QPalette::Mid));
        ctx.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
        ctx.setPen(palette.color(QPalette::ButtonText));
        ctx.drawText(frame, Qt::AlignCenter, title_);
        ctx.restore();
        return;
    }
    ctx.fillRect(frame, button->backgroundColour());
    if (!title_.isEmpty()) {
        QFont font = ctx.font();
        font.setPixelSize(button->fontSize() > 0 ? button->fontSize() : 12);
        ctx.setFont(font);
        ctx.setPen(button->textColour());
        ctx.drawText(QRectF(frame.x() + 5, frame.y() + 2, frame.width() - 5, frame.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title_);
    }
    if (highlighted_) {
        ctx.setPen(QPen(button->highlightColour(), 1));
        ctx.setBrush(Qt::NoBrush);
        ctx.drawRect(frame.adjusted(1.5, 1.5, -1.5, -1.5));
    }
    ctx.restore();
}
