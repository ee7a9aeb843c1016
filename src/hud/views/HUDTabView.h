#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/views/HUDTabViewItem.h"

#include <QColor>
#include <QPainterPath>
#include <QTabWidget>

#include <memory>
#include <vector>

class QTabBar;

// Tab states of HUDTabView::drawThemeTab().
enum HUDTabState : int { kSelectedTab = 0, kBackgroundTab = 1, kPressedTab = 2 };

// The dark tabbed panel: an optional solid background with a themed content
// box, and its own tab shapes (rounded outer ends, gradients by state,
// separators) in place of the style's. Tabs on the left or right stack
// vertically. y-down. Main thread only.
class HUDTabView : public QTabWidget, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDTabView(QWidget* parent = nullptr);
    ~HUDTabView() override;

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    // Invalid means none: the view is then transparent.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);
    bool isOpaque() const { return backgroundColor_.isValid(); }
    // Small or mini tabs draw their labels in the tab view's font.
    int controlSize() const { return controlSize_; }
    void setControlSize(int size) { controlSize_ = size; }

    // Adds a page with its item.
    int addTabViewItem(std::unique_ptr<HUDTabViewItem> item, QWidget* page);
    HUDTabViewItem* tabViewItem(int index) const;
    // The tab a mouse button is down on, or -1.
    int pressedTab() const { return pressedTab_; }

    // The content box round the pages, in the view's coordinates.
    QRectF contentBox() const;
    void drawBackground(QPainter& painter, const QRectF& dirty);
    // Draws one tab's shape in the tab bar's coordinates.
    void drawThemeTab(QPainter& painter, int index, int state, const QRectF& rect);
    // The outline of a tab, and whether it is filled as one rectangle.
    QPainterPath tabPath(int index, const QRectF& rect, bool* plainRectangle) const;
    bool isVertical() const;

    QString description() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class HUDTabBar;
    QString themeKey_;
    QColor backgroundColor_;
    int controlSize_ = 0;
    int pressedTab_ = -1;
    std::vector<std::unique_ptr<HUDTabViewItem>> items_;
};
