// KeloRemote's menus and the controls of the server-list panel: the items
// carry their tags and run through KeloRemoteCommands, which does the work.
#include "app/KeloRemote.h"

#include "app/AppConstants.h"
#include "app/CAboutBoxController.h"
#include "app/CHelpText.h"
#include "app/KeloMainWindow.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "content/ContentBitRate.h"
#include "content/ContentUIPanel.h"
#include "foundation/OmLog.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "platform/UserDefaults.h"
#include "settings/KeloRemoteContentEditor.h"
#include "status/BreakoutColumns.h"
#include "status/KeloRemoteCell.h"
#include "status/KeloServerListPanel.h"
#include "status/ServersUI.h"
#include "tabbar/TbTabView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Items of actionProc carry their tag in data(); this property marks the
// menus whose items are server commands (sendCommand) instead.
constexpr char kCommandsMenuProperty[] = "keloCommandsMenu";

// The components the program is built from and their licences.
const char kAcknowledgements[] =
    "\t\tKelo Verozo is built with the following components.\n"
    "\t\t\n"
    "\t\tQt 6 (Core, Gui, Widgets, OpenGL, Network)\n"
    "\t\tCopyright (C) The Qt Company Ltd. and other contributors.\n"
    "\t\tUsed under the GNU Lesser General Public License, version 3.\n"
    "\t\t\n"
    "\t\tlibplist\n"
    "\t\tCopyright (C) Nikias Bassen, Jonathan Beck and contributors.\n"
    "\t\tUsed under the GNU Lesser General Public License, version 2.1 or later.\n"
    "\t\t\n"
    "\t\tlibjpeg-turbo\n"
    "\t\tCopyright (C) the libjpeg-turbo Project and the Independent JPEG Group.\n"
    "\t\tUsed under the IJG License and the Modified (3-clause) BSD License.\n"
    "\t\t\n"
    "\t\tzlib\n"
    "\t\tCopyright (C) 1995-2022 Jean-loup Gailly and Mark Adler.\n"
    "\t\tThis software is provided 'as-is', without any express or implied\n"
    "\t\twarranty. In no event will the authors be held liable for any damages\n"
    "\t\tarising from the use of this software. Permission is granted to anyone\n"
    "\t\tto use this software for any purpose, including commercial applications,\n"
    "\t\tand to alter it and redistribute it freely, subject to the following\n"
    "\t\trestrictions: 1. The origin of this software must not be misrepresented;\n"
    "\t\tyou must not claim that you wrote the original software. 2. Altered\n"
    "\t\tsource versions must be plainly marked as such, and must not be\n"
    "\t\tmisrepresented as being the original software. 3. This notice may not\n"
    "\t\tbe removed or altered from any source distribution.\n";

// The HUD heights offered; the first is the layout's default.
const char* const kHudHeights[] = {KeloRemoteSettings::kDefaultHudHeight, "90", "120", "180",
                                   "240"};
// The layer counts of the monitor layers pop-over.
const char* const kMonitorLayers[] = {"4", "8", "12", "16", "24"};
const char* const kMonitorFormats[] = {"4:3", "16:9"};
// The breakout columns pop-up offers what the View menu's column submenu does.
const char* const kBreakoutColumns[] = {"1", "2", "3", "4", "5"};

QAction* addTagged(QMenu* menu, const QString& title, int tag) {
    QAction* item = menu->addAction(title);
    item->setData(tag);
    return item;
}

}  // namespace

