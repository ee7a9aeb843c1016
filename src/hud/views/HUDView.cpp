#include "hud/views/HUDView.h"

#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"

#include <QPaintEvent>
#include <QPainter>

HUDView::HUDView(QWidget* parent)
    : QWidget(parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {
    // Opaque, and during a resize only newly exposed parts are repainted.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    setupBackgroundColor();
}

QString HUDView::description() const {
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(metaObject()->className()),
                                       NSStringFromRect(QRectF(geometry())));
}

void HUDView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void HUDView::setupBackgroundColor() {
    setBackgroundColor(HUDThemeManager::keyedManager()->themeForKey(themeKey_)->normalSolidFill());
}

void HUDView::paintEvent(QPaintEvent* event) {
    drawBackground(event);
}

void HUDView::drawBackground(QPaintEvent* event) {
    waitIfNeeded(this);
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : event->region()) painter.fillRect(r, backgroundColor_);
}
