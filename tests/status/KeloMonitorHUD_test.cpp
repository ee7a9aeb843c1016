#include "status/KeloMonitorHUD.h"

#include "foundation/KlStatusLine.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "serverlink/FakeDatagramSocket.h"
#include "serverlink/KlE_Control_Status.h"
#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"
#include "status/KeloMonitorCell.h"
#include "status/KeloStatusView.h"
#include "status/StatusTestSupport.h"
#include "support/TestMain.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace {

struct RecordingStatusLine : KlStatusLine {
    void showStatusText(const QString& text, const QColor& color) override {
        texts << text;
        colours << color;
    }
    QStringList texts;
    QList<QColor> colours;
};

struct HudOwner : KeloMonitorHUDOwner {
    void saveKeloes() override { ++saves; }
    void removeKeloWithName(const QString& name) override { removed << name; }
    int saves = 0;
    QStringList removed;
};

class MonitorHud : public ::testing::Test {
protected:
    void SetUp() override {
        KlStatusLine::install(&statusLine);
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
        kelo = link->addKeloForName("Kelo Hud");
        kelo->setAddress(0x7F000002, 0x7F000002);
        statustest::fillServer(*kelo, 6, 3600 * 30);
        CurrentLayoutSettings layout;
        layout.hud_height = 90;
        layout.thumbHeight = 60;
        hud = std::make_unique<KeloMonitorHUD>(link.get(), &owner);
        hud->setLayout(layout);
        hud->layoutSettingsChanged();
    }
    void TearDown() override {
        hud.reset();
        KlStatusLine::install(nullptr);
    }

    RecordingStatusLine statusLine;
    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    KeloObject* kelo = nullptr;
    HudOwner owner;
    std::unique_ptr<KeloMonitorHUD> hud;
};

TEST_F(MonitorHud, ShowNeedsASelectedServer) {
    EXPECT_FALSE(hud->showMonitorHUD(QString()));
    EXPECT_EQ(statusLine.texts,
              QStringList{"To show Monitor HUD, first select an Kelo or an Kelo layer"});
    EXPECT_EQ(statusLine.colours.value(0), QColor(Qt::yellow));
    EXPECT_FALSE(hud->isOn());
    EXPECT_EQ(owner.saves, 0);
}

TEST_F(MonitorHud, FollowsTheSelectionAndKeepsItsPlace) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_TRUE(hud->showMonitorHUD("Kelo Hud"));
    EXPECT_TRUE(hud->isOn());
    EXPECT_EQ(owner.saves, 1);
    HUDThemeKeloWindow* window = hud->window();
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(hud->monitorHudView()->singleCell(), hud->breakoutHudCell());
    EXPECT_EQ(hud->breakoutHudCell()->keloObject(), kelo);
    EXPECT_EQ(hud->breakoutHudCell()->thumbHeight(), 90);
    // First shown without a stored place: centred on the screen.
    const QSize size = window->geometry().size();
    EXPECT_NEAR(window->geometry().center().x(), screen.center().x(), 2);
    EXPECT_GT(size.width(), 100);

    // A layer chosen in the Status tab shows as a layer cell.
    KeloLayerBreakoutCell clicked;
    clicked.setKeloObject(kelo);
    clicked.setLayerNumber(3);
    hud->selectKeloObject(kelo, &clicked, 0);
    EXPECT_EQ(hud->selectedKeloPart(), 3);
    EXPECT_EQ(hud->monitorHudView()->singleCell(), hud->layerHudCell());
    EXPECT_EQ(hud->layerHudCell()->layerNumber(), 3);
    EXPECT_EQ(hud->layerHudCell()->keloObject(), kelo);
    hud->fitWindowToView(hud->monitorHudView());
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    window->render(&image);
    ASSERT_TRUE(image.save(artefactPath("status-monitor-hud.png")));

    // Moved by the operator: the place is kept while it shows.
    window->move(screen.x() + 40, screen.y() + 30);
    hud->fitWindowToView(hud->monitorHudView());
    EXPECT_EQ(owner.layoutSetting("monitor_hud_posn").toString(),
              KeloMonitorHUD::stringFromPoint(window->geometry().topLeft()));

    // The server leaves the list: the HUD empties and goes away.
    hud->keloRemoved("Kelo Hud");
    hud->fitWindowToView(hud->monitorHudView());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(hud->monitorHudView()->singleCell(), hud->breakoutHudCell());

    hud->hideMonitorHUD();
    EXPECT_FALSE(hud->isOn());
    EXPECT_EQ(owner.layoutSetting("hasmonitorbreakout"), "0");
}

