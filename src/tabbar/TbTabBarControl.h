#pragma once

#include "tabbar/TbTabBarCell.h"
#include "tabbar/TbTabStyle.h"
#include "tabbar/TbTabViewDelegate.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMimeData;
class TbOverflowPopUpButton;
class TbRolloverButton;
class TbTabBarControlDelegate;
class TbTabBarController;
class TbTabView;
class TbTabViewItem;

// A strip of tabs standing in for the tabs of a TbTabView: one TbTabBarCell
// per item, in the tab view's order, labelled with the item's label. It
// draws through a pluggable style (by default "Metal"), sizes its cells with
// its layout controller, lists tabs that do not fit in an overflow
// pull-down, can show an add-tab button, animates cell moves, can hide
// itself while it holds a single tab, and selects, closes and drags tabs by
// mouse. The owner binds it with setTabView(), makes it the tab view's
// delegate and gives it a delegate of its own.
//
// Coordinates are Qt's y-down, as the bar's own drawing expects. Hiding
// works out partner and window moves in y-up terms (a bar "above" its
// partner) and converts at the frames it reads and writes.
//
// `update()` lays the tabs out (it hides QWidget::update; redisplay goes
// through QWidget::update explicitly). Main thread only.
class TbTabBarControl : public QWidget, public TbTabViewDelegate {
    Q_OBJECT
public:
    explicit TbTabBarControl(QWidget* parent = nullptr);
    ~TbTabBarControl() override;

    // Style registry.
    static void registerTabStyleClass(const QString& name, TbTabStyleFactory factory);
    static void unregisterTabStyleClass(const QString& name);
    static QStringList registeredTabStyleClasses();
    static TbTabStyleFactory registeredClassForStyleName(const QString& name);
    static void registerDefaultTabStyleClasses();

    // Style.
    const TbTabStyle& tabStyle() const { return *style_; }
    void setTabStyle(std::unique_ptr<TbTabStyle> style);
    QString styleName() const { return style_->name(); }
    // A name without a registered style changes nothing.
    void setStyleNamed(const QString& name);

    // Settings.
    int orientation() const { return orientation_; }
    void setOrientation(int orientation);
    bool canCloseOnlyTab() const { return canCloseOnlyTab_; }
    void setCanCloseOnlyTab(bool flag);
    bool disableTabClose() const { return disableTabClose_; }
    void setDisableTabClose(bool flag);
    bool hideForSingleTab() const { return hideForSingleTab_; }
    void setHideForSingleTab(bool flag);
    bool showAddTabButton() const { return showAddTabButton_; }
    void setShowAddTabButton(bool flag);
    bool sizeCellsToFit() const { return sizeCellsToFit_; }
    void setSizeCellsToFit(bool flag);
    bool useOverflowMenu() const { return useOverflowMenu_; }
    void setUseOverflowMenu(bool flag);
    qint64 cellMinWidth() const { return cellMinWidth_; }
    void setCellMinWidth(qint64 value);
    qint64 cellMaxWidth() const { return cellMaxWidth_; }
    void setCellMaxWidth(qint64 value);
    qint64 cellOptimumWidth() const { return cellOptimumWidth_; }
    void setCellOptimumWidth(qint64 value);
    bool allowsBackgroundTabClosing() const { return allowsBackgroundTabClosing_; }
    void setAllowsBackgroundTabClosing(bool flag) { allowsBackgroundTabClosing_ = flag; }
    bool allowsScrubbing() const { return allowsScrubbing_; }
    void setAllowsScrubbing(bool flag) { allowsScrubbing_ = flag; }
    bool allowsResizing() const { return allowsResizing_; }
    void setAllowsResizing(bool flag) { allowsResizing_ = flag; }
    bool selectsTabsOnMouseDown() const { return selectsTabsOnMouseDown_; }
    void setSelectsTabsOnMouseDown(bool flag) { selectsTabsOnMouseDown_ = flag; }
    bool alwaysShowActiveTab() const { return alwaysShowActiveTab_; }
    void setAlwaysShowActiveTab(bool flag) { alwaysShowActiveTab_ = flag; }
    bool automaticallyAnimates() const { return automaticallyAnimates_; }
    void setAutomaticallyAnimates(bool flag) { automaticallyAnimates_ = flag; }
    int tearOffStyle() const { return tearOffStyle_; }
    void setTearOffStyle(int style) { tearOffStyle_ = style; }
    TbTabView* tabView() const { return tabView_; }
    void setTabView(TbTabView* tabView) { tabView_ = tabView; }
    QWidget* partnerView() const { return partnerView_; }
    void setPartnerView(QWidget* view) { partnerView_ = view; }
    TbTabBarControlDelegate* delegate() const { return delegate_; }
    // Also re-registers the accepted drop types.
    void setDelegate(TbTabBarControlDelegate* delegate);
    QStringList registeredDraggedTypes() const { return draggedTypes_; }
    qint64 resizeAreaCompensation() const { return resizeAreaCompensation_; }
    qint64 tabBarWidth() const { return tabBarWidth_; }

