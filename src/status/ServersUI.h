#pragma once

#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDSegmentedControl.h"
#include "hud/windows/VSeparableController.h"
#include "status/CurrentLayoutSettings.h"
#include "status/KeloStatusViewTarget.h"
#include "status/StatusTabBaseView.h"
#include "tabbar/TbTabBarControlDelegate.h"

#include <QList>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <utility>
#include <vector>

class BreakoutScrollView;
class ChangeIncrementsDict;
class KeloNetworkInterface;
class KeloObject;
class KeloRemoteOwner;
class KlE_Control_Status;
class ServersUICollections;
class ServersUIColumns;
struct statusContainer;

// The Status tab's controller. Its panel (the base view, headed "Servers")
// holds the server list: one status view of monitor cells, one per server of
// the operator's list, with the thumbnail-height choice and the "Edit
// Servers" button below it. The tab's own view (StatusTabBaseView) holds the
// breakout columns (ServersUIColumns). It makes every cell a status view asks
// for, keeps the selection of all status views in step and passes it to the
// owner, refreshes the cells once per tick, keeps the main window wide
// enough for the widest cell and sets the window's minimum size per tab.
// It also puts a server's network trouble into words for the cells.
// Main thread only.
class ServersUI : public VSeparableController,
                  public KeloStatusViewTarget,
                  public TbTabBarControlDelegate {
    Q_OBJECT
public:
    // The process's controller, made on first use and kept for the life of
    // the process; its views are made by awakeFromNib.
    static ServersUI* instance();

    // `ports`: the interface table for the troubleshooting texts; `link`:
    // where servers are looked up by name. Null means the process-wide ones.
    explicit ServersUI(const KeloNetworkInterface* ports = nullptr,
                       KlE_Control_Status* link = nullptr);
    ~ServersUI() override;

    // Builds the panel's and the tab's views once.
    void awakeFromNib();

    // Null restores the installed owner. Not owned.
    void setOwner(KeloRemoteOwner* owner) { owner_ = owner; }
    KeloRemoteOwner* owner() const;
    // Replaces the breakout columns (the plain one follows the selected server).
    void setColumns(std::unique_ptr<ServersUIColumns> columns);
    ServersUIColumns* columns() const { return columns_.get(); }
    void setCollections(std::unique_ptr<ServersUICollections> collections);
    ServersUICollections* collections() const { return collections_.get(); }

    // Places the panel in the main window once, when nothing placed it yet.
    void show();
    // A scroll view round a fresh status view, as every pane and column uses.
    BreakoutScrollView* createBreakoutView(QWidget* parent);
    void setStatusTab(const std::shared_ptr<TbTabViewItem>& item);
    std::shared_ptr<TbTabViewItem> statusTab() const { return statusTab_.lock(); }
    StatusTabBaseView* statusTabBaseView() const { return toStatusTabBaseView_; }

    // Rebuilds the server list pane for `servers` (kept, not owned: drags
    // reorder it in place).
    void reloadMonitorPanes(QList<QVariantMap>* servers, const CurrentLayoutSettings& layout);
    // Rebuilds the cells when forced or when the server set changed.
    void reloadData(bool force);
    void updateMonitorSettings(const CurrentLayoutSettings& layout);
    // The tick.
    void performUpdate();
    void checkNeedsLayout();
    // The widest monitor cell plus a scroll bar; widens the window to fit.
    int updateServersWidth();
    // The window's minimum size for a tab (null: the selected one).
    void setWindowLimits(std::shared_ptr<TbTabViewItem> item);
    void tabViewDidSelectTabViewItem(TbTabView* tabView, const TbItem& item) override;
    // Stores `value` under `key` in `layoutDict`'s "layout_settings", makes
    // that the owner's layout and has the columns and the server list apply
    // it ("update_ui" refreshes everything).
    void changeMonitorSetting(const QString& value, const QString& key, QVariantMap layoutDict);
    // Copies the servers' current mix names into the columns' descriptions.
    void updateMixNames();

    // KeloStatusViewTarget
    void statusViewSelectionChanged(KeloStatusView* view) override;
    QMenu* menuForEvent(QContextMenuEvent* event, KeloStatusView* view) override;
    void actionForMenuItem(QAction* item, KeloStatusView* view) override;
    std::unique_ptr<KeloRemoteCell> createCellForDescription(const QVariantMap& description,
                                                             bool breakout,
                                                             KeloStatusView* view) override;
    int serversCount() override { return serversCount_; }
    void commitSelectedServerOnlyOrdering() override;

    void selectKeloObject(const KeloObject* kelo);
    void updatePixMapSessionKelo();
    QString selectedServerName();
    void setRenamed(bool renamed);
    void removeKelo(const KeloObject* kelo);
    KeloObject* keloObjectForName(const QString& name) const;

    void toMonitorImageHeightClicked();
    void toStatusTabImageHeightClicked();
    // The breakout height control shows `height` (0 keeps its selection).
    void selectStatusTabImageHeight(int height);
    void toEditServersClicked();

    const std::vector<std::unique_ptr<statusContainer>>& monitorViews() const {
        return monitorViews_;
    }
    const CurrentLayoutSettings& layout() const { return layout_; }
    void setLayout(const CurrentLayoutSettings& layout) { layout_ = layout; }
    bool breakoutsNeedsReveal() const { return breakoutsNeedsReveal_; }
    void setBreakoutsNeedsReveal(bool reveal) { breakoutsNeedsReveal_ = reveal; }
    int tabInView() const { return tabInView_; }
    HUDSegmentedControl* monitorImageHeightControl() const { return toMonitorImageHeight_; }
    HUDSegmentedControl* statusTabImageHeightControl() const { return toStatusTabImageHeight_; }
    HUDButton* editServersButton() const { return toEditServers_; }
    HUDButton* viewButton() const { return toViewButton_; }
    // Segment 0 monitor, 1 manage; the Content tab acts on it.
    HUDSegmentedControl* getMonitorOrManageControl() const { return toMonitorOrManage_; }
    // Thumbnail heights offered by the two height controls, by segment.
    static const std::vector<int>& monitorImageHeights();
    static const std::vector<int>& statusTabImageHeights();
    // Width of the scroll bars beside the panes.
    static int scrollerWidth();

    // Display name of this machine's port on which the server is heard; null
    // when unknown.
    QString externalInterfaceForKelo(const KeloObject* kelo) const;
    // Null when there is nothing to report.
    QString troubleShootStringForKelo(const KeloObject* kelo, bool shortString) const;
    // Null without a version, or with onlyIfMismatch when major and minor
    // match this application's.
    QString daemonVersionForKelo(const KeloObject* kelo, bool onlyIfMismatch) const;

    // Major and minor of a version text ("4.1.3", "v4.1"); (0, 0) with fewer
    // than two parts.
    static std::pair<int, int> majorMinorOfVersion(const QString& version);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const KeloNetworkInterface* ports() const;
    QWidget* toWindow() const;
    void layoutPanel();
    void selectHeightSegment(HUDSegmentedControl* control, const std::vector<int>& heights,
                             int height);
    bool paneChanged(const statusContainer& pane);
    // Makes (width, height) the window's minimum, within its screen, and
    // grows the window to it; a window grown for one tab comes back to the
    // operator's size when the next tab needs less.
    void applyWindowMinimum(QWidget* window, int width, int height);

    const KeloNetworkInterface* ports_;
    KlE_Control_Status* link_;
    KeloRemoteOwner* owner_ = nullptr;
    std::unique_ptr<ServersUIColumns> columns_;
    std::unique_ptr<ServersUICollections> collections_;
    std::vector<std::unique_ptr<statusContainer>> monitorViews_;
    int serversCount_ = 0;
    bool breakoutsNeedsReveal_ = false;
    std::weak_ptr<TbTabViewItem> statusTab_;
    QPointer<QWidget> monitorPane_;
    QPointer<HUDSegmentedControl> toMonitorImageHeight_;
    QPointer<HUDButton> toEditServers_;
    QPointer<StatusTabBaseView> toStatusTabBaseView_;
    QPointer<HUDSegmentedControl> toStatusTabImageHeight_;
    QPointer<HUDButton> toViewButton_;
    QPointer<HUDSegmentedControl> toMonitorOrManage_;
    CurrentLayoutSettings layout_;
    int tabInView_ = 0;
    bool windowLimitsSet_ = false;
    int lastServersWidth_ = 0;
    // The operator's size before the window was grown for a tab, and the
    // size it was grown to; empty while no growth is in force.
    QSize sizeBeforeGrowth_;
    QSize grownSize_;
    std::unique_ptr<ChangeIncrementsDict> changeIncrementsDict_;
};
