#pragma once

#include "app/KeloCompositionRoot.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemoteCommands.h"
#include "app/KeloRemoteTickView.h"
#include "content/ContentUIServices.h"
#include "foundation/KlStatusLine.h"
#include "foundation/VTaskManager.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/windows/HUDWindowServices.h"
#include "hud/windows/ToolTipWindowProtocol.h"
#include "platform/NotificationCenter.h"
#include "serverlink/ChangeIncrementsDict.h"
#include "status/KeloMonitorHUD.h"
#include "status/KeloMonitorList.h"
#include "status/KeloRemoteOwner.h"
#include "status/StatusTabServices.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>

class ContentTabSyncServices;
class PixelMapUI;
class ContentUIPanel;
class ImageRemapPreviewPage;
class MultiScreenEditor;
class KeloObject;
class KeloRemoteContentEditor;
class KeloRemoteSettings;
class KeloRemoteTick;
class KeloServerListPanel;
class QCheckBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QSlider;
class KlE_Control_Status;
class KlRemoteControlList;
class KlRemoteControlPanel;
class KeloRemoteContentEditorWindow;
class QAction;
class QTimer;
class ServerCollections;
class ServersUI;

// The application controller: owns the settings file, the main window, the
// Preferences and content editors, and is the front end the lower layers
// reach through their installed interfaces (status line, alerts, the main
// window, screen names, the selection) and the owner of the Status tab's
// controller, whose server list fills the window's left side. On the tick it fills the server
// list when the link's list changed and follows the monitor list's servers
// for renames and stopped servers; the tabs do their own work in their own
// classes. Main thread only, except showStatusText (any thread).
class KeloRemote : public KeloRemoteTickView,
                   public VTaskManagerUI,
                   public HUDWindowServices,
                   public KlStatusLine,
                   public ContentUIServices,
                   public StatusTabServices,
                   public KeloRemoteOwner,
                   public KeloMonitorHUDOwner,
                   public KeloRemoteCommandsOwner,
                   public ToolTipWindowDelegate,
                   public KeloPopOverDrawingDelegate {
public:
    // A general status must be younger than this for a server's alias to
    // replace the name the operator last saw.
    static constexpr double kAliasFreshSeconds = 3.0;
    // The Status tab is rebuilt whole this often, whatever the tick saw.
    static constexpr int kUpdateUiSeconds = 300;

    explicit KeloRemote(std::unique_ptr<KeloRemoteSettings> settings);
    ~KeloRemote() override;
    KeloRemote(const KeloRemote&) = delete;
    KeloRemote& operator=(const KeloRemote&) = delete;

    // The process's controller; null before one exists.
    static KeloRemote* instance();
    KeloFrontEnd frontEnd();

    // Everything that needs the installed interfaces and the link: loads
    // the settings, builds the main window titled for `version` and
    // `bundlePath`, hands the monitor list to the Status tab and joins the
    // tick, first among its views, the Status tab right after. Once. The
    // tick (the composition root's) is made after the controller and goes
    // before it, or ticks no more once the controller is gone.
    void awakeFromNib(KlE_Control_Status& link, KeloRemoteTick& tick, const QString& version,
                      const QString& bundlePath);
    // After the main window shows: records where this copy runs
    // ("last_launch_path"), starts the new-version check and has the themed
    // panels follow the application's activation. Once.
    void applicationDidFinishLaunching(const QString& bundlePath);
    // Pinned panels float above other programs only while this one is active.
    void applicationDidResignActive();
    void applicationWillBecomeActive();
    // The quit path: saves the working set; a failed write is logged and
    // shown in the status line. False when the file could not be written.
    bool applicationShouldTerminate();

    KeloMainWindow* mainWindow() override { return window_.get(); }
    QWidget* mainTabBar() override;
    ServersUI* serversUI() const { return servers_.get(); }
    KeloRemoteSettings& settings() const { return *settings_; }
    KlRemoteControlList* controls() const { return controls_; }
    KeloRemoteContentEditor* contentEditor() const { return contentEditor_; }
    ImageRemapPreviewPage* imageRemapPage() const { return imageRemapPage_; }
    const QStringList& serverListRows() const { return serverListRows_; }

    // --- Tick ---------------------------------------------------------------------
    void reloadData() override;
    void performUpdate() override;
    // A monitor-list entry ({"name": server}) against the server's change
    // record of the last tick.
    void updateKelo(const QVariantMap& entry);

    // --- Names and selection --------------------------------------------------------
    // Remembers the server's display name; the editors are told and the
    // working set saved at the end of the tick.
    void updateNameForKelo(const KeloObject* kelo);
    QString screenNameForKeloWithName(const QString& name) override;
    QString screenNameForKeloObject(const KeloObject* kelo) override;
    QString selectedServerName() override { return selectedKelo_; }
    // The Content tab's log panel.
    QVariantList logMessages() override;
    // The Status tab's answer for the selected server.
    int currentSelectedCollectionID() override;
    int selectedKeloPart() const { return selectedKeloPart_; }
    // Hands the selection to the Preferences and content editors.
    void selectKeloObject(const QString& name, int part);
    void selectKeloObject(KeloObject* kelo, KeloRemoteCell* cell, int part) override;
    QString nameOfSelectedKeloInMainWindow() override { return selectedKelo_; }

    // --- Collections, for the Content tab -------------------------------------------
    // Of the monitor list's servers, in cell order.
    QStringList validServersForCollection(int32_t collectionID) override;
    QString masterForCollection(int32_t collectionID) override;
    // Listed servers whose database cannot be read but that last belonged
    // to the collection.
    QStringList unavailableDatabasesForCollection(int32_t collectionID);

    // --- Layout -----------------------------------------------------------------------
    QVariantMap layoutDict() override;
    void setLayoutDict(const QVariantMap& layout) override;
    CurrentLayoutSettings loadLayoutSettings() override;
    // Records the working set and writes the settings file.
    void forceBreakoutSave() override;
    // Stores one setting of the current layout and has the Status tab apply it.
    void changeMonitorSetting(const QString& value, const QString& key) override;
    // The periodic full refresh of the Status tab (every kUpdateUiSeconds).
    void update_ui();
    QTimer* updateUiTimer() const { return updateUiTimer_.get(); }
    // A view that reported a size change takes its window's whole content;
    // the main window's pages follow its layout and the monitor HUD places
    // its own panel.
    void fitWindowToView(QWidget* view);

    // "KeloRemoteNotification" 5 (fit the window) and 7 (select a
    // preference), handed on by KeloRemoteNotificationRoute.
    void KeloRemoteNotification(const Notification& notification);
    // The Window menu's commands: 31 Status tab, 32 Preferences tab, 33 the
    // projection editor, 4 shows or hides the projection editor.
    void windowMenuAction(int tag);
    // The Window menu's titles and states as the projection editor stands.
    void validateWindowMenu();

    // --- Front end ------------------------------------------------------------------------
    void showStatusText(const QString& text, const QColor& color) override;
    void updateInfoBar() override;
    // The main window's tool-tip text changed.
    void updateInfoBar(ToolTipWindowProtocol* window) override;
    QWidget* klWindow() override;
    int runAlert(const VTaskAlert& alert) override;
    void requestUserAttention() override;
    void revealInFileViewer(const QString& path) override;
    bool openMailLink(const QString& url) override;
    // Starts a fresh copy of the program and exits.
    void relaunchNow() override;
    bool launchingFinished() override;

    // Records the working set after a command or a list change.
    void saveKeloes() override;

    // --- Monitor HUD, monitor list and server-list panel ------------------------------
    KeloMonitorHUD* monitorHUD() override { return hud_.get(); }
    KeloServerListPanel* serverListPanel() const { return serverListPanel_.get(); }
    const KeloMonitorList& monitorList() const { return monitorList_; }
    // Adds the server to the monitor list (once) and the Status tab.
    void addServer(const QString& name);
    // Takes the server off the monitor list, the selection, the HUD and the
    // Status tab.
    void removeKeloWithName(const QString& name) override;
    void removeKeloAtIndex(int index);
    void layoutSettingsChanged() override;
    void showServerList(bool show) override;
    bool serverListVisible() override;
    QString nameOfSelectedKeloInPreferencesWindow() const;
    int serversCount() const { return monitorList_.serversCount(); }
    // KeloMonitorHUDOwner: the current layout's "layout_settings".
    QVariant layoutSetting(const QString& key) override;
    void setLayoutSetting(const QString& key, const QVariant& value) override;

    // --- Menus, commands and the Preferences panel's controls --------------------------
    KeloRemoteCommands* commands() const { return commands_.get(); }
    QMenuBar* menuBar() const { return menuBar_; }
    // Runs the command of a menu item or control by its tag.
    void actionProc(int tag, QAction* sender = nullptr, bool checked = false);
    // The bit-rate and log controls from the Content tab's settings.
    void readContentUiPreferences();
    void readUiContrastPreferences();
    QLineEdit* bandwidthField() const;
    QSlider* contrastSlider() const;
    QSlider* textBrightnessSlider() const;
    // A pop-up (QComboBox) becomes a pop-over button drawn with this
    // controller's bezel; anything else comes back unchanged.
    QWidget* convertPopupToPopOver(QWidget* control);
    // The pop-over buttons' bezel.
    void finishDrawing(KeloPopOverButton* button, QPainter& ctx) override;
    // The layout controls of the server-list panel: the monitor layers (7),
    // monitor format (8) and HUD height (15) pop-overs and the breakout
    // columns pop-up (16).
    KeloPopOverButton* monitorLayersPopOver() const { return toMonitorLayers_; }
    KeloPopOverButton* monitorFormatPopOver() const { return toMonitorFormat_; }
    KeloPopOverButton* hudHeightPopOver() const { return toBreakoutHUDHeight_; }
    HUDPopUpButton* breakoutColumnsPopUp() const { return toBreakoutColumns_; }
    // KeloRemoteCommandsOwner
    QString selectedKelo() override { return selectedKelo_; }
    QStringList activeKeloes() override;
    void selectTab(int identifier) override;
    bool projectionEditorVisible() override;
    void setProjectionEditorVisible(bool visible) override;
    void showProjectionEditorWindow() override;
    void showMainWindow() override;
    void setBitRate(float rate, bool automatic) override;
    void logSlowest(bool slowest, bool turtle) override;
    void setContentEditorRestricted(bool restricted) override;
    float bitRateFieldValue() override;
    void setBitRateFieldValue(float value) override;
    bool controlState(int tag) override;
    void showLogInConsole() override;
    QString settingsFilePath() override;
    // Files named on the command line; only ".pmap" files are taken.
    bool applicationOpenFile(const QString& path);
    QWidget* dialogParent() override;
    void quitApplication() override;

private:
    // The Status tab's columns and collections, the monitor list, the HUD
    // and the server-list panel.
    void setUpMonitor(KlE_Control_Status& link);
    // The Status tab's controller hears of page changes, from the one shown now.
    void followPageBar();
    // The scan button shows while the monitor list has servers.
    void updateScanAllServers();
    // Where the HUD stands and the Status tab's single-column order.
    void saveLayoutSettings();
    // The application, View, Commands and Help menus round the Window menu.
    void buildMenus();
    QMenu* buildViewMenu(QMenu* menu);
    // The monitor HUD check box and the layout pop-ups and pop-overs.
    QWidget* buildMonitorControls(QWidget* parent);
    // The layout controls show the current layout's values.
    void showLayoutInControls();
    // The server-list panel's controls (bit rate, logging, HUD, contrast).
    void buildPanelControls();
    // Title, enabled and visible state of every item of a menu about to open.
    void validateMenu(QMenu* menu);

    class StatusTabTickView;

    void buildWindowMenu();
    // False, logged and shown in the status line, when the file could not be written.
    bool writeSettings();

    std::unique_ptr<KeloRemoteSettings> settings_;
    // Before the window, which owns its page and goes first.
    std::unique_ptr<ContentUIPanel> contentPanel_;
    // The Image Remap tab's document and link; the window's page shows it.
    std::unique_ptr<MultiScreenEditor> imageRemap_;
    ImageRemapPreviewPage* imageRemapPage_ = nullptr;
    // Answers the sync model for the Content and Status tabs once they exist.
    std::unique_ptr<ContentTabSyncServices> contentSync_;
    std::unique_ptr<KeloMainWindow> window_;
    // The Preferences tab owns its list and the editor window its model.
    std::unique_ptr<KlRemoteControlPanel> preferences_;
    KlRemoteControlList* controls_ = nullptr;
    std::unique_ptr<KeloRemoteContentEditorWindow> contentEditorWindow_;
    KeloRemoteContentEditor* contentEditor_ = nullptr;
    // Goes before the window, taking its views out of it.
    std::unique_ptr<ServersUI> servers_;
    std::unique_ptr<StatusTabTickView> serversTick_;
    std::unique_ptr<QTimer> updateUiTimer_;
    // The Window menu's projection editor items (tags 4 and 33).
    QAction* toContentEditorMenu_ = nullptr;
    QAction* projectionEditorWindowItem_ = nullptr;
    // The current layout's monitor list; the Status tab reorders it in place.
    KeloMonitorList monitorList_{nullptr};
    // The monitor list's servers the link knows, in cell order.
    QList<KeloObject*> shownKeloes() const;
    // Owned by the Status tab's controller.
    ServerCollections* collections_ = nullptr;
    KlE_Control_Status* link_ = nullptr;
    ChangeIncrementsDict changeIncrementsDict_;
    QStringList serverListRows_;
    QString selectedKelo_;
    int selectedKeloPart_ = 0;
    bool finishedLaunching_ = false;
    // The Pixel Map tab's page, owned by the window.
    QPointer<PixelMapUI> pixelMap_;
    bool renamed_ = false;  // since the last tick
    std::unique_ptr<KeloMonitorHUD> hud_;
    std::unique_ptr<KeloServerListPanel> serverListPanel_;
    std::unique_ptr<KeloRemoteCommands> commands_;
    QMenuBar* menuBar_ = nullptr;  // the window's
    KeloRemoteTick* tick_ = nullptr;
    QPointer<QLineEdit> toBandwidth_;
    QPointer<QCheckBox> toAutoBandwidth_;
    QPointer<QCheckBox> toSlowestLog_;
    QPointer<QCheckBox> toShowTurtle_;
    QPointer<QCheckBox> toRestricted_;
    QPointer<QCheckBox> toMonitorBreakout_;
    QPointer<KeloPopOverButton> toBreakoutHUDHeight_;
    QPointer<KeloPopOverButton> toMonitorLayers_;
    QPointer<KeloPopOverButton> toMonitorFormat_;
    QPointer<HUDPopUpButton> toBreakoutColumns_;
    QPointer<QSlider> toContrast_;
    QPointer<QSlider> toTextBrightness_;
};
