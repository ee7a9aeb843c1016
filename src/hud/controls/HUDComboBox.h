#pragma once

#include "hud/cells/HUDComboBoxCell.h"

#include <QComboBox>

#include <memory>

// A combo box drawn by its HUDComboBoxCell; the list and the editor are the
// standard ones.
class HUDComboBox : public QComboBox {
    Q_OBJECT
public:
    using CellClass = HUDComboBoxCell;

    explicit HUDComboBox(QWidget* parent = nullptr);
    ~HUDComboBox() override;

    HUDComboBoxCell* cell() const { return cell_.get(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void placeEditor();

    std::unique_ptr<HUDComboBoxCell> cell_;
};
