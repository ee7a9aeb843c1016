#include "status/ServersUI.h"

#include "foundation/VNSStringUtilCategory.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDSegmentedControl.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/Scroller.h"
#include "platform/UserDefaults.h"
#include "serverlink/ChangeIncrementsDict.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloRemoteOwner.h"
#include "status/KeloStatusView.h"
#include "status/SelectedServerColumn.h"
#include "status/ServersUICollections.h"
#include "status/StatusConstants.h"
#include "status/StatusTabBaseView.h"
#include "status/StatusTabServices.h"
#include "status/statusContainer.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

QString ipText(uint32_t address) {
    return QString::asprintf("%u.%u.%u.%u", address >> 24, (address >> 16) & 255,
                             (address >> 8) & 255, address & 255);
}

struct Port {
    QString name;
    uint32_t address = 0;
    uint32_t mask = 0;
};

// The narrowest server list, in points.
constexpr int kMinServersWidth = 281;
// The strip below the server list with the height choice and "Edit Servers".
constexpr int kFooterHeight = 25;
// The user default naming the tab shown at start-up.
constexpr char kMainWindowSelectedTabLabelKey[] = "MainWindowSelectedTabLabel";

int intValue(const QVariantMap& description, const char* key) {
    return description.value(QLatin1String(key)).toInt();
}

}  // namespace

ServersUI* ServersUI::instance() {
    // Deliberately leaked: cells ask it for texts until the process ends.
    static ServersUI* shared = new ServersUI;
    return shared;
}

ServersUI::ServersUI(const KeloNetworkInterface* ports, KlE_Control_Status* link)
    : ports_(ports), link_(link), collections_(std::make_unique<ServersUICollections>()) {}

ServersUI::~ServersUI() {
    // The columns' views go with the tab's view; the columns first.
    columns_.reset();
    delete toStatusTabBaseView_.data();
}

KeloRemoteOwner* ServersUI::owner() const {
    return owner_ ? owner_ : &KeloRemoteOwner::shared();
}

void ServersUI::setColumns(std::unique_ptr<ServersUIColumns> columns) {
    columns_ = std::move(columns);
}

void ServersUI::setCollections(std::unique_ptr<ServersUICollections> collections) {
    collections_ = collections ? std::move(collections) : std::make_unique<ServersUICollections>();
}

const std::vector<int>& ServersUI::monitorImageHeights() {
    static const std::vector<int> heights{45, 60, 90, 120};
    return heights;
}

const std::vector<int>& ServersUI::statusTabImageHeights() {
    static const std::vector<int> heights{90, 120, 180, 240};
    return heights;
}

int ServersUI::scrollerWidth() {
    return Scroller::scrollerWidthForControlSize(0);
}

KeloObject* ServersUI::keloObjectForName(const QString& name) const {
    KlE_Control_Status* link = link_ ? link_ : KlE_Control_Status::defaultObject();
    return link->keloObjectForName(name);
}

QWidget* ServersUI::toWindow() const {
    return owner()->mainWindow();
}

