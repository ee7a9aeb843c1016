#include "status/KeloBreakoutCell.h"
#include "status/KeloLayerBreakoutCell.h"

#include "StatusTestSupport.h"
#include "StatusViewTestSupport.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <cstring>

KELO_TEMP_DEFAULTS();

namespace {

using namespace statustest;

bool near(const QColor& a, const QColor& b) {
    return nearColour(a, b, 8);
}

std::vector<LayerSpec> layers(int count) {
    std::vector<LayerSpec> specs(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        specs[size_t(i)].folder = uint8_t(i + 1);
        specs[size_t(i)].file = uint8_t(2 * i + 1);
        specs[size_t(i)].level = i % 3 == 2 ? 0 : 255;
    }
    return specs;
}

// A breakout pane with one whole-server cell and layer, mix and DMX-master cells.
class Breakouts : public ::testing::Test {
protected:
    void SetUp() override {
        kelo.setName("Kelo on Wall");
        kelo.setAddress(0x7F000003, 0x7F000003);
        target.servers[kelo.name()] = &kelo;
        target.thumbHeight = 80;
        view.setTarget(&target);
        view.setIsBreakout(true);
        view.setDataSource(&descriptions);
    }
    void show(const QList<QVariantMap>& list) {
        descriptions = list;
        view.createCellArray();
        view.reloadData();
        view.show();
    }
    QImage settle() {
        QImage image;
        for (int i = 0; i < 5; ++i) {
            view.performUpdate();
            image = grab(view);
        }
        return image;
    }
    template <typename Cell>
    Cell* cellAt(int index) {
        return static_cast<Cell*>(view.cellAtIndex(index));
    }

