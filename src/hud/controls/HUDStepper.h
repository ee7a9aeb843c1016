#pragma once

#include "hud/cells/HUDStepperCell.h"

#include <QWidget>

#include <memory>

// A stepper drawn by its HUDStepperCell: a left click in the upper half
// raises the value by the increment, in the lower half lowers it, within
// the limits.
class HUDStepper : public QWidget {
    Q_OBJECT
public:
    explicit HUDStepper(QWidget* parent = nullptr);
    ~HUDStepper() override;

    HUDStepperCell* cell() const { return cell_.get(); }
    double value() const { return value_; }
    void setValue(double value);
    double minValue() const { return minValue_; }
    void setMinValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);
    double increment() const { return increment_; }
    void setIncrement(double increment) { increment_ = increment; }

    QSize sizeHint() const override { return QSize(19, 27); }

signals:
    void valueChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<HUDStepperCell> cell_;
    double value_ = 0;
    double minValue_ = 0;
    double maxValue_ = 59;
    double increment_ = 1;
};
