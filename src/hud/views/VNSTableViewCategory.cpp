#include "hud/views/VNSTableViewCategory.h"

#include "foundation/VNSStringUtilCategory.h"
#include "hud/views/TableSearchProtocol.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>

namespace {

int rowCount(const QTableView* table) {
    return table->model() ? table->model()->rowCount(table->rootIndex()) : 0;
}

int rowTop(const QTableView* table, int row) {
    return table->verticalHeader()->sectionPosition(row);
}

int visibleTop(const QTableView* table) {
    return table->verticalHeader()->offset();
}

bool rowVisible(const std::pair<qint64, qint64>& rows, qint64 row) {
    return row >= rows.first && row < rows.first + rows.second;
}

qint64 selectedRow(const QTableView* table) {
    const QItemSelectionModel* selection = table->selectionModel();
    if (!selection) return -1;
    const QModelIndex current = table->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), table->rootIndex())) {
        return current.row();
    }
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.last().row();
}

// Moves the vertical scroller so that document y `y` is at the top.
void scrollToY(QTableView* table, int y) {
    if (table->verticalScrollMode() == QAbstractItemView::ScrollPerPixel) {
        table->verticalScrollBar()->setValue(y);
    } else {
        table->verticalScrollBar()->setValue(
            table->verticalHeader()->logicalIndexAt(y - visibleTop(table)));
    }
}

}  // namespace

std::pair<qint64, qint64> visibleRows(const QTableView* table) {
    const int n = rowCount(table);
    if (n == 0) return {0, 0};
    const int height = table->viewport()->height();
    int first = table->rowAt(0);
    if (first < 0) return {0, 0};
    int last = table->rowAt(height - 1);
    if (last < 0) last = n - 1;
    return {first, last - first + 1};
}

qint64 visibleRow(const QTableView* table) {
    const auto rows = visibleRows(table);
    if (rows.second == 0) return -1;
    // An editor with the focus inside the table means the current cell is edited.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus != table->viewport() && table->viewport()->isAncestorOf(focus)) {
        const qint64 edited = table->currentIndex().row();
        if (rowVisible(rows, edited)) return edited;
    }
    const QVariant clicked = table->property("clickedRow");
    if (clicked.isValid() && rowVisible(rows, clicked.toLongLong())) return clicked.toLongLong();
    const qint64 selected = selectedRow(table);
    if (rowVisible(rows, selected)) return selected;
    return rows.first + rows.second / 2;
}

void scrollRowToVisibleTwoThirds(QTableView* table, quint64 r) {
    const int n = rowCount(table);
    if (r >= quint64(n)) return;
    const int row = int(r);
    const auto [first, count] = visibleRows(table);
    const qint64 d = qint64(row) - first;
    if (rowVisible({first, count}, row) && d < (2 * count) / 3) {
        if (first == 0) {
            if (row <= 1) table->scrollTo(table->model()->index(0, 0, table->rootIndex()));
            return;
        }
        if (d >= 3) return;
    }
    const int visibleHeight = table->viewport()->height();
    const int targetY = std::max(0, rowTop(table, row) - visibleHeight / 4);
    const int last = n - 1;
    const int lastBottom = rowTop(table, last) + table->rowHeight(last);
    if (targetY + visibleHeight > lastBottom) {
        table->scrollTo(table->model()->index(last, 0, table->rootIndex()));
    } else {
        scrollToY(table, targetY);
    }
}

void search(QTableView* table, const QVariant& sender) {
    auto* source = dynamic_cast<TableSearchProtocol*>(table->model());
    if (!source) return;
    QAbstractItemModel* model = table->model();
    const QString text = stringFromObject(sender);
    const QHeaderView* header = table->horizontalHeader();
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical)) columns << logical;
    }

    qint64 start = selectedRow(table);
    const QVariant stored = source->valueForKey("virtSearchRow");
    if (stored.isValid()) {
        start = stored.toLongLong();
        source->setValue(QVariant(), "virtSearchRow");
        table->viewport()->update();
    }
    if (text.isEmpty()) {
        source->setValue(QVariant(), "virtSearchString");
        return;
    }
    source->setValue(text, "virtSearchString");

    const qint64 n = model->rowCount(table->rootIndex());
    if (n <= 0 || columns.isEmpty()) return;
    qint64 row = (start >= 0 && start < n) ? start : 0;
    const QVariant storedColumn = source->valueForKey("virtSearchColumn");
    qint64 column = storedColumn.isValid() ? storedColumn.toLongLong() + 1 : 1;
    if (column >= columns.size()) {
        column = 0;
        row = (row + 1) % n;
    }

    source->beginSearch();
    for (qint64 visited = 0; visited < n + 2; ++visited) {
        for (; column < columns.size(); ++column) {
            const int logical = columns[int(column)];
            const QModelIndex index = model->index(int(row), logical, table->rootIndex());
            const QString value = stringFromObject(index.data(Qt::DisplayRole));
            if (value.isEmpty() || !value.contains(text, Qt::CaseInsensitive)) continue;
            if (!source->customMatchString(value, text, logical, row)) continue;

            // Show some rows below the hit, then the hit itself.
            const int below = int(std::min<qint64>(row + 5, n - 1));
            table->scrollTo(model->index(below, logical, table->rootIndex()));
            table->scrollTo(index);
            source->setPlaceholderRow(quint64(row));
            source->setValue(row, "virtSearchRow");
            source->setValue(column, "virtSearchColumn");
            source->endSearch();
            table->viewport()->update();
            return;
        }
        column = 0;
        row = (row + 1) % n;
    }
    source->endSearch();
}

QString exportTable(const QTableView* table) {
    QString out;
    const QAbstractItemModel* model = table->model();
    if (!model) return out;
    const int rows = model->rowCount(table->rootIndex());
    const int columns = model->columnCount(table->rootIndex());
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            out += stringFromObject(model->index(row, column, table->rootIndex()).data());
            out += column + 1 < columns ? QChar('\t') : QChar('\n');
        }
    }
    return out;
}

bool writeExportedTable(const QString& path, const QString& text) {
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QApplication::beep();
        return false;
    }
    return true;
}

void exportToFile(QTableView* table, const QString& folder) {
    const QString path = QFileDialog::getSaveFileName(
        table, QString(), QDir::home().filePath(folder), QStringLiteral("Text (*.txt)"));
    if (path.isEmpty()) return;
    writeExportedTable(path, exportTable(table));
}
