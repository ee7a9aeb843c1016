#include "hud/views/HUDClipView.h"

#include "hud/windows/HUDThemeKeloWindow.h"

#include <QPaintEvent>
#include <QPainter>

HUDClipView::HUDClipView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HUDClipView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void HUDClipView::setDrawsBackground(bool draws) {
    drawsBackground_ = draws;
    update();
}

void HUDClipView::paintEvent(QPaintEvent* event) {
    waitIfNeeded(this);
    QPainter painter(this);
    painter.fillRect(event->rect(), drawsBackground_ && backgroundColor_.isValid()
                                        ? backgroundColor_
                                        : getSuperviewColor(this));
}
