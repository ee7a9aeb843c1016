#include "tabbar/TbTabDragAssistant.h"

#include "foundation/OmLog.h"
#include "platform/NotificationCenter.h"
#include "tabbar/TbNotifications.h"
#include "tabbar/TbOverflowPopUpButton.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbRolloverButton.h"
#include "tabbar/TbTabBarCell.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabDragView.h"
#include "tabbar/TbTabDragWindow.h"
#include "tabbar/TbTabDragWindowController.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QApplication>
#include <QEasingCurve>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kTickMilliseconds = 1000 / 30;
constexpr double kFadeStep = 0.15;
constexpr double kDragWindowAlpha = 0.75;
constexpr double kMiniwindowSide = 125;
constexpr int kTitleBarHeight = 22;

bool vertical(const TbTabBarControl* bar) {
    return bar->orientation() == 1;
}

}  // namespace

TbTabDragAssistant* TbTabDragAssistant::sharedDragAssistant() {
    // Deliberately leaked: it lives as long as the process.
    static TbTabDragAssistant* shared = new TbTabDragAssistant;
    return shared;
}

bool TbTabDragAssistant::isParticipating(TbTabBarControl* bar) const {
    for (const auto& p : participatingTabBars_)
        if (p == bar) return true;
    return false;
}

std::vector<double> TbTabDragAssistant::placeholderWidths(const QSizeF& cellSize, bool isVertical) {
    const double s = isVertical ? cellSize.height() + 1 : cellSize.width() + 6;
    std::vector<double> widths;
    for (int i = 0; i < 7; ++i)
        widths.push_back(std::trunc(s - (std::sin(i * 0.125 * M_PI + M_PI / 2) * s * 0.5 + s * 0.5)));
    widths.push_back(std::trunc(isVertical ? cellSize.height() : cellSize.width()));
    return widths;
}

void TbTabDragAssistant::startDraggingCell(const std::shared_ptr<TbTabBarCell>& cell, TbTabBarControl* bar,
                                           const QPointF& mouseDownPoint, const QPointF& globalPoint) {
    isDragging_ = true;
    sourceTabBar_ = bar;
    destinationTabBar_ = bar;
    hoverBar_ = bar;
    participatingTabBars_ = {bar};
    draggedCell_ = cell;
    draggedCellIndex_ = bar->indexOfCell(cell.get());
    sineCurveWidths_ = placeholderWidths(cell->frame().size(), vertical(bar));
    bar->overflowPopUpButton()->hide();
    bar->addTabButton()->hide();
    QApplication::setOverrideCursor(Qt::ClosedHandCursor);

    const QImage image = cell->dragImage();
    if (cell->indicator()) cell->indicator()->detach();
    distributePlaceholdersInTabBarControl(bar, cell);
    cell->setHighlighted(false);
    dragImageOffset_ = cell->draggingRect().topLeft() - mouseDownPoint;

    animationTimer_ = new QTimer(this);
    animationTimer_->setInterval(kTickMilliseconds);
    connect(animationTimer_, &QTimer::timeout, this, &TbTabDragAssistant::animateDrag);
    animationTimer_->start();
    NotificationCenter::defaultCenter().post(kTbTabDragDidBeginNotification);

    TbTabBarControlDelegate* delegate = bar->delegate();
    if (delegate && delegate->tabViewShouldDropTabViewItem(bar->tabView(), cell->representedObject(), nullptr)
                        .value_or(false)) {
        currentTearOffStyle_ = bar->tearOffStyle();
        draggedTab_ = std::make_unique<TbTabDragWindowController>(image, 0, currentTearOffStyle_);
    } else {
        dragImageWindow_ = TbTabDragWindow::dragWindowWithImage(image, 0);
        dragImageWindow_->setWindowOpacity(kDragWindowAlpha);
        dragImageWindow_->move((globalPoint + dragImageOffset_).toPoint());
        dragImageWindow_->show();
    }
    draggingBeganAt(globalPoint);
}

// Destination side.

