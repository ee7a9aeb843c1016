#pragma once

#include "content/ContentBitRate.h"
#include "content/ContentTableRow.h"
#include "content/ContentUI.h"
#include "hud/views/MouseHoverProtocol.h"
#include "hud/views/TableViewDelegate.h"
#include "hud/windows/KlLogUI.h"
#include "platform/NotificationCenter.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

class ContentAccordionItem;
struct ContentAnalysis;
class ContentCollection;
class ContentCollectionCell;
class ContentFileDetail;
class ContentTableModel;
class ContentTableView;
class DTableView;
class HUDButton;
class HUDLabel;
class HUDProgressIndicator;
class HUDSegmentedControl;
class HUDTextField;
class KeloContentAnalyser;
class KeloContentTransferAgent;
class KeloObject;
class KlAccordionView;
class KlE_Control_Status;
class OmLog;
class QMenu;
class QPainter;
class QSplitter;
class QTimer;
class QWidget;
class SimpleRemoteDelegate;
class TextFieldCell;
class VSeparableController;
class ContentCollectionHeader;

// A table value as the Content tables show it.
struct ContentCellText {
    QString text;
    QColor color;  // invalid: the table's text colour
    bool indent = false;
};

// The Content tab's windows and commands over the data of ContentUI: the
// folder-type headers and the folder, file and history tables with their
// colours, hover texts and sync clicks; the folder and file detail panels
// with the thumbnails they ask the servers for; the "Scan All Servers"
// sequence; the context menus and their commands; and the content
// settings the main window's preferences change (bandwidth, slow-transfer
// logging); and the tab's log panel, whose lines every collection's history
// takes in. The page goes into the main window's Content tab (page()); the
// "Scan All Servers" button is the main window's (setScanAllServers).
// Main thread only.
class ContentUIPanel : public QObject,
                       public TableViewDelegate,
                       public MouseHoverProtocol,
                       public KlLogUIDelegate {
    Q_OBJECT
public:
    struct Options {
        ContentUI* ui = nullptr;                    // null: ContentUI::instance()
        KlE_Control_Status* network = nullptr;      // null: the process's link
        KeloContentAnalyser* analyser = nullptr;    // null: the shared analyser
        // Reference-date seconds; null: the server link's clock.
        std::function<double()> clock;
        // The folder that holds the companion program's preferences; null:
        // the user's configuration folder.
        QString pilotPreferencesFolder;
        int pilotLaunchWaitMs = 5000;
        bool timer = true;  // the 0.1 s tick: the model's refresh cycle
    };

    // Scan steps of the "Scan All Servers" queue.
    enum ScanStep {
        kScanCleanUp = 0,
        kScanFetchDatabases = 1,
        kScanAnalyse = 2,
        kScanWaitForAnalysis = 3,
        kScanWaitForFolders = 4,
        kScanSendRescan = 5,
        kScanWaitAfterRescan = 6,
        kScanResumeAgent = 7,
    };
    // Menu tags.
    enum MenuTag {
        kManageOff = 1,
        kManageOn = 2,
        kSyncFolders = 3,
        kForceSyncFolders = 4,
        kSyncFiles = 20,
        kForceSyncFiles = 21,
        kBackwardsToMaster = 22,
        kBackwardsToAll = 23,
        kRevealFolders = 100,
        kRevealFiles = 101,
        kPilotFolders = 110,
        kPilotFiles = 111,
        kDaemonArchive = 112,
    };

    ContentUIPanel();
    explicit ContentUIPanel(const Options& options);
    ~ContentUIPanel() override;

    // --- Set-up ---------------------------------------------------------------
    // The page for the main window's Content tab.
    QWidget* page() const;
    VSeparableController* separableController() const { return controller_.get(); }
    // The main window's shared progress controls (not owned); `tab`, when
    // given, takes the page.
    void setContentTab(QWidget* tab, HUDProgressIndicator* progressBar, HUDTextField* progressText,
                       HUDButton* cancelButton);
    // The main window's scan button (not owned): its clicks start the scan.
    void setScanAllServers(HUDButton* button);
    // The Status tab's monitor/manage switch (not owned): starts on monitor;
    // the tick keeps it showing the model's state.
    void setMonitorOrManage(HUDSegmentedControl* control);

    ContentTableView* folderTable() const { return toFolderTable_; }
    ContentTableView* fileTable() const { return toFileTable_; }
    DTableView* historyTable() const { return toHistoryTable_; }
    KlAccordionView* folderAccordion() const { return toFolderAccordion_; }
    ContentFileDetail* contentFileDetail() const;
    ContentFileDetail* warnContentFileDetail() const { return warnContentFileDetail_.get(); }
    QSplitter* splitView() const { return toSplitView_; }
    HUDButton* scanButton() const;
    HUDButton* logButton() const { return toLogButton_; }
    KlLogUI* klLogUI() const { return klLogUI_; }
    QWidget* folderDetailView() const { return toFldrDetailView_; }
    // The folder panel's value fields by name ("index", "identity", "name",
    // "path", "count", "modified", "sync", "free").
    HUDTextField* folderField(const QString& name) const;
    HUDProgressIndicator* volumeBar() const { return toFldrVolumeBar_; }

    // --- Content settings -----------------------------------------------------
    // The model's bandwidth setting.
    ContentBitRate bitRate() const;
    // Keeps the rate the transfer code can carry and saves it; warns when a
    // running transfer keeps its old rate.
    void setBitRate(const ContentBitRate& rate);
    bool logSlowest() const { return logSlowest_; }
    bool showTurtle() const { return showTurtle_; }
    void setLogSlowest(bool on) { logSlowest_ = on; }
    void setShowTurtle(bool on) { showTurtle_ = on; }
    void logSlowest(bool logSlowest, bool turtle);
    // The history pane below the tables: only it collapses (dragged shut or
    // by a double click on its divider, which opens it again); heights above
    // 50 are remembered; the divider of a collapsed history hides while the
    // file table is at least 200 high.
    bool splitViewCanCollapseSubview(const QWidget* subview) const;
    bool splitViewShouldHideDivider() const;
    void splitViewDoubleClickedDivider();
    void splitViewDidResizeSubviews();
    // Hidden (closed with the log button) or dragged shut.
    bool historyCollapsed() const;

    // --- Log panel ------------------------------------------------------------
    // A line for the tab's log panel: the program's log, the status line,
    // the panel and every collection's history.
    void log(OmLogLevel level, const QString& text);
    // The panel's entries as the histories keep them, oldest first.
    QVariantList logMessages() const;
    void logEntryAdded(const KlLogEntry& entry) override;
    void clearLog() override;
    // --- Tables ---------------------------------------------------------------
    int numberOfRows(int table) const;
    ContentTableRow* contentTableRow(int row, bool isFolder) const;
    ContentCellText objectValue(int table, int column, int row);
    ContentCellText objectValueForFolderColumn(int column, int row);
    ContentCellText objectValueForFileColumn(int column, int row);
    // Fills a table's cell for drawing.
    void prepareCell(ContentTableView& table, TextFieldCell& cell, int column, int row);
    // Fills under a row; true when the row was drawn completely (separator).
    bool drawRow(QPainter& painter, int table, int row, const QRectF& rowRect,
                 const QRectF& cellRect, bool firstColumn);
    static QString contentStatusText(int code, const QString& collectionLetter, bool reanalysing);
    void drawContentStatus(QPainter& painter, int code, const QRectF& visibleRect);
    // Reloads the tables after their data sources changed.
    void reloadTables();
    // Tells the model which rows are on screen (it redraws only those).
    void reportVisibleRows();
    // The model's redraw and history notifications.
    void rowsNeedRedraw(const QVariantMap& info);
    void historyChanged(const QVariantMap& info);
    void folderSyncClicked(ContentTableView* table, int row);
    void folderAccordionClicked();
    std::optional<QList<int>> selectionIndexesForProposedSelection(
        QAbstractItemView* table, const QList<int>& proposed) override;
    void tableViewSelectionDidChange(QAbstractItemView* table);
    // The folder table's selection goes to the model, which picks the files.
    void folderSelectionChanged(const std::vector<size_t>& rows);
    // The accordion headers' marks from the collection's folder rows.
    void updateAccordionMarks();
    // The header line from the model's title.
    void updateHeaderTitle();
    const ContentCollectionCell& headerCell() const;

    // --- Hover ----------------------------------------------------------------
    QString mouseHoverTooltipForSyncCell(const ContentTableRow& row, QColor* color,
                                         Qt::CursorShape* cursor, bool isSyncColumn,
                                         bool isStatusColumn, bool isFileDetail) const;
    void showMouseHoverInfo(DTableView* table, const QPointF& point) override;
    void resetMouseHoverInfo(DTableView* table) override;
    const QString& hoverText() const { return hoverText_; }
    QColor hoverColor() const { return hoverColor_; }

    // --- Details and thumbnails -----------------------------------------------
    ContentTableRow* selectedFile() const;
    // The file's database entry on the server it is shown for.
    QVariantMap fetchFileDetail(ContentTableRow& row);
    void fetchThumbnail(ContentTableRow& row);
    void periodicFetchThumbnails();
    // The model's cache and request queue (the model stores the answers).
    void clearThumbnailCache();
    void updateFileDetailView();
    void updateFileDetailView(ContentFileDetail& panel, ContentTableRow* row,
                              const QString& member);
    void updateFolderDetailView();

    // --- Scan all, menus, commands --------------------------------------------
    void scanAllServers(bool shift);
    bool continueScanAllServers();
    double scanTimeout() const { return scanTimeout_; }
    std::unique_ptr<QMenu> menuForEvent(QObject* sender);
    QMenu* menuForEvent(ContentTableView* table);
    void menuAction(int tag, const QString& title);
    // Starts the companion program when it is not running; `then` runs once
    // it is found running after the wait.
    void launchPilotIfNeeded(std::function<void()> then = {});
    // Processes running the companion program.
    int runningPilotCount() const;
    void refreshButtonClicked();
    void showVolumeActionMenu();
    // One 0.1 s cycle of the model's refresh, shown in the window.
    void tick();
    // The model's progress display on the main window's shared controls;
    // unless forced, only when it changed.
    void showProgress(bool force);
    // The folder table's status message and the refresh button's flash.
    void showRefreshState();
    // The monitor/manage switch as the model has it.
    void showManageSwitch();

protected:
    // Keeps the page's content the size of the panel's container.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // After a reveal in the desktop's file manager (the URLs shown).
    void revealed(const QList<QUrl>& urls);

private:
    void buildPage();
    // A model for one of the tab's tables, with its first columns' widths.
    ContentTableModel* attachModel(ContentTableView* table, int kind, const QStringList& titles,
                                   std::initializer_list<int> widths);
    void buildHistorySplit();
    // The history's row: the shown collection's, else the log panel's.
    QVariant historyEntry(int row) const;
    static int openHistoryHeight();
    void updateDividerVisibility();
    void observeModel();
    ContentUI& ui() const;
    KlE_Control_Status* network() const;
    KeloContentAnalyser* analyser() const;
    double now() const;
    ContentCollection* collection() const;
    ContentAnalysis* analysis() const;
    QString selectedMemberName() const;
    QString screenName(const QString& name) const;
    QString collectionLetter() const;
    bool isWatchedKey(const QString& key) const;
    void commitSettings();
    bool agentBusy() const;
    KeloContentTransferAgent* agent() const;
    void finishScanHead(bool* answer);
    QString pilotPreferencesPath() const;
    void revealRows(int tag, const QString& title);
    void setProgressText(const QString& text);
    KeloObject* kelo(const QString& name) const;
    int selectedFileIndex() const;

    Options options_;
    std::unique_ptr<VSeparableController> controller_;
    QPointer<QWidget> content_;
    KlAccordionView* toFolderAccordion_ = nullptr;
    std::vector<std::shared_ptr<ContentAccordionItem>> accordionItems_;
    ContentTableView* toFolderTable_ = nullptr;
    ContentTableView* toFileTable_ = nullptr;
    DTableView* toHistoryTable_ = nullptr;
    ContentTableModel* folderModel_ = nullptr;
    ContentTableModel* fileModel_ = nullptr;
    ContentTableModel* historyModel_ = nullptr;
    QWidget* toFldrDetailView_ = nullptr;
    std::map<QString, HUDTextField*> folderFields_;
    HUDProgressIndicator* toFldrVolumeBar_ = nullptr;
    HUDButton* toFldrVolumeActionMenu_ = nullptr;
    HUDButton* toRefresh_ = nullptr;
    HUDButton* toLogButton_ = nullptr;
    KlLogUI* klLogUI_ = nullptr;  // the panel's child
    std::unique_ptr<OmLog> omLog_;
    ContentCollectionHeader* header_ = nullptr;
    QPointer<ContentFileDetail> contentFileDetail_;  // the page owns it
    std::unique_ptr<ContentFileDetail> warnContentFileDetail_;
    QSplitter* toSplitView_ = nullptr;
    QPointer<HUDProgressIndicator> toProgressBar_;
    QPointer<HUDTextField> toProgressText_;
    QPointer<HUDButton> toCancelTransferButton_;
    QPointer<HUDButton> toScanAllServers_;
    QPointer<HUDSegmentedControl> toMonitorOrManage_;
    std::unique_ptr<QMenu> lastMenu_;

    bool logSlowest_ = false;
    bool showTurtle_ = false;
    std::unique_ptr<SimpleRemoteDelegate> fileManagerDelegate_;

    double scanTimeout_ = 0;
    std::optional<ContentUI::ProgressDisplay> shownProgress_;
    int refreshTag_ = 0;  // 1: the refresh button shows green
    std::optional<uint32_t> pilotContentID_;

    QString hoverText_;
    QColor hoverColor_;
    QTimer* timer_ = nullptr;
    std::vector<NotificationCenter::Token> observers_;
};
