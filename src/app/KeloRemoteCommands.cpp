#include "app/KeloRemoteCommands.h"

#include "content/ShareMountOperation.h"
#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/KeloAlert.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloNetworkInterface.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloMonitorHUD.h"
#include "status/StatusConstants.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTimer>
#include <QUrl>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

namespace {

// Guarded by the main thread: the commands run there only.
QStringList gManualFolders{QStringLiteral("/Applications/Kelo Software"),
                           QStringLiteral("/Applications/Kelo Utilities")};
QString gOpener;
QString gInterfaceRoot = QStringLiteral("/sys/class/net");

const QString kShareUser = QStringLiteral("ombrel");
const QString kSharePassword = QStringLiteral("kvrd");

// The kernel's start time of a process, to tell it from a later one that
// reuses its ID; empty when it is gone.
QByteArray processStartTime(int64_t pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return {};
    const QByteArray text = stat.readAll();
    // Fields after the parenthesised name; the start time is field 22.
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) return {};
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    return fields.size() > 19 ? fields[19] : QByteArray();
}

}  // namespace

KeloRemoteCommands::KeloRemoteCommands(KlE_Control_Status* link, KeloRemoteCommandsOwner* owner)
    : link_(link), owner_(owner) {}

KeloRemoteCommands::~KeloRemoteCommands() = default;

void KeloRemoteCommands::monitorHudShowOrHide(bool on) {
    KeloMonitorHUD* hud = owner_->monitorHUD();
    if (!hud) return;
    if (on)
        hud->showMonitorHUD(owner_->selectedKelo());
    else
        hud->hideMonitorHUD();
}

void KeloRemoteCommands::actionProc(int tag, QAction* sender, bool checked) {
    const QString title = sender ? sender->text() : QString();
    KeloMonitorHUD* hud = owner_->monitorHUD();
    switch (tag) {
        case 1:
        case 32:
            owner_->selectTab(4);
            break;
        case 4:
            owner_->setProjectionEditorVisible(!owner_->projectionEditorVisible());
            break;
        case 5:
            owner_->showServerList(!owner_->serverListVisible());
            break;
        case 7:
            owner_->changeMonitorSetting(title, kLayersKey);
            break;
        case 12:
            if (checked && hud && !hud->showMonitorHUD(owner_->selectedKelo())) return;
            if (!checked) monitorHudShowOrHide(false);
            break;
        case 13:
            if (hud && hud->isOn())
                hud->hideMonitorHUD();
            else if (hud && !hud->showMonitorHUD(owner_->selectedKelo()))
                return;
            break;
        case 15:
            owner_->changeMonitorSetting(title, kHudHeightKey);
            [[fallthrough]];
        case 14:
            if (hud) {
                hud->window()->raise();
                if (hud->isOn() && !hud->showMonitorHUD(owner_->selectedKelo())) return;
                if (!hud->isOn()) hud->hideMonitorHUD();
            }
            break;
        case 16:
            owner_->changeMonitorSetting(title, kBreakoutColsKey);
            break;
        case 17:
        case 19: {
            // Only Return in the field (tag 17) commits; a click on the box waits for it.
            const std::optional<float> rate =
                bitRateCommit(tag == 17, owner_->bitRateFieldValue(), owner_->controlState(19));
            if (!rate) return;
            owner_->setBitRateFieldValue(*rate);
            owner_->setBitRate(*rate, owner_->controlState(19));
            break;
        }
        case 20:
        case 21:
            owner_->logSlowest(owner_->controlState(20), owner_->controlState(21));
            break;
        case 22:
            UserDefaults::standard().setObject(QStringLiteral("content_editor_fully_enabled"),
                                               checked);
            owner_->setContentEditorRestricted(!checked);
            break;
        case 31:
            owner_->showMainWindow();
            break;
        case 33:
            owner_->showProjectionEditorWindow();
            break;
        case 35:
            if (QCoreApplication::arguments().contains(QStringLiteral("-x"))) {
                KeloAlert(KeloAlert::kInformational, QStringLiteral("Log"),
                          QStringLiteral("Logging to stdout because of '-x' command-line argument"),
                          {QStringLiteral("OK")})
                    .runModal();
            } else {
                owner_->showLogInConsole();
            }
            break;
        case 36:
            quitAllRelatedApps();
            break;
        default:
            OmLogNoFlood(kOmLogInfo, "unhandled actionProc: %d\n", tag);
            break;
    }
    owner_->saveKeloes();
}

