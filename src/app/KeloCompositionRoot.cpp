#include "app/KeloCompositionRoot.h"

#include "app/KeloDesktopServices.h"
#include "app/KeloRemoteNotificationRoute.h"
#include "app/KeloRemoteTick.h"
#include "content/ContentSyncServices.h"
#include "content/ContentDesktopServices.h"
#include "content/ContentUI.h"
#include "content/ContentUIServices.h"
#include "content/keloRootPath.h"
#include "foundation/KeloRootPathProvider.h"
#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "graphics/ImageUtilColours.h"
#include "hud/theme/HUDImageUtilColours.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeKeloPanel.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/windows/HUDWindowServices.h"
#include "app/KeloOutputsRemoteFiles.h"
#include "outputs/MixRectangleTableServices.h"
#include "serverlink/KeloNetworkInterfaceUI.h"
#include "serverlink/KeloProfileNameProvider.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/ServerLinkLog.h"
#include "settings/KlPatchCommon.h"
#include "settings/KlTroubleShooter.h"
#include "status/KeloRemoteOwner.h"
#include "status/ServerCollections.h"
#include "status/ServersUI.h"
#include "status/StatusTabServices.h"

#include <QGuiApplication>

// Address conflicts go to the status line until the program has a notice
// window of its own; the network interfaces have logged them already.
class KeloCompositionRoot::ConflictNotices : public KeloNetworkInterfaceUI {
public:
    void showConflictNotice(const QString& text) override {
        KlStatusLine::shared().showStatusText(text, QColor());
    }
};

// The Preferences tab explains unreachable servers in the Status tab's words.
class StatusTroubleShooter : public KlTroubleShooter {
public:
    QString troubleShootStrForKelo(KeloObject* kelo, bool shortString) override {
        return ServersUI::instance()->troubleShootStringForKelo(kelo, shortString);
    }
};

namespace {

// Themes hold fonts, which only a GUI application has; a process without
// one draws nothing and makes none.
bool drawsWindows() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

bool keloThemesRegistered() {
    if (!drawsWindows()) return true;
    const HUDThemeManager* manager = HUDThemeManager::keyedManager();
    return manager->themeForKey(kHUDFlatThemeKey) == HUDThemeKeloPanel::instance() &&
           manager->themeForKey(kHUDGradientThemeKey) == HUDThemeKelo::instance();
}

// Every interface the root installs, in install order (lowest layer first).
const struct {
    const char* name;
    bool (*installed)();
} kInterfaces[] = {
    {"KeloRootPathProvider", [] { return KeloRootPathProvider::installed() != nullptr; }},
    {"VTaskManagerUI", [] { return VTaskManagerUI::installed() != nullptr; }},
    {"KlStatusLine", [] { return KlStatusLine::installed() != nullptr; }},
    {"ImageUtilColours", [] { return ImageUtilColours::installed() != nullptr; }},
    {"KeloProfileNameProvider", [] { return KeloProfileNameProvider::installed() != nullptr; }},
    {"MixRectangleServices", [] { return MixRectangleServices::installed() != nullptr; }},
    {"KeloNetworkInterfaceUI", [] { return KeloNetworkInterfaceUI::installed() != nullptr; }},
    {"HUD themes", keloThemesRegistered},
    {"HUDWindowServices", [] { return HUDWindowServices::installed() != nullptr; }},
    {"StatusTabServices", [] { return StatusTabServices::installed() != nullptr; }},
    {"KeloRemoteOwner", [] { return KeloRemoteOwner::installed() != nullptr; }},
    {"KlTroubleShooter", [] { return KlTroubleShooter::installed() != nullptr; }},
    {"ContentUIServices", [] { return ContentUIServices::installed() != nullptr; }},
    {"ContentSyncServices", [] { return ContentSyncServices::installed() != nullptr; }},
    {"ContentDesktopServices", [] { return ContentDesktopServices::installed() != nullptr; }},
    {"ServerCollectionsContent", [] { return ServerCollectionsContent::installed() != nullptr; }},
    {"KlOutputsRemoteFiles", [] { return KlOutputsRemoteFiles::installed() != nullptr; }},
};

}  // namespace

