#pragma once

#include <memory>
#include <optional>

class TbTabView;
class TbTabViewItem;

// The delegate of a TbTabView. Every operation is optional: an empty
// optional answer means "not implemented".
class TbTabViewDelegate {
public:
    virtual ~TbTabViewDelegate() = default;
    virtual std::optional<bool> tabViewShouldSelectTabViewItem(
        TbTabView*, const std::shared_ptr<TbTabViewItem>&) {
        return std::nullopt;
    }
    virtual void tabViewWillSelectTabViewItem(TbTabView*, const std::shared_ptr<TbTabViewItem>&) {}
    virtual void tabViewDidSelectTabViewItem(TbTabView*, const std::shared_ptr<TbTabViewItem>&) {}
    virtual void tabViewDidChangeNumberOfTabViewItems(TbTabView*) {}
};
