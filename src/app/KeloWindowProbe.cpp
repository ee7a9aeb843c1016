#include "app/KeloWindowProbe.h"

#include "app/KeloMainWindow.h"
#include "app/KeloRemote.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/KeloPopOverButton.h"
#include "hud/views/KeloPopOverView.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "imageremap/ImageRemapPreviewPage.h"
#include "imageremap/openGLview.h"
#include "serverlink/KeloObject.h"
#include "settings/KeloRemoteContentEditor.h"
#include "settings/KlRemoteControlList.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloMonitorHUD.h"
#include "status/KeloServerListPanel.h"
#include "status/KeloStatusView.h"
#include "status/ServersUI.h"
#include "status/ServersUIColumns.h"
#include "status/statusContainer.h"
#include "tabbar/TbTabView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>
#include <QSaveFile>
#include <QScreen>

namespace {

void click(QWidget* target, QPointF at, QPointF global, bool release = true) {
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    if (!release) return;
    QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QCoreApplication::sendEvent(target, &up);
}

// A click on the server's cell in the Status tab, as the operator picks it.
// False while the server has no cell.
bool clickServerCell(const ServersUI& servers, const QString& name) {
    for (const auto& pane : servers.monitorViews()) {
        KeloStatusView* view = pane->statusView;
        if (!view) continue;
        for (const KeloRemoteCell* cell : view->cellArray()) {
            if (!cell->keloObject() || cell->keloObject()->name() != name) continue;
            const QPointF at = cell->frame().center();
            click(view, at, view->mapToGlobal(at));
            return true;
        }
    }
    return false;
}

}  // namespace

KeloWindowProbe::KeloWindowProbe(KeloRemote& remote)
    : remote_(remote),
      listingPath_(qEnvironmentVariable("KELO_LOG_WINDOW")),
      picturePath_(qEnvironmentVariable("KELO_WINDOW_SHOT")),
      clickServer_(qEnvironmentVariable("KELO_CLICK_SERVER")),
      popOverPicturePath_(qEnvironmentVariable("KELO_POPOVER_SHOT")),
      selectTab_(qEnvironmentVariable("KELO_SELECT_TAB")) {
    const QString pick = qEnvironmentVariable("KELO_PICK_POPOVER");
    popOverName_ = pick.section('=', 0, 0);
    popOverTitle_ = pick.section('=', 1);
    const QString edit = qEnvironmentVariable("KELO_EDIT_PREF");
    editKey_ = edit.section('=', 0, 0);
    editValue_ = edit.section('=', 1);
    showEditor_ = !qEnvironmentVariable("KELO_SHOW_EDITOR").isEmpty();
    QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
}

void KeloWindowProbe::start() {
    if (listingPath_.isEmpty()) return;
    step();
    timer_.start(1000);
}

void KeloWindowProbe::step() {
    if (!clickServer_.isEmpty() && clickServerCell(*remote_.serversUI(), clickServer_))
        clickServer_.clear();
    if (!popOverName_.isEmpty() && !popOverPicked_) popOverPicked_ = pickPopOverItem();
    if (!selectTab_.isEmpty()) {
        const int id = int(remote_.mainWindow()->tabLabels().indexOf(selectTab_)) + 1;
        if (id > 0) remote_.mainWindow()->tabView()->selectTabViewItemWithIdentifier(id);
        selectTab_.clear();
    }
    if (!editKey_.isEmpty() && !edited_) edited_ = editPreference();
    if (showEditor_ && !remote_.selectedServerName().isEmpty() && !remote_.contentEditor()->visible())
        remote_.windowMenuAction(33);
    writeListing();
}

// The operator's edit in the Preferences tab: the tab is shown, and once
// the selected server's list holds the preference its new value is set as
// the list's editors set it. True once set.
bool KeloWindowProbe::editPreference() {
    KlRemoteControlList* list = remote_.controls();
    if (remote_.selectedServerName().isEmpty() || !list) return false;
    remote_.windowMenuAction(32);
    const QVariantMap* prefs = list->dictionary();
    if (!prefs || !prefs->contains(editKey_)) return false;
    return list->setNewPrefValue(editValue_, editKey_);
}