std::optional<float> KeloRemoteCommands::bitRateCommit(bool keyDown, float value, bool automatic) {
    (void)automatic;
    if (!keyDown) return std::nullopt;
    if (!std::isfinite(value) || value < 0) value = 0;
    if (value > kMaxBitRate) {
        KeloAlert(KeloAlert::kWarning,
                  QStringLiteral("Selected bandwidth is higher than allowed limit of 1000 Mb/s!"),
                  QStringLiteral("Click 'Use Maximum' to use 1000 Mb/s"),
                  {QStringLiteral("Use Maximum")})
            .runModal();
        // However the alert ends, a rate above the limit is not kept.
        value = kMaxBitRate;
    }
    const int speed = linkSpeedTowardsServers();
    if (speed > 0 && value > float(speed)) {
        KeloAlert alert(
            KeloAlert::kWarning,
            QStringLiteral("Selected bandwidth is higher than computer's interface speed!"),
            QStringLiteral(
                "This may lead to unreliable transfers. Click 'Fix' to use speed of computer's "
                "interface or 'Ignore' to use this value as-is."),
            {QStringLiteral("Fix"), QStringLiteral("Ignore")});
        if (alert.runModal() == 0) value = float(speed);
    }
    return value;
}

void KeloRemoteCommands::setInterfaceRoot(const QString& root) {
    gInterfaceRoot = root.isEmpty() ? QStringLiteral("/sys/class/net") : root;
}

int KeloRemoteCommands::linkSpeedOfInterface(const QString& name) {
    // An interface name is a short word; anything else never reaches a path.
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_.:@-]{1,15}$"));
    if (!valid.match(name).hasMatch() || name == QLatin1String(".") || name == QLatin1String(".."))
        return 0;
    QFile file(gInterfaceRoot + QLatin1Char('/') + name + QStringLiteral("/speed"));
    if (!file.open(QIODevice::ReadOnly)) return 0;
    bool ok = false;
    const qint64 speed = file.read(32).trimmed().toLongLong(&ok);
    return ok && speed > 0 && speed < (1LL << 31) ? int(speed) : 0;
}

int KeloRemoteCommands::linkSpeedTowardsServers() {
    if (!link_) return 0;
    const KeloNetworkInterface* ports = link_->networkInterface();
    if (!ports) ports = KeloNetworkInterface::networkInterface();
    for (const QString& name : owner_->activeKeloes()) {
        const KeloObject* kelo = link_->keloObjectForName(name);
        const QString ifName = kelo ? kelo->ethIfName().left(15) : QString();
        if (ifName.isEmpty() || ifName == QLatin1String("lo0")) continue;
        for (int i = 0; i < ports->portCount(); ++i) {
            const auto port = ports->portDescriptionForInterfaceNumber(i);
            if (port && QString::fromLatin1(port->bsdName).left(15) == ifName)
                return linkSpeedOfInterface(ifName);
        }
    }
    return 0;
}

QString KeloRemoteCommands::shareAddress(const QString& text) {
    static const QRegularExpression quad(
        QStringLiteral("^\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$"));
    if (!quad.match(text).hasMatch()) return {};
    const QHostAddress address(text);
    if (address.protocol() != QAbstractSocket::IPv4Protocol || address.toIPv4Address() == 0 ||
        text == QLatin1String("127.0.0.1"))
        return {};
    return text;
}

void KeloRemoteCommands::sendCommand(int tag) {
    const QString selected = owner_->selectedKelo();
    if (!link_ || tag == 0 || tag < -6) return;
    if (tag >= 1) {
        link_->sendKeloRemoteCommand(tag, selected);
        return;
    }
    switch (tag) {
        case -1:
            link_->sendKeloDaemonCommand(kDaemonShow, selected);
            break;
        case -2:
            link_->sendKeloDaemonCommand(kDaemonExec, selected);
            break;
        case -5:
            link_->sendKeloDaemonCommand(kDaemonProbe, selected);
            break;
        case -6:
            for (const QString& name : owner_->activeKeloes())
                link_->sendKeloDaemonCommand(kDaemonProbeX, name);
            link_->sendKeloDaemonCommand(kDaemonProbeAll, selected);
            break;
        case -3:
        case -4: {
            const KeloObject* kelo = link_->keloObjectForName(selected);
            const QString address = kelo ? shareAddress(kelo->addressString()) : QString();
            if (address.isEmpty()) return;
            if (tag == -3)
                mountShare(address);
            else
                openScreenSharing(address);
            break;
        }
        default:
            break;
    }
}

