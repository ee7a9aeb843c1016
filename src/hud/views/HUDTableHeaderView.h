#pragma once

#include "hud/cells/TableHeaderCell.h"

#include <QHeaderView>

#include <map>
#include <memory>

// A horizontal header whose sections are drawn by per-column header cells
// (plain ones until a HUD table converts them). Titles come from the model
// when it has them.
class HUDTableHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit HUDTableHeaderView(QWidget* parent = nullptr);
    ~HUDTableHeaderView() override;

    // The cell of a logical column, made as a plain cell on first request.
    TableHeaderCell* headerCell(int column);
    void setHeaderCell(int column, std::unique_ptr<TableHeaderCell> cell);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    std::map<int, std::unique_ptr<TableHeaderCell>> cells_;
};
