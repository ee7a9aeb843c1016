#include "status/BreakoutColumns.h"

#include "foundation/OmLog.h"
#include "hud/views/Scroller.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloStatusView.h"
#include "status/ServersUI.h"
#include "status/ServersUIBreakoutOwner.h"
#include "status/StatusConstants.h"
#include "status/StatusTabBaseView.h"
#include "status/statusContainer.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

const QString kMix = QStringLiteral("mix");
const QString kDMX = QStringLiteral("DMX_Master");
const QString kLayer = QStringLiteral("layer");
const QString kName = QStringLiteral("name");
const QString kSubName = QStringLiteral("subName");

// The layout dictionary's "layout_settings", as a copy.
QVariantMap layoutSettingsOf(const QVariantMap& layoutDict) {
    return layoutDict.value(kLayoutSettingsKey).toMap();
}

}  // namespace

BreakoutColumns::BreakoutColumns(QWidget* baseView, KeloStatusViewTarget* target)
    : baseView_(baseView), target_(target) {}

std::unique_ptr<BreakoutColumns> BreakoutColumns::forStatusTab(ServersUI& controller) {
    auto columns = std::make_unique<BreakoutColumns>(controller.statusTabBaseView(), &controller);
    columns->ownedOwner_ = std::make_unique<ServersUIBreakoutOwner>(controller);
    columns->owner_ = columns->ownedOwner_.get();
    columns->layout_ = controller.layout();
    return columns;
}

void BreakoutColumns::reloadBreakouts(const QVariantMap& layoutDict) {
    QVariantMap cleaned = layoutDict;
    reloadBreakouts(cleaned, owner_);
    if (owner_ && cleaned != layoutDict) owner_->setLayoutDict(cleaned);
}

void BreakoutColumns::changeMonitorSetting(const QString& value, const QString& key) {
    if (!owner_) return;
    QVariantMap layoutDict = owner_->layoutDict();
    changeMonitorSetting(value, key, layoutDict);
}

BreakoutColumns::~BreakoutColumns() {
    // The views read the description lists this object owns.
    for (auto& column : store_) {
        if (column->statusView) column->statusView->setDataSource(nullptr);
    }
}

int BreakoutColumns::columnCount(const QVariantMap& layoutSettings) {
    return std::clamp(layoutSettings.value(kBreakoutColsKey).toInt(), 0, kMaxColumns);
}

statusContainer& BreakoutColumns::storeElement(size_t index) {
    while (store_.size() <= index) {
        auto column = std::make_unique<statusContainer>();
        column->enclosingView = new BreakoutScrollView(baseView_);
        column->enclosingView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        column->statusView = new KeloStatusView(QRectF(0, 0, 200, 10));
        column->enclosingView->setWidget(column->statusView);
        column->enclosingView->setAcceptDrops(true);
        column->enclosingView->hide();
        store_.push_back(std::move(column));
        custom_.push_back(std::make_unique<QList<QVariantMap>>());
    }
    return *store_[index];
}

void BreakoutColumns::reloadBreakouts(QVariantMap& layoutDict, BreakoutColumnsOwner* owner) {
    QSet<QString> names;
    for (const QVariant& entry : layoutDict.value(kMonitorKey).toList()) {
        const QString name = entry.toMap().value(kName).toString();
        if (!name.isEmpty()) names.insert(name);
    }
    owner_ = owner;
    const QVariantMap settings = layoutSettingsOf(layoutDict);
    const int n = columnCount(settings);

    for (auto& column : store_)
        if (column->enclosingView) column->enclosingView->hide();
    showingBreakouts_ = false;
    columns_.clear();

    customMode_ = settings.value(kShowSelectedServerOnlyKey).toInt() == 0;
    layout_.showSelectedServerOnly = !customMode_;
    if (customMode_) {
        QVariantList breakouts = layoutDict.value(kBreakoutsKey).toList();
        for (int i = 0; i < n; ++i) {
            while (breakouts.size() <= i) breakouts.append(QVariant(QVariantList()));
            QList<QVariantMap> descriptions;
            const QVariantList stored = breakouts[i].toList();
            for (qsizetype k = stored.size() - 1; k >= 0; --k) {
                const QVariantMap description = stored[k].toMap();
                const QString name = description.value(kName).toString();
                if (!names.contains(name)) {
                    OmLogNoFlood(kOmLogDebug, "Status Tab sanity: removed decrepit kelo '%s'\n",
                                 qPrintable(name));
                    continue;
                }
                descriptions.prepend(description);
            }
            QVariantList cleaned;
            for (const QVariantMap& d : descriptions) cleaned.append(d);
            breakouts[i] = cleaned;
            statusContainer& column = storeElement(size_t(i));
            *custom_[size_t(i)] = descriptions;
            reloadBreakout(custom_[size_t(i)].get(), column);
        }
        layoutDict.insert(kBreakoutsKey, breakouts);
    } else {
        const QString selected = owner_ ? owner_->nameOfSelectedKeloInMainWindow() : QString();
        selectedServerColumn_ =
            selectedServerDescriptions(settings.value(kShowSelectedServerOrderingKey).toString(),
                                       selected, &layout_.showSelectedServerOrdering);
        reloadBreakout(&selectedServerColumn_, storeElement(0));
    }

    for (statusContainer* column : columns_) {
        if (!column->enclosingView->parentWidget()) column->enclosingView->setParent(baseView_);
        column->statusView->reloadData();
    }
    if (owner_) owner_->setWindowLimits();
}

