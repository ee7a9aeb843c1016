#pragma once

#include <QRectF>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class TbTabBarCell;
class TbTabBarControl;

// The layout engine of a TbTabBarControl: at each layout it decides every
// cell's width (or, in a vertical bar, its top), which cells go to the
// overflow menu, the selection and tab-state bits of each cell, and builds
// that menu. The control moves the cells to the stored frames. Owned by the
// control; main thread only.
class TbTabBarController {
public:
    explicit TbTabBarController(TbTabBarControl* control);
    ~TbTabBarController();

    // Null when every cell is visible.
    QMenu* overflowMenu() const { return overflowMenu_.get(); }
    // The zero rectangle (and a log line) for an index out of range.
    QRectF cellFrameAtIndex(qsizetype index) const;
    qsizetype numberOfCellFrames() const { return qsizetype(cellFrames_.size()); }
    void layoutCells();
    // Moves the selection bits to a newly selected cell without a layout.
    void setSelectedCell(const std::shared_ptr<TbTabBarCell>& cell);

    int numberOfItemsInMenu(const QMenu* menu) const;
    // Gives the menu item the icon of its tab's identifier; always true.
    bool menuUpdateItem(QMenu* menu, QAction* item);

    std::vector<double> _generateWidthsFromCells(const std::vector<std::shared_ptr<TbTabBarCell>>& cells);
    void _setupCells(const std::vector<std::shared_ptr<TbTabBarCell>>& cells,
                     const std::vector<double>& widths);
    // Lowers the widths one point per entry per pass toward `minimum` until
    // their sum is at most `available`; returns the points removed.
    static long long _shrinkWidths(std::vector<double>& widths, long long minimum, double available);

private:
    TbTabBarControl* control_;
    std::vector<QRectF> cellFrames_;
    std::unique_ptr<QMenu> overflowMenu_;
};