void TbTabDragAssistant::draggingEnteredTabBarControl(TbTabBarControl* bar, const QPointF& point) {
    if (currentTearOffStyle_ == 1 && !destinationTabBar_ && draggedTab_ && draggedTab_->showingAlternate())
        draggedTab_->switchImages();
    destinationTabBar_ = bar;
    currentMouseLoc_ = point;
    bar->overflowPopUpButton()->hide();
    bar->addTabButton()->hide();
    const auto cells = bar->cells();
    if (cells.empty() || !cells.front()->isPlaceholder()) distributePlaceholdersInTabBarControl(bar);
    if (!isParticipating(bar)) participatingTabBars_.push_back(bar);
    if (currentTearOffStyle_ == 0 && draggedView_) {
        delete fadeTimer_;
        fadeTimer_ = nullptr;
        if (draggedTab_) draggedTab_->window()->raise();
        startFade(false);
    }
}

void TbTabDragAssistant::draggingUpdatedInTabBarControl(TbTabBarControl* bar, const QPointF& point) {
    if (destinationTabBar_ != bar) destinationTabBar_ = bar;
    currentMouseLoc_ = point;
}

void TbTabDragAssistant::draggingExitedTabBarControl(TbTabBarControl* bar) {
    if (TbTabBarControlDelegate* delegate = bar->delegate();
        delegate && sourceTabBar_ &&
        !delegate->tabViewShouldAllowTabViewItemToLeaveTabBar(sourceTabBar_->tabView(),
                                                              draggedCell_->representedObject(), bar)
             .value_or(true))
        return;
    destinationTabBar_ = nullptr;
    currentMouseLoc_ = QPointF(-1, -1);
    if (fadeTimer_) {
        delete fadeTimer_;
        fadeTimer_ = nullptr;
        startFade(true);
        return;
    }
    if (!draggedTab_) return;

    if (currentTearOffStyle_ == 1) {
        if (draggedTab_->alternateImage().isNull()) {
            QImage image = _miniwindowImageOfWindow(bar->window());
            unsigned mask = 0;
            if (image.isNull()) image = _imageForViewOfCell(*draggedCell_, &mask);
            if (!image.isNull())
                image = image.scaled(QSize(int(kMiniwindowSide), int(kMiniwindowSide)), Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation);
            draggedTab_->setAlternateImage(image);
        }
    } else if (!draggedView_) {
        unsigned mask = 0;
        const QImage image = _imageForViewOfCell(*draggedCell_, &mask);
        draggedView_ = std::make_unique<TbTabDragWindowController>(image, mask, 0);
        draggedView_->window()->setWindowOpacity(0);
        const QPoint tabOrigin = draggedTab_->window()->pos();
        draggedView_->window()->move(tabOrigin - QPoint(int(dragWindowOffset_.width()), int(dragWindowOffset_.height())));
        draggedView_->window()->show();
        draggedTab_->window()->raise();
    }

    TbTabBarControl* source = sourceTabBar_;
    TbTabBarControlDelegate* delegate = source ? source->delegate() : nullptr;
    if (source && source->tabView()->numberOfTabViewItems() == 1 && bar == source && delegate &&
        delegate->tabViewNewTabBarForDraggedTabViewItem(source->tabView(), nullptr, QPointF()).has_value()) {
        hiddenSourceWindow_ = source->window();
        source->window()->setWindowOpacity(0);
        if (source->tearOffStyle() == 0 && draggedView_) draggedView_->window()->setWindowOpacity(kDragWindowAlpha);
        return;
    }
    if (source && source->tearOffStyle() != 0) {
        draggedTab_->switchImages();
        centersDragWindows_ = true;
        return;
    }
    startFade(true);
}

void TbTabDragAssistant::startFade(bool fadeIn) {
    delete fadeTimer_;
    fadeTimer_ = new QTimer(this);
    fadeTimer_->setInterval(kTickMilliseconds);
    connect(fadeTimer_, &QTimer::timeout, this,
            fadeIn ? &TbTabDragAssistant::fadeInDragWindow : &TbTabDragAssistant::fadeOutDragWindow);
    fadeTimer_->start();
}

