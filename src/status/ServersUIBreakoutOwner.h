#pragma once

#include "status/BreakoutColumns.h"

class ServersUI;

// The breakout columns' owner inside the Status tab: the layout is the
// application controller's (ServersUI's owner), the sizes, window limits
// and the reveal at the next tick are ServersUI's. Main thread only.
class ServersUIBreakoutOwner : public BreakoutColumnsOwner {
public:
    explicit ServersUIBreakoutOwner(ServersUI& controller) : controller_(controller) {}

    QVariantMap layoutDict() override;
    void setLayoutDict(const QVariantMap& layout) override;
    CurrentLayoutSettings loadLayoutSettings() override;
    QString nameOfSelectedKeloInMainWindow() override;
    void forceBreakoutSave() override;
    void layoutSettingsChanged() override;
    void updateMonitorSettings(const CurrentLayoutSettings& layout) override;
    void setWindowLimits() override;
    void layoutLoaded(const CurrentLayoutSettings& layout) override;
    void setBreakoutsNeedsReveal() override;
    void selectBreakoutHeight(int height) override;

private:
    ServersUI& controller_;
};
