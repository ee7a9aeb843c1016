#include "hud/windows/KlLogUI.h"

#include "foundation/KlStatusLine.h"
#include "hud/views/DTableView.h"
#include "platform/MainThread.h"
#include "platform/UserDefaults.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QSplitter>
#include <QTime>
#include <QTimer>

namespace {
// Drawing a megabyte in one row would stall the table; the entry keeps it all.
constexpr int kShownCharacters = 2000;
constexpr int kDefaultHeight = 100;

// The panel's own history pane, for a panel whose owner has none.
DTableView* newHistoryTable() {
    auto* table = new DTableView;
    table->horizontalHeader()->setStretchLastSection(true);
    table->setAlternatingRowColors(true);
    // The operator may drag the pane lower than a scroll area's usual minimum.
    table->setMinimumSize(1, 1);
    return table;
}

}  // namespace

// The history as the table sees it: columns time and text.
class KlLogUI::Model : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(entries.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= entries.size()) return {};
        const KlLogEntry& entry = entries.at(index.row());
        if (role == Qt::DisplayRole) {
            return index.column() == 0 ? entry.ended : entry.log.left(kShownCharacters);
        }
        if (role == Qt::ForegroundRole && entry.color.isValid()) return entry.color;
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return section == 0 ? QStringLiteral("Time") : QStringLiteral("Message");
    }

    void append(const KlLogEntry& entry) {
        const int row = int(entries.size());
        beginInsertRows({}, row, row);
        entries.append(entry);
        endInsertRows();
        if (entries.size() > kMaxEntries) {
            beginRemoveRows({}, 0, 0);
            entries.removeFirst();
            endRemoveRows();
        }
    }
    void clear() {
        beginResetModel();
        entries.clear();
        endResetModel();
    }

    QList<KlLogEntry> entries;
};

QVariantMap KlLogEntry::dictionary() const {
    QVariantMap entry{{"log", log}, {"ended", ended}, {"flash", flash}};
    if (color.isValid()) entry.insert("color", color);
    return entry;
}

KlLogUI::KlLogUI(QSplitter* splitView, QAbstractButton* logButton, QObject* parent)
    : KlLogUI(splitView, logButton, newHistoryTable(), parent) {
    toHistoryTable_->setModel(model_);
    toHistoryTable_->setColumnWidth(0, 70);  // needs the model's columns
}

KlLogUI::KlLogUI(QSplitter* splitView, QAbstractButton* logButton, DTableView* historyTable,
                 QObject* parent)
    : QObject(parent), toLogButton_(logButton), toSplitView_(splitView) {
    model_ = new Model(this);
    toHistoryTable_ = historyTable;
    if (toSplitView_) {
        const int index = toSplitView_->indexOf(historyTable);
        if (index < 0)
            toSplitView_->insertWidget(0, historyTable);
        else
            paneIndex_ = index;
    }
    searchView_ = new QLineEdit(toHistoryTable_);
    searchView_->hide();
    toHistoryTable_->hide();
    if (toLogButton_) {
        toLogButton_->setCheckable(true);
        connect(toLogButton_, &QAbstractButton::clicked, this, [this] { logButtonClicked(); });
    }
}

int KlLogUI::paneIndex() const {
    const int index = toSplitView_ ? toSplitView_->indexOf(toHistoryTable_) : -1;
    return index < 0 ? paneIndex_ : index;
}

KlLogUI::~KlLogUI() {
    // A pane that is in no split view has no other owner.
    if (toHistoryTable_ && !toHistoryTable_->parent()) delete toHistoryTable_;
}

QLineEdit* KlLogUI::searchView() const {
    return searchView_;
}

DTableView* KlLogUI::historyTable() const {
    return toHistoryTable_;
}

const QList<KlLogEntry>& KlLogUI::logMessages() const {
    return model_->entries;
}

void KlLogUI::setDelegate(KlLogUIDelegate* delegate, OmLog* omLog, const QString& prefKeyShow,
                          const QString& prefKeyHeight) {
    model_->clear();
    delegate_ = delegate;
    omLog_ = omLog;
    prefKeyShow_ = prefKeyShow;
    prefKeyHeight_ = prefKeyHeight;
    searchView_->hide();
    if (!prefKeyShow_.isEmpty() && UserDefaults::standard().object(prefKeyShow_).isValid()) {
        openHistory();
    }
    historyShown_ =
        !prefKeyShow_.isEmpty() && UserDefaults::standard().object(prefKeyShow_).isValid();
}

void KlLogUI::log(const QString& text) {
    OmLogLevel level = kOmLogInfo;
    if (text.startsWith(QLatin1String("ERR"))) {
        level = kOmLogError;
    } else if (text.startsWith(QLatin1String("Warning"))) {
        level = kOmLogWarning;
    }
    log(level, text);
}

