// TbTabBarControl toward the outside: the tab view binding, the cell
// bindings, actions, mouse handling and drops onto the bar.
#include "tabbar/TbTabBarControl.h"

#include "platform/UserDefaults.h"
#include "tabbar/TbNotifications.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabBarController.h"
#include "tabbar/TbTabDragAssistant.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMetaProperty>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>

#include <cmath>

namespace {

constexpr double kDragThreshold = 10;
constexpr double kDefaultSpringDelay = 0.668;

const char* const kIdentifierKeys[] = {"icon", "countColor", "largeImage", "isEdited"};

bool answers(const QObject* object, const char* key) {
    return object && object->metaObject()->indexOfProperty(key) >= 0;
}

}  // namespace

// Binding.

void TbTabBarControl::bindPropertiesForCell(const std::shared_ptr<TbTabBarCell>& cell,
                                            const std::shared_ptr<TbTabViewItem>& item) {
    _bindPropertiesForCell(cell, item);
    std::weak_ptr<TbTabBarCell> weak = cell;
    connect(item.get(), &TbTabViewItem::labelChanged, this, [weak](const QString& label) {
        if (const auto cell = weak.lock()) cell->setTitle(label);
    });
    connect(item.get(), &TbTabViewItem::identifierChanged, this, [this, weak](const QVariant& old) {
        const auto cell = weak.lock();
        if (!cell || indexOfCell(cell.get()) < 0 || !cell->representedObject()) return;
        if (QObject* object = old.metaType() == QMetaType::fromType<QObject*>() ? old.value<QObject*>() : nullptr)
            disconnect(object, nullptr, this, nullptr);
        _bindPropertiesForCell(cell, cell->representedObject());
    });
}

void TbTabBarControl::_bindPropertiesForCell(const std::shared_ptr<TbTabBarCell>& cell,
                                             const std::shared_ptr<TbTabViewItem>& item) {
    if (cell->indicator()) cell->indicator()->setHidden(true);
    QObject* identifier = item->identifierObject();
    cell->setHasIcon(false);
    cell->setCount(0);
    cell->setCountColor({});
    cell->setHasLargeImage(false);
    cell->setIsEdited(false);
    if (identifier) {
        if (answers(identifier, "icon")) cell->setHasIcon(!identifier->property("icon").value<QImage>().isNull());
        if (answers(identifier, "countColor")) cell->setCountColor(identifier->property("countColor").value<QColor>());
        if (answers(identifier, "largeImage"))
            cell->setHasLargeImage(!identifier->property("largeImage").value<QImage>().isNull());
        if (answers(identifier, "isEdited")) cell->setIsEdited(identifier->property("isEdited").toBool());
        const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("identifierPropertyChanged()"));
        for (const char* key : kIdentifierKeys) {
            const int index = identifier->metaObject()->indexOfProperty(key);
            if (index < 0) continue;
            const QMetaProperty property = identifier->metaObject()->property(index);
            if (property.hasNotifySignal())
                connect(identifier, property.notifySignal(), this, slot, Qt::UniqueConnection);
        }
    }
    cell->setTitle(item->label());
}

void TbTabBarControl::identifierPropertyChanged() {
    // Re-read every bound value; the bar lays out once the current event is done.
    for (const auto& cell : cells_) {
        const auto item = cell->representedObject();
        QObject* identifier = item ? item->identifierObject() : nullptr;
        if (!identifier || identifier != sender()) continue;
        if (answers(identifier, "icon")) cell->setHasIcon(!identifier->property("icon").value<QImage>().isNull());
        if (answers(identifier, "countColor")) cell->setCountColor(identifier->property("countColor").value<QColor>());
        if (answers(identifier, "largeImage"))
            cell->setHasLargeImage(!identifier->property("largeImage").value<QImage>().isNull());
        if (answers(identifier, "isEdited")) cell->setIsEdited(identifier->property("isEdited").toBool());
    }
    queueUpdate();
}

void TbTabBarControl::unbindCell(TbTabBarCell* cell) {
    const auto item = cell->representedObject();
    if (!item) return;
    bool shared = false;
    for (const auto& other : cells_)
        if (other.get() != cell && other->representedObject() == item) shared = true;
    if (shared) return;
    disconnect(item.get(), nullptr, this, nullptr);
    if (QObject* identifier = item->identifierObject()) disconnect(identifier, nullptr, this, nullptr);
}

void TbTabBarControl::removeTabForCell(const std::shared_ptr<TbTabBarCell>& cell) {
    const auto keep = cell;
    unbindCell(cell.get());
    if (cell->indicator()) cell->indicator()->detach();
    const qsizetype index = indexOfCell(cell.get());
    if (index >= 0) removeCellAtIndex(index);
    update();
}

// Tab view delegate.

