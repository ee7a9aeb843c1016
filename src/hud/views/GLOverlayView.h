#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

#include <cstdint>

// Controls floating over an OpenGL canvas, where ordinary child widgets do
// not draw reliably: the overlay is a transparent frameless window of its
// own, attached to the canvas's window while shown and kept at the canvas's
// top-left corner, `margin` points in. Each direct child (a control group)
// gets a dark, nearly opaque backing. Editors call parentWindowResized()
// when their window moves or resizes.
class GLOverlayView : public QWidget {
    Q_OBJECT
public:
    // With isParentModal the overlay is a tool window that keeps taking
    // clicks while a modal dialog runs.
    GLOverlayView(QWidget* relativeView, const QSize& size, int32_t margin, bool isParentModal);
    ~GLOverlayView() override;

    void parentWindowResized();
    void updateVisible(bool visible, bool force);
    bool isOverlayVisible() const { return isVisible_; }
    void adjustTrackingArea();
    void resetCursorRects();

    QWidget* relativeView() const { return relativeView_; }
    // The canvas's window, captured the first time the overlay is placed.
    QWidget* parentWindow() const { return parentWindow_; }
    int32_t margin() const { return margin_; }
    bool isParentModal() const { return isParentModal_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void position();
    void mouseMoved();
    Qt::WindowFlags windowFlagsForMode() const;

    QPointer<QWidget> parentWindow_;
    QPointer<QWidget> relativeView_;
    bool isVisible_ = false;
    int32_t margin_ = 0;
    bool initDone_ = false;
    bool isParentModal_ = false;
};
