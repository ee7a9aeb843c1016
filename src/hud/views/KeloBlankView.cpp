#include "hud/views/KeloBlankView.h"

#include "hud/theme/HUDThemeKelo.h"

#include <QPaintEvent>
#include <QPainter>

KeloBlankView::KeloBlankView(QWidget* parent) : QWidget(parent) {}

void KeloBlankView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), HUDThemeKelo::instance()->textFieldColour());
}
