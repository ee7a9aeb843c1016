#include "tabbar/TbTabBarControl.h"

#include "foundation/OmLog.h"
#include "foundation/VNSStringUtilCategory.h"
#include "tabbar/TbMetalTabStyle.h"
#include "tabbar/TbNotifications.h"
#include "tabbar/TbOverflowPopUpButton.h"
#include "tabbar/TbProgressIndicator.h"
#include "tabbar/TbRolloverButton.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabBarController.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QApplication>
#include <QEasingCurve>
#include <QEvent>
#include <QMap>
#include <QMenu>
#include <QPainter>
#include <QPaintEvent>
#include <QSizeGrip>
#include <QToolTip>

namespace {

constexpr int kAnimationMilliseconds = 500;
constexpr int kTickMilliseconds = 1000 / 30;

QMap<QString, TbTabStyleFactory>& styleRegistry() {
    static QMap<QString, TbTabStyleFactory> registry;
    static const bool once = [] {
        registry.insert(TbMetalTabStyle::className(), [] { return std::make_unique<TbMetalTabStyle>(); });
        return true;
    }();
    (void)once;
    return registry;
}

}  // namespace

TbTabBarControl::TbTabBarControl(QWidget* parent)
    : QWidget(parent), controller_(std::make_unique<TbTabBarController>(this)) {
    initAddedProperties();
    setAcceptDrops(true);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    draggedTypes_ = {kTbTabBarControlItemPBType};
}

TbTabBarControl::~TbTabBarControl() {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    delete animationTimer_;
    delete showHideAnimationTimer_;
    stopSpring();
    const auto copy = cells_;
    for (const auto& cell : copy) {
        unbindCell(cell.get());
        if (cell->indicator()) cell->indicator()->detach();
        if (cell->controlView() == this) cell->setControlView(nullptr);
    }
    cells_.clear();
}

void TbTabBarControl::initAddedProperties() {
    style_ = std::make_unique<TbMetalTabStyle>();
    overflowPopUpButton_ = new TbOverflowPopUpButton(overflowButtonRect().toRect(), true, this);
    overflowPopUpButton_->setAccessibleDescription(tr("More tabs"));
    overflowPopUpButton_->hide();
    _positionOverflowMenu();
    addTabButton_ = new TbRolloverButton(this);
    addTabButton_->setGeometry(addTabButtonRect().toRect());
    addTabButton_->setUsualImage(style_->addTabButtonImage());
    addTabButton_->setAlternateImage(style_->addTabButtonPressedImage());
    addTabButton_->setRolloverImage(style_->addTabButtonRolloverImage());
    addTabButton_->setAccessibleDescription(tr("Add Tab"));
    addTabButton_->setVisible(showAddTabButton_);
}

// Style registry.

void TbTabBarControl::registerTabStyleClass(const QString& name, TbTabStyleFactory factory) {
    styleRegistry().insert(name, std::move(factory));
}

void TbTabBarControl::unregisterTabStyleClass(const QString& name) {
    styleRegistry().remove(name);
}

QStringList TbTabBarControl::registeredTabStyleClasses() {
    return styleRegistry().keys();
}

TbTabStyleFactory TbTabBarControl::registeredClassForStyleName(const QString& name) {
    return styleRegistry().value(name);
}

void TbTabBarControl::registerDefaultTabStyleClasses() {
    registerTabStyleClass(TbMetalTabStyle::className(), [] { return std::make_unique<TbMetalTabStyle>(); });
}

void TbTabBarControl::setTabStyle(std::unique_ptr<TbTabStyle> style) {
    if (!style || style.get() == style_.get()) return;
    style_ = std::move(style);
    if (addTabButton_) {
        if (QImage image = style_->addTabButtonImage(); !image.isNull()) addTabButton_->setUsualImage(image);
        if (QImage image = style_->addTabButtonPressedImage(); !image.isNull())
            addTabButton_->setAlternateImage(image);
        if (QImage image = style_->addTabButtonRolloverImage(); !image.isNull())
            addTabButton_->setRolloverImage(image);
    }
    update();
}

void TbTabBarControl::setStyleNamed(const QString& name) {
    if (const TbTabStyleFactory factory = registeredClassForStyleName(name)) setTabStyle(factory());
}

// Settings.

void TbTabBarControl::setOrientation(int orientation) {
    const bool changed = orientation != orientation_;
    orientation_ = orientation;
    if (tabBarWidth_ <= 9) tabBarWidth_ = 120;
    if (changed) {
        _positionOverflowMenu();
        update(false);
    }
}

