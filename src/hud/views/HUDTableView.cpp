#include "hud/views/HUDTableView.h"

#include "hud/cells/HUDTableViewHeaderCell.h"
#include "hud/cells/HUDTextFieldCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/HUDTableCornerView.h"
#include "hud/views/HUDTableHeaderView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include <cmath>
#include <functional>
#include <typeinfo>

namespace {

// Draws each item with the table's prepared cell; remembers the last editor
// so that a value change by the wheel can close it.
class HUDCellDelegate : public QStyledItemDelegate {
public:
    HUDCellDelegate(std::function<TextFieldCell*(const QModelIndex&)> prepare,
                    QPointer<QWidget>* lastEditor, const HUDThemeKeyProtocol* keyed,
                    QObject* parent)
        : QStyledItemDelegate(parent),
          prepare_(std::move(prepare)),
          lastEditor_(lastEditor),
          keyed_(keyed) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        TextFieldCell* cell = prepare_(index);
        if (!cell) return;
        painter->save();
        cell->drawWithFrame(*painter, QRectF(option.rect), const_cast<QWidget*>(option.widget));
        painter->restore();
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor)
            HUDTheme::setupFieldEditorColors(theme(keyed_), editor, parent->window(), keyed_);
        *lastEditor_ = editor;
        return editor;
    }

private:
    std::function<TextFieldCell*(const QModelIndex&)> prepare_;
    QPointer<QWidget>* lastEditor_;
    const HUDThemeKeyProtocol* keyed_;
};

}  // namespace

bool isNonEditableTextField(const QWidget* widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->isReadOnly();
    return qobject_cast<const QLabel*>(widget) != nullptr;
}

HUDTableView::HUDTableView(QWidget* parent)
    : QTableView(parent), defaultCell_(std::make_unique<HUDTextFieldCell>()) {
    auto* header = new HUDTableHeaderView(this);
    setHorizontalHeader(header);
    setUpTheme(this, header);
    setShowGrid(false);
    setFocusPolicy(Qt::StrongFocus);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    viewport()->installEventFilter(this);
    setItemDelegate(new HUDCellDelegate(
        [this](const QModelIndex& index) {
            return preparedCellAtColumn(index.column(), index.row());
        },
        &lastEditor_, this, this));
    adjustTrackingArea();
}

HUDTableView::~HUDTableView() = default;

HUDTableView* HUDTableView::initWithCoder(const QVariantMap& archive, QWidget* parent) {
    auto* table = new HUDTableView(parent);
    table->decodeThemeKey(archive);
    return table;
}

void HUDTableView::setDataCell(int column, std::unique_ptr<TextFieldCell> cell) {
    dataCells_[column] = std::move(cell);
    viewport()->update();
}

TextFieldCell* HUDTableView::dataCell(int column) {
    const auto it = dataCells_.find(column);
    return it != dataCells_.end() ? it->second.get() : defaultCell_.get();
}

TextFieldCell* HUDTableView::preparedCellAtColumn(int column, int row) {
    if (!model()) return nullptr;
    const QModelIndex index = model()->index(row, column, rootIndex());
    if (!index.isValid()) return nullptr;
    TextFieldCell* cell = dataCell(column);
    cell->setStringValue(index.data(Qt::DisplayRole).toString());
    cell->setEditable(index.flags() & Qt::ItemIsEditable);
    cell->setEnabled(isEnabled() && (index.flags() & Qt::ItemIsEnabled));
    cell->setFont(font());
    const bool selected = selectionModel() && selectionModel()->isRowSelected(row, rootIndex());
    HUDTheme* t = theme(this);
    cell->setTextColor(selected ? t->cellSelectedTextColor() : t->textColor());
    return cell;
}

