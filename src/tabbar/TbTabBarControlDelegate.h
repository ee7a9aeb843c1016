#pragma once

#include "tabbar/TbTabViewDelegate.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMimeData;
class QMouseEvent;
class TbTabBarControl;
class TbTabView;
class TbTabViewItem;

using TbItem = std::shared_ptr<TbTabViewItem>;

// The owner of a tab bar hears about and steers its tabs through this
// protocol. Every operation is optional: an empty optional (or a null
// answer where noted) means "not implemented", and the bar then behaves as
// without a delegate. The tab view's own delegate calls reach the delegate
// through the bar, after the bar has handled them.
class TbTabBarControlDelegate : public TbTabViewDelegate {
public:
    // No cancels the close.
    virtual std::optional<bool> tabViewShouldCloseTabViewItem(TbTabView*, const TbItem&) { return {}; }
    virtual void tabViewWillCloseTabViewItem(TbTabView*, const TbItem&) {}
    virtual void tabViewDidCloseTabViewItem(TbTabView*, const TbItem&) {}
    // The tab view lost the item; its cell goes next.
    virtual void tabViewDidDetachTabViewItem(TbTabView*, const TbItem&) {}
    // Drop types accepted besides the tab type.
    virtual QStringList allowedDraggedTypesForTabView(TbTabView*) { return {}; }
    // A drop of another type; the item under the drop point or null.
    virtual void tabViewAcceptedDraggingInfo(TbTabView*, const QMimeData*, const TbItem&) {}
    // The context menu of a tab; null for none.
    virtual QMenu* tabViewMenuForTabViewItem(TbTabView*, const TbItem&) { return nullptr; }
    // Mouse-down and mouse-up over a tab.
    virtual void tabViewTabViewItemEvent(TbTabView*, const TbItem&, const QMouseEvent&) {}
    // Only yes starts a tab drag.
    virtual std::optional<bool> tabViewShouldDragTabViewItem(TbTabView*, const TbItem&, TbTabBarControl*) {
        return {};
    }
    // No refuses the drop; a null bar asks whether the tab may tear off.
    virtual std::optional<bool> tabViewShouldDropTabViewItem(TbTabView*, const TbItem&, TbTabBarControl*) {
        return {};
    }
    // No keeps a dragged tab inside the bar.
    virtual std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBar(TbTabView*, const TbItem&,
                                                                         TbTabBarControl*) {
        return {};
    }
    virtual void tabViewDidDropTabViewItem(TbTabView*, const TbItem&, TbTabBarControl*) {}
    // An image of the tab's view; fills the tab's offset inside it and the
    // style mask of the window it would tear off into.
    virtual std::optional<QImage> tabViewImageForTabViewItem(TbTabView*, const TbItem&, QSizeF*,
                                                             unsigned*) {
        return {};
    }
    // The bar of a new window for a torn-off tab; null inside the optional
    // is "no bar".
    virtual std::optional<TbTabBarControl*> tabViewNewTabBarForDraggedTabViewItem(TbTabView*, const TbItem&,
                                                                                 const QPointF&) {
        return {};
    }
    virtual void tabViewCloseWindowForLastTabViewItem(TbTabView*, const TbItem&) {}
    virtual std::optional<bool> tabViewValidateOverflowMenuItem(TbTabView*, QAction*, const TbItem&) {
        return {};
    }
    virtual void tabViewTabViewItemIsInOverflowMenu(TbTabView*, const TbItem&, bool) {}
    virtual void tabViewTabBarDidHide(TbTabView*, TbTabBarControl*) {}
    virtual void tabViewTabBarDidUnhide(TbTabView*, TbTabBarControl*) {}
    virtual std::optional<double> desiredWidthForVerticalTabBar(TbTabBarControl*) { return {}; }
    // Yes suppresses the tab's close button.
    virtual std::optional<bool> tabViewDisableTabCloseForTabViewItem(TbTabView*, const TbItem&) {
        return {};
    }
    virtual std::optional<QString> tabViewToolTipForTabViewItem(TbTabView*, const TbItem&) { return {}; }
    virtual std::optional<QString> accessibilityStringForTabView(TbTabView*, qint64) { return {}; }
    // A tint for the tab; invalid for none.
    virtual QColor tabViewColorForItem(TbTabView*, const TbItem&) { return {}; }
};