void ServersUI::awakeFromNib() {
    if (getBaseView()) return;
    createViews();
    setHeaderTitleString(attrStringWithColor(QStringLiteral("Servers"), dimTextColor()));
    setIsInsetView();

    monitorPane_ = new QWidget;
    auto makeHeights = [](const std::vector<int>& heights, QWidget* parent) {
        auto* control = new HUDSegmentedControl(parent);
        control->cell()->setSegmentCount(int(heights.size()));
        for (size_t i = 0; i < heights.size(); ++i) {
            control->cell()->setLabel(QString::number(heights[i]), int(i));
            control->cell()->setWidth(34, int(i));
        }
        control->resize(control->sizeHint());
        return control;
    };
    toMonitorImageHeight_ = makeHeights(monitorImageHeights(), monitorPane_);
    connect(toMonitorImageHeight_, &HUDSegmentedControl::selectedSegmentChanged, this,
            [this] { toMonitorImageHeightClicked(); });
    toEditServers_ = new HUDButton(QStringLiteral("Edit Servers"), monitorPane_);
    toEditServers_->resize(toEditServers_->sizeHint());
    connect(toEditServers_, &HUDButton::clicked, this, [this] { toEditServersClicked(); });
    addContentView(monitorPane_, kResizeWidthSizable | kResizeHeightSizable);
    getContainerView()->installEventFilter(this);

    toStatusTabBaseView_ = new StatusTabBaseView(this);
    toStatusTabImageHeight_ = makeHeights(statusTabImageHeights(), toStatusTabBaseView_);
    connect(toStatusTabImageHeight_, &HUDSegmentedControl::selectedSegmentChanged, this,
            [this] { toStatusTabImageHeightClicked(); });
    toViewButton_ = new HUDButton(QStringLiteral("View"), toStatusTabBaseView_);
    toViewButton_->resize(toViewButton_->sizeHint());
    connect(toViewButton_, &HUDButton::clicked, this, [this] {
        if (columns_) columns_->showViewActionMenu(toViewButton_);
    });
    toMonitorOrManage_ = new HUDSegmentedControl(toStatusTabBaseView_);
    toMonitorOrManage_->cell()->setSegmentCount(2);
    toMonitorOrManage_->cell()->setLabel(QStringLiteral("Monitor"), 0);
    toMonitorOrManage_->cell()->setLabel(QStringLiteral("Manage"), 1);
    toMonitorOrManage_->setSelectedSegment(0);
    toMonitorOrManage_->resize(toMonitorOrManage_->sizeHint());
    toStatusTabBaseView_->installEventFilter(this);
    if (!columns_) columns_ = std::make_unique<SelectedServerColumn>(*this);
    layoutPanel();
}

bool ServersUI::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize &&
        (watched == getContainerView() || watched == toStatusTabBaseView_))
        layoutPanel();
    return VSeparableController::eventFilter(watched, event);
}

void ServersUI::layoutPanel() {
    if (QWidget* container = getContainerView(); container && monitorPane_) {
        monitorPane_->setGeometry(container->rect());
        const int h = monitorPane_->height();
        const int w = monitorPane_->width();
        for (const auto& pane : monitorViews_)
            if (pane->enclosingView) pane->enclosingView->setGeometry(0, 0, w, h - kFooterHeight);
        const int footerTop = h - kFooterHeight + 2;
        toMonitorImageHeight_->move(6, footerTop);
        toEditServers_->move(w - toEditServers_->width() - 6, footerTop);
        setInsetFooterLineY(container->y() + h - kFooterHeight);
    }
    // In the strip above the columns, which start 24 points down.
    if (toStatusTabBaseView_) {
        toStatusTabImageHeight_->move(6, 0);
        toViewButton_->move(toStatusTabImageHeight_->geometry().right() + 8, 0);
        toMonitorOrManage_->move(toViewButton_->geometry().right() + 8, 0);
    }
}

void ServersUI::show() {
    QWidget* base = getBaseView();
    QWidget* window = toWindow();
    if (!base || base->parentWidget() || !window) return;
    auto* main = qobject_cast<QMainWindow*>(window);
    QWidget* content = main && main->centralWidget() ? main->centralWidget() : window;
    base->setParent(content);
    base->setGeometry(4, 33, base->width(), content->height() - 60);
    base->show();
}

BreakoutScrollView* ServersUI::createBreakoutView(QWidget* parent) {
    auto* enclosing = new BreakoutScrollView(parent);
    enclosing->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* view = new KeloStatusView(QRectF(0, 0, kMinServersWidth, 10));
    view->setObjectName(QStringLiteral("statusView"));
    enclosing->setWidget(view);
    return enclosing;
}

void ServersUI::setStatusTab(const std::shared_ptr<TbTabViewItem>& item) {
    statusTab_ = item;
    awakeFromNib();
    if (!item) return;
    TbTabView* tabView = item->tabView();
    toStatusTabBaseView_->setGeometry(QRect(QPoint(0, 0), tabView ? tabView->size() : QSize()));
    item->setView(toStatusTabBaseView_);
}

void ServersUI::selectHeightSegment(HUDSegmentedControl* control, const std::vector<int>& heights,
                                    int height) {
    if (!control || height == 0) return;
    const auto it = std::find(heights.begin(), heights.end(), height);
    if (it != heights.end()) control->setSelectedSegment(int(it - heights.begin()));
}

