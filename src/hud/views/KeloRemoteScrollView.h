#pragma once

#include <QScrollArea>

class KeloUIAttributes;
class ScrollViewEventDelegate;

// A scroll area of the controller's own panes: a 2-point bevel around it,
// and clicks and drops on it handed to an event delegate. Draws y-down.
class KeloRemoteScrollView : public QScrollArea {
    Q_OBJECT
public:
    explicit KeloRemoteScrollView(QWidget* parent = nullptr);

    ScrollViewEventDelegate* eventDelegate() const { return eventDelegate_; }
    // Not owned.
    void setEventDelegate(ScrollViewEventDelegate* delegate) { eventDelegate_ = delegate; }

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void drawFrame();

    const KeloUIAttributes* attributes_ = nullptr;
    ScrollViewEventDelegate* eventDelegate_ = nullptr;
};