void KeloRemote::buildMenus() {
    commands_ = std::make_unique<KeloRemoteCommands>(link_, this);
    menuBar_ = window_->findChild<QMenuBar*>();
    QAction* first = menuBar_->actions().value(0);
    auto insertMenu = [this, first](const QString& title) {
        auto* menu = new QMenu(title, menuBar_);
        menuBar_->insertMenu(first, menu);
        QObject::connect(menu, &QMenu::aboutToShow, [this, menu] { validateMenu(menu); });
        return menu;
    };
    auto connectTags = [this](QMenu* menu) {
        for (QAction* item : menu->actions()) {
            if (item->isSeparator() || item->menu() || !item->data().isValid()) continue;
            QObject::connect(item, &QAction::triggered, [this, item](bool checked) {
                actionProc(item->data().toInt(), item, checked);
            });
        }
    };

    QMenu* app = insertMenu("Kelo Verozo");
    QObject::connect(app->addAction("About Kelo Verozo"), &QAction::triggered,
                     [] { orderFrontStandardAboutPanel(0, QString::fromUtf8(kAcknowledgements)); });
    app->addSeparator();
    addTagged(app, "Show Preferences", 5);
    addTagged(app, "Show Server Preferences", 1);
    app->addSeparator();
    addTagged(app, "Show Log", 35);
    QObject::connect(app->addAction("Reset Preferences..."), &QAction::triggered,
                     [this] { commands_->resetAllToDefaults(); });
    app->addSeparator();
    addTagged(app, "Quit All Related Applications", 36);
    connectTags(app);
    QAction* quit = app->addAction("Quit Kelo Verozo");
    quit->setShortcut(QKeySequence::Quit);
    QObject::connect(quit, &QAction::triggered, [] { QCoreApplication::quit(); });

    buildViewMenu(insertMenu("View"));

    QMenu* commandsMenu = insertMenu("Commands");
    commandsMenu->setProperty(kCommandsMenuProperty, true);
    addTagged(commandsMenu, "Rescan Media", 242);
    commandsMenu->addSeparator();
    addTagged(commandsMenu, "Show Kelo", -1);
    addTagged(commandsMenu, "Start Kelo", -2);
    addTagged(commandsMenu, "Probe Kelo", -5);
    addTagged(commandsMenu, "Probe All Keloes", -6);
    commandsMenu->addSeparator();
    addTagged(commandsMenu, "Connect to Share", -3);
    addTagged(commandsMenu, "Screen Sharing", -4);
    commands_->setupCommandsMenu(commandsMenu, true);

    auto* help = new QMenu("Help", menuBar_);
    menuBar_->addMenu(help);
    help->addAction("Kelo Verozo Help");
    QObject::connect(help->addAction("Acknowledgements"), &QAction::triggered,
                     [] { CHelpTextShow(kAcknowledgements, "Acknowledgements"); });
    QObject::connect(help, &QMenu::aboutToShow, [this, help] { commands_->menuWillOpen(help); });

    buildPanelControls();
}

QMenu* KeloRemote::buildViewMenu(QMenu* menu) {
    auto* columns = new QMenu("Custom layout columns", menu);
    // The breakout layout as it is when the menu opens.
    QObject::connect(menu, &QMenu::aboutToShow, [this, menu, columns] {
        for (QAction* item : menu->actions())
            if (item->property("viewMode").toBool()) delete item;
        columns->clear();
        const CurrentLayoutSettings layout = settings_->loadLayoutSettings();
        QAction* before = menu->actions().value(0);
        for (const ViewMenuItem& entry : BreakoutColumns::viewMenuItems(layout)) {
            if (entry.submenu) continue;
            auto* item = new QAction(entry.title, menu);
            item->setData(entry.tag);
            item->setProperty("viewMode", true);
            item->setCheckable(true);
            item->setChecked(entry.checked);
            menu->insertAction(before, item);
        }
        for (const ViewMenuItem& entry : BreakoutColumns::viewSubMenuItems(layout)) {
            QAction* item = addTagged(columns, entry.title, entry.tag);
            item->setCheckable(true);
            item->setChecked(entry.checked);
        }
    });
    auto choose = [this](QAction* item) {
        const auto [value, key] =
            BreakoutColumns::viewMenuChoice(item->data().toInt(), item->text());
        if (!key.isEmpty()) changeMonitorSetting(value, key);
    };
    menu->addMenu(columns);
    QObject::connect(columns, &QMenu::triggered, choose);
    menu->addSeparator();
    for (QAction* item :
         {addTagged(menu, "Enable Monitor HUD", 13), addTagged(menu, "Show Monitor HUD", 14)}) {
        QObject::connect(item, &QAction::triggered, [this, item](bool checked) {
            actionProc(item->data().toInt(), item, checked);
        });
    }
    QObject::connect(menu, &QMenu::triggered, [choose](QAction* item) {
        if (item->property("viewMode").toBool()) choose(item);
    });
    return menu;
}