void KlLogUI::log(OmLogLevel level, const QString& text) {
    // A lone surrogate has no UTF-8 form.
    if (!text.isValidUtf16()) return;
    QColor color;
    if (level == kOmLogError) {
        color = QColor(Qt::red);
    } else if (level == kOmLogWarning) {
        color = QColor(Qt::yellow);
    }
    KlStatusLine::shared().showStatusText(text, color);
    const QByteArray utf8 = text.toUtf8();
    const int result = omLog_ ? omLog_->level(level, true, utf8.constData())
                              : OmLogCore(level == kOmLogError     ? "e"
                                          : level == kOmLogWarning ? "w"
                                                                   : "i",
                                          "", true, level, utf8.constData());
    if (result != 0) return;
    static const QString kTimeFormat = QStringLiteral("HH:mm:ss");
    const QString ended = QTime::currentTime().toString(kTimeFormat);
    const bool flash = level == kOmLogWarning || level == kOmLogError;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        addLogEntry({line, ended, flash, color});
    }
}

void KlLogUI::addLogEntry(const KlLogEntry& entry) {
    if (!MainThread::isMainThread()) {
        QPointer<KlLogUI> self(this);
        MainThread::runOnMain([self, entry] {
            if (self) self->forwardLogEntryToMainThread(entry);
        });
        return;
    }
    forwardLogEntryToMainThread(entry);
}

void KlLogUI::forwardLogEntryToMainThread(const KlLogEntry& entry) {
    if (entry.flash && !historyShown_) logButtonClicked();
    if (delegate_) delegate_->logEntryAdded(entry);
    model_->append(entry);
    emit historyRowsChanged();
    toHistoryTable_->scrollToBottom();
    // The table's own row count: an owner's history may hold more than the log.
    const int rows = toHistoryTable_->model() ? toHistoryTable_->model()->rowCount() : 0;
    if (entry.flash && rows > 0) {
        toHistoryTable_->setFlashRow(quint64(rows - 1));
        QTimer::singleShot(3000, this, &KlLogUI::endFlash);
    }
}

void KlLogUI::openHistory() {
    const int stored = int(UserDefaults::standard().integer(prefKeyHeight_));
    const int height = stored < 50 ? kDefaultHeight : stored;
    toHistoryTable_->show();
    if (toSplitView_) {
        const int pane = paneIndex();
        if (toSplitView_->indexOf(toHistoryTable_) != pane)
            toSplitView_->insertWidget(pane, toHistoryTable_);
        // Lay the shown pane out first, or the splitter restores its old share.
        toSplitView_->refresh();
        QList<int> sizes = toSplitView_->sizes();
        const int length = toSplitView_->orientation() == Qt::Vertical ? toSplitView_->height()
                                                                       : toSplitView_->width();
        int total = length - toSplitView_->handleWidth() * int(sizes.size() - 1);
        // The pane next to the divider gives up the room; others keep theirs.
        const int neighbour = pane == 0 ? 1 : pane - 1;
        for (int i = 0; i < sizes.size(); ++i)
            if (i != pane && i != neighbour) total -= sizes[i];
        sizes[pane] = height;
        // Before the first layout the splitter scales the sizes it is given
        // to its real length; the rest must then outweigh the pane.
        if (neighbour < sizes.size())
            sizes[neighbour] = std::max(total - height, toSplitView_->isVisible() ? 0 : 4 * height);
        toSplitView_->setSizes(sizes);
    }
}

void KlLogUI::closeHistory() {
    const int height = toSplitView_ && toSplitView_->indexOf(toHistoryTable_) >= 0
                           ? toSplitView_->sizes().value(paneIndex())
                           : toHistoryTable_->height();
    if (height >= 51) UserDefaults::standard().setObject(prefKeyHeight_, height);
    toHistoryTable_->hide();
}

void KlLogUI::logButtonClicked() {
    // Without a split view (a window-less panel) there is no pane to open.
    if (!toHistoryTable_ || !toSplitView_) return;
    // A pane the operator dragged shut counts as closed.
    if (!toHistoryTable_->isHidden() && toSplitView_ &&
        toSplitView_->sizes().value(paneIndex()) == 0) {
        toHistoryTable_->hide();
    }
    UserDefaults& defaults = UserDefaults::standard();
    if (!toHistoryTable_->isHidden()) {
        closeHistory();
        defaults.remove(prefKeyShow_);
    } else {
        openHistory();
        defaults.setObject(prefKeyShow_, QStringLiteral("YES"));
        defaults.synchronize();
    }
    historyShown_ = defaults.object(prefKeyShow_).isValid();
    // A click on a pane dragged shut opens it: the button says so at once.
    periodicUpdate();
}

void KlLogUI::clearLogButtonClicked() {
    model_->clear();
    if (delegate_) delegate_->clearLog();
    emit historyRowsChanged();
    toHistoryTable_->clearSelection();
    endFlash();
}

void KlLogUI::endFlash() {
    if (toHistoryTable_) toHistoryTable_->setFlashRow(kNSNotFound);
}

void KlLogUI::periodicUpdate() {
    if (toLogButton_ && toLogButton_->isChecked() != historyShown_) {
        toLogButton_->setChecked(historyShown_);
    }
}

void KlLogUI::search() {
    if (omLog_) omLog_->d("search stub");
}
