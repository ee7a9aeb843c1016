#pragma once

#include <QString>
#include <QVariant>

// A table model that can be searched with the table's find-next. The search
// state lives in the model under "virtSearchRow", "virtSearchColumn" and
// "virtSearchString"; an invalid QVariant is "not set".
class TableSearchProtocol {
public:
    virtual ~TableSearchProtocol() = default;
    virtual QVariant valueForKey(const QString& key) const = 0;
    virtual void setValue(const QVariant& value, const QString& key) = 0;

    virtual void beginSearch() {}
    virtual void endSearch() {}
    virtual void setPlaceholderRow(quint64 row) { Q_UNUSED(row); }
    // Whether a cell whose text contains the search text counts as a hit.
    virtual bool customMatchString(const QString& cellText, const QString& searchText, int column,
                                   qint64 row) {
        Q_UNUSED(cellText);
        Q_UNUSED(searchText);
        Q_UNUSED(column);
        Q_UNUSED(row);
        return true;
    }
};