void KeloRemote::validateMenu(QMenu* menu) {
    const bool isCommand = menu->property(kCommandsMenuProperty).toBool();
    for (QAction* item : menu->actions()) {
        if (item->isSeparator() || item->menu() || !item->data().isValid() ||
            item->property("viewMode").toBool())
            continue;
        commands_->validateMenuItem(item, isCommand);
    }
}

void KeloRemote::actionProc(int tag, QAction* sender, bool checked) {
    commands_->actionProc(tag, sender, checked);
    // A show without a selected server leaves the HUD off.
    showLayoutInControls();
}

void KeloRemote::buildPanelControls() {
    auto* controls = new QWidget(serverListPanel_->panel());
    auto* grid = new QGridLayout(controls);
    grid->setContentsMargins(0, 0, 0, 0);
    auto checkBox = [this, controls](const QString& title, int tag) {
        auto* box = new QCheckBox(title, controls);
        QObject::connect(box, &QCheckBox::clicked,
                         [this, tag](bool checked) { actionProc(tag, nullptr, checked); });
        return box;
    };

    grid->addWidget(new QLabel("Bit rate (Mb/s)", controls), 0, 0);
    toBandwidth_ = new QLineEdit(controls);
    auto* validator = new QDoubleValidator(0.1, 1600000.0, 1, toBandwidth_);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    toBandwidth_->setValidator(validator);
    // Only Return commits: the limit checks ask the operator.
    QObject::connect(toBandwidth_, &QLineEdit::returnPressed, [this] { actionProc(17); });
    grid->addWidget(toBandwidth_, 0, 1);
    toAutoBandwidth_ = checkBox("Automatic", 19);
    grid->addWidget(toAutoBandwidth_, 0, 2);
    toSlowestLog_ = checkBox("Log slowest server", 20);
    grid->addWidget(toSlowestLog_, 1, 0);
    toShowTurtle_ = checkBox("Show slow-server mark", 21);
    grid->addWidget(toShowTurtle_, 1, 1);
    toRestricted_ = checkBox("Projection editor fully enabled", 22);
    toRestricted_->setChecked(UserDefaults::standard().integer(kContentEditorFullyEnabledKey) != 0);
    grid->addWidget(toRestricted_, 1, 2);

    grid->addWidget(buildMonitorControls(controls), 2, 0, 1, 3);

    // The sample of a changed contrast goes right of the sliders.
    auto* contrastBox = new QWidget(controls);
    contrastBox->setFixedHeight(56);
    auto* contrastLabel = new QLabel("Contrast", contrastBox);
    contrastLabel->setGeometry(0, 2, 100, 22);
    auto* brightnessLabel = new QLabel("Text brightness", contrastBox);
    brightnessLabel->setGeometry(0, 30, 100, 22);
    toContrast_ = new QSlider(Qt::Horizontal, contrastBox);
    toContrast_->setGeometry(104, 2, 160, 22);
    toTextBrightness_ = new QSlider(Qt::Horizontal, contrastBox);
    toTextBrightness_->setGeometry(104, 30, 160, 22);
    for (QSlider* slider : {toContrast_.data(), toTextBrightness_.data()}) {
        slider->setRange(0, KeloRemoteCommands::kContrastSliderSteps);
        QObject::connect(slider, &QSlider::sliderReleased,
                         [this] { commands_->contrastChanged(toContrast_, toTextBrightness_); });
    }
    grid->addWidget(contrastBox, 3, 0, 1, 3);
    serverListPanel_->panel()->layout()->addWidget(controls);

    readContentUiPreferences();
    readUiContrastPreferences();
}

