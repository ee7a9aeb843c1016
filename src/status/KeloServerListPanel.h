#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>
#include <memory>

class DTableView;
class HUDThemeKeloWindow;
class KeloObject;
class KlE_Control_Status;

// The rows of the server-list panel: the servers the link has found, in
// address order, as address, "name (variant)" and the port of this computer
// they are heard on.
class KeloServerListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit KeloServerListModel(KlE_Control_Status* link, QObject* parent = nullptr);

    // Replaces the rows by the link's current list.
    void reload();
    const QStringList& names() const { return names_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // The name of this computer's port the server is heard on; else the
    // name of the interface itself; empty while none is known.
    QString portForKelo(const KeloObject* kelo) const;

    KlE_Control_Status* link_;
    QStringList names_;
};

// "Edit Servers": the panel listing the servers found on the network, from
// which a double-click adds one to the monitor list. Main thread only.
class KeloServerListPanel {
public:
    // `addServer` receives the chosen name. `link` is not owned.
    KeloServerListPanel(KlE_Control_Status* link, std::function<void(const QString&)> addServer);
    ~KeloServerListPanel();

    void showServerList(bool show);
    bool isVisible() const;
    // Called when the link's server set changed.
    void reloadData();
    // The selected row's server while the panel shows; null otherwise.
    QString nameOfSelectedKeloInPreferencesWindow() const;
    // Adds the server of a row (the table's double click).
    void addItemFromTable(int row);

    HUDThemeKeloWindow* panel() const { return panel_.get(); }
    DTableView* table() const { return table_; }
    KeloServerListModel* model() const { return model_; }

private:
    std::unique_ptr<HUDThemeKeloWindow> panel_;
    DTableView* table_ = nullptr;
    KeloServerListModel* model_ = nullptr;
    std::function<void(const QString&)> addServer_;
};
