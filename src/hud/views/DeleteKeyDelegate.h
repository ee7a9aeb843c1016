#pragma once

#include <QtGlobal>

class DTableView;

// A table delegate that handles the Delete keys itself.
class DeleteKeyDelegate {
public:
    virtual ~DeleteKeyDelegate() = default;
    // `row` is the selected row, -1 for none.
    virtual void deleteKeyPressed(DTableView* table, qint64 row) = 0;
};
