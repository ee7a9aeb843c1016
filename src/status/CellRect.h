#pragma once

#include <QRectF>
#include <QString>

#include <cstdint>

// One numbered part of a status cell. `rect` is cell-local and y-up: origin
// at the cell's bottom-left corner as seen on screen, y growing upwards, as
// the cells lay out their parts; the cell converts it for painting.
class CellRect {
public:
    QRectF rect() const { return rect_; }
    void setRect(const QRectF& rect) { rect_ = rect; }
    int64_t index() const { return index_; }
    void setIndex(int64_t index) { index_ = index; }
    int64_t part() const { return part_; }
    void setPart(int64_t part) { part_ = part; }
    bool dirty() const { return dirty_; }
    void setDirty(bool dirty) { dirty_ = dirty; }
    void makeDirty() { dirty_ = true; }
    QString toolTip() const { return toolTip_; }
    void setToolTip(const QString& toolTip) { toolTip_ = toolTip; }

    // "{{x, y}, {w, h}}".
    QString description() const;

private:
    QRectF rect_;
    int64_t index_ = 0;
    int64_t part_ = 0;
    bool dirty_ = false;
    QString toolTip_;
};
