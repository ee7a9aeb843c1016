#include "app/KeloCompositionRoot.h"

#include "app/KeloDesktopServices.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemoteNotificationRoute.h"
#include "app/KeloRemoteTick.h"
#include "imageremap/ImageRemapMixes.h"
#include "content/ContentDesktopServices.h"
#include "content/ContentSyncServices.h"
#include "content/ContentUI.h"
#include "content/ContentUIServices.h"
#include "content/keloRootPath.h"
#include "foundation/InternetVersionCheck.h"
#include "foundation/KeloRootPathProvider.h"
#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "graphics/ImageUtilColours.h"
#include "hud/theme/HUDImageUtilColours.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeKeloPanel.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/HUDWindowServices.h"
#include "hud/windows/InternetVersionOverlay.h"
#include "outputs/MixRectangle.h"
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
#include "tabbar/TbTabView.h"

#include <QGuiApplication>
#include <QPointer>

#include <algorithm>

// Address conflicts go to the status line until the program has a notice
// window of its own; the network interfaces have logged them already.
class KeloCompositionRoot::ConflictNotices : public KeloNetworkInterfaceUI {
public:
    void showConflictNotice(const QString& text) override {
        KlStatusLine::shared().showStatusText(text, QColor());
    }
};

// The version check's offer goes over the main window's pages; a program
// without a main window has the check's log line only.
class KeloCompositionRoot::VersionOffer : public InternetVersionCheckUI {
public:
    void notifyNewerVersion(const QString& pageAddress) override {
        auto* window = dynamic_cast<KeloMainWindow*>(HUDWindowServices::shared().klWindow());
        if (!window) return;
        if (!overlay_ || overlayWindow_ != window) {
            overlay_ = std::make_unique<InternetVersionOverlay>(window->tabView());
            overlayWindow_ = window;
        }
        overlay_->notifyNewerVersion(pageAddress);
        // The pages do not fill the window, and an overlay goes below a view
        // that does not: over the pages, near their top, is where it shows.
        // The overlay is a window of its own, placed on the screen.
        if (OverlayView* overlay = overlay_->overlay()) {
            const QWidget* pages = window->tabView();
            const QPoint topLeft = pages->mapToGlobal(QPoint(0, 0));
            overlay->move(topLeft.x() + std::max(0, (pages->width() - overlay->width()) / 2),
                          topLeft.y() + 25);
        }
    }

private:
    std::unique_ptr<InternetVersionOverlay> overlay_;
    QPointer<QWidget> overlayWindow_;
};

// The image-remap preview's world rectangle is the mix table's global
// surface; before a configuration is read it is empty, and the preview sizes
// itself by its configuration's output size.
class ImageRemapWorld : public ImageRemapMixes {
public:
    QRectF worldRect() const override { return MixRectangle::worldRect(); }
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
    {"InternetVersionCheckUI", [] { return InternetVersionCheckUI::installed() != nullptr; }},
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
    {"ImageRemapMixes", [] { return ImageRemapMixes::installed() != nullptr; }},
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
      versionOffer_(std::make_unique<VersionOffer>()),
      troubleShooter_(std::make_unique<StatusTroubleShooter>()),
      desktop_(std::make_unique<KeloDesktopServices>()),
      outputsRemoteFiles_(std::make_unique<KeloOutputsRemoteFiles>()),
      imageRemapWorld_(std::make_unique<ImageRemapWorld>()) {}

KeloCompositionRoot::~KeloCompositionRoot() {
    tick_.reset();
    route_.reset();
    ImageRemapMixes::install(nullptr);
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
    InternetVersionCheckUI::install(nullptr);
    VTaskManagerUI::install(nullptr);
    KeloRootPathProvider::install(nullptr);
}

bool KeloCompositionRoot::install() {
    // foundation
    KeloRootPathProvider::install(rootPath_.get());
    VTaskManagerUI::install(frontEnd_.taskManagerUI);
    InternetVersionCheckUI::install(versionOffer_.get());
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
    ImageRemapMixes::install(imageRemapWorld_.get());
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