std::optional<bool> TbTabBarControl::tabViewShouldSelectTabViewItem(TbTabView* tabView,
                                                                    const std::shared_ptr<TbTabViewItem>& item) {
    if (delegate_) return delegate_->tabViewShouldSelectTabViewItem(tabView, item);
    return std::nullopt;
}

void TbTabBarControl::tabViewWillSelectTabViewItem(TbTabView* tabView, const std::shared_ptr<TbTabViewItem>& item) {
    if (delegate_) delegate_->tabViewWillSelectTabViewItem(tabView, item);
}

void TbTabBarControl::tabViewDidSelectTabViewItem(TbTabView* tabView, const std::shared_ptr<TbTabViewItem>& item) {
    const int index = tabView->indexOfTabViewItem(item.get());
    if (!cells_.empty() && index >= 0 && size_t(index) < cells_.size()) {
        const auto cell = cells_[size_t(index)];
        if (alwaysShowActiveTab_ && cell->isInOverflowMenu())
            moveSelectedOverflowedItemToFront(cell, item);
        else
            controller_->setSelectedCell(cell);
        display();
    }
    if (delegate_) delegate_->tabViewDidSelectTabViewItem(tabView, item);
}

void TbTabBarControl::moveSelectedOverflowedItemToFront(const std::shared_ptr<TbTabBarCell>& cell,
                                                         const std::shared_ptr<TbTabViewItem>& item) {
    TbTabViewDelegate* saved = tabView_->delegate();
    tabView_->setDelegate(nullptr);
    tabView_->removeTabViewItem(item);
    tabView_->insertTabViewItem(item, 0);
    const qsizetype from = indexOfCell(cell.get());
    cells_.erase(cells_.begin() + from);
    cells_.insert(cells_.begin(), cell);
    cell->setIsInOverflowMenu(false);
    cells_.back()->setIsInOverflowMenu(true);
    tabView_->setDelegate(saved);
    tabView_->selectTabViewItem(item);
    update();
}

void TbTabBarControl::tabViewDidChangeNumberOfTabViewItems(TbTabView* tabView) {
    const auto items = tabView->tabViewItems();
    const auto copy = cells_;
    for (const auto& cell : copy) {
        const auto item = cell->representedObject();
        if (!item || std::find(items.begin(), items.end(), item) != items.end()) continue;
        if (delegate_) delegate_->tabViewDidDetachTabViewItem(tabView, item);
        removeTabForCell(cell);
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const auto represented = representedTabViewItems();
        if (std::find(represented.begin(), represented.end(), items[i]) == represented.end())
            addTabViewItem(items[i], qsizetype(i));
    }
    if (delegate_) delegate_->tabViewDidChangeNumberOfTabViewItems(tabView);
}

// Actions.

void TbTabBarControl::tabClick(const std::shared_ptr<TbTabBarCell>& cell) {
    if (tabView_ && cell) tabView_->selectTabViewItem(cell->representedObject());
}

void TbTabBarControl::overflowMenuAction(QAction* item) {
    auto* target = static_cast<TbTabViewItem*>(item->data().value<void*>());
    if (!tabView_ || !target) return;
    tabView_->selectTabViewItemAtIndex(tabView_->indexOfTabViewItem(target));
}

void TbTabBarControl::closeTabClick(const std::shared_ptr<TbTabBarCell>& cell) {
    if (cells_.size() == 1 && !canCloseOnlyTab_) return;
    const auto keepCell = cell;
    const auto item = cell->representedObject();
    if (delegate_ && !delegate_->tabViewShouldCloseTabViewItem(tabView_, item).value_or(true)) {
        cell->setCloseButtonPressed(false);
        display();
        return;
    }
    if (delegate_) delegate_->tabViewWillCloseTabViewItem(tabView_, item);
    if (tabView_) tabView_->removeTabViewItem(item);
    if (delegate_) delegate_->tabViewDidCloseTabViewItem(tabView_, item);
}

bool TbTabBarControl::validateMenuItem(QAction* item) {
    auto* target = static_cast<TbTabViewItem*>(item->data().value<void*>());
    const auto selected = tabView_ ? tabView_->selectedTabViewItem() : nullptr;
    if (QMenu* menu = controller_->overflowMenu())
        for (QAction* action : menu->actions()) {
            action->setCheckable(true);
            action->setChecked(selected && action->data().value<void*>() == selected.get());
        }
    if (!delegate_ || !tabView_ || !target) return true;
    const auto item2 = tabView_->tabViewItemAtIndex(tabView_->indexOfTabViewItem(target));
    return delegate_->tabViewValidateOverflowMenuItem(tabView_, item, item2).value_or(true);
}

void TbTabBarControl::_delegateMouseEvent(const QMouseEvent& event) {
    if (!delegate_) return;
    if (const auto cell = cellForPoint(event.position()))
        delegate_->tabViewTabViewItemEvent(tabView_, cell->representedObject(), event);
}

