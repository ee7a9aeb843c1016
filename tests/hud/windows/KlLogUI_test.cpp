#include "hud/windows/KlLogUI.h"

#include "foundation/KlStatusLine.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/views/DTableView.h"
#include "platform/UserDefaults.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>

#include <mutex>
#include <thread>

namespace {

KELO_TEMP_DEFAULTS();

// Called from any thread, as the program's status line is.
class Status : public KlStatusLine {
public:
    void showStatusText(const QString& text, const QColor& color) override {
        std::lock_guard lock(mutex);
        last = text;
        colour = color;
    }
    std::mutex mutex;
    QString last;
    QColor colour;
};

class Owner : public KlLogUIDelegate {
public:
    void logEntryAdded(const KlLogEntry&) override { ++added; }
    void clearLog() override { ++cleared; }
    int added = 0;
    int cleared = 0;
};

class LogPanel : public ::testing::Test {
protected:
    void SetUp() override {
        registerKeloThemes();
        UserDefaults::standard().remove("showLog");
        UserDefaults::standard().remove("logHeight");
        KlStatusLine::install(&status);
        split.setOrientation(Qt::Vertical);
        split.addWidget(new QWidget);
        split.resize(300, 400);
        split.show();
        panel = std::make_unique<KlLogUI>(&split, &button);
        logger.setLoggingTag("Test");
        panel->setDelegate(&owner, &logger, "showLog", "logHeight");
    }
    void TearDown() override { KlStatusLine::install(nullptr); }

    Status status;
    Owner owner;
    OmLog logger;
    QSplitter split;
    QPushButton button;
    std::unique_ptr<KlLogUI> panel;
};

TEST_F(LogPanel, LevelFromTheTextColoursAndFlash) {
    panel->log(QStringLiteral("ERR disk gone"));
    EXPECT_EQ(status.colour, QColor(Qt::red));
    ASSERT_EQ(panel->logMessages().size(), 1);
    EXPECT_TRUE(panel->logMessages().last().flash);
    EXPECT_TRUE(panel->historyShown()) << "an error opens the history";
    EXPECT_EQ(panel->historyTable()->flashRow(), 0u);

    panel->log(QStringLiteral("Warning: slow network"));
    EXPECT_EQ(panel->logMessages().last().color, QColor(Qt::yellow));
    EXPECT_EQ(panel->historyTable()->flashRow(), 1u);
    panel->log(QStringLiteral("Error in mixed case is plain"));
    EXPECT_FALSE(panel->logMessages().last().flash);
    EXPECT_FALSE(status.colour.isValid());
    EXPECT_EQ(status.last, QStringLiteral("Error in mixed case is plain"));
    EXPECT_EQ(owner.added, 3);

    panel->log(QStringLiteral("two\nlines"));
    ASSERT_EQ(panel->logMessages().size(), 5);
    EXPECT_EQ(panel->logMessages()[3].log, QStringLiteral("two"));
    EXPECT_EQ(panel->logMessages()[4].ended, panel->logMessages()[3].ended);

    panel->clearLogButtonClicked();
    EXPECT_TRUE(panel->logMessages().isEmpty());
    EXPECT_EQ(owner.cleared, 1);
    EXPECT_EQ(panel->historyTable()->flashRow(), kNSNotFound);
}

TEST_F(LogPanel, RowsAreAppendedNeverReloadedAndCapped) {
    QAbstractItemModel* model = panel->historyTable()->model();
    int resets = 0;
    int inserts = 0;
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    for (int i = 0; i < KlLogUI::kMaxEntries + 1; ++i) {
        panel->addLogEntry({QString::number(i), QStringLiteral("12:00:00"), false, {}});
    }
    EXPECT_EQ(panel->logMessages().size(), KlLogUI::kMaxEntries);
    EXPECT_EQ(panel->logMessages().first().log, QStringLiteral("1"));
    EXPECT_EQ(model->rowCount(), KlLogUI::kMaxEntries);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(inserts, KlLogUI::kMaxEntries + 1);
}

TEST_F(LogPanel, LinesFromOtherThreadsArriveOnTheMainThread) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 50; ++i)
                panel->log(QStringLiteral("%1:%2 from a thread").arg(i).arg(t));
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(processUntil([&] { return panel->logMessages().size() == 200; }, 5000));
}

