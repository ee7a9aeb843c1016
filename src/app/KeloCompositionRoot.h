#pragma once

#include <QStringList>

#include <memory>

class ContentSyncServices;
class ContentUIServices;
class HUDImageUtilColours;
class HUDWindowServices;
class ImageRemapWorld;
class KeloDesktopServices;
class KeloOutputsRemoteFiles;
class KeloRemoteNotificationRoute;
class KeloRemoteOwner;
class KeloRemoteTick;
class KeloRootPathFinder;
class KlStatusLine;
class KlE_Control_Status;
class KlPatchCommon;
class MixRectangleTableServices;
class OmLog;
class StatusTabServices;
class StatusTroubleShooter;
class VTaskManagerUI;

// What the program's windows offer the layers below (the windowed program's
// main window, or the headless stand-ins). Not owned.
struct KeloFrontEnd {
    VTaskManagerUI* taskManagerUI = nullptr;
    HUDWindowServices* windowServices = nullptr;
    KlStatusLine* statusLine = nullptr;
    ContentUIServices* contentServices = nullptr;
    StatusTabServices* statusTabServices = nullptr;
    KeloRemoteOwner* remoteOwner = nullptr;
    ContentSyncServices* contentSync = nullptr;
};

// The one place that wires the program: installs every provider and service
// that the lower layers declare, in a fixed order (lowest layer first), and
// routes the server link's notification and tick. The windowed program and
// the headless tools all start through it; the HUD themes are made only in a
// process with a GUI application. Main thread only.
class KeloCompositionRoot {
public:
    explicit KeloCompositionRoot(const KeloFrontEnd& frontEnd);
    // Removes what it installed, last first.
    ~KeloCompositionRoot();
    KeloCompositionRoot(const KeloCompositionRoot&) = delete;
    KeloCompositionRoot& operator=(const KeloCompositionRoot&) = delete;

    // Installs everything and checks that nothing is missing. When something
    // is, logs "cannot start" with its name and answers false: the program
    // must then exit with a non-zero status rather than run on defaults.
    bool install();
    // The names of the interfaces with nothing installed, in install order.
    static QStringList missing();

    // Routes "KeloRemoteNotification" to the link, gives it the user
    // defaults' Ethernet log flag and makes the controller tick on it (not
    // yet started). Once; after install().
    KeloRemoteTick& startLink(KlE_Control_Status& link, OmLog& log);
    // Null before startLink.
    KeloRemoteTick* tick() const { return tick_.get(); }

private:
    class ConflictNotices;
    class VersionOffer;

    KeloFrontEnd frontEnd_;
    std::unique_ptr<HUDImageUtilColours> colours_;
    std::unique_ptr<KeloRootPathFinder> rootPath_;
    std::unique_ptr<KlPatchCommon> profileNames_;
    std::unique_ptr<MixRectangleTableServices> mixes_;
    std::unique_ptr<ConflictNotices> conflictNotices_;
    std::unique_ptr<VersionOffer> versionOffer_;
    std::unique_ptr<StatusTroubleShooter> troubleShooter_;
    std::unique_ptr<KeloDesktopServices> desktop_;
    std::unique_ptr<KeloOutputsRemoteFiles> outputsRemoteFiles_;
    std::unique_ptr<KeloRemoteNotificationRoute> route_;
    std::unique_ptr<KeloRemoteTick> tick_;
    std::unique_ptr<ImageRemapWorld> imageRemapWorld_;
};