void TbTabBarControl::setCanCloseOnlyTab(bool flag) {
    canCloseOnlyTab_ = flag;
    if (cells_.size() == 1) update();
}

void TbTabBarControl::setDisableTabClose(bool flag) {
    disableTabClose_ = flag;
    update();
}

void TbTabBarControl::setHideForSingleTab(bool flag) {
    hideForSingleTab_ = flag;
    update();
}

void TbTabBarControl::setShowAddTabButton(bool flag) {
    showAddTabButton_ = flag;
    if (const QRectF r = addTabButtonRect(); r != QRectF()) addTabButton_->setGeometry(r.toRect());
    addTabButton_->setVisible(flag);
    addTabButton_->QWidget::update();
    update();
}

void TbTabBarControl::setSizeCellsToFit(bool flag) {
    sizeCellsToFit_ = flag;
    update();
}

void TbTabBarControl::setUseOverflowMenu(bool flag) {
    useOverflowMenu_ = flag;
    update();
}

void TbTabBarControl::setCellMinWidth(qint64 value) {
    cellMinWidth_ = value;
    update();
}

void TbTabBarControl::setCellMaxWidth(qint64 value) {
    cellMaxWidth_ = value;
    update();
}

void TbTabBarControl::setCellOptimumWidth(qint64 value) {
    cellOptimumWidth_ = value;
    update();
}

void TbTabBarControl::setDelegate(TbTabBarControlDelegate* delegate) {
    delegate_ = delegate;
    draggedTypes_ = {kTbTabBarControlItemPBType};
    if (delegate_) draggedTypes_ += delegate_->allowedDraggedTypesForTabView(tabView_);
}

// Cells.

void TbTabBarControl::insertCell(const std::shared_ptr<TbTabBarCell>& cell, qsizetype index) {
    index = std::clamp<qsizetype>(index, 0, qsizetype(cells_.size()));
    cells_.insert(cells_.begin() + index, cell);
    updateTrackingAreas();
    emit cellsChanged();
}

void TbTabBarControl::addCell(const std::shared_ptr<TbTabBarCell>& cell) {
    insertCell(cell, qsizetype(cells_.size()));
}

void TbTabBarControl::removeCellAtIndex(qsizetype index) {
    if (index < 0 || index >= qsizetype(cells_.size())) return;
    cells_.erase(cells_.begin() + index);
    updateTrackingAreas();
    emit cellsChanged();
}

void TbTabBarControl::replaceCellAtIndex(qsizetype index, const std::shared_ptr<TbTabBarCell>& cell) {
    if (index < 0 || index >= qsizetype(cells_.size())) return;
    cells_[size_t(index)] = cell;
    updateTrackingAreas();
    emit cellsChanged();
}

qsizetype TbTabBarControl::indexOfCell(const TbTabBarCell* cell) const {
    for (size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].get() == cell) return qsizetype(i);
    return -1;
}

void TbTabBarControl::addTabViewItem(const std::shared_ptr<TbTabViewItem>& item, qsizetype index) {
    auto cell = std::make_shared<TbTabBarCell>();
    cell->setControlView(this);
    QRectF frame = genericCellRect();
    const TbTabBarCell* last = cells_.empty() ? nullptr : cells_.back().get();
    if (orientation_ == 0) {
        frame.moveLeft(last ? last->frame().right() : 0);
        frame.setWidth(30);
    } else {
        frame.moveTop(last ? last->frame().bottom() : 0);
        frame.setHeight(0);
        frame.setWidth(last ? last->frame().width() : 0);
    }
    cell->setFrame(frame);
    cell->setRepresentedObject(item);
    bindPropertiesForCell(cell, item);
    insertCell(cell, index);
    if (tabView_ && qsizetype(cells_.size()) == tabView_->numberOfTabViewItems()) update();
}

void TbTabBarControl::addTabViewItem(const std::shared_ptr<TbTabViewItem>& item) {
    addTabViewItem(item, qsizetype(cells_.size()));
}

void TbTabBarControl::awakeFromNib() {
    if (!tabView_) return;
    const auto represented = representedTabViewItems();
    for (const auto& item : tabView_->tabViewItems())
        if (std::find(represented.begin(), represented.end(), item) == represented.end())
            addTabViewItem(item);
}

std::vector<std::shared_ptr<TbTabViewItem>> TbTabBarControl::representedTabViewItems() const {
    std::vector<std::shared_ptr<TbTabViewItem>> items;
    for (const auto& cell : cells_)
        if (cell->representedObject()) items.push_back(cell->representedObject());
    return items;
}

