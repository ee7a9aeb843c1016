#include "app/KeloCompositionRoot.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemote.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "app/NSApplicationEventCatcher.h"
#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "foundation/VTaskManager.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/views/KeloPopOverView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/LibraryPaths.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloMonitorHUD.h"
#include "status/KeloServerListPanel.h"
#include "status/KeloStatusView.h"
#include "status/ServersUI.h"
#include "status/ServersUIColumns.h"
#include "status/statusContainer.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace {

// Written by the SIGINT handler, read on the main thread.
int gSigIntPipe[2] = {-1, -1};

void catch_int_signal(int) {
    static const char line[] = "\nKeloRemote - received SIGINT signal\n";
    [[maybe_unused]] auto n = write(STDOUT_FILENO, line, sizeof line - 1);
    const char byte = 1;
    n = write(gSigIntPipe[1], &byte, 1);
}

// The window's title, its tabs and menus, per Status tab cell the name shown
// and the word beside the lamp, the breakout columns with their frames and
// cells (servers and the names shown), the server and name the monitor HUD
// shows, and the panel's layout controls with their choices. Written whole, then renamed,
// so a reader never sees half a listing. The pictures of the window and the
// HUD, when wanted, go first: they then show at least what the listing tells.
void writeWindowListing(const QString& path, const QString& picturePath, KeloRemote& remote,
                        const QString& more) {
    KeloMainWindow& window = *remote.mainWindow();
    const ServersUI& servers = *remote.serversUI();
    KeloMonitorHUD& hud = *remote.monitorHUD();
    const bool hudShown = hud.window()->isVisible();
    if (!picturePath.isEmpty()) {
        window.grab().save(picturePath);
        if (hudShown) {
            const QFileInfo picture(picturePath);
            hud.window()->grab().save(picture.path() + '/' + picture.completeBaseName() + "-hud." +
                                      picture.suffix());
        }
    }
    QStringList menus;
    for (const QAction* menu : remote.menuBar()->actions()) menus << menu->text();
    QString text = "window: " + window.windowTitle() + "\ntabs: " + window.tabLabels().join('|') +
                   "\nmenus: " + menus.join('|') + "\n";
    for (const auto& pane : servers.monitorViews()) {
        for (KeloRemoteCell* cell : pane->cells) {
            const auto* monitor = dynamic_cast<const KeloMonitorCell*>(cell);
            if (monitor)
                text += "cell: " + monitor->labelText() + "|" + monitor->lamp().word + "\n";
        }
    }
    for (const statusContainer* column : servers.columns()->breakoutColumns()) {
        if (!column->enclosingView || !column->statusView) continue;
        const QRect frame = column->enclosingView->geometry();
        QStringList names, labels;
        for (const KeloRemoteCell* cell : column->statusView->cellArray()) {
            names << (cell->keloObject() ? cell->keloObject()->name() : QString());
            labels << cell->labelText();
        }
        text += QString::asprintf("column: %d,%d,%d,%d|", frame.x(), frame.y(), frame.width(),
                                  frame.height()) +
                (column->enclosingView->isVisibleTo(&window) ? "shown|" : "hidden|") +
                names.join(',') + "|" + labels.join(',') + "\n";
    }
    for (const KeloPopOverButton* popOver :
         {remote.hudHeightPopOver(), remote.monitorLayersPopOver(),
          remote.monitorFormatPopOver()}) {
        if (!popOver) continue;
        text += "popover: " + popOver->objectName() + "|" + popOver->titleOfSelectedItem() + "|" +
                (popOver->isVisibleTo(popOver->window()) ? "shown" : "hidden") + "\n";
    }
    if (const HUDPopUpButton* columns = remote.breakoutColumnsPopUp())
        text += "popup: " + columns->objectName() + "|" + columns->currentText() + "\n";
    const KeloRemoteCell* shown = hud.monitorHudView()->singleCell();
    const QSize hudSize = hud.window()->size();
    text += "hud: " + (shown && shown->keloObject() ? shown->keloObject()->name() : QString()) +
            (hudShown ? "|shown|" : "|hidden|") +
            QString::asprintf("%dx%d|", hudSize.width(), hudSize.height()) +
            (shown ? shown->labelText() : QString()) + "\n";
    text += more;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(text.toUtf8());
    file.commit();
}

// A test of the real program picks a server the way the operator does: a
// click on its cell in the Status tab. False while the server has no cell.
bool clickServerCell(const ServersUI& servers, const QString& name) {
    for (const auto& pane : servers.monitorViews()) {
        KeloStatusView* view = pane->statusView;
        if (!view) continue;
        for (const KeloRemoteCell* cell : view->cellArray()) {
            if (!cell->keloObject() || cell->keloObject()->name() != name) continue;
            const QPointF at = cell->frame().center();
            const QPointF global = view->mapToGlobal(at);
            QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(view, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &release);
            return true;
        }
    }
    return false;
}

