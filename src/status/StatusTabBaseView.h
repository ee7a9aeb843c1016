#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

class ServersUI;

// The Status tab's background: a sunken inset box with a line 23 points up
// from the bottom, holding the breakout columns. The background is rendered
// once per size and then copied. y-down. Main thread only.
class StatusTabBaseView : public QWidget {
    Q_OBJECT
public:
    // Resizing lays out the columns of `controller`.
    explicit StatusTabBaseView(ServersUI* controller, QWidget* parent = nullptr);

    // The box the columns stand in, in the view's coordinates.
    QRectF boxRect() const;
    // How many times the background was rendered; for tests.
    int renderCount() const { return renderCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<ServersUI> controller_;
    QImage backgroundImg_;
    int renderCount_ = 0;
};