QWidget* KeloRemote::buildMonitorControls(QWidget* parent) {
    // Placed by hand: a pop-over takes its pop-up's frame, so the frame must
    // be final before the conversion.
    auto* box = new QWidget(parent);
    box->setFixedSize(520, 58);
    auto label = [box](const QString& text, const QRect& frame) {
        auto* title = new QLabel(text, box);
        title->setGeometry(frame);
        title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };
    // Each choice goes to the dispatcher as a titled sender, as the menus' do.
    auto popOver = [this, box](const char* name, const auto& titles, const QRect& frame, int tag) {
        auto* popUp = new QComboBox(box);
        popUp->setObjectName(name);
        popUp->setProperty("tag", tag);
        for (const char* title : titles) popUp->addItem(title);
        popUp->setGeometry(frame);
        QObject::connect(popUp, &QComboBox::activated, [this, popUp, tag](int index) {
            QAction sender(popUp->itemText(index));
            actionProc(tag, &sender);
        });
        return qobject_cast<KeloPopOverButton*>(convertPopupToPopOver(popUp));
    };

    toMonitorBreakout_ = new QCheckBox("Monitor HUD", box);
    toMonitorBreakout_->setGeometry(0, 2, 110, 22);
    QObject::connect(toMonitorBreakout_, &QCheckBox::clicked,
                     [this](bool checked) { actionProc(12, nullptr, checked); });
    label("HUD height", QRect(110, 2, 100, 22));
    toBreakoutHUDHeight_ = popOver("toBreakoutHUDHeight", kHudHeights, QRect(212, 0, 78, 26), 15);
    label("Breakout columns", QRect(290, 2, 150, 22));
    toBreakoutColumns_ = new HUDPopUpButton(box);
    toBreakoutColumns_->setObjectName("toBreakoutColumns");
    toBreakoutColumns_->setProperty("tag", 16);
    toBreakoutColumns_->addItems(
        QStringList(std::begin(kBreakoutColumns), std::end(kBreakoutColumns)));
    toBreakoutColumns_->setGeometry(444, 1, 72, 24);
    QObject::connect(toBreakoutColumns_, &HUDPopUpButton::activated, [this](int index) {
        QAction sender(toBreakoutColumns_->cell()->itemAtIndex(index).title);
        actionProc(16, &sender);
    });
    label("Monitor layers", QRect(0, 32, 110, 22));
    toMonitorLayers_ = popOver("toMonitorLayers", kMonitorLayers, QRect(112, 30, 78, 26), 7);
    label("Monitor format", QRect(190, 32, 100, 22));
    toMonitorFormat_ = popOver("toMonitorFormat", kMonitorFormats, QRect(292, 30, 78, 26), 8);
    showLayoutInControls();
    return box;
}

QWidget* KeloRemote::convertPopupToPopOver(QWidget* control) {
    QWidget* converted = convertToPopOver(control);
    if (auto* button = qobject_cast<KeloPopOverButton*>(converted))
        button->setDrawingDelegate(this);
    return converted;
}

void KeloRemote::finishDrawing(KeloPopOverButton* button, QPainter& ctx) {
    drawBezelForCGRectInContext(ctx, button->rect(), KeloUIAttributes::attributes(), 1.5, 0);
}

void KeloRemote::showLayoutInControls() {
    if (toMonitorBreakout_) toMonitorBreakout_->setChecked(hud_ && hud_->isOn());
    if (toBreakoutHUDHeight_)
        toBreakoutHUDHeight_->selectItemWithTitle(layoutSetting(kHudHeightKey).toString());
    if (toMonitorLayers_)
        toMonitorLayers_->selectItemWithTitle(layoutSetting(kLayersKey).toString());
    if (toBreakoutColumns_) {
        const int columns = layoutSetting(kBreakoutColsKey).toInt();
        const QSignalBlocker blocker(toBreakoutColumns_);
        toBreakoutColumns_->setCurrentIndex(
            std::clamp(columns, 1, int(std::size(kBreakoutColumns))) - 1);
    }
}

