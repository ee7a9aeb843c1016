#include "tabbar/TbTabViewItem.h"

#include "tabbar/TbTabView.h"

TbTabViewItem::TbTabViewItem(const QVariant& identifier, const QString& label)
    : identifier_(identifier), label_(label) {}

TbTabViewItem::~TbTabViewItem() {
    if (view_ && !view_->parent()) delete view_;
}

void TbTabViewItem::setIdentifier(const QVariant& identifier) {
    const QVariant old = identifier_;
    identifier_ = identifier;
    emit identifierChanged(old);
}

QObject* TbTabViewItem::identifierObject() const {
    return identifier_.metaType() == QMetaType::fromType<QObject*>() ? identifier_.value<QObject*>()
                                                                      : nullptr;
}

void TbTabViewItem::setLabel(const QString& label) {
    if (label == label_) return;
    label_ = label;
    emit labelChanged(label_);
}

void TbTabViewItem::setView(QWidget* view) {
    if (view_ == view) return;
    QWidget* old = view_;
    view_ = view;
    if (tabView_) tabView_->replaceView(this, old);
}

int TbTabViewItem::tabState() const {
    return tabView_ && tabView_->selectedTabViewItem().get() == this ? 0 : 1;
}
