#pragma once

#include "hud/controls/HUDTextField.h"
#include "hud/views/HUDHeaderView.h"
#include "hud/views/HUDView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/VSeparableView.h"
#include "platform/AttributedString.h"

#include <QColor>
#include <QObject>
#include <QPointer>

#include <memory>

// Autoresizing bits of addContentView(), y-down.
enum VSeparableResizing : int {
    kResizeNone = 0,
    kResizeFlexibleRightMargin = 1,
    kResizeWidthSizable = 2,
    kResizeHeightSizable = 4,
    kResizeFlexibleBottomMargin = 8,
};

// The base of the large panels: a base view with a header strip (a title
// field) above a container for the panel's content. The base view sits in a
// host view of the main window or in a themed window of its own that can be
// pinned on top; the pinned state is remembered per window under
// "isAlwaysOnTop <title>". Main thread only.
class VSeparableController : public QObject {
    Q_OBJECT
public:
    // The panel's views, made in code.
    static std::unique_ptr<VSeparableController> create();
    ~VSeparableController() override;

    VSeparableView* getBaseView() const { return baseView_; }
    HUDHeaderView* getHeaderView() const { return headerView_; }
    HUDTextField* headerTitle() const { return headerTitle_; }
    HUDView* getContainerView() const { return containerView_; }
    // The container's first child, or null.
    QWidget* getContentView() const;
    HUDThemeKeloWindow* separateWindow() const { return separateWindow_.get(); }

    void setHeaderTitleString(const QString& title);
    void setHeaderTitleString(const AttributedString& title);
    void hideHeaderView(bool hide);
    bool shouldHideHeaderView() const { return shouldHideHeaderView_; }
    void addContentView(QWidget* view, int resizing);

    std::unique_ptr<HUDThemeKeloWindow> createSeparateWindow(const QRect& contentRect,
                                                             const QString& alwaysOnTopName,
                                                             bool defaultsToPanel);
    void showInSeparateWindow(const QSize& minimumSize, bool defaultsToPanel);
    // Returns the content view of a panel of the same kind it displaced.
    QWidget* showInRootView(QWidget* host, const QPoint& point);

    void setBackgroundColor(const QColor& color);
    void setIsInsetView();
    void setInsetFooterLineY(int y);

    bool isPinnable() const;
    void setPinnable(bool pinnable);
    bool isAlwaysOnTop() const;
    void setIsAlwaysOnTop(bool onTop);
    QString alwaysOnTopAutosaveName() const;

    void cleanup();

protected:
    // Subclasses build the views with createViews() when they first need them.
    VSeparableController();
    void createViews();

private:

    QPointer<VSeparableView> baseView_;
    QPointer<HUDHeaderView> headerView_;
    QPointer<HUDTextField> headerTitle_;
    QPointer<HUDView> containerView_;
    std::unique_ptr<HUDThemeKeloWindow> separateWindow_;
    QColor nonPanelBackgroundColor_;
    bool shouldHideHeaderView_ = false;
};