std::shared_ptr<TbTabBarCell> TbTabBarControl::cellForPoint(const QPointF& point, QRectF* cellFrame) const {
    if (orientation_ == 0) {
        const QRectF generic = genericCellRect();
        if (point.x() < generic.left() || point.x() >= generic.right() || point.y() < generic.top() ||
            point.y() >= generic.bottom())
            return nullptr;
    }
    for (const auto& cell : cells_) {
        if (cell->frame().contains(point)) {
            if (cellFrame) *cellFrame = cell->frame();
            return cell;
        }
    }
    return nullptr;
}

std::shared_ptr<TbTabBarCell> TbTabBarControl::lastVisibleTab() const {
    for (size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i]->isInOverflowMenu()) return i == 0 ? nullptr : cells_[i - 1];
    return cells_.empty() ? nullptr : cells_.back();
}

qsizetype TbTabBarControl::numberOfVisibleTabs() const {
    qsizetype count = 0;
    for (const auto& cell : cells_) {
        if (cell->isInOverflowMenu()) break;
        if (!cell->isPlaceholder()) ++count;
    }
    return count;
}

void TbTabBarControl::updateCell(TbTabBarCell* cell) {
    QWidget::update(cell->frame().toAlignedRect());
}

bool TbTabBarControl::isWindowActive() const {
    return window()->isActiveWindow();
}

// Metrics.

double TbTabBarControl::heightOfTabCells() const {
    return style_->heightOfTabCellsForTabBarControl(*this).value_or(22);
}
double TbTabBarControl::leftMargin() const {
    return style_->leftMarginForTabBarControl(*this).value_or(6);
}
double TbTabBarControl::rightMargin() const {
    return style_->rightMarginForTabBarControl(*this).value_or(6);
}
double TbTabBarControl::topMargin() const {
    return style_->topMarginForTabBarControl(*this).value_or(3);
}
double TbTabBarControl::bottomMargin() const {
    return style_->bottomMarginForTabBarControl(*this).value_or(3);
}

QSizeF TbTabBarControl::addTabButtonSize() const {
    if (auto size = style_->addTabButtonSizeForTabBarControl(*this)) return *size;
    return orientation_ == 0 ? QSizeF(12, height()) : QSizeF(width(), 18);
}

QRectF TbTabBarControl::addTabButtonRect() const {
    if (auto rect = style_->addTabButtonRectForTabBarControl(*this)) return *rect;
    if (!addTabButton_ || !showAddTabButton_) return {};
    const auto last = lastVisibleTab();
    if (orientation_ == 0)
        return {last ? last->frame().right() + 4 : 4, 0, addTabButtonSize().width(),
                addTabButtonSize().height()};
    return {0, last ? last->frame().bottom() : 0, addTabButtonSize().width(), addTabButtonSize().height()};
}

QSizeF TbTabBarControl::overflowButtonSize() const {
    if (auto size = style_->overflowButtonSizeForTabBarControl(*this)) return *size;
    return orientation_ == 0 ? QSizeF(14, height()) : QSizeF(width(), 18);
}

QRectF TbTabBarControl::overflowButtonRect() const {
    if (auto rect = style_->overflowButtonRectForTabBarControl(*this)) return *rect;
    if (!overflowPopUpButton_ || overflowPopUpButton_->isHidden()) return {};
    const QSizeF size = overflowButtonSize();
    if (orientation_ == 0) return {width() - rightMargin() - size.width() - 4, 0, size.width(), size.height()};
    return {0, height() - bottomMargin() - size.height(), size.width(), size.height()};
}

double TbTabBarControl::availableCellWidth() const {
    double width = this->width() - leftMargin() - rightMargin() - double(resizeAreaCompensation_);
    if (showAddTabButton_) width -= addTabButtonRect().width() + 8;
    return width;
}

double TbTabBarControl::availableCellHeight() const {
    double height = this->height() - topMargin() - bottomMargin() - double(resizeAreaCompensation_);
    if (showAddTabButton_) height -= addTabButtonRect().height();
    if (useOverflowMenu_ && !overflowPopUpButton_->isHidden()) height -= overflowButtonRect().height();
    return height;
}

QRectF TbTabBarControl::genericCellRect() const {
    return {leftMargin(), 0, availableCellWidth(), heightOfTabCells()};
}

// Drawing.

void TbTabBarControl::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRectF dirty = event->rect();
    if (style_->drawTabBarControl(p, *this, dirty)) return;
    drawBezelInRect(p, dirty);
    drawInteriorInRect(p, dirty);
}

void TbTabBarControl::drawBezelInRect(QPainter& p, const QRectF& rect) {
    style_->drawBezelOfTabBarControl(p, *this, rect);
}

