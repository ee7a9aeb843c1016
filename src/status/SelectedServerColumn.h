#pragma once

#include "status/ServersUIColumns.h"

#include <QList>
#include <QVariantMap>

#include <memory>
#include <vector>

class ServersUI;

// The plain breakout pane: one column right of the server list showing the
// selected server as a whole-server breakout cell with its layers, or
// "select a server" while none is. Main thread only.
class SelectedServerColumn : public ServersUIColumns {
public:
    explicit SelectedServerColumn(ServersUI& controller);
    ~SelectedServerColumn() override;

    void reloadBreakouts(const QVariantMap& layoutDict) override;
    void showBreakouts(bool show, double sizeChange) override;
    void layoutStatusTabBaseView() override;
    void updateBreakoutSettings() override;
    void changeMonitorSetting(const QString& value, const QString& key) override;
    const std::vector<statusContainer*>& breakoutColumns() const override { return columns_; }
    bool selectedServerOnly() const override { return true; }

    bool showingBreakouts() const { return showingBreakouts_; }
    const QList<QVariantMap>& selectedServerColumn() const { return selectedServerColumn_; }

private:
    ServersUI& controller_;
    std::unique_ptr<statusContainer> column_;
    std::vector<statusContainer*> columns_;
    QList<QVariantMap> selectedServerColumn_;
    bool showingBreakouts_ = false;
};
