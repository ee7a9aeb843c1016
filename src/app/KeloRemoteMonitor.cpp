// KeloRemote's share of the Status tab: the breakout columns and server
// collections it installs there, the monitor list, the floating monitor HUD
// and the server-list panel.
#include "app/KeloRemote.h"

#include "app/AppConstants.h"
#include "app/KeloRemoteSettings.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/BreakoutColumns.h"
#include "status/KeloServerListPanel.h"
#include "status/KeloStatusView.h"
#include "status/ServerCollections.h"
#include "status/ServersUI.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabView.h"

void KeloRemote::setUpMonitor(KlE_Control_Status& link) {
    servers_->setColumns(BreakoutColumns::forStatusTab(*servers_));
    auto collections = std::make_unique<ServerCollections>(&link);
    collections->setRemoveKeloAtIndex([this](int index) { removeKeloAtIndex(index); });
    collections_ = collections.get();
    servers_->setCollections(std::move(collections));

    // The added servers are the ones the link polls; the monitor list keeps
    // only those.
    monitorList_ = KeloMonitorList(&link);
    monitorList_.setActiveKeloes(settings_->activeKeloes());
    monitorList_.setKeloList(settings_->keloList());
    monitorList_.reloadKeloes();

    hud_ = std::make_unique<KeloMonitorHUD>(&link, this);
    hud_->setLayout(settings_->loadLayoutSettings());
    hud_->layoutSettingsChanged();
    serverListPanel_ = std::make_unique<KeloServerListPanel>(
        &link, [this](const QString& name) { addServer(name); });
    serverListPanel_->showServerList(false);
}

void KeloRemote::followPageBar() {
    window_->tabBar()->setDelegate(servers_.get());
    TbTabView* pages = window_->tabView();
    servers_->tabViewDidSelectTabViewItem(pages, pages->selectedTabViewItem());
}

void KeloRemote::saveLayoutSettings() {
    if (hud_ && hud_->window()->isVisible())
        setLayoutSetting(kMonitorHudPosnKey,
                         KeloMonitorHUD::stringFromPoint(hud_->window()->geometry().topLeft()));
    if (servers_) servers_->commitSelectedServerOnlyOrdering();
}

void KeloRemote::addServer(const QString& name) {
    if (!monitorList_.addServer(name)) return;
    updateScanAllServers();
    servers_->reloadData(true);
    saveKeloes();
}

void KeloRemote::removeKeloWithName(const QString& name) {
    if (name.isEmpty()) return;
    if (name == selectedKelo_) selectKeloObject(nullptr, nullptr, 0);
    // The Status tab first: its views drop the server's entry from the list
    // they share with the monitor list, cell by cell.
    if (const KeloObject* kelo = link_->keloObjectForName(name)) servers_->removeKelo(kelo);
    if (!monitorList_.removeKeloWithName(name)) return;
    updateScanAllServers();
    servers_->reloadData(true);
    hud_->keloRemoved(name);
    ServerCollectionsContent::shared().updateVisibleKeloes(true);
    saveKeloes();
}

void KeloRemote::removeKeloAtIndex(int index) {
    removeKeloWithName(monitorList_.nameAtIndex(index));
}

void KeloRemote::layoutSettingsChanged() {
    hud_->setLayout(settings_->loadLayoutSettings());
    hud_->layoutSettingsChanged();
}

void KeloRemote::showServerList(bool show) {
    serverListPanel_->showServerList(show);
}

bool KeloRemote::serverListVisible() {
    return serverListPanel_ && serverListPanel_->isVisible();
}

QString KeloRemote::nameOfSelectedKeloInPreferencesWindow() const {
    return serverListPanel_ ? serverListPanel_->nameOfSelectedKeloInPreferencesWindow() : QString();
}

QVariant KeloRemote::layoutSetting(const QString& key) {
    return settings_->layoutDict().value(kLayoutSettingsKey).toMap().value(key);
}

void KeloRemote::setLayoutSetting(const QString& key, const QVariant& value) {
    QVariantMap layout = settings_->layoutDict();
    QVariantMap layoutSettings = layout.value(kLayoutSettingsKey).toMap();
    layoutSettings.insert(key, value);
    layout.insert(kLayoutSettingsKey, layoutSettings);
    settings_->setLayoutDict(layout);
}

QList<KeloObject*> KeloRemote::shownKeloes() const {
    QList<KeloObject*> shown;
    if (!link_) return shown;
    for (const QVariantMap& server : *monitorList_.keloList())
        if (KeloObject* kelo = link_->keloObjectForName(server.value("name").toString()))
            shown << kelo;
    return shown;
}

QStringList KeloRemote::validServersForCollection(int32_t collectionID) {
    return collections_ ? collections_->validServersForCollection(collectionID, shownKeloes())
                        : QStringList();
}

QString KeloRemote::masterForCollection(int32_t collectionID) {
    return collections_ ? collections_->masterForCollection(collectionID) : QString();
}

QStringList KeloRemote::unavailableDatabasesForCollection(int32_t collectionID) {
    return collections_
               ? collections_->unavailableDatabasesForCollection(collectionID, shownKeloes())
               : QStringList();
}
