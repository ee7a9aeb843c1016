#include "status/BreakoutColumns.h"

#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/BreakoutScrollView.h"
#include "status/KeloRemoteOwner.h"
#include "status/KeloStatusView.h"
#include "status/ServerCollections.h"
#include "status/ServersUI.h"
#include "status/StatusTabBaseView.h"
#include "status/StatusTestSupport.h"
#include "status/StatusViewTestSupport.h"
#include "status/statusContainer.h"
#include "support/TestMain.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QWidget>

namespace {

using statustest::ServerTarget;

QVariantMap server(const QString& name) {
    return {{"name", name}};
}

QVariantMap layer(const QString& name, int number) {
    return {{"name", name}, {"layer", number}};
}

// The application controller's share: the layout it owns and the calls it gets.
struct RecordingOwner : BreakoutColumnsOwner {
    QVariantMap layoutDict() override { return layout; }
    void setLayoutDict(const QVariantMap& d) override { layout = d; }
    CurrentLayoutSettings loadLayoutSettings() override {
        CurrentLayoutSettings s;
        const QVariantMap settings = layout.value("layout_settings").toMap();
        s.breakoutHeight = 60;
        s.breakoutNumColumns = settings.value("breakout_cols").toInt();
        s.showSelectedServerOnly = settings.value("showSelectedServerOnly").toInt() != 0;
        return s;
    }
    QString nameOfSelectedKeloInMainWindow() override { return selected; }
    void forceBreakoutSave() override { ++saves; }
    void layoutSettingsChanged() override { ++settingsChanges; }
    void setWindowLimits() override { ++windowLimits; }

    QVariantMap layout;
    QString selected;
    int saves = 0;
    int settingsChanges = 0;
    int windowLimits = 0;
};

class Columns : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Kelo A", "Kelo B"}) {
            auto kelo = std::make_unique<KeloObject>();
            kelo->setName(name);
            statustest::fillServer(*kelo, 4, 100);
            target.servers[kelo->name()] = kelo.get();
            servers.push_back(std::move(kelo));
        }
        base.resize(900, 500);
        owner.layout = {
            {"monitor", QVariantList{server("Kelo A"), server("Kelo B")}},
            {"breakouts",
             QVariantList{QVariantList{server("Kelo A"), server("Kelo Gone"), layer("Kelo B", 2)}}},
            {"layout_settings", QVariantMap{{"breakout_cols", "2"}}}};
    }

    QVariantList storedColumn(int i) const {
        return owner.layout.value("breakouts").toList().value(i).toList();
    }

    std::vector<std::unique_ptr<KeloObject>> servers;
    ServerTarget target;
    QWidget base;
    RecordingOwner owner;
    BreakoutColumns columns{&base, &target};
};

