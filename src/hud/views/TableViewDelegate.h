#pragma once

#include <QList>

#include <optional>

class QAbstractItemView;

// The selection questions a table asks its delegate; an empty optional is
// "not implemented". A delegate also adopts the table protocols it wants.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    virtual std::optional<QList<int>> selectionIndexesForProposedSelection(
        QAbstractItemView* table, const QList<int>& proposed) {
        Q_UNUSED(table);
        Q_UNUSED(proposed);
        return std::nullopt;
    }
    virtual std::optional<bool> shouldSelectRow(QAbstractItemView* table, int row) {
        Q_UNUSED(table);
        Q_UNUSED(row);
        return std::nullopt;
    }
};