// Mouse.

void TbTabBarControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    didDrag_ = false;
    const QPointF point = event->position();
    lastMouseDownPoint_ = point;
    lastMouseDownModifiers_ = event->modifiers();
    lastDragPoint_ = point;
    if (orientation_ == 1 && allowsResizing_ && partnerView_ && point.x() > width() - 3) resizing_ = true;

    QRectF frame;
    if (const auto cell = cellForPoint(point, &frame)) {
        const bool selected = tabView_ && cell->representedObject() == tabView_->selectedTabViewItem();
        if (cell->closeButtonRectForBounds(frame).contains(point) && !disableTabClose_ &&
            !cell->isCloseButtonSuppressed() &&
            (allowsBackgroundTabClosing_ || selected || (event->modifiers() & Qt::ControlModifier))) {
            cell->setCloseButtonOver(false);
            cell->setCloseButtonPressed(true);
            closeClicked_ = true;
            display();
        } else {
            cell->setCloseButtonPressed(false);
            if (selectsTabsOnMouseDown_ || tearOffStyle_ == 1) tabClick(cell);
            display();
        }
    }
    _delegateMouseEvent(*event);
}

void TbTabBarControl::mouseMoveEvent(QMouseEvent* event) {
    const QPointF point = event->position();
    TbTabDragAssistant* assistant = TbTabDragAssistant::sharedDragAssistant();
    if (assistant->isDragging() && assistant->sourceTabBar() == this) {
        assistant->draggingMovedTo(event->globalPosition());
        return;
    }
    if (!(event->buttons() & Qt::LeftButton) || !lastMouseDownPoint_) {
        // A vertical bar shows the resize cursor along its right edge.
        if (orientation_ == 1 && point.x() >= width() - 2)
            setCursor(Qt::SizeHorCursor);
        else if (orientation_ == 1)
            unsetCursor();
        // Hover: the tracking areas report entering and leaving.
        for (TbTrackingArea& area : trackingAreas_) {
            const bool inside = area.rect.contains(point);
            if (inside == area.mouseInside) continue;
            area.mouseInside = inside;
            if (const auto cell = area.cell.lock()) {
                if (inside)
                    cell->mouseEntered(area.userInfo, event->modifiers());
                else
                    cell->mouseExited(area.userInfo);
            }
            display();
        }
        return;
    }

    const QPointF delta = point - lastDragPoint_;
    lastDragPoint_ = point;
    if (resizing_) {
        const bool beyond = point.x() > width();
        if ((beyond && delta.x() > 0) || (!beyond && delta.x() < 0)) {
            setCursor(Qt::SizeHorCursor);
            const double newWidth = width() + delta.x();
            if (newWidth > double(cellMinWidth_) && newWidth < double(cellMaxWidth_) && partnerView_) {
                const int dx = int(std::lround(delta.x()));
                setGeometry(x(), y(), width() + dx, height());
                partnerView_->setGeometry(partnerView_->x() + dx, partnerView_->y(), partnerView_->width() - dx,
                                          partnerView_->height());
                if (parentWidget()) parentWidget()->QWidget::update();
            }
        }
        return;
    }

    QRectF frame;
    const auto cell = cellForPoint(*lastMouseDownPoint_, &frame);
    if (!cell) return;
    const QRectF closeRect = cell->closeButtonRectForBounds(frame);
    const bool selected = tabView_ && cell->representedObject() == tabView_->selectedTabViewItem();
    if (closeClicked_ && closeRect.contains(*lastMouseDownPoint_) && (allowsBackgroundTabClosing_ || selected)) {
        const bool pressed = closeRect.contains(point);
        if (pressed != cell->closeButtonPressed()) {
            cell->setCloseButtonPressed(pressed);
            display();
        }
        return;
    }
    const QPointF moved = point - *lastMouseDownPoint_;
    if (std::hypot(moved.x(), moved.y()) >= kDragThreshold && !didDrag_ && !assistant->isDragging() && delegate_ &&
        delegate_->tabViewShouldDragTabViewItem(tabView_, cell->representedObject(), this).value_or(false)) {
        didDrag_ = true;
        assistant->startDraggingCell(cell, this, *lastMouseDownPoint_, event->globalPosition());
    }
}

void TbTabBarControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    TbTabDragAssistant* assistant = TbTabDragAssistant::sharedDragAssistant();
    if (assistant->isDragging() && assistant->sourceTabBar() == this) {
        lastMouseDownPoint_.reset();
        closeClicked_ = false;
        assistant->dragReleasedAt(event->globalPosition());
        return;
    }
    if (resizing_) {
        resizing_ = false;
        unsetCursor();
        return;
    }
    const QPointF point = event->position();
    const QPointF down = lastMouseDownPoint_.value_or(point);
    lastMouseDownPoint_.reset();
    const auto target = cellForPoint(point);
    QRectF originFrame;
    const auto origin = cellForPoint(down, &originFrame);
    if (!target) {
        closeClicked_ = false;
        return;
    }
    const QRectF originClose = origin ? origin->closeButtonRectForBounds(originFrame) : QRectF();
    const bool upInOriginClose = origin && originClose.contains(point);
    if (upInOriginClose && !disableTabClose_ && !target->isCloseButtonSuppressed() &&
        origin->closeButtonPressed()) {
        if (event->modifiers() & Qt::AltModifier) {
            const auto copy = cells_;
            for (const auto& cell : copy)
                if (cell != target) closeTabClick(cell);
            target->setCloseButtonPressed(false);
        } else {
            closeTabClick(target);
        }
        closeClicked_ = false;
        display();
        return;
    }
    if (origin && originFrame.contains(point)) {
        origin->setCloseButtonPressed(false);
        if (target->closeButtonRectForBounds(target->frame()).contains(down) && allowsBackgroundTabClosing_ &&
            !disableTabClose_) {
            tabNothing();
        } else if (!selectsTabsOnMouseDown_) {
            tabClick(target);
        }
    } else if (origin) {
        origin->setCloseButtonPressed(false);
        tabNothing();
    }
    display();
    _delegateMouseEvent(*event);
    closeClicked_ = false;
}

void TbTabBarControl::leaveEvent(QEvent* event) {
    for (TbTrackingArea& area : trackingAreas_) {
        if (!area.mouseInside) continue;
        area.mouseInside = false;
        if (const auto cell = area.cell.lock()) cell->mouseExited(area.userInfo);
    }
    display();
    QWidget::leaveEvent(event);
}

void TbTabBarControl::contextMenuEvent(QContextMenuEvent* event) {
    const auto cell = cellForPoint(event->pos());
    if (!cell || !delegate_) return;
    if (QMenu* menu = delegate_->tabViewMenuForTabViewItem(tabView_, cell->representedObject()))
        menu->popup(event->globalPos());
}

bool TbTabBarControl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const auto cell = cellForPoint(help->pos());
        std::optional<QString> text;
        if (cell && delegate_) text = delegate_->tabViewToolTipForTabViewItem(tabView_, cell->representedObject());
        if (text)
            QToolTip::showText(help->globalPos(), *text, this, cell->frame().toRect());
        else
            QToolTip::hideText();
        return true;
    }
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) watchWindow();
    return QWidget::event(event);
}

// Drops of other kinds (files and the like) onto the bar, with spring-loading.

void TbTabBarControl::dragEnterEvent(QDragEnterEvent* event) {
    for (const QString& type : draggedTypes_)
        if (type != kTbTabBarControlItemPBType && event->mimeData()->hasFormat(type)) {
            event->acceptProposedAction();
            return;
        }
    event->ignore();
}

void TbTabBarControl::dragMoveEvent(QDragMoveEvent* event) {
    const auto cell = cellForPoint(event->position());
    if (!cell) {
        event->ignore();
        return;
    }
    if (cell->representedObject() != tabViewItemWithSpring_.lock()) {
        stopSpring();
        tabViewItemWithSpring_ = cell->representedObject();
    }
    springPoint_ = event->position();
    if (!springTimer_) {
        const QVariant stored = UserDefaults::standard().object(kTbSpringingDelayMillisecondsKey);
        const double delay = stored.isValid() ? stored.toDouble() / 1000.0 : kDefaultSpringDelay;
        springTimer_ = new QTimer(this);
        springTimer_->setSingleShot(true);
        connect(springTimer_, &QTimer::timeout, this, &TbTabBarControl::fireSpring);
        springTimer_->start(int(std::lround(delay * 1000)));
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TbTabBarControl::fireSpring() {
    if (const auto cell = cellForPoint(springPoint_)) tabClick(cell);
    tabViewItemWithSpring_.reset();
    stopSpring();
}

void TbTabBarControl::stopSpring() {
    if (springTimer_) springTimer_->deleteLater();
    springTimer_ = nullptr;
}

void TbTabBarControl::dragLeaveEvent(QDragLeaveEvent* event) {
    stopSpring();
    QWidget::dragLeaveEvent(event);
}

void TbTabBarControl::dropEvent(QDropEvent* event) {
    stopSpring();
    performDragOperation(event->mimeData(), event->position());
    event->acceptProposedAction();
}

bool TbTabBarControl::performDragOperation(const QMimeData* data, const QPointF& point) {
    if (!data) {
        TbTabDragAssistant::sharedDragAssistant()->performDragOperation();
        return true;
    }
    const auto cell = cellForPoint(point);
    if (delegate_) delegate_->tabViewAcceptedDraggingInfo(tabView_, data, cell ? cell->representedObject() : nullptr);
    return true;
}
