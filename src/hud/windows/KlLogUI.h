#pragma once

#include "foundation/OmLog.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class DTableView;
class QAbstractButton;
class QLineEdit;
class QSplitter;

// One row of the log history.
struct KlLogEntry {
    QString log;    // one line of the message
    QString ended;  // local time of logging, "HH:mm:ss"
    bool flash = false;
    QColor color;  // red for errors, yellow for warnings, else invalid

    // As the owners' histories keep it: "log", "ended", "flash" and, for
    // warnings and errors, "color".
    QVariantMap dictionary() const;
};

// The owner of a log history panel; both calls are optional.
class KlLogUIDelegate {
public:
    virtual ~KlLogUIDelegate() = default;
    // Before the entry is appended.
    virtual void logEntryAdded(const KlLogEntry& entry) { (void)entry; }
    virtual void clearLog() {}
};

// A panel's own visible log: every message goes to the log through the
// panel's logger, to the main window's status line (KlStatusLine), and into
// a history table that opens as the first pane of the panel's split view
// with the log button. Warnings and errors open the history and flash their
// row for 3 s. log() may be called from any thread; the history and the
// table live on the main thread, and rows are only ever appended or dropped
// from the top, never reloaded.
class KlLogUI : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 100000;

    // The history pane is made here and goes into `splitView` (hidden until
    // opened); `logButton` opens and closes it. Neither is owned.
    KlLogUI(QSplitter* splitView, QAbstractButton* logButton, QObject* parent = nullptr);
    // The owner's own history pane, already in `splitView` (at any index);
    // the owner's model supplies its rows and reloads on
    // historyRowsChanged(). Not owned.
    KlLogUI(QSplitter* splitView, QAbstractButton* logButton, DTableView* historyTable,
            QObject* parent = nullptr);
    ~KlLogUI() override;

    // A new empty history bound to its owner, logger and defaults keys; the
    // pane reopens at its stored height when it was open before.
    void setDelegate(KlLogUIDelegate* delegate, OmLog* omLog, const QString& prefKeyShow,
                     const QString& prefKeyHeight);

    // Level from the text: "ERR…" error, "Warning…" warning, else info.
    void log(const QString& text);
    void log(OmLogLevel level, const QString& text);
    // Appends an entry; from another thread it is handed to the main thread.
    void addLogEntry(const KlLogEntry& entry);

    void logButtonClicked();
    void clearLogButtonClicked();
    void endFlash();
    // The owner's timer: keeps the button's state in step with the pane.
    void periodicUpdate();
    void search();

    KlLogUIDelegate* delegate() const { return delegate_; }
    OmLog* omLog() const { return omLog_; }
    bool historyShown() const { return historyShown_; }
    void setHistoryShown(bool shown) { historyShown_ = shown; }
    const QList<KlLogEntry>& logMessages() const;
    QString prefKeyShow() const { return prefKeyShow_; }
    QString prefKeyHeight() const { return prefKeyHeight_; }
    DTableView* historyTable() const;
    QLineEdit* searchView() const;

signals:
    // After an entry was appended or the history emptied, before the table
    // scrolls to its last row.
    void historyRowsChanged();

private:
    class Model;
    void forwardLogEntryToMainThread(const KlLogEntry& entry);
    void openHistory();
    void closeHistory();
    // Where the pane sits in the split view.
    int paneIndex() const;

    QPointer<QAbstractButton> toLogButton_;
    QPointer<QLineEdit> searchView_;
    QPointer<QSplitter> toSplitView_;
    QPointer<DTableView> toHistoryTable_;
    Model* model_ = nullptr;
    int paneIndex_ = 0;
    KlLogUIDelegate* delegate_ = nullptr;
    bool historyShown_ = false;
    QString prefKeyShow_;
    QString prefKeyHeight_;
    OmLog* omLog_ = nullptr;
};
