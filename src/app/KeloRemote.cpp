#include "app/KeloRemote.h"

#include "app/AppConstants.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "app/KeloStatusLine.h"
#include "app/OmLogDebugMenu.h"
#include "imageremap/ImageRemapPreviewPage.h"
#include "imageremap/MultiScreenEditor.h"
#include "content/ContentTabSyncServices.h"
#include "pixelmap/PixelMapUI.h"
#include "content/ContentUI.h"
#include "content/ContentUIPanel.h"
#include "foundation/OmLog.h"
#include "hud/windows/KeloAlert.h"
#include "platform/MainThread.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KeloRemoteContentEditor.h"
#include "settings/KeloRemoteContentEditorWindow.h"
#include "settings/KlRemoteControlList.h"
#include "settings/KlRemoteControlPanel.h"
#include "status/KeloMonitorHUD.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloServerListPanel.h"
#include "status/KeloStatusView.h"
#include "status/ServerCollections.h"
#include "status/ServersUI.h"
#include "status/ServersUIColumns.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabView.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

#include <cstdlib>

namespace {

KeloRemote* gKeloRemote = nullptr;  // main thread only

// Waits for the process whose id is $1 to end, then starts the program $0
// again: the new copy must not meet this one's instance lock. The script is
// fixed; the path and the id come in as arguments.
const char kRelaunchScript[] =
    "while kill -0 \"$1\" 2>/dev/null; do sleep 0.1; done; exec \"$0\"";

}  // namespace

// The Status tab on the tick, refreshed after the controller so that it sees
// the server list the controller has just taken.
class KeloRemote::StatusTabTickView : public KeloRemoteTickView {
public:
    explicit StatusTabTickView(ServersUI& servers) : servers_(servers) {}
    void reloadData() override { servers_.reloadData(false); }
    void performUpdate() override { servers_.performUpdate(); }

private:
    ServersUI& servers_;
};

KeloRemote::KeloRemote(std::unique_ptr<KeloRemoteSettings> settings)
    : settings_(std::move(settings)), contentSync_(std::make_unique<ContentTabSyncServices>()) {
    gKeloRemote = this;
}

KeloRemote::~KeloRemote() {
    if (gKeloRemote == this) gKeloRemote = nullptr;
}

KeloRemote* KeloRemote::instance() {
    return gKeloRemote;
}

KeloFrontEnd KeloRemote::frontEnd() {
    KeloFrontEnd frontEnd{this, this, this, this, this, this};
    frontEnd.contentSync = contentSync_.get();
    return frontEnd;
}