void TbTabBarControl::drawInteriorInRect(QPainter& p, const QRectF& rect) {
    if (style_->drawInteriorOfTabBarControl(p, *this, rect)) return;
    if (!tabView_) {
        TextAttributes attributes;
        QFont font = QApplication::font();
        font.setPixelSize(11);
        attributes.font = font;
        attributes.foreground = palette().color(QPalette::WindowText);
        const QRectF r = QRectF(this->rect()).adjusted(4, 0, 0, 0);
        const AttributedString text("TbTabBarControl", attributes);
        const QSizeF size = text.size();
        drawInRectEmbossed(text, p,
                           QRectF(r.x() + (r.width() - size.width()) / 2, r.y() + (r.height() - size.height()) / 2,
                                  size.width(), size.height()));
        return;
    }
    for (const auto& cell : cells_) {
        if (isAnimating() || (!cell->isInOverflowMenu() && cell->frame().intersects(rect)))
            cell->drawWithFrame(p, cell->frame(), *this);
    }
}

// Layout.

void TbTabBarControl::update() {
    update(automaticallyAnimates_);
}

void TbTabBarControl::update(bool animate) {
    updateQueued_ = false;
    if (!tabView_ || qsizetype(cells_.size()) != tabView_->numberOfTabViewItems()) return;
    if (hideForSingleTab_ && cells_.size() < 2) {
        hideTabBar(true, true);
        return;
    }
    hideTabBar(false, true);

    setToolTip({});
    controller_->layoutCells();
    overflowPopUpButton_->setVisible(controller_->overflowMenu() != nullptr);
    overflowPopUpButton_->setPullDownMenu(controller_->overflowMenu());
    _positionOverflowMenu();

    // Deferred: this may run inside the timer's own tick.
    if (animationTimer_) {
        animationTimer_->stop();
        animationTimer_->deleteLater();
        animationTimer_ = nullptr;
    }

    if (!animate) {
        for (size_t i = 0; i < cells_.size(); ++i)
            cells_[i]->setFrame(controller_->cellFrameAtIndex(qsizetype(i)));
        addTabButton_->setGeometry(addTabButtonRect().toRect());
        addTabButton_->setVisible(showAddTabButton_);
        updateTrackingAreas();
        display();
        emit cellsChanged();
        return;
    }

    animationTargets_.clear();
    for (size_t i = 0; i < cells_.size(); ++i)
        animationTargets_.push_back(controller_->cellFrameAtIndex(qsizetype(i)));
    addTabButton_->setVisible(showAddTabButton_);
    animationClock_.start();
    animationTimer_ = new QTimer(this);
    animationTimer_->setInterval(kTickMilliseconds);
    connect(animationTimer_, &QTimer::timeout, this, &TbTabBarControl::_animateCells);
    animationTimer_->start();
    _animateCells();
}

void TbTabBarControl::_animateCells() {
    if (cells_.empty()) return finishCellAnimation();
    const QPointF mouse = mapFromGlobal(QCursor::pos());
    auto place = [&](TbTabBarCell& cell, const QRectF& frame) {
        cell.setFrame(frame);
        cell.setHighlighted(frame.contains(mouse));
        cell.setCloseButtonOver(cell.closeButtonRectForBounds(frame).contains(mouse));
    };
    const size_t n = std::min(cells_.size(), animationTargets_.size());
    const qint64 elapsed = animationClock_.elapsed();
    if (elapsed < kAnimationMilliseconds) {
        const double progress =
            QEasingCurve(QEasingCurve::InOutSine).valueForProgress(double(elapsed) / kAnimationMilliseconds);
        for (size_t i = 0; i < n; ++i) {
            QRectF frame = cells_[i]->frame();
            const QRectF& target = animationTargets_[i];
            if (orientation_ == 0) {
                frame.moveLeft(frame.x() + (target.x() - frame.x()) * progress);
                frame.setWidth(frame.width() + (target.width() - frame.width()) * progress);
            } else {
                frame.moveTop(frame.y() + (target.y() - frame.y()) * progress);
                frame.setHeight(frame.height() + (target.height() - frame.height()) * progress);
            }
            place(*cells_[i], frame);
        }
        if (showAddTabButton_) {
            const QRectF target = addTabButtonRect();
            const QPointF at = addTabButton_->pos();
            addTabButton_->move((at + (target.topLeft() - at) * progress).toPoint());
        }
        display();
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        QRectF frame = cells_[i]->frame();
        const QRectF& target = animationTargets_[i];
        if (orientation_ == 0) {
            frame.moveLeft(target.x());
            frame.setWidth(target.width());
        } else {
            frame.moveTop(target.y());
            frame.setHeight(target.height());
        }
        place(*cells_[i], frame);
    }
    finishCellAnimation();
}

