#include "status/KeloMonitorCell.h"
#include "hud/theme/KeloUIAttributes.h"
#include "status/StatusTabServices.h"

#include "StatusTestSupport.h"
#include "StatusViewTestSupport.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

KELO_TEMP_DEFAULTS();

namespace {

using namespace statustest;

bool near(const QColor& a, const QColor& b) {
    return nearColour(a, b, 8);
}

const KeloUIAttributes* attrs() {
    return KeloUIAttributes::attributes();
}

// Counts pixels near a colour inside a rectangle of the image.
int pixelsNear(const QImage& image, const QRect& rect, const QColor& colour, int tolerance = 40) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (nearColour(image.pixelColor(x, y), colour, tolerance)) ++n;
    return n;
}

TEST(MonitorCellSize, FollowsTheThumbnail) {
    KeloMonitorCell cell;
    cell.setThumbAspect(16.0f / 9.0f);
    cell.setThumbHeight(60);
    EXPECT_EQ(cell.size(), QSizeF(284, 134));
    cell.setThumbHeight(200);
    EXPECT_EQ(cell.size(), QSizeF(375, 274));
    EXPECT_EQ(cell.textX(), 10);
    cell.setThumbHeight(0);
    EXPECT_EQ(cell.size(), QSizeF(284, 74));
}

class MonitorGrid : public ::testing::Test {
protected:
    void SetUp() override {
        kelo.setName("Kelo on Stage Left");
        kelo.setAddress(0x7F000002, 0x7F000002);
        kelo.setIsReachable(true);
        fillServer(kelo, 4, 256 * 3723 + 128);
        target.servers[kelo.name()] = &kelo;
        descriptions = {{{"name", kelo.name()}}};
        view.setTarget(&target);
        view.setDataSource(&descriptions);
        view.createCellArray();
        view.reloadData();
        view.show();
        cell = static_cast<KeloMonitorCell*>(view.cellAtIndex(0));
    }
    // One tick of the application: poll, then paint what was marked.
    QImage tick() {
        view.performUpdate();
        QImage image = grab(view);
        cell = static_cast<KeloMonitorCell*>(view.cellAtIndex(0));
        return image;
    }
    // Enough ticks for new facts to settle: a first picture can change the
    // aspect, which lays the grid out again with new cells.
    QImage settle() {
        QImage image;
        for (int i = 0; i < 5; ++i) image = tick();
        return image;
    }
    QRect partOnScreen(int index) {
        const QRectF r = cell->rectlist()[size_t(index)]->rect();
        const QRectF f = cell->frame();
        return QRectF(f.x() + r.x(), f.y() + f.height() - r.y() - r.height(), r.width(), r.height())
            .toRect();
    }

    KeloObject kelo;
    ServerTarget target;
    QList<QVariantMap> descriptions;
    KeloStatusView view{QRectF(0, 0, 284, 100)};
    KeloMonitorCell* cell = nullptr;
};

TEST_F(MonitorGrid, ShowsTheServerWithThumbnailAndTimeCode) {
    ASSERT_NE(cell, nullptr);
    settle();
    setPreview(kelo, outputRequest(kelo), jpeg(320, 180, QColor(200, 40, 40)), {320, 180},
               {1920, 1080});
    const QImage image = settle();
    ASSERT_TRUE(image.save(artefactPath("status-monitor-cell.png")));
    EXPECT_EQ(cell->labelText(), "Stage Left");
    EXPECT_EQ(cell->tcValue(), 256 * 3723 + 128);
    EXPECT_TRUE(cell->canShowTime());
    // The thumbnail layer shows the picture inside part 0.
    const QRect thumb = partOnScreen(0);
    EXPECT_RGB(image.pixelColor(thumb.center() + QPoint(10, 10)), QColor(200, 40, 40));
    // Time code in the text colour, the control source "No Input" in red.
    EXPECT_GT(pixelsNear(image, partOnScreen(6), attrs()->textCol()), 10);
    EXPECT_GT(pixelsNear(image, partOnScreen(8).adjusted(0, 0, 0, 30), attrs()->redStateCol()), 10);
    EXPECT_FLOAT_EQ(cell->thumbAspect(), 16.0f / 9.0f);
    // The state lamp is green, the state word is drawn.
    EXPECT_GT(pixelsNear(image, partOnScreen(4), QColor(40, 200, 40), 60), 5);
}

TEST_F(MonitorGrid, TimeCodeStatesAndErrorRedrawEachTick) {
    settle();
    kelo.setGeneralStatus(kelo.getGeneralStatusPtr(), sizeof(kle_general_stat));
    kle_general_stat s = *kelo.getGeneralStatusPtr();
    s.tc_value.set(0xFFFFFFFFu);  // none
    kelo.setGeneralStatus(&s, sizeof s);
    tick();
    EXPECT_EQ(cell->tcValue(), -1);

    s.tc_value.set(0x80000000u | (256 * 10));
    kelo.setGeneralStatus(&s, sizeof s);
    QImage image = tick();
    EXPECT_GT(pixelsNear(image, partOnScreen(6), attrs()->redStateCol()), 10);
    // Drawn as the plain time, so the next poll sees a change and draws red again.
    EXPECT_EQ(cell->tcValue(), 256 * 10);
    const int draws = cell->dirtyPartDraws();
    image = tick();
    EXPECT_GT(cell->dirtyPartDraws(), draws);
    EXPECT_GT(pixelsNear(image, partOnScreen(6), attrs()->redStateCol()), 10);
}

