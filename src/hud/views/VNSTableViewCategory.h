#pragma once

#include <QString>
#include <QVariant>

#include <utility>

class QTableView;

// Helpers every table gets. Rows are the model's rows under the root index.

// (first row, count) of the rows within the visible area.
std::pair<qint64, qint64> visibleRows(const QTableView* table);
// -1 when no row is visible; else the edited, clicked or selected row when it
// is visible, else the middle visible row. A table records its clicked row
// in the dynamic property "clickedRow".
qint64 visibleRow(const QTableView* table);
// Scrolls so that the row lies about a quarter below the top.
void scrollRowToVisibleTwoThirds(QTableView* table, quint64 row);
// Find-next over every cell, for a model that adopts TableSearchProtocol.
void search(QTableView* table, const QVariant& sender);
// Rows as lines of tab-separated cell texts, each ending in a line feed.
QString exportTable(const QTableView* table);
// Asks for a ".txt" file in the folder of the home folder, then writes the table.
void exportToFile(QTableView* table, const QString& folder);
// Writes atomically in UTF-8; false (after a beep) when it fails.
bool writeExportedTable(const QString& path, const QString& text);
