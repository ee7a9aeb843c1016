#pragma once

#include "hud/cells/TextFieldCell.h"
#include "hud/views/HUDTableTheming.h"

#include <QTreeView>
#include <QVariantMap>

#include <memory>

// The dark HUD outline: the table's theme, header cells, corner view, row
// painting and cell text colours on a tree.
class HUDOutlineView : public QTreeView, public HUDTableTheming {
    Q_OBJECT
public:
    explicit HUDOutlineView(QWidget* parent = nullptr);
    ~HUDOutlineView() override;

    static HUDOutlineView* initWithCoder(const QVariantMap& archive, QWidget* parent = nullptr);

    virtual TextFieldCell* preparedCellAtIndex(const QModelIndex& index);

    void highlightSelectionInClipRect(QPainter& painter, const QRectF& clip) override;
    // The height of the rows, also when there are none.
    int rowHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<TextFieldCell> cell_;
};
