#include "hud/views/HUDOutlineView.h"

#include "hud/views/HUDTableCornerView.h"
#include "hud/views/HUDTableHeaderView.h"
#include "hud/views/HUDTableView.h"
#include "hud/cells/HUDTextFieldCell.h"
#include "hud/theme/HUDThemeManager.h"

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
    : QTreeView(parent),
      themeKey_(kHUDGradientThemeKey),
      header_(new HUDTableHeaderView(this)),
      cell_(std::make_unique<HUDTextFieldCell>()) {
    setHeader(header_);
    setBackgroundColor(theme(this)->tableBackgroundColor());
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    clearStyleRowColours(this);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setItemDelegate(new OutlineCellDelegate(this));
    connect(header_, &QHeaderView::sectionCountChanged, this, [this](int, int count) {
        HUDTableView::convertHeaderCells(header_, count, themeKey_);
    });
}

HUDOutlineView::~HUDOutlineView() = default;

HUDOutlineView* HUDOutlineView::initWithCoder(const QVariantMap& archive, QWidget* parent) {
    auto* outline = new HUDOutlineView(parent);
    if (archive.contains("themeKey")) {
        outline->setThemeKey(archive.value("themeKey").toString());
        outline->setBackgroundColor(theme(outline)->tableBackgroundColor());
    }
    return outline;
}

QVariantMap HUDOutlineView::encodeWithCoder() const {
    return {{"themeKey", themeKey_}};
}

void HUDOutlineView::awakeFromNib() {
    setCornerWidget(new HUDTableCornerView(themeKey_));
    HUDTableView::convertHeaderCells(header_, header_->count(), themeKey_);
}

void HUDOutlineView::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    viewport()->update();
}

QWidget* HUDOutlineView::cornerView() {
    QWidget* corner = cornerWidget();
    if (corner && !qobject_cast<HUDTableCornerView*>(corner)) {
        corner = new HUDTableCornerView(themeKey_);
        setCornerWidget(corner);
    }
    return corner;
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

void HUDOutlineView::drawBackgroundInClipRect(QPainter& painter, const QRectF& clip) {
    if (!alternatingRowColors()) painter.fillRect(clip, backgroundColor_);
}

void HUDOutlineView::highlightSelectionInClipRect(QPainter& painter, const QRectF& clip) {
    QList<HUDRowBand> rows;
    const double width = std::max<double>(header_->length(), viewport()->width());
    QModelIndex index = indexAt(QPoint(0, int(clip.top())));
    if (!index.isValid())
        index = indexAt(QPoint(header_->sectionViewportPosition(0) + 1, int(clip.top())));
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
    const int band = rows.isEmpty() ? sizeHintForRow(0) : int(rows.first().rect.height());
    HUDTableView::paintRowBands(painter, clip, rows, alternatingRowColors(), band);
}

void HUDOutlineView::setDropRow(qint64 row, quint64 operation) {
    dropRow_ = row;
    dropOperation_ = operation;
}

void HUDOutlineView::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        drawBackgroundInClipRect(painter, QRectF(event->rect()));
        highlightSelectionInClipRect(painter, QRectF(event->rect()));
    }
    QTreeView::paintEvent(event);
}
