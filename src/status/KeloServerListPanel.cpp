#include "status/KeloServerListPanel.h"

#include "hud/views/DTableView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Rows the panel shows without scrolling.
constexpr int kVisibleRows = 6;

}  // namespace

KeloServerListModel::KeloServerListModel(KlE_Control_Status* link, QObject* parent)
    : QAbstractTableModel(parent), link_(link) {}

void KeloServerListModel::reload() {
    beginResetModel();
    names_ = link_ ? link_->current() : QStringList();
    // The link lists servers in the order they were heard, which differs
    // from run to run; the table reads in the order of its first column.
    const auto address = [this](const QString& name) {
        const KeloObject* kelo = link_->keloObjectForName(name);
        return kelo ? kelo->address() : 0;
    };
    std::stable_sort(names_.begin(), names_.end(), [&](const QString& a, const QString& b) {
        const uint32_t x = address(a), y = address(b);
        return x != y ? x < y : a.localeAwareCompare(b) < 0;
    });
    endResetModel();
}

QString KeloServerListModel::portForKelo(const KeloObject* kelo) const {
    const QString ifName = kelo->ethIfName();
    if (ifName.isEmpty()) return {};
    if (const KeloNetworkInterface* ports = link_->networkInterface()) {
        for (int i = 0; i < ports->portCount(); ++i) {
            const auto port = ports->portDescriptionForInterfaceNumber(i);
            if (port && QString::fromLatin1(port->bsdName) == ifName) return ports->getPortName(i);
        }
    }
    // Heard on an interface that is no network port of this computer (the
    // loopback of a server running here): its own name says where.
    return ifName;
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
            const QString port = portForKelo(kelo);
            return port.isEmpty() ? QVariant() : QVariant(port);
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
    // One line per server, the name column taking the spare width, and
    // room for kVisibleRows of them above the panel's controls.
    table_->setWordWrap(false);
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Interactive);
    header->resizeSection(0, 110);
    header->resizeSection(2, 130);
    table_->setMinimumHeight(header->sizeHint().height() +
                             kVisibleRows * table_->verticalHeader()->defaultSectionSize() +
                             2 * table_->frameWidth());
    layout->addWidget(table_, 1);
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