void TbTabDragAssistant::fadeInDragWindow() {
    QWidget* view = draggedView_ ? draggedView_->window() : nullptr;
    QWidget* tab = draggedTab_ ? draggedTab_->window() : nullptr;
    if (view && tab && view->windowOpacity() < kDragWindowAlpha) {
        tab->setWindowOpacity(tab->windowOpacity() - kFadeStep);
        view->setWindowOpacity(view->windowOpacity() + kFadeStep);
        return;
    }
    fadeTimer_->deleteLater();
    fadeTimer_ = nullptr;
}

void TbTabDragAssistant::fadeOutDragWindow() {
    QWidget* view = draggedView_ ? draggedView_->window() : nullptr;
    QWidget* tab = draggedTab_ ? draggedTab_->window() : nullptr;
    if (!view || view->windowOpacity() <= 0) {
        if (view) view->setWindowOpacity(0);
        if (tab) tab->setWindowOpacity(kDragWindowAlpha);
        fadeTimer_->deleteLater();
        fadeTimer_ = nullptr;
        return;
    }
    if (tab && tab->windowOpacity() < kDragWindowAlpha) tab->setWindowOpacity(tab->windowOpacity() + kFadeStep);
    view->setWindowOpacity(view->windowOpacity() - kFadeStep);
}

void TbTabDragAssistant::performDragOperation() {
    TbTabBarControl* destination = destinationTabBar_;
    TbTabBarControl* source = sourceTabBar_;
    if (!destination || !source || !draggedCell_) return finishDrag();
    const auto item = draggedCell_->representedObject();

    auto cells = destination->cells();
    qsizetype i = targetCell_ ? destination->indexOfCell(targetCell_.get()) : -1;
    if (i < 0 || i >= qsizetype(cells.size())) i = qsizetype(cells.size()) - 1;
    if (i >= 0)
        destination->replaceCellAtIndex(i, draggedCell_);
    else
        destination->addCell(draggedCell_);
    draggedCell_->setControlView(destination);

    qsizetype newIndex = -1;
    if (destination == source) {
        removeAllPlaceholdersFromTabBarControl(destination);
        newIndex = destination->indexOfCell(draggedCell_.get());
        TbTabView* tabView = destination->tabView();
        const bool wasSelected = tabView->selectedTabViewItem() == item;
        TbTabViewDelegate* saved = tabView->delegate();
        tabView->setDelegate(nullptr);
        tabView->removeTabViewItem(item);
        tabView->insertTabViewItem(item, int(newIndex));
        if (wasSelected) tabView->selectTabViewItem(item);
        tabView->setDelegate(saved);
        destination->update(false);
    } else {
        source->unbindCell(draggedCell_.get());
        int index = 0;
        for (const auto& cell : destination->cells()) {
            if (cell == draggedCell_) break;
            if (!cell->isPlaceholder()) ++index;
        }
        source->tabView()->removeTabViewItem(item);
        destination->tabView()->insertTabViewItem(item, index);
        if (destination->automaticallyAnimates() && index >= 1) {
            const auto before = destination->cells()[size_t(index - 1)];
            draggedCell_->setFrame(before->frame().translated(before->frame().width(), 0));
        }
        destination->bindPropertiesForCell(draggedCell_, item);
        destination->tabView()->selectTabViewItem(item);
    }

    if (destination != source || newIndex != draggedCellIndex_)
        if (TbTabBarControlDelegate* delegate = source->delegate())
            delegate->tabViewDidDropTabViewItem(source->tabView(), item, destination);
    NotificationCenter::defaultCenter().post(kTbTabDragDidEndNotification);
    finishDrag();
}

// Source side.

void TbTabDragAssistant::draggingBeganAt(const QPointF& point) {
    if (!draggedTab_) return;
    draggedTab_->window()->move((point + dragImageOffset_).toPoint());
    draggedTab_->window()->show();
    if (sourceTabBar_ && sourceTabBar_->tabView()->numberOfTabViewItems() == 1)
        draggingExitedTabBarControl(sourceTabBar_);
}

TbTabBarControl* TbTabDragAssistant::barAtPoint(const QPointF& global) const {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible() || qobject_cast<TbTabDragWindow*>(top)) continue;
        const auto bars = top->findChildren<TbTabBarControl*>();
        for (TbTabBarControl* bar : bars) {
            if (!bar->isVisible()) continue;
            if (bar->rect().contains(bar->mapFromGlobal(global).toPoint())) return bar;
        }
        if (auto* bar = qobject_cast<TbTabBarControl*>(top); bar && bar->rect().contains(bar->mapFromGlobal(global).toPoint()))
            return bar;
    }
    return nullptr;
}

