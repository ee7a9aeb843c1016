#include "hud/windows/KeloColouredPanel.h"

#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/KeloColouredWindow.h"

#include <QKeyEvent>
#include <QLabel>

namespace {

constexpr int kTitleInset = 10;
constexpr int kTitleHeight = 16;
constexpr int kTitleFontSize = 11;

}  // namespace

KeloColouredPanel::KeloColouredPanel(QWidget* parent) : QDialog(parent) {
    HUDThemeKeloWindow::initAppearance(this);
    setAutoFillBackground(true);
}

void KeloColouredPanel::setTitleBarColour(const QColor& colour) {
    titleBarColour_ = colour;
    if (titleview_) {
        QPalette palette = titleview_->palette();
        palette.setColor(QPalette::WindowText, colour);
        titleview_->setPalette(palette);
    }
}

void KeloColouredPanel::setTitle(const QString& title) {
    if (!titleview_) {
        titleview_ = new QLabel(this);
        titleview_->setAlignment(Qt::AlignCenter);
        QFont font = titleview_->font();
        font.setPointSize(kTitleFontSize);
        titleview_->setFont(font);
        if (titleBarColour_.isValid()) setTitleBarColour(titleBarColour_);
        titleview_->show();
        layoutTitleBar();
    }
    titleview_->setText(title);
}

void KeloColouredPanel::addItemToTitleBar(QWidget* view, bool) {
    if (!view) return;
    if (!titleview_) setTitle(QString());
    view->setParent(this);
    titleItems_.append(view);
    view->show();
    layoutTitleBar();
}

void KeloColouredPanel::layoutTitleBar() {
    if (!titleview_) return;
    int itemsWidth = 0;
    for (const QPointer<QWidget>& item : titleItems_) {
        if (item) itemsWidth += item->width();
    }
    const int titleWidth = width() - 2 * kTitleInset - itemsWidth;
    titleview_->setGeometry(kTitleInset, 0, titleWidth, kTitleHeight);
    int x = kTitleInset + titleWidth;
    for (const QPointer<QWidget>& item : titleItems_) {
        if (!item) continue;
        item->move(x, 0);
        x += item->width();
    }
}

bool KeloColouredPanel::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest) restartDrawThrottle();
    return QDialog::event(event);
}

void KeloColouredPanel::keyPressEvent(QKeyEvent* event) {
    if (KeloColouredWindow::handleEscapeKey(this, event)) {
        event->accept();
        return;
    }
    // The cancel key that no control took cancels the dialog.
    if (event->key() == Qt::Key_Period && event->modifiers() == Qt::ControlModifier) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void KeloColouredPanel::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutTitleBar();
}