void ServersUI::reloadMonitorPanes(QList<QVariantMap>* servers,
                                   const CurrentLayoutSettings& layout) {
    awakeFromNib();
    static QList<QVariantMap> none;
    if (!servers) servers = &none;
    collections_->cleanupCollections(*servers);
    layout_ = layout;
    {
        // Programmatic: the owner's layout already holds this height.
        const QSignalBlocker blocker(toMonitorImageHeight_);
        selectHeightSegment(toMonitorImageHeight_, monitorImageHeights(), layout_.thumbHeight);
    }
    for (const auto& pane : monitorViews_) delete pane->enclosingView.data();
    monitorViews_.clear();
    serversCount_ = int(servers->size());
    show();

    auto pane = std::make_unique<statusContainer>();
    pane->serverList = servers;
    pane->enclosingView = createBreakoutView(monitorPane_);
    pane->enclosingView->lower();
    pane->enclosingView->show();
    if (KeloStatusView* view = pane->enclosingView->findChild<KeloStatusView*>()) {
        pane->statusView = view;
        view->setNumColumns(layout_.numColumns);
        view->setSelectedItem(-1);
        view->setPixMapSessionItem(-1);
        view->setDataSource(servers);
        view->setTarget(this);
        view->setIsBreakout(false);
        view->createCellArray();
        pane->cells = view->cellArray();
    }
    monitorViews_.push_back(std::move(pane));
    layoutPanel();
    for (const auto& each : monitorViews_)
        if (each->statusView) each->statusView->reloadData();
    performUpdate();
}

bool ServersUI::paneChanged(const statusContainer& pane) {
    if (!pane.serverList) return false;
    bool changed = int(pane.serverList->size()) != serversCount_;
    for (const QVariantMap& description : *pane.serverList) {
        const QString name = description.value(QStringLiteral("name")).toString();
        ServerChanges* seen = changeIncrementsDict_->changesForKelo(name);
        KeloObject* kelo = keloObjectForName(name);
        if (!kelo) {
            changed = true;
            *seen = ServerChanges();
            continue;
        }
        const ServerChanges& now = kelo->changes();
        if (now.address != seen->address || now.server != seen->server ||
            now.network != seen->network || now.name != seen->name)
            changed = true;
        *seen = now;
    }
    return changed;
}

void ServersUI::reloadData(bool force) {
    if (!changeIncrementsDict_) changeIncrementsDict_ = std::make_unique<ChangeIncrementsDict>();
    bool changed = false;
    if (!force)
        for (const auto& pane : monitorViews_) changed |= paneChanged(*pane);
    for (const auto& pane : monitorViews_) {
        if (!pane->serverList) continue;
        collections_->cleanupCollections(*pane->serverList);
        if ((force || changed) && pane->statusView) {
            serversCount_ = int(pane->serverList->size());
            pane->statusView->createCellArray();
            pane->cells = pane->statusView->cellArray();
            pane->statusView->reloadData();
        }
    }
    if ((force || changed) && columns_) columns_->updateBreakoutSettings();
}

void ServersUI::updateMonitorSettings(const CurrentLayoutSettings& layout) {
    layout_ = layout;
    for (const auto& pane : monitorViews_) {
        KeloStatusView* view = pane->statusView;
        if (!view) continue;
        for (KeloRemoteCell* cell : view->cellArray()) {
            cell->setThumbHeight(layout_.thumbHeight);
            if (cell->thumbAspect() == 0) cell->setThumbAspect(layout_.aspect);
        }
        view->setNumColumns(layout_.numColumns);
        view->createCellArray();
        pane->cells = view->cellArray();
        view->reloadData();
    }
    const QSignalBlocker blocker(toMonitorImageHeight_);
    selectHeightSegment(toMonitorImageHeight_, monitorImageHeights(), layout_.thumbHeight);
}

