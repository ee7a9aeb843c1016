#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class TbTabBarControl;

// The small spinning indicator of a tab. Its hidden flag is its own (an
// indicator lives outside the bar while its tab is in the overflow menu or
// dragged); changing it makes the bar lay itself out again, so that the tab
// makes or gives back the indicator's room. Main thread only.
class TbProgressIndicator : public QWidget {
    Q_OBJECT
public:
    explicit TbProgressIndicator(QWidget* parent = nullptr);

    // The bar of the indicator's tab, which lays out again when the
    // indicator is shown or hidden, whether or not it holds the indicator.
    void setTabBar(TbTabBarControl* bar);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);

    void startAnimation();
    // Also cancels a delayed start still pending.
    void stopAnimation();
    // Starts the animation on the next turn of the event loop.
    void startAnimationLater();
    bool isAnimating() const { return timer_.isActive(); }
    int phase() const { return phase_; }

    // Puts the indicator into `bar` (shown unless hidden) or takes it out.
    void attachTo(QWidget* bar);
    void detach();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<TbTabBarControl> bar_;
    bool hidden_ = false;
    int phase_ = 0;
    QTimer timer_;
    QTimer delayedStart_;
};