void KeloRemoteCommands::mountShare(const QString& address) {
    // No AFP choice: this system cannot mount AFP shares.
    KeloAlert alert(
        KeloAlert::kCritical, QStringLiteral("Check DATE & TIME on both computers!"),
        QStringLiteral(
            "By default, Kelo Verozo uses SMB File Sharing, which requires that the DATE and TIME "
            "of both computers be within five minutes of each other.  Please make sure that both "
            "computers have the same date and time, and are using the same time zone.\n\nYou can "
            "open Date & Time to make changes, or continue:"),
        {QStringLiteral("Open Date & Time"), QStringLiteral("Continue")}, owner_->dialogParent());
    // The last of a script alert's buttons is its default; none takes Escape.
    alert.setDefaultIndex(1);
    const int answer = alert.runModal();
    if (answer == 0) {
        if (!QProcess::startDetached(QStringLiteral("gnome-control-center"),
                                     {QStringLiteral("datetime")}))
            KlStatusLine::shared().showStatusText(
                QStringLiteral("Error: cannot open the date and time settings"), QColor());
        return;
    }
    if (answer != 1) return;
    mount_ = std::make_unique<ShareMountOperation>();
    QUrl url;
    url.setScheme(QStringLiteral("smb"));
    url.setHost(address);
    url.setPath(QStringLiteral("/"));
    if (mount_->start(url, kShareUser, kSharePassword) != kMountOK) {
        KlStatusLine::shared().showStatusText(
            QStringLiteral("Error: cannot mount the share of %1").arg(address), QColor());
        mount_.reset();
        return;
    }
    mountPoll_ = std::make_unique<QTimer>();
    QObject::connect(mountPoll_.get(), &QTimer::timeout, [this, address] {
        if (!mount_ || !mount_->waitForEnd(0)) return;
        const int result = mount_->resultCode();
        mountPoll_->stop();
        if (result != kMountOK)
            KlStatusLine::shared().showStatusText(
                QStringLiteral("Error: mounting the share of %1 failed (%2)")
                    .arg(address)
                    .arg(result),
                QColor());
        else
            openExternally(QStringLiteral("smb://%1/").arg(address),
                           QStringLiteral("Error: this desktop has no program to show the "
                                          "share of %1")
                               .arg(address));
    });
    mountPoll_->start(200);
}

void KeloRemoteCommands::openScreenSharing(const QString& address) {
    // The viewer asks for the login itself: nothing types it for the operator.
    openExternally(QStringLiteral("vnc://%1").arg(address),
                   QStringLiteral("Error: this desktop has no program for screen sharing "
                                  "(vnc://%1)")
                       .arg(address));
}

void KeloRemoteCommands::setOpenerProgram(const QString& program) {
    gOpener = program;
}

void KeloRemoteCommands::openExternally(const QString& target, const QString& failure) {
    const QString program = gOpener.isEmpty() ? QStringLiteral("xdg-open") : gOpener;
    // The opener ends with a non-zero status when the desktop has no program
    // for the target: the operator hears of that, not only its standard error.
    auto* opener = new QProcess;
    opener->setProgram(program);
    opener->setArguments({target});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, failure](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit || code != 0)
                             KlStatusLine::shared().showStatusText(failure, QColor());
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, failure](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         KlStatusLine::shared().showStatusText(failure, QColor());
                         opener->deleteLater();
                     });
    opener->start();
}

void KeloRemoteCommands::setupCommandsMenu(QMenu* menu, bool enable) {
    for (QAction* item : menu->actions()) {
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
        if (enable) {
            QObject::connect(item, &QAction::triggered,
                             [this, item] { sendCommand(item->data().toInt()); });
        }
    }
}

