#pragma once

#include <QString>

class QTableView;
class QWidget;

// Keeps a pane's window frame and monitor size in the user defaults under
// `name`, as a dictionary with "windowframe" and, for panes with a monitor
// table, "monitorsize" (the size of the base view's first child).
class ViewInterface {
public:
    ViewInterface(QWidget* baseView, QTableView* monitorView);

    QWidget* baseView() const { return baseView_; }
    QTableView* monitorView() const { return monitorView_; }
    QString name() const { return name_; }
    void setName(const QString& name) { name_ = name; }

    void saveState() const;
    void restoreState(QWidget* window) const;

private:
    QWidget* baseView_;
    QTableView* monitorView_;
    QString name_;
};
