// The Status tab against three simulated servers over loopback, through the
// real server link, in a window on the X display. Runs only inside a
// loopback-only network namespace (the test suite's).

#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/BreakoutColumns.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloRemoteOwner.h"
#include "status/KeloStatusView.h"
#include "status/ServersUI.h"
#include "status/ServersUIColumns.h"
#include "status/StatusTabBaseView.h"
#include "status/statusContainer.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/MouseEvents.h"
#include "support/PixelTestSupport.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include <QApplication>
#include <QKeyEvent>
#include <QDragEnterEvent>
#include <QTimer>
#include <QMimeData>
#include <QDrag>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>

#include <memory>

namespace {

KELO_TEMP_DEFAULTS();

// The application controller as the Status tab sees it: records what it is told.
class RecordingOwner : public KeloRemoteOwner {
public:
    void selectKeloObject(KeloObject* kelo, KeloRemoteCell* cell, int part) override {
        selected = kelo;
        selectedCell = cell;
        selectedPart = part;
        ++selections;
    }
    QString nameOfSelectedKeloInMainWindow() override {
        return selected ? selected->name() : QString();
    }
    QWidget* mainWindow() override { return window; }
    QVariantMap layoutDict() override { return layoutDictionary; }
    void setLayoutDict(const QVariantMap& layout) override { layoutDictionary = layout; }
    CurrentLayoutSettings loadLayoutSettings() override { return layout; }

    KeloObject* selected = nullptr;
    KeloRemoteCell* selectedCell = nullptr;
    int selectedPart = -1;
    int selections = 0;
    QWidget* window = nullptr;
    QVariantMap layoutDictionary;
    CurrentLayoutSettings layout;
};

class StatusTab : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        // Each test runs in its own process beside the others: addresses and
        // ports of its own, from its line number.
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        const uint32_t first = 0x7F020001 + (uint32_t(line) << 8);  // 127.2.x.1
        const KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(40000 + 3 * line));
        link = std::make_unique<KlE_Control_Status>(options);
        sim = std::make_unique<KeloServerSim>(simNetworkFor(options));
        for (int i = 0; i < 3; ++i) {
            KeloServerSim::Config config;
            config.name = "Kelo Sim " + QByteArray::number(i + 1);
            config.address = first + uint32_t(i);
            config.layerCount = 4 + 2 * i;
            sim->addServer(config);
        }
        ASSERT_TRUE(sim->start());

        window = std::make_unique<QWidget>();
        window->resize(900, 600);
        owner.window = window.get();
        tabView = new TbTabView(window.get());
        statusItem = std::make_shared<TbTabViewItem>(1, "Status");
        contentItem = std::make_shared<TbTabViewItem>(2, "Content");
        tabView->addTabViewItem(statusItem);
        tabView->addTabViewItem(contentItem);
        contentItem->setView(new QWidget);

        ui = std::make_unique<ServersUI>(nullptr, link.get());
        ui->setOwner(&owner);
        ui->awakeFromNib();
        ui->getBaseView()->setParent(window.get());
        ui->getBaseView()->setGeometry(4, 4, 330, 560);
        tabView->setGeometry(340, 4, 550, 560);
        ui->setStatusTab(statusItem);
        tabView->setDelegate(ui.get());

        layout.thumbHeight = 60;
        layout.breakoutHeight = 90;
        layout.aspect = 16.0f / 9.0f;
        owner.layout = layout;
        for (int i = 0; i < 3; ++i)
            servers.append({{"name", QString::fromUtf8(sim->config(i).name)}});
        ui->reloadMonitorPanes(&servers, layout);
        ui->columns()->reloadBreakouts({});
        window->show();
        waitForExposure(*window);
    }

    void TearDown() override {
        ui.reset();
        window.reset();
        sim.reset();
        link.reset();
    }

    // What the application's 0.2 s tick does for the Status tab.
    void tick() {
        for (const QVariantMap& s : servers) {
            const QString name = s.value("name").toString();
            if (link->keloObjectForName(name)) link->addKeloForName(name);
        }
        ui->reloadData(false);
        ui->performUpdate();
        link->sendChangeNotificationsAndClear();
    }

    bool tickUntil(const std::function<bool()>& done, int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            tick();
            if (done()) return true;
            processUntil([] { return false; }, 50);
        }
        return false;
    }

    KeloStatusView* pane() const { return ui->monitorViews().at(0)->statusView; }
    KeloMonitorCell* monitor(int i) const {
        return dynamic_cast<KeloMonitorCell*>(pane()->cellAtIndex(i));
    }
    KeloStatusView* column() const { return ui->columns()->breakoutColumns().at(0)->statusView; }
    bool allOnline() const {
        for (int i = 0; i < 3; ++i)
            if (!monitor(i) || monitor(i)->lamp().word != "Online") return false;
        return true;
    }
    bool thumbnailsShown() const {
        for (int i = 0; i < 3; ++i)
            if (!monitor(i) || monitor(i)->getThumbNail()->image.isNull()) return false;
        return true;
    }
    QImage screenshot(const QString& name) {
        QApplication::processEvents();
        const QImage image = window->grab().toImage();
        EXPECT_TRUE(image.save(artefactPath(name)));
        return image;
    }
    // Where a cell sits in the window.
    QRect inWindow(KeloStatusView* view, const KeloRemoteCell* cell) const {
        const QRect f = cell->frame().toAlignedRect();
        return QRect(view->mapTo(window.get(), f.topLeft()), f.size());
    }

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    std::unique_ptr<QWidget> window;
    RecordingOwner owner;
    TbTabView* tabView = nullptr;
    std::shared_ptr<TbTabViewItem> statusItem, contentItem;
    std::unique_ptr<ServersUI> ui;
    CurrentLayoutSettings layout;
    QList<QVariantMap> servers;
};