TEST_F(MonitorGrid, QuietTicksRedrawNothing) {
    settle();
    const int structure = cell->structureDraws();
    const int parts = cell->dirtyPartDraws();
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(cell->structureDraws(), structure);
    EXPECT_EQ(cell->dirtyPartDraws(), parts);
}

TEST_F(MonitorGrid, NarrowCellHasNoTimeCode) {
    KeloMonitorCell narrow;
    narrow.setThumbHeight(20);
    narrow.setKeloObject(&kelo);
    QImage image = canvas(80, 100);
    QPainter painter(&image);
    narrow.drawWithFrame(painter, QRectF(0, 0, 80, 100), &view);
    EXPECT_FALSE(narrow.canShowTime());
    EXPECT_EQ(narrow.rectlist()[6]->rect().width(), 0);
}

TEST_F(MonitorGrid, TroubleReplacesTheSyncWordInRed) {
    settle();
    cell->setCollectionID(2, 2, 1, 0, 0);  // "Unavailable" in red
    QImage image = tick();
    EXPECT_GT(pixelsNear(image, partOnScreen(7), attrs()->redStateCol()), 10);
    cell->setCollectionID(2, 2, 0, 0, 0);
    image = tick();
    EXPECT_EQ(pixelsNear(image, partOnScreen(7), attrs()->redStateCol()), 0);
}

TEST_F(MonitorGrid, WindowModeLampBlinksEveryFourTicks) {
    settle();
    kle_general_stat s = *kelo.getGeneralStatusPtr();
    s.is_windowed = 1;
    kelo.setGeneralStatus(&s, sizeof s);
    ASSERT_TRUE(kelo.isInWindow());
    std::vector<int> yellow;
    for (int i = 0; i < 8; ++i) {
        const QImage image = tick();
        yellow.push_back(pixelsNear(image, partOnScreen(4), QColor(235, 210, 20), 50));
    }
    EXPECT_EQ(yellow[0] > 0, yellow[2] > 0);
    EXPECT_NE(yellow[2] > 0, yellow[4] > 0);
    EXPECT_NE(yellow[4] > 0, yellow[7] > 0);
}

TEST_F(MonitorGrid, BadPreviewsKeepWhatIsKnown) {
    settle();
    const KlReqV4 request = outputRequest(kelo);
    setPreview(kelo, request, jpeg(160, 90, Qt::blue), {160, 90}, {1920, 1080});
    settle();
    const QImage shown = cell->getThumbNail()->image;
    ASSERT_FALSE(shown.isNull());
    QByteArray truncated = jpeg(160, 90, Qt::green);
    truncated.truncate(truncated.size() / 2);
    const QByteArray cases[] = {QByteArray("not a jpeg at all"), truncated, jpeg(64, 64, Qt::green),
                                QByteArray(), QByteArray(1 << 20, '\xFF')};
    for (const QByteArray& data : cases) {
        setPreview(kelo, request, data, {160, 90}, {1920, 1080});
        tick();
        EXPECT_FALSE(cell->getThumbNail()->image.isNull());
    }
    // Announced sizes that do not hold together.
    setPreview(kelo, request, jpeg(160, 90, Qt::green), {0, 0}, {-5, 1e9});
    settle();
    EXPECT_FLOAT_EQ(cell->thumbAspect(), 16.0f / 9.0f);
    setPreview(kelo, request, jpeg(160, 90, Qt::green), {1e9, 1e9}, {0, 0});
    settle();
    EXPECT_FALSE(cell->getThumbNail()->image.isNull());
}

TEST_F(MonitorGrid, OfflineServerAndMissingData) {
    KeloObject lost;
    lost.setName("Kelo on Lost");
    target.servers[lost.name()] = &lost;
    descriptions.append({{"name", lost.name()}});
    view.createCellArray();
    view.reloadData();
    const QImage image = settle();
    ASSERT_TRUE(image.save(artefactPath("status-monitor-offline.png")));
    auto* offline = static_cast<KeloMonitorCell*>(view.cellAtIndex(1));
    EXPECT_EQ(offline->tcValue(), 0);  // no general status yet
    const QRectF f = offline->frame();
    const QRectF lamp = offline->rectlist()[4]->rect();
    EXPECT_GT(pixelsNear(image,
                         QRectF(f.x() + lamp.x(), f.y() + f.height() - lamp.y() - lamp.height() - 4,
                                lamp.width(), lamp.height() + 4)
                             .toRect(),
                         QColor(220, 30, 20), 60),
              5);
    EXPECT_TRUE(offline->toolTipForPoint({}).endsWith("\n• Not Found on Network"));
}

}  // namespace

KELO_TEST_MAIN_GUI()