void BreakoutColumns::reloadBreakout(QList<QVariantMap>* descriptions, statusContainer& column) {
    columns_.push_back(&column);
    column.serverList = descriptions;
    column.enclosingView->setGeometry(0, 0, 400, 200);
    column.enclosingView->hide();
    KeloStatusView* view = column.statusView;
    view->setShowSelectedServerOnly(layout_.showSelectedServerOnly);
    view->setNumColumns(1);
    view->setSelectedItem(-1);
    view->setPixMapSessionItem(-1);
    view->setDataSource(descriptions);
    view->setTarget(target_);
    view->setIsBreakout(true);
    view->createCellArray();
    column.cells = view->cellArray();
}

int BreakoutColumns::columnWidth() const {
    return Scroller::scrollerWidthForControlSize(0) +
           KeloRemoteCell::widthForThumbHeight(int(layout_.breakoutHeight), layout_.aspect);
}

std::vector<QRect> BreakoutColumns::columnFrames(const QRect& bounds, int count, int columnWidth,
                                                 bool shown) {
    std::vector<QRect> frames;
    if (count < 1) return frames;
    const int height = bounds.height() - 28;
    const double avail = double(bounds.width() - 4) / count;
    const int right = bounds.x() + bounds.width() - 4;
    const int colW = std::max(columnWidth, int(avail));
    // Too wide for the bounds: the first column starts at x 2 and the others
    // follow it edge to edge (past the right edge), never over each other.
    const int first = std::max(2, right - colW * count);
    for (int i = 0; i < count; ++i) {
        const int x = shown ? first + colW * i : right;
        frames.emplace_back(x, bounds.y() + 24, shown ? colW : 0, height);
    }
    return frames;
}

void BreakoutColumns::showBreakouts(bool show, double sizeChange) {
    (void)sizeChange;
    if (!showingBreakouts_ && show) {
        breakoutsNeedsReveal_ = true;
        if (owner_) owner_->setBreakoutsNeedsReveal();
        return;
    }
    showingBreakouts_ = show || !showingBreakouts_;
    if (owner_) owner_->selectBreakoutHeight(int(layout_.breakoutHeight));
    const std::vector<QRect> frames =
        columnFrames(baseView_->rect(), int(columns_.size()), columnWidth(), showingBreakouts_);
    for (size_t i = 0; i < columns_.size(); ++i) {
        BreakoutScrollView* view = columns_[i]->enclosingView;
        view->setGeometry(frames[i]);
        view->setVisible(showingBreakouts_);
        view->update();
    }
}

void BreakoutColumns::layoutStatusTabBaseView() {
    for (const QWidget* child : baseView_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisibleTo(baseView_) && baseView_->isVisible()) {
            showBreakouts(true, 0.0);
            return;
        }
    }
}

void BreakoutColumns::updateBreakoutSettings() {
    if (owner_) owner_->setWindowLimits();
    for (statusContainer* column : columns_) {
        for (KeloRemoteCell* cell : column->statusView->cellArray()) {
            if (cell->thumbAspect() == 0) cell->setThumbAspect(layout_.aspect);
            cell->setCellWidth(
                KeloRemoteCell::widthForThumbHeight(cell->thumbHeight(), cell->thumbAspect()));
        }
        column->statusView->createCellArray();
        column->cells = column->statusView->cellArray();
        column->statusView->reloadData();
    }
    if (owner_) owner_->layoutSettingsChanged();
}

