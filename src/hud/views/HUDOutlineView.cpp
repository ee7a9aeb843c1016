#include "hud/views/HUDOutlineView.h"

#include "hud/cells/HUDTextFieldCell.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/HUDTableCornerView.h"
#include "hud/views/HUDTableHeaderView.h"
#include "hud/views/HUDTableView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

class OutlineCellDelegate : public QStyledItemDelegate {
public:
    explicit OutlineCellDelegate(HUDOutlineView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        TextFieldCell* cell = view_->preparedCellAtIndex(index);
        if (!cell) return;
        painter->save();
        cell->drawWithFrame(*painter, QRectF(option.rect), const_cast<QWidget*>(option.widget));
        painter->restore();
    }

private:
    HUDOutlineView* view_;
};

}  // namespace

HUDOutlineView::HUDOutlineView(QWidget* parent)
    : QTreeView(parent), cell_(std::make_unique<HUDTextFieldCell>()) {
    auto* header = new HUDTableHeaderView(this);
    setHeader(header);
    setUpTheme(this, header);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setItemDelegate(new OutlineCellDelegate(this));
}

HUDOutlineView::~HUDOutlineView() = default;

HUDOutlineView* HUDOutlineView::initWithCoder(const QVariantMap& archive, QWidget* parent) {
    auto* outline = new HUDOutlineView(parent);
    outline->decodeThemeKey(archive);
    return outline;
}

TextFieldCell* HUDOutlineView::preparedCellAtIndex(const QModelIndex& index) {
    if (!index.isValid()) return nullptr;
    cell_->setStringValue(index.data(Qt::DisplayRole).toString());
    cell_->setEditable(index.flags() & Qt::ItemIsEditable);
    cell_->setEnabled(isEnabled() && (index.flags() & Qt::ItemIsEnabled));
    cell_->setFont(font());
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    HUDTheme* t = theme(this);
    cell_->setTextColor(selected ? t->cellSelectedTextColor() : t->textColor());
    return cell_.get();
}

void HUDOutlineView::highlightSelectionInClipRect(QPainter& painter, const QRectF& clip) {
    QList<HUDRowBand> rows;
    const double width = std::max<double>(header()->length(), viewport()->width());
    QModelIndex index = indexAt(QPoint(0, int(clip.top())));
    if (!index.isValid())
        index = indexAt(QPoint(header()->sectionViewportPosition(0) + 1, int(clip.top())));
    while (index.isValid()) {
        const QRect r = visualRect(index);
        if (r.top() >= clip.y() + clip.height()) break;
        // Rows are of one height, so the visible row number follows from y.
        const int rowHeight = std::max(1, r.height());
        const int row = (r.top() + verticalOffset()) / rowHeight;
        const bool selected =
            selectionModel() && selectionModel()->isRowSelected(index.row(), index.parent());
        rows.append({QRectF(-horizontalOffset(), r.top(), width, r.height()), row, selected});
        index = indexBelow(index);
    }
    paintRowBands(painter, clip, rows, alternatingRowColors(), rowHeight());
}

int HUDOutlineView::rowHeight() const {
    const QModelIndex first = model() ? model()->index(0, 0, rootIndex()) : QModelIndex();
    if (first.isValid()) return std::max(1, QTreeView::rowHeight(first));
    // No row to measure: the height an empty text row of the view's font takes.
    QStyleOptionViewItem option;
    option.initFrom(this);
    return std::max(1, itemDelegate()->sizeHint(option, QModelIndex()).height());
}

void HUDOutlineView::paintEvent(QPaintEvent* event) {
    paintRowBackgrounds(event->rect());
    QTreeView::paintEvent(event);
}
