#include "content/ContentUIPanel.h"

#include "content/ContentAccordionItem.h"
#include "content/ContentCollectionCell.h"
#include "content/ContentDefaults.h"
#include "content/ContentDesktopServices.h"
#include "content/ContentFileDetail.h"
#include "content/ContentFileStatusCell.h"
#include "content/ContentSyncCell.h"
#include "content/ContentTableView.h"
#include "content/ContentUI.h"
#include "content/KeloContentAnalyser.h"
#include "content/KeloContentID.h"
#include "content/RemoteFileManager.h"
#include "content/SimpleRemoteDelegate.h"
#include "content/keloRootPath.h"
#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilCategory.h"
#include "graphics/StretchImage.h"
#include "hud/cells/KeloTextFieldCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDProgressIndicator.h"
#include "hud/controls/HUDSegmentedControl.h"
#include "hud/controls/HUDTextField.h"
#include "hud/controls/VNSControlCategory.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/views/KlAccordionView.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/ToolTipWindowProtocol.h"
#include "hud/windows/VSeparableController.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/ServerLinkNotifications.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr char kThumbRequests[] = ".ThumbRequests";
constexpr char kLogSlowest[] = "logSlowest";
constexpr char kShowTurtle[] = "showTurtle";
constexpr char kPilotBundle[] = "com.OMBREL.KeloPilot";
constexpr char kPilotProgram[] = "KeloPilot";
constexpr char kPilotDownload[] = "https://www.ombrel.com/kelo-pilot";
constexpr int kMaxThumbsInFlight = 5;
constexpr double kThumbTimeout = 7.0;
constexpr int kRemoteRescanCommand = 242;
constexpr int kMetadataType = 3;

const QStringList kFolderTitles = {"Sync", "Ident", "#", "Name", "Files"};
const QStringList kFileTitles = {"Status", "Sync", "#",        "Name", "Ext",
                                 "Res",    "Codec", "Modified", "Size"};
const QStringList kHistoryTitles = {"Ended", "Transfer"};

// Issue bits with their texts; true: shown in yellow.
struct IssueText {
    int bit;
    const char* text;
    bool yellow;
};
const IssueText kIssueTexts[] = {
    {0x2000, "disk extra_volumes not found", true},
    {0x1000, "?", false},
    {0x0800, "disk space is low", true},
    {0x0400, "?", false},
    {0x0200, "permissions not writable", true},
    {0x0100, "file has conflict", true},
    {0x0080, "file not found", false},
    {0x0040, "file has conflict on master", true},
    {0x0020, "file name differs", false},
    {0x0010, "folder name differs", false},
    {0x0008, "file length differs", false},
    {0x0004, "file is older", false},
    {0x0002, "file is newer", false},
    {0x0001, "file not found", false},
};

int issueBitsOf(const QVariant& entry) {
    return entry.toString().section(' ', 0, 0).toInt();
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

QColor markingColour() {
    static const QColor colour = QColor::fromRgbF(0.6804f, 0.53298f, 0.35532f, 1.0f);
    return colour;
}

// The Content tab's header line.
class CollectionHeaderWidget : public QWidget {
public:
    explicit CollectionHeaderWidget(QWidget* parent) : QWidget(parent) { setFixedHeight(18); }
    ContentCollectionCell cell;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        cell.setFont(font());
        cell.drawInteriorWithFrame(painter, QRectF(rect()).adjusted(4, 1, 0, 0), this);
    }
};

// The companion program's preferences; empty when unreadable.
QVariantMap readPreferences(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return PropertyList::read(file.readAll()).toMap();
}

}  // namespace

class ContentCollectionHeader : public CollectionHeaderWidget {
public:
    using CollectionHeaderWidget::CollectionHeaderWidget;
};

void ContentDesktopServices::postRemoteContentID(uint32_t contentID) {
    OmLogNoFlood(kOmLogInfo, "[Content] RemoteContentID %u\n", contentID);
}

void ContentDesktopServices::revealInFileManager(const QList<QUrl>& urls) {
    for (const QUrl& url : urls)
        OmLogNoFlood(kOmLogInfo, "[Content] reveal %s\n", qPrintable(url.toString()));
}

// --- Set-up ---------------------------------------------------------------------------

ContentUIPanel::ContentUIPanel() : ContentUIPanel(Options()) {}

ContentUIPanel::ContentUIPanel(const Options& options) : options_(options) {
    const QVariantMap& settings = ui().masterSettings();
    logSlowest_ = settings.value(kLogSlowest).toBool();
    showTurtle_ = settings.value(kShowTurtle).toBool();
    KeloTextFieldCell::setLogSlowest(logSlowest_);
    buildPage();
    // Waits for the servers' shares show their overlay over the tab.
    fileManagerDelegate_ = std::make_unique<SimpleRemoteDelegate>(page(), network());
    fileManagerDelegate_->setKlLogUI(klLogUI_);
    observeModel();
    if (options_.timer) {
        timer_ = new QTimer(this);
        timer_->setInterval(100);
        connect(timer_, &QTimer::timeout, this, &ContentUIPanel::tick);
        timer_->start();
    }
}

ContentUIPanel::~ContentUIPanel() {
    observers_.clear();
    warnContentFileDetail_.reset();
    fileManagerDelegate_.reset();
    controller_.reset();
}

ContentUI& ContentUIPanel::ui() const {
    return options_.ui ? *options_.ui : *ContentUI::instance();
}

KlE_Control_Status* ContentUIPanel::network() const {
    return options_.network ? options_.network : KlE_Control_Status::defaultObject();
}

KeloContentAnalyser* ContentUIPanel::analyser() const {
    return options_.analyser ? options_.analyser : KeloContentAnalyser::defaultAnalyser();
}

double ContentUIPanel::now() const {
    return options_.clock ? options_.clock() : KeloObject::now();
}

ContentCollection* ContentUIPanel::collection() const {
    return ui().contentCollection(ui().collectionID());
}

ContentAnalysis* ContentUIPanel::analysis() const {
    ContentCollection* c = collection();
    return c ? c->analysis.get() : nullptr;
}

QString ContentUIPanel::selectedMemberName() const {
    ContentAnalysis* a = analysis();
    return a && a->selectedMember ? a->selectedMember->name : QString();
}

QString ContentUIPanel::screenName(const QString& name) const {
    return ContentUI::services().screenNameForKeloWithName(name);
}

QString ContentUIPanel::collectionLetter() const {
    return collectionIdToString(ContentUI::services().currentSelectedCollectionID());
}

KeloObject* ContentUIPanel::kelo(const QString& name) const {
    KlE_Control_Status* net = network();
    return net && !name.isEmpty() ? net->keloObjectForName(name) : nullptr;
}

bool ContentUIPanel::isWatchedKey(const QString& key) const {
    return !key.isEmpty() && ui().watchedMediaFolderArray().contains(key);
}

QWidget* ContentUIPanel::page() const {
    return controller_ ? controller_->getBaseView() : nullptr;
}

ContentFileDetail* ContentUIPanel::contentFileDetail() const {
    return contentFileDetail_;
}

HUDButton* ContentUIPanel::scanButton() const {
    return toScanAllServers_;
}

HUDTextField* ContentUIPanel::folderField(const QString& name) const {
    const auto it = folderFields_.find(name);
    return it == folderFields_.end() ? nullptr : it->second;
}

