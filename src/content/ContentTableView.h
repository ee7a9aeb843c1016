#pragma once

#include "hud/views/DTableView.h"

#include <QAbstractTableModel>
#include <QPointF>
#include <QStringList>

#include <vector>

class ContentUIPanel;
struct ContentTableRow;

// The rows and column titles of one Content table; the values come from the
// controller through the table's cells, so the model only counts.
class ContentTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ContentTableModel(ContentUIPanel* controller, int table, QStringList titles,
                      QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // After the data source was replaced.
    void reload();

private:
    ContentUIPanel* controller_;
    int table_;
    QStringList titles_;
    int rows_ = 0;
};

// The folder or file table of the Content tab: sync-column clicks, the
// status message over an empty folder table, the queued and progress fills
// under a row, separator rows, and redrawing only the rows that changed.
// Main thread only.
class ContentTableView : public DTableView {
    Q_OBJECT
public:
    enum Table { kFolderTable = 0, kFileTable = 1, kHistoryTable = 2 };

    explicit ContentTableView(QWidget* parent = nullptr);

    void setIsFolderTable(bool on);
    void setIsFileTable(bool on);
    bool isFolderTable() const { return isFolderTable_; }
    bool isFileTable() const { return isFileTable_; }
    void setController(ContentUIPanel* controller) { toController_ = controller; }
    ContentUIPanel* controller() const { return toController_; }
    int table() const {
        return isFolderTable_ ? kFolderTable : isFileTable_ ? kFileTable : kHistoryTable;
    }
    // The sync column: "0" in the folder table, "1" in the file table, none
    // in the history.
    int syncColumn() const { return isFolderTable_ ? 0 : isFileTable_ ? 1 : -1; }

    int contentStatus() const { return contentStatus_; }
    // Stores the code and redraws only when it changed.
    void setDrawingContentStatus(int status);

    // Schedules a redraw of those rows that are on screen; returns how many.
    int updateRows(const std::vector<size_t>& rows);
    // The rows on screen: first and count.
    std::pair<int, int> visibleRows() const;
    // Rows drawn since the counter was last reset (the cells of column 0).
    uint64_t rowsDrawn() const { return rowsDrawn_; }
    void resetRowsDrawn() { rowsDrawn_ = 0; }
    void noteRowDrawn() { ++rowsDrawn_; }

    QMenu* contextMenuAt(const QPoint& pos);
    TextFieldCell* preparedCellAtColumn(int column, int row) override;

    const QPointF& startPt() const { return startPt_; }
    const QPointF& endPt() const { return endPt_; }
    bool mouseDownInSyncColumn() const { return mouseDownInSyncColumn_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPointF startPt_;
    QPointF endPt_;
    bool mouseDragged_ = false;
    bool mouseDownInSyncColumn_ = false;
    bool isFolderTable_ = false;
    bool isFileTable_ = false;
    int contentStatus_ = 0;
    ContentUIPanel* toController_ = nullptr;
    uint64_t rowsDrawn_ = 0;
};
