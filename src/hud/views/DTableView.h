#pragma once

#include "hud/views/HUDTableView.h"

#include <QUndoStack>

#include <cstdint>
#include <limits>
#include <memory>

class QMenu;
class TableViewDelegate;

inline constexpr quint64 kNSNotFound = quint64(std::numeric_limits<qint64>::max());

// The table of the system's interactive lists: hover tracking for the
// delegate and the cells, a flash frame round one row, right-click row
// selection, Delete keys and double-clicks for the delegate, a fresh undo
// stack per in-table edit, and geometry answered from a per-pass cache while
// it draws. Table coordinates are the document's (row 0 at y 0, y-down);
// window coordinates are y-down too, so the cached conversions are offsets.
class DTableView : public HUDTableView {
    Q_OBJECT
public:
    struct ConvertRectCache {
        QRectF visRect;
        int32_t visRectIncrement = 0;
        QPointF rootOffset;
        QRectF docRect;
        QRectF clipBounds;
    };

    explicit DTableView(QWidget* parent = nullptr);
    ~DTableView() override;

    void awakeFromNib();

    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }
    TableViewDelegate* delegate() const { return delegate_; }
    // The standard context menu (not owned).
    void setMenu(QMenu* menu) { menu_ = menu; }

    quint64 flashRow() const { return flashRow_; }
    void setFlashRow(quint64 row);
    int32_t flashType() const { return flashType_; }
    void setFlashType(int32_t type) { flashType_ = type; }

    quint64 mouseHoverRow() const { return mouseHoverRow_; }
    quint64 mouseHoverColumn() const { return mouseHoverColumn_; }

    void resetCursorRects();
    void adjustTrackingArea();
    // Pointer tracking; `pos` is in viewport coordinates.
    void mouseMoved(const QPoint& pos, bool realMove);
    void mouseEntered(const QPoint& pos);
    void mouseExited(bool realExit);
    TextFieldCell* preparedCellAtColumn(int column, int row) override;

    // Selects the row under a right-click, then answers the standard menu.
    QMenu* menuForEvent(const QPoint& pos);
    void customDrawFlashRow(QPainter& painter, const QRectF& dirty);

    ConvertRectCache convertRectCache();
    QRectF visibleRect();
    // A null view is the window.
    QPointF convertPoint(const QPointF& point, const QWidget* view);
    QRectF convertRectToView(const QRectF& rect, const QWidget* view);
    QRectF convertRectFromView(const QRectF& rect, const QWidget* view);

    QUndoStack* undoManagerForTextView();
    void textDidEndEditing();

    static int32_t sVisRectIncrement;
    static bool sDoingDrawRect;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    bool validRow(quint64 row) const;
    QRectF rowStrip(quint64 row) const;
    QRectF standardVisibleRect() const;
    QPointF standardOrigin() const;

    quint64 mouseHoverRow_ = kNSNotFound;
    quint64 mouseHoverColumn_ = kNSNotFound;
    ConvertRectCache rectCache_;
    quint64 flashRow_ = kNSNotFound;
    int32_t flashType_ = 0;
    uint8_t flashToggle_ = 0;
    std::unique_ptr<QUndoStack> textEditUndoManager_;
    TableViewDelegate* delegate_ = nullptr;
    QMenu* menu_ = nullptr;
};