void ContentUIPanel::buildPage() {
    controller_ = VSeparableController::create();
    controller_->setIsInsetView();
    controller_->setHeaderTitleString(QStringLiteral("Content"));
    auto* content = new QWidget;
    content->setObjectName("ContentUI");
    content_ = content;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    auto* top = new QHBoxLayout;
    header_ = new ContentCollectionHeader(content);
    top->addWidget(header_, 1);
    toRefresh_ = new HUDButton("Refresh", content);
    connect(toRefresh_, &QAbstractButton::clicked, this, [this] { refreshButtonClicked(); });
    top->addWidget(toRefresh_);
    toLogButton_ = new HUDButton("Log", content);
    toLogButton_->setToolTip("show or hide the transfer history");
    top->addWidget(toLogButton_);
    column->addLayout(top);

    toSplitView_ = new QSplitter(Qt::Vertical, content);
    toSplitView_->setChildrenCollapsible(false);
    column->addWidget(toSplitView_, 1);

    auto* tables = new QSplitter(Qt::Horizontal, toSplitView_);
    auto* left = new QWidget(tables);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    toFolderAccordion_ = new KlAccordionView(left);
    toFolderAccordion_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    leftColumn->addWidget(toFolderAccordion_, 1);
    toFolderTable_ = new ContentTableView;
    toFolderTable_->setIsFolderTable(true);
    toFolderTable_->setController(this);
    toFolderTable_->setDelegate(this);
    toFolderTable_->setDataCell(0, [this] {
        auto cell = std::make_unique<ContentSyncCell>();
        cell->setDelegate(this, true);
        return cell;
    }());
    folderModel_ = attachModel(toFolderTable_, ContentTableView::kFolderTable, kFolderTitles,
                               {22, 44, 36, 160});
    toFolderAccordion_->setContentView(toFolderTable_);
    const std::pair<int, const char*> types[] = {
        {0, "Media"}, {1, "Models"}, {4, "Masks"}, {2, "Plugins"}, {kMetadataType, "Metadata"}};
    for (const auto& [type, fallback] : types) {
        QString title = KeloContentID::userStringForFolderType(type);
        if (title.isEmpty()) title = fallback;
        auto item = std::make_shared<ContentAccordionItem>(title, type);
        accordionItems_.push_back(item);
        toFolderAccordion_->addItem(item);
    }
    connect(toFolderAccordion_, &QAbstractButton::clicked, this,
            [this] { folderAccordionClicked(); });

    toFldrDetailView_ = new QWidget(left);
    auto* fgrid = new QGridLayout(toFldrDetailView_);
    fgrid->setContentsMargins(4, 2, 4, 2);
    fgrid->setVerticalSpacing(1);
    const std::pair<const char*, const char*> fields[] = {
        {"index", "Index"}, {"identity", "Identity"}, {"name", "Name"}, {"path", "Path"},
        {"count", "Files"}, {"modified", "Changed"},  {"sync", "Sync"},
    };
    int frow = 0;
    for (const auto& [key, title] : fields) {
        auto* label = new HUDLabel(title, toFldrDetailView_);
        QPalette lp = label->palette();
        lp.setColor(QPalette::WindowText, veryDimTextColor());
        label->setPalette(lp);
        auto* field = new HUDTextField(toFldrDetailView_);
        field->setEditable(false);
        field->setDrawsBackground(false);
        fgrid->addWidget(label, frow, 0, Qt::AlignRight);
        fgrid->addWidget(field, frow, 1, 1, 2);
        folderFields_[key] = field;
        ++frow;
    }
    toFldrVolumeBar_ = new HUDProgressIndicator(toFldrDetailView_);
    toFldrVolumeBar_->setMinValue(0);
    toFldrVolumeBar_->setMaxValue(1);
    auto* free = new HUDTextField(toFldrDetailView_);
    free->setEditable(false);
    free->setDrawsBackground(false);
    folderFields_["free"] = free;
    toFldrVolumeActionMenu_ = new HUDButton(QString(), toFldrDetailView_);
    toFldrVolumeActionMenu_->setFixedSize(30, 20);
    HUDButtonCell* gear = toFldrVolumeActionMenu_->cell();
    gear->setImage(gearWithDownArrow(QRectF(toFldrVolumeActionMenu_->rect()))->nsImage());
    gear->setBackgroundColor(normalSolidFill());
    gear->setShowsBorderOnlyWhileMouseInside(true);
    connect(toFldrVolumeActionMenu_, &QAbstractButton::clicked, this,
            [this] { showVolumeActionMenu(); });
    fgrid->addWidget(toFldrVolumeBar_, frow, 0, 1, 2);
    fgrid->addWidget(free, frow, 2);
    fgrid->addWidget(toFldrVolumeActionMenu_, frow, 3);
    toFldrDetailView_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    leftColumn->addWidget(toFldrDetailView_);

    auto* right = new QWidget(tables);
    auto* rightColumn = new QVBoxLayout(right);
    rightColumn->setContentsMargins(0, 0, 0, 0);
    toFileTable_ = new ContentTableView(right);
    toFileTable_->setIsFileTable(true);
    toFileTable_->setController(this);
    toFileTable_->setDelegate(this);
    toFileTable_->setDataCell(0, [this] {
        auto cell = std::make_unique<ContentFileStatusCell>();
        cell->setDelegate(this);
        return cell;
    }());
    toFileTable_->setDataCell(1, [this] {
        auto cell = std::make_unique<ContentSyncCell>();
        cell->setDelegate(this, false);
        return cell;
    }());
    fileModel_ = attachModel(toFileTable_, ContentTableView::kFileTable, kFileTitles,
                             {60, 22, 36, 150, 40});
    toFileTable_->verticalHeader()->setDefaultSectionSize(36);
    rightColumn->addWidget(toFileTable_, 1);
    contentFileDetail_ = ContentFileDetail::create().release();
    contentFileDetail_->setParent(right);
    contentFileDetail_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    rightColumn->addWidget(contentFileDetail_);
    warnContentFileDetail_ = ContentFileDetail::create();
    tables->addWidget(left);
    tables->addWidget(right);
    tables->setStretchFactor(1, 2);

    toHistoryTable_ = new ContentTableView(toSplitView_);
    auto* history = static_cast<ContentTableView*>(toHistoryTable_);
    history->setController(this);
    history->setFlashType(1);
    history->setDataCell(1, std::make_unique<KeloTextFieldCell>());
    historyModel_ = attachModel(history, ContentTableView::kHistoryTable, kHistoryTitles, {70});
    history->horizontalHeader()->setStretchLastSection(true);
    toSplitView_->addWidget(tables);
    toSplitView_->addWidget(history);
    toSplitView_->setStretchFactor(0, 3);
    buildHistorySplit();

    connect(toFolderTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(toFolderTable_); });
    connect(toFileTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(toFileTable_); });
    connect(toHistoryTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(toHistoryTable_); });

    controller_->addContentView(content, kResizeWidthSizable | kResizeHeightSizable);
    controller_->getContainerView()->installEventFilter(this);
    updateFolderDetailView();
}

