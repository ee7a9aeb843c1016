#include "status/SelectedServerColumn.h"

#include "status/BreakoutScrollView.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloRemoteOwner.h"
#include "status/KeloStatusView.h"
#include "status/ServersUI.h"
#include "status/StatusTabBaseView.h"
#include "status/statusContainer.h"

#include <QVariantMap>

#include <algorithm>

SelectedServerColumn::SelectedServerColumn(ServersUI& controller) : controller_(controller) {}

SelectedServerColumn::~SelectedServerColumn() = default;

void SelectedServerColumn::reloadBreakouts(const QVariantMap& layoutDict) {
    (void)layoutDict;
    StatusTabBaseView* base = controller_.statusTabBaseView();
    if (!base) return;
    showingBreakouts_ = false;
    if (!column_) column_ = std::make_unique<statusContainer>();
    if (!column_->enclosingView) column_->enclosingView = controller_.createBreakoutView(base);
    column_->enclosingView->hide();
    columns_.assign(1, column_.get());

    selectedServerColumn_.clear();
    const QString selected = controller_.selectedServerName();
    if (!selected.isEmpty()) selectedServerColumn_.append({{QStringLiteral("name"), selected}});
    column_->serverList = &selectedServerColumn_;
    KeloStatusView* view = column_->enclosingView->findChild<KeloStatusView*>();
    column_->statusView = view;
    if (view) {
        view->setShowSelectedServerOnly(true);
        view->setNumColumns(1);
        view->setSelectedItem(-1);
        view->setPixMapSessionItem(-1);
        view->setDataSource(&selectedServerColumn_);
        view->setTarget(&controller_);
        view->setIsBreakout(true);
        view->createCellArray();
        column_->cells = view->cellArray();
        view->reloadData();
    }
    controller_.setWindowLimits(nullptr);
}

void SelectedServerColumn::showBreakouts(bool show, double sizeChange) {
    (void)sizeChange;
    if (!showingBreakouts_ && show) {
        controller_.setBreakoutsNeedsReveal(true);
        return;
    }
    showingBreakouts_ = show || !showingBreakouts_;
    controller_.selectStatusTabImageHeight(int(controller_.layout().breakoutHeight));
    StatusTabBaseView* base = controller_.statusTabBaseView();
    if (!base || !column_ || !column_->enclosingView) return;
    const QRect b = base->rect();
    const int breakoutHeight = int(controller_.layout().breakoutHeight);
    int colW = ServersUI::scrollerWidth() +
               KeloRemoteCell::widthForThumbHeight(breakoutHeight, controller_.layout().aspect);
    const int height = b.height() - 28;
    const int right = b.x() + b.width() - 4;
    colW = std::max(colW, b.width() - 4);
    BreakoutScrollView* enclosing = column_->enclosingView;
    // The column fills the box under the tab's controls; hidden, it
    // collapses at the right edge.
    const int x = showingBreakouts_ ? std::max(2, right - colW) : right;
    enclosing->setGeometry(x, b.y() + 24, showingBreakouts_ ? right - x : 0, height);
    enclosing->setVisible(showingBreakouts_);
    if (column_->statusView) column_->statusView->reloadData();
}

void SelectedServerColumn::layoutStatusTabBaseView() {
    StatusTabBaseView* base = controller_.statusTabBaseView();
    if (!base || !base->isVisible()) return;
    const auto children = base->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (std::any_of(children.begin(), children.end(),
                    [](const QWidget* w) { return !w->isHidden(); }))
        showBreakouts(true, 0.0);
}

void SelectedServerColumn::updateBreakoutSettings() {
    controller_.setWindowLimits(nullptr);
    const CurrentLayoutSettings& layout = controller_.layout();
    for (statusContainer* column : columns_) {
        KeloStatusView* view = column->statusView;
        if (!view) continue;
        for (KeloRemoteCell* cell : view->cellArray()) {
            if (cell->thumbAspect() == 0) cell->setThumbAspect(layout.aspect);
            cell->setCellWidth(
                KeloRemoteCell::widthForThumbHeight(cell->thumbHeight(), cell->thumbAspect()));
        }
        view->createCellArray();
        column->cells = view->cellArray();
        view->reloadData();
    }
    controller_.owner()->layoutSettingsChanged();
}

void SelectedServerColumn::changeMonitorSetting(const QString& value, const QString& key) {
    KeloRemoteOwner* owner = controller_.owner();
    QVariantMap layoutDict = owner->layoutDict();
    QVariantMap settings = layoutDict.value(QStringLiteral("layout_settings")).toMap();
    settings.insert(key, value);
    layoutDict.insert(QStringLiteral("layout_settings"), settings);
    owner->setLayoutDict(layoutDict);
    if (key == QLatin1String("update_ui")) {
        controller_.updateMonitorSettings(controller_.layout());
        showBreakouts(true, 0.15);
        updateBreakoutSettings();
    }
    controller_.setLayout(owner->loadLayoutSettings());
    if (key == QLatin1String("height")) controller_.updateMonitorSettings(controller_.layout());
    if (key == QLatin1String("breakoutheight")) {
        reloadBreakouts(layoutDict);
        showBreakouts(true, 0.15);
        updateBreakoutSettings();
    }
}