void ServersUI::performUpdate() {
    const int current = collections_->currentSelectedCollectionID();
    const int w = updateServersWidth();
    if (lastServersWidth_ != 0 && lastServersWidth_ != w) setWindowLimits(nullptr);
    lastServersWidth_ = w;
    checkNeedsLayout();
    gSyncRotateDegrees = (gSyncRotateDegrees + 30) % 360;
    StatusTabServices* services = StatusTabServices::instance();
    for (const auto& pane : monitorViews_) {
        KeloStatusView* view = pane->statusView;
        if (!view) continue;
        view->performUpdate();
        pane->cells = view->cellArray();
        for (KeloRemoteCell* cell : view->cellArray()) {
            auto* monitor = dynamic_cast<KeloMonitorCell*>(cell);
            KeloObject* kelo = cell->keloObject();
            if (!monitor || !kelo) continue;
            collections_->updateLastKnownCollectionID(kelo);
            const int id = collections_->collectionIDForKelo(kelo);
            monitor->setCollectionID(id, current, services->syncStateForKelo(kelo),
                                     kelo->progressSecs(), kelo->progressMax());
            monitor->setIsMaster(id >= 0 && collections_->masterForCollection(id) == kelo->name());
        }
    }
    if (columns_)
        for (statusContainer* column : columns_->breakoutColumns())
            if (column->statusView) column->statusView->performUpdate();
    if (breakoutsNeedsReveal_ && columns_) {
        breakoutsNeedsReveal_ = false;
        columns_->showBreakouts(false, 0.0);
    }
}

void ServersUI::checkNeedsLayout() {
    auto spread = [](const std::vector<KeloStatusView*>& views) {
        if (std::none_of(views.begin(), views.end(),
                         [](const KeloStatusView* v) { return v->needsLayout(); }))
            return;
        for (KeloStatusView* view : views) view->setNeedsLayout(true);
    };
    std::vector<KeloStatusView*> panes;
    for (const auto& pane : monitorViews_)
        if (pane->statusView) panes.push_back(pane->statusView);
    spread(panes);
    std::vector<KeloStatusView*> columns;
    if (columns_)
        for (statusContainer* column : columns_->breakoutColumns())
            if (column->statusView) columns.push_back(column->statusView);
    spread(columns);
}

int ServersUI::updateServersWidth() {
    if (!statusTab()) return kMinServersWidth;
    double maxWidth = kMinServersWidth;
    int32_t textX = 0;
    bool above = false;
    for (const auto& pane : monitorViews_) {
        if (!pane->statusView) continue;
        for (KeloRemoteCell* cell : pane->statusView->cellArray()) {
            auto* monitor = dynamic_cast<KeloMonitorCell*>(cell);
            if (!monitor) continue;
            maxWidth = std::max(maxWidth, monitor->sizeForCurrentSettings(true).width());
            textX = std::max(textX, monitor->textX());
            above |= monitor->drawTextAboveImage();
        }
    }
    for (const auto& pane : monitorViews_) {
        if (!pane->statusView) continue;
        for (KeloRemoteCell* cell : pane->statusView->cellArray()) {
            if (auto* monitor = dynamic_cast<KeloMonitorCell*>(cell)) {
                monitor->setTextX(textX);
                monitor->setDrawTextAboveImage(above);
            }
        }
    }
    const int width = int(maxWidth) + scrollerWidth();
    double delta = 0;
    for (const auto& pane : monitorViews_) {
        if (!pane->enclosingView) continue;
        const double visible = std::max(kMinServersWidth, pane->enclosingView->viewport()->width());
        if (visible != maxWidth) delta = maxWidth - visible;
    }
    QWidget* window = toWindow();
    QWidget* base = getBaseView();
    const int grow = int(delta);
    if (grow != 0 && window && base && base->window() == window) {
        base->resize(base->width() + grow, base->height());
        // Pages and their bar sit right of the panel: they move along.
        std::shared_ptr<TbTabViewItem> tab = statusTab();
        QWidget* pages = tab ? tab->tabView() : nullptr;
        for (QWidget* w : {pages, owner()->mainTabBar()}) {
            if (!w || (w->parentWidget() && w->parentWidget()->layout())) continue;
            w->setGeometry(w->x() + grow, w->y(), w->width() - grow, w->height());
        }
        window->resize(window->width() + grow, window->height());
    }
    return width;
}