void BreakoutColumns::changeMonitorSetting(const QString& value, const QString& key,
                                           QVariantMap& layoutDict) {
    QVariantMap settings = layoutSettingsOf(layoutDict);
    settings.insert(key, value);
    layoutDict.insert(kLayoutSettingsKey, settings);
    if (owner_) owner_->setLayoutDict(layoutDict);
    if (key == QLatin1String("update_ui")) {
        if (owner_) owner_->updateMonitorSettings(layout_);
        showBreakouts(true, 0.15);
        updateBreakoutSettings();
    }
    layout_ = owner_ ? owner_->loadLayoutSettings() : CurrentLayoutSettings{};
    if (owner_) owner_->layoutLoaded(layout_);
    if (key == QLatin1String(kHeightKey) && owner_) owner_->updateMonitorSettings(layout_);
    static const QStringList rebuilding{kShowSelectedServerOnlyKey, kBreakoutHeightKey,
                                        kHasMonitorBreakoutKey, kBreakoutColsKey, kHudHeightKey};
    if (rebuilding.contains(key)) {
        reloadBreakouts(layoutDict, owner_);
        if (owner_) owner_->setLayoutDict(layoutDict);
        showingBreakouts_ = false;
        showBreakouts(true, 0.15);
        updateBreakoutSettings();
    }
}

void BreakoutColumns::updateMixNames() {
    bool changed = false;
    for (statusContainer* column : columns_) {
        if (column->statusView->isEmpty()) break;
        QList<QVariantMap>* descriptions = column->serverList;
        if (!descriptions || descriptions->isEmpty()) continue;
        for (const KeloRemoteCell* cell : column->statusView->cellArray()) {
            if (cell->mixNumber() == 0) continue;
            for (QVariantMap& d : *descriptions) {
                if (d.value(kMix).toInt() == cell->mixNumber() &&
                    d.value(kSubName).toString() != cell->subName()) {
                    d.insert(kSubName, cell->subName());
                    changed = true;
                }
            }
        }
    }
    if (!changed || !owner_) return;
    QVariantMap layoutDict = owner_->layoutDict();
    storeBreakouts(layoutDict);
    owner_->setLayoutDict(layoutDict);
    owner_->forceBreakoutSave();
}

void BreakoutColumns::storeBreakouts(QVariantMap& layoutDict) const {
    if (!customMode_) return;
    QVariantList breakouts = layoutDict.value(kBreakoutsKey).toList();
    for (size_t i = 0; i < columns_.size(); ++i) {
        while (breakouts.size() <= qsizetype(i)) breakouts.append(QVariant(QVariantList()));
        QVariantList column;
        for (const QVariantMap& d : *custom_[i]) column.append(d);
        breakouts[qsizetype(i)] = column;
    }
    layoutDict.insert(kBreakoutsKey, breakouts);
}

void BreakoutColumns::commitSelectedServerOnlyOrdering() {
    if (!owner_) return;
    QVariantMap layoutDict = owner_->layoutDict();
    storeBreakouts(layoutDict);
    if (!customMode_ && !owner_->nameOfSelectedKeloInMainWindow().isEmpty()) {
        QVariantMap settings = layoutSettingsOf(layoutDict);
        settings.insert(kShowSelectedServerOrderingKey, orderingText(selectedServerColumn_));
        layoutDict.insert(kLayoutSettingsKey, settings);
    }
    owner_->setLayoutDict(layoutDict);
}

QList<QVariantMap> BreakoutColumns::selectedServerDescriptions(const QString& orderingText,
                                                               const QString& name,
                                                               std::array<int32_t, 100>* ordering) {
    QList<QVariantMap> column;
    // Without a selected server there is nothing to show.
    if (name.isEmpty()) return column;
    static const QRegularExpression token(QStringLiteral("^\\s*(\\d{1,9})(mix|DMX_Master)?\\s*$"));
    bool serverPlaced = false;
    const QStringList tokens = orderingText.split(QLatin1Char(','));
    for (qsizetype k = 0; !orderingText.isEmpty() && k < tokens.size() && k < kMaxOrderingTokens;
         ++k) {
        const QRegularExpressionMatch match = token.match(tokens[k]);
        // Anything but a number with an optional kind ends the reading.
        if (!match.hasMatch()) break;
        const int value = match.captured(1).toInt();
        const QString kind = match.captured(2);
        if (ordering) (*ordering)[size_t(k)] = value;
        if (value == 0 && kind.isEmpty() && !serverPlaced) {
            column.append({{kName, name}});
            serverPlaced = true;
        } else if (value >= 1 && kind == kDMX) {
            column.append({{kName, name}, {kDMX, value}});
        } else if (value >= 1 && kind == kMix) {
            column.append({{kName, name}, {kMix, value}});
        } else if (kind.isEmpty() && value >= 1 && value <= 24) {
            column.append({{kName, name}, {kLayer, value}});
        } else {
            break;
        }
    }
    if (!serverPlaced) column.append({{kName, name}});
    return column;
}

