#pragma once

#include "hud/cells/HUDSliderCell.h"

#include <QAbstractSlider>

#include <memory>

// A slider drawn by its HUDSliderCell. Range, value, orientation and the
// keyboard come from QAbstractSlider; a press on the knob drags it, a press
// elsewhere on the track moves the knob there first.
class HUDSlider : public QAbstractSlider {
    Q_OBJECT
public:
    explicit HUDSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    ~HUDSlider() override;

    HUDSliderCell* cell() const { return cell_.get(); }
    void setCell(std::unique_ptr<HUDSliderCell> cell);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Copies the slider's state into the cell before it draws or maps points.
    void syncCell();
    int valueAt(const QPointF& point);

    std::unique_ptr<HUDSliderCell> cell_;
    // Pointer offset from the knob centre while dragging.
    QPointF grabOffset_;
};
