#include "status/StatusTabBaseView.h"

#include "hud/theme/HUDThemeKelo.h"
#include "status/ServersUI.h"
#include "status/ServersUIColumns.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

StatusTabBaseView::StatusTabBaseView(ServersUI* controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRectF StatusTabBaseView::boxRect() const {
    // The strip of 23 points above the box holds the tab's controls; the
    // breakout columns start below it.
    const QRectF b = rect();
    return QRectF(b.x() + 2, b.y() + 2 + 23, b.width() - 4, b.height() - 2 - 4 - 23);
}

void StatusTabBaseView::paintEvent(QPaintEvent* event) {
    const HUDThemeKelo* theme = HUDThemeKelo::instance();
    QPainter p(this);
    const QRect dirty = event->rect();
    const QRectF box = boxRect();
    if (box.contains(QRectF(dirty))) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(dirty, theme->boxFillColor());
        return;
    }
    const QRectF b = rect();
    if (backgroundImg_.size() != size()) {
        ++renderCount_;
        backgroundImg_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        backgroundImg_.fill(Qt::transparent);
        QPainter bg(&backgroundImg_);
        bg.fillRect(b, theme->normalSolidFill());
        HUDTheme::drawInsetBoxInRect(bg, QRectF(b.x(), b.y(), b.width(), b.height() - 2), true);
        const QRectF outer = b.adjusted(4, 4, -4, -4);
        bg.fillRect(QRectF(outer.x() - 2, 23, outer.width() + 4, 1), theme->darkStrokeColor());
        QPainterPath rounded;
        rounded.addRoundedRect(box, 4, 4);
        bg.setRenderHint(QPainter::Antialiasing);
        bg.fillPath(rounded, theme->boxFillColor());
    }
    p.drawImage(dirty, backgroundImg_, dirty);
}

void StatusTabBaseView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (controller_ && controller_->columns()) controller_->columns()->layoutStatusTabBaseView();
}