TEST_F(LogPanel, BadLinesNeitherCrashNorStall) {
    const QString megabyte(1 << 20, u'x');
    panel->log(megabyte);
    ASSERT_EQ(panel->logMessages().size(), 1);
    EXPECT_EQ(panel->logMessages().last().log.size(), 1 << 20);
    panel->historyTable()->viewport()->grab();
    panel->log(QString::fromUtf8("bad \xC3\x28 bytes \xFF"));
    EXPECT_EQ(panel->logMessages().size(), 2);
    panel->log(QString(QChar(0xD800)));
    EXPECT_EQ(panel->logMessages().size(), 2) << "no UTF-8 form: no entry";
}

TEST_F(LogPanel, RemembersItsHeight) {
    UserDefaults& defaults = UserDefaults::standard();
    panel->logButtonClicked();
    EXPECT_TRUE(panel->historyShown());
    EXPECT_EQ(defaults.string("showLog"), QStringLiteral("YES"));
    EXPECT_EQ(split.sizes().value(0), 100) << "no stored height";
    split.setSizes({180, 220});
    const int dragged = split.sizes().value(0);
    panel->logButtonClicked();
    EXPECT_FALSE(panel->historyShown());
    EXPECT_FALSE(defaults.object("showLog").isValid());
    EXPECT_EQ(defaults.integer("logHeight"), dragged);
    panel->logButtonClicked();
    EXPECT_EQ(split.sizes().value(0), dragged);
    split.setSizes({40, 360});
    panel->logButtonClicked();
    EXPECT_EQ(defaults.integer("logHeight"), dragged) << "a low pane keeps the stored height";
    panel->periodicUpdate();
    EXPECT_FALSE(button.isChecked());

    // A new panel over the same keys opens where the last one was.
    panel->logButtonClicked();
    panel.reset();
    KlLogUI again(&split, &button);
    again.setDelegate(&owner, &logger, "showLog", "logHeight");
    EXPECT_TRUE(again.historyShown());
    again.periodicUpdate();
    EXPECT_TRUE(button.isChecked());
}

// An owner's own history pane below its content: the owner's model holds
// the rows (more than the log), the pane opens and closes where it stands,
// and the newest of the owner's rows flashes.
TEST_F(LogPanel, AnOwnersPaneBelowItsContent) {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setObject("ownHeight", 120);
    QSplitter own(Qt::Vertical);
    own.addWidget(new QWidget);
    auto* table = new DTableView;
    QStandardItemModel rows(4, 1);
    table->setModel(&rows);
    own.addWidget(table);
    own.resize(300, 400);
    own.show();
    QPushButton ownButton;
    KlLogUI ownPanel(&own, &ownButton, table);
    int changes = 0;
    QObject::connect(&ownPanel, &KlLogUI::historyRowsChanged, [&] {
        ++changes;
        rows.appendRow(new QStandardItem);
    });
    ownPanel.setDelegate(&owner, &logger, "ownShow", "ownHeight");
    EXPECT_TRUE(table->isHidden());
    EXPECT_FALSE(ownPanel.historyShown());

    ownButton.click();
    EXPECT_EQ(own.indexOf(table), 1);
    EXPECT_EQ(own.sizes().value(1), 120);
    EXPECT_TRUE(ownButton.isChecked());
    ownPanel.log(QStringLiteral("Warning: the owner's fifth row"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(table->flashRow(), 4u);
    EXPECT_EQ(ownPanel.logMessages().size(), 1);
    const QVariantMap entry = ownPanel.logMessages().last().dictionary();
    EXPECT_EQ(entry.value("log").toString(), QStringLiteral("Warning: the owner's fifth row"));
    EXPECT_EQ(entry.value("color").value<QColor>(), QColor(Qt::yellow));
    EXPECT_TRUE(entry.value("flash").toBool());
    EXPECT_FALSE(KlLogEntry({"plain", "12:00:00", false, {}}).dictionary().contains("color"));

    own.setSizes({230, 170});
    const int dragged = own.sizes().value(1);
    ownButton.click();
    EXPECT_TRUE(table->isHidden());
    EXPECT_FALSE(defaults.object("ownShow").isValid());
    EXPECT_EQ(defaults.integer("ownHeight"), dragged);
    // A pane dragged shut counts as closed: the button opens it again.
    ownButton.click();
    own.setSizes({400, 0});
    ownButton.click();
    EXPECT_TRUE(ownPanel.historyShown());
    EXPECT_EQ(own.sizes().value(1), dragged);

    ownPanel.clearLogButtonClicked();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(owner.cleared, 1);
}

}  // namespace

KELO_TEST_MAIN_GUI()