bool TbTabDragAssistant::mayDropOn(TbTabBarControl* bar) const {
    TbTabBarControlDelegate* delegate = bar->delegate();
    if (!delegate || !sourceTabBar_) return true;
    return delegate->tabViewShouldDropTabViewItem(sourceTabBar_->tabView(), draggedCell_->representedObject(), bar)
        .value_or(true);
}

void TbTabDragAssistant::draggingMovedTo(const QPointF& point) {
    if (!isDragging_) return;
    TbTabBarControl* bar = barAtPoint(point);
    if (bar && !mayDropOn(bar)) bar = nullptr;
    if (bar != hoverBar_) {
        if (hoverBar_) draggingExitedTabBarControl(hoverBar_);
        hoverBar_ = bar;
        if (bar) draggingEnteredTabBarControl(bar, bar->mapFromGlobal(point));
    } else if (bar) {
        draggingUpdatedInTabBarControl(bar, bar->mapFromGlobal(point));
    }

    if (dragImageWindow_) dragImageWindow_->move((point + dragImageOffset_).toPoint());
    if (!draggedTab_) return;
    QWidget* tab = draggedTab_->window();
    if (centersDragWindows_) {
        if (!draggedTab_->isAnimating())
            tab->move(int(point.x() - tab->width() / 2.0), int(point.y() - tab->height() / 2.0));
    } else {
        tab->move((point + dragImageOffset_).toPoint());
    }
    if (draggedView_)
        draggedView_->window()->move(tab->pos() - QPoint(int(dragWindowOffset_.width()), int(dragWindowOffset_.height())));
}

void TbTabDragAssistant::dragReleasedAt(const QPointF& point) {
    if (!isDragging_) return;
    draggingMovedTo(point);
    // The slot under the release point, even when no slide tick ran since
    // the last move.
    animateDrag();
    if (destinationTabBar_)
        performDragOperation();
    else
        draggedImageEndedAt(point);
}

void TbTabDragAssistant::restoreCellToSource() {
    TbTabBarControl* source = sourceTabBar_;
    if (!source || !draggedCell_) return;
    removeAllPlaceholdersFromTabBarControl(source);
    if (source->indexOfCell(draggedCell_.get()) < 0) source->insertCell(draggedCell_, draggedCellIndex_);
    draggedCell_->setControlView(source);
    source->update(false);
}

void TbTabDragAssistant::draggedImageEndedAt(const QPointF& point) {
    if (!isDragging_) return;
    TbTabBarControl* source = sourceTabBar_;
    TbTabBarControlDelegate* delegate = source ? source->delegate() : nullptr;
    const auto item = draggedCell_ ? draggedCell_->representedObject() : nullptr;
    std::optional<TbTabBarControl*> answer;
    if (!destinationTabBar_ && delegate &&
        delegate->tabViewShouldDropTabViewItem(source->tabView(), item, nullptr).value_or(false))
        answer = delegate->tabViewNewTabBarForDraggedTabViewItem(source->tabView(), item, point);

    if (answer && *answer) {
        TbTabBarControl* bar = *answer;
        removeAllPlaceholdersFromTabBarControl(source);
        source->unbindCell(draggedCell_.get());
        bar->insertCell(draggedCell_, 0);
        bar->bindPropertiesForCell(draggedCell_, item);
        draggedCell_->setControlView(bar);
        source->tabView()->removeTabViewItem(item);
        bar->tabView()->addTabViewItem(item);
        bar->update(false);
        if (source->tearOffStyle() == 1) {
            _expandWindow(bar->window(), point);
        } else {
            bar->window()->show();
            bar->window()->raise();
            bar->window()->activateWindow();
        }
        delegate->tabViewDidDropTabViewItem(source->tabView(), item, bar);
    } else {
        if (answer) OmLogNoFlood(kOmLogWarning, "Delegate returned no control to add to.");
        restoreCellToSource();
    }
    NotificationCenter::defaultCenter().post(kTbTabDragDidEndNotification);
    finishDrag();
}