// One step of the operator's way per call: the panel is opened, a press on
// the button opens the pop-over, then the screen is saved while it shows
// and a click on the item chooses it. True once the item was clicked.
bool KeloWindowProbe::pickPopOverItem() {
    HUDThemeKeloWindow* panel = remote_.serverListPanel()->panel();
    auto* button = panel->findChild<KeloPopOverButton*>(popOverName_);
    KeloPopOverView* popOver = KeloPopOverButton::sharedPopOverView();
    if (!panel->isVisible()) {
        remote_.showServerList(true);
        return false;
    }
    if (!button) return false;
    if (!popOver || !popOver->window()->isVisible()) {
        const QPointF at = QRectF(button->rect()).center();
        click(button, at, button->mapToGlobal(at));
        return false;
    }
    if (!popOverPicturePath_.isEmpty())
        QGuiApplication::primaryScreen()->grabWindow(0).save(popOverPicturePath_);
    const QRect frame = popOver->window()->geometry();
    popOverSeen_ = QString::asprintf("pick: %s|for %s|%d,%d,%d,%d\n", qPrintable(popOverName_),
                                     qPrintable(popOver->buttonID()->objectName()), frame.x(),
                                     frame.y(), frame.width(), frame.height());
    const QPointF at =
        popOver->cellFrameForItem(button->indexOfItemWithTitle(popOverTitle_)).center();
    click(popOver, at, popOver->mapToGlobal(at), false);
    return true;
}

// The window's title, its tabs and menus, per Status tab cell the name shown
// and the word beside the lamp, the breakout columns with their frames and
// cells (servers and the names shown), the server and name the monitor HUD
// shows, and the panel's layout controls with their choices. Written whole,
// then renamed, so a reader never sees half a listing. The pictures of the
// window and the HUD, when wanted, go first: they then show at least what the
// listing tells.
void KeloWindowProbe::writeListing() {
    const QString& path = listingPath_;
    const QString& picturePath = picturePath_;
    KeloRemote& remote = remote_;
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
    text += popOverSeen_;
    // The Preferences list's rows as it shows them: group headers in
    // brackets, preferences by their display names.
    if (const KlRemoteControlList* list = remote.controls(); list && list->dictionary()) {
        const QVariantMap& prefs = *list->dictionary();
        QStringList rows;
        for (const QVariant& key : prefs.value("_sorted_keys_").toList()) {
            const QVariantMap entry = prefs.value(key.toString()).toMap();
            rows << (entry.isEmpty() ? "[" + key.toString() + "]"
                                     : entry.value("_alias", key).toString());
        }
        text += "prefs: " + list->fixtureName() + "|" + rows.join(',') + "\n";
        if (!editKey_.isEmpty() && prefs.contains(editKey_)) {
            const QVariant value = prefs.value(editKey_).toMap().value("_value");
            QString shown = value.toString();
            if (value.typeId() == QMetaType::QVariantList)
                shown = QString::asprintf("%d items: ", int(value.toList().size())) +
                        value.toStringList().join(',');
            text += "pref: " + editKey_ + "|" + shown + "\n";
        }
    }
    const KeloRemoteContentEditor* editor = remote.contentEditor();
    QWidget* editorWindow = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->inherits("KeloRemoteContentEditorWindow") && w->isVisible()) editorWindow = w;
    if (editor && editor->visible()) {
        text += "editor: " + editor->keloName() + "|" +
                KeloRemoteContentEditor::kindNames()[size_t(editor->currentDomain())] + "|" +
                editor->listItems().join(',') + "\n";
        if (editorWindow && !picturePath.isEmpty()) {
            const QFileInfo picture(picturePath);
            editorWindow->grab().save(picture.path() + '/' + picture.completeBaseName() +
                                      "-editor." + picture.suffix());
        }
    }
    if (const ImageRemapPreviewPage* remap = remote.imageRemapPage())
        text += "imageremap: " + remap->stateText() + "|" + remap->descriptionText() + "|" +
                QString::number(remap->preview()->lastVertexCount()) + "\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(text.toUtf8());
    file.commit();
}
