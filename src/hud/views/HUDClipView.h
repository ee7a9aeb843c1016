#pragma once

#include "hud/views/VNSViewCategory.h"

#include <QWidget>

// A scroll area's viewport that fills itself with its own colour, or with
// the enclosing views' colour when it does not draw its background.
class HUDClipView : public QWidget, public BackgroundColorProtocol {
    Q_OBJECT
public:
    explicit HUDClipView(QWidget* parent = nullptr);

    QColor backgroundColor() const override { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) override;
    void setDrawsBackground(bool draws) override;
    bool drawsBackground() const { return drawsBackground_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor backgroundColor_;
    bool drawsBackground_ = false;
};