TEST_F(StatusTab, ACellPerServerWithNameLampAndThumbnail) {
    ASSERT_EQ(pane()->cellArray().size(), 3u);
    ASSERT_TRUE(tickUntil([&] { return allOnline() && thumbnailsShown(); }, 5000));
    const QImage image = screenshot("status-tab-three-servers.png");
    const QRect paneRect(pane()->mapTo(window.get(), QPoint()), pane()->size());
    for (int i = 0; i < 3; ++i) {
        KeloMonitorCell* cell = monitor(i);
        const QString name = QString::fromUtf8(sim->config(i).name);
        ASSERT_TRUE(cell->keloObject());
        EXPECT_EQ(cell->keloObject()->name(), name);
        EXPECT_TRUE(name.endsWith(cell->labelText())) << cell->labelText().toStdString();
        EXPECT_EQ(cell->lamp().imageName, "KLR_Status Green");
        EXPECT_NE(cell->tcValue(), -1);
        const QRect where = inWindow(pane(), cell);
        EXPECT_TRUE(paneRect.contains(where.center()));
        // Something was drawn there: the thumbnail is not one flat colour.
        const QColor corner = image.pixelColor(where.topLeft() + QPoint(1, 1));
        bool varied = false;
        for (int y = where.top(); y < where.bottom() && !varied; y += 3)
            for (int x = where.left(); x < where.right() && !varied; x += 3)
                varied = image.pixelColor(x, y) != corner;
        EXPECT_TRUE(varied);
    }
    // The window holds the widest cell and the scroll bar.
    EXPECT_GE(ui->updateServersWidth(), int(monitor(0)->size().width()));
}

TEST_F(StatusTab, SilentServerTurnsOfflineAndComesBack) {
    link->setPlocTimeout(1.0);
    ASSERT_TRUE(tickUntil([&] { return allOnline(); }, 5000));
    sim->setAnnouncing(1, false);
    sim->setAnswering(1, false);
    ASSERT_TRUE(tickUntil([&] { return monitor(1)->lamp().word == "Offline"; }, 4000));
    EXPECT_EQ(monitor(1)->lamp().imageName, "KLR_Status Red");
    EXPECT_EQ(monitor(0)->lamp().word, "Online");
    EXPECT_EQ(monitor(2)->lamp().word, "Online");
    screenshot("status-tab-server-offline.png");

    sim->setAnnouncing(1, true);
    sim->setAnswering(1, true);
    EXPECT_TRUE(tickUntil([&] { return allOnline(); }, 4000));
}

