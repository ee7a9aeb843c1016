#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class KeloMonitorHUD;
class KeloNetworkInterface;
class KlE_Control_Status;
class QAction;
class QMenu;
class QLabel;
class QSlider;
class QTimer;
class QWidget;
class ShareMountOperation;

// What the operator commands act on: the application controller's panels,
// settings and controls. The application controller implements it; the
// default bodies do nothing (tests and tools).
class KeloRemoteCommandsOwner {
public:
    virtual ~KeloRemoteCommandsOwner() = default;
    virtual QString selectedKelo() { return {}; }
    // The names the operator added, in the dictionary's key order.
    virtual QStringList activeKeloes() { return {}; }
    virtual void saveKeloes() {}
    virtual void selectTab(int identifier) { (void)identifier; }
    virtual bool projectionEditorVisible() { return false; }
    virtual void setProjectionEditorVisible(bool visible) { (void)visible; }
    virtual void showProjectionEditorWindow() {}
    virtual bool serverListVisible() { return false; }
    virtual void showServerList(bool show) { (void)show; }
    virtual void showMainWindow() {}
    virtual void changeMonitorSetting(const QString& value, const QString& key) {
        (void)value;
        (void)key;
    }
    virtual KeloMonitorHUD* monitorHUD() { return nullptr; }
    // The Content tab's transfer settings.
    virtual void setBitRate(float rate, bool automatic) {
        (void)rate;
        (void)automatic;
    }
    virtual void logSlowest(bool slowest, bool turtle) {
        (void)slowest;
        (void)turtle;
    }
    virtual void setContentEditorRestricted(bool restricted) { (void)restricted; }
    // The bit-rate field and the check boxes of the Content settings, by tag.
    virtual float bitRateFieldValue() { return 0; }
    virtual void setBitRateFieldValue(float value) { (void)value; }
    virtual bool controlState(int tag) {
        (void)tag;
        return false;
    }
    virtual void showLogInConsole() {}
    virtual QString settingsFilePath() { return {}; }
    // The window the command alerts belong to (none: they stand alone).
    virtual QWidget* dialogParent() { return nullptr; }
    // This application's own share of quitting all related applications.
    virtual void quitApplication() {}
};

// The operator's commands: the tag dispatcher of the main window's controls
// and menu items (actionProc), the server commands menu (sendCommand: remote
// and daemon commands, the server's share, screen sharing), menu
// validation, the bit-rate checks, quitting the related applications, the
// Help menu's manuals and resetting the preferences.
//
// Nothing here builds a shell string: programs run with argument lists, a
// server address goes out only as a dotted quad, and the share's password
// goes to the mounter's standard input, never to its arguments or the log.
// Main thread only.
class KeloRemoteCommands {
public:
    // Daemon command codes, four characters, the first in the high byte.
    static constexpr uint32_t kDaemonShow = 0x53484F57;    // 'SHOW'
    static constexpr uint32_t kDaemonExec = 0x45584543;    // 'EXEC'
    static constexpr uint32_t kDaemonProbe = 0x50524245;   // 'PRBE'
    static constexpr uint32_t kDaemonProbeX = 0x50524258;  // 'PRBX'
    static constexpr uint32_t kDaemonProbeAll = 0xFFFFFFFA;
    // Transfer bit rates above this many Mb/s are refused.
    static constexpr float kMaxBitRate = 1000.0f;
    // How long a related application may take to quit before it is killed.
    static constexpr int kQuitGraceMs = 2000;

    // Neither owned; `link` may be null (no server commands then).
    KeloRemoteCommands(KlE_Control_Status* link, KeloRemoteCommandsOwner* owner);
    ~KeloRemoteCommands();

    void actionProc(int tag, QAction* sender = nullptr, bool checked = false);
    void sendCommand(int tag);
    // Points the commands menu's items at sendCommand (or disconnects them).
    void setupCommandsMenu(QMenu* menu, bool enable);
    // Titles and enabled or visible state of an actionProc or sendCommand item.
    bool validateMenuItem(QAction* item, bool isCommand);

    // The bit rate to use after Return in the field (or a click on the
    // automatic box, which is only taken with Return): the limit and link
    // speed alerts may lower it. Null when nothing is to be done.
    std::optional<float> bitRateCommit(bool keyDown, float value, bool automatic);
    // Mb/s of this computer's interface towards the added servers; 0 unknown.
    int linkSpeedTowardsServers();
    // Mb/s of a network interface from the kernel; 0 when it does not say.
    static int linkSpeedOfInterface(const QString& name);

    void quitAllRelatedApps();
    // Process IDs of this user's processes (other than this one) named `name`.
    static std::vector<int64_t> processesNamed(const QString& name);
    // The executable names of the related applications, in quitting order
    // (this application is quit through its owner).
    static QStringList relatedApplications();

    // Lists the manuals in the Help menu (once each).
    void menuWillOpen(QMenu* menu);
    void openPdfManual(const QString& path);
    static QStringList manualFolders();
    static void setManualFolders(const QStringList& folders);
    // Where the kernel lists network interfaces ("/sys/class/net"); tests
    // use a tree of their own.
    static void setInterfaceRoot(const QString& root);

    // Reveals the files, or empties the user defaults, deletes the settings
    // file and relaunches (both through VTaskManagerUI).
    void resetAllToDefaults();

    // Steps of the contrast and text-brightness sliders for a slider value of 1.
    static constexpr int kContrastSliderSteps = 100;
    void contrastChanged(double contrastSlider, double brightnessSlider);
    // The sliders' change: the factors are stored, and a sample of the new
    // contrast shows right of the sliders, made on first use (the rest of the
    // interface takes the new contrast at the next launch).
    void contrastChanged(QSlider* contrast, QSlider* brightness);
    QLabel* contrastSample() const;
    // The slider positions stored preferences give; null where unset.
    static std::pair<std::optional<double>, std::optional<double>> readUiContrastPreferences();
    bool relaunchRequired() const { return relaunchRequired_; }

    // The address text of a server that the share and screen sharing may
    // use: a dotted quad, not 127.0.0.1; null otherwise.
    static QString shareAddress(const QString& text);
    // The program that opens URLs and files ("xdg-open"); tests replace it.
    static void setOpenerProgram(const QString& program);
    // Hands the target to that program; when it cannot start or ends with
    // an error, `failure` goes to the status line.
    static void openExternally(const QString& target, const QString& failure);

private:
    void mountShare(const QString& address);
    void openScreenSharing(const QString& address);
    void monitorHudShowOrHide(bool on);

    KlE_Control_Status* link_;
    KeloRemoteCommandsOwner* owner_;
    bool relaunchRequired_ = false;
    std::unique_ptr<ShareMountOperation> mount_;
    std::unique_ptr<QTimer> mountPoll_;
    QPointer<QLabel> contrastSample_;
};
