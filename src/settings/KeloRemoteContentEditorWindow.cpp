#include "settings/KeloRemoteContentEditorWindow.h"

#include "foundation/KeloPrintfLog.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/cells/KeloTextEntryCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/HUDTabView.h"
#include "hud/views/HUDTabViewItem.h"
#include "hud/views/HUDTableView.h"
#include "hud/windows/KeloAlert.h"
#include "platform/PropertyList.h"
#include "settings/KeloJoystickControl.h"
#include "settings/KeloWarpEditorView.h"
#include "settings/TopoTextureControl.h"
#include "settings/VignetteControl.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include <functional>
#include <tuple>

namespace {

constexpr KeloEditorMenuEntry camera_menu[] = {
    {29, "Add Camera"}, {30, "Copy Camera"}, {31, "Paste Camera"}, {28, "Remove Camera"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry modelMatrix_menu[] = {{29, "Add Model Matrix"},
                                                    {30, "Copy Model Matrix"},
                                                    {31, "Paste Model Matrix"},
                                                    {28, "Remove Model Matrix"},
                                                    {-1, nullptr}};
constexpr KeloEditorMenuEntry info_menu[] = {{105, "New ModelInfo\u2026"}, {106, "Copy ModelInfo"},
                                             {107, "Paste ModelInfo"},     {108, "Clear ModelInfo"},
                                             {-1, nullptr}};
constexpr KeloEditorMenuEntry outputSetup_menu[] = {
    {43, "Create Keystone/Warp"}, {44, "Copy Keystone/Warp"}, {45, "Paste Keystone/Warp"},
    {46, "Delete Keystone/Warp"}, {48, "Add Vignette"},       {49, "Delete Vignette"},
    {47, "Clear Output Settings"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry warp_menu[] = {{86, "Create Keystone/Warp"},
                                             {87, "Copy Keystone/Warp"},
                                             {88, "Paste Keystone/Warp"},
                                             {89, "Delete Keystone/Warp"},
                                             {-1, nullptr}};
constexpr KeloEditorMenuEntry vign_menu[] = {
    {96, "New Vignette\u2026"}, {94, "Copy Vignette"}, {95, "Paste Vignette"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry mesh_menu[] = {
    {76, "Create Mesh"}, {77, "Copy Mesh"}, {78, "Paste Mesh"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry topo_menu[] = {
    {75, "New Topography\u2026"}, {73, "Copy Topography"}, {74, "Paste Topography"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry topo_menu_geometry[] = {
    {75, "New Topography\u2026"}, {73, "Copy Topography"}, {74, "Paste Topography"},
    {131, "Copy Geometry"},       {132, "Paste Geometry"}, {133, "Reset Geometry"},
    {-1, nullptr}};
constexpr KeloEditorMenuEntry topo_menu_texture[] = {
    {134, "Copy Texture"}, {135, "Paste Texture"},  {136, "Reset Texture"}, {48, "Add Vignette"},
    {49, "Delete Vignette"}, {137, "Copy Vignette"}, {138, "Paste Vignette"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry info_menu_x[] = {{105, "New ModelInfo\u2026"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry topo_menu_x[] = {{75, "New Topography\u2026"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry vign_menu_x[] = {{96, "New Vignette\u2026"}, {-1, nullptr}};
constexpr KeloEditorMenuEntry empty_menu[] = {{-1, nullptr}};

const QStringList kGeometryKeys{"type", "origin", "position", "size",    "lune",
                                "angle", "zone",  "hole",     "sagitta", "rotate"};
const QStringList kTextureKeys{"texorient", "texrect", "texrotation", "texsize", "texflipped"};
const QStringList kOrigins{"Center",   "Bottom Center", "Bottom Left",  "Center Left", "Top Left",
                           "Top Center", "Top Right",   "Center Right", "Bottom Right"};

// Where a jog writes: path, element, initial text.
struct JogTarget {
    const char* path;
    int index;
    const char* initial;
};

JogTarget jogTarget(int tag) {
    switch (tag) {
        case 11: return {"camera/fov", 0, "0"};
        case 12: return {"camera/up", 0, "0"};
        case 13: return {"camera/astig", 0, "0"};
        case 16: return {"camera/lookat", 2, "0,0,0"};
        case 19: return {"camera/camera", 2, "0,0,0"};
        case 22: case 23: return {"camera/offset", tag - 22, "0,0"};
        case 24: case 25: return {"camera/shear", tag - 24, "0,0"};
        case 53: case 54: case 55: return {"size", tag - 53, "0,0,0"};
        case 56: case 57: case 58: return {"position", tag - 56, "0,0,0"};
        case 59: case 60: case 61: return {"rotate", tag - 59, "0,0,0"};
        case 62: case 63: return {"angle", tag - 62, "0,0"};
        case 64: return {"hole", 0, "0"};
        case 65: case 66: return {"lune", tag - 65, "0,0"};
        case 67: case 68: return {"zone", tag - 67, "0,0"};
        case 69: case 70: return {"sagitta", tag - 69, "0,0"};
        default: return {nullptr, 0, nullptr};
    }
}

QStringList numbers(const QVariant& v) {
    return v.toString().split(QLatin1Char(','));
}

HUDTabView* subTabs(QWidget* parent) {
    auto* tabs = new HUDTabView(parent);
    tabs->setControlSize(1);
    return tabs;
}

QWidget* addTab(HUDTabView* tabs, int identifier, const QString& label) {
    auto* page = new QWidget;
    page->setProperty("tabId", identifier);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    tabs->addTabViewItem(std::make_unique<HUDTabViewItem>(label), page);
    return page;
}

// Applies `edit` to the dictionary a panel works on: from the item (client 2)
// or its first output (client 1), down the "/"-separated path. False when
// there is no such place or the edit changed nothing.
bool editPanelTarget(QVariantMap& item, int client, const QString& path,
                     const std::function<bool(QVariantMap&)>& edit) {
    if (client == 1) {
        QVariantList outputs = item.value(QStringLiteral("multihead")).toList();
        if (outputs.isEmpty()) return false;
        QVariantMap first = outputs[0].toMap();
        if (!editPanelTarget(first, 2, path, edit)) return false;
        outputs[0] = first;
        item.insert(QStringLiteral("multihead"), outputs);
        return true;
    }
    const QStringList keys = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (keys.isEmpty()) return edit(item);
    QVariantMap inner = item.value(keys[0]).toMap();
    if (!editPanelTarget(inner, 2, keys.mid(1).join(QLatin1Char('/')), edit)) return false;
    item.insert(keys[0], inner);
    return true;
}

int tabIdentifier(const HUDTabView* tabs, int index) {
    const QWidget* page = tabs->widget(index);
    return page ? page->property("tabId").toInt() : -1;
}

}  // namespace

const KeloEditorMenuEntry* KeloRemoteContentEditorWindow::menuTable(const char* name) {
    static const QHash<QString, const KeloEditorMenuEntry*> tables{
        {"camera_menu", camera_menu},   {"modelMatrix_menu", modelMatrix_menu},
        {"info_menu", info_menu},       {"outputSetup_menu", outputSetup_menu},
        {"warp_menu", warp_menu},       {"vign_menu", vign_menu},
        {"mesh_menu", mesh_menu},       {"topo_menu", topo_menu},
        {"topo_menu_geometry", topo_menu_geometry}, {"topo_menu_texture", topo_menu_texture},
        {"info_menu_x", info_menu_x},   {"topo_menu_x", topo_menu_x},
        {"vign_menu_x", vign_menu_x},   {"empty_menu", empty_menu}};
    return tables.value(QString::fromLatin1(name));
}

KeloRemoteContentEditorWindow::KeloRemoteContentEditorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      tabView_(new HUDTabView(this)),
      modelInfoView_(subTabs(nullptr)),
      topoView_(subTabs(nullptr)),
      projectionView_(subTabs(nullptr)),
      itemList_(new QListWidget(this)),
      descriptionLine_(new HUDLabel(this)),
      nameField_(new HUDTextField(this)),
      textField_(new KeloDirtyTextView(this)),
      optionsMenu_(new HUDPopUpButton(this)),
      toCameraControls_(new QWidget),
      toTopoGeneralBox_(new QWidget),
      toModelInfoControls_(new QWidget),
      toMultiHeadControls_(new QWidget),
      toModelWarpBox_(new QWidget),
      toMeshBox_(new QWidget),
      toModelMotionsBox_(new QWidget),
      vignetteView_(new QWidget),
      topoTextureView_(new QWidget),
      outputCaption_(new HUDLabel),
      toModelWarpEditor_(new KeloWarpEditorView(toModelWarpBox_)),
      toModelMeshEditor_(new KeloWarpEditorView(toMeshBox_)),
      toMultiheadWarpEditor_(new KeloWarpEditorView),
      topoTex_(new TopoTextureControl(topoTextureView_)),
      toVignette_(new VignetteControl) {
    setWindowTitle(QStringLiteral("- No Kelo Selected -"));
    QPalette dark = palette();
    dark.setColor(QPalette::Window, floatingWindowColor());
    dark.setColor(QPalette::Base, boxFillColor());
    dark.setColor(QPalette::Text, QColor(217, 217, 217));
    dark.setColor(QPalette::WindowText, QColor(217, 217, 217));
    setPalette(dark);
    setAutoFillBackground(true);
    resize(900, 640);

    // Kinds and their sub-tabs; only the identifiers are fixed.
    addTab(tabView_, 0, QStringLiteral("Model Info"))->layout()->addWidget(modelInfoView_);
    addTab(tabView_, 1, QStringLiteral("Topography"))->layout()->addWidget(topoView_);
    addTab(tabView_, 2, QStringLiteral("Vignette"));
    addTab(tabView_, 3, QStringLiteral("Projection"))->layout()->addWidget(projectionView_);
    addTab(modelInfoView_, 102, QStringLiteral("Info"));
    addTab(modelInfoView_, 101, QStringLiteral("Matrix"));
    addTab(modelInfoView_, 103, QStringLiteral("Motions"));
    addTab(modelInfoView_, 106, QStringLiteral("Warp"));
    addTab(topoView_, 104, QStringLiteral("Shape"));
    addTab(topoView_, 109, QStringLiteral("Texture"));
    addTab(topoView_, 105, QStringLiteral("Mesh"));
    addTab(topoView_, 100, QStringLiteral("Model Info"));
    addTab(projectionView_, 108, QStringLiteral("Output Set-up"));
    addTab(projectionView_, 101, QStringLiteral("Camera"));
    addTab(projectionView_, 107, QStringLiteral("None"));

    auto* vignLayout = new QVBoxLayout(vignetteView_);
    vignLayout->addStretch();
    auto* texLayout = new QVBoxLayout(topoTextureView_);
    texLayout->addWidget(topoTex_);
    buildCameraBox();
    buildGeneralBox();
    buildModelInfoBox();
    buildOutputBox();
    buildMotionsBox();
    buildNewItemPanels();
    buildModelTable();
    toModelWarpEditor_->setGeometry(10, 10, 300, 300);
    toModelWarpEditor_->setTag(83);
    toModelMeshEditor_->setGeometry(10, 10, 300, 300);
    toModelMeshEditor_->setTag(84);
    toMultiheadWarpEditor_->setTag(42);
    topoTex_->setTag(92);
    toVignette_->setTag(93);
    connect(toModelWarpEditor_, &KeloWarpEditorView::action, this, [this] { actionProc(83); });
    connect(toModelMeshEditor_, &KeloWarpEditorView::action, this, [this] { actionProc(84); });
    connect(toMultiheadWarpEditor_, &KeloWarpEditorView::action, this, [this] { actionProc(42); });
    connect(topoTex_, &TopoTextureControl::action, this, [this] { actionProc(92); });
    connect(toVignette_, &VignetteControl::action, this, [this] { actionProc(93); });

    auto* sendButton = static_cast<HUDButton*>(tagged(1, new HUDButton(QStringLiteral("Send"), this)));
    auto* commit = static_cast<HUDButton*>(tagged(7, new HUDButton(QStringLiteral("Commit"), this)));
    auto* revert = static_cast<HUDButton*>(tagged(8, new HUDButton(QStringLiteral("Revert"), this)));
    tagged(6, nameField_);
    connect(sendButton, &HUDButton::clicked, this, [this] { actionProc(1); });
    connect(commit, &HUDButton::clicked, this, [this] { actionProc(7); });
    connect(revert, &HUDButton::clicked, this, [this] { actionProc(8); });
    connect(nameField_, &HUDTextField::editingFinished, this, [this] { actionProc(6); });
    optionsMenu_->cell()->setPullsDown(true);
    optionsMenu_->setMinimumWidth(120);
    connect(optionsMenu_, &HUDPopUpButton::activated, this, [this](int index) {
        // Item 0 is the title; the others follow the table.
        if (!currentMenuSpec_ || index < 1) return;
        const int tag = currentMenuSpec_[index - 1].tag;
        if (tag > 0) actionProc(tag);
    });
    connect(itemList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!showing_) editor_.tableViewSelectionDidChange(row);
    });
    for (HUDTabView* tabs : {tabView_, modelInfoView_, topoView_, projectionView_})
        connect(tabs, &QTabWidget::currentChanged, this,
                [this, tabs](int index) { tabChosen(tabIdentifier(tabs, index)); });
    textField_->document()->setDefaultFont(QFont(QStringLiteral("monospace")));

    auto* top = new QHBoxLayout;
    top->addWidget(optionsMenu_);
    top->addWidget(descriptionLine_, 1);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new HUDLabel(QStringLiteral("Name:"), this));
    nameRow->addWidget(nameField_, 1);
    nameRow->addWidget(commit);
    nameRow->addWidget(revert);
    auto* right = new QVBoxLayout;
    right->addLayout(top);
    right->addLayout(nameRow);
    right->addWidget(tabView_, 1);
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(textField_, 1);
    textRow->addWidget(sendButton, 0, Qt::AlignBottom);
    right->addLayout(textRow);
    textField_->setMaximumHeight(110);
    auto* main = new QHBoxLayout(this);
    itemList_->setFixedWidth(170);
    main->addWidget(itemList_);
    main->addLayout(right, 1);

    editor_.setDelegate(this);
    editor_.awake();
}

KeloRemoteContentEditorWindow::~KeloRemoteContentEditorWindow() {
    editor_.setDelegate(nullptr);
    for (QWidget* w :
         {toCameraControls_, toTopoGeneralBox_, toModelInfoControls_, toMultiHeadControls_,
          toModelWarpBox_, toMeshBox_, toModelMotionsBox_, vignetteView_, topoTextureView_,
          static_cast<QWidget*>(toVignette_), toModelNumberPanel_, toNewItemPanel_})
        if (!w->parent()) delete w;
}

QWidget* KeloRemoteContentEditorWindow::tagged(int tag, QWidget* w) {
    w->setProperty("tag", tag);
    controls_.insert(tag, w);
    return w;
}

KeloJoystickControl* KeloRemoteContentEditorWindow::setupJoystick(QWidget* box, const QString& label,
                                                                  int tag, int min, int max, int dp) {
    auto* grid = static_cast<QGridLayout*>(box->layout());
    const int row = grid->rowCount();
    auto* joy = new KeloJoystickControl(box);
    auto* field = new HUDTextField(box);
    field->setFixedWidth(70);
    joy->setFixedSize(120, 18);
    joy->setTag(tag);
    joy->setHText(field);
    joy->loadThumbImage(QStringLiteral("joythumb.png"));
    joy->loadTrackImage(QStringLiteral("joytrack.png"));
    switch (dp) {
        case 1:
            joy->setFormat(QStringLiteral("%0.1f"));
            joy->setScale(0.1f);
            joy->setResponseFactor(0.01f);
            break;
        case 2:
            joy->setFormat(QStringLiteral("%0.2f"));
            joy->setScale(0.01f);
            joy->setResponseFactor(0.005f);
            break;
        case 3:
            joy->setFormat(QStringLiteral("%0.3f"));
            joy->setScale(0.001f);
            joy->setResponseFactor(0.002f);
            break;
        default:
            joy->setFormat(QStringLiteral("%0.0f"));
            joy->setScale(1.0f);
            joy->setResponseFactor(0.5f);
            break;
    }
    joy->setMinValue(min);
    joy->setMaxValue(max);
    joy->setFloatValueX(0);
    connect(joy, &KeloJoystickControl::floatXChanged, this,
            [this, joy] { observeValue(int(joy->tag()), joy->floatX()); });
    grid->addWidget(new HUDLabel(label, box), row, 0);
    grid->addWidget(joy, row, 1);
    grid->addWidget(field, row, 2);
    joysticks_.insert(tag, joy);
    return joy;
}

void KeloRemoteContentEditorWindow::buildCameraBox() {
    auto* grid = new QGridLayout(toCameraControls_);
    grid->setColumnStretch(3, 1);
    const std::tuple<const char*, int, int, int, int> jogs[] = {
        {"FOV", 11, 100, 9000, 2},          {"Up", 12, -18000, 18000, 2},
        {"Astig", 13, -1000, 1000, 3},      {"Look X", 14, -100000, 100000, 3},
        {"Look Y", 15, -100000, 100000, 3}, {"Look Z", 16, -100000, 100000, 3},
        {"Eye X", 17, -100000, 100000, 3},  {"Eye Y", 18, -100000, 100000, 3},
        {"Eye Z", 19, -100000, 100000, 3},  {"Bearing", 20, -18000, 18000, 2},
        {"Distance", 21, -100000, 100000, 3}, {"Offset X", 22, -1000, 1000, 3},
        {"Offset Y", 23, -1000, 1000, 3},   {"Lens Shift X", 24, -1000, 1000, 3},
        {"Lens Shift Y", 25, -1000, 1000, 3}};
    for (const auto& [label, tag, lo, hi, dp] : jogs)
        setupJoystick(toCameraControls_, QString::fromLatin1(label), tag, lo, hi, dp);
    joysticks_[24]->setRestrictRange(true);
    joysticks_[25]->setRestrictRange(true);
    joysticks_[11]->setDefaultValue(2500);
    joysticks_[21]->setDefaultValue(10000);
    joysticks_[19]->setDefaultValue(10000);
    for (const auto& [title, tag] : {std::pair{"Orthographic", 26}, std::pair{"Link X/Y", 27}}) {
        auto* box = new HUDButton(QString::fromLatin1(title), toCameraControls_);
        box->setButtonType(kSwitchButton);
        const int t = tag;
        tagged(t, box);
        connect(box, &HUDButton::clicked, this, [this, t] { actionProc(t); });
        grid->addWidget(box, grid->rowCount(), 1);
    }
}

void KeloRemoteContentEditorWindow::buildGeneralBox() {
    auto* grid = new QGridLayout(toTopoGeneralBox_);
    grid->setColumnStretch(3, 1);
    const std::tuple<const char*, int, int, int, int> jogs[] = {
        {"Width", 53, 0, 100000, 3},          {"Depth", 54, 0, 100000, 3},
        {"Height", 55, -100000, 100000, 3},   {"Position X", 56, -100000, 100000, 3},
        {"Position Y", 57, -100000, 100000, 3}, {"Position Z", 58, -100000, 100000, 3},
        {"Rotation X", 59, -18000, 18000, 2}, {"Rotation Y", 60, -18000, 18000, 2},
        {"Rotation Z", 61, -18000, 18000, 2}, {"Disc Arc", 62, 0, 36000, 2},
        {"Disc Angle", 63, -18000, 18000, 2}, {"Disc Hole", 64, 0, 100, 2},
        {"Lune Arc", 65, 0, 18000, 2},        {"Lune Angle", 66, -9000, 9000, 2},
        {"Zone Arc", 67, 0, 36000, 2},        {"Zone Angle", 68, -18000, 18000, 2},
        {"Sagitta Bottom", 69, -50000, 50000, 3}, {"Sagitta Top", 70, -50000, 50000, 3}};
    for (const auto& [label, tag, lo, hi, dp] : jogs)
        setupJoystick(toTopoGeneralBox_, QString::fromLatin1(label), tag, lo, hi, dp);
    joysticks_[64]->setRestrictRange(true);
    auto* vertical = new HUDButton(QStringLiteral("Vertical"), toTopoGeneralBox_);
    vertical->setButtonType(kSwitchButton);
    tagged(71, vertical);
    connect(vertical, &HUDButton::clicked, this, [this] { actionProc(71); });
    auto* origin = new HUDPopUpButton(toTopoGeneralBox_);
    origin->addItems(kOrigins);
    tagged(72, origin);
    connect(origin, &HUDPopUpButton::activated, this, [this] { actionProc(72); });
    const int row = grid->rowCount();
    grid->addWidget(vertical, row, 1);
    grid->addWidget(origin, row + 1, 1);
}

void KeloRemoteContentEditorWindow::buildModelInfoBox() {
    auto* grid = new QGridLayout(toModelInfoControls_);
    auto* mask = new HUDTextField(toModelInfoControls_);
    tagged(103, mask);
    connect(mask, &HUDTextField::editingFinished, this, [this] { actionProc(103); });
    grid->addWidget(new HUDLabel(QStringLiteral("Mask:"), toModelInfoControls_), 0, 0);
    grid->addWidget(mask, 0, 1);
    int row = 1;
    for (const auto& [title, tag] : {std::pair{"Emissive", 99}, std::pair{"Fixed", 100},
                                     std::pair{"Depth Test", 101}}) {
        auto* box = new HUDButton(QString::fromLatin1(title), toModelInfoControls_);
        box->setButtonType(kSwitchButton);
        const int t = tag;
        tagged(t, box);
        connect(box, &HUDButton::clicked, this, [this, t] { actionProc(t); });
        grid->addWidget(box, row++, 1);
    }
    auto* hide = new HUDPopUpButton(toModelInfoControls_);
    hide->addItems({QStringLiteral("Show"), QStringLiteral("Hide"), QStringLiteral("Hide Always")});
    tagged(104, hide);
    connect(hide, &HUDPopUpButton::activated, this, [this] { actionProc(104); });
    grid->addWidget(hide, row, 1);
    grid->setRowStretch(row + 1, 1);
}

void KeloRemoteContentEditorWindow::buildOutputBox() {
    auto* column = new QVBoxLayout(toMultiHeadControls_);
    auto* setup = new HUDButton(QStringLiteral("Set Up Multihead"), toMultiHeadControls_);
    tagged(39, setup);
    connect(setup, &HUDButton::clicked, this, [this] { actionProc(39); });
    column->addWidget(setup, 0, Qt::AlignLeft);
    column->addWidget(outputCaption_);
    toMultiheadWarpEditor_->setMinimumSize(240, 200);
    column->addWidget(toMultiheadWarpEditor_);
    column->addWidget(toVignette_);
}

// --- Tabs --------------------------------------------------------------------------

int KeloRemoteContentEditorWindow::selectedKindIdentifier() const {
    return tabIdentifier(tabView_, tabView_->currentIndex());
}

int KeloRemoteContentEditorWindow::selectedSubTabIdentifier() const {
    switch (selectedKindIdentifier()) {
        case 0: return tabIdentifier(modelInfoView_, modelInfoView_->currentIndex());
        case 1: return tabIdentifier(topoView_, topoView_->currentIndex());
        case 3: return tabIdentifier(projectionView_, projectionView_->currentIndex());
        default: return -1;
    }
}

QList<int> KeloRemoteContentEditorWindow::availableKindTabs() const {
    QList<int> ids;
    for (int i = 0; i < tabView_->count(); ++i)
        if (tabView_->isTabVisible(i)) ids << tabIdentifier(tabView_, i);
    return ids;
}

QList<int> KeloRemoteContentEditorWindow::availableProjectionTabs() const {
    QList<int> ids;
    for (int i = 0; i < projectionView_->count(); ++i)
        if (projectionView_->isTabVisible(i)) ids << tabIdentifier(projectionView_, i);
    return ids;
}

void KeloRemoteContentEditorWindow::selectTabWithIdentifier(int identifier) {
    // A sub-tab of the kind on show first: some identifiers are in two kinds.
    HUDTabView* current = selectedKindIdentifier() == 3   ? projectionView_
                          : selectedKindIdentifier() == 1 ? topoView_
                                                          : modelInfoView_;
    for (HUDTabView* tabs : {tabView_, current, modelInfoView_, topoView_, projectionView_})
        for (int i = 0; i < tabs->count(); ++i)
            if (tabIdentifier(tabs, i) == identifier && tabs->isTabVisible(i)) {
                if (tabs->currentIndex() == i)
                    tabChosen(identifier);
                else
                    tabs->setCurrentIndex(i);
                return;
            }
}

void KeloRemoteContentEditorWindow::setupTabViews() {
    const bool reduced = editor_.keloName().isEmpty() || editor_.isWren() || editor_.restricted();
    for (int i = 0; i < tabView_->count(); ++i)
        tabView_->setTabVisible(i, !reduced || tabIdentifier(tabView_, i) == 3);
    for (int i = 0; i < projectionView_->count(); ++i)
        projectionView_->setTabVisible(i, !reduced || tabIdentifier(projectionView_, i) == 108);
    if (reduced) {
        selectTabWithIdentifier(3);
        selectTabWithIdentifier(108);
    }
}

void KeloRemoteContentEditorWindow::setView(QWidget* view, QWidget* container) {
    if (!container || view->parentWidget() == container) {
        view->show();
        return;
    }
    container->layout()->addWidget(view);
    view->show();
}

void KeloRemoteContentEditorWindow::tabChosen(int identifier) {
    editView_ = nullptr;
    topoTex_->setPath(QString());
    topoTex_->setKeystone(false);
    topoTex_->setClient(2);
    const auto domain = [this](int d) {
        if (editor_.currentDomain() == d)
            editor_.reloadTab();
        else
            editor_.setCurrentDomain(d);
    };
    const auto page = [](HUDTabView* tabs) { return tabs->currentWidget(); };
    switch (identifier) {
        case 0:
            domain(0);
            setView(modelInfoView_, page(tabView_));
            tabChosen(selectedSubTabIdentifier());
            return;
        case 1:
            toVignette_->setPath(QStringLiteral("vign"));
            toVignette_->setClient(2);
            setView(toVignette_, topoTextureView_);
            domain(1);
            tabChosen(selectedSubTabIdentifier());
            return;
        case 2:
            domain(2);
            editView_ = vignetteView_;
            toVignette_->setPath(QString());
            toVignette_->setClient(2);
            setView(toVignette_, vignetteView_);
            setView(vignetteView_, page(tabView_));
            break;
        case 3:
            toVignette_->setPath(QStringLiteral("topo/vign"));
            toVignette_->setClient(1);
            setView(toVignette_, toMultiHeadControls_);
            domain(3);
            tabChosen(selectedSubTabIdentifier());
            return;
        case 100:
            setView(modelInfoView_, page(topoView_));
            tabChosen(tabIdentifier(modelInfoView_, modelInfoView_->currentIndex()));
            return;
        case 101: {
            HUDTabView* tabs = selectedKindIdentifier() == 3 ? projectionView_ : modelInfoView_;
            setView(toCameraControls_, page(tabs));
            editView_ = toCameraControls_;
            break;
        }
        case 102: editView_ = toModelInfoControls_; setView(editView_, page(modelInfoView_)); break;
        case 103: editView_ = toModelMotionsBox_; setView(editView_, page(modelInfoView_)); break;
        case 104: editView_ = toTopoGeneralBox_; setView(editView_, page(topoView_)); break;
        case 105: editView_ = toMeshBox_; setView(editView_, page(topoView_)); break;
        case 106: editView_ = toModelWarpBox_; setView(editView_, page(modelInfoView_)); break;
        case 108: editView_ = toMultiHeadControls_; setView(editView_, page(projectionView_)); break;
        case 109: editView_ = topoTextureView_; setView(editView_, page(topoView_)); break;
        default: break;
    }
    editor_.setTabIdentifiers(QString::number(tabIdentifier(projectionView_, projectionView_->currentIndex())),
                              QString::number(tabIdentifier(topoView_, topoView_->currentIndex())),
                              QString::number(tabIdentifier(modelInfoView_, modelInfoView_->currentIndex())));
    rescanCurrentItem();
}

// --- Showing the item ----------------------------------------------------------------

QString KeloRemoteContentEditorWindow::description() const {
    return descriptionLine_->text();
}

QStringList KeloRemoteContentEditorWindow::optionsTitles() const {
    QStringList titles;
    for (int i = 0; i < optionsMenu_->cell()->numberOfItems(); ++i)
        titles << optionsMenu_->cell()->itemAtIndex(i).title;
    return titles;
}

void KeloRemoteContentEditorWindow::setOptions(const KeloEditorMenuEntry* table) {
    if (table == currentMenuSpec_) return;
    currentMenuSpec_ = table;
    optionsMenu_->cell()->removeAllItems();
    optionsMenu_->setVisible(table && table->tag >= 0);
    if (!table) return;
    optionsMenu_->cell()->addItem(QStringLiteral("Options"));
    for (const KeloEditorMenuEntry* e = table; e->tag >= 0; ++e)
        optionsMenu_->cell()->addItem(QString::fromUtf8(e->title));
    optionsMenu_->update();
}

void KeloRemoteContentEditorWindow::displayPoint(const QVariant& text, const std::vector<int>& tags) {
    const QStringList parts = numbers(text);
    for (size_t i = 0; i < tags.size(); ++i)
        if (KeloJoystickControl* joy = joysticks_.value(tags[i]))
            joy->setFloatValueX(int(i) < parts.size() ? parts[int(i)].toFloat() : 0.0f);
}

void KeloRemoteContentEditorWindow::rescanCurrentItem() {
    const QVariantMap item = editor_.currentObject();
    const bool has = editor_.hasCurrentObject() && editor_.itemValid();
    const int domain = editor_.currentDomain();
    static const char* const kinds[] = {"Model Info", "Topography: ", "Vignette", "Projection"};
    QString line = QString::fromLatin1(kinds[domain]);
    if (domain == 1) {
        const QString type = item.value(QStringLiteral("type")).toString();
        line += type;
        static const QHash<QString, QString> meshLabels{
            {"mesh", "Mesh"}, {"multimodel", "Multi Model"}, {"alias", "Alias"}};
        if (meshLabels.contains(type))
            for (int i = 0; i < topoView_->count(); ++i)
                if (tabIdentifier(topoView_, i) == 105) {
                    topoView_->tabViewItem(i)->setLabel(meshLabels.value(type));
                    topoView_->setTabText(i, meshLabels.value(type));
                }
    }
    descriptionLine_->setText(line);
    if (editView_) editView_->setVisible(has);
    if (!nameField_->hasFocus()) nameField_->setText(item.value(QStringLiteral("name")).toString());

    const auto perKind = [domain]() -> const KeloEditorMenuEntry* {
        switch (domain) {
            case 0: return info_menu_x;
            case 1: return topo_menu_x;
            case 2: return vign_menu_x;
            default: return nullptr;
        }
    };
    const KeloEditorMenuEntry* table = perKind();
    if (editView_ == toCameraControls_) {
        const QString path = editor_.cameraPath(QStringLiteral("camera"));
        toCameraControls_->setVisible(has && !path.isEmpty());
        const auto at = [this](const char* key) {
            return editor_.valueAtPath(editor_.cameraPath(QString::fromLatin1(key)));
        };
        displayPoint(at("fov"), {11});
        displayPoint(at("up"), {12});
        displayPoint(at("astig"), {13});
        displayPoint(at("lookat"), {14, 15, 16});
        displayPoint(at("camera"), {17, 18, 19});
        displayPoint(at("offset"), {22, 23});
        displayPoint(at("shear"), {24, 25});
        const QStringList eye = numbers(at("camera"));
        const QPointF orbit = KeloRemoteContentEditor::orbitForEye(eye.value(0).toDouble(), eye.value(2).toDouble());
        joysticks_[20]->setFloatValueX(float(orbit.x()));
        joysticks_[21]->setFloatValueX(float(orbit.y()));
        static_cast<HUDButton*>(controls_[26])->setState(at("ortho").toString().toInt() ? kCellOnState : kCellOffState);
        static_cast<HUDButton*>(controls_[27])->setState(at("xy_link").isValid() ? kCellOnState : kCellOffState);
        table = domain == 3 ? camera_menu : modelMatrix_menu;
    } else if (editView_ == toModelInfoControls_) {
        const auto info = [this](const char* key) {
            return editor_.valueAtPath(editor_.modelInfoPath(QString::fromLatin1(key)));
        };
        static_cast<HUDTextField*>(controls_[103])->setText(info("mask").toString());
        static_cast<HUDButton*>(controls_[99])->setState(info("emissive").toString().toInt() ? kCellOnState : kCellOffState);
        static_cast<HUDButton*>(controls_[100])->setState(info("fixed").toString().toInt() ? kCellOnState : kCellOffState);
        static_cast<HUDButton*>(controls_[101])->setState(editor_.noDepth() ? kCellOnState : kCellOffState);
        const int hide = info("hide").toString().toInt();
        static_cast<HUDPopUpButton*>(controls_[104])->setCurrentIndex(hide >= 0 && hide <= 2 ? hide : 0);
        table = info_menu;
    } else if (editView_ == toTopoGeneralBox_ || editView_ == topoTextureView_) {
        displayPoint(item.value("position"), {56, 57, 58});
        displayPoint(item.value("size"), {53, 54, 55});
        displayPoint(item.value("rotate"), {59, 60, 61});
        displayPoint(item.value("angle"), {62, 63});
        displayPoint(item.value("hole"), {64});
        displayPoint(item.value("sagitta"), {69, 70});
        displayPoint(item.value("lune"), {65, 66});
        displayPoint(item.value("zone"), {67, 68});
        static_cast<HUDButton*>(controls_[71])->setState(item.value("vertical").toString().toInt() ? kCellOnState : kCellOffState);
        static_cast<HUDPopUpButton*>(controls_[72])->setCurrentIndex(item.value("origin").toString().toInt());
        topoTex_->loadFromDictionary(has ? std::optional<QVariantMap>(item) : std::nullopt);
        const QVariant vign = item.value("vign");
        toVignette_->loadFromDictionary(vign.typeId() == QMetaType::QVariantMap
                                            ? std::optional<QVariantMap>(vign.toMap())
                                            : std::nullopt);
        table = editView_ == toTopoGeneralBox_ ? topo_menu_geometry : topo_menu_texture;
    } else if (editView_ == toMultiHeadControls_) {
        controls_[39]->setEnabled(item.value("is_mix").toString().toInt() != 0);
        const QVariantList outputs = item.value("multihead").toList();
        if (!outputs.isEmpty()) {
            const QVariantMap output = outputs.first().toMap();
            const QVariantMap topo = output.value("topo").toMap();
            topoTex_->loadFromDictionary(topo);
            const QVariant vign = topo.value("vign");
            toVignette_->loadFromDictionary(vign.typeId() == QMetaType::QVariantMap
                                                ? std::optional<QVariantMap>(vign.toMap())
                                                : std::nullopt);
            const QVariant warp = output.value("modelinfo").toMap().value("warp");
            toMultiheadWarpEditor_->setVisible(warp.typeId() == QMetaType::QVariantMap);
            toMultiheadWarpEditor_->setCols(3);
            toMultiheadWarpEditor_->setRows(3);
            if (warp.typeId() == QMetaType::QVariantMap) toMultiheadWarpEditor_->setDictionary(warp.toMap());
            const QStringList mix = numbers(item.value("mix_size"));
            outputCaption_->setText(QString::asprintf("%s\n%d x %d", qPrintable(output.value("name").toString()),
                                                      mix.value(0).trimmed().toInt(), mix.value(1).trimmed().toInt()));
            table = outputSetup_menu;
        } else {
            topoTex_->loadFromDictionary(std::nullopt);
            toVignette_->loadFromDictionary(std::nullopt);
            outputCaption_->clear();
            toMultiheadWarpEditor_->hide();
        }
    } else if (editView_ == toModelWarpBox_) {
        const QVariant warp = editor_.valueAtPath(editor_.modelInfoPath(QStringLiteral("warp")));
        toModelWarpEditor_->setVisible(warp.typeId() == QMetaType::QVariantMap);
        toModelWarpEditor_->setCols(3);
        toModelWarpEditor_->setRows(3);
        if (warp.typeId() == QMetaType::QVariantMap) toModelWarpEditor_->setDictionary(warp.toMap());
        table = warp_menu;
    } else if (editView_ == vignetteView_) {
        toVignette_->loadFromDictionary(has ? std::optional<QVariantMap>(item) : std::nullopt);
        table = vign_menu;
    } else if (editView_ == toMeshBox_) {
        const QString type = item.value("type").toString();
        const bool models = type == QLatin1String("alias") || type == QLatin1String("multimodel");
        toModelMeshEditor_->setVisible(!models);
        toTopoModels_->setVisible(models);
        if (models) {
            reloadModelTable();
        } else {
            const QStringList size = numbers(item.value("meshsize"));
            toModelMeshEditor_->setCols(size.value(0).toInt() + 1);
            toModelMeshEditor_->setRows(size.value(1).toInt() + 1);
            toModelMeshEditor_->setDictionary(item.value("mesh").toMap());
        }
        table = mesh_menu;
    } else if (editView_ == toModelMotionsBox_) {
        showMotions();
    }
    setOptions(table);
}

void KeloRemoteContentEditorWindow::windowTitleChanged(const QString& title) {
    setWindowTitle(title);
}

void KeloRemoteContentEditorWindow::showWindow(bool visible) {
    setVisible(visible);
}

void KeloRemoteContentEditorWindow::itemListChanged(int row) {
    showing_ = true;
    const QStringList items = editor_.listItems();
    if (itemList_->count() != items.size() ||
        [&] {
            for (int i = 0; i < items.size(); ++i)
                if (itemList_->item(i)->text() != items[i]) return true;
            return false;
        }()) {
        itemList_->clear();
        itemList_->addItems(items);
    }
    itemList_->setCurrentRow(row);
    if (row >= 0) itemList_->scrollToItem(itemList_->item(row));
    showing_ = false;
}

void KeloRemoteContentEditorWindow::updateTextField(const QString& text) {
    textField_->setString(text);
}

void KeloRemoteContentEditorWindow::showAlert(const QString& message, const QString& informative) {
    auto* box = new KeloAlert(KeloAlert::kWarning, message, informative, {QStringLiteral("OK")}, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void KeloRemoteContentEditorWindow::closeEvent(QCloseEvent* event) {
    editor_.setVisible(false);
    event->accept();
}

// --- The model table of alias and multimodel topographies ---------------------------

void KeloRemoteContentEditorWindow::buildModelTable() {
    toTopoModels_ = new HUDTableView(toMeshBox_);
    topoModels_ = new QStandardItemModel(0, 1, toTopoModels_);
    topoModels_->setHorizontalHeaderLabels({QStringLiteral("Model")});
    toTopoModels_->setModel(topoModels_);
    toTopoModels_->setDataCell(0, std::make_unique<KeloTextEntryCell>());
    toTopoModels_->horizontalHeader()->setStretchLastSection(true);
    toTopoModels_->verticalHeader()->hide();
    toTopoModels_->setGeometry(10, 10, 220, 240);
    toTopoModels_->hide();
    connect(topoModels_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* cell) {
        if (loadingModels_) return;
        editor_.setModelTableValue(cell->row(), cell->text());
        // Refused texts go too: the table shows the item as it stands.
        QMetaObject::invokeMethod(
            this, [this] { reloadModelTable(); }, Qt::QueuedConnection);
    });
}

void KeloRemoteContentEditorWindow::reloadModelTable() {
    loadingModels_ = true;
    const int rows = editor_.modelTableRowCount();
    topoModels_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        auto* cell = new QStandardItem(editor_.modelTableValue(row));
        cell->setEditable(true);
        topoModels_->setItem(row, 0, cell);
    }
    loadingModels_ = false;
}

QString KeloRemoteContentEditorWindow::meshTabLabel() const {
    for (int i = 0; i < topoView_->count(); ++i)
        if (tabIdentifier(topoView_, i) == 105) return topoView_->tabViewItem(i)->label();
    return {};
}

// --- Actions ---------------------------------------------------------------------

void KeloRemoteContentEditorWindow::sendAndShow() {
    editor_.sendItem(false);
    rescanCurrentItem();
}

void KeloRemoteContentEditorWindow::editTopOrModelInfo(const QString& key, const QVariant& value) {
    editor_.setValueAtPath(editor_.modelInfoPath(key), value);
    sendAndShow();
}

void KeloRemoteContentEditorWindow::actionProc(int tag) {
    QVariantMap item = editor_.currentObject();
    const int domain = editor_.currentDomain();
    const auto state = [this](int t) {
        auto* b = qobject_cast<HUDButton*>(controls_.value(t));
        return b && b->state() != kCellOffState;
    };
    const auto setItem = [this](const QVariantMap& changed) {
        editor_.setCurrentObject(changed);
        sendAndShow();
    };
    // The motions box; its keyed fields (119) tell themselves apart.
    if (tag >= 111 && tag <= 129 && tag != 119) {
        motionAction(tag, controls_.value(tag));
        return;
    }
    switch (tag) {
        case 1: {
            const QString text = textField_->toPlainText();
            if (text.isEmpty()) return;
            const QVariant parsed = PropertyList::read(text.toUtf8());
            if (parsed.typeId() != QMetaType::QVariantMap) return;
            editor_.setCurrentObject(parsed);
            editor_.setItemValid(true);
            sendAndShow();
            return;
        }
        case 6:
            // The whole text is the name: a comma belongs to it.
            if (nameField_->text() == item.value("name").toString()) return;
            editor_.setValueAtPath(QStringLiteral("name"), nameField_->text().isEmpty()
                                                               ? QVariant()
                                                               : QVariant(nameField_->text()));
            sendAndShow();
            return;
        case 3:
        case 4:
            showMeshFields(tag);
            return;
        case 7:
            editor_.setRevertPoint(item);
            return;
        case 8:
            editor_.revert();
            return;
        case 26:
            editor_.setEditValue(state(26) ? QStringLiteral("1") : QStringLiteral("0"), 0,
                                 QStringLiteral("camera/ortho"), QStringLiteral("0"));
            sendAndShow();
            return;
        case 27:
            editor_.setXYLink(state(27));
            rescanCurrentItem();
            return;
        case 28: case 29: case 30: case 31: {
            const QString path = domain == 3 || item.contains("camera") ? QStringLiteral("camera")
                                                                       : editor_.modelInfoPath(QStringLiteral("camera"));
            if (tag == 30) {
                copiedCamera_ = editor_.valueAtPath(path).toMap();
                return;
            }
            const QVariantMap fresh{{"camera", "0,0,10"}, {"lookat", "0,0,0"}, {"fov", "25"}, {"up", "0"}, {"astig", "0"}};
            editor_.setValueAtPath(path, tag == 28 ? QVariant() : QVariant(tag == 29 ? fresh : copiedCamera_));
            sendAndShow();
            return;
        }
        case 39:
            editor_.setupMultihead();
            editor_.setItemValid(true);
            rescanCurrentItem();
            return;
        case 42: case 43: case 44: case 45: case 46: {
            QVariantList outputs = item.value("multihead").toList();
            if (outputs.isEmpty()) return;
            QVariantMap output = outputs.first().toMap();
            QVariantMap info = output.value("modelinfo").toMap();
            if (tag == 44) {
                copiedWarp_ = info.value("warp").toMap();
                return;
            }
            if (tag == 42) info.insert("warp", toMultiheadWarpEditor_->dictionary());
            if (tag == 43) info = QVariantMap{{"warp", QVariantMap{{"fivepoint", "1"}}}};
            if (tag == 45) info = QVariantMap{{"warp", copiedWarp_}};
            if (tag == 46)
                output.remove("modelinfo");
            else
                output.insert("modelinfo", info);
            outputs[0] = output;
            item.insert("multihead", outputs);
            setItem(item);
            return;
        }
        case 47:
            item.remove("multihead");
            setItem(item);
            return;
        case 48: case 49: {
            const int client = toVignette_->client();
            const bool done = editPanelTarget(
                item, client, client == 1 ? QStringLiteral("topo") : QString(), [&](QVariantMap& d) {
                    if (tag == 49) return d.remove(QStringLiteral("vign")) > 0;
                    QVariantMap vign = VignetteControl::defaultDictionary();
                    if (item.contains("mix_size")) vign.insert("scale", item.value("mix_size"));
                    d.insert(QStringLiteral("vign"), vign);
                    return true;
                });
            if (done) setItem(item);
            return;
        }
        case 71:
            editor_.setValueAtPath(QStringLiteral("vertical"), state(71) ? QStringLiteral("1") : QStringLiteral("0"));
            sendAndShow();
            return;
        case 72:
            editor_.setValueAtPath(QStringLiteral("origin"),
                                   QString::number(static_cast<HUDPopUpButton*>(controls_[72])->currentIndex()));
            sendAndShow();
            return;
        case 73:
            copiedTopography_ = item;
            return;
        case 74:
            if (!copiedTopography_.isEmpty()) setItem(copiedTopography_);
            return;
        case 75:
            newItemChosen(2);
            return;
        case 83:
            editTopOrModelInfo(QStringLiteral("warp"), toModelWarpEditor_->dictionary());
            return;
        case 84:
            editor_.setValueAtPath(QStringLiteral("mesh"), toModelMeshEditor_->dictionary());
            editor_.sendItem(false);
            return;
        case 86: case 87: case 88: case 89: {
            const QString path = editor_.modelInfoPath(QStringLiteral("warp"));
            if (tag == 87) {
                copiedWarp_ = editor_.valueAtPath(path).toMap();
                return;
            }
            if (tag == 89)
                editor_.setValueAtPath(path, QVariant());
            else
                editor_.setValueAtPath(path, tag == 86 ? QVariantMap{{"fivepoint", "1"}} : copiedWarp_);
            sendAndShow();
            return;
        }
        case 92: case 93: {
            const bool texture = tag == 92;
            const int client = texture ? topoTex_->client() : toVignette_->client();
            const QString path = texture ? topoTex_->path() : toVignette_->path();
            const bool changed = editPanelTarget(item, client, path, [&](QVariantMap& d) {
                return texture ? topoTex_->updateDictionary(d) : toVignette_->updateDictionary(d);
            });
            if (changed) setItem(item);
            return;
        }
        case 94:
            copiedVignette_ = item;
            return;
        case 95:
            if (!copiedVignette_.isEmpty()) setItem(copiedVignette_);
            return;
        case 96:
            newItemChosen(3);
            return;
        case 99: case 100:
            editTopOrModelInfo(tag == 99 ? QStringLiteral("emissive") : QStringLiteral("fixed"),
                               state(tag) ? QStringLiteral("1") : QStringLiteral("0"));
            return;
        case 101:
            editor_.setNoDepth(state(101));
            sendAndShow();
            return;
        case 103:
            editor_.setMask(static_cast<HUDTextField*>(controls_[103])->text());
            sendAndShow();
            return;
        case 104:
            editTopOrModelInfo(QStringLiteral("hide"),
                               QString::number(static_cast<HUDPopUpButton*>(controls_[104])->currentIndex()));
            return;
        case 105:
            newItemChosen(1);
            return;
        case 106:
            copiedModelInfo_ = domain == 0 ? item : item.value("modelinfo").toMap();
            return;
        case 107: case 108:
            if (domain == 0) {
                setItem(tag == 107 ? copiedModelInfo_ : QVariantMap());
            } else {
                if (tag == 107) item.insert("modelinfo", copiedModelInfo_);
                else item.remove("modelinfo");
                setItem(item);
            }
            return;
        case 131: case 132: case 133: case 134: case 135: case 136: {
            static QVariantMap copiedGeometry, copiedTexture;
            const bool geometry = tag <= 133;
            const QStringList& keys = geometry ? kGeometryKeys : kTextureKeys;
            QVariantMap& clip = geometry ? copiedGeometry : copiedTexture;
            const int op = geometry ? tag - 131 : tag - 134;
            if (op == 0) {
                clip.clear();
                for (const QString& k : keys)
                    if (item.contains(k)) clip.insert(k, item.value(k));
                return;
            }
            for (const QString& k : keys) {
                if (op == 2 && k == QLatin1String("type")) continue;
                if (op == 1 && clip.contains(k))
                    item.insert(k, clip.value(k));
                else
                    item.remove(k);
            }
            setItem(item);
            return;
        }
        case 137:
            copiedVignette_ = item.value("vign").toMap();
            return;
        case 138:
            item.insert("vign", copiedVignette_);
            setItem(item);
            return;
        default:
            kelo::printf("actionProc %d\n", tag);
            return;
    }
}

void KeloRemoteContentEditorWindow::observeValue(int tag, double value) {
    const QString text = QString::number(value, 'f', 3);
    if (tag >= 14 && tag <= 18 && tag != 16) {
        // x and y of the look-at and eye keep the X/Y link.
        const bool eye = tag >= 17;
        editor_.moveCameraAxis(eye, (tag - 14) % 3, value);
        rescanCurrentItem();
        return;
    }
    if (tag == 20 || tag == 21) {
        editor_.setOrbit(joysticks_[20]->floatX(), joysticks_[21]->floatX());
        rescanCurrentItem();
        return;
    }
    const JogTarget target = jogTarget(tag);
    if (!target.path) {
        kelo::printf("KVO: %d %0.3f\n", tag, value);
        editor_.sendItem(false);
        return;
    }
    editor_.setEditValue(text, target.index, QString::fromLatin1(target.path),
                         QString::fromLatin1(target.initial));
    editor_.sendItem(false);
    if (tag == 19) rescanCurrentItem();
}
