#include "support/HudGalleryTour.h"

#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDSegmentedCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDColorWell.h"
#include "hud/controls/HUDComboBox.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/controls/HUDSearchField.h"
#include "hud/controls/HUDSegmentedControl.h"
#include "hud/controls/HUDSlider.h"
#include "hud/controls/HUDStepper.h"
#include "hud/controls/HUDTextField.h"
#include "hud/controls/VEditableTextField.h"
#include "hud/views/HUDBox.h"
#include "hud/views/HUDOutlineView.h"
#include "hud/views/HUDScrollView.h"
#include "hud/views/HUDTabView.h"
#include "hud/views/HUDTableView.h"
#include "hud/views/HUDView.h"
#include "hud/views/KlAccordionView.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/VSeparableController.h"

#include <QLabel>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QVBoxLayout>

HudGalleryTour::HudGalleryTour(QWidget* parent) : HUDThemeKeloWindow(parent) {
    setWindowTitle(QStringLiteral("HUD kit tour"));
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The page chooser, itself a HUD pop-up.
    auto* chooser = new HUDPopUpButton(this);
    chooser->setFixedHeight(24);
    layout->addWidget(chooser);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);
    buildButtons();
    buildTextFields();
    buildSliders();
    buildPopUps();
    buildTables();
    buildScrollers();
    buildBoxes();
    buildSearch();
    buildAccordion();
    buildTabView();
    buildSeparablePanel();
    buildOverlayPage();
    for (const Page& page : list_) chooser->addItems({page.name});
    connect(chooser, &HUDPopUpButton::currentIndexChanged, this, [this](int index) {
        if (index >= 0) showPage(index);
    });
}

HudGalleryTour::~HudGalleryTour() {
    if (overlay_) overlay_->dismiss();
}

int HudGalleryTour::pageCount() const {
    return int(list_.size());
}

QString HudGalleryTour::pageName(int index) const {
    return list_.at(index).name;
}

QWidget* HudGalleryTour::page(int index) const {
    return list_.at(index).widget;
}

QList<QWidget*> HudGalleryTour::controls(int index) const {
    return list_.at(index).controls;
}

void HudGalleryTour::showPage(int index) {
    pages_->setCurrentIndex(index);
    setWindowTitle(QStringLiteral("HUD kit tour: %1").arg(pageName(index)));
    if (list_.at(index).name == QStringLiteral("overlay message") && !overlay_) {
        overlay_ = OverlayView::addOverlayViewWithTitle(
            QStringLiteral("The clip \"Intro\" is missing on 2 servers."), overlayAnchor_);
        if (overlay_) {
            overlay_->setShowsSuppressionButton(true);
            overlay_->addOkButton();
        }
    }
}

HudGalleryTour::Page& HudGalleryTour::addPage(const QString& name) {
    auto* view = new HUDView;
    pages_->addWidget(view);
    list_.append({name, view, {}});
    return list_.last();
}

void HudGalleryTour::buildButtons() {
    Page& page = addPage(QStringLiteral("buttons"));
    const struct {
        const char* title;
        int style;
        int bits;
    } kinds[] = {
        {"Rounded", kRoundedBezelStyle, 0},
        {"Textured", kTexturedRoundedBezelStyle, 0},
        {"Round rect", kRoundRectBezelStyle, 0},
        {"Small square", kSmallSquareBezelStyle, 0},
        {"Check box", kRoundedBezelStyle, kHUDCheckBox},
        {"Radio", kRoundedBezelStyle, kHUDRadioButton},
    };
    int y = 20;
    for (const auto& kind : kinds) {
        auto* button = new HUDButton(QString::fromLatin1(kind.title), page.widget);
        button->cell()->setBezelStyle(kind.style);
        if (kind.bits) button->cell()->setBGButtonType(kind.bits);
        button->setGeometry(20, y, 160, 28);
        page.controls.append(button);
        y += 40;
    }
}

void HudGalleryTour::buildTextFields() {
    Page& page = addPage(QStringLiteral("text and number fields"));
    auto* field = new HUDTextField(page.widget);
    field->setEditable(true);
    field->setStringValue(QStringLiteral("Stage left"));
    field->setGeometry(20, 20, 200, 24);
    auto* number = new VEditableTextField(page.widget);
    number->setStringValue(QStringLiteral("7/2"));
    number->setUsesArithmetic(true);
    number->setDrawsBorder(true);
    number->setGeometry(20, 60, 100, 24);
    auto* label = new HUDTextField(page.widget);
    label->setStringValue(QStringLiteral("A plain label"));
    label->setGeometry(20, 100, 200, 20);
    page.controls << field << number << label;
}

void HudGalleryTour::buildSliders() {
    Page& page = addPage(QStringLiteral("sliders and steppers"));
    auto* slider = new HUDSlider(Qt::Horizontal, page.widget);
    slider->setRange(0, 100);
    slider->setValue(40);
    slider->setGeometry(20, 20, 240, 24);
    auto* vertical = new HUDSlider(Qt::Vertical, page.widget);
    vertical->setRange(0, 100);
    vertical->setValue(70);
    vertical->setGeometry(300, 20, 24, 160);
    auto* stepper = new HUDStepper(page.widget);
    stepper->setGeometry(20, 70, 19, 27);
    page.controls << slider << vertical << stepper;
}