void TbTabDragAssistant::finishDrag() {
    TbTabBarControl* source = sourceTabBar_;
    if (source && source->tabView() && source->tabView()->numberOfTabViewItems() == 0 && source->delegate())
        source->delegate()->tabViewCloseWindowForLastTabViewItem(
            source->tabView(), draggedCell_ ? draggedCell_->representedObject() : nullptr);
    // A source window made transparent for a last tab that came back is shown again.
    if (hiddenSourceWindow_) hiddenSourceWindow_->setWindowOpacity(1);
    hiddenSourceWindow_ = nullptr;
    draggedTab_.reset();
    draggedView_.reset();
    dragImageWindow_.reset();
    delete fadeTimer_;
    fadeTimer_ = nullptr;
    centersDragWindows_ = false;
    isDragging_ = false;
    if (source) removeAllPlaceholdersFromTabBarControl(source);
    for (const auto& bar : participatingTabBars_)
        if (bar) removeAllPlaceholdersFromTabBarControl(bar);
    sourceTabBar_ = nullptr;
    destinationTabBar_ = nullptr;
    hoverBar_ = nullptr;
    participatingTabBars_.clear();
    draggedCell_.reset();
    draggedCellIndex_ = -1;
    delete animationTimer_;
    animationTimer_ = nullptr;
    sineCurveWidths_.clear();
    targetCell_.reset();
    currentMouseLoc_ = QPointF(-1, -1);
    QApplication::restoreOverrideCursor();
}

// Placeholders.

void TbTabDragAssistant::animateDrag() {
    const auto bars = participatingTabBars_;
    for (const auto& bar : bars) {
        if (!bar) continue;
        calculateDragAnimationForTabBarControl(bar);
        bar->QWidget::update();
    }
    emit dragAnimated();
}

void TbTabDragAssistant::calculateDragAnimationForTabBarControl(TbTabBarControl* bar) {
    const bool isVertical = vertical(bar);
    double position = isVertical ? bar->tabStyle().topMarginForTabBarControl(*bar).value_or(bar->topMargin())
                                 : bar->tabStyle().leftMarginForTabBarControl(*bar).value_or(bar->leftMargin());
    const auto cells = bar->cells();
    std::shared_ptr<TbTabBarCell> target;
    bool cleanUp = false;
    if (bar != destinationTabBar_) {
        cleanUp = true;
    } else {
        if (!isVertical && currentMouseLoc_.x() < bar->leftMargin()) {
            target = cells.empty() ? nullptr : cells.front();
        } else if (const auto cell = bar->cellForPoint(currentMouseLoc_)) {
            if (cell->isPlaceholder()) {
                target = cell;
            } else {
                const qsizetype index = bar->indexOfCell(cell.get());
                const bool after = isVertical ? cell->frame().center().y() <= currentMouseLoc_.y()
                                              : cell->frame().center().x() <= currentMouseLoc_.x();
                const qsizetype neighbour = after ? index + 1 : index - 1;
                if (neighbour >= 0 && neighbour < qsizetype(cells.size())) target = cells[size_t(neighbour)];
            }
        } else {
            target = bar->lastVisibleTab();
        }
        targetCell_ = target;
    }

    for (const auto& cell : cells) {
        if (cell->isInOverflowMenu()) break;
        QRectF frame = cell->frame();
        if (cell->isPlaceholder()) {
            if (cell == target) {
                cell->setCurrentStep(cell->currentStep() + 1);
            } else {
                cell->setCurrentStep(cell->currentStep() - 1);
                if (cell->currentStep() > 0) cleanUp = false;
            }
            const double size = sineCurveWidths_.empty() ? 0 : sineCurveWidths_[size_t(cell->currentStep())];
            if (isVertical)
                frame.setHeight(size);
            else
                frame.setWidth(size);
        }
        if (isVertical)
            frame.moveTop(position);
        else
            frame.moveLeft(position);
        position += isVertical ? frame.height() : frame.width();
        cell->setFrame(frame);
        if (cell->indicator()) cell->indicator()->setGeometry(cell->indicatorRectForBounds(frame).toRect());
    }

    if (cleanUp) {
        std::erase_if(participatingTabBars_, [bar](const QPointer<TbTabBarControl>& p) { return p == bar; });
        removeAllPlaceholdersFromTabBarControl(bar);
    }
}

