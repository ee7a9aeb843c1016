#pragma once

#include "hud/cells/TableHeaderCell.h"

#include <QImage>

// A column header in the HUD look: a border-coloured frame round a vertical
// gradient, the title 3 points in, a filled triangle for the primary sort
// column. Coordinates are y-down.
class HUDTableViewHeaderCell : public TableHeaderCell {
public:
    explicit HUDTableViewHeaderCell(const QString& title = {});
    ~HUDTableViewHeaderCell() override;

    // Always the theme's, whatever was set.
    QColor themeTextColor() const;
    QVariantMap encodeWithCoder() const;

    void drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) override;
    void highlight(QPainter& painter, bool flag, const QRectF& frame, QWidget* view) override;
    void drawSortIndicatorWithFrame(QPainter& painter, const QRectF& frame, QWidget* view,
                                    bool ascending, int priority) override;

private:
    QImage backgroundImg;
};
