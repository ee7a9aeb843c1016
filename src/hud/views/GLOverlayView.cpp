#include "hud/views/GLOverlayView.h"

#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/windows/ToolTipWindowProtocol.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

GLOverlayView::GLOverlayView(QWidget* relativeView, const QSize& size, int32_t margin,
                             bool isParentModal)
    : QWidget(nullptr),
      relativeView_(relativeView),
      margin_(margin),
      isParentModal_(isParentModal) {
    setWindowFlags(windowFlagsForMode());
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(false);
    resize(size);
    setMouseTracking(true);
}

GLOverlayView::~GLOverlayView() = default;

Qt::WindowFlags GLOverlayView::windowFlagsForMode() const {
    // Tool-tip windows are the kind a modal dialog never blocks.
    return (isParentModal_ ? Qt::ToolTip : Qt::Tool) | Qt::FramelessWindowHint;
}

void GLOverlayView::position() {
    if (!relativeView_) return;
    if (!parentWindow_) parentWindow_ = relativeView_->window();
    const QPoint origin = relativeView_->mapToGlobal(QPoint(0, 0));
    move(origin.x() + margin_, origin.y() + margin_);
}

void GLOverlayView::parentWindowResized() {
    position();
}

void GLOverlayView::updateVisible(bool visible, bool force) {
    if (!force && visible == isVisible_) return;
    resetCursorRects();
    isVisible_ = visible;
    if (visible) {
        if (!parentWidget()) {
            if (!parentWindow_ && relativeView_) parentWindow_ = relativeView_->window();
            // Attached, the window stays above the canvas's window.
            if (parentWindow_) setParent(parentWindow_, windowFlagsForMode());
            position();
        }
        show();
        raise();
    } else {
        setParent(nullptr, windowFlagsForMode());
        hide();
    }
    if (isVisible_ && initDone_ && relativeView_) {
        // A GL canvas drops a repaint that comes right after another one;
        // the update makes sure that frame still follows.
        relativeView_->update();
        relativeView_->repaint();
    }
    initDone_ = true;
}

void GLOverlayView::adjustTrackingArea() {
    setMouseTracking(true);
    mouseMoved();
}

void GLOverlayView::resetCursorRects() {
    adjustTrackingArea();
    setCursor(Qt::ArrowCursor);
}

void GLOverlayView::mouseMoved() {
    // The canvas below may have set a tool cursor.
    setCursor(Qt::ArrowCursor);
}

void GLOverlayView::mouseMoveEvent(QMouseEvent* event) {
    mouseMoved();
    QWidget::mouseMoveEvent(event);
}

void GLOverlayView::enterEvent(QEnterEvent* event) {
    mouseMoved();
    QWidget::enterEvent(event);
}

void GLOverlayView::leaveEvent(QEvent* event) {
    // Info-bar text its controls set goes when the mouse leaves them.
    if (auto* toolTipWindow = dynamic_cast<ToolTipWindowProtocol*>(parentWindow_.data())) {
        if (!toolTipWindow->toolTipInfo(nullptr).isEmpty()) {
            toolTipWindow->setToolTipInfo(QString(), QColor());
        }
    }
    QWidget::leaveEvent(event);
}

void GLOverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QColor backing = darkStrokeColor();
    backing.setAlphaF(0.9f);
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow()) painter.fillRect(widget->geometry(), backing);
    }
}
