#include "hud/views/HUDHeaderView.h"

#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/ToolTipWindowProtocol.h"
#include "hud/views/VNSViewCategory.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace {

// Movement before a press in the header counts as a drag.
constexpr float kDragThreshold = 8.0f;

bool isReadOnlyText(const QWidget* widget) {
    if (qobject_cast<const QLabel*>(widget)) return true;
    const auto* field = qobject_cast<const QLineEdit*>(widget);
    return field && field->isReadOnly();
}

}  // namespace

HUDHeaderView::HUDHeaderView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    setMouseTracking(true);
}

HUDHeaderView::~HUDHeaderView() = default;

void HUDHeaderView::setIsBorderless(bool borderless) {
    isBorderless_ = borderless;
    update();
}

void HUDHeaderView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    update();
}

void HUDHeaderView::setIsZeroOpacity(bool zero) {
    isZeroOpacity_ = zero;
    // Drawing nothing must let the views behind show.
    setAttribute(Qt::WA_OpaquePaintEvent, !zero);
    update();
}

void HUDHeaderView::paintEvent(QPaintEvent* event) {
    if (isZeroOpacity_) return;
    waitIfNeeded(this);
    const HUDTheme* t = theme();
    if (!backgroundColor_.isValid()) backgroundColor_ = t->headerFillColor();
    QPainter painter(this);
    if (isBorderless_) {
        painter.fillRect(event->rect(), backgroundColor_);
        return;
    }
    const QRectF bounds(rect());
    if (QRectF(event->rect()) != bounds) painter.setClipRect(event->rect());
    painter.fillRect(bounds, backgroundColor_);
    const QColor stroke = windowIsPanel(this) ? t->darkerStrokeColor() : t->darkStrokeColor();
    painter.setPen(QPen(stroke, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
}

void HUDHeaderView::mousePressEvent(QMouseEvent* event) {
    startPt_ = event->position().toPoint();
    mouseDragged_ = false;
    QWidget::mousePressEvent(event);
}

void HUDHeaderView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) {
        showInfo();
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!delegate_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!mouseDragged_) {
        const float distance =
            std::fabs(float(at.x() - startPt_.x())) + std::fabs(float(at.y() - startPt_.y()));
        if (distance < kDragThreshold) return;
        mouseDragged_ = true;
    }
    if (auto* dragger = dynamic_cast<DragFromProtocol*>(delegate_.data())) {
        dragger->dragFromView(this, startPt_, event);
    }
}

bool HUDHeaderView::delegateHasMenu() const {
    return dynamic_cast<RightClickMenuProtocol*>(delegate_.data()) != nullptr;
}

QMenu* HUDHeaderView::menuForEvent(QMouseEvent* event) {
    if (auto* provider = dynamic_cast<RightClickMenuProtocol*>(delegate_.data())) {
        return provider->menuForEvent(event, this);
    }
    return nullptr;
}

void HUDHeaderView::menuAction(QObject* sender) {
    if (!delegate_) return;
    const QMetaObject* meta = delegate_->metaObject();
    if (meta->indexOfMethod("menuAction(QObject*)") < 0) return;
    QMetaObject::invokeMethod(delegate_.data(), "menuAction", Q_ARG(QObject*, sender));
}

void HUDHeaderView::contextMenuEvent(QContextMenuEvent* event) {
    QMouseEvent mouse(QEvent::MouseButtonPress, event->pos(), event->globalPos(), Qt::RightButton,
                      Qt::RightButton, event->modifiers());
    QMenu* menu = menuForEvent(&mouse);
    if (!menu) {
        QWidget::contextMenuEvent(event);
        return;
    }
    menu->exec(event->globalPos());
}

void HUDHeaderView::showInfo() {
    if (!infoBarToolTip_.isEmpty()) {
        if (auto* window = dynamic_cast<ToolTipWindowProtocol*>(this->window())) {
            window->setToolTipInfo(infoBarToolTip_, QColor());
        }
    }
    // No contextual-menu cursor here: the pointing hand tells that the header answers clicks.
    if (delegateHasMenu()) setCursor(Qt::PointingHandCursor);
}

void HUDHeaderView::enterEvent(QEnterEvent* event) {
    showInfo();
    QWidget::enterEvent(event);
}

void HUDHeaderView::leaveEvent(QEvent* event) {
    setCursor(Qt::ArrowCursor);
    if (!infoBarToolTip_.isEmpty()) {
        if (auto* window = dynamic_cast<ToolTipWindowProtocol*>(this->window())) {
            window->setToolTipInfo(QString(), QColor());
        }
    }
    QWidget::leaveEvent(event);
}

QWidget* HUDHeaderView::hitTest(const QPoint& point) {
    QWidget* hit = childAt(point);
    if (!hit) return rect().contains(point) ? this : nullptr;
    if (hit->parentWidget() == this && isReadOnlyText(hit)) return this;
    return hit;
}

void HUDHeaderView::passMouseThroughLabels() {
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow()) {
            widget->setAttribute(Qt::WA_TransparentForMouseEvents, isReadOnlyText(widget));
        }
    }
}

bool HUDHeaderView::event(QEvent* event) {
    if (event->type() == QEvent::ChildPolished || event->type() == QEvent::Show) {
        passMouseThroughLabels();
    }
    return QWidget::event(event);
}