void TbTabDragAssistant::distributePlaceholdersInTabBarControl(TbTabBarControl* bar) {
    const qsizetype n = bar->numberOfVisibleTabs();
    const QRectF frame = draggedCell_ ? draggedCell_->frame() : QRectF();
    for (qsizetype i = 0; i < n; ++i)
        bar->insertCell(TbTabBarCell::initPlaceholderWithFrame(frame, false, bar), 2 * i);
    auto last = TbTabBarCell::initPlaceholderWithFrame(frame, false, bar);
    if (qsizetype(bar->cells().size()) > 2 * n)
        bar->insertCell(last, 2 * n);
    else
        bar->addCell(last);
}

void TbTabDragAssistant::distributePlaceholdersInTabBarControl(TbTabBarControl* bar,
                                                               const std::shared_ptr<TbTabBarCell>& cell) {
    distributePlaceholdersInTabBarControl(bar);
    const qsizetype index = bar->indexOfCell(cell.get());
    if (index < 0) return;
    bar->replaceCellAtIndex(index, TbTabBarCell::initPlaceholderWithFrame(cell->frame(), true, bar));
    if (index >= 2) {
        // The tab before the gap no longer has the selected tab after it.
        const auto before = bar->cells()[size_t(index - 2)];
        before->setTabState(before->tabState() & ~TbTabStateNextSelected);
    }
    bar->removeCellAtIndex(index + 1);
    bar->removeCellAtIndex(index - 1);
}

void TbTabDragAssistant::removeAllPlaceholdersFromTabBarControl(TbTabBarControl* bar) {
    const auto cells = bar->cells();
    for (auto it = cells.rbegin(); it != cells.rend(); ++it)
        if ((*it)->isPlaceholder()) bar->removeTabForCell(*it);
    bar->update(false);
}

// Images.

QImage TbTabDragAssistant::_imageForViewOfCell(TbTabBarCell& cell, unsigned* styleMask) {
    *styleMask = 0;
    TbTabBarControl* bar = cell.controlView();
    const auto item = cell.representedObject();
    QImage image;
    if (bar && bar->delegate()) {
        dragWindowOffset_ = QSizeF();
        if (auto answer = bar->delegate()->tabViewImageForTabViewItem(bar->tabView(), item, &dragWindowOffset_,
                                                                       styleMask)) {
            image = *answer;
            if (draggedTab_ && !image.isNull()) {
                QPainter p(&image);
                p.drawImage(QPointF(dragWindowOffset_.width(), dragWindowOffset_.height()), draggedTab_->image());
            }
        }
    }
    if (image.isNull() && item && item->view()) image = item->view()->grab().toImage();
    if (*styleMask) dragWindowOffset_.setHeight(dragWindowOffset_.height() + kTitleBarHeight);
    return image;
}

QImage TbTabDragAssistant::_miniwindowImageOfWindow(QWidget* window) {
    return window ? window->grab().toImage() : QImage();
}

void TbTabDragAssistant::_expandWindow(QWidget* window, const QPointF& point) {
    const QRect full(int(point.x() - window->width() / 2.0), int(point.y() - window->height() / 2.0),
                     window->width(), window->height());
    window->setGeometry(full);
    window->setWindowOpacity(0);
    window->show();
    window->raise();
    window->activateWindow();
    auto* timer = new QTimer(window);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(kTickMilliseconds);
    connect(timer, &QTimer::timeout, window, [window, timer, clock, full] {
        const double linear = std::min(1.0, 0.1 + clock->elapsed() / 250.0);
        const double v = QEasingCurve(QEasingCurve::InOutSine).valueForProgress(linear);
        const QSizeF size = QSizeF(full.size()) * std::max(v, 0.1);
        window->setGeometry(QRectF(QPointF(full.center()) - QPointF(size.width(), size.height()) / 2, size).toRect());
        window->setWindowOpacity(v);
        if (linear >= 1.0) {
            window->setGeometry(full);
            window->setWindowOpacity(1);
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}
