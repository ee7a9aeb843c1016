#pragma once

#include <QAbstractButton>
#include <QImage>

// An image button that shows its rollover image while the mouse is over it
// and its alternate image while pressed; the tab bar's add-tab button.
// Main thread only.
class TbRolloverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TbRolloverButton(QWidget* parent = nullptr);

    QImage usualImage() const { return usualImage_; }
    // Shown at once, as the button's image follows the usual image.
    void setUsualImage(const QImage& image);
    QImage rolloverImage() const { return rolloverImage_; }
    void setRolloverImage(const QImage& image) { rolloverImage_ = image; }
    QImage alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QImage& image) { alternateImage_ = image; }
    // The image showing now.
    QImage image() const { return image_; }

    // Forgets the rollover state: the usual image shows until the mouse
    // enters again.
    void updateTrackingAreas();

    QSize sizeHint() const override { return usualImage_.size(); }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QImage usualImage_;
    QImage rolloverImage_;
    QImage alternateImage_;
    QImage image_;
};