void ServersUI::setWindowLimits(std::shared_ptr<TbTabViewItem> item) {
    std::shared_ptr<TbTabViewItem> tab = statusTab();
    TbTabView* tabView = tab ? tab->tabView() : nullptr;
    if (!windowLimitsSet_) {
        windowLimitsSet_ = true;
        if (tabView) {
            QString label =
                UserDefaults::standard().string(QString::fromLatin1(kMainWindowSelectedTabLabelKey));
            if (label.isEmpty()) label = QStringLiteral("Status");
            for (const auto& each : tabView->tabViewItems())
                if (each->label() == label) {
                    tabView->selectTabViewItem(each);
                    item = each;
                }
        }
        if (columns_) columns_->layoutStatusTabBaseView();
    }
    if (!item && tabView) item = tabView->selectedTabViewItem();
    const int base = updateServersWidth() + 12;
    const int identifier = item ? item->identifier().toInt() : 0;
    int minWidth = base;
    int minHeight = 200;
    switch (identifier) {
        case 1: {
            const int thumb = KeloRemoteCell::widthForThumbHeight(int(layout_.breakoutHeight),
                                                                  layout_.aspect);
            const int count = columns_ ? int(columns_->breakoutColumns().size()) : 0;
            minWidth = base + 25 + (thumb + scrollerWidth()) * count;
            break;
        }
        case 2:
            minWidth = base + 705;
            minHeight = 260;
            break;
        case 3:
            minWidth = base + 970;
            minHeight = 714;
            break;
        case 4:
            if (QWidget* page = item->view()) {
                minWidth = base + page->minimumSizeHint().width();
                minHeight = std::max(minHeight, page->minimumSizeHint().height());
            }
            break;
        case 5:
        case 6:
            minWidth = base + 580;
            minHeight = 500;
            break;
        case 7:
            minWidth = base + 720;
            minHeight = 500;
            break;
        default:
            break;
    }
    if (item)
        UserDefaults::standard().setObject(QString::fromLatin1(kMainWindowSelectedTabLabelKey),
                                           item->label());
    if (QWidget* window = toWindow()) applyWindowMinimum(window, minWidth, minHeight);
    if (identifier == 1 && tabInView_ != 1 && columns_) columns_->layoutStatusTabBaseView();
    tabInView_ = identifier;
}

void ServersUI::applyWindowMinimum(QWidget* window, int width, int height) {
    // A minimum beyond the screen would push the window off it for good.
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QSize room = screen->availableGeometry().size();
        width = std::min(width, room.width());
        height = std::min(height, room.height());
    }
    // Still at the size it was grown to: the operator has not resized it
    // since, so the growth can be taken back.
    const bool grown = sizeBeforeGrowth_.isValid() && window->size() == grownSize_;
    const QSize wanted = grown ? sizeBeforeGrowth_ : window->size();
    const QSize size(std::max(wanted.width(), width), std::max(wanted.height(), height));
    window->setMinimumSize(width, height);
    if (size == wanted) {
        sizeBeforeGrowth_ = grownSize_ = QSize();
    } else {
        sizeBeforeGrowth_ = wanted;
        grownSize_ = size;
    }
    if (size != window->size()) window->resize(size);
}

void ServersUI::changeMonitorSetting(const QString& value, const QString& key,
                                     QVariantMap layoutDict) {
    QVariantMap settings = layoutDict.value(kLayoutSettingsKey).toMap();
    settings.insert(key, value);
    layoutDict.insert(kLayoutSettingsKey, settings);
    KeloRemoteOwner* owner = this->owner();
    owner->setLayoutDict(layoutDict);
    // The columns read the layout back from the owner and apply it.
    if (columns_) {
        columns_->changeMonitorSetting(value, key);
        return;
    }
    if (key == QLatin1String(kUpdateUiKey)) updateMonitorSettings(layout_);
    layout_ = owner->loadLayoutSettings();
    if (key == QLatin1String(kHeightKey)) updateMonitorSettings(layout_);
}

void ServersUI::updateMixNames() {
    if (columns_) columns_->updateMixNames();
}

void ServersUI::tabViewDidSelectTabViewItem(TbTabView* tabView, const TbItem& item) {
    (void)tabView;
    if (!item) return;
    if (item->label().contains(QLatin1String("Status")) && columns_) {
        columns_->changeMonitorSetting(QStringLiteral("all"), QStringLiteral("update_ui"));
        columns_->updateMixNames();
    }
    setWindowLimits(item);
}

