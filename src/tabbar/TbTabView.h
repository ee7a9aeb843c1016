#pragma once

#include "tabbar/TbTabViewItem.h"

#include <QWidget>

#include <memory>
#include <vector>

class QStackedWidget;
class TbTabViewDelegate;

// Tab view types the tab bar tells apart.
enum TbTabViewType : int { TbTopTabsBezelBorder = 0, TbBottomTabsBezelBorder = 2, TbNoTabsNoBorder = 6 };

// The pages behind a tab bar: an ordered list of items and a content
// switcher that shows the selected item's view. It draws no tabs of its own;
// a TbTabBarControl is bound to it and made its delegate.
// Selecting asks the delegate first; adding the first item selects it, and
// removing the selected item selects its neighbour. Main thread only.
class TbTabView : public QWidget {
    Q_OBJECT
public:
    explicit TbTabView(QWidget* parent = nullptr);
    ~TbTabView() override;

    TbTabViewDelegate* delegate() const { return delegate_; }
    void setDelegate(TbTabViewDelegate* delegate) { delegate_ = delegate; }

    int tabViewType() const { return tabViewType_; }
    void setTabViewType(int type) { tabViewType_ = type; }

    void addTabViewItem(const std::shared_ptr<TbTabViewItem>& item);
    // An index beyond the end appends; an item already in a tab view is not added.
    void insertTabViewItem(const std::shared_ptr<TbTabViewItem>& item, int index);
    void removeTabViewItem(const std::shared_ptr<TbTabViewItem>& item);

    int numberOfTabViewItems() const { return int(items_.size()); }
    const std::vector<std::shared_ptr<TbTabViewItem>>& tabViewItems() const { return items_; }
    // Null for an index out of range.
    std::shared_ptr<TbTabViewItem> tabViewItemAtIndex(int index) const;
    // -1 when absent.
    int indexOfTabViewItem(const TbTabViewItem* item) const;
    int indexOfTabViewItemWithIdentifier(const QVariant& identifier) const;

    std::shared_ptr<TbTabViewItem> selectedTabViewItem() const { return selected_.lock(); }
    void selectTabViewItem(const std::shared_ptr<TbTabViewItem>& item);
    void selectTabViewItemAtIndex(int index);
    void selectTabViewItemWithIdentifier(const QVariant& identifier);

    QStackedWidget* contentSwitcher() const { return stack_; }

private:
    friend class TbTabViewItem;
    void replaceView(TbTabViewItem* item, QWidget* old);
    void showSelectedView();

    TbTabViewDelegate* delegate_ = nullptr;
    int tabViewType_ = TbNoTabsNoBorder;
    std::vector<std::shared_ptr<TbTabViewItem>> items_;
    std::weak_ptr<TbTabViewItem> selected_;
    QStackedWidget* stack_;
};