QList<HUDRowBand> HUDTableView::rowsInClip(const QRectF& clip) const {
    QList<HUDRowBand> rows;
    if (!model()) return rows;
    const int count = model()->rowCount(rootIndex());
    int first = rowAt(int(clip.top()));
    if (first < 0) return rows;
    const double width = std::max<double>(horizontalHeader()->length(), viewport()->width());
    for (int row = first; row < count; ++row) {
        const double y = rowViewportPosition(row);
        if (y >= clip.y() + clip.height()) break;
        if (isRowHidden(row)) continue;
        const bool selected = selectionModel() && selectionModel()->isRowSelected(row, rootIndex());
        rows.append({QRectF(-horizontalOffset(), y, width, rowHeight(row)), row, selected});
    }
    return rows;
}

void HUDTableView::highlightSelectionInClipRect(QPainter& painter, const QRectF& clip) {
    paintRowBands(painter, clip, rowsInClip(clip), alternatingRowColors(),
                  verticalHeader()->defaultSectionSize());
}

void HUDTableView::paintEvent(QPaintEvent* event) {
    paintRowBackgrounds(event->rect());
    QTableView::paintEvent(event);
}

bool HUDTableView::becomeFirstResponder() {
    setFocus(Qt::OtherFocusReason);
    return true;
}

QWidget* HUDTableView::hitTest(const QPoint& pos) const {
    QWidget* hit = viewport()->childAt(pos);
    if (!hit) return viewport();
    if (hit->parentWidget() == viewport() && isNonEditableTextField(hit)) return viewport();
    return hit;
}

bool HUDTableView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::ChildAdded) {
        auto* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType()) child->installEventFilter(this);
    }
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
        type == QEvent::MouseButtonDblClick) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget != viewport() && widget->parentWidget() == viewport() &&
            hitTest(widget->geometry().topLeft()) == viewport()) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPointF at = widget->mapTo(viewport(), mouse->position());
            QMouseEvent forwarded(type, at, mouse->globalPosition(), mouse->button(),
                                  mouse->buttons(), mouse->modifiers());
            QApplication::sendEvent(viewport(), &forwarded);
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void HUDTableView::setAllowsCustomValueScrolling(bool allow) {
    allowsCustomValueScrolling_ = allow;
    resetCursorRects();
}

void HUDTableView::resetCursorRects() {
    if (isEnabled() && allowsCustomValueScrolling_) {
        viewport()->setCursor(Qt::SizeVerCursor);
    } else {
        viewport()->unsetCursor();
    }
    adjustTrackingArea();
}

void HUDTableView::adjustTrackingArea() {
    viewport()->setMouseTracking(true);
}

void HUDTableView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) resetCursorRects();
    QTableView::changeEvent(event);
}

void HUDTableView::wheelEvent(QWheelEvent* event) {
    if (!allowsCustomValueScrolling_) {
        QTableView::wheelEvent(event);
        return;
    }
    customValueScroll(event);
}

void HUDTableView::customValueScroll(QWheelEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    const bool precise = !event->pixelDelta().isNull();
    const double dy = precise ? event->pixelDelta().y() : event->angleDelta().y() / 120.0;
    event->accept();
    if (dy == 0) return;
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QTableView::wheelEvent(event);
        return;
    }
    if (event->phase() == Qt::ScrollMomentum || !precise) return;
    // Nothing under the pointer: there is no value to change.
    if (row < 0 || column < 0 || !model()) return;

    const QModelIndex index = model()->index(row, column, rootIndex());
    selectRow(row);
    edit(index);
    double divisor = 10.0;
    if (event->modifiers() & Qt::ShiftModifier) {
        divisor = 2.5;
    } else if (event->modifiers() & Qt::AltModifier) {
        divisor = 100.0;
    }
    const qint64 value = qint64(std::trunc(double(index.data(Qt::EditRole).toLongLong()) +
                                           dy * viewport()->width() / divisor));
    if (lastEditor_) closeEditor(lastEditor_, QAbstractItemDelegate::NoHint);
    model()->setData(index, value, Qt::EditRole);
    viewport()->update();
    edit(index);
}