// A test of the real program picks an item of a pop-over of the server-list
// panel as the operator does: the panel is opened, a press on the button
// opens the pop-over, the screen is saved to `picturePath` while it shows,
// and a click on the item titled `title` chooses it. One step per call;
// true once the item was clicked.
class PopOverPick {
public:
    PopOverPick(const QString& request, QString picturePath)
        : name_(request.section('=', 0, 0)),
          title_(request.section('=', 1)),
          picturePath_(std::move(picturePath)) {}

    bool step(KeloRemote& remote) {
        if (name_.isEmpty() || done_) return done_;
        HUDThemeKeloWindow* panel = remote.serverListPanel()->panel();
        auto* button = panel->findChild<KeloPopOverButton*>(name_);
        KeloPopOverView* popOver = KeloPopOverButton::sharedPopOverView();
        if (!panel->isVisible()) {
            remote.showServerList(true);
        } else if (button && (!popOver || !popOver->window()->isVisible())) {
            const QPointF at = QRectF(button->rect()).center();
            const QPointF global = button->mapToGlobal(at);
            QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(button, &press);
            QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(button, &release);
        } else if (button && popOver) {
            if (!picturePath_.isEmpty())
                QGuiApplication::primaryScreen()->grabWindow(0).save(picturePath_);
            const QRect frame = popOver->window()->geometry();
            seen_ = QString::asprintf("pick: %s|for %s|%d,%d,%d,%d\n", qPrintable(name_),
                                      qPrintable(popOver->buttonID()->objectName()), frame.x(),
                                      frame.y(), frame.width(), frame.height());
            const QPointF at =
                popOver->cellFrameForItem(button->indexOfItemWithTitle(title_)).center();
            QMouseEvent press(QEvent::MouseButtonPress, at, popOver->mapToGlobal(at),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(popOver, &press);
            done_ = true;
        }
        return done_;
    }
    // What the pop-over showed when the item was picked.
    const QString& seen() const { return seen_; }

private:
    QString name_;
    QString title_;
    QString picturePath_;
    QString seen_;
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    umask(2);

    NSApplicationEventCatcher app(argc, argv);
    QCoreApplication::setApplicationName("KeloRemote");
    QCoreApplication::setApplicationVersion(QStringLiteral(KELO_VERSION));

    // The controller answers the crash and second-instance questions, so it
    // and the wiring come before the task manager's checks.
    KeloRemote remote(std::make_unique<KeloRemoteSettings>());
    KeloCompositionRoot root(remote.frontEnd());
    if (!root.install()) return 1;

    VTaskManager& tasks = VTaskManager::sharedTaskManager();
    tasks.checkCrashLog();
    if (tasks.mWarnOtherApp() != 0) {
        tasks.warnOtherApp();
        return 0;
    }

    OmLog log(libraryPath("~/Library/Logs/KeloRemote"), "Kelo Verozo %s starting up...\n",
              KELO_VERSION);
    log.setLoggingTag("Verozo");
    KeloPrintfLog::setPrefixWithTime(true);

    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSigIntPipe) != 0) {
        OmLog::log(kOmLogError, "Cannot create the SIGINT pipe\n");
        return 1;
    }
    std::signal(SIGINT, catch_int_signal);
    QSocketNotifier sigInt(gSigIntPipe[0], QSocketNotifier::Read);
    QObject::connect(&sigInt, &QSocketNotifier::activated, [&] {
        char byte;
        [[maybe_unused]] auto n = read(gSigIntPipe[0], &byte, 1);
        log.i("KeloRemote - received SIGINT signal\n");
        QTimer::singleShot(250, &app, &QCoreApplication::quit);
    });

    KlE_Control_Status* link = KlE_Control_Status::defaultObject();
    KeloRemoteTick& tick = root.startLink(*link, log);
    remote.awakeFromNib(*link, tick, QCoreApplication::applicationVersion(),
                        applicationBundlePath());
    remote.mainWindow()->show();
    // Lets a test that runs the real program check its window: the log
    // owns standard output, so the listing goes to a file of the test's,
    // rewritten every second as servers come and go.
    const QString listing = qEnvironmentVariable("KELO_LOG_WINDOW");
    const QString picture = qEnvironmentVariable("KELO_WINDOW_SHOT");
    QString select = qEnvironmentVariable("KELO_CLICK_SERVER");
    PopOverPick pick(qEnvironmentVariable("KELO_PICK_POPOVER"),
                     qEnvironmentVariable("KELO_POPOVER_SHOT"));
    QTimer listingTimer;
    if (!listing.isEmpty()) {
        auto writeListing = [&] {
            if (!select.isEmpty() && clickServerCell(*remote.serversUI(), select)) select.clear();
            pick.step(remote);
            writeWindowListing(listing, picture, remote, pick.seen());
        };
        writeListing();
        QObject::connect(&listingTimer, &QTimer::timeout, writeListing);
        listingTimer.start(1000);
    }
    tick.start();

    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&] {
        tick.stop();
        remote.applicationShouldTerminate();
        link->stopTimerAndCloseSockets();
        log.flush();
    });
    return app.exec();
}