void KeloRemote::awakeFromNib(KlE_Control_Status& link, KeloRemoteTick& tick,
                              const QString& version, const QString& bundlePath) {
    link_ = &link;
    tick_ = &tick;
    UserDefaults& defaults = UserDefaults::standard();
    settings_->loadSettings(defaults.object(kSettingsDefaultsKey));

    preferences_ = std::make_unique<KlRemoteControlPanel>(&link);
    controls_ = preferences_->list();
    window_ = std::make_unique<KeloMainWindow>();
    window_->tabItem(KeloMainWindow::kPreferencesTab)->setView(preferences_.get());
    window_->setWindowTitle(mainWindowTitle(version, bundlePath));
    window_->setDelegate(this);
    buildWindowMenu();

    const CurrentLayoutSettings layout = settings_->loadLayoutSettings();
    servers_ = std::make_unique<ServersUI>(nullptr, &link);
    servers_->setOwner(this);
    servers_->awakeFromNib();
    setUpMonitor(link);
    servers_->setStatusTab(window_->tabItem(KeloMainWindow::kStatusTab));
    window_->setServersPane(servers_->getBaseView());
    servers_->reloadMonitorPanes(monitorList_.keloList(), layout);
    servers_->columns()->reloadBreakouts(layoutDict());
    followPageBar();

    contentEditorWindow_ = std::make_unique<KeloRemoteContentEditorWindow>();
    contentEditor_ = &contentEditorWindow_->editor();
    contentEditor_->setKeloes(&link);
    contentEditor_->setKeloName(QString());
    contentEditor_->setRestricted(defaults.integer(kContentEditorFullyEnabledKey) == 0);
    contentEditor_->setVisible(defaults.boolValue(kContentEditorVisKey));

    ContentUIPanel::Options contentOptions;
    contentOptions.network = &link;
    contentPanel_ = std::make_unique<ContentUIPanel>(contentOptions);
    contentSync_->setPanel(contentPanel_.get());
    contentSync_->setServers(servers_.get(), &link);
    contentSync_->setUnavailableDatabases(
        [this](int32_t id) { return unavailableDatabasesForCollection(id); });
    if (auto item = window_->tabItem(KeloMainWindow::kContentTab))
        item->setView(contentPanel_->page());
    pixelMap_ = new PixelMapUI;
    pixelMap_->setPixelMapTab(window_->tabItem(KeloMainWindow::kPixelMapTab));
    contentPanel_->setContentTab(nullptr, window_->progressBar(), window_->progressText(),
                                 window_->cancelTransferButton());
    contentPanel_->setScanAllServers(window_->scanAllServersButton());
    imageRemap_ = std::make_unique<MultiScreenEditor>([this]() -> KeloObject* {
        const QString name = nameOfSelectedKeloInMainWindow();
        return name.isEmpty() || !link_ ? nullptr : link_->keloObjectForName(name);
    });
    imageRemapPage_ = new ImageRemapPreviewPage(*imageRemap_);
    if (auto item = window_->tabItem(KeloMainWindow::kImageRemapTab))
        item->setView(imageRemapPage_);
    imageRemap_->start();
    contentPanel_->setMonitorOrManage(servers_->getMonitorOrManageControl());
    updateScanAllServers();
    buildMenus();

    tick.addView(this);
    serversTick_ = std::make_unique<StatusTabTickView>(*servers_);
    tick.addView(serversTick_.get());
    // Scheduled on every Linux: the refresh guards against cells that the
    // tick's change checks missed, whatever the desktop.
    updateUiTimer_ = std::make_unique<QTimer>();
    updateUiTimer_->setInterval(kUpdateUiSeconds * 1000);
    QObject::connect(updateUiTimer_.get(), &QTimer::timeout, [this] { update_ui(); });
    updateUiTimer_->start();
    validateWindowMenu();
    defaults.setObject(kAppSleepDisabledKey, true);
}

void KeloRemote::updateScanAllServers() {
    if (window_)
        window_->scanAllServersButton()->setVisible(!monitorList_.activeKeloes().isEmpty());
}

QVariantList KeloRemote::logMessages() {
    return contentPanel_ ? contentPanel_->logMessages() : QVariantList();
}

int KeloRemote::currentSelectedCollectionID() {
    return collections_ ? collections_->currentSelectedCollectionID() : -1;
}

bool KeloRemote::applicationShouldTerminate() {
    OmLogNoFlood(kOmLogInfo, "KeloRemote received quit command\n");
    return writeSettings();
}

bool KeloRemote::writeSettings() {
    saveKeloes();
    QString error;
    const bool saved = settings_->save(&error);
    if (!saved) {
        OmLogNoFlood(kOmLogError, "Cannot write %s: %s\n", qPrintable(settings_->path()),
                     qPrintable(error));
        showStatusText("Error writing settings: " + error, QColor());
    }
    UserDefaults::standard().synchronize();
    return saved;
}

// --- Tick --------------------------------------------------------------------------------

void KeloRemote::reloadData() {
    serverListRows_ = link_->current();
    if (!window_) return;
    QListWidget* list = window_->serverList();
    list->clear();
    list->addItems(serverListRows_);
    if (serverListPanel_) serverListPanel_->reloadData();
    if (hud_) hud_->monitorHudView()->reloadData();
}

