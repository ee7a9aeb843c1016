#pragma once

#include "hud/cells/HUDPopUpButtonCell.h"

#include <QPointer>
#include <QWidget>

#include <memory>

#include <QMenu>

// A pop-up or pull-down button drawn by its HUDPopUpButtonCell. A click or
// Space opens the item menu under the button; Up and Down step a pop-up's
// selection over enabled items. Choosing an item emits activated(); a pop-up
// also selects it.
class HUDPopUpButton : public QWidget {
    Q_OBJECT
public:
    explicit HUDPopUpButton(QWidget* parent = nullptr);
    ~HUDPopUpButton() override;

    HUDPopUpButtonCell* cell() const { return cell_.get(); }

    void addItems(const QStringList& titles);
    int currentIndex() const { return cell_->indexOfSelectedItem(); }
    void setCurrentIndex(int index);
    QString currentText() const { return cell_->title(); }
    // The menu while it is open, else null.
    QMenu* menu() const { return menu_; }
    void showMenu();

    QSize sizeHint() const override;

signals:
    void activated(int index);
    void currentIndexChanged(int index);
    // Before the menu is built from the items, which may still change them.
    void aboutToPopUp();
    void menuClosed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void choose(int index);
    void step(int direction);

    std::unique_ptr<HUDPopUpButtonCell> cell_;
    QPointer<QMenu> menu_;
};