bool KeloRemoteCommands::validateMenuItem(QAction* item, bool isCommand) {
    const int tag = item->data().toInt();
    if (isCommand) {
        bool enabled = true;
        if (tag != -6) {
            const KeloObject* kelo =
                link_ ? link_->keloObjectForName(owner_->selectedKelo()) : nullptr;
            if (!kelo || kelo->address() == 0)
                enabled = false;
            else if (tag == -2)
                enabled = !kelo->isRunning();
            else if (tag >= 1 || tag == 0 || tag < -6)
                enabled = kelo->isRunning();
        }
        item->setEnabled(enabled);
        return enabled;
    }
    KeloMonitorHUD* hud = owner_->monitorHUD();
    switch (tag) {
        case 1:
            item->setText(QStringLiteral("Show Server Preferences"));
            break;
        case 4:
            item->setText(owner_->projectionEditorVisible()
                              ? QStringLiteral("Hide Projection Editor")
                              : QStringLiteral("Show Projection Editor"));
            break;
        case 5:
            item->setText(owner_->serverListVisible() ? QStringLiteral("Hide Preferences")
                                                      : QStringLiteral("Show Preferences"));
            break;
        case 13:
            item->setText(hud && hud->isOn() ? QStringLiteral("Disable Monitor HUD")
                                             : QStringLiteral("Enable Monitor HUD"));
            break;
        case 14:
            item->setVisible(hud && hud->isOn() && !owner_->selectedKelo().isEmpty() &&
                             !hud->window()->isVisible());
            break;
        case 33:
            item->setEnabled(owner_->projectionEditorVisible());
            return item->isEnabled();
        default:
            break;
    }
    item->setEnabled(true);
    return true;
}

QStringList KeloRemoteCommands::relatedApplications() {
    return {QStringLiteral("kelo-egret"), QStringLiteral("kelo-daemon")};
}

std::vector<int64_t> KeloRemoteCommands::processesNamed(const QString& name) {
    std::vector<int64_t> found;
    const uid_t me = getuid();
    const QStringList entries =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const int64_t pid = entry.toLongLong(&ok);
        if (!ok || pid == int64_t(getpid())) continue;
        struct stat info {};
        // Only this user's processes: never another user's of the same name.
        if (::stat(QStringLiteral("/proc/%1").arg(pid).toLocal8Bit().constData(), &info) != 0 ||
            info.st_uid != me)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        const QString command = comm.open(QIODevice::ReadOnly)
                                    ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                    : QString();
        const QByteArray args =
            cmdline.open(QIODevice::ReadOnly) ? cmdline.read(4096) : QByteArray();
        const QString argv0 =
            QFileInfo(QString::fromLocal8Bit(args.left(args.indexOf('\0')))).fileName();
        if (command == name.left(15) || argv0 == name) found.push_back(pid);
    }
    return found;
}

void KeloRemoteCommands::quitAllRelatedApps() {
    for (const QString& name : relatedApplications()) {
        const std::vector<int64_t> pids = processesNamed(name);
        if (pids.empty()) continue;
        const int64_t pid = pids.front();
        const QByteArray started = processStartTime(pid);
        if (started.isEmpty() || ::kill(pid_t(pid), SIGTERM) != 0) continue;
        OmLogNoFlood(kOmLogInfo, "asked %s (%lld) to quit\n", qPrintable(name),
                     static_cast<long long>(pid));
        QTimer::singleShot(kQuitGraceMs, [pid, started, name] {
            // Still the same process and still running: it refused.
            if (processStartTime(pid) != started) return;
            OmLogNoFlood(kOmLogWarning, "%s (%lld) did not quit: killing it\n", qPrintable(name),
                         static_cast<long long>(pid));
            ::kill(pid_t(pid), SIGKILL);
        });
    }
    owner_->quitApplication();
}

QStringList KeloRemoteCommands::manualFolders() {
    return gManualFolders;
}

void KeloRemoteCommands::setManualFolders(const QStringList& folders) {
    gManualFolders = folders;
}

void KeloRemoteCommands::menuWillOpen(QMenu* menu) {
    if (!menu || menu->title() != QLatin1String("Help")) return;
    QAction* help = nullptr;
    for (QAction* item : menu->actions()) {
        if (item->text() == QLatin1String("Kelo Verozo Help")) help = item;
    }
    for (const QString& folder : manualFolders()) {
        const QDir dir(folder);
        for (const QString& file :
             dir.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name)) {
            if (!file.contains(QLatin1String("Kelo Verozo"))) continue;
            const QString path = dir.filePath(file);
            bool listed = false;
            for (const QAction* item : menu->actions()) listed = listed || item->text() == path;
            if (listed) continue;
            const QList<QAction*> items = menu->actions();
            const qsizetype at = help ? items.indexOf(help) + 1 : 0;
            auto* item = new QAction(path, menu);
            QObject::connect(item, &QAction::triggered, [this, path] { openPdfManual(path); });
            menu->insertAction(at < items.size() ? items[at] : nullptr, item);
        }
    }
    if (help) help->setEnabled(false);
}

