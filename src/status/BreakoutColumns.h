#pragma once

#include "status/CurrentLayoutSettings.h"
#include "status/ServersUIColumns.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QVariantMap>

#include <array>
#include <memory>
#include <utility>
#include <vector>

class BreakoutScrollView;
class KeloStatusView;
struct statusContainer;
class KeloStatusViewTarget;
class ServersUI;
class QAction;
class QMenu;
class QWidget;

// What the breakout columns ask of the Status tab and of the application
// controller that owns the layout. The Status tab controller implements it;
// the default bodies serve tests and tools. Main thread only.
class BreakoutColumnsOwner {
public:
    virtual ~BreakoutColumnsOwner() = default;
    // The current layout dictionary.
    virtual QVariantMap layoutDict() { return {}; }
    virtual void setLayoutDict(const QVariantMap& layout) { (void)layout; }
    // The layout's numbers as read from layoutDict().
    virtual CurrentLayoutSettings loadLayoutSettings() { return {}; }
    virtual QString nameOfSelectedKeloInMainWindow() { return {}; }
    // Writes the settings file after the columns' descriptions changed.
    virtual void forceBreakoutSave() {}
    virtual void layoutSettingsChanged() {}
    // The server list pane's share of a settings change.
    virtual void updateMonitorSettings(const CurrentLayoutSettings& layout) { (void)layout; }
    // The main window's minimum size for the selected tab.
    virtual void setWindowLimits() {}
    // The numbers of a changed layout, as the columns now use them.
    virtual void layoutLoaded(const CurrentLayoutSettings& layout) { (void)layout; }
    // A show while hidden: the Status tab's next tick reveals the columns.
    virtual void setBreakoutsNeedsReveal() {}
    // The tab's breakout height control shows the height in use.
    virtual void selectBreakoutHeight(int height) { (void)height; }
};

// One entry of the Status tab's View menu; `submenu` marks the entry that
// opens the column-count menu.
struct ViewMenuItem {
    QString title;
    int tag = -1;
    bool checked = false;
    bool submenu = false;
};

// The breakout columns of the Status tab: narrow status views beside the
// server list that show chosen layers, mixes, DMX outputs or whole servers.
// In the custom layout "breakout_cols" columns (0 to 5) hold the operator's
// descriptions from the layout's "breakouts"; in "Selected server only" mode
// one column shows the selected server in the order of the ordering text
// ("0,1,2,3mix": the server, layers 1 and 2, mix 3).
//
// The layout dictionary is a value: the columns keep their own description
// lists (the status views' data sources) and write them back under
// "breakouts" whenever they are committed. Columns are children of the base
// view, hidden while unused and reused across rebuilds. The Status tab
// installs them with ServersUI::setColumns(forStatusTab(...)). Main thread only.
class BreakoutColumns : public ServersUIColumns {
public:
    static constexpr int kMaxColumns = 5;
    static constexpr int kMaxOrderingTokens = 100;

    // `baseView` holds the columns; `target` makes their cells. Neither owned.
    BreakoutColumns(QWidget* baseView, KeloStatusViewTarget* target);
    ~BreakoutColumns() override;
    // The columns of the Status tab: in its base view, with its cells, its
    // owner's layout and its reveal at the next tick.
    static std::unique_ptr<BreakoutColumns> forStatusTab(ServersUI& controller);

    // ServersUIColumns: the layout comes from and goes to the owner.
    void reloadBreakouts(const QVariantMap& layoutDict) override;
    void changeMonitorSetting(const QString& value, const QString& key) override;
    const std::vector<statusContainer*>& breakoutColumns() const override { return columns_; }
    bool selectedServerOnly() const override { return !customMode_; }

    // Rebuilds every column from the layout, dropping descriptions of servers
    // no longer listed from it; the owner is kept for later calls.
    void reloadBreakouts(QVariantMap& layoutDict, BreakoutColumnsOwner* owner);
    // Shows, hides (a second NO toggles) or lays the columns out again. A show
    // while hidden only asks for a reveal at the next performUpdate.
    void showBreakouts(bool show, double sizeChange) override;
    void layoutStatusTabBaseView() override;
    void updateBreakoutSettings() override;
    // Stores one layout setting, hands the layout to the owner and applies it.
    void changeMonitorSetting(const QString& value, const QString& key, QVariantMap& layoutDict);
    void updateMixNames() override;
    // Stores the single column's order as ordering text and the custom
    // columns' descriptions under "breakouts" in the owner's layout.
    void commitSelectedServerOnlyOrdering() override;
    // The tick: polls the columns' cells, then reveals them when asked.
    void performUpdate();

    // The View menu (built on the sender, run, and acted on).
    void showViewActionMenu(QWidget* sender) override;
    static QList<ViewMenuItem> viewMenuItems(const CurrentLayoutSettings& layout);
    static QList<ViewMenuItem> viewSubMenuItems(const CurrentLayoutSettings& layout);
    // The layout setting (value, key) an item of either menu stores; an empty
    // key for none.
    static std::pair<QString, QString> viewMenuChoice(int tag, const QString& title);
    void viewMenuAction(const QAction* item);

    // The single column's descriptions for the server `name` read from the
    // ordering text; `ordering` (may be null) gets each read token's number.
    static QList<QVariantMap> selectedServerDescriptions(const QString& orderingText,
                                                         const QString& name,
                                                         std::array<int32_t, 100>* ordering);
    static QString orderingText(const QList<QVariantMap>& descriptions);
    // Frames of `count` columns `columnWidth` wide in the base view's bounds:
    // packed against the right edge, starting at x 2 when too wide; hidden
    // ones collapse to zero width at the right edge.
    static std::vector<QRect> columnFrames(const QRect& bounds, int count, int columnWidth,
                                           bool shown);
    // "breakout_cols" as a column count.
    static int columnCount(const QVariantMap& layoutSettings);

    bool showingBreakouts() const { return showingBreakouts_; }
    bool breakoutsNeedsReveal() const { return breakoutsNeedsReveal_; }
    void setBreakoutsNeedsReveal(bool reveal) { breakoutsNeedsReveal_ = reveal; }
    const CurrentLayoutSettings& layout() const { return layout_; }
    void setLayout(const CurrentLayoutSettings& layout) { layout_ = layout; }
    int columnCountInUse() const { return int(columns_.size()); }
    KeloStatusView* statusView(int column) const;
    BreakoutScrollView* enclosingView(int column) const;
    // The descriptions a column shows (its status view's data source).
    QList<QVariantMap>* descriptions(int column) const;
    // Width of a column for the layout's breakout height and aspect.
    int columnWidth() const;

private:
    statusContainer& storeElement(size_t index);
    void reloadBreakout(QList<QVariantMap>* descriptions, statusContainer& column);
    void storeBreakouts(QVariantMap& layoutDict) const;

    QWidget* baseView_;
    KeloStatusViewTarget* target_;
    BreakoutColumnsOwner* owner_ = nullptr;
    // The Status tab's owner when made by forStatusTab.
    std::unique_ptr<BreakoutColumnsOwner> ownedOwner_;
    std::vector<std::unique_ptr<statusContainer>> store_;
    std::vector<statusContainer*> columns_;
    // Custom columns' descriptions, one list per store element.
    std::vector<std::unique_ptr<QList<QVariantMap>>> custom_;
    QList<QVariantMap> selectedServerColumn_;
    bool customMode_ = true;
    CurrentLayoutSettings layout_;
    bool showingBreakouts_ = false;
    bool breakoutsNeedsReveal_ = false;
};
