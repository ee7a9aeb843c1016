#pragma once

#include "status/KeloCellHost.h"

#include <QList>
#include <QPointF>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class KeloObject;
class KeloRemoteCell;
class KeloStatusViewTarget;
class KeloUIAttributes;

// A grid of status cells: the monitor pane and breakout panes of the Status
// tab and, with one fixed cell, the monitor HUD. Its data source is a list of
// cell descriptions ("name", and at most one of "layer", "mix", "DMX_Master",
// plus an optional "subName"); its target makes a cell for each. The view
// lays the cells out in columns, polls them once per tick (performUpdate),
// repaints only what they mark, tracks selection by cell and part, moves it
// with the arrow keys, shows their tool tips, and takes servers and layers
// dragged from other status views. Coordinates are the widget's own (y-down);
// the cells convert their y-up parts themselves. Main thread only.
class KeloStatusView : public QWidget, public KeloCellHost {
    Q_OBJECT
public:
    explicit KeloStatusView(const QRectF& frame, QWidget* parent = nullptr);
    ~KeloStatusView() override;

    // Rebuilds the cells from the data source (skipped while it stays empty).
    void createCellArray();
    // Lays the cells out and sizes the view.
    void reloadData();
    // The tick: polls every cell; true when the grid was laid out again.
    bool performUpdate();
    KeloRemoteCell* cellAtIndex(int index) const;
    // The cell under a point with its index and part (-1 for none).
    KeloRemoteCell* cellAtPoint(const QPointF& point, int* index, int* part) const;
    void changeSelection(int index, int part);
    void setSelectedItem(int item);
    int selectedItem() const { return selectedItem_; }
    int selectedPart() const { return selectedPart_; }
    void setSelectedPart(int part) { selectedPart_ = part; }
    void setPixMapSessionItem(int item);
    int pixMapSessionItem() const { return pixMapSessionItem_; }
    void removeKeloObject(const KeloObject* kelo);
    void removeItemAtIndex(int index);
    // kind: 0x8000 layer, 0x2000 mix, 0x4000 DMX master (low 16 bits); others add no key.
    void addItem(uint32_t kind, int number, const KeloObject* kelo, const QString& subName);
    // No description names anything.
    bool isEmpty() const;
    void setMinimumWidth(float width) { minimumWidth_ = width; }

    void setTarget(KeloStatusViewTarget* target) { target_ = target; }
    KeloStatusViewTarget* target() const { return target_; }
    // Not owned: the owner keeps the list alive and sees the view's changes.
    void setDataSource(QList<QVariantMap>* source) { dataSource_ = source; }
    QList<QVariantMap>* dataSource() const { return dataSource_; }
    // Not owned; the view then shows exactly this cell.
    void setSingleCell(KeloRemoteCell* cell) { singleCell_ = cell; }
    KeloRemoteCell* singleCell() const { return singleCell_; }
    const std::vector<KeloRemoteCell*>& cellArray() const { return cells_; }
    int numColumns() const { return numColumns_; }
    void setNumColumns(int columns) { numColumns_ = columns; }
    bool needsLayout() const { return needsLayout_; }
    void setNeedsLayout(bool needs) override { needsLayout_ = needs; }
    void setReportsSizeChanges(bool reports) { reportsSizeChanges_ = reports; }
    bool isBreakout() const { return isBreakout_; }
    void setIsBreakout(bool breakout) { isBreakout_ = breakout; }
    bool showSelectedServerOnly() const { return showSelectedServerOnly_; }
    void setShowSelectedServerOnly(bool only) { showSelectedServerOnly_ = only; }
    int clickedItem() const { return clickedItem_; }
    int clickedPart() const { return clickedPart_; }
    int menuItem() const { return menuItem_; }
    int menuPart() const { return menuPart_; }
    float minHeight() const { return minHeight_; }
    float cellWidth() const { return cellWidth_; }
    int64_t tag() const { return tag_; }
    void setTag(int64_t tag) { tag_ = tag; }

    // KeloCellHost
    void setNeedsDisplayInRect(const QRectF& rect) override;
    void displayRectIgnoringOpacity(const QRectF& rect) override;
    bool hasWindow() const override;
    QRectF visibleRect() const override;
    void addToolTipForRect(const QRectF& rect, const QRectF& frame, KeloRemoteCell* cell) override;
    // The tool tip the view shows at a point; null for none.
    QString toolTipAt(const QPointF& point) const;

    // The drag data of a cell part: "idx", the cell's type key and number, "part".
    static QByteArray dragData(int index, const KeloRemoteCell* cell, int part);
    // Takes dropped drag data at a point; `source` is the view it came from,
    // null for anything else. False when the drop is refused.
    bool performDragOperation(const QByteArray& data, const QPointF& point, KeloStatusView* source);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void commitBreakoutChange();
    struct ToolTipRect {
        QRectF rect;
        KeloRemoteCell* cell;
    };

    // Moves an equal description to `dropIndex`, or inserts it there with a new cell.
    void placeDescription(const QVariantMap& description, int dropIndex);
    void finishPlacement();
    void setHelpText(const QString& text);
    void updateInfoBar(const QPointF& point);
    void startDrag(const QPointF& point);

    QList<QVariantMap>* dataSource_ = nullptr;
    bool dataSourceAlreadyEmpty_ = false;
    std::vector<KeloRemoteCell*> cells_;
    std::vector<std::unique_ptr<KeloRemoteCell>> ownedCells_;
    bool needsLayout_ = false;
    float minimumWidth_;
    float minHeight_ = 0;
    float cellWidth_ = 0;
    int numColumns_ = 1;
    const KeloUIAttributes* attributes_;
    int clickedItem_ = -1;
    int selectedItem_ = -1;
    int pixMapSessionItem_ = -1;
    int clickedPart_ = -1;
    int selectedPart_ = 0;
    int menuItem_ = -1;
    int menuPart_ = -1;
    bool dragging_ = false;
    bool trackingMouse_ = false;
    QPointF clickPt_;
    KeloStatusViewTarget* target_ = nullptr;
    int64_t tag_ = 0;
    KeloRemoteCell* singleCell_ = nullptr;
    bool reportsSizeChanges_ = false;
    bool isBreakout_ = false;
    bool showSelectedServerOnly_ = false;
    float savedScrollPosition_ = 0;
    std::vector<ToolTipRect> toolTips_;
};