void KeloRemoteCommands::openPdfManual(const QString& path) {
    if (QFileInfo::exists(path)) VTaskManagerUI::shared().revealInFileViewer(path);
}

void KeloRemoteCommands::resetAllToDefaults() {
    const int answer =
        KeloAlert(KeloAlert::kWarning, QStringLiteral("Reset Preferences"),
                  QStringLiteral("This will reset all application preferences to defaults."),
                  {QStringLiteral("Cancel"), QStringLiteral("Reset Preferences"),
                   QStringLiteral("Reveal In Finder")},
                  owner_->dialogParent())
            .runModal();
    if (answer == 2) {
        for (const QString& path :
             {UserDefaults::standard().filePath(), owner_->settingsFilePath()})
            if (!path.isEmpty()) VTaskManagerUI::shared().revealInFileViewer(path);
        return;
    }
    if (answer != 1) return;
    UserDefaults& defaults = UserDefaults::standard();
    for (const QString& key : defaults.keys()) defaults.remove(key);
    defaults.synchronize();
    QFile settings(owner_->settingsFilePath());
    if (!settings.remove()) {
        KeloAlert(KeloAlert::kCritical, QStringLiteral("Error clearing new preferences"),
                  settings.errorString(), {QStringLiteral("OK"), QStringLiteral("Cancel")},
                  owner_->dialogParent())
            .runModal();
    }
    VTaskManagerUI::shared().relaunchNow();
}

void KeloRemoteCommands::contrastChanged(double contrastSlider, double brightnessSlider) {
    const float contrast = 1.0f - float(contrastSlider) / 2.0f;
    const float brightness = 1.0f - float(brightnessSlider) / 2.0f;
    relaunchRequired_ = true;
    if (double(contrast) == gUIContrast && double(brightness) == gUITextBrightness) return;
    gUIContrast = double(contrast);
    gUITextBrightness = double(brightness);
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject(QStringLiteral("Contrast"), double(contrast));
    defaults.setObject(QStringLiteral("TextBrightness"), double(brightness));
}

void KeloRemoteCommands::contrastChanged(QSlider* contrast, QSlider* brightness) {
    const double before = gUIContrast;
    const double beforeText = gUITextBrightness;
    contrastChanged(double(contrast->value()) / kContrastSliderSteps,
                    double(brightness->value()) / kContrastSliderSteps);
    if (gUIContrast == before && gUITextBrightness == beforeText) return;
    QWidget* superview = contrast->parentWidget();
    if (!contrastSample_) {
        contrastSample_ = new QLabel(superview);
        contrastSample_->setAlignment(Qt::AlignCenter);
        contrastSample_->setAutoFillBackground(true);
        const QRect c = contrast->geometry();
        const QRect b = brightness->geometry();
        const int left = b.right() + 1 + 20;
        contrastSample_->setGeometry(left, c.top(), superview->width() - 5 - left,
                                     b.bottom() + 1 - c.top());
        contrastSample_->show();
    }
    QPalette palette = contrastSample_->palette();
    palette.setColor(QPalette::Window, colorWithContrastWhite(50.0 / 255.0, 1.0));
    palette.setColor(QPalette::WindowText, colorWithContrastWhite(217.0 / 255.0, 1.0));
    contrastSample_->setPalette(palette);
    contrastSample_->setText(QStringLiteral("Sample Contrast...\n(relaunch required)"));
}

QLabel* KeloRemoteCommands::contrastSample() const {
    return contrastSample_;
}

std::pair<std::optional<double>, std::optional<double>>
KeloRemoteCommands::readUiContrastPreferences() {
    const UserDefaults& defaults = UserDefaults::standard();
    std::optional<double> contrast, brightness;
    if (defaults.contains(QStringLiteral("Contrast")))
        contrast = 2 * (1 - defaults.doubleValue(QStringLiteral("Contrast")));
    if (defaults.contains(QStringLiteral("TextBrightness")))
        brightness = 2 * (1 - defaults.doubleValue(QStringLiteral("TextBrightness")));
    return {contrast, brightness};
}