    KeloObject kelo;
    ServerTarget target;
    QList<QVariantMap> descriptions;
    KeloStatusView view{QRectF(0, 0, 300, 100)};
};

TEST_F(Breakouts, WholeServerGridOfLayers) {
    fillServer(kelo, 6, 256 * 61, layers(6));
    for (int layer = 1; layer <= 6; ++layer)
        setPreview(kelo, layerRequest(kelo, layer), jpeg(160, 90, QColor(30 * layer, 90, 160)),
                   {160, 90}, {1920, 1080});
    setPreview(kelo, outputRequest(kelo), jpeg(320, 180, QColor(20, 160, 60)), {320, 180},
               {1920, 1080});
    show({{{"name", kelo.name()}}});
    const QImage image = settle();
    ASSERT_TRUE(image.save(artefactPath("status-breakout-server.png")));
    auto* cell = cellAt<KeloBreakoutCell>(0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->numLayers(), 6);
    EXPECT_EQ(cell->layerRowCount(), 2);
    EXPECT_EQ(cell->rectlist().size(), 28u);
    // Parts of layers the server does not have stay dirty: the pass stops at index 10.
    EXPECT_FALSE(cell->rectlist()[9]->dirty());
    EXPECT_TRUE(cell->rectlist()[10]->dirty());
    // Layer 3 has level 0: no preview, although its summary is kept.
    EXPECT_TRUE(cell->layerThumbNail(2).image.isNull());
    EXPECT_FALSE(cell->layerThumbNail(1).image.isNull());
    EXPECT_EQ(cell->layerRec(1).media, 2u * 256 + 3);
    // The tool tip over layer 2 carries its information; past the layer count only the name.
    const QRectF f = cell->frame();
    const QRectF part2 = cell->cellRectForPart(2);
    const QPointF over2(f.x() + part2.center().x(), f.y() + f.height() - part2.center().y());
    EXPECT_TRUE(cell->toolTipForPoint(over2).startsWith("Wall - Layer 2\n-Media: 002.003"));
    const QRectF part8 = cell->cellRectForPart(8);
    EXPECT_EQ(cell->toolTipForPoint(
                  {f.x() + part8.center().x(), f.y() + f.height() - part8.center().y()}),
              "Wall - Layer 8");
    // The preview of layer 2 shows in its place.
    const QRectF p2(f.x() + part2.x(), f.y() + f.height() - part2.y() - part2.height(),
                    part2.width(), part2.height());
    EXPECT_RGB(image.pixelColor(p2.center().toPoint() + QPoint(5, 5)), QColor(60, 90, 160));
}

TEST_F(Breakouts, LayerCountChangeLaysOutAgain) {
    fillServer(kelo, 4, 0, layers(4));
    show({{{"name", kelo.name()}}});
    settle();
    auto* cell = cellAt<KeloBreakoutCell>(0);
    const double before = cell->size().height();
    fillServer(kelo, 5, 0, layers(5));
    EXPECT_TRUE(cell->update());
    EXPECT_GT(cell->size().height(), before);
    EXPECT_EQ(cell->layerRowCount(), 2);
}

TEST_F(Breakouts, BadServerDataStaysDefined) {
    // More than 24 layers, NaN-free but odd records, names filling all 64 bytes.
    std::vector<LayerSpec> many = layers(40);
    static const char longName[] =
        "0123456789012345678901234567890123456789012345678901234567890123";
    for (auto& l : many) l.name = longName;
    fillServer(kelo, 40, 0xFFFFFFFFu, many);
    show({{{"name", kelo.name()}}, {{"name", kelo.name()}, {"layer", 30}}});
    settle();
    auto* cell = cellAt<KeloBreakoutCell>(0);
    EXPECT_EQ(cell->numLayers(), 40);
    EXPECT_EQ(cell->layerRowCount(), 6);  // the first 24
    EXPECT_EQ(cell->tcValue(), -1);
    EXPECT_EQ(cell->toolTipForPoint({-1, -1}), "Wall");
    // Layer 30 lies beyond the summaries: the cell keeps its band.
    auto* layer30 = cellAt<KeloLayerBreakoutCell>(1);
    EXPECT_EQ(layer30->labelText(), "Wall - Layer 30");
    EXPECT_FALSE(layer30->active());

    fillServer(kelo, 0, 0);
    settle();
    EXPECT_EQ(cellAt<KeloBreakoutCell>(0)->numLayers(), 0);
    EXPECT_EQ(cellAt<KeloBreakoutCell>(0)->size().height(), 32);
}

TEST_F(Breakouts, LayerCellFieldsAndStates) {
    std::vector<LayerSpec> specs = layers(2);
    specs[0].posn = 256 * 10;
    specs[0].out = 256 * 50;
    fillServer(kelo, 2, 0, specs);
    show({{{"name", kelo.name()}, {"layer", 1}},
          {{"name", kelo.name()}, {"layer", 3}},
          {{"name", kelo.name()}, {"DMX_Master", 2}},
          {{"name", kelo.name()}, {"mix", 2}}});
    const QImage image = settle();
    ASSERT_TRUE(image.save(artefactPath("status-breakout-layers.png")));
    auto* layer1 = cellAt<KeloLayerBreakoutCell>(0);
    EXPECT_TRUE(layer1->active());
    EXPECT_EQ(layer1->fieldText(6), "001.001 ('avc1', 30.00 fps)");
    EXPECT_EQ(layer1->fieldText(7), "clip.mov");
    EXPECT_EQ(layer1->fieldText(8), "00:00:40:00");
    EXPECT_EQ(layer1->size().height(), 80 + 60);

    auto* layer3 = cellAt<KeloLayerBreakoutCell>(1);
    EXPECT_EQ(layer3->labelText(), "Wall - Layer 3");
    EXPECT_EQ(layer3->size().height(), 32);
    EXPECT_FALSE(layer3->update());
    EXPECT_EQ(cellAt<KeloLayerBreakoutCell>(2)->labelText(), "Wall - DMX Master 2");
    EXPECT_EQ(cellAt<KeloRemoteCell>(3)->subName(), "Mix 2");
    EXPECT_EQ(cellAt<KeloRemoteCell>(3)->labelText(), "Wall - Mix 2");

    // The media goes missing: media line and file name change, the preview goes.
    specs[0].texError = 1;
    fillServer(kelo, 2, 0, specs);
    keloLayerProgressRec rec;
    kelo.layerProgressInfo(&rec, 0);
    if (rec.flags & 0x80) {
        settle();
        EXPECT_EQ(layer1->fieldText(6), "001.001 (Media Not Found)");
        EXPECT_EQ(layer1->fieldText(7), "");
    }
    // A layer going fully transparent keeps its texts but is no longer live.
    specs[0].texError = 0;
    specs[0].level = 0;
    fillServer(kelo, 2, 0, specs);
    settle();
    EXPECT_FALSE(layer1->active());
    EXPECT_FALSE(layer1->fieldText(7).isNull());
}

TEST(LayerFields, FrameRatesAndUnterminatedNames) {
    KeloObject kelo;
    kelo.setName("Kelo on Odd");
    std::vector<LayerSpec> specs(1);
    fillServer(kelo, 1, 0, specs);
    // Patch the detail: 29.97 fps and a name with no terminating NUL.
    kle_layer_stat d{};
    d.level = 255;
    d.texlib = 1;
    d.texnum = 1;
    d.file_fps.set(7672);
    d.play_fps.set(7672);
    std::memcpy(d.codec, "\x01v1\xFF", 4);
    d.length.set(256 * 60);
    d.out_pt.set(256 * 60);
    std::memset(d.texname, 'n', sizeof d.texname);
    kelo.setLayerDetailStatus(&d, sizeof d, 0);
    RecordingHost host;
    KeloLayerBreakoutCell cell;
    cell.setLayerNumber(1);
    cell.setThumbHeight(60);
    cell.setCellWidth(400);
    cell.setView(&host);
    cell.setKeloObject(&kelo);
    cell.setFrame({0, 0, 400, 120});
    EXPECT_TRUE(cell.update());  // layer count and running state are new
    EXPECT_FALSE(cell.update());
    EXPECT_EQ(cell.fieldText(6), "001.001 ('?v1?', 29.97 fps)");
    EXPECT_EQ(cell.fieldText(7), QString(63, 'n'));  // the summary keeps 63 bytes and a NUL
    QImage image = canvas(400, 120);
    QPainter painter(&image);
    cell.drawWithFrame(painter, cell.frame(), &host);
    EXPECT_EQ(cell.layer().isNull(), false);
}

}  // namespace

KELO_TEST_MAIN_GUI()