void TbTabBarControl::finishCellAnimation() {
    if (showAddTabButton_) addTabButton_->setGeometry(addTabButtonRect().toRect());
    if (animationTimer_) {
        animationTimer_->deleteLater();
        animationTimer_ = nullptr;
    }
    updateTrackingAreas();
    display();
    emit cellsChanged();
}

void TbTabBarControl::queueUpdate() {
    if (updateQueued_) return;
    updateQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        if (updateQueued_) update();
    });
}

void TbTabBarControl::_positionOverflowMenu() {
    if (!overflowPopUpButton_) return;
    if (const QRectF r = overflowButtonRect(); r != QRectF()) overflowPopUpButton_->setGeometry(r.toRect());
}

// Window and view events.

void TbTabBarControl::_checkWindowFrame() {
    QWidget* win = window();
    const QRect content = win->rect();
    const QRect corner(content.right() - 22 + 1, content.bottom() - 22 + 1, 22, 22);
    bool indicator = false;
    for (const QSizeGrip* grip : win->findChildren<QSizeGrip*>())
        if (grip->isVisible()) indicator = true;
    const QRect barInWindow(mapTo(win, QPoint(0, 0)), size());
    resizeAreaCompensation_ = indicator && barInWindow.intersects(corner) ? 8 : 0;
}

void TbTabBarControl::watchWindow() {
    QWidget* win = window();
    if (win == watchedWindow_ || win == this) return;
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    if (showHideAnimationTimer_) {
        delete showHideAnimationTimer_;
        showHideAnimationTimer_ = nullptr;
        currentStep_ = -1;
    }
    watchedWindow_ = win;
    win->installEventFilter(this);
    _checkWindowFrame();
}

bool TbTabBarControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_) {
        switch (event->type()) {
            case QEvent::WindowActivate:
            case QEvent::WindowDeactivate:
            case QEvent::Move:
                display();
                break;
            case QEvent::Show:
            case QEvent::UpdateRequest:
                windowDidUpdate();
                break;
            case QEvent::Resize:
                _checkWindowFrame();
                break;
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TbTabBarControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    watchWindow();
    _checkWindowFrame();
    for (const auto& cell : cells_) {
        if (TbProgressIndicator* indicator = cell->indicator(); indicator && indicator->isAnimating()) {
            indicator->stopAnimation();
            indicator->startAnimationLater();
        }
    }
    _positionOverflowMenu();
    update(false);
}

// Tracking areas and tool tips.

void TbTabBarControl::updateTrackingAreas() {
    trackingAreas_.clear();
    const QPointF mouse = mapFromGlobal(QCursor::pos());
    for (size_t i = 0; i < cells_.size(); ++i) {
        if (cells_[i]->isInOverflowMenu()) break;
        cells_[i]->addTrackingAreasForView(
            *this, cells_[i]->frame(),
            {{"cellIndex", qlonglong(i)}, {"cell", QVariant::fromValue(static_cast<void*>(cells_[i].get()))}},
            mouse);
    }
}

// Accessibility.

QVariant TbTabBarControl::accessibilityAttributeValue(const QString& attribute) const {
    if (attribute == "role") return QStringLiteral("tabGroup");
    if (attribute == "children") {
        QVariantList children;
        for (qsizetype i = 0; i < numberOfVisibleTabs(); ++i) children << qlonglong(i);
        if (!overflowPopUpButton_->isHidden()) children << QStringLiteral("overflowButton");
        if (!addTabButton_->isHidden()) children << QStringLiteral("addTabButton");
        return children;
    }
    if (attribute == "tabs") {
        QVariantList tabs;
        for (size_t i = 0; i < cells_.size(); ++i) tabs << qlonglong(i);
        return tabs;
    }
    if (attribute == "value") {
        const auto selected = tabView_ ? tabView_->selectedTabViewItem() : nullptr;
        qsizetype found = -1;
        for (size_t i = 0; i < cells_.size(); ++i)
            if (selected && cells_[i]->representedObject() == selected) found = qsizetype(i);
        if (found < 0) {
            OmLogNoFlood(kOmLogWarning, "WARNING: seems no tab cell is currently selected");
            return {};
        }
        return qlonglong(found);
    }
    return {};
}

void applyPageBarSettings(TbTabBarControl& bar) {
    bar.setTabStyle(std::make_unique<TbMetalTabStyle>());
    bar.setDisableTabClose(true);
}
