#include "hud/windows/VSeparableView.h"

#include "hud/theme/HUDTheme.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/HUDHeaderView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/VSeparableController.h"

#include <QPaintEvent>
#include <QPainter>

VSeparableView::VSeparableView(VSeparableController* controller, QWidget* parent)
    : HUDView(parent), toController_(controller) {}

void VSeparableView::setIsInsetView(bool on) {
    isInsetView_ = on;
    update();
}

int VSeparableView::minimumFrameHeight() const {
    const HUDHeaderView* header = toController_ ? toController_->getHeaderView() : nullptr;
    int height = (header ? header->height() : 0) + 40;
    if (minHeight_ != 0) height = std::max(height, int(minHeight_));
    return height;
}

void VSeparableView::setFrame(const QRect& frame) {
    setGeometry(QRect(frame.topLeft(),
                      QSize(frame.width(), std::max(frame.height(), minimumFrameHeight()))));
}

void VSeparableView::setFrameSize(const QSize& size) {
    int width = size.width();
    if (minWidth_ != 0) width = std::max(width, int(minWidth_));
    resize(width, std::max(size.height(), minimumFrameHeight()));
    update();
}

void VSeparableView::resizeEvent(QResizeEvent* event) {
    HUDView::resizeEvent(event);
    if (!toController_) return;
    HUDHeaderView* header = toController_->getHeaderView();
    QWidget* container = toController_->getContainerView();
    const int top = header && !header->isHidden() ? header->height() : 0;
    if (header) header->setGeometry(0, 0, width(), header->height());
    if (container) container->setGeometry(0, top, width(), height() - top);
}

void VSeparableView::drawHeaderUnderline(QPainter& painter) {
    const HUDHeaderView* header = toController_ ? toController_->getHeaderView() : nullptr;
    if (!header) return;
    // Below the header strip, which is at the top in these coordinates.
    painter.fillRect(QRectF(1, header->height() - 1, width() - 2, 1),
                     theme(this)->darkStrokeColor());
}

void VSeparableView::drawInsetFooterLineY(QPainter& painter) {
    painter.fillRect(QRectF(1, insetFooterLineY_, width() - 2, 1), theme(this)->darkStrokeColor());
}

void VSeparableView::drawInsetRect(QPainter& painter, const QRect& dirty) {
    const QRect inner = rect().adjusted(4, 4, -4, -4);
    const HUDHeaderView* header = toController_ ? toController_->getHeaderView() : nullptr;
    const bool headerShown = header && !header->isHidden();
    rebuiltBackground_ = false;
    if (inner.contains(dirty)) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(dirty, normalSolidFill());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (headerShown) drawHeaderUnderline(painter);
        if (insetFooterLineY_ != 0) drawInsetFooterLineY(painter);
        return;
    }
    if (backgroundImg_.size() != size()) {
        backgroundImg_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        backgroundImg_.fill(Qt::transparent);
        QPainter cache(&backgroundImg_);
        cache.fillRect(rect(), normalSolidFill());
        HUDTheme::drawInsetBoxInRect(cache, QRectF(0, 0, width(), height() - 2), true);
        if (headerShown) drawHeaderUnderline(cache);
        if (insetFooterLineY_ != 0) drawInsetFooterLineY(cache);
        rebuiltBackground_ = true;
    }
    painter.drawImage(dirty, backgroundImg_, dirty);
}

void VSeparableView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (isInsetView_) {
        drawInsetRect(painter, event->rect());
        return;
    }
    waitIfNeeded(this);
    const auto* window = qobject_cast<const HUDThemeKeloWindow*>(this->window());
    const bool panel = window && window->isPanel();
    painter.fillRect(event->rect(), panel ? floatingWindowColor() : backgroundColor());
    if (isBorderless_) return;
    painter.setClipRect(event->rect());
    painter.setPen(QPen(panel ? floatingWindowColor() : theme(this)->darkStrokeColor(), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