bool ContentUIPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && content_ && controller_ &&
        watched == controller_->getContainerView())
        content_->setGeometry(controller_->getContainerView()->rect());
    if (event->type() == QEvent::Resize && watched == toFileTable_) updateDividerVisibility();
    if (toSplitView_ && watched == toSplitView_->handle(1)) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            splitViewDoubleClickedDivider();
            return true;
        }
        // The splitter shows its dividers again whenever it lays out.
        if (event->type() == QEvent::Show)
            QMetaObject::invokeMethod(this, [this] { updateDividerVisibility(); },
                                      Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

void ContentUIPanel::setContentTab(QWidget* tab, HUDProgressIndicator* progressBar,
                                   HUDTextField* progressText, HUDButton* cancelButton) {
    toProgressBar_ = progressBar;
    toProgressText_ = progressText;
    toCancelTransferButton_ = cancelButton;
    if (cancelButton) {
        static const QString cross(QChar(0x2573));
        cancelButton->setTitle(cross);
        cancelButton->cell()->setBGButtonType(512);
        cancelButton->cell()->setShowsBorderOnlyWhileMouseInside(true);
        cancelButton->setToolTip("cancel all transfers");
        connect(cancelButton, &QAbstractButton::clicked, this,
                [this] { ui().cancelAllTransfers(); });
        cancelButton->hide();
    }
    if (progressBar) {
        progressBar->hide();
        progressBar->stopAnimation();
    }
    if (progressText) progressText->hide();
    if (tab && page()) {
        auto* layout = tab->layout() ? tab->layout() : new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(page());
    }
}

void ContentUIPanel::setScanAllServers(HUDButton* button) {
    toScanAllServers_ = button;
    if (!button) return;
    connect(button, &QAbstractButton::clicked, this,
            [this] { scanAllServers(QApplication::keyboardModifiers() & Qt::ShiftModifier); });
}

void ContentUIPanel::setMonitorOrManage(HUDSegmentedControl* control) {
    toMonitorOrManage_ = control;
    if (!control) return;
    control->setSelectedSegment(0);
    connect(control, &HUDSegmentedControl::selectedSegmentChanged, this, [this](int segment) {
        ui().monitorOrManageSelected(segment);
        showManageSwitch();
    });
}

void ContentUIPanel::showManageSwitch() {
    if (!toMonitorOrManage_) return;
    {
        const QSignalBlocker quiet(toMonitorOrManage_);
        toMonitorOrManage_->setSelectedSegment(ui().manageSwitchSegment());
    }
    toMonitorOrManage_->setEnabled(ui().manageSwitchEnabled());
}

// --- Settings -------------------------------------------------------------------------

void ContentUIPanel::commitSettings() {
    ui().setMasterSettingsValue(kLogSlowest, logSlowest_);
    ui().setMasterSettingsValue(kShowTurtle, showTurtle_);
}

ContentBitRate ContentUIPanel::bitRate() const {
    return ui().bitRate();
}

void ContentUIPanel::setBitRate(const ContentBitRate& rate) {
    ui().setBitRate(rate);
    if (agent()->isActive())
        log(kOmLogWarning,
            "Please cancel and restart the transfer to apply bandwidth preferences.");
}

void ContentUIPanel::logSlowest(bool logSlowest, bool turtle) {
    logSlowest_ = logSlowest;
    KeloTextFieldCell::setLogSlowest(logSlowest);
    showTurtle_ = turtle;
    if (toHistoryTable_) toHistoryTable_->viewport()->update();
    commitSettings();
}

// --- History split view -----------------------------------------------------------------

ContentTableModel* ContentUIPanel::attachModel(ContentTableView* table, int kind,
                                               const QStringList& titles,
                                               std::initializer_list<int> widths) {
    auto* model = new ContentTableModel(this, kind, titles, this);
    table->setModel(model);
    int column = 0;
    // Never narrower than the column's heading.
    for (const int width : widths) {
        table->setColumnWidth(column,
                              std::max(width, table->horizontalHeader()->sectionSizeHint(column)));
        ++column;
    }
    return model;
}

void ContentUIPanel::buildHistorySplit() {
    for (int i = 0; i < toSplitView_->count(); ++i)
        toSplitView_->setCollapsible(i, splitViewCanCollapseSubview(toSplitView_->widget(i)));
    omLog_ = std::make_unique<OmLog>();
    omLog_->setLoggingTag("Content");
    klLogUI_ = new KlLogUI(toSplitView_, toLogButton_, toHistoryTable_, this);
    // After the log panel's own handlers (a warning may have opened the
    // history): the model and the divider follow it.
    auto followLogPanel = [this] {
        ui().setHistoryShown(klLogUI_->historyShown());
        updateDividerVisibility();
    };
    connect(klLogUI_, &KlLogUI::historyRowsChanged, this, [this, followLogPanel] {
        historyModel_->reload();
        followLogPanel();
    });
    connect(toLogButton_, &QAbstractButton::clicked, this, followLogPanel);
    klLogUI_->setDelegate(this, omLog_.get(), kContentShowHistoryKey,
                          kContentHistoryTableHeightKey);
    const bool shown = UserDefaults::standard().object(kContentShowHistoryKey).isValid();
    klLogUI_->setHistoryShown(shown);
    ui().setHistoryShown(shown);
    if (!shown) {
        toSplitView_->setSizes({1, 0});
        toHistoryTable_->hide();
    }
    connect(toSplitView_, &QSplitter::splitterMoved, this,
            [this] { splitViewDidResizeSubviews(); });
    toSplitView_->handle(1)->installEventFilter(this);
    toFileTable_->installEventFilter(this);
}

int ContentUIPanel::openHistoryHeight() {
    const int stored = UserDefaults::standard().object(kContentHistoryTableHeightKey).toInt();
    return stored < 50 ? 100 : stored;
}

bool ContentUIPanel::splitViewCanCollapseSubview(const QWidget* subview) const {
    return subview && subview == toHistoryTable_;
}

bool ContentUIPanel::splitViewShouldHideDivider() const {
    return toFileTable_ && toFileTable_->height() >= 200;
}

bool ContentUIPanel::historyCollapsed() const {
    return toHistoryTable_->isHidden() || toSplitView_->sizes().value(1) == 0;
}

void ContentUIPanel::splitViewDoubleClickedDivider() {
    if (!splitViewCanCollapseSubview(toSplitView_->widget(1))) return;
    // A closed history opens as the log button opens it.
    if (toHistoryTable_->isHidden()) {
        toLogButton_->click();
        return;
    }
    const QList<int> sizes = toSplitView_->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    const int history = historyCollapsed() ? std::min(openHistoryHeight(), total / 2) : 0;
    toSplitView_->setSizes({total - history, history});
    splitViewDidResizeSubviews();
}

void ContentUIPanel::updateDividerVisibility() {
    QSplitterHandle* divider = toSplitView_->handle(1);
    const bool hide = historyCollapsed() && splitViewShouldHideDivider();
    if (divider->isHidden() != hide) divider->setHidden(hide);
}

void ContentUIPanel::splitViewDidResizeSubviews() {
    if (!toHistoryTable_) return;
    const int height = toSplitView_->sizes().value(1);
    if (height >= 51) UserDefaults::standard().setObject(kContentHistoryTableHeightKey, height);
    updateDividerVisibility();
}

// --- Log panel ------------------------------------------------------------------------

void ContentUIPanel::log(OmLogLevel level, const QString& text) {
    klLogUI_->log(level, text);
}

QVariantList ContentUIPanel::logMessages() const {
    QVariantList entries;
    entries.reserve(klLogUI_->logMessages().size());
    for (const KlLogEntry& entry : klLogUI_->logMessages()) entries.append(entry.dictionary());
    return entries;
}

void ContentUIPanel::logEntryAdded(const KlLogEntry& entry) {
    ui().logEntryAdded(entry.dictionary());
}

void ContentUIPanel::clearLog() {
    ui().clearLog();
}

QVariant ContentUIPanel::historyEntry(int row) const {
    if (row < 0 || !klLogUI_) return {};
    if (ContentCollection* c = collection()) return c->fileTransferList.value(row);
    const QList<KlLogEntry>& entries = klLogUI_->logMessages();
    return row < entries.size() ? QVariant(entries[row].dictionary()) : QVariant();
}

// --- Tables ---------------------------------------------------------------------------

int ContentUIPanel::numberOfRows(int table) const {
    switch (table) {
        case ContentTableView::kFolderTable:
            return int(ui().folderDataSource().size());
        case ContentTableView::kFileTable: {
            const auto files = ui().currentFilesDataSource();
            return files ? int(files->size()) : 0;
        }
        case ContentTableView::kHistoryTable: {
            if (ContentCollection* c = collection()) return int(c->fileTransferList.size());
            return klLogUI_ ? int(klLogUI_->logMessages().size()) : 0;
        }
        default:
            return 0;
    }
}

ContentTableRow* ContentUIPanel::contentTableRow(int row, bool isFolder) const {
    if (row < 0) return nullptr;
    if (isFolder) {
        const ContentRows& rows = ui().folderDataSource();
        return size_t(row) < rows.size() ? rows[size_t(row)].get() : nullptr;
    }
    const auto files = ui().currentFilesDataSource();
    return files && size_t(row) < files->size() ? (*files)[size_t(row)].get() : nullptr;
}

ContentCellText ContentUIPanel::objectValue(int table, int column, int row) {
    if (table == ContentTableView::kFolderTable) return objectValueForFolderColumn(column, row);
    if (table == ContentTableView::kFileTable) return objectValueForFileColumn(column, row);
    if (table != ContentTableView::kHistoryTable || row < 0) return {};
    const QVariantMap entry = historyEntry(row).toMap();
    return ContentCellText{
        column == 0 ? entry.value("ended").toString() : entry.value("name").toString(), {}, false};
}

ContentCellText ContentUIPanel::objectValueForFolderColumn(int column, int row) {
    ContentTableRow* r = contentTableRow(row, true);
    if (!r) return {};
    const auto& id = r->parsedName.contentID();
    ContentCellText value;
    bool lesser = false, error = false, warning = false, aggregate = false;
    switch (column) {
        case 0:
            ui().updateFilesDataSourceIfNeeded(*r);
            return ContentCellText{QString::number(row), {}, false};
        case 1:
            value.text = id && id->ident() > 0 ? QString::asprintf("[%d]", id->ident())
                                               : r->parsedName.identStr();
            break;
        case 2: {
            const int type = id ? id->type() : ui().selectedFolderType();
            if (type != 2 && type != 3 && type != 4) value.text = r->parsedName.number();
            value.indent = r->masterFolderPathsIdx != 0;
            lesser = id && id->folder() == 0 &&
                     !QFileInfo(r->parsedName.fullPath()).fileName().startsWith('0');
            break;
        }
        case 3:
            value.text = r->parsedName.bodyWithExtension();
            if (value.text.isEmpty() && r->isAggregate) {
                value.text = "<multiple folders>";
                aggregate = true;
            }
            break;
        case 4: {
            value.text = QString::number(ui().fileCountForFldrRow(*r));
            const int bits = r->masterFolder ? r->masterFolder->IssueBits() : 0;
            error = bits & 0x0140;
            warning = !error && (bits & 0x2A00);
            break;
        }
        default:
            return {};
    }
    bool dim = true;
    if (!ContentUI::masterValid()) {
        dim = true;
    } else if (ContentUI::masterSelected()) {
        dim = !r->isMemberOnlyKeloName.isEmpty() || lesser;
    } else {
        const QString member = selectedMemberName();
        const bool ofMember =
            r->isMemberOnlyKeloName.isEmpty()
                ? r->masterFolder && r->masterFolder->MembersWithFldr().contains(QVariant(member))
                : r->isMemberOnlyKeloName == member;
        dim = ofMember ? lesser : true;
    }
    QColor colour = error ? QColor(Qt::red) : warning ? QColor(Qt::yellow) : QColor();
    if (aggregate && !colour.isValid()) colour = dimTextColor();
    if (dim) colour = colour.isValid() ? withAlpha(colour, 0.4) : veryDimTextColor();
    if (value.indent && !colour.isValid()) colour = defaultTextColor();
    value.color = colour;
    return value;
}

ContentCellText ContentUIPanel::objectValueForFileColumn(int column, int row) {
    ContentTableRow* r = contentTableRow(row, false);
    if (!r) return {};
    fetchFileDetail(*r);
    const QVariantMap& detail = r->fileDetail;
    ContentCellText value;
    bool conflicted = false, versioned = false;
    switch (column) {
        case 0:
            if (!r->thumbData.isEmpty() && r->thumbnail.isNull())
                r->thumbnail = QImage::fromData(r->thumbData);
            return ContentCellText{QString::number(row), {}, false};
        case 1:
            return ContentCellText{QString::number(row), {}, false};
        case 2:
            value.text = r->parsedName.number();
            conflicted = r->parsedName.isConflicted();
            versioned = r->parsedName.isVersioned();
            break;
        case 3:
            value.text = r->parsedName.bodyWithoutExtension();
            break;
        case 4:
            value.text = r->parsedName.pathExtension();
            break;
        case 5:
            value.text = ContentFileDetail::resolution(detail);
            break;
        case 6:
            value.text = detail.value("Codec").toString();
            break;
        case 7: {
            const QVariant modified = detail.value("Modified");
            value.text = modified.typeId() == QMetaType::QDateTime
                             ? modified.toDateTime().toLocalTime().toString("yyyy-MM-dd HH:mm:ss")
                             : modified.toString();
            break;
        }
        case 8:
            if (detail.contains("Length"))
                value.text = ContentFileDetail::tableSizeText(detail.value("Length").toDouble());
            break;
        default:
            return {};
    }
    bool dim = true;
    if (!ContentUI::masterValid()) {
        dim = true;
    } else if (ContentUI::masterSelected()) {
        dim = r->isMemberOnly;
    } else if (!detail.isEmpty()) {
        dim = false;
    } else {
        dim =
            !(r->isConfusing && r->isMemberOnly && r->isMemberOnlyKeloName == selectedMemberName());
    }
    QColor colour;
    if (!dim) {
        if (conflicted) colour = Qt::red;
        if (versioned) colour = Qt::cyan;
    } else {
        colour = veryDimTextColor();
        if (conflicted) colour = withAlpha(Qt::red, 0.4);
        if (versioned) colour = withAlpha(Qt::cyan, 0.4);
    }
    value.color = colour;
    return value;
}

void ContentUIPanel::prepareCell(ContentTableView& table, TextFieldCell& cell, int column,
                                 int row) {
    if (auto* sync = dynamic_cast<ContentSyncCell*>(&cell)) {
        if (sync->isFolder()) ui().updateFilesDataSourceIfNeeded(*contentTableRow(row, true));
        sync->setRow(row);
        return;
    }
    if (auto* status = dynamic_cast<ContentFileStatusCell*>(&cell)) {
        objectValueForFileColumn(0, row);
        status->setRow(row);
        return;
    }
    if (table.table() == ContentTableView::kHistoryTable) {
        if (auto* status = dynamic_cast<KeloTextFieldCell*>(&cell)) {
            status->setObjectValue(historyEntry(row));
            return;
        }
    }
    const ContentCellText value = objectValue(table.table(), column, row);
    TextAttributes attributes;
    attributes.font = table.font();
    if (value.color.isValid()) attributes.foreground = value.color;
    const QString text = value.indent ? QStringLiteral("  ") + value.text : value.text;
    AttributedString shown(text, attributes);
    if (column == 3 && table.isFolderTable()) {
        attributes.lineBreakMode = LineBreakMode::TruncateTail;
        shown = AttributedString(text, attributes);
    }
    cell.setAttributedStringValue(shown);
}

bool ContentUIPanel::drawRow(QPainter& painter, int table, int row, const QRectF& rowRect,
                             const QRectF& cellRect, bool firstColumn) {
    if (table == ContentTableView::kHistoryTable) return false;
    ContentTableRow* r = contentTableRow(row, table == ContentTableView::kFolderTable);
    if (!r) return false;
    static const QColor queued = colorWithContrastWhite(32.0 / 255.0, 0.7);
    static const QColor complete = colorWithContrastWhite(17.0 / 255.0, 0.7);
    if (r->syncQueued) {
        if (!r->syncComplete) {
            painter.fillRect(cellRect, queued);
            if (r->syncProgress > 0) {
                const QRectF done(rowRect.x(), rowRect.y(),
                                  rowRect.width() * std::min(1.0f, r->syncProgress),
                                  rowRect.height());
                painter.fillRect(done.intersected(cellRect), complete);
            }
        } else {
            painter.fillRect(cellRect, complete);
        }
    }
    if (!r->isSeparatorRow) return false;
    if (firstColumn) {
        const QRectF inset = rowRect.adjusted(2, 0, -2, 0);
        painter.setPen(Qt::white);
        painter.drawText(inset, Qt::AlignLeft | Qt::AlignVCenter, r->separatorRowString);
        painter.setPen(QPen(defaultTextColor(), 1));
        painter.drawLine(QPointF(inset.left(), inset.bottom() - 0.5),
                         QPointF(inset.right(), inset.bottom() - 0.5));
    }
    return true;
}

QString ContentUIPanel::contentStatusText(int code, const QString& letter, bool reanalysing) {
    switch (code) {
        case 1:
            return "No Kelo Server selected";
        case 2:
            return "Kelo Server database unavailable:\nServer appears to be running\nan "
                   "incompatible KeloDaemon\nsoftware version";
        case 3:
            return "Kelo Server offline";
        case 4:
            return "Kelo Server database unavailable";
        case 5:
            return QString(
                       "No master for collection '%1'.\nTo manage content,\nright click on a "
                       "server,\nand choose Syncing -> Master.")
                .arg(letter);
        case 6:
            return "Master offline";
        case 7:
            return reanalysing ? "Master database will be re-analysed\nwhen sync is complete"
                               : "Master database unavailable.\nHit Refresh to retry";
        default:
            return QString();
    }
}

void ContentUIPanel::drawContentStatus(QPainter& painter, int code, const QRectF& visibleRect) {
    ContentCollection* c = collection();
    const bool reanalysing = c && now() - c->lastTransferAgentTimeForCollection < 3.0;
    const QString text = contentStatusText(code, collectionLetter(), reanalysing);
    if (text.isEmpty()) return;
    const QFontMetricsF metrics(painter.font());
    const QSizeF size = metrics.boundingRect(QRectF(0, 0, 1e4, 1e4), Qt::AlignCenter, text).size();
    const QRectF at = getCenteredRectNoScaling(visibleRect, size.width(), size.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 204));
    painter.drawRoundedRect(at.adjusted(-20, -20, 20, 20), 8, 8);
    painter.setPen(Qt::white);
    painter.drawText(at, Qt::AlignCenter, text);
    painter.restore();
}

