#include "pixelmap/OmPixelMapGLWidget.h"
#include "pixelmap/OmPixelMapView.h"
#include "pixelmap/PixelMapUI.h"
#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"
#include "pixelmap/PmFixtureGeometry.h"
#include "tabbar/TbTabView.h"
#include "tabbar/TbTabViewItem.h"

#include "pixelmap/PixelMapTestDocs.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QScrollBar>

namespace {

KELO_TEMP_DEFAULTS();

bool near(const QColor& a, const QColor& b) { return nearColour(a, b, 6); }

const QColor kBackground = QColor::fromRgbF(0.15f, 0.15f, 0.15f);

class PixelMapTab : public ::testing::Test {
protected:
    void SetUp() override {
        ui_ = std::make_unique<PixelMapUI>();
        ui_->resize(900, 620);
        ui_->show();
        waitForExposure(*ui_);
        // The timer's first visible tick loads the built-in map.
        ui_->appFinishedLaunching();
        QElapsedTimer t;
        t.start();
        while (!ui_->finishedLaunching() && t.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(ui_->finishedLaunching());
        ASSERT_FALSE(ui_->model().contextList().empty());
        // Two contexts side by side, the first with a row of fixtures.
        QVariantList fixtures;
        for (int i = 0; i < 6; ++i)
            fixtures << pmtest::fixture("Bar3", 1, 1 + 24 * i, "Art-Net", 10, 10 + 12 * i);
        QVariantMap left = pmtest::context(QVariant(), fixtures);
        QVariantMap right = pmtest::context(QVariant(), {});
        QVariantMap l = left["context"].toMap();
        l["source_rect"] = "{{0, 0}, {960, 1080}}";
        l["context_size"] = "{96, 108}";
        left["context"] = l;
        QVariantMap r = right["context"].toMap();
        r["source_rect"] = "{{960, 0}, {960, 1080}}";
        r["context_size"] = "{96, 108}";
        right["context"] = r;
        const QVariantMap doc = pmtest::document({left, right});
        ASSERT_EQ(ui_->model().loadPixelMapData(&doc), QString());
        ui_->selectContextNum(1, true);
    }

    OmPixelMapView& view() { return *ui_->pixelMapView(); }

    // A frame drawn now, read back from the canvas's framebuffer.
    QImage frame() {
        QApplication::processEvents();
        return view().glWidget()->grabFramebuffer();
    }

    // The first pixel's centre of `fixture`, in viewport coordinates.
    QPoint pixelCentre(PmFixture& fixture, PmContext& context) {
        const QSizeF z = context.zoomedPixelSize();
        const auto& p = fixture.pixels().front();
        const QPointF o = PmFixtureGeometry::originForPixel(fixture, {p.x, p.y}, z,
                                                            context.drawableContextRect());
        return (o + QPointF(z.width() / 2, z.height() / 2) - view().visibleDocRect().topLeft())
            .toPoint();
    }

    std::unique_ptr<PixelMapUI> ui_;
};

TEST_F(PixelMapTab, ShowsTheDefaultMapWithItsFixturesAndSelection) {
    PixelMapModel& model = ui_->model();
    PmContext* context = model.selectedContext();
    ASSERT_NE(context, nullptr);
    ASSERT_FALSE(context->fixtures().empty());
    ASSERT_FALSE(context->fixtures().front()->pixels().empty());
    const size_t sources = std::max<size_t>(1, model.pixMapSources().size());
    EXPECT_EQ(size_t(ui_->contextTabView()->numberOfTabViewItems()), sources + model.contextList().size());
    EXPECT_EQ(ui_->contextTabView()->tabViewItemAtIndex(int(sources))->label(), "Context 1");

    const QImage first = frame();
    first.save(artefactPath("pixelmap_tab_default.png"));
    ASSERT_FALSE(first.isNull());
    EXPECT_GT(view().rebuildCount(), 0);
    // Outside the drawn union the clear colour shows.
    const QRectF meta = view().geometryState().drawableMetaRect;
    const QPointF below = QPointF(meta.center().x(), meta.bottom() + 4) - view().visibleDocRect().topLeft();
    if (below.y() < first.height()) EXPECT_RGB(first.pixelColor(below.toPoint()), kBackground);

    PmFixture& fixture = *context->fixtures().front();
    const QPoint at = pixelCentre(fixture, *context);
    ASSERT_TRUE(first.rect().contains(at)) << at.x() << "," << at.y();
    // An unselected fixture of the selected context is light grey.
    const QColor plain = first.pixelColor(at);
    EXPECT_GT(plain.red(), 140);
    EXPECT_NEAR(plain.red(), plain.blue(), 8);

    // A click there hits that fixture and selects it: it turns amber.
    ui_->handleMainMapMouseDown(QPointF(at) + view().visibleDocRect().topLeft(), nullptr);
    EXPECT_TRUE(fixture.mSelected());
    EXPECT_GT(view().getSelectionBoundingBox().width(), 0);
    const QImage selected = frame();
    selected.save(artefactPath("pixelmap_tab_selected.png"));
    const QColor amber = selected.pixelColor(at);
    EXPECT_GT(amber.red(), amber.blue() + 60);

    // The overview map in the top-right corner outlines the visible area in
    // the selection stroke.
    const auto& g = view().geometryState();
    if (g.miniWidth > 4) {
        const QRectF mini = g.miniMapRect.translated(-view().visibleDocRect().topLeft());
        const QColor stroke = QColor::fromRgbF(1.0f, 0.5696498f, 0.0126345f);
        bool found = false;
        for (int x = int(mini.left()); x < int(mini.right()) && !found; ++x)
            for (int y = 0; y < int(mini.bottom()) + 4 && !found; ++y)
                found = near(selected.pixelColor(x, y), stroke);
        EXPECT_TRUE(found);
        // Left of the map, the scene's clear colour.
        EXPECT_RGB(selected.pixelColor(int(mini.left()) - 10, 5), kBackground);
    }
}

TEST_F(PixelMapTab, ZoomScrollsAndRedrawsFromTheLists) {
    ASSERT_EQ(view().zoomFactor(), 1.0);
    frame();
    view().zoom(250, false, true, false);
    EXPECT_EQ(view().zoomFactor(), 100.0);
    view().zoom(4, false, true, false);
    EXPECT_EQ(view().zoomFactor(), 4.0);
    EXPECT_GT(view().horizontalScrollBar()->maximum(), 0);
    frame();
    const int rebuilt = view().rebuildCount();
    const int replayed = view().replayCount();
    view().horizontalScrollBar()->setValue(view().horizontalScrollBar()->value() + 50);
    QApplication::processEvents();
    // Only the visible rectangle moved: the cached lists were replayed.
    EXPECT_EQ(view().rebuildCount(), rebuilt);
    EXPECT_GT(view().replayCount(), replayed);
    frame().save(artefactPath("pixelmap_tab_zoomed.png"));
}

TEST_F(PixelMapTab, AddsSelectsAndDeletesContexts) {
    PixelMapModel& model = ui_->model();
    const size_t before = model.contextList().size();
    const size_t undoSteps = size_t(model.undoManager().count());
    ui_->onAddNewContext();
    ASSERT_EQ(model.contextList().size(), before + 1);
    PmContext* added = model.contextList().back().get();
    EXPECT_EQ(model.selectedContext(), added);
    EXPECT_TRUE(added->fixtures().empty());
    EXPECT_EQ(size_t(model.undoManager().count()), undoSteps + 1);
    EXPECT_EQ(model.undoManager().undoText(), "Add New Context");
    // Its tab carries its colour.
    auto tab = ui_->contextTabView()->selectedTabViewItem();
    ASSERT_TRUE(tab);
    EXPECT_EQ(ui_->tabViewColorForItem(ui_->contextTabView(), tab),
              PixelMapUI::colorForContext(added->unique_id()));
    frame().save(artefactPath("pixelmap_tab_added_context.png"));

    // Selecting through the tab bar.
    const int sources = int(std::max<size_t>(1, model.pixMapSources().size()));
    ui_->contextTabView()->selectTabViewItemAtIndex(sources);
    EXPECT_EQ(model.selectedContext(), model.contextList().front().get());
    ui_->contextTabView()->selectTabViewItemAtIndex(0);
    EXPECT_EQ(model.selectedContext(), nullptr);

    EXPECT_FALSE(ui_->deleteContext(0));
    EXPECT_FALSE(ui_->deleteContext(int(before) + 2));
    EXPECT_TRUE(ui_->deleteContext(int(before) + 1));
    EXPECT_EQ(model.contextList().size(), before);
    for (PmFixture* f : model.mergedFixList()) EXPECT_NE(f, nullptr);
    EXPECT_EQ(size_t(ui_->contextTabView()->numberOfTabViewItems()), size_t(sources) + before);
    frame();
}

TEST_F(PixelMapTab, AFileThatIsNoDocumentLeavesTheMapAndSaysSo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.pmap");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a pixel map");
    file.close();
    const size_t contexts = ui_->model().contextList().size();
    EXPECT_FALSE(ui_->applicationOpenFile(dir.filePath("notes.txt")));
    EXPECT_FALSE(ui_->applicationOpenFile(path));
    EXPECT_EQ(ui_->model().contextList().size(), contexts);
    EXPECT_TRUE(ui_->shownAlerts().contains("Invalid Pixel Map"));
    EXPECT_FALSE(ui_->applicationOpenFile(dir.filePath("missing.pmap")));
    EXPECT_EQ(ui_->model().contextList().size(), contexts);
}

TEST(PixelMapColours, PaletteThenVariedAndOutOfRangeIds) {
    const QColor zero = PixelMapUI::colorForContext(0);
    EXPECT_EQ(PixelMapUI::colorForContext(-5), zero);
    EXPECT_EQ(PixelMapUI::colorForContext(1001), zero);
    const QColor nine = PixelMapUI::colorForContext(9);
    EXPECT_NEAR(nine.hsvHueF(), zero.hsvHueF() + 0.02, 0.005);
    EXPECT_NEAR(nine.valueF(), zero.valueF() - 0.02, 0.005);
    EXPECT_GE(nine.hsvSaturationF(), 0.4 - 0.005);
    // Large ids grow the list once and keep their colour.
    EXPECT_EQ(PixelMapUI::colorForContext(1000), PixelMapUI::colorForContext(1000));
    int32_t tab = -1;
    PixelMapUI::colorForContext(7, &tab);
    EXPECT_EQ(tab, 0);
}

}  // namespace

KELO_TEST_MAIN_GUI()