void HudGalleryTour::buildPopUps() {
    Page& page = addPage(QStringLiteral("pop-ups and segmented controls"));
    auto* popUp = new HUDPopUpButton(page.widget);
    popUp->addItems({QStringLiteral("Layer 1"), QStringLiteral("Layer 2")});
    popUp->setCurrentIndex(1);
    popUp->setGeometry(20, 20, 180, 24);
    auto* segments = new HUDSegmentedControl(page.widget);
    segments->cell()->setSegmentCount(3);
    for (int i = 0; i < 3; ++i) segments->cell()->setLabel(QStringLiteral("Mix %1").arg(i + 1), i);
    segments->setSelectedSegment(1);
    segments->setGeometry(20, 70, 240, 26);
    page.controls << popUp << segments;
}

void HudGalleryTour::buildTables() {
    Page& page = addPage(QStringLiteral("tables and outlines"));
    auto* table = new HUDTableView(page.widget);
    auto* model = new QStandardItemModel(4, 2, table);
    model->setHorizontalHeaderLabels({QStringLiteral("Server"), QStringLiteral("State")});
    for (int r = 0; r < 4; ++r) {
        model->setData(model->index(r, 0), QStringLiteral("Kelo %1").arg(r + 1));
        model->setData(model->index(r, 1),
                       r % 2 ? QStringLiteral("Playing") : QStringLiteral("Idle"));
    }
    table->setModel(model);
    table->setAlternatingRowColors(true);
    table->selectRow(1);
    table->setGeometry(20, 20, 280, 180);
    auto* outline = new HUDOutlineView(page.widget);
    outline->setModel(new QStandardItemModel(0, 1, outline));
    outline->setAlternatingRowColors(true);
    outline->setGeometry(320, 20, 280, 180);
    page.controls << table << outline;
}

void HudGalleryTour::buildScrollers() {
    Page& page = addPage(QStringLiteral("scrollers"));
    auto* scroll = new HUDScrollView(page.widget);
    auto* document = new QLabel;
    document->setFixedSize(600, 600);
    scroll->setWidget(document);
    scroll->setGeometry(20, 20, 260, 200);
    page.controls << scroll;
}

void HudGalleryTour::buildBoxes() {
    Page& page = addPage(QStringLiteral("box, well and progress"));
    auto* box = new HUDBox(page.widget);
    box->setTitle(QStringLiteral("Outputs"));
    box->setGeometry(20, 20, 240, 140);
    auto* well = new HUDColorWell(page.widget);
    well->setColor(QColor(250, 140, 20));
    well->setGeometry(300, 20, 44, 24);
    auto* progress = new HUDProgressIndicator(page.widget);
    progress->setMinValue(0);
    progress->setMaxValue(1);
    progress->setDoubleValue(0.6);
    progress->setGeometry(20, 190, 300, 16);
    page.controls << box << well << progress;
}

void HudGalleryTour::buildSearch() {
    Page& page = addPage(QStringLiteral("search and combo fields"));
    auto* search = new HUDSearchField(page.widget);
    search->setGeometry(20, 20, 220, 22);
    auto* combo = new HUDComboBox(page.widget);
    combo->setGeometry(20, 60, 220, 24);
    page.controls << search << combo;
}

void HudGalleryTour::buildAccordion() {
    Page& page = addPage(QStringLiteral("accordion"));
    auto* accordion = new KlAccordionView(page.widget);
    accordion->setGeometry(20, 20, 260, 300);
    accordion->setContentView(new HUDView);
    accordion->addItemWithTitle(QStringLiteral("Layers"), 1);
    accordion->addItemWithTitle(QStringLiteral("Effects"), 2);
    accordion->addItemWithTitle(QStringLiteral("Outputs"), 3);
    accordion->selectItemWithTag(2);
    page.controls << accordion;
}

void HudGalleryTour::buildTabView() {
    Page& page = addPage(QStringLiteral("tab view"));
    auto* tabs = new HUDTabView(page.widget);
    tabs->setBackgroundColor(QColor(40, 40, 40));
    for (const char* name : {"Status", "Content", "Outputs"}) {
        tabs->addTabViewItem(std::make_unique<HUDTabViewItem>(QString::fromLatin1(name)),
                             new QWidget);
    }
    tabs->setGeometry(20, 20, 400, 240);
    page.controls << tabs;
}

void HudGalleryTour::buildSeparablePanel() {
    Page& page = addPage(QStringLiteral("separable panel"));
    panel_ = VSeparableController::create();
    panel_->setHeaderTitleString(QStringLiteral("Pixel Map"));
    panel_->showInRootView(page.widget, QPoint(20, 20));
    auto* fixtures = new HUDTableView;
    auto* model = new QStandardItemModel(3, 2, fixtures);
    model->setHorizontalHeaderLabels({QStringLiteral("Fixture"), QStringLiteral("Address")});
    for (int r = 0; r < 3; ++r) {
        model->setData(model->index(r, 0), QStringLiteral("Wash %1").arg(r + 1));
        model->setData(model->index(r, 1), 1 + 16 * r);
    }
    fixtures->setModel(model);
    fixtures->setAlternatingRowColors(true);
    panel_->addContentView(fixtures, kResizeWidthSizable | kResizeHeightSizable);
    page.controls << panel_->getBaseView();
}

void HudGalleryTour::buildOverlayPage() {
    // The bubble is a window of its own; the page only holds what it points at.
    Page& page = addPage(QStringLiteral("overlay message"));
    overlayAnchor_ = new HUDView(page.widget);
    overlayAnchor_->setGeometry(20, 20, 200, 60);
}
