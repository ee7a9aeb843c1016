#pragma once

#include "hud/cells/HUDButtonCell.h"

#include <QAbstractButton>

#include <memory>

// A push button, check box, radio button or symbol button drawn by its
// HUDButtonCell. The cell holds the look and the state; a click moves a
// state-keeping cell to its next state (a radio button only to on).
class HUDButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit HUDButton(QWidget* parent = nullptr);
    HUDButton(const QString& title, QWidget* parent = nullptr);
    ~HUDButton() override;

    HUDButtonCell* cell() const { return cell_.get(); }
    void setCell(std::unique_ptr<HUDButtonCell> cell);

    void setTitle(const QString& title);
    QString title() const { return cell_->title(); }
    void setButtonType(int type);
    int state() const { return cell_->state(); }
    void setState(int state);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void nextCheckState() override;
    void checkStateSet() override;
    void changeEvent(QEvent* event) override;

private:
    void adoptCell();

    std::unique_ptr<HUDButtonCell> cell_;
};