QString BreakoutColumns::orderingText(const QList<QVariantMap>& descriptions) {
    QStringList tokens;
    for (const QVariantMap& d : descriptions) {
        if (const int layer = d.value(kLayer).toInt())
            tokens << QString::number(layer);
        else if (const int dmx = d.value(kDMX).toInt())
            tokens << QString::number(dmx) + kDMX;
        else if (const int mix = d.value(kMix).toInt())
            tokens << QString::number(mix) + kMix;
        else
            tokens << QStringLiteral("0");
    }
    return tokens.join(QLatin1Char(','));
}

void BreakoutColumns::performUpdate() {
    for (statusContainer* column : columns_)
        if (column->statusView) column->statusView->performUpdate();
    if (breakoutsNeedsReveal_) {
        breakoutsNeedsReveal_ = false;
        showBreakouts(false, 0.0);
    }
}

QList<ViewMenuItem> BreakoutColumns::viewMenuItems(const CurrentLayoutSettings& layout) {
    return {{QStringLiteral("Selected server only"), 6, layout.showSelectedServerOnly, false},
            {QStringLiteral("Custom layout"), 5, !layout.showSelectedServerOnly, false},
            {QStringLiteral("Custom layout columns"), -1, false, true}};
}

QList<ViewMenuItem> BreakoutColumns::viewSubMenuItems(const CurrentLayoutSettings& layout) {
    QList<ViewMenuItem> items;
    for (int n = 1; n <= kMaxColumns; ++n)
        items.append({QString::number(n), n - 1, layout.breakoutNumColumns == n, false});
    return items;
}

std::pair<QString, QString> BreakoutColumns::viewMenuChoice(int tag, const QString& title) {
    if (title.toInt() != 0) return {title, kBreakoutColsKey};
    if (tag == 6) return {QStringLiteral("1"), kShowSelectedServerOnlyKey};
    if (tag == 5) return {QStringLiteral("0"), kShowSelectedServerOnlyKey};
    return {};
}

void BreakoutColumns::viewMenuAction(const QAction* item) {
    const auto [value, key] = viewMenuChoice(item->data().toInt(), item->text());
    if (key.isEmpty() || !owner_) return;
    QVariantMap layoutDict = owner_->layoutDict();
    changeMonitorSetting(value, key, layoutDict);
}

void BreakoutColumns::showViewActionMenu(QWidget* sender) {
    QMenu menu(QStringLiteral("View Menu"), sender);
    auto fill = [](QMenu& into, const QList<ViewMenuItem>& items) {
        for (const ViewMenuItem& entry : items) {
            if (entry.submenu) continue;
            QAction* action = into.addAction(entry.title);
            action->setData(entry.tag);
            action->setCheckable(true);
            action->setChecked(entry.checked);
        }
    };
    fill(menu, viewMenuItems(layout_));
    QMenu* columns = menu.addMenu(QStringLiteral("Custom layout columns"));
    fill(*columns, viewSubMenuItems(layout_));
    const QPoint at = sender ? sender->mapToGlobal(QPoint(0, sender->height())) : QCursor::pos();
    if (const QAction* chosen = menu.exec(at)) viewMenuAction(chosen);
}

KeloStatusView* BreakoutColumns::statusView(int column) const {
    return column >= 0 && column < int(columns_.size()) ? columns_[size_t(column)]->statusView
                                                        : nullptr;
}

BreakoutScrollView* BreakoutColumns::enclosingView(int column) const {
    return column >= 0 && column < int(columns_.size()) ? columns_[size_t(column)]->enclosingView
                                                        : nullptr;
}

QList<QVariantMap>* BreakoutColumns::descriptions(int column) const {
    return column >= 0 && column < int(columns_.size()) ? columns_[size_t(column)]->serverList
                                                        : nullptr;
}
