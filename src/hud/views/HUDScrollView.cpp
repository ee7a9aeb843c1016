#include "hud/views/HUDScrollView.h"

#include "hud/views/HUDScroller.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/ScrollViewEventDelegate.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

HUDScrollView::HUDScrollView(QWidget* parent)
    : QScrollArea(parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {
    setVerticalScrollBar(new HUDScroller(Qt::Vertical));
    setHorizontalScrollBar(new HUDScroller(Qt::Horizontal));
    setFrameStyle(QFrame::NoFrame);
    // The view's own fill shows through the plain viewport.
    viewport()->setAutoFillBackground(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    connect(qApp, &QApplication::focusChanged, this, [this] { needsDisplay(); });
}

QString HUDScrollView::description() const {
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(metaObject()->className()),
                                       NSStringFromRect(QRectF(geometry())));
}

void HUDScrollView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void HUDScrollView::setDrawsBackground(bool draws) {
    drawsBackground_ = draws;
    update();
}

void HUDScrollView::setEnableDrawFocusRing(bool enable) {
    enableDrawFocusRing_ = enable;
    // Room for the one-point frame.
    setFrameStyle(enable ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    setLineWidth(1);
    update();
}

void HUDScrollView::setFocusRingAlwaysDark(bool dark) {
    focusRingAlwaysDark_ = dark;
    update();
}

bool HUDScrollView::needsDisplay() {
    if (!enableDrawFocusRing_) return false;
    QWidget* responder = nullptr;
    bool inside = false;
    if (window()->isActiveWindow()) {
        responder = QApplication::focusWidget();
        if (responder == lastResp_.data()) return false;
        inside = responder && isAncestorOf(responder);
    } else if (!lastResp_) {
        return false;
    }
    if (inside == shouldDrawFocusRing_) return false;
    shouldDrawFocusRing_ = inside;
    lastResp_ = responder;
    update();
    return true;
}

bool HUDScrollView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Paint: {
            const bool handled = QScrollArea::event(event);
            drawOwnArea(static_cast<QPaintEvent*>(event));
            return handled;
        }
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            needsDisplay();
            break;
        default:
            break;
    }
    return QScrollArea::event(event);
}

void HUDScrollView::drawOwnArea(QPaintEvent* event) {
    waitIfNeeded(this);
    QPainter painter(this);
    const QColor fill =
        drawsBackground_ && backgroundColor_.isValid() ? backgroundColor_ : getSuperviewColor(this);
    for (const QRect& r : event->region()) painter.fillRect(r, fill);
    if (!enableDrawFocusRing_) return;
    // The frame always takes the main theme's strokes, whatever the view's key.
    const HUDTheme* t =
        HUDThemeManager::keyedManager()->themeForKey(QString::fromLatin1(kHUDGradientThemeKey));
    const QColor stroke =
        shouldDrawFocusRing_ && !focusRingAlwaysDark_ ? t->strokeColor() : t->darkStrokeColor();
    painter.setPen(QPen(stroke, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void HUDScrollView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    verticalScrollBar()->update();
    horizontalScrollBar()->update();
}

void HUDScrollView::mousePressEvent(QMouseEvent* event) {
    if (eventDelegate_ && eventDelegate_->mouseDown(event)) return;
    QScrollArea::mousePressEvent(event);
}

void HUDScrollView::dragEnterEvent(QDragEnterEvent* event) {
    forwardDragEnter(eventDelegate_, event);
}

void HUDScrollView::dragMoveEvent(QDragMoveEvent* event) {
    event->accept();
}

void HUDScrollView::dragLeaveEvent(QDragLeaveEvent* event) {
    if (eventDelegate_) eventDelegate_->draggingExited(event);
}

void HUDScrollView::dropEvent(QDropEvent* event) {
    forwardDrop(eventDelegate_, event);
}