bool KeloRemote::applicationOpenFile(const QString& path) {
    return pixelMap_ && pixelMap_->applicationOpenFile(path);
}

void KeloRemote::performUpdate() {
    if (!finishedLaunching_ && pixelMap_) pixelMap_->appFinishedLaunching();
    finishedLaunching_ = true;
    controls_->update();
    for (const QVariantMap& entry : *monitorList_.keloList()) updateKelo(entry);
    // Before the Status tab, as the tick's views go.
    if (hud_) hud_->monitorHudView()->performUpdate();
    // Renames are told and saved once a tick: a network coming back renames
    // every server at once, and each save synchronises to disk.
    if (renamed_) {
        renamed_ = false;
        servers_->setRenamed(true);
        if (hud_)
            for (KeloRemoteCell* cell : hud_->monitorHudView()->cellArray()) cell->setRenamed(true);
        controls_->setFixtureName(selectedKelo_.isNull() ? QString("") : selectedKelo_);
        contentEditor_->setKeloName(selectedKelo_);
        // The Content tab's rows carry the names shown.
        if (contentPanel_) contentPanel_->refreshButtonClicked();
        saveKeloes();
    }
}

void KeloRemote::updateKelo(const QVariantMap& entry) {
    const QString name = entry.value(kNameKey).toString();
    const KeloObject* kelo = link_->keloObjectForName(name);
    if (!kelo) return;
    const ServerChanges now = kelo->changes();
    ServerChanges* seen = changeIncrementsDict_.changesForKelo(name);
    if (now.state == seen->state && now.prefsDict == seen->prefsDict && now.name == seen->name)
        return;
    if (!kelo->isRunning() && name == selectedKelo_) controls_->setDictionary(nullptr);
    if (!kelo->userDefinedName().isEmpty() || now.name != seen->name) {
        updateNameForKelo(kelo);
    } else if (monitorList_.activeKeloes().value(name).toString() != name && kelo->isRunning() &&
               kelo->address() != 0 && kelo->prefsDict().contains("alias") &&
               KeloObject::now() - kelo->generalStatusArrived() < kAliasFreshSeconds) {
        updateNameForKelo(kelo);
    }
    *seen = now;
}

// --- Names and selection ---------------------------------------------------------------------

void KeloRemote::updateNameForKelo(const KeloObject* kelo) {
    if (!kelo) return;
    const QString userDefined = kelo->userDefinedName();
    const QString wanted = userDefined.isEmpty() ? kelo->name() : userDefined;
    if (monitorList_.activeKeloes().value(kelo->name()).toString() == wanted) return;
    monitorList_.setDisplayName(kelo->name(), wanted);
    renamed_ = true;
}

QString KeloRemote::screenNameForKeloWithName(const QString& name) {
    const KeloObject* kelo = link_ ? link_->keloObjectForName(name) : nullptr;
    const QString userDefined = kelo ? kelo->userDefinedName() : QString();
    QString shown = name;
    if (!userDefined.isEmpty())
        shown = userDefined;
    else if (monitorList_.activeKeloes().contains(name))
        shown = monitorList_.activeKeloes().value(name).toString();
    return screenNameForKeloName(shown);
}

QString KeloRemote::screenNameForKeloObject(const KeloObject* kelo) {
    return kelo ? screenNameForKeloWithName(kelo->name()) : QString();
}

void KeloRemote::selectKeloObject(const QString& name, int part) {
    selectedKelo_ = name;
    selectedKeloPart_ = part;
    controls_->setFixtureName(name.isNull() ? QString("") : name);
    contentEditor_->setKeloName(name);
}

void KeloRemote::selectKeloObject(KeloObject* kelo, KeloRemoteCell* cell, int part) {
    selectKeloObject(kelo ? kelo->name() : QString(), part);
    if (hud_) hud_->selectKeloObject(kelo, cell, part);
    ContentUI::instance()->selectKeloObject(kelo);
}

