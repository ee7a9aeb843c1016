#include "status/KeloServerListPanel.h"

#include "hud/views/DTableView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/ServersUI.h"

#include <QHeaderView>
#include <QVBoxLayout>

KeloServerListModel::KeloServerListModel(KlE_Control_Status* link, QObject* parent)
    : QAbstractTableModel(parent), link_(link) {}

void KeloServerListModel::reload() {
    beginResetModel();
    names_ = link_ ? link_->current() : QStringList();
    endResetModel();
}

int KeloServerListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names_.size());
}

int KeloServerListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant KeloServerListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= names_.size()) return {};
    const KeloObject* kelo = link_ ? link_->keloObjectForName(names_[index.row()]) : nullptr;
    if (!kelo) return {};
    switch (index.column()) {
        case 0:
            return kelo->addressString();
        case 1:
            return QStringLiteral("%1 (%2)").arg(kelo->name(), kelo->keloVariant());
        case 2: {
            const QString port = ServersUI::instance()->externalInterfaceForKelo(kelo);
            return port.isNull() ? QVariant() : QVariant(port);
        }
        default:
            return {};
    }
}

QVariant KeloServerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    static const char* const titles[] = {"Address", "Server", "Port"};
    return section >= 0 && section < 3 ? QVariant(QString::fromLatin1(titles[section]))
                                       : QVariant();
}

KeloServerListPanel::KeloServerListPanel(KlE_Control_Status* link,
                                         std::function<void(const QString&)> addServer)
    : panel_(std::make_unique<HUDThemeKeloWindow>()), addServer_(std::move(addServer)) {
    panel_->setIsPanel(true);
    panel_->setWindowTitle(QStringLiteral("Edit Servers"));
    panel_->resize(520, 300);
    auto* layout = new QVBoxLayout(panel_.get());
    table_ = new DTableView(panel_.get());
    model_ = new KeloServerListModel(link, table_);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);
    QObject::connect(table_, &QAbstractItemView::doubleClicked,
                     [this](const QModelIndex& index) { addItemFromTable(index.row()); });
    model_->reload();
}

KeloServerListPanel::~KeloServerListPanel() = default;

void KeloServerListPanel::showServerList(bool show) {
    if (show) {
        panel_->show();
        panel_->raise();
        panel_->activateWindow();
    } else {
        panel_->hide();
    }
    table_->clearFocus();
}

bool KeloServerListPanel::isVisible() const {
    return panel_->isVisible();
}

void KeloServerListPanel::reloadData() {
    model_->reload();
}

QString KeloServerListPanel::nameOfSelectedKeloInPreferencesWindow() const {
    if (!panel_->isVisible()) return {};
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= model_->names().size()) return {};
    return model_->names()[rows.first().row()];
}

void KeloServerListPanel::addItemFromTable(int row) {
    if (row < 0 || row >= model_->names().size() || !addServer_) return;
    addServer_(model_->names()[row]);
}