void ServersUI::statusViewSelectionChanged(KeloStatusView* view) {
    const bool selectedOnly = columns_ && columns_->selectedServerOnly();
    const std::vector<statusContainer*> none;
    const std::vector<statusContainer*>& columns = columns_ ? columns_->breakoutColumns() : none;
    const bool inColumn = std::any_of(columns.begin(), columns.end(),
                                      [view](statusContainer* c) { return c->statusView == view; });
    if (selectedOnly && inColumn) {
        for (statusContainer* column : columns) {
            if (!column->statusView) continue;
            column->statusView->setSelectedItem(-1);
            column->statusView->setPixMapSessionItem(-1);
        }
        return;
    }
    const QString before = selectedServerName();
    for (const auto& pane : monitorViews_)
        if (pane->statusView && pane->statusView != view) pane->statusView->setSelectedItem(-1);
    updatePixMapSessionKelo();
    for (statusContainer* column : columns)
        if (column->statusView && column->statusView != view)
            column->statusView->setSelectedItem(-1);

    KeloRemoteOwner* owner = this->owner();
    if (view->selectedItem() < 0) {
        owner->selectKeloObject(nullptr, nullptr, 0);
    } else {
        KeloRemoteCell* cell = view->cellAtIndex(view->selectedItem());
        KeloObject* kelo = cell ? cell->keloObject() : nullptr;
        if (inColumn) {
            view->setSelectedItem(-1);
            for (const auto& pane : monitorViews_) {
                if (!pane->statusView) continue;
                const auto& cells = pane->statusView->cellArray();
                for (size_t i = 0; i < cells.size(); ++i) {
                    if (!kelo || cells[i]->keloObject() != kelo) continue;
                    pane->statusView->setSelectedItem(int(i));
                    if (pane->enclosingView) {
                        const QRect f = cells[i]->frame().toAlignedRect();
                        pane->enclosingView->ensureVisible(f.center().x(), f.center().y(),
                                                           f.width() / 2, f.height() / 2);
                    }
                }
            }
        }
        owner->selectKeloObject(kelo, cell, view->clickedPart());
    }
    if (selectedOnly && selectedServerName() != before) {
        columns_->reloadBreakouts(owner->layoutDict());
        breakoutsNeedsReveal_ = true;
    }
}

QMenu* ServersUI::menuForEvent(QContextMenuEvent* event, KeloStatusView* view) {
    return collections_->menuForEvent(event, view);
}

void ServersUI::actionForMenuItem(QAction* item, KeloStatusView* view) {
    collections_->actionForMenuItem(item, view);
}

void ServersUI::commitSelectedServerOnlyOrdering() {
    if (columns_) columns_->commitSelectedServerOnlyOrdering();
}

std::unique_ptr<KeloRemoteCell> ServersUI::createCellForDescription(
    const QVariantMap& description, bool breakout, KeloStatusView* view) {
    const int layer = intValue(description, "layer");
    const int mix = intValue(description, "mix");
    const int dmxMaster = intValue(description, "DMX_Master");
    std::unique_ptr<KeloRemoteCell> cell;
    if (!breakout) {
        cell = std::make_unique<KeloMonitorCell>();
        cell->setThumbHeight(layout_.thumbHeight);
    } else {
        if (layer >= 1) {
            auto layerCell = std::make_unique<KeloLayerBreakoutCell>();
            layerCell->setLayerNumber(layer);
            cell = std::move(layerCell);
        } else if (mix >= 1) {
            auto mixCell = std::make_unique<KeloLayerBreakoutCell>();
            mixCell->setMixNumber(mix);
            mixCell->setSubName(QStringLiteral("Mix %1").arg(mix));
            cell = std::move(mixCell);
        } else if (dmxMaster >= 1) {
            auto masterCell = std::make_unique<KeloLayerBreakoutCell>();
            masterCell->setDMX_MasterNumber(dmxMaster);
            cell = std::move(masterCell);
        } else {
            cell = std::make_unique<KeloBreakoutCell>();
        }
        cell->setThumbHeight(int(std::trunc(layout_.breakoutHeight)));
    }
    KeloObject* kelo = keloObjectForName(description.value(QStringLiteral("name")).toString());
    const QString subName = description.value(QStringLiteral("subName")).toString();
    if (description.contains(QStringLiteral("subName"))) {
        cell->setSubName(subName);
        cell->setKeloObject(kelo);
        // The cell took the server's current mix name: the stored columns follow.
        if (cell->subName() != subName && view && view->dataSource()) {
            bool wrote = false;
            for (QVariantMap& each : *view->dataSource()) {
                if (!each.contains(QStringLiteral("mix")) || intValue(each, "mix") != mix)
                    continue;
                each.insert(QStringLiteral("subName"), cell->subName());
                wrote = true;
            }
            if (wrote) owner()->forceBreakoutSave();
        }
    } else {
        cell->setKeloObject(kelo);
    }
    cell->setThumbAspect(cell->isAspect_16x9() ? 16.0f / 9.0f : 4.0f / 3.0f);
    cell->setCellWidth(KeloRemoteCell::widthForThumbHeight(cell->thumbHeight(), cell->thumbAspect()));
    if (view) clearLayerOwners(view);
    return cell;
}