    TbRolloverButton* addTabButton() const { return addTabButton_; }
    TbOverflowPopUpButton* overflowPopUpButton() const { return overflowPopUpButton_; }
    TbTabBarController* controller() const { return controller_.get(); }
    bool isTabBarHidden() const { return isHidden_; }
    bool isAnimating() const { return animationTimer_ != nullptr; }
    std::vector<std::shared_ptr<TbTabBarCell>> cells() const { return cells_; }

    // The cell list; every change rebuilds the tracking areas.
    void insertCell(const std::shared_ptr<TbTabBarCell>& cell, qsizetype index);
    void addCell(const std::shared_ptr<TbTabBarCell>& cell);
    void removeCellAtIndex(qsizetype index);
    void replaceCellAtIndex(qsizetype index, const std::shared_ptr<TbTabBarCell>& cell);
    qsizetype indexOfCell(const TbTabBarCell* cell) const;

    void addTabViewItem(const std::shared_ptr<TbTabViewItem>& item, qsizetype index);
    void addTabViewItem(const std::shared_ptr<TbTabViewItem>& item);
    // Adds cells for items of the tab view no cell represents yet.
    void awakeFromNib();
    std::vector<std::shared_ptr<TbTabViewItem>> representedTabViewItems() const;
    std::shared_ptr<TbTabBarCell> cellForPoint(const QPointF& point, QRectF* cellFrame = nullptr) const;
    std::shared_ptr<TbTabBarCell> lastVisibleTab() const;
    qsizetype numberOfVisibleTabs() const;
    void updateCell(TbTabBarCell* cell);
    bool isWindowActive() const;

    // Metrics: the style's answer, else the default.
    double heightOfTabCells() const;
    double leftMargin() const;
    double rightMargin() const;
    double topMargin() const;
    double bottomMargin() const;
    QSizeF addTabButtonSize() const;
    QRectF addTabButtonRect() const;
    QSizeF overflowButtonSize() const;
    QRectF overflowButtonRect() const;
    double availableCellWidth() const;
    double availableCellHeight() const;
    QRectF genericCellRect() const;

    // Layout: `update` animates when `automaticallyAnimates` is on.
    void update();
    void update(bool animate);

    // Binding and closing.
    void bindPropertiesForCell(const std::shared_ptr<TbTabBarCell>& cell,
                               const std::shared_ptr<TbTabViewItem>& item);
    void removeTabForCell(const std::shared_ptr<TbTabBarCell>& cell);
    void tabClick(const std::shared_ptr<TbTabBarCell>& cell);
    void overflowMenuAction(QAction* item);
    void tabNothing() {}
    void closeTabClick(const std::shared_ptr<TbTabBarCell>& cell);
    // Ticks the selected tab's item and asks the delegate.
    bool validateMenuItem(QAction* item);

    // Hiding and showing.
    void hideTabBar(bool hide, bool animate);
    void windowDidUpdate();
    bool awakenedFromNib() const { return awakenedFromNib_; }
    bool isShowHideAnimating() const { return currentStep_ != -1; }

    // Tab view delegate.
    std::optional<bool> tabViewShouldSelectTabViewItem(TbTabView* tabView,
                                                       const std::shared_ptr<TbTabViewItem>& item) override;
    void tabViewWillSelectTabViewItem(TbTabView* tabView, const std::shared_ptr<TbTabViewItem>& item) override;
    void tabViewDidSelectTabViewItem(TbTabView* tabView, const std::shared_ptr<TbTabViewItem>& item) override;
    void tabViewDidChangeNumberOfTabViewItems(TbTabView* tabView) override;