TEST(BreakoutOrdering, TokensBecomeTheSelectedServersDescriptions) {
    const QString name = "Kelo A";
    QString hundredAndFifty;
    for (int i = 0; i < 150; ++i) hundredAndFifty += i ? ",1" : "1";
    const struct {
        QString text;
        QList<QVariantMap> want;
    } cases[] = {
        {"0,1,2,3mix",
         {server(name), layer(name, 1), layer(name, 2), {{"name", name}, {"mix", 3}}}},
        {"0,0", {server(name)}},
        {"5,25", {layer(name, 5), server(name)}},
        {"2mix,0", {{{"name", name}, {"mix", 2}}, server(name)}},
        {"3DMX_Master", {{{"name", name}, {"DMX_Master", 3}}, server(name)}},
        {"", {server(name)}},
        // Garbage ends the reading instead of passing for a 0.
        {"rubbish,1", {server(name)}},
        {"1,x2,2", {layer(name, 1), server(name)}},
        {"0mix", {server(name)}},
        {"-1", {server(name)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BreakoutColumns::selectedServerDescriptions(c.text, name, nullptr), c.want)
            << c.text.toStdString();
    }
    std::array<int32_t, 100> ordering{};
    const QList<QVariantMap> many =
        BreakoutColumns::selectedServerDescriptions(hundredAndFifty, name, &ordering);
    EXPECT_EQ(many.size(), 101) << "100 tokens read, then the server";
    EXPECT_EQ(ordering[99], 1);
    EXPECT_TRUE(BreakoutColumns::selectedServerDescriptions("0,1", "", nullptr).isEmpty())
        << "no selected server, nothing to show";

    const QList<QVariantMap> read =
        BreakoutColumns::selectedServerDescriptions("0,1,2,3mix,4DMX_Master", name, nullptr);
    EXPECT_EQ(BreakoutColumns::orderingText(read), "0,1,2,3mix,4DMX_Master");
}

TEST(BreakoutLayout, ColumnsPackAgainstTheRightEdge) {
    // 3 × 120 do not fit in 300: the first starts at 2 and pushes the others right.
    const std::vector<QRect> three =
        BreakoutColumns::columnFrames(QRect(0, 0, 300, 400), 3, 120, true);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0], QRect(2, 24, 120, 372));
    EXPECT_EQ(three[1], QRect(122, 24, 120, 372));
    EXPECT_EQ(three[2], QRect(242, 24, 120, 372));
    // Not even two fit: they still stand side by side, none over another.
    const std::vector<QRect> tight =
        BreakoutColumns::columnFrames(QRect(0, 0, 300, 400), 3, 200, true);
    EXPECT_EQ(tight[0], QRect(2, 24, 200, 372));
    EXPECT_EQ(tight[1], QRect(202, 24, 200, 372));
    EXPECT_EQ(tight[2], QRect(402, 24, 200, 372));
    // Room to spare: each takes its share of the width.
    const std::vector<QRect> wide =
        BreakoutColumns::columnFrames(QRect(10, 5, 604, 400), 2, 120, true);
    EXPECT_EQ(wide[0], QRect(10, 29, 300, 372));
    EXPECT_EQ(wide[1], QRect(310, 29, 300, 372));
    for (const QRect& hidden : BreakoutColumns::columnFrames(QRect(0, 0, 300, 400), 2, 120, false))
        EXPECT_EQ(hidden, QRect(296, 24, 0, 372));
    EXPECT_TRUE(BreakoutColumns::columnFrames(QRect(0, 0, 300, 400), 0, 120, true).empty());
}