void ServersUI::selectKeloObject(const KeloObject* kelo) {
    for (const auto& pane : monitorViews_) {
        if (!pane->statusView) continue;
        const auto& cells = pane->statusView->cellArray();
        for (size_t i = 0; i < cells.size(); ++i)
            if (cells[i]->keloObject() == kelo) pane->statusView->changeSelection(int(i), 0);
    }
}

void ServersUI::updatePixMapSessionKelo() {
    const QString session = StatusTabServices::instance()->sessionKelo();
    for (const auto& pane : monitorViews_) {
        if (!pane->statusView) continue;
        pane->statusView->setPixMapSessionItem(-1);
        if (session.isEmpty()) continue;
        const auto& cells = pane->statusView->cellArray();
        for (size_t i = 0; i < cells.size(); ++i)
            if (cells[i]->keloObject() && cells[i]->keloObject()->name() == session)
                pane->statusView->setPixMapSessionItem(int(i));
    }
    if (!session.isEmpty()) owner()->saveKeloes();
}

QString ServersUI::selectedServerName() {
    return owner()->nameOfSelectedKeloInMainWindow();
}

void ServersUI::setRenamed(bool renamed) {
    for (const auto& pane : monitorViews_)
        if (pane->statusView)
            for (KeloRemoteCell* cell : pane->statusView->cellArray()) cell->setRenamed(renamed);
    if (columns_)
        for (statusContainer* column : columns_->breakoutColumns())
            if (column->statusView)
                for (KeloRemoteCell* cell : column->statusView->cellArray()) cell->setRenamed(true);
}

void ServersUI::removeKelo(const KeloObject* kelo) {
    for (const auto& pane : monitorViews_)
        if (pane->statusView) pane->statusView->removeKeloObject(kelo);
    if (columns_)
        for (statusContainer* column : columns_->breakoutColumns())
            if (column->statusView) column->statusView->removeKeloObject(kelo);
    collections_->removeKelo(kelo);
    reloadData(true);
}

void ServersUI::toMonitorImageHeightClicked() {
    const int segment = toMonitorImageHeight_ ? toMonitorImageHeight_->selectedSegment() : -1;
    if (segment < 0 || segment >= int(monitorImageHeights().size()) || !columns_) return;
    columns_->changeMonitorSetting(QString::number(monitorImageHeights()[size_t(segment)]),
                                   QStringLiteral("height"));
}

void ServersUI::toStatusTabImageHeightClicked() {
    const int segment =
        toStatusTabImageHeight_ ? toStatusTabImageHeight_->selectedSegment() : -1;
    if (segment < 0 || segment >= int(statusTabImageHeights().size()) || !columns_) return;
    columns_->changeMonitorSetting(QString::number(statusTabImageHeights()[size_t(segment)]),
                                   QStringLiteral("breakoutheight"));
}

void ServersUI::selectStatusTabImageHeight(int height) {
    const QSignalBlocker blocker(toStatusTabImageHeight_);
    selectHeightSegment(toStatusTabImageHeight_, statusTabImageHeights(), height);
}

void ServersUI::toEditServersClicked() {
    owner()->showServerList(true);
}

const KeloNetworkInterface* ServersUI::ports() const {
    return ports_ ? ports_ : KeloNetworkInterface::networkInterface();
}

QString ServersUI::externalInterfaceForKelo(const KeloObject* kelo) const {
    const KeloNetworkInterface* ports = this->ports();
    if (!kelo || kelo->address() == 0 || ports->isLocalAddress(kelo->address()) ||
        ports->portCount() == 0)
        return QString();
    const QString ifName = kelo->ethIfName();
    for (int i = 0; i < ports->portCount(); ++i) {
        const auto port = ports->portDescriptionForInterfaceNumber(i);
        if (port && QString::fromLatin1(port->bsdName) == ifName) return ports->getPortName(i);
    }
    return QString();
}