QWidget* KeloRemote::mainTabBar() {
    return window_ ? window_->tabBar() : nullptr;
}

// --- Layout ----------------------------------------------------------------------------------

QVariantMap KeloRemote::layoutDict() {
    QVariantMap layout = settings_->layoutDict();
    // The monitor list changes in place between saves.
    if (servers_) layout.insert(kMonitorKey, monitorList_.keloListVariant());
    return layout;
}

void KeloRemote::setLayoutDict(const QVariantMap& layout) {
    settings_->setLayoutDict(layout);
}

CurrentLayoutSettings KeloRemote::loadLayoutSettings() {
    return settings_->loadLayoutSettings();
}

void KeloRemote::forceBreakoutSave() {
    writeSettings();
}

void KeloRemote::changeMonitorSetting(const QString& value, const QString& key) {
    if (servers_) servers_->changeMonitorSetting(value, key, layoutDict());
    showLayoutInControls();
}

void KeloRemote::update_ui() {
    if (!servers_) return;
    changeMonitorSetting("all", kUpdateUiKey);
    servers_->updateMixNames();
}

void KeloRemote::fitWindowToView(QWidget* view) {
    if (!view || !window_) return;
    QWidget* window = view->window();
    if (window == view || window == window_.get()) return;
    auto* status = qobject_cast<KeloStatusView*>(view);
    if (status && dynamic_cast<KeloMonitorHUD*>(status->target())) return;
    // A one-cell view without a server has nothing to show.
    const bool empty = status && status->singleCell() && !status->singleCell()->keloObject();
    if (!empty) {
        window->show();
        window->raise();
    }
    view->hide();
    window->setGeometry(QRect(window->geometry().topLeft(), view->size()));
    view->move(0, 0);
    view->show();
    if (empty) window->hide();
}

void KeloRemote::KeloRemoteNotification(const Notification& notification) {
    const int type = notification.userInfo.value("type").toInt();
    if (type == 5) {
        fitWindowToView(
            qobject_cast<QWidget*>(notification.userInfo.value("view").value<QObject*>()));
        return;
    }
    if (type != 7) return;
    const KeloObject* kelo = link_->keloObjectForName(selectedKelo_);
    if (kelo && kelo->address() != 0 && !kelo->isRunning())
        runAlert({false,
                  "Kelo Not Running",
                  "To set this preference, the Kelo application must be running on the "
                  "selected server",
                  {"OK", "Cancel"}});
    window_->tabView()->selectTabViewItemWithIdentifier(KeloMainWindow::kPreferencesTab);
    controls_->selectPref(notification.userInfo.value("prefName").toString(), true);
}

void KeloRemote::buildWindowMenu() {
    auto* bar = new QMenuBar(window_.get());
    window_->setMenuBar(bar);
    QMenu* menu = bar->addMenu("Window");
    const struct {
        const char* title;
        const char* key;
        int tag;
    } items[] = {{"Kelo Status Window", "Ctrl+1", 31},
                 {"Projection Editor Window", "Ctrl+3", 33},
                 {"Kelo Preferences Window", "Ctrl+4", 32}};
    for (const auto& item : items) {
        QAction* action = menu->addAction(item.title);
        action->setShortcut(QKeySequence(item.key));
        const int tag = item.tag;
        QObject::connect(action, &QAction::triggered, [this, tag] { windowMenuAction(tag); });
        if (tag == 33) projectionEditorWindowItem_ = action;
    }
    menu->addSeparator();
    toContentEditorMenu_ = menu->addAction("Show Projection Editor");
    QObject::connect(toContentEditorMenu_, &QAction::triggered, [this] { windowMenuAction(4); });
    QObject::connect(menu, &QMenu::aboutToShow, [this] { validateWindowMenu(); });
    OmLogDebugMenu::addDebugMenuIfNeeded(bar);
}

