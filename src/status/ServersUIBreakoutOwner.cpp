#include "status/ServersUIBreakoutOwner.h"

#include "status/KeloRemoteOwner.h"
#include "status/ServersUI.h"

QVariantMap ServersUIBreakoutOwner::layoutDict() {
    return controller_.owner()->layoutDict();
}

void ServersUIBreakoutOwner::setLayoutDict(const QVariantMap& layout) {
    controller_.owner()->setLayoutDict(layout);
}

CurrentLayoutSettings ServersUIBreakoutOwner::loadLayoutSettings() {
    return controller_.owner()->loadLayoutSettings();
}

QString ServersUIBreakoutOwner::nameOfSelectedKeloInMainWindow() {
    return controller_.selectedServerName();
}

void ServersUIBreakoutOwner::forceBreakoutSave() {
    controller_.owner()->forceBreakoutSave();
}

void ServersUIBreakoutOwner::layoutSettingsChanged() {
    controller_.owner()->layoutSettingsChanged();
}

void ServersUIBreakoutOwner::updateMonitorSettings(const CurrentLayoutSettings& layout) {
    controller_.updateMonitorSettings(layout);
}

void ServersUIBreakoutOwner::setWindowLimits() {
    controller_.setWindowLimits(nullptr);
}

void ServersUIBreakoutOwner::layoutLoaded(const CurrentLayoutSettings& layout) {
    controller_.setLayout(layout);
}

void ServersUIBreakoutOwner::selectBreakoutHeight(int height) {
    controller_.selectStatusTabImageHeight(height);
}

void ServersUIBreakoutOwner::setBreakoutsNeedsReveal() {
    controller_.setBreakoutsNeedsReveal(true);
}