TEST(BreakoutLayout, ColumnCountIsClamped) {
    const struct {
        QVariant value;
        int want;
    } cases[] = {{"3", 3}, {5, 5}, {"9", 5}, {-2, 0}, {"abc", 0}, {QVariant(), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(BreakoutColumns::columnCount({{"breakout_cols", c.value}}), c.want)
            << c.value.toString().toStdString();
}

TEST_F(Columns, CustomColumnsAreCleanedPaddedAndShown) {
    columns.reloadBreakouts(owner.layout, &owner);
    ASSERT_EQ(columns.columnCountInUse(), 2);
    EXPECT_EQ(storedColumn(0), (QVariantList{server("Kelo A"), layer("Kelo B", 2)}))
        << "servers no longer listed leave the layout";
    EXPECT_EQ(owner.layout.value("breakouts").toList().size(), 2) << "padded with an empty column";
    EXPECT_EQ(columns.statusView(0)->cellArray().size(), 2u);
    EXPECT_TRUE(columns.statusView(0)->isBreakout());
    EXPECT_EQ(owner.windowLimits, 1);

    // A show while hidden only asks for the reveal at the next tick.
    columns.showBreakouts(true, 0);
    EXPECT_FALSE(columns.showingBreakouts());
    EXPECT_FALSE(columns.enclosingView(0)->isVisibleTo(&base));
    columns.performUpdate();
    EXPECT_TRUE(columns.showingBreakouts());
    EXPECT_TRUE(columns.enclosingView(1)->isVisibleTo(&base));
    const int w = columns.enclosingView(0)->width();
    EXPECT_GE(w, columns.columnWidth());
    // Sharing the width, the first starts at 2 and the last ends 2 short of the edge.
    EXPECT_EQ(columns.enclosingView(0)->x(), 2);
    EXPECT_EQ(columns.enclosingView(1)->geometry().right() + 1, 900 - 2);
    EXPECT_EQ(columns.enclosingView(0)->geometry().right() + 1, columns.enclosingView(1)->x());

    // NO toggles: collapse at the right edge, then back.
    columns.showBreakouts(false, 0);
    EXPECT_FALSE(columns.enclosingView(0)->isVisibleTo(&base));
    EXPECT_EQ(columns.enclosingView(0)->geometry(), QRect(896, 24, 0, 472));
    columns.showBreakouts(false, 0);
    EXPECT_TRUE(columns.enclosingView(0)->isVisibleTo(&base));
    EXPECT_EQ(columns.enclosingView(0)->width(), w);

    base.resize(900, 420);
    QImage image(base.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    base.render(&image);
    ASSERT_TRUE(image.save(artefactPath("status-breakout-columns.png")));
}

TEST_F(Columns, SettingsRebuildTheColumns) {
    columns.reloadBreakouts(owner.layout, &owner);
    columns.changeMonitorSetting("4", "breakout_cols", owner.layout);
    EXPECT_EQ(columns.columnCountInUse(), 4);
    EXPECT_EQ(owner.layout.value("breakouts").toList().size(), 4);
    EXPECT_EQ(owner.settingsChanges, 1);
    columns.changeMonitorSetting("7", "breakout_cols", owner.layout);
    EXPECT_EQ(columns.columnCountInUse(), 5);
    columns.changeMonitorSetting("0", "breakout_cols", owner.layout);
    EXPECT_EQ(columns.columnCountInUse(), 0);
    EXPECT_FALSE(columns.enclosingView(0));
    for (QObject* child : base.children()) {
        if (auto* w = qobject_cast<QWidget*>(child)) {
            EXPECT_FALSE(w->isVisibleTo(&base));
        }
    }
    // A setting the columns do not use is stored, nothing more.
    columns.changeMonitorSetting("x", "layers", owner.layout);
    EXPECT_EQ(owner.layout.value("layout_settings").toMap().value("layers"), "x");
}

TEST_F(Columns, SelectedServerOnlyFollowsTheOrderingAndStoresIt) {
    owner.selected = "Kelo A";
    QVariantMap settings = owner.layout.value("layout_settings").toMap();
    settings["showSelectedServerOnly"] = "1";
    settings["showSelectedServerOrdering"] = "2,0,1mix";
    owner.layout["layout_settings"] = settings;
    columns.reloadBreakouts(owner.layout, &owner);
    ASSERT_EQ(columns.columnCountInUse(), 1);
    EXPECT_TRUE(columns.statusView(0)->showSelectedServerOnly());
    EXPECT_EQ(*columns.descriptions(0),
              (QList<QVariantMap>{
                  layer("Kelo A", 2), server("Kelo A"), {{"name", "Kelo A"}, {"mix", 1}}}));

    // The operator drops the layer: the order is stored as text.
    columns.statusView(0)->removeItemAtIndex(0);
    columns.commitSelectedServerOnlyOrdering();
    EXPECT_EQ(owner.layout.value("layout_settings").toMap().value("showSelectedServerOrdering"),
              "0,1mix");
    EXPECT_EQ(storedColumn(0).size(), 3) << "the custom columns are left alone";
}

TEST_F(Columns, EditsAndMixNamesReachTheLayout) {
    columns.reloadBreakouts(owner.layout, &owner);
    KeloStatusView* view = columns.statusView(1);
    view->addItem(0x2000, 1, servers[0].get(), "Mix 1");
    columns.commitSelectedServerOnlyOrdering();
    ASSERT_EQ(storedColumn(1).size(), 1);

    // The cell learned the server's own name for its mix.
    KeloRemoteCell* cell = view->cellArray().at(0);
    ASSERT_EQ(cell->mixNumber(), 1);
    cell->setSubName("Mix 1 'Stage'");
    columns.updateMixNames();
    EXPECT_EQ(owner.saves, 1);
    EXPECT_EQ(storedColumn(1).value(0).toMap().value("subName"), "Mix 1 'Stage'");
    columns.updateMixNames();
    EXPECT_EQ(owner.saves, 1) << "nothing changed, nothing saved";
}

TEST(BreakoutViewMenu, ItemsAndChoices) {
    CurrentLayoutSettings layout;
    layout.breakoutNumColumns = 3;
    const QList<ViewMenuItem> items = BreakoutColumns::viewMenuItems(layout);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].title, "Selected server only");
    EXPECT_FALSE(items[0].checked);
    EXPECT_TRUE(items[1].checked);
    EXPECT_TRUE(items[2].submenu);
    const QList<ViewMenuItem> sub = BreakoutColumns::viewSubMenuItems(layout);
    ASSERT_EQ(sub.size(), 5);
    EXPECT_TRUE(sub[2].checked);
    EXPECT_EQ(sub[4].tag, 4);

    using Choice = std::pair<QString, QString>;
    EXPECT_EQ(BreakoutColumns::viewMenuChoice(6, "Selected server only"),
              Choice("1", "showSelectedServerOnly"));
    EXPECT_EQ(BreakoutColumns::viewMenuChoice(5, "Custom layout"),
              Choice("0", "showSelectedServerOnly"));
    EXPECT_EQ(BreakoutColumns::viewMenuChoice(4, "5"), Choice("5", "breakout_cols"));
    EXPECT_EQ(BreakoutColumns::viewMenuChoice(-1, "Custom layout columns"), Choice());
}

// The application controller as the Status tab sees it.
struct StatusOwner : KeloRemoteOwner {
    QVariantMap layoutDict() override { return layout; }
    void setLayoutDict(const QVariantMap& d) override { layout = d; }
    CurrentLayoutSettings loadLayoutSettings() override {
        CurrentLayoutSettings s;
        const QVariantMap settings = layout.value("layout_settings").toMap();
        s.thumbHeight = 60;
        s.breakoutHeight = 72;
        s.breakoutNumColumns = settings.value("breakout_cols").toInt();
        s.showSelectedServerOnly = settings.value("showSelectedServerOnly").toInt() != 0;
        return s;
    }
    QString nameOfSelectedKeloInMainWindow() override { return selected; }
    QVariantMap layout;
    QString selected;
};

TEST(StatusTabPlugIns, ColumnsAndCollectionsServeTheStatusTab) {
    linktest::FakeSockets sockets;
    KlE_Control_Status::Options options;
    options.timer = false;
    options.socketFactory = sockets.factory();
    KlE_Control_Status link(options);
    for (const char* name : {"Kelo A", "Kelo B"}) {
        KeloObject* kelo = link.addKeloForName(name);
        kelo->setAddress(0x7F000002, 0x7F000002);
        statustest::fillServer(*kelo, 4, 100);
    }
    StatusOwner owner;
    ServersUI ui(nullptr, &link);
    ui.setOwner(&owner);
    ui.awakeFromNib();
    ui.statusTabBaseView()->resize(900, 500);
    QList<QVariantMap> servers{server("Kelo A"), server("Kelo B")};
    ui.reloadMonitorPanes(&servers, owner.loadLayoutSettings());
    ui.setColumns(BreakoutColumns::forStatusTab(ui));
    ui.setCollections(std::make_unique<ServerCollections>(&link));

    owner.layout = {{"monitor", QVariantList{server("Kelo A"), server("Kelo B")}},
                    {"breakouts", QVariantList{QVariantList{server("Kelo A"), layer("Kelo B", 2)}}},
                    {"layout_settings", QVariantMap{{"breakout_cols", "2"}}}};
    ui.columns()->reloadBreakouts(owner.layoutDict());
    const std::vector<statusContainer*>& columns = ui.columns()->breakoutColumns();
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0]->enclosingView->parentWidget(), ui.statusTabBaseView());
    ASSERT_EQ(columns[0]->cells.size(), 2u) << "cells made by the Status tab";
    EXPECT_EQ(columns[0]->cells[1]->layerNumber(), 2);
    EXPECT_EQ(columns[0]->cells[1]->keloObject(), link.keloObjectForName("Kelo B"));
    EXPECT_EQ(owner.layout.value("breakouts").toList().size(), 2)
        << "the padded layout is the owner's";

    // Shown at the Status tab's next tick.
    ui.columns()->showBreakouts(true, 0);
    EXPECT_TRUE(ui.breakoutsNeedsReveal());
    ui.performUpdate();
    EXPECT_TRUE(columns[1]->enclosingView->isVisibleTo(ui.statusTabBaseView()));

    // The View menu's "Selected server only".
    owner.selected = "Kelo B";
    ui.columns()->changeMonitorSetting("1", "showSelectedServerOnly");
    EXPECT_TRUE(ui.columns()->selectedServerOnly());
    EXPECT_TRUE(ui.layout().showSelectedServerOnly);
    ASSERT_EQ(ui.columns()->breakoutColumns().size(), 1u);
    EXPECT_EQ(*ui.columns()->breakoutColumns()[0]->serverList,
              QList<QVariantMap>{server("Kelo B")});

    // A right-click on a server of the list opens the collections' menu.
    KeloStatusView* pane = ui.monitorViews().at(0)->statusView;
    const QPoint at = pane->cellAtIndex(1)->frame().center().toPoint();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane->mapToGlobal(at));
    QMenu* menu = ui.menuForEvent(&event, pane);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions().first()->text(), "Syncing");
    EXPECT_EQ(static_cast<ServerCollections*>(ui.collections())->rightClickTargetKeloName(),
              "Kelo B");
}

}  // namespace

KELO_TEST_MAIN_GUI()