TEST_F(StatusTab, SelectionReachesTheOwnerAndTheBreakoutShowsItsLayers) {
    ASSERT_TRUE(tickUntil([&] { return allOnline(); }, 5000));
    auto* help = qobject_cast<BreakoutScrollView*>(
        ui->columns()->breakoutColumns().at(0)->enclosingView.data());
    ASSERT_TRUE(help);
    EXPECT_EQ(help->helpText(), "select a server");

    const QPoint at = monitor(2)->frame().center().toPoint();
    sendMouse(pane(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendMouse(pane(), QEvent::MouseButtonRelease, at, Qt::LeftButton, {});
    ASSERT_EQ(owner.selections, 1);
    EXPECT_EQ(owner.selected, link->keloObjectForName("Kelo Sim 3"));
    EXPECT_EQ(owner.selectedCell, monitor(2));
    EXPECT_EQ(pane()->selectedItem(), 2);

    ASSERT_TRUE(tickUntil(
        [&] {
            auto* cell = dynamic_cast<KeloBreakoutCell*>(column()->cellAtIndex(0));
            return cell && cell->numLayers() == 8 && column()->isVisible();
        },
        3000));
    auto* breakout = dynamic_cast<KeloBreakoutCell*>(column()->cellAtIndex(0));
    EXPECT_EQ(breakout->keloObject(), owner.selected);
    EXPECT_EQ(breakout->layerRowCount(), 2);
    EXPECT_TRUE(help->helpText().isEmpty());
    EXPECT_TRUE(tickUntil([&] { return thumbnailsShown(); }, 3000));
    screenshot("status-tab-selected-breakout.png");
    // The tab's own controls stand inside its view, clear of the column.
    const QRect columnFrame = ui->columns()->breakoutColumns().at(0)->enclosingView->geometry();
    for (QWidget* control : {static_cast<QWidget*>(ui->statusTabImageHeightControl()),
                             static_cast<QWidget*>(ui->viewButton())}) {
        EXPECT_TRUE(ui->statusTabBaseView()->rect().contains(control->geometry()));
        EXPECT_FALSE(control->geometry().intersects(columnFrame));
    }

    // A click in the breakout column selects nothing and tells nobody.
    const QPoint inColumn = breakout->frame().center().toPoint();
    sendMouse(column(), QEvent::MouseButtonPress, inColumn, Qt::LeftButton, Qt::LeftButton);
    sendMouse(column(), QEvent::MouseButtonRelease, inColumn, Qt::LeftButton, {});
    EXPECT_EQ(owner.selections, 1);
    EXPECT_EQ(column()->selectedItem(), -1);

    // The selection from elsewhere shows in the list.
    ui->selectKeloObject(link->keloObjectForName("Kelo Sim 1"));
    EXPECT_EQ(pane()->selectedItem(), 0);
    EXPECT_EQ(owner.selected, link->keloObjectForName("Kelo Sim 1"));
}

TEST_F(StatusTab, ServerListChangesRebuildOnlyWhenTheSetChanges) {
    ASSERT_TRUE(tickUntil([&] { return allOnline(); }, 5000));
    const KeloRemoteCell* first = monitor(0);
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_EQ(monitor(0), first);  // live status alone keeps the cells

    // A server leaves the list between two ticks, another vanishes from the
    // network in the middle of one: the grid follows, nothing dangles.
    servers.removeAt(1);
    ui->reloadData(false);
    sim->setAnnouncing(2, false);
    sim->setAnswering(2, false);
    ui->performUpdate();
    ASSERT_EQ(pane()->cellArray().size(), 2u);
    EXPECT_EQ(monitor(1)->keloObject()->name(), "Kelo Sim 3");
    EXPECT_EQ(ui->serversCount(), 2);

    servers.clear();
    ui->reloadData(false);
    ui->performUpdate();
    EXPECT_TRUE(pane()->cellArray().empty());
    auto* enclosing = ui->monitorViews().at(0)->enclosingView.data();
    EXPECT_EQ(enclosing->helpText(), "click Edit Servers\nto begin");
    screenshot("status-tab-empty.png");
}

TEST_F(StatusTab, HostileDatagramsLeaveTheCellsStanding) {
    ASSERT_TRUE(tickUntil([&] { return allOnline() && thumbnailsShown(); }, 5000));
    for (int i = 0; i < 3; ++i) EXPECT_GT(sim->sendHostile(i), 0);
    for (int i = 0; i < 10; ++i) {
        tick();
        processUntil([] { return false; }, 30);
    }
    ASSERT_EQ(pane()->cellArray().size(), 3u);
    EXPECT_TRUE(tickUntil([&] { return allOnline() && thumbnailsShown(); }, 3000));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(monitor(i)->keloObject()->name(), QString::fromUtf8(sim->config(i).name));
}

// A server dropped anywhere in an empty custom column lands there, and the
// layout keeps it when the columns are rebuilt from it.
TEST_F(StatusTab, ServerDroppedIntoAnEmptyCustomColumnStays) {
    ui->setColumns(BreakoutColumns::forStatusTab(*ui));
    ASSERT_TRUE(tickUntil([&] { return allOnline(); }, 5000));
    QVariantList listed;
    for (const QVariantMap& s : servers) listed << s;
    owner.layoutDictionary = {{"monitor", listed},
                              {"breakouts", QVariantList{QVariantList{}, QVariantList{}}},
                              {"layout_settings", QVariantMap{{"breakout_cols", "2"}}}};
    ui->columns()->reloadBreakouts(owner.layoutDictionary);
    ui->columns()->showBreakouts(true, 0.0);
    statusContainer* target = ui->columns()->breakoutColumns().at(1);
    ASSERT_TRUE(tickUntil([&] { return target->enclosingView->isVisible(); }, 2000));
    QWidget* viewport = target->enclosingView->viewport();
    const QPoint below(viewport->width() / 2, viewport->height() - 20);
    ASSERT_FALSE(target->statusView->geometry().contains(below)) << "below the column's cells";

    // The drop comes while the pane's drag runs, as the pointer brings it.
    bool entered = false, dropped = false;
    QTimer::singleShot(100, [&] {
        QMimeData data;
        data.setData("KeloObjectName", KeloStatusView::dragData(1, pane()->cellAtIndex(1), 0));
        QDragEnterEvent enter(below, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        entered = enter.isAccepted();
        QDropEvent drop(QPointF(below), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        dropped = drop.isAccepted();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(pane(), &escape);
    });
    auto* drag = new QDrag(pane());
    drag->setMimeData(new QMimeData);
    drag->exec(Qt::CopyAction);
    EXPECT_TRUE(entered);
    ASSERT_TRUE(dropped);
    ASSERT_EQ(target->serverList->size(), 1);
    EXPECT_EQ(target->serverList->at(0), (QVariantMap{{"name", "Kelo Sim 2"}}));
    EXPECT_EQ(owner.layoutDictionary.value("breakouts").toList().value(1).toList(),
              (QVariantList{QVariantMap{{"name", "Kelo Sim 2"}}}));

    ui->columns()->reloadBreakouts(owner.layoutDictionary);
    ui->columns()->showBreakouts(true, 0.0);
    ASSERT_TRUE(tickUntil([&] { return target->enclosingView->isVisible(); }, 2000));
    auto* landed = dynamic_cast<KeloBreakoutCell*>(target->statusView->cellAtIndex(0));
    ASSERT_NE(landed, nullptr);
    EXPECT_EQ(landed->keloObject(), link->keloObjectForName("Kelo Sim 2"));
    screenshot("status-tab-dropped-into-custom-column.png");
}

TEST_F(StatusTab, WindowLimitsFollowTheTab) {
    const int base = ui->updateServersWidth() + 12;
    window->resize(400, 150);
    tabView->selectTabViewItem(contentItem);
    ui->setWindowLimits(contentItem);
    EXPECT_EQ(window->minimumWidth(), base + 705);
    EXPECT_EQ(window->minimumHeight(), 260);
    EXPECT_GE(window->width(), base + 705);
    ui->setWindowLimits(statusItem);
    const int thumb = KeloRemoteCell::widthForThumbHeight(90, 16.0f / 9.0f);
    const int statusMinimum = base + 25 + thumb + ServersUI::scrollerWidth();
    EXPECT_EQ(window->minimumWidth(), statusMinimum);
    EXPECT_EQ(window->minimumHeight(), 200);
    EXPECT_EQ(ui->tabInView(), 1);
    // Grown for the Content tab, the window comes back to the operator's
    // size, as far as the Status tab allows.
    EXPECT_EQ(window->size(), QSize(std::max(400, statusMinimum), 200));

    // A size the operator chose stays through the tabs.
    window->resize(1100, 700);
    ui->setWindowLimits(contentItem);
    ui->setWindowLimits(statusItem);
    EXPECT_EQ(window->size(), QSize(1100, 700));

    // Five columns of tall thumbnails would need more than the screen: the
    // window stops at the screen's edge, and shrinks again with one column.
    const QSize screen = window->screen()->availableGeometry().size();
    ui->setColumns(BreakoutColumns::forStatusTab(*ui));
    layout.breakoutHeight = 480;
    owner.layout = layout;
    ui->updateMonitorSettings(layout);
    ui->columns()->reloadBreakouts(
        QVariantMap{{"layout_settings", QVariantMap{{"breakout_cols", "5"}}}});
    ui->setWindowLimits(statusItem);
    ASSERT_EQ(ui->columns()->breakoutColumns().size(), 5u);
    EXPECT_EQ(window->minimumWidth(), screen.width());
    EXPECT_EQ(window->width(), screen.width());
    screenshot("status-tab-five-columns.png");
    layout.breakoutHeight = 90;
    owner.layout = layout;
    ui->updateMonitorSettings(layout);
    ui->columns()->reloadBreakouts(
        QVariantMap{{"layout_settings", QVariantMap{{"breakout_cols", "1"}}}});
    ui->setWindowLimits(statusItem);
    EXPECT_LT(window->minimumWidth(), screen.width());
    EXPECT_EQ(window->size(), QSize(1100, 700));
}

}  // namespace

KELO_TEST_MAIN_GUI()
