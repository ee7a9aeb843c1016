#include "tabbar/TbTabView.h"

#include "tabbar/TbTabViewDelegate.h"

#include <QStackedWidget>
#include <QVBoxLayout>

TbTabView::TbTabView(QWidget* parent) : QWidget(parent), stack_(new QStackedWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
}

TbTabView::~TbTabView() {
    for (const auto& item : items_) item->tabView_ = nullptr;
}

void TbTabView::addTabViewItem(const std::shared_ptr<TbTabViewItem>& item) {
    insertTabViewItem(item, numberOfTabViewItems());
}

void TbTabView::insertTabViewItem(const std::shared_ptr<TbTabViewItem>& item, int index) {
    if (!item || item->tabView_) return;
    index = std::clamp(index, 0, numberOfTabViewItems());
    items_.insert(items_.begin() + index, item);
    item->tabView_ = this;
    if (item->view()) stack_->addWidget(item->view());
    if (!selected_.lock()) selectTabViewItem(item);
    if (delegate_) delegate_->tabViewDidChangeNumberOfTabViewItems(this);
}

void TbTabView::removeTabViewItem(const std::shared_ptr<TbTabViewItem>& item) {
    const int index = indexOfTabViewItem(item.get());
    if (index < 0) return;
    const bool wasSelected = selected_.lock() == item;
    items_.erase(items_.begin() + index);
    item->tabView_ = nullptr;
    if (item->view()) {
        stack_->removeWidget(item->view());
        item->view()->setParent(nullptr);
    }
    if (wasSelected) {
        selected_.reset();
        if (!items_.empty()) selectTabViewItemAtIndex(std::min(index, numberOfTabViewItems() - 1));
    }
    if (delegate_) delegate_->tabViewDidChangeNumberOfTabViewItems(this);
}

std::shared_ptr<TbTabViewItem> TbTabView::tabViewItemAtIndex(int index) const {
    return index >= 0 && index < numberOfTabViewItems() ? items_[size_t(index)] : nullptr;
}

int TbTabView::indexOfTabViewItem(const TbTabViewItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return int(i);
    return -1;
}

int TbTabView::indexOfTabViewItemWithIdentifier(const QVariant& identifier) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->identifier() == identifier) return int(i);
    return -1;
}

void TbTabView::selectTabViewItem(const std::shared_ptr<TbTabViewItem>& item) {
    if (!item || item->tabView_ != this || selected_.lock() == item) return;
    if (delegate_ && !delegate_->tabViewShouldSelectTabViewItem(this, item).value_or(true)) return;
    if (delegate_) delegate_->tabViewWillSelectTabViewItem(this, item);
    selected_ = item;
    showSelectedView();
    if (delegate_) delegate_->tabViewDidSelectTabViewItem(this, item);
}

void TbTabView::selectTabViewItemAtIndex(int index) {
    selectTabViewItem(tabViewItemAtIndex(index));
}

void TbTabView::selectTabViewItemWithIdentifier(const QVariant& identifier) {
    selectTabViewItemAtIndex(indexOfTabViewItemWithIdentifier(identifier));
}

void TbTabView::replaceView(TbTabViewItem* item, QWidget* old) {
    // The page was this view's to own and is nobody's page any more. Later,
    // not now: the replacement may come from one of the page's own handlers.
    if (old) {
        stack_->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    if (item->view()) stack_->addWidget(item->view());
    showSelectedView();
}

void TbTabView::showSelectedView() {
    const auto selected = selected_.lock();
    if (selected && selected->view()) stack_->setCurrentWidget(selected->view());
}
