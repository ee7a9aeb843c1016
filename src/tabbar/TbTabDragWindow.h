#pragma once

#include <QWidget>

#include <memory>

class TbTabDragView;

// A borderless floating window that carries a drag image above every other
// window and lets the mouse through. A non-zero style mask adds room for a
// title bar (22 points) above the image. Main thread only.
class TbTabDragWindow : public QWidget {
    Q_OBJECT
public:
    TbTabDragWindow(const QImage& image, unsigned styleMask);
    static std::unique_ptr<TbTabDragWindow> dragWindowWithImage(const QImage& image, unsigned styleMask);

    TbTabDragView* dragView() const { return dragView_; }
    unsigned styleMask() const { return styleMask_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    TbTabDragView* dragView_;
    unsigned styleMask_;
};
