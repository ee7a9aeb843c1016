#pragma once

#include "hud/cells/HUDCell.h"

#include <QRectF>
#include <QString>

class QMouseEvent;
class QPainter;
class QWidget;

// A stepper cell that shows only a red outline; its own mouse handlers
// ignore clicks, leaving the stepping to the control.
class HUDStepperCell : public HUDCell {
public:
    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    void mouseDown(QMouseEvent* event);
    void rightMouseDown(QMouseEvent* event);

private:
};