QString ServersUI::troubleShootStringForKelo(const KeloObject* kelo, bool shortString) const {
    const KeloNetworkInterface* ports = this->ports();
    if (!kelo) return QString();
    const uint32_t a = kelo->address();
    if (a == 0 || ports->isLocalAddress(a) || ports->portCount() == 0) return QString();

    const QString ifName = kelo->ethIfName();
    std::optional<Port> rx;
    std::optional<Port> best;
    int rxIndex = -1;
    int bestIndex = -1;
    for (int i = 0; i < ports->portCount(); ++i) {
        const auto port = ports->portDescriptionForInterfaceNumber(i);
        if (!port) continue;
        const Port p{ports->getPortName(i), port->address, port->mask};
        if (!ifName.isEmpty() && QString::fromLatin1(port->bsdName) == ifName) {
            rx = p;
            rxIndex = i;
        }
        if (((port->address ^ a) & port->mask) == 0 && (!best || port->mask > best->mask)) {
            best = p;
            bestIndex = i;
        }
    }
    if (!rx) return QString();

    const QString name = StatusTabServices::instance()->screenNameForKeloObject(kelo);
    const QString address = kelo->addressString();
    QString text;
    const double since = kelo->multipleInterfaces();
    if (since != 0 && KeloObject::now() - since > 4.0) {
        if (shortString) return QStringLiteral("multiple interfaces!");
        text += QStringLiteral(
            "\nReceiving Management/CITP traffic from more than 1 interface!  This can cause "
            "erratic behavior.  Check network cables.\n\n");
    }
    if (bestIndex != rxIndex) {
        if (shortString)
            text += QStringLiteral("wrong subnet %1").arg(rx->name);
        else if (best)
            text += QStringLiteral(
                        "Detected '%1' (%2) on '%3', but cannot reply because of subnet "
                        "mismatch.\nAre your cables swapped?  Your '%4' subnet, however, DOES "
                        "match (%5)")
                        .arg(name, address, rx->name, best->name, ipText(best->address));
        else
            text += QStringLiteral(
                        "Detected '%1' (%2) on %3 (%4), but cannot reply because of subnet "
                        "mismatch.")
                        .arg(name, address, rx->name, ipText(rx->address));
    } else {
        const uint32_t m = kelo->otherSideSubnetMask();
        if (((a ^ rx->address) & m) != 0) {
            if (shortString) {
                text += QStringLiteral("wrong *KELO* subnet");
            } else {
                text += QStringLiteral(
                            "Detected '%1' (%2) on %3 (%4),\nbut Kelo filters out replies.\n\n")
                            .arg(name, address, rx->name, ipText(rx->address));
                text += QStringLiteral(
                            "Check ***KELO MACHINE's System Preferences***\nKELO MACHINE subnet "
                            "'%1' must match\nthis machine's IP address '%2'.\n")
                            .arg(KeloNetworkInterface::subnetStringForIP(a, m),
                                 KeloNetworkInterface::subnetStringForIP(rx->address, m));
            }
        }
    }
    return text.isEmpty() ? QString() : text;
}

std::pair<int, int> ServersUI::majorMinorOfVersion(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() < 2) return {0, 0};
    QString major = parts[0];
    if (major.startsWith(QLatin1Char('v'))) major.remove(0, 1);
    return {major.toInt(), parts[1].toInt()};
}

QString ServersUI::daemonVersionForKelo(const KeloObject* kelo, bool onlyIfMismatch) const {
    static const std::pair<int, int> application =
        majorMinorOfVersion(QCoreApplication::applicationVersion());
    if (!kelo) return QString();
    const uint32_t v = uint32_t(kelo->daemonVersion());
    if (v == 0) return QString();
    const int major = int(v >> 24);
    const int minor = int((v >> 20) & 15);
    const int patch = int((v >> 16) & 15);
    const int revision = int(v & 0xFFFF);
    if (onlyIfMismatch && std::make_pair(major, minor) == application) return QString();
    if (patch == 0) return QString::asprintf("Daemon v%d.%d r%d", major, minor, revision);
    return QString::asprintf("Daemon v%d.%d.%d r%d", major, minor, patch, revision);
}
