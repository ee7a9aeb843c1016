#pragma once

// A tab view with a bar bound to it, as the main window and the pixel-map
// panel set them up, for the tab bar tests.
#include "support/PixelTestSupport.h"
#include "tabbar/TbTabBarCell.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(", ").toStdString() << ']';
}

inline const QStringList kSevenTabs = {"Status",  "Content", "Pixel Map",  "Preferences",
                                       "Outputs", "Mixes",   "Image Remap"};

// A window holding a bar 22 points high above its tab view.
struct BarFixture {
    QWidget window;
    TbTabView* tabView;
    TbTabBarControl* bar;

    explicit BarFixture(int width = 945, const QStringList& labels = kSevenTabs, bool pageBar = true) {
        window.resize(width, 300);
        bar = new TbTabBarControl(&window);
        bar->setGeometry(0, 0, width, 22);
        tabView = new TbTabView(&window);
        tabView->setGeometry(0, 22, width, 278);
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        if (pageBar) applyPageBarSettings(*bar);
        for (int i = 0; i < labels.size(); ++i) addItem(labels[i], i + 1);
    }

    std::shared_ptr<TbTabViewItem> addItem(const QString& label, int identifier) {
        auto item = std::make_shared<TbTabViewItem>(identifier, label);
        item->setView(new QLabel(label));
        tabView->addTabViewItem(item);
        return item;
    }

    std::shared_ptr<TbTabBarCell> cell(int i) const { return bar->cells()[size_t(i)]; }
    QPoint centreOf(int i) const { return cell(i)->frame().center().toPoint(); }
    QPoint closeCentreOf(int i) const {
        return cell(i)->closeButtonRectForBounds(cell(i)->frame()).center().toPoint();
    }
    QString selectedLabel() const {
        const auto item = tabView->selectedTabViewItem();
        return item ? item->label() : QString();
    }
    QStringList labels() const {
        QStringList out;
        for (const auto& item : tabView->tabViewItems()) out << item->label();
        return out;
    }
};