    // Drops onto the bar from the tab drag (the assistant calls these with
    // the dragged tab) and from ordinary Qt drags.
    bool performDragOperation(const QMimeData* data, const QPointF& point);
    const std::vector<TbTrackingArea>& trackingAreas() const { return trackingAreas_; }
    void updateTrackingAreas();
    QPointer<QTimer> springTimer() const { return springTimer_; }

    // The old attribute-based accessibility answers of the bar: "role",
    // "children", "tabs" and "value" (cells as indices).
    QVariant accessibilityAttributeValue(const QString& attribute) const;

signals:
    // A cell was added or removed, or the layout changed.
    void cellsChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void identifierPropertyChanged();

private:
    friend class TbTabDragAssistant;
    friend class TbTabBarCell;
    void initAddedProperties();
    void display() { QWidget::update(); }
    void _positionOverflowMenu();
    void _animateCells();
    void finishCellAnimation();
    void _checkWindowFrame();
    void watchWindow();
    void _bindPropertiesForCell(const std::shared_ptr<TbTabBarCell>& cell,
                                const std::shared_ptr<TbTabViewItem>& item);
    void unbindCell(TbTabBarCell* cell);
    void _delegateMouseEvent(const QMouseEvent& event);
    void moveSelectedOverflowedItemToFront(const std::shared_ptr<TbTabBarCell>& cell,
                                           const std::shared_ptr<TbTabViewItem>& item);
    void fireSpring();
    void stopSpring();
    void animateShowHide();
    void queueUpdate();
    void drawBezelInRect(QPainter& p, const QRectF& rect);
    void drawInteriorInRect(QPainter& p, const QRectF& rect);

    std::vector<std::shared_ptr<TbTabBarCell>> cells_;
    TbTabView* tabView_ = nullptr;
    TbOverflowPopUpButton* overflowPopUpButton_ = nullptr;
    TbRolloverButton* addTabButton_ = nullptr;
    std::unique_ptr<TbTabBarController> controller_;
    QPointer<QTimer> springTimer_;
    std::weak_ptr<TbTabViewItem> tabViewItemWithSpring_;
    QPointF springPoint_;
    std::unique_ptr<TbTabStyle> style_;
    bool canCloseOnlyTab_ = false;
    bool disableTabClose_ = false;
    bool hideForSingleTab_ = false;
    bool showAddTabButton_ = false;
    bool sizeCellsToFit_ = false;
    bool useOverflowMenu_ = true;
    bool alwaysShowActiveTab_ = false;
    bool allowsScrubbing_ = false;
    qint64 resizeAreaCompensation_ = 0;
    int orientation_ = 0;
    bool automaticallyAnimates_ = false;
    QTimer* animationTimer_ = nullptr;
    QElapsedTimer animationClock_;
    std::vector<QRectF> animationTargets_;
    int tearOffStyle_ = 0;
    bool allowsBackgroundTabClosing_ = true;
    bool selectsTabsOnMouseDown_ = false;
    bool allowsResizing_ = false;
    bool resizing_ = false;
    qint64 cellMinWidth_ = 100;
    qint64 cellMaxWidth_ = 280;
    qint64 cellOptimumWidth_ = 130;
    qint64 currentStep_ = -1;
    bool isHidden_ = false;
    QPointer<QWidget> partnerView_;
    bool awakenedFromNib_ = false;
    qint64 tabBarWidth_ = 0;
    QTimer* showHideAnimationTimer_ = nullptr;
    QVariantMap showHideInfo_;
    std::optional<QPointF> lastMouseDownPoint_;
    Qt::KeyboardModifiers lastMouseDownModifiers_;
    QPointF lastDragPoint_;
    bool didDrag_ = false;
    bool closeClicked_ = false;
    TbTabBarControlDelegate* delegate_ = nullptr;

    QStringList draggedTypes_;
    std::vector<TbTrackingArea> trackingAreas_;
    QPointer<QWidget> watchedWindow_;
    bool updateQueued_ = false;
};

// The settings of a bar whose tabs are the fixed pages of a window (the
// main window's bar): the Metal style, and pages are never closed.
void applyPageBarSettings(TbTabBarControl& bar);
