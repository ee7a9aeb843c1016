#pragma once

#include <QImage>
#include <QPushButton>
#include <QTimer>

// The pull-down at the end of a tab bar that lists the tabs that do not
// fit. It draws its own image, a pressed image while its menu is open, and
// can pulse an alternate image over it; hiding suspends the pulse and
// showing resumes it. The menu is the layout controller's (not owned).
// Main thread only.
class TbOverflowPopUpButton : public QPushButton {
    Q_OBJECT
public:
    // Always a pull-down, whatever `pullsDown` says.
    TbOverflowPopUpButton(const QRect& frame, bool pullsDown, QWidget* parent = nullptr);

    bool isDown() const { return down_; }
    bool animatingAlternateImage() const { return animatingAlternateImage_; }
    void setAnimatingAlternateImage(bool flag);
    QImage alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QImage& image) { alternateImage_ = image; }
    double animationValue() const { return animationValue_; }
    bool isPulsing() const { return animationTimer_.isActive(); }
    void animateStep();
    void setVisible(bool visible) override;
    // The pull-down's first item only titles it; the menu shows from the
    // second item on, on the button's right-hand side.
    void setPullDownMenu(QMenu* menu);
    QMenu* pullDownMenu() const { return menu_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void startPulse();
    void stopPulse();
    void notificationReceived();

    QImage image_;
    QImage downImage_;
    QImage alternateImage_;
    bool down_ = false;
    bool animatingAlternateImage_ = false;
    QTimer animationTimer_;
    double animationValue_ = 0;
    QMenu* menu_ = nullptr;
};
