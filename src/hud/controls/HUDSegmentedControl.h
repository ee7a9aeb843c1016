#pragma once

#include "hud/cells/HUDSegmentedCell.h"

#include <QWidget>

#include <memory>

// A segmented control drawn by its HUDSegmentedCell; a click on an enabled
// segment selects it.
class HUDSegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit HUDSegmentedControl(QWidget* parent = nullptr);
    ~HUDSegmentedControl() override;

    HUDSegmentedCell* cell() const { return cell_.get(); }
    void setSelectedSegment(int segment);
    int selectedSegment() const { return cell_->selectedSegment(); }

    QSize sizeHint() const override;

signals:
    void selectedSegmentChanged(int segment);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::unique_ptr<HUDSegmentedCell> cell_;
};