KeloCompositionRoot::KeloCompositionRoot(const KeloFrontEnd& frontEnd)
    : frontEnd_(frontEnd),
      colours_(std::make_unique<HUDImageUtilColours>()),
      rootPath_(std::make_unique<KeloRootPathFinder>()),
      profileNames_(std::make_unique<KlPatchCommon>()),
      mixes_(std::make_unique<MixRectangleTableServices>()),
      conflictNotices_(std::make_unique<ConflictNotices>()),
      troubleShooter_(std::make_unique<StatusTroubleShooter>()),
      desktop_(std::make_unique<KeloDesktopServices>()),
      outputsRemoteFiles_(std::make_unique<KeloOutputsRemoteFiles>()) {}

KeloCompositionRoot::~KeloCompositionRoot() {
    tick_.reset();
    route_.reset();
    KlOutputsRemoteFiles::install(nullptr);
    ServerCollectionsContent::install(nullptr);
    ContentSyncServices::install(nullptr);
    ContentDesktopServices::install(nullptr);
    ContentUIServices::install(nullptr);
    KlTroubleShooter::install(nullptr);
    KeloRemoteOwner::install(nullptr);
    StatusTabServices::install(nullptr);
    HUDWindowServices::install(nullptr);
    KeloNetworkInterfaceUI::install(nullptr);
    MixRectangleServices::install(nullptr);
    KeloProfileNameProvider::install(nullptr);
    ImageUtilColours::install(nullptr);
    KlStatusLine::install(nullptr);
    VTaskManagerUI::install(nullptr);
    KeloRootPathProvider::install(nullptr);
}

bool KeloCompositionRoot::install() {
    // foundation
    KeloRootPathProvider::install(rootPath_.get());
    VTaskManagerUI::install(frontEnd_.taskManagerUI);
    KlStatusLine::install(frontEnd_.statusLine);
    // graphics
    ImageUtilColours::install(colours_.get());
    // serverlink
    KeloProfileNameProvider::install(profileNames_.get());
    MixRectangleServices::install(mixes_.get());
    KeloNetworkInterfaceUI::install(conflictNotices_.get());
    // hud
    if (drawsWindows()) registerKeloThemes();
    HUDWindowServices::install(frontEnd_.windowServices);
    // status
    StatusTabServices::install(frontEnd_.statusTabServices);
    KeloRemoteOwner::install(frontEnd_.remoteOwner);
    // settings, content
    KlTroubleShooter::install(troubleShooter_.get());
    ContentUIServices::install(frontEnd_.contentServices);
    ContentSyncServices::install(frontEnd_.contentSync);
    ContentDesktopServices::install(desktop_.get());
    // The Content tab answers the Status tab's collection questions.
    ServerCollectionsContent::install(ContentUI::instance());
    // outputs
    KlOutputsRemoteFiles::install(outputsRemoteFiles_.get());

    const QStringList absent = missing();
    for (const QString& name : absent) {
        OmLogNoFlood(kOmLogError, "cannot start: nothing installed for %s\n", qPrintable(name));
        OmLogSystem("cannot start: nothing installed for %s", qPrintable(name));
    }
    return absent.isEmpty();
}

QStringList KeloCompositionRoot::missing() {
    QStringList names;
    for (const auto& interface : kInterfaces) {
        if (!interface.installed()) names << QString::fromLatin1(interface.name);
    }
    return names;
}

KeloRemoteTick& KeloCompositionRoot::startLink(KlE_Control_Status& link, OmLog& log) {
    if (!tick_) {
        gLogCICVMEthernet = VTaskManager::logCICVMEthernet() != 0;
        route_ = std::make_unique<KeloRemoteNotificationRoute>(link);
        tick_ = std::make_unique<KeloRemoteTick>(link, log);
    }
    return *tick_;
}