QLineEdit* KeloRemote::bandwidthField() const {
    return toBandwidth_;
}

QSlider* KeloRemote::contrastSlider() const {
    return toContrast_;
}

QSlider* KeloRemote::textBrightnessSlider() const {
    return toTextBrightness_;
}

void KeloRemote::readContentUiPreferences() {
    if (!contentPanel_ || !toBandwidth_) return;
    const ContentBitRate rate = contentPanel_->bitRate();
    toAutoBandwidth_->setChecked(rate.autoBitRate);
    toBandwidth_->setText(QString::asprintf("%0.1f", double(rate.maxRate)));
    toSlowestLog_->setChecked(contentPanel_->logSlowest());
    toShowTurtle_->setChecked(contentPanel_->showTurtle());
}

void KeloRemote::readUiContrastPreferences() {
    const auto [contrast, brightness] = KeloRemoteCommands::readUiContrastPreferences();
    const int steps = KeloRemoteCommands::kContrastSliderSteps;
    if (contrast) toContrast_->setValue(int(std::lround(*contrast * steps)));
    if (brightness) toTextBrightness_->setValue(int(std::lround(*brightness * steps)));
}

// --- KeloRemoteCommandsOwner --------------------------------------------------------------

QStringList KeloRemote::activeKeloes() {
    return monitorList_.activeKeloes().keys();
}

void KeloRemote::selectTab(int identifier) {
    window_->tabView()->selectTabViewItemWithIdentifier(identifier);
}

bool KeloRemote::projectionEditorVisible() {
    return contentEditor_ && contentEditor_->visible();
}

void KeloRemote::setProjectionEditorVisible(bool visible) {
    contentEditor_->setVisible(visible);
}

void KeloRemote::showProjectionEditorWindow() {
    windowMenuAction(33);
}

void KeloRemote::showMainWindow() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void KeloRemote::setBitRate(float rate, bool automatic) {
    contentPanel_->setBitRate(ContentBitRate{rate, automatic});
    readContentUiPreferences();
}

void KeloRemote::logSlowest(bool slowest, bool turtle) {
    contentPanel_->logSlowest(slowest, turtle);
    readContentUiPreferences();
}

void KeloRemote::setContentEditorRestricted(bool restricted) {
    contentEditor_->setRestricted(restricted);
}

float KeloRemote::bitRateFieldValue() {
    bool ok = false;
    const float value = toBandwidth_ ? QLocale::c().toFloat(toBandwidth_->text(), &ok) : 0;
    // Text that is no number keeps the rate in use.
    return ok && std::isfinite(value) ? value : contentPanel_->bitRate().maxRate;
}

void KeloRemote::setBitRateFieldValue(float value) {
    if (toBandwidth_) toBandwidth_->setText(QString::asprintf("%0.1f", double(value)));
}

bool KeloRemote::controlState(int tag) {
    const QCheckBox* box = nullptr;
    switch (tag) {
        case 12:
            box = toMonitorBreakout_;
            break;
        case 19:
            box = toAutoBandwidth_;
            break;
        case 20:
            box = toSlowestLog_;
            break;
        case 21:
            box = toShowTurtle_;
            break;
        case 22:
            box = toRestricted_;
            break;
        default:
            break;
    }
    return box && box->isChecked();
}

void KeloRemote::showLogInConsole() {
    if (tick_) tick_->log().flush();
    const QString path = OmLog::logPath();
    if (path.isEmpty()) {
        showStatusText(QStringLiteral("Error: the log has no file, it goes to standard output"),
                       QColor());
        return;
    }
    KeloRemoteCommands::openExternally(
        path, QStringLiteral("Error: this desktop has no program to show the log %1").arg(path));
}

QString KeloRemote::settingsFilePath() {
    return settings_->path();
}

QWidget* KeloRemote::dialogParent() {
    return window_.get();
}

void KeloRemote::quitApplication() {
    QCoreApplication::quit();
}
