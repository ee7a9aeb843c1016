#include "tabbar/TbTabDragWindow.h"

#include "tabbar/TbTabDragView.h"

namespace {
constexpr int kTitleBarHeight = 22;
}

TbTabDragWindow::TbTabDragWindow(const QImage& image, unsigned styleMask)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
      dragView_(new TbTabDragView(this)),
      styleMask_(styleMask) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    dragView_->setImage(image);
    resize(image.width(), image.height() + (styleMask ? kTitleBarHeight : 0));
}

std::unique_ptr<TbTabDragWindow> TbTabDragWindow::dragWindowWithImage(const QImage& image, unsigned styleMask) {
    return std::make_unique<TbTabDragWindow>(image, styleMask);
}

void TbTabDragWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = styleMask_ ? kTitleBarHeight : 0;
    dragView_->setGeometry(0, top, width(), height() - top);
}
