#pragma once

#include <QImage>
#include <QWidget>

// The content of a floating drag window: the image, cross-faded with an
// alternate image by the fade value. Main thread only.
class TbTabDragView : public QWidget {
    Q_OBJECT
public:
    explicit TbTabDragView(QWidget* parent = nullptr);

    QImage image() const { return image_; }
    void setImage(const QImage& image);
    QImage alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QImage& image);
    double fadeValue() const { return alpha_; }
    void setFadeValue(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QImage alternateImage_;
    double alpha_ = 1.0;
};