TEST_F(MonitorHud, PlaceOffEveryScreenComesBack) {
    const QRect screen(0, 0, 1280, 1024);
    const QSize size(300, 200);
    EXPECT_EQ(KeloMonitorHUD::placement("{100, 50}", size, screen, true), QPoint(100, 50));
    EXPECT_EQ(KeloMonitorHUD::placement("{-5000, 3000}", size, screen, false), QPoint(0, 824));
    EXPECT_EQ(KeloMonitorHUD::placement("{9000, -20}", size, screen, false), QPoint(980, 0));
    EXPECT_EQ(KeloMonitorHUD::placement(QVariant(), size, screen, false), QPoint(490, 412));
    EXPECT_EQ(KeloMonitorHUD::placement("rubbish", QSize(2000, 2000), screen, false), QPoint(0, 0));

    bool ok = true;
    KeloMonitorHUD::pointFromString("{12.5, -3}", &ok);
    EXPECT_TRUE(ok);
    for (const char* bad : {"", "{1}", "{a, b}", "1, 2", "{1, 2} x", "{99999999, 1}"}) {
        KeloMonitorHUD::pointFromString(bad, &ok);
        EXPECT_FALSE(ok) << bad;
    }

    // Stored where no screen shows it: the panel opens on screen.
    owner.setLayoutSetting("monitor_hud_posn", "{-9000, -9000}");
    ASSERT_TRUE(hud->showMonitorHUD("Kelo Hud"));
    const QRect shown = hud->window()->geometry();
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().intersects(shown));
    EXPECT_NE(owner.layoutSetting("monitor_hud_posn"), "{-9000, -9000}");
}

TEST_F(MonitorHud, CellsForDescriptionsAndTheRemoveItem) {
    const struct {
        QVariantMap description;
        bool breakout;
        int layer, mix, dmx;
        bool whole;
    } cases[] = {
        {{{"name", "Kelo Hud"}}, false, 0, 0, 0, false},
        {{{"name", "Kelo Hud"}}, true, 0, 0, 0, true},
        {{{"name", "Kelo Hud"}, {"layer", 2}}, true, 2, 0, 0, false},
        {{{"name", "Kelo Hud"}, {"mix", 4}, {"subName", "Mix 4 'Wall'"}}, true, 0, 4, 0, false},
        {{{"name", "Kelo Hud"}, {"DMX_Master", 1}}, true, 0, 0, 1, false},
    };
    for (const auto& c : cases) {
        auto cell = hud->createCellForDescription(c.description, c.breakout, hud->monitorHudView());
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->keloObject(), kelo);
        EXPECT_EQ(cell->layerNumber(), c.layer);
        EXPECT_EQ(cell->mixNumber(), c.mix);
        EXPECT_EQ(cell->DMX_MasterNumber(), c.dmx);
        EXPECT_EQ(dynamic_cast<KeloBreakoutCell*>(cell.get()) != nullptr, c.whole);
        EXPECT_EQ(cell->subName(), c.description.value("subName").toString());
        EXPECT_EQ(dynamic_cast<KeloMonitorCell*>(cell.get()) != nullptr, !c.breakout);
    }
    auto unknown =
        hud->createCellForDescription({{"name", "Kelo Nobody"}}, true, hud->monitorHudView());
    EXPECT_EQ(unknown->keloObject(), nullptr);

    QMenu* menu = hud->menuForEvent(nullptr, hud->monitorHudView());
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->title(), "Contextual Menu");
    QAction other("Something");
    hud->actionForMenuItem(&other, hud->monitorHudView());
    EXPECT_TRUE(owner.removed.isEmpty());
}

}  // namespace

KELO_TEST_MAIN_GUI()
