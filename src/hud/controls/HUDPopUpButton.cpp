#include "hud/controls/HUDPopUpButton.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

HUDPopUpButton::HUDPopUpButton(QWidget* parent)
    : QWidget(parent), cell_(std::make_unique<HUDPopUpButtonCell>()) {
    cell_->setControlView(this);
    setFocusPolicy(Qt::StrongFocus);
}

HUDPopUpButton::~HUDPopUpButton() {
    delete menu_;
}

void HUDPopUpButton::addItems(const QStringList& titles) {
    const int before = currentIndex();
    cell_->addItems(titles);
    if (currentIndex() != before) emit currentIndexChanged(currentIndex());
    update();
}

void HUDPopUpButton::setCurrentIndex(int index) {
    if (index == currentIndex()) return;
    cell_->selectItemAtIndex(index);
    update();
    emit currentIndexChanged(currentIndex());
}

QSize HUDPopUpButton::sizeHint() const {
    return cell_->cellSize().toSize();
}

void HUDPopUpButton::paintEvent(QPaintEvent*) {
    cell_->setEnabled(isEnabled());
    QPainter painter(this);
    cell_->drawWithFrame(painter, QRectF(rect()), this);
}

void HUDPopUpButton::showMenu() {
    if (menu_ || cell_->numberOfItems() == 0) return;
    emit aboutToPopUp();
    if (cell_->numberOfItems() == 0) return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // A pull-down's first item is its title, not a choice.
    for (int i = cell_->pullsDown() ? 1 : 0; i < cell_->numberOfItems(); ++i) {
        const auto& item = cell_->itemAtIndex(i);
        QAction* action = menu->addAction(item.title);
        action->setEnabled(item.enabled);
        if (!cell_->pullsDown()) {
            action->setCheckable(true);
            action->setChecked(i == currentIndex());
        }
        connect(action, &QAction::triggered, this, [this, i] { choose(i); });
    }
    connect(menu, &QMenu::aboutToHide, this, [this] {
        // Deleted later; a new click may open the next one meanwhile.
        menu_ = nullptr;
        cell_->setHighlighted(false);
        update();
        emit menuClosed();
    });
    menu_ = menu;
    cell_->setHighlighted(true);
    update();
    menu->popup(mapToGlobal(QPoint(0, height())));
}

void HUDPopUpButton::choose(int index) {
    if (!cell_->pullsDown()) setCurrentIndex(index);
    emit activated(index);
}

void HUDPopUpButton::step(int direction) {
    for (int i = currentIndex() + direction; i >= 0 && i < cell_->numberOfItems(); i += direction) {
        if (cell_->itemAtIndex(i).enabled) {
            choose(i);
            return;
        }
    }
}

void HUDPopUpButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    showMenu();
    event->accept();
}

void HUDPopUpButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
            showMenu();
            break;
        case Qt::Key_Up:
            if (!cell_->pullsDown()) step(-1);
            break;
        case Qt::Key_Down:
            if (!cell_->pullsDown()) step(1);
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void HUDPopUpButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) cell_->setEnabled(isEnabled());
    QWidget::changeEvent(event);
}