void KeloRemote::validateWindowMenu() {
    const bool visible = contentEditor_ && contentEditor_->visible();
    if (toContentEditorMenu_)
        toContentEditorMenu_->setText(visible ? "Hide Projection Editor"
                                              : "Show Projection Editor");
    if (projectionEditorWindowItem_) projectionEditorWindowItem_->setEnabled(visible);
}

void KeloRemote::windowMenuAction(int tag) {
    switch (tag) {
    case 4:
        contentEditor_->setVisible(!contentEditor_->visible());
        validateWindowMenu();
        saveKeloes();
        return;
    case 31:
        window_->tabView()->selectTabViewItemWithIdentifier(KeloMainWindow::kStatusTab);
        break;
    case 32:
        window_->tabView()->selectTabViewItemWithIdentifier(KeloMainWindow::kPreferencesTab);
        break;
    case 33:
        contentEditor_->setVisible(true);
        return;
    default:
        return;
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// --- Front end ---------------------------------------------------------------------------------

void KeloRemote::showStatusText(const QString& text, const QColor& color) {
    if (!MainThread::isMainThread()) {
        MainThread::runOnMain([text, color] {
            if (gKeloRemote) gKeloRemote->showStatusText(text, color);
        });
        return;
    }
    if (!window_) {
        if (!text.isEmpty()) OmLogNoFlood(kOmLogInfo, "%s\n", qPrintable(text));
        return;
    }
    if (color.isValid())
        window_->statusLine()->showStatusText(text, color);
    else
        window_->statusLine()->showStatusText(text);
}

void KeloRemote::updateInfoBar() {
    if (window_)
        window_->statusLine()->updateInfoBar(QDateTime::currentMSecsSinceEpoch(),
                                             InfoBarSender::Tick, window_.get());
}

void KeloRemote::updateInfoBar(ToolTipWindowProtocol* window) {
    if (!window_ || window != window_.get()) return;
    window_->statusLine()->updateInfoBar(QDateTime::currentMSecsSinceEpoch(),
                                         InfoBarSender::Window, window_.get());
}

QWidget* KeloRemote::klWindow() {
    return window_.get();
}

int KeloRemote::runAlert(const VTaskAlert& alert) {
    return KeloAlert(alert.critical ? KeloAlert::kCritical : KeloAlert::kWarning, alert.title,
                     alert.text, alert.buttons, window_.get())
        .runModal();
}

void KeloRemote::requestUserAttention() {
    if (window_) QApplication::alert(window_.get());
}

void KeloRemote::revealInFileViewer(const QString& path) {
    const QFileInfo info(path);
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(info.isDir() ? info.absoluteFilePath() : info.absolutePath()));
}

bool KeloRemote::openMailLink(const QString& url) {
    return QDesktopServices::openUrl(QUrl(url));
}

void KeloRemote::relaunchNow() {
    if (AmIBeingDebugged()) {
        runAlert({true,
                  "Relaunch",
                  "relaunch not executed due to active Xcode debug session... I assume you "
                  "want to launch a new Xcode debug session",
                  {"EXIT NOW"}});
    } else {
        QProcess::startDetached("/bin/sh", {"-c", kRelaunchScript,
                                            QCoreApplication::applicationFilePath(),
                                            QString::number(getpid())});
    }
    std::exit(0);
}

bool KeloRemote::launchingFinished() {
    return finishedLaunching_;
}

void KeloRemote::saveKeloes() {
    saveLayoutSettings();
    // Before the window exists the names are still the file's.
    if (servers_) settings_->setActiveKeloes(monitorList_.activeKeloes());
    if (servers_) settings_->setKeloList(monitorList_.keloListVariant());
    UserDefaults& defaults = UserDefaults::standard();
    if (contentEditor_) defaults.setObject(kContentEditorVisKey, contentEditor_->visible());
    defaults.synchronize();
}
