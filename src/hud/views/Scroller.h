#pragma once

#include <QScrollBar>

class KeloUIAttributes;

// The controller's older scroll bar, drawn with bevels in the interface
// colours. Draws y-down.
class Scroller : public QScrollBar {
    Q_OBJECT
public:
    explicit Scroller(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Visible share of the content, 1.0 when everything shows.
    double knobProportion() const;
    bool hasUsableParts() const { return maximum() > minimum(); }
    static int scrollerWidthForControlSize(int controlSize);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF part(int subControl) const;
    void drawKnobSlotInRect(QPainter& painter, const QRectF& slot);
    void drawKnob(QPainter& painter);
    void drawArrow(QPainter& painter);

    const KeloUIAttributes* attributes_ = nullptr;
};
