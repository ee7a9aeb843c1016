#pragma once

#include <QString>
#include <QVariantMap>

#include <vector>

struct statusContainer;
class QWidget;

// The breakout columns right of the Status tab's server list. ServersUI
// starts with SelectedServerColumn; the View menu's layouts install their
// own with ServersUI::setColumns. Main thread only.
class ServersUIColumns {
public:
    virtual ~ServersUIColumns() = default;

    // Rebuilds every column from the layout dictionary.
    virtual void reloadBreakouts(const QVariantMap& layoutDict) = 0;
    // Shows, hides (show false toggles) or lays out the columns.
    virtual void showBreakouts(bool show, double sizeChange) = 0;
    virtual void layoutStatusTabBaseView() = 0;
    // Re-applies the layout's sizes to the columns' cells.
    virtual void updateBreakoutSettings() = 0;
    // Stores one layout setting in the owner's dictionary and applies it.
    virtual void changeMonitorSetting(const QString& value, const QString& key) = 0;
    // The columns in use, left to right.
    virtual const std::vector<statusContainer*>& breakoutColumns() const = 0;
    // True while one column follows the selected server.
    virtual bool selectedServerOnly() const = 0;
    virtual void updateMixNames() {}
    // The View menu of layouts and column counts, under `sender`.
    virtual void showViewActionMenu(QWidget* sender) { (void)sender; }
    virtual void commitSelectedServerOnlyOrdering() {}
};