// The model's selection, shown without reporting it back as a change.
static void showSelection(ContentTableView* table, const std::vector<size_t>& rows) {
    QSignalBlocker block(table->selectionModel());
    table->selectionModel()->clearSelection();
    for (size_t r : rows)
        table->selectionModel()->select(table->model()->index(int(r), 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void ContentUIPanel::reloadTables() {
    folderModel_->reload();
    fileModel_->reload();
    historyModel_->reload();
    showSelection(toFolderTable_, ui().folderSelection());
    showSelection(toFileTable_, ui().fileSelection());
    updateAccordionMarks();
}

void ContentUIPanel::observeModel() {
    ui().observeNotifications();
    auto& centre = NotificationCenter::defaultCenter();
    ContentUI* model = &ui();
    observers_.push_back(centre.addObserver(
        kContentRowsNeedRedrawNotification, model,
        [this](const Notification& n) { rowsNeedRedraw(n.userInfo); }));
    observers_.push_back(centre.addObserver(
        kContentHistoryChangedNotification, model,
        [this](const Notification& n) { historyChanged(n.userInfo); }));
}

void ContentUIPanel::rowsNeedRedraw(const QVariantMap& info) {
    const QVariantList rows = info.value("rows").toList();
    // No rows: the data sources were rebuilt.
    if (rows.isEmpty()) {
        reloadTables();
        return;
    }
    std::vector<size_t> indexes;
    indexes.reserve(size_t(rows.size()));
    for (const QVariant& row : rows) indexes.push_back(size_t(row.toULongLong()));
    (info.value("table").toInt() == 1 ? toFileTable_ : toFolderTable_)->updateRows(indexes);
}

void ContentUIPanel::historyChanged(const QVariantMap& info) {
    if (info.value("collectionID").toInt() != ui().collectionID()) return;
    const int row = info.value("row").toInt();
    if (row < 0 || row >= historyModel_->rowCount()) {
        historyModel_->reload();
        if (row < 0) toHistoryTable_->clearSelection();
    } else {
        static_cast<ContentTableView*>(toHistoryTable_)->updateRows({size_t(row)});
    }
    const int count = historyModel_->rowCount();
    int shown = -1;
    if (info.value("scrollToLast").toBool())
        shown = count - 1;
    else if (info.contains("scrollTo"))
        shown = info.value("scrollTo").toInt();
    else if (info.value("scroll").toBool())
        shown = row;
    if (shown >= 0 && shown < count) toHistoryTable_->scrollTo(historyModel_->index(shown, 0));
}

void ContentUIPanel::reportVisibleRows() {
    for (const bool files : {false, true}) {
        const auto [first, count] = (files ? toFileTable_ : toFolderTable_)->visibleRows();
        ui().setVisibleRows(files, size_t(std::max(0, first)), size_t(std::max(0, count)));
    }
}

void ContentUIPanel::updateAccordionMarks() {
    ContentCollection* c = collection();
    for (size_t i = 0; i < accordionItems_.size(); ++i) {
        const auto& item = accordionItems_[i];
        bool watched = false, needs = false;
        const auto rows = c ? c->folderDataSourceForType(int(item->tag())) : nullptr;
        if (rows)
            for (const ContentTableRowPtr& r : *rows) {
                if (!r->isWatched) continue;
                watched = true;
                needs = needs || r->needsSync();
            }
        if (watched != item->anyWatched() || needs != item->anyNeedsSync()) {
            item->setAnyWatched(watched);
            item->setAnyNeedsSync(needs);
            toFolderAccordion_->setItemDirty(int(i));
        }
    }
}

const ContentCollectionCell& ContentUIPanel::headerCell() const {
    return header_->cell;
}

void ContentUIPanel::updateHeaderTitle() {
    const ContentUI::HeaderTitle& title = ui().headerTitle();
    ContentCollectionCell& cell = header_->cell;
    const QString offline = cell.offlineStr() ? cell.offlineStr()->string() : QString();
    if (cell.serverStr() == title.server && cell.collectionStr() == title.collection &&
        offline == title.offline)
        return;
    cell.setServerStr(title.server);
    cell.setCollectionStr(title.collection);
    cell.setOfflineStr(title.offline.isEmpty()
                           ? std::nullopt
                           : std::optional<AttributedString>(AttributedString(
                                 title.offline, TextAttributes{.foreground = QColor(Qt::yellow)})));
    header_->update();
}

void ContentUIPanel::folderSyncClicked(ContentTableView* table, int row) {
    const bool folders = table->isFolderTable();
    ContentTableRow* r = contentTableRow(row, folders);
    if (!r || r->isSeparatorRow || r->isConfusing || r->isBuiltIn || !r->canTakeSyncAction(false))
        return;
    const QString key = r->masterFolder ? r->masterFolder->SelfRefKey() : QString();
    if (isWatchedKey(key)) {
        if (folders) {
            ui().syncFolder(ui().folderDataSource()[size_t(row)], false, nullptr);
        } else if (ContentTableRowPtr folder = ui().singleSelectedFolder()) {
            const ContentUI::RowIndexes rows{size_t(row)};
            ui().syncFolder(folder, false, &rows);
        }
        return;
    }
    if (folders) {
        ui().addOrRemoveWatchedFolder(*r, true);
        table->viewport()->update();
        updateAccordionMarks();
    }
}

void ContentUIPanel::folderAccordionClicked() {
    const int tag = toFolderAccordion_->tagOfClickedItem();
    if (tag < 0 || tag == ui().selectedFolderType()) return;
    ui().setSelectedFolderType(tag);
    ui().updateSelectedServer();
    ui().setFullRedrawNeeded(true);
    reloadTables();
}

std::optional<QList<int>> ContentUIPanel::selectionIndexesForProposedSelection(
    QAbstractItemView* table, const QList<int>& proposed) {
    QList<int> kept;
    const bool folders = table == toFolderTable_;
    const bool files = table == toFileTable_;
    for (int row : proposed) {
        const ContentTableRow* r = folders || files ? contentTableRow(row, folders) : nullptr;
        if (r && r->isSeparatorRow) continue;
        kept << row;
    }
    ContentCollection* c = collection();
    if (folders && c && (QApplication::mouseButtons() & Qt::LeftButton) &&
        now() - c->lastTransferAgentTimeForCollection > 2.0 && ui().scanAllServersTasks().empty() &&
        !analyser()->analysing()) {
        for (int row : kept) {
            const ContentTableRow* r = contentTableRow(row, true);
            if (!r || !r->parsedName.contentID() || !r->masterFolder) continue;
            ui().scanAllServersTasks().push_back(ContentTransfer::transferWithTasks(
                {}, r->masterFolder->SelfRefKey(), r->parsedName.contentID(), 0,
                ui().collectionID()));
        }
    }
    return kept;
}

void ContentUIPanel::tableViewSelectionDidChange(QAbstractItemView* table) {
    std::vector<size_t> rows;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        rows.push_back(size_t(index.row()));
    std::sort(rows.begin(), rows.end());
    if (table == toFolderTable_) {
        folderSelectionChanged(rows);
        return;
    }
    if (table == toFileTable_) {
        ui().setFileSelection(rows);
        updateFileDetailView();
        return;
    }
    ContentCollection* c = collection();
    if (rows.empty() || !c || rows.front() >= size_t(c->fileTransferList.size())) return;
    const QVariantMap entry = c->fileTransferList[qsizetype(rows.front())].toMap();
    const QByteArray file = entry.value("file").toByteArray();
    const auto id = KeloContentID::contentWithData(file);
    const auto files = ui().currentFilesDataSource();
    if (!id || !files) return;
    for (size_t i = 0; i < files->size(); ++i) {
        const auto& other = (*files)[i]->parsedName.contentID();
        if (!other || other->intValue() != id->intValue()) continue;
        toFileTable_->selectRow(int(i));
        toFileTable_->scrollTo(fileModel_->index(int(i), 0));
        updateFileDetailView();
        return;
    }
}

// --- Hover ----------------------------------------------------------------------------

QString ContentUIPanel::mouseHoverTooltipForSyncCell(const ContentTableRow& row, QColor* color,
                                                     Qt::CursorShape* cursor, bool isSyncColumn,
                                                     bool isStatusColumn, bool isFileDetail) const {
    const bool syncOrDetail = isSyncColumn || isFileDetail;
    const QString letter = collectionLetter();
    const auto& name = row.parsedName;
    QString text;
    if (row.isBuiltIn) {
        *cursor = Qt::ForbiddenCursor;
        text = "Built-in.  Cannot be modified or synced.";
    }
    if (row.isSeparatorRow) {
        *cursor = Qt::ForbiddenCursor;
        return "N/A";
    }
    if (name.isConflicted()) {
        *color = Qt::red;
        text = QString(
                   "ERROR: File conflicts with a file of the same index %1.\nFile is not in "
                   "content database.  %2")
                   .arg(name.number(), row.isMemberOnly
                                           ? "If synced, member will remove non-matching files."
                                           : "Master will not sync conflicted files.");
    }
    if (row.isMemberOnly) return row.isFolder ? "Folder is not on Master" : "File is not on Master";
    if (row.isConfusing) return "File is not indexed.\nFile is not in content database.";
    if (syncOrDetail) {
        if (!row.isWatched) {
            if (row.isFolder) {
                *cursor = Qt::ArrowCursor;
                return row.isMetaDataFile ? "Manage this file." : "Manage this folder.";
            }
            return row.isMetaDataFile ? "<---- File is not managed." : "Folder is not managed.";
        }
        ContentAnalysis* a = analysis();
        if (a && a->members.size() < 2) {
            *color = Qt::yellow;
            text = "Collection has master, but no members available to sync";
        }
    }
    if (!text.isEmpty()) return text;
    if (!syncOrDetail && !isStatusColumn) return QString();

    const QString needMaster =
        QString("To sync, first select the Kelo server which is master of collection %1")
            .arg(letter);
    if (!row.isFolder) {
        const bool metadata =
            row.masterFolder &&
            KeloContentID::typeForFolderKey(row.masterFolder->SelfRefKey()) == kMetadataType;
        if (name.number().isEmpty() && !metadata) return "invalid file index";
        QString base;
        if (row.needsSync()) {
            if (row.canTakeSyncAction(false)) {
                if (!isFileDetail) base = "Sync this file";
                *cursor = Qt::ArrowCursor;
            } else {
                if (!isFileDetail) base = needMaster;
                *color = Qt::yellow;
            }
        } else {
            if (!isFileDetail)
                base = row.syncQueued && !row.syncComplete ? "File is synchronizing"
                       : row.syncComplete ? "File synchronization completed.  Waiting for analysis"
                                          : "File is synchronized";
            if (row.canTakeSyncAction(true)) *cursor = Qt::PointingHandCursor;
        }
        QString issues;
        const QVariantMap entry =
            row.masterFolder ? row.masterFolder->value(name.fileKey()).toMap() : QVariantMap();
        const QVariantList errors = entry.value(".ErrArray").toList();
        for (const IssueText& issue : kIssueTexts) {
            QStringList servers;
            for (const QVariant& e : errors)
                if (issueBitsOf(e) & issue.bit)
                    servers << QString("'%1'").arg(
                        screenName(ContentFileDetail::errStrKeloName(e.toString())));
            if (servers.isEmpty()) continue;
            if (!issues.isEmpty()) issues += "\n";
            if (issue.bit == 0x0040) {
                issues += issue.text;
            } else {
                issues += QString(servers.size() == 1 ? "%1 on member %2" : "%1 on members %2")
                              .arg(issue.text, servers.join(", "));
                if (issue.bit == 0x0100)
                    issues += ".\nIf synced, member will remove non-matching files.";
            }
            if (issue.yellow) *color = Qt::yellow;
        }
        if (!issues.isEmpty()) return base.isEmpty() ? issues : base + ".\n" + issues;
        if (!base.isEmpty()) return base;
        return isFileDetail ? QString() : QString("File is synchronized");
    }
    if (!row.needsSync()) {
        if (row.canTakeSyncAction(true)) *cursor = Qt::PointingHandCursor;
        if (row.syncQueued && row.syncComplete)
            return "Folder synchronization completed.  Waiting for analysis.";
        return row.syncQueued ? "Folder is synchronizing" : "Folder is synchronized";
    }
    if (!row.canTakeSyncAction(false)) {
        *color = Qt::yellow;
        return needMaster;
    }
    *cursor = Qt::ArrowCursor;
    return "Sync this folder";
}

void ContentUIPanel::showMouseHoverInfo(DTableView* table, const QPointF& point) {
    auto* content = dynamic_cast<ContentTableView*>(table);
    if (!content || content->table() == ContentTableView::kHistoryTable) return;
    QColor colour = toolTipColor();
    Qt::CursorShape cursor = Qt::ArrowCursor;
    auto* window = dynamic_cast<ToolTipWindowProtocol*>(table->window());
    // The point is in the table; rowAt() and columnAt() take the viewport's.
    const int row = table->rowAt(int(point.y()) + table->rowViewportPosition(0));
    const int column = table->columnAt(int(point.x()) + table->columnViewportPosition(0));
    ContentTableRow* r = contentTableRow(row, content->isFolderTable());
    if (!r || column < 0) {
        table->viewport()->setCursor(cursor);
        hoverText_.clear();
        if (window) window->setToolTipInfo(QString(), QColor());
        return;
    }
    TextFieldCell* cell = table->dataCell(column);
    const bool syncColumn = dynamic_cast<ContentSyncCell*>(cell) != nullptr;
    const bool statusColumn = dynamic_cast<ContentFileStatusCell*>(cell) != nullptr;
    if (syncColumn) cursor = Qt::ForbiddenCursor;
    ContentAnalysis* a = analysis();
    QString text;
    if (ContentUI::services().selectedServerName().isEmpty() || !a || a->members.empty()) {
        text = "No Kelo selected";
    } else if (!ContentUI::masterValid()) {
        text = a->masterName.isEmpty()
                   ? QString("No master Kelo for content collection %1").arg(collectionLetter())
                   : QString("Master Kelo unavailable for content collection %1")
                         .arg(collectionLetter());
        colour = Qt::yellow;
    } else {
        text = mouseHoverTooltipForSyncCell(*r, &colour, &cursor, syncColumn, statusColumn, false);
    }
    table->viewport()->setCursor(cursor);
    if (!text.isEmpty() && analyser()->analysing()) text = "Analyzing...";
    hoverText_ = text;
    hoverColor_ = colour;
    if (window) window->setToolTipInfo(text, text.isEmpty() ? QColor() : colour);
}

void ContentUIPanel::resetMouseHoverInfo(DTableView* table) {
    if (table != toFolderTable_) return;
    hoverText_.clear();
    auto* window = dynamic_cast<ToolTipWindowProtocol*>(table->window());
    QColor ignored;
    if (window && !window->toolTipInfo(&ignored).isEmpty())
        window->setToolTipInfo(QString(), QColor());
}

// --- Details and thumbnails -----------------------------------------------------------

ContentTableRow* ContentUIPanel::selectedFile() const {
    const auto& rows = ui().fileSelection();
    if (rows.size() != 1) return nullptr;
    return contentTableRow(int(rows.front()), false);
}

QVariantMap ContentUIPanel::fetchFileDetail(ContentTableRow& row) {
    if (!row.fileDetail.isEmpty() && row.uiRedrawIncrement == row.redrawIncrement)
        return row.fileDetail;
    row.fileDetail = QVariantMap();
    ContentCollection* c = collection();
    const auto& id = row.parsedName.contentID();
    const QString server = row.isMemberOnly ? row.isMemberOnlyKeloName : selectedMemberName();
    if (row.isSeparatorRow || !id || !c || server.isEmpty()) return {};
    std::optional<QVariantMap> entry = c->databaseEntryForContentID(*id, server);
    if (entry && row.parsedName.isConflicted() && !row.parsedName.conflictKey().isEmpty())
        entry = entry->value("Conflicts").toMap().value(row.parsedName.conflictKey()).toMap();
    if (!entry || entry->isEmpty()) return {};
    row.fileDetail = *entry;
    fetchThumbnail(row);
    return row.fileDetail;
}

void ContentUIPanel::fetchThumbnail(ContentTableRow& row) {
    if (!row.thumbnail.isNull() && row.uiRedrawIncrement == row.redrawIncrement) return;
    const auto& id = row.parsedName.contentID();
    const QString folderKey = row.masterFolder ? row.masterFolder->SelfRefKey() : QString();
    if (!row.fileDetail.contains("NeedsThumb") || folderKey.isEmpty() || !id || row.isConfusing ||
        row.parsedName.isConflicted())
        return;
    ContentAnalysis* a = analysis();
    QString server;
    if (row.isMemberOnly)
        server = row.isMemberOnlyKeloName;
    else if ((row.isMasterSelected ||
              row.parsedName.dict().value(".ErrArray").toList().isEmpty()) &&
             a)
        server = a->masterName;
    else
        server = selectedMemberName();
    const QString contentKey = QString::number(id->intValue());
    QVariantMap& cache = ui().thumbnailCache();
    const QVariantMap cached =
        cache.value(server).toMap().value(folderKey).toMap().value(contentKey).toMap();
    if (!cached.isEmpty() && cached.value("Modified") == row.fileDetail.value("Modified")) {
        if (row.thumbData.isEmpty()) {
            row.thumbData = cached.value("data").toByteArray();
            row.thumbnail = QImage();
        }
        return;
    }
    KeloObject* k = kelo(server);
    if (!k || k->address() == 0 || k->contentDatabase().isEmpty()) return;
    QVariantList requests = cache.value(kThumbRequests).toList();
    // The model matches answers by the identifier's integer value.
    const QVariantMap request{{"contentID", qulonglong(id->intValue())},
                              {"contentKey", contentKey},
                              {"folderKey", folderKey},
                              {"keloName", server}};
    bool replaced = false;
    for (QVariant& queued : requests) {
        const QVariantMap q = queued.toMap();
        if (q.value("contentKey") == contentKey && q.value("keloName") == server) {
            queued = request;
            replaced = true;
            break;
        }
    }
    if (!replaced) requests.append(request);
    cache.insert(kThumbRequests, requests);
    row.thumbData.clear();
    row.thumbnail = QImage();
}

void ContentUIPanel::periodicFetchThumbnails() {
    if (ui().needsRescan()) return;
    QString shownFolder;
    if (const auto files = ui().currentFilesDataSource())
        for (const ContentTableRowPtr& r : *files)
            if (r->masterFolder && !r->masterFolder->SelfRefKey().isEmpty()) {
                shownFolder = r->masterFolder->SelfRefKey();
                break;
            }
    QVariantMap& cache = ui().thumbnailCache();
    QVariantList requests = cache.value(kThumbRequests).toList();
    const double t = now();
    int counted = 0;
    for (qsizetype i = 0; i < requests.size() && counted < kMaxThumbsInFlight;) {
        QVariantMap request = requests[i].toMap();
        if (request.value("folderKey").toString() != shownFolder) {
            requests.removeAt(i);
            continue;
        }
        if (request.contains("date")) {
            if (t - request.value("date").toDouble() > kThumbTimeout) {
                OmLogNoFlood(kOmLogDebug,
                             "hmmm... KlE_Control_Status updateWithTCP thread must be hung?\n");
                requests.removeAt(i);
                continue;
            }
            ++counted;
            ++i;
            continue;
        }
        KeloObject* k = kelo(request.value("keloName").toString());
        const auto value = uint32_t(request.value("contentID").toULongLong());
        const auto id = KeloContentID::contentWithData(&value, sizeof value);
        if (!k || k->address() == 0 || k->contentDatabase().isEmpty() || !id) {
            requests.removeAt(i);
            continue;
        }
        k->fetchThumbnailData(id->contentRef());
        request.insert("date", t);
        requests[i] = request;
        ++counted;
        ++i;
    }
    cache.insert(kThumbRequests, requests);
}

void ContentUIPanel::clearThumbnailCache() {
    ui().thumbnailCache().clear();
}

void ContentUIPanel::updateFileDetailView() {
    if (!contentFileDetail_) return;
    updateFileDetailView(*contentFileDetail_, selectedFile(), selectedMemberName());
}

void ContentUIPanel::updateFileDetailView(ContentFileDetail& panel, ContentTableRow* row,
                                          const QString& member) {
    panel.clear();
    if (!row || member.isEmpty()) return;
    fetchFileDetail(*row);
    QColor colour;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    const QString issues = mouseHoverTooltipForSyncCell(*row, &colour, &cursor, false, false, true);
    if (!issues.isEmpty()) {
        panel.toFileIssues()->setPlainText(issues);
        panel.toFileIssues()->show();
        panel.toFileIssuesLabel()->show();
    }
    const QVariantList errors = row->parsedName.dict().value(".ErrArray").toList();
    int allBits = 0, memberBits = 0;
    for (const QVariant& e : errors) allBits |= issueBitsOf(e);
    const bool showsMaster = row->isMasterSelected;
    if (showsMaster) {
        memberBits = allBits;
    } else {
        for (const QVariant& e : errors)
            if (e.toString().contains(member)) memberBits |= issueBitsOf(e) & 0x13E;
    }
    const QVariantMap& detail = row->fileDetail;
    ContentAnalysis* a = analysis();
    const QString pathServer =
        row->isMemberOnly ? row->isMemberOnlyKeloName : (a ? a->masterName : QString());
    KeloObject* pathKelo = kelo(pathServer);
    QString path = pathKelo ? pathKelo->fullPathToFile(row->path()) : row->path();
    if (memberBits == 0 || showsMaster) {
        panel.toFileName()->setStringValue(path);
    } else {
        if (KeloObject* m = kelo(member); m && !detail.isEmpty()) {
            const QString there = m->fullPathToFile(detail.value("Path").toString());
            if (!there.isEmpty()) path = there;
        }
        const QFont font = panel.toFileName()->font();
        const QColor marking = markingColour();
        const qsizetype slash = path.lastIndexOf('/');
        const QString directory = slash >= 0 ? path.left(slash + 1) : QString();
        const QString last = path.mid(slash + 1);
        AttributedString text(
            directory,
            TextAttributes{.foreground = (memberBits & 0x10) ? marking : defaultTextColor(),
                           .font = font});
        text.append(AttributedString(
            last, TextAttributes{.foreground = (memberBits & 0x20) ? marking : defaultTextColor(),
                                 .font = font}));
        text.append(AttributedString(QString("  (on member '%1')").arg(screenName(member)),
                                     TextAttributes{.foreground = withAlpha(marking, 0.8),
                                                    .font = ContentFileDetail::italicFont(font)}));
        panel.toFileName()->setAttributedStringValue(text);
    }
    if (detail.isEmpty()) return;
    panel.toFileIndex()->setStringValue(row->parsedName.number());
    panel.toFileCodec()->setStringValue(detail.value("Codec").toString());
    panel.toFileSize()->setStringValue(
        ContentFileDetail::sizeText(detail.value("Length").toDouble()));
    if ((memberBits & 0x8) && !showsMaster) setAttributedColor(panel.toFileSize(), markingColour());
    panel.toFileResolution()->setStringValue(ContentFileDetail::resolution(detail));
    panel.toFileDuration()->setStringValue(ContentFileDetail::duration(detail));
    panel.toFileFps()->setStringValue(detail.value("FPS").toString());

    const QString folderKey = row->masterFolder ? row->masterFolder->SelfRefKey() : QString();
    QString sync;
    QColor syncColour;
    if (!isWatchedKey(folderKey)) {
        sync = "not managed";
    } else if (allBits & 0x40) {
        sync = "N/A (conflict)";
        syncColour = Qt::red;
    } else if (row->isMemberOnly && row->parsedName.isConflicted() && a &&
               a->masterFolder(folderKey) &&
               a->masterFolder(folderKey)->contains(row->parsedName.fileKey())) {
        sync = "will remove conflict";
        syncColour = Qt::yellow;
    } else if (row->isMemberOnly) {
        sync = "N/A";
    } else if (row->parsedName.isConflicted()) {
        sync = "N/A (conflict)";
        syncColour = Qt::red;
    } else if (allBits & 0x100) {
        sync = "conflict on member";
        syncColour = Qt::yellow;
    } else {
        sync = allBits ? "needs sync" : "synchronized";
    }
    panel.toFileSync()->setStringValue(sync);
    if (syncColour.isValid()) setAttributedColor(panel.toFileSync(), syncColour);
    if (row->parsedName.name().contains(".audio.", Qt::CaseInsensitive))
        panel.toFileSound()->setStringValue(".audio.");

    const QVariant modified = detail.value("Modified");
    QString mod;
    if (modified.typeId() == QMetaType::QDateTime) {
        const QDateTime date = modified.toDateTime();
        const qint64 days = date.daysTo(QDateTime::currentDateTimeUtc());
        const QString relative = days == 0   ? QString("today")
                                 : days == 1 ? QString("yesterday")
                                             : QString("%1 days ago").arg(days);
        mod = relative + ", " + date.toLocalTime().toString("MMM dd, yyyy HH:mm:ss t");
    } else if (modified.typeId() == QMetaType::QString) {
        mod = modified.toString();
    }
    panel.toFileMod()->setStringValue(mod);
    if ((memberBits & 0x2) && !showsMaster)
        setAttributedColor(panel.toFileMod(), Qt::green);
    else if ((memberBits & 0x4) && !showsMaster)
        setAttributedColor(panel.toFileMod(), markingColour());
    panel.toFileChannels()->hide();
    panel.toFileChannelsLabel()->hide();
    if (!row->thumbData.isEmpty() && row->thumbnail.isNull())
        row->thumbnail = QImage::fromData(row->thumbData);
    if (!row->thumbnail.isNull())
        panel.toFileThumb()->setPixmap(QPixmap::fromImage(row->thumbnail.scaled(
            panel.toFileThumb()->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void ContentUIPanel::updateFolderDetailView() {
    static const QColor grey = QColor::fromRgbF(164 / 255.0f, 164 / 255.0f, 164 / 255.0f);
    for (auto& [key, field] : folderFields_) {
        field->setAttributedStringValue(std::nullopt);
        field->setStringValue(QString(""));
        setAttributedColor(field, grey);
        field->allowCopyToClipboardOnly();
    }
    folderField("path")->setToolTip(QString());
    const auto& selection = ui().folderSelection();
    ContentTableRow* r =
        selection.empty() ? nullptr : contentTableRow(int(selection.front()), true);
    if (r && r->parsedName.contentID()) {
        const auto id = *r->parsedName.contentID();
        folderField("index")->setStringValue(r->parsedName.number());
        if (id.ident() != 0)
            folderField("identity")->setStringValue(QString::asprintf("[%d]", id.ident()));
        if (r->parsedName.bodyWithExtension().isEmpty()) {
            folderField("name")->setStringValue("<multiple folders>");
            folderField("path")->setStringValue("<multiple paths>");
        } else {
            folderField("name")->setStringValue(r->parsedName.bodyWithExtension());
            ContentAnalysis* a = analysis();
            KeloObject* k =
                kelo(r->isMemberOnly ? r->isMemberOnlyKeloName : (a ? a->masterName : QString()));
            const QString path = k ? k->fullPathToFile(r->path()) : r->path();
            HUDTextField* field = folderField("path");
            static const QFont normal = field->font();
            QFont font = normal;
            if (path.size() > 40) font.setPointSizeF(normal.pointSizeF() * 5.0 / 6.0);
            field->setFont(font);
            field->setStringValue(path);
            field->setToolTip(path);
        }
        folderField("count")->setStringValue(QString::number(ui().fileCountForFldrRow(*r)));
        const QVariant changed = r->masterFolder ? r->masterFolder->Changed() : QVariant();
        if (changed.typeId() == QMetaType::QDateTime)
            folderField("modified")->setStringValue(ContentUI::shortDate(changed.toDateTime()));
        const bool watched = r->masterFolder && isWatchedKey(r->masterFolder->SelfRefKey());
        folderField("sync")->setStringValue(
            !watched ? "not managed"
                     : (r->masterFolder->IssueBits() != 0 ? "needs sync" : "synchronized"));
    }
    ContentAnalysis* shown = analysis();
    const QVariantMap db =
        shown && shown->selectedMember ? shown->selectedMember->dbase : QVariantMap();
    const double total = db.value(".VolumeTotalSize").toULongLong();
    const double free = db.value(".VolumeFreeSpace").toULongLong();
    const bool show = total > 0;
    toFldrVolumeBar_->setVisible(show);
    folderField("free")->setVisible(show);
    if (show) {
        toFldrVolumeBar_->setDoubleValue((total - free) / total);
        folderField("free")->setStringValue(QString::asprintf("%0.1fG free", free / 1e9));
    }
}

// --- Scan all servers -----------------------------------------------------------------

KeloContentTransferAgent* ContentUIPanel::agent() const {
    return ui().transferAgent();
}

bool ContentUIPanel::agentBusy() const {
    return agent()->queueLengthForTransferID(0, 0) != 0;
}

void ContentUIPanel::setProgressText(const QString& text) {
    if (toProgressText_) toProgressText_->setStringValue(text);
}

void ContentUIPanel::scanAllServers(bool shift) {
    if (toScanAllServers_) {
        if (shift) {
            toScanAllServers_->setTitle(QString(QChar(0x21E7)) + "Scanning After Transfers");
            setAttributedColor(toScanAllServers_, Qt::green);
        } else {
            toScanAllServers_->setTitle("Scan All Servers");
            setAttributedColor(toScanAllServers_, QColor());
        }
    }
    ui().setScanAfterEachTransfer(shift);
    if (agentBusy()) {
        if (shift)
            log(kOmLogInfo, "Rescan will be scheduled after each folder transfer completed.");
        else
            log(kOmLogWarning,
                "Can't scan while transfer in progress.  Shift-click to schedule rescan at "
                "end of transfer.");
        return;
    }
    scanTimeout_ = 0;
    auto& queue = ui().scanAllServersTasks();
    queue.clear();
    const int32_t id = ui().collectionID();
    queue.push_back(ContentTransfer::scanTask(kScanFetchDatabases, id));
    if (toProgressBar_) toProgressBar_->show();
    if (toProgressText_) toProgressText_->show();
    for (size_t index : ui().folderSelection()) {
        const ContentTableRow* r = contentTableRow(int(index), true);
        if (!r || !r->parsedName.contentID() || !r->masterFolder) continue;
        queue.push_back(ContentTransfer::transferWithTasks({}, r->masterFolder->SelfRefKey(),
                                                           r->parsedName.contentID(), 0, id));
    }
    queue.push_back(ContentTransfer::scanTask(kScanSendRescan, id));
    if (toProgressBar_) {
        toProgressBar_->setDoubleValue(0);
        toProgressBar_->setCustomTitle(std::nullopt);
    }
    continueScanAllServers();
    clearThumbnailCache();
    ui().requestRescan();
}

void ContentUIPanel::finishScanHead(bool* answer) {
    auto& queue = ui().scanAllServersTasks();
    if (scanTimeout_ != 0) {
        *answer = true;
        return;
    }
    if (!queue.empty()) queue.erase(queue.begin());
    if (!queue.empty()) {
        *answer = continueScanAllServers();
        return;
    }
    if (toScanAllServers_) {
        toScanAllServers_->cell()->setHighlighted(false);
        toScanAllServers_->setState(0);
        toScanAllServers_->update();
    }
    if (toProgressBar_) toProgressBar_->setCustomTitle(std::nullopt);
    ui().periodicUpdateProgressBar(true);
    showProgress(true);
    *answer = false;
}

bool ContentUIPanel::continueScanAllServers() {
    auto& queue = ui().scanAllServersTasks();
    if (queue.empty()) return false;
    if (ui().scanAfterEachTransfer() && toScanAllServers_) {
        toScanAllServers_->setButtonType(2);
        toScanAllServers_->cell()->setHighlighted(true);
        toScanAllServers_->setState(1);
    }
    if (!agentBusy() && toProgressBar_) toProgressBar_->setDoubleValue(0.8 / double(queue.size()));
    bool answer = false;
    const std::shared_ptr<ContentTransfer> head = queue.front();
    const double t = now();
    if (head->scanStep() < 0) {
        ContentCollection* c = ui().contentCollection(head->collectionID());
        if (c && c->fetchDatabaseFolder(head)) {
            queue.front() = ContentTransfer::scanTask(kScanWaitForFolders, head->collectionID());
            return true;
        }
        finishScanHead(&answer);
        return answer;
    }
    ContentCollection* c = ui().contentCollection(head->collectionID());
    ContentAnalysis* a = c ? c->analysis.get() : nullptr;
    KlE_Control_Status* net = network();
    QStringList names;
    // The servers the Status tab lists: the link's table.
    if (net)
        for (const auto& [name, object] : net->keloes())
            if (object) names << name;
    switch (head->scanStep()) {
        case kScanCleanUp:
            if (scanTimeout_ > t) return true;
            if (a)
                for (const auto& member : a->members)
                    if (KeloObject* k = kelo(member->name)) k->cleanUpAfterSync();
            scanTimeout_ = 0;
            break;
        case kScanFetchDatabases: {
            setProgressText("Fetching databases");
            scanTimeout_ = 0;
            for (const QString& name : names) {
                KeloObject* k = kelo(name);
                if (!k || k->address() == 0 || k->contentDatabaseValid()) continue;
                setProgressText(QString("Fetching '%1' database").arg(screenName(name)));
                k->updateContentDatabase();
                scanTimeout_ = t + 10.0;
            }
            if (scanTimeout_ == 0) break;
            queue.front() = ContentTransfer::scanTask(kScanAnalyse, head->collectionID());
            return true;
        }
        case kScanAnalyse: {
            setProgressText("Analysing");
            // Databases still on their way get until the fetch deadline.
            bool missing = false;
            for (const QString& name : names) {
                KeloObject* k = kelo(name);
                if (k && k->address() != 0 && !k->contentDatabaseValid()) missing = true;
            }
            if (missing && scanTimeout_ > t) return true;
            scanTimeout_ = 0;
            if (head->collectionID() < 0 || head->collectionID() != ui().collectionID() ||
                ui().selectedKeloChanged())
                break;
            ui().setRescanDone(false);
            if (!ui().analyse()) break;
            scanTimeout_ = t + 3.0;
            queue.front() = ContentTransfer::scanTask(kScanWaitForAnalysis, head->collectionID());
            return true;
        }
        case kScanWaitForAnalysis:
            if (scanTimeout_ > t && !ui().rescanDone()) return true;
            scanTimeout_ = 0;
            break;
        case kScanWaitForFolders:
            if (a)
                for (const auto& member : a->members) {
                    if (member->waitingForDbFolders.empty()) continue;
                    if (scanTimeout_ == 0) {
                        scanTimeout_ = t + 3.5;
                        setProgressText("Retrieving Newest Folders");
                        return true;
                    }
                    if (scanTimeout_ > t) return true;
                    OmLogNoFlood(kOmLogDebug, "Note: waitingForDbFolders timeout %s\n",
                                 qPrintable(member->name));
                    if (c) c->freshFolders.clear();
                }
            scanTimeout_ = 0;
            break;
        case kScanSendRescan:
            OmLogNoFlood(kOmLogInfo, "[Content] Sending Rescan to all Keloes\n");
            setProgressText("Sending Rescan to all Keloes");
            if (net)
                for (const QString& name : names)
                    net->sendKeloRemoteCommand(kRemoteRescanCommand, name);
            queue.front() = ContentTransfer::scanTask(kScanWaitAfterRescan, head->collectionID());
            scanTimeout_ = t + 1.0;
            return true;
        case kScanWaitAfterRescan:
            if (scanTimeout_ > t) return true;
            scanTimeout_ = 0;
            break;
        case kScanResumeAgent:
            agent()->resume();
            break;
        default:
            break;
    }
    finishScanHead(&answer);
    return answer;
}

// --- Menus and commands ---------------------------------------------------------------

QMenu* ContentUIPanel::menuForEvent(ContentTableView* table) {
    lastMenu_ = menuForEvent(static_cast<QObject*>(table));
    return lastMenu_.get();
}

std::unique_ptr<QMenu> ContentUIPanel::menuForEvent(QObject* sender) {
    if (sender == toHistoryTable_) return nullptr;
    auto menu = std::make_unique<QMenu>("Table Menu");
    auto add = [&](const QString& title, int tag, bool enabled) {
        QAction* action = menu->addAction(title);
        action->setData(tag);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, tag, title] { menuAction(tag, title); });
        return action;
    };
    const bool masterSelected = ContentUI::masterSelected();
    const QString forceTip = "Force file(s) to sync, even if no difference detected";
    if (sender == toFolderTable_) {
        int eligible = 0, managed = 0, managedNeedingSync = 0;
        bool lastIsMetadata = false;
        for (size_t index : ui().folderSelection()) {
            const ContentTableRow* r = contentTableRow(int(index), true);
            if (!r) continue;
            lastIsMetadata = r->isMetaDataFile;
            if (r->isMemberOnly || r->isSeparatorRow || !r->parsedName.contentID()) continue;
            ++eligible;
            if (r->masterFolder && isWatchedKey(r->masterFolder->SelfRefKey())) {
                ++managed;
                if (r->needsSync()) ++managedNeedingSync;
            }
        }
        const QString manage = eligible > 1     ? "Manage selected folders"
                               : lastIsMetadata ? "Manage this file"
                                                : "Manage this folder";
        const bool allManaged = managed == eligible;
        QAction* item = add(manage, allManaged ? kManageOff : kManageOn, true);
        item->setCheckable(true);
        item->setChecked(allManaged);
        add(eligible > 1 ? "Synchronize selected folders" : "Synchronize this folder", kSyncFolders,
            masterSelected && managedNeedingSync > 0);
        add(eligible > 1 ? "Force synchronize selected folders" : "Force synchronize this folder",
            kForceSyncFolders, masterSelected && managed > 0)
            ->setToolTip(forceTip);
    } else if (sender == toFileTable_) {
        if (ContentTableRowPtr folder = ui().singleSelectedFolder()) {
            int eligible = 0, needing = 0;
            for (size_t index : ui().fileSelection()) {
                const ContentTableRow* r = contentTableRow(int(index), false);
                if (!r || r->isMemberOnly || r->isSeparatorRow || !r->parsedName.contentID())
                    continue;
                ++eligible;
                if (r->needsSync()) ++needing;
            }
            const bool managed =
                folder->masterFolder && isWatchedKey(folder->masterFolder->SelfRefKey());
            add(eligible > 1 ? "Synchronize selected files" : "Synchronize this file", kSyncFiles,
                masterSelected && needing > 0);
            add(eligible > 1 ? "Force synchronize selected files" : "Force synchronize this file",
                kForceSyncFiles, managed && masterSelected)
                ->setToolTip(forceTip);
            const QString member = selectedMemberName();
            if (managed && !masterSelected && !member.isEmpty()) {
                menu->addSeparator();
                QMenu* backwards = menu->addMenu(
                    QString("Backwards sync FROM member '%1'").arg(screenName(member)));
                backwards->setTitle(backwards->title());
                backwards->setObjectName("Backwards Menu");
                int wrong = 0;
                QString wrongMember;
                for (size_t index : ui().fileSelection()) {
                    const ContentTableRow* r = contentTableRow(int(index), false);
                    if (r && r->isMemberOnly && r->isMemberOnlyKeloName != member) {
                        ++wrong;
                        wrongMember = r->isMemberOnlyKeloName;
                    }
                }
                if (wrong > 0)
                    backwards
                        ->addAction(QString("Note: will not sync %1 file row(s)\nwhich belong "
                                            "to wrong member %2")
                                        .arg(wrong)
                                        .arg(screenName(wrongMember)))
                        ->setEnabled(false);
                for (const auto& [title, tag] :
                     {std::pair<QString, int>{"sync TO master (just this once)",
                                              kBackwardsToMaster},
                      {"sync TO master & others (just this once)", kBackwardsToAll}}) {
                    QAction* action = backwards->addAction(title);
                    action->setData(tag);
                    action->setToolTip("Just this once, use the selected member as source");
                    connect(action, &QAction::triggered, this,
                            [this, tag = tag, title = title] { menuAction(tag, title); });
                }
            }
        }
    }
    const bool fileTable = sender == toFileTable_;
    if (!keloRootPath().isEmpty()) {
        if (!menu->isEmpty()) menu->addSeparator();
        add("Reveal in Finder (local machine)", fileTable ? kRevealFiles : kRevealFolders, true);
        QString server;
        const ContentTableRow* concerned = fileTable ? selectedFile() : nullptr;
        ContentTableRowPtr folder = ui().singleSelectedFolder();
        if (!concerned) concerned = folder.get();
        if (concerned && concerned->isMemberOnly)
            server = concerned->isMemberOnlyKeloName;
        else
            server = ContentUI::services().selectedServerName();
        add(QString("Reveal in Finder (on kelo '%1')").arg(screenName(server)),
            fileTable ? kRevealFiles : kRevealFolders, true);
        ContentTableRow* file = selectedFile();
        const ContentTableRow* pilotRow = file ? file : folder.get();
        if (runningPilotCount() > 0 && pilotRow && pilotRow->masterFolder &&
            KeloContentID::typeForFolderKey(pilotRow->masterFolder->SelfRefKey()) == 0)
            add("Reveal in Kelo Pilot", fileTable ? kPilotFiles : kPilotFolders, true);
    }
    if (!menu->isEmpty()) menu->addSeparator();
    QString archive = "KeloDaemon Archive (%)";
    if (KeloObject* k = kelo(ContentUI::services().selectedServerName())) {
        if (KlE_Control_Status* net = network()) net->getPrefValue("daemon_archive", k);
        const QVariantMap pref = k->prefsDict().value("daemon_archive").toMap();
        if (pref.contains("_value"))
            archive = QString("KeloDaemon Archive (%1%)").arg(pref.value("_value").toInt());
    }
    add(archive, kDaemonArchive, true);
    return menu;
}

void ContentUIPanel::menuAction(int tag, const QString& title) {
    pilotContentID_.reset();
    ContentRows folders;
    for (size_t index : ui().folderSelection())
        if (index < ui().folderDataSource().size())
            folders.push_back(ui().folderDataSource()[index]);
    for (const ContentTableRowPtr& folder : folders) {
        if (tag == kPilotFolders || tag == kPilotFiles) {
            ContentTableRow* file = selectedFile();
            const auto& id = file && file->parsedName.contentID() ? file->parsedName.contentID()
                                                                  : folder->parsedName.contentID();
            if (id) pilotContentID_ = id->intValue();
        }
        const bool managed =
            folder->masterFolder && isWatchedKey(folder->masterFolder->SelfRefKey());
        if (tag == kManageOn && !managed) ui().addOrRemoveWatchedFolder(*folder, true);
        if (tag == kManageOff && managed) ui().addOrRemoveWatchedFolder(*folder, false);
    }
    switch (tag) {
        case kManageOn:
        case kManageOff:
            updateAccordionMarks();
            toFolderTable_->viewport()->update();
            break;
        case kSyncFolders:
        case kForceSyncFolders:
            ui().syncFolders(folders, tag == kForceSyncFolders);
            break;
        case kSyncFiles:
        case kForceSyncFiles:
        case kBackwardsToMaster:
        case kBackwardsToAll: {
            ContentTableRowPtr folder = ui().singleSelectedFolder();
            const ContentUI::RowIndexes rows = ui().fileSelection();
            if (!folder) break;
            if (tag == kSyncFiles || tag == kForceSyncFiles)
                ui().syncFolder(folder, tag == kForceSyncFiles, &rows);
            else
                ui().syncBackwards(tag, folder, false, &rows);
            break;
        }
        case kRevealFolders:
        case kRevealFiles:
            revealRows(tag, title);
            break;
        case kPilotFolders:
        case kPilotFiles:
            if (pilotContentID_) {
                const uint32_t id = *pilotContentID_;
                launchPilotIfNeeded(
                    [id] { ContentDesktopServices::shared().postRemoteContentID(id); });
            }
            break;
        case kDaemonArchive:
            NotificationCenter::defaultCenter().post(
                kKeloRemoteNotification, this,
                QVariantMap{{"type", 7}, {"prefName", "daemon_archive"}});
            break;
        default:
            break;
    }
}

void ContentUIPanel::revealRows(int tag, const QString& title) {
    const QString root = keloRootPath();
    if (root.isEmpty()) return;
    KlE_Control_Status* net = network();
    KeloObject* local = net ? net->keloObjectForAddress(0x7F000001) : nullptr;
    const bool revealsLocally = local && title == "Reveal in Finder (local machine)";
    std::vector<size_t> indexes =
        tag == kRevealFolders ? ui().folderSelection() : ui().fileSelection();
    RemoteFileManager& manager = *fileManagerDelegate_->remoteFileManager();
    QList<QUrl> found;
    bool lastLocal = false;
    for (size_t index : indexes) {
        ContentTableRow* r = contentTableRow(int(index), tag == kRevealFolders);
        if (!r || r->path().isEmpty()) continue;
        KeloObject* target = r->isMemberOnly ? kelo(r->isMemberOnlyKeloName)
                                             : kelo(ContentUI::services().selectedServerName());
        const bool isLocal = revealsLocally || (target && target == local);
        if (isLocal) target = local;
        lastLocal = isLocal;
        QVariantMap options{{"doLocalMachine", isLocal}};
        if (target) {
            options.insert("targetServerName", target->name());
            options.insert("targetServerAddr", target->addressString());
            const QVariant boot = target->contentDatabase().value(".KeloBootVolumePath");
            if (boot.isValid()) options.insert(".KeloBootVolumePath", boot);
        }
        bool canceled = false;
        auto task = manager.klAsyncOp(kRfmOpFileUrl, r->path(), 2.0, options, &canceled);
        if (canceled) return;
        if (!task || task->asyncUrl.isEmpty()) {
            const QString parent = QFileInfo(r->path()).path();
            if (!parent.isEmpty() && parent != ".")
                task = manager.klAsyncOp(kRfmOpFileUrl, parent, 2.0, options, &canceled);
            if (canceled) return;
        }
        if (task && !task->asyncUrl.isEmpty())
            found << task->asyncUrl;
        else if (isLocal)
            OmLogNoFlood(kOmLogInfo, "[Content] Could not find file on local machine: '%s'\n",
                         qPrintable(r->path()));
    }
    if (found.isEmpty() && lastLocal) found << QUrl::fromLocalFile(root);
    if (found.isEmpty()) return;
    ContentDesktopServices::shared().revealInFileManager(found);
    emit revealed(found);
}

QString ContentUIPanel::pilotPreferencesPath() const {
    const QString folder =
        options_.pilotPreferencesFolder.isNull()
            ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            : options_.pilotPreferencesFolder;
    return QDir(folder).filePath(QString(kPilotBundle) + ".plist");
}

int ContentUIPanel::runningPilotCount() const {
    QString expected;
    const QString launchPath =
        readPreferences(pilotPreferencesPath()).value("lastLaunchPath").toString();
    if (!launchPath.isEmpty()) expected = QFileInfo(launchPath).canonicalFilePath();
    int count = 0;
    const QDir proc("/proc");
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid.isEmpty() || !pid.front().isDigit()) continue;
        const QString exe = QFileInfo(proc.filePath(pid + "/exe")).symLinkTarget();
        if (exe.isEmpty()) continue;
        if ((!expected.isEmpty() && exe == expected) || QFileInfo(exe).fileName() == kPilotProgram)
            ++count;
    }
    return count;
}

void ContentUIPanel::launchPilotIfNeeded(std::function<void()> then) {
    auto report = [] {
        KlStatusLine::shared().showStatusText(
            QString("Kelo Pilot application not found.  Download latest ") + kPilotDownload,
            Qt::yellow);
    };
    if (runningPilotCount() > 0) {
        if (runningPilotCount() == 1) {
            if (then) then();
        } else {
            report();
        }
        return;
    }
    const QString path = readPreferences(pilotPreferencesPath()).value("lastLaunchPath").toString();
    if (path.isEmpty() || !ContentDesktopServices::shared().confirmLaunchPilot()) {
        report();
        return;
    }
    // The program path goes to the system as one argument, never through a
    // shell.
    if (!QProcess::startDetached(path, {})) {
        report();
        return;
    }
    // Give it time to come up without holding the window still.
    QTimer::singleShot(options_.pilotLaunchWaitMs, this, [this, then, report] {
        if (runningPilotCount() == 1) {
            if (then) then();
        } else {
            report();
        }
    });
}

void ContentUIPanel::refreshButtonClicked() {
    clearThumbnailCache();
    ui().requestRescan();
}

void ContentUIPanel::showVolumeActionMenu() {
    lastMenu_ = menuForEvent(static_cast<QObject*>(toFldrVolumeActionMenu_));
    if (lastMenu_) lastMenu_->popup(QCursor::pos());
}

void ContentUIPanel::showProgress(bool force) {
    const ContentUI::ProgressDisplay& display = ui().progressDisplay();
    if (!force && shownProgress_ == display) return;
    shownProgress_ = display;
    if (toProgressBar_) {
        toProgressBar_->setDoubleValue(display.visible ? display.value : 0);
        toProgressBar_->setVisible(display.visible);
        if (display.visible)
            toProgressBar_->setCustomTitle(
                display.title.isEmpty()
                    ? std::nullopt
                    : std::optional<AttributedString>(AttributedString(display.title)));
    }
    if (toProgressText_) {
        if (display.visible) toProgressText_->setStringValue(display.text);
        toProgressText_->setVisible(display.visible);
    }
    if (toCancelTransferButton_) toCancelTransferButton_->setVisible(display.visible);
}

void ContentUIPanel::folderSelectionChanged(const std::vector<size_t>& rows) {
    ui().changedSelectedFolder(rows);
    fileModel_->reload();
    showSelection(toFileTable_, ui().fileSelection());
}

void ContentUIPanel::tick() {
    // A question to the operator holds the refresh, as a modal alert holds
    // the tab's timer: a sync pass waiting for the answer must find its rows
    // as it left them.
    if (QApplication::activeModalWidget()) return;
    reportVisibleRows();
    const double lastFull = ui().lastFullUpdateTick();
    ui().timerProc();
    if (ui().lastFullUpdateTick() != lastFull) {
        klLogUI_->periodicUpdate();
        ui().setHistoryShown(klLogUI_->historyShown());
    }
    updateHeaderTitle();
    showProgress(false);
    showRefreshState();
    showManageSwitch();
}

void ContentUIPanel::showRefreshState() {
    toFolderTable_->setDrawingContentStatus(ui().contentStatus());
    const int tag = ui().refreshButtonTag();
    if (refreshTag_ == tag) return;
    refreshTag_ = tag;
    setAttributedColor(toRefresh_, tag == 1 ? QColor(Qt::green) : QColor());
}
