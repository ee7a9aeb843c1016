#include "status/KeloRemoteCell.h"
#include "graphics/StretchImage.h"
#include "hud/theme/FPColorPalette.h"
#include "hud/theme/KeloUIAttributes.h"
#include "platform/UserDefaults.h"
#include "serverlink/keloLayerProgressRec.h"
#include "status/StatusConstants.h"

#include "StatusTestSupport.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QFontMetricsF>
#include <QPainter>

#include <climits>
#include <cstring>

KELO_TEMP_DEFAULTS();

namespace {

using statustest::RecordingHost;

bool near(const QColor& a, const QColor& b) {
    return nearColour(a, b, 6);
}

const KeloUIAttributes* attrs() {
    return KeloUIAttributes::attributes();
}

TEST(Timecode, TwoArgumentForm) {
    const struct {
        int time;
        float fps;
        const char* text;
    } cases[] = {
        {0x1000, 0, "00:00:16:00"},
        {252, 30, "00:00:01:00"},  // fraction + 4 carries into the seconds
        {128, 30, "00:00:00:15"},
        {256 * 3661 + 128, 25, "01:01:01:12"},
        {256 * 360000, 30, "100:00:00:00"},  // hours are not wrapped
        {128, std::numeric_limits<float>::quiet_NaN(), "00:00:00:15"},
        {128, std::numeric_limits<float>::infinity(), "00:00:00:15"},
    };
    for (const auto& c : cases) EXPECT_EQ(i24_8toTC(c.time, c.fps), c.text) << c.time;
    EXPECT_FALSE(i24_8toTC(INT_MAX, 30).isEmpty());
}

TEST(MiddleTruncation, CutsTheMiddleAndKeepsBothEnds) {
    const QString text = QStringLiteral("Projector Left Stage");
    const double full = QFontMetricsF(cellFont(attrs(), 12)).horizontalAdvance(text);
    double width = 0;
    double x = 0;
    // One character too narrow.
    const QRectF rect(5, 0, std::trunc(full) - 2, 16);
    const QString cut = truncateStringMiddle(text, rect, &width, &x, 12, attrs());
    EXPECT_EQ(cut.count(QChar(0x2026)), 1);
    EXPECT_LE(cut.size(), text.size() - 1);
    EXPECT_TRUE(cut.startsWith("Proj") && cut.endsWith("tage")) << cut.toStdString();
    EXPECT_EQ(x, 5);
    EXPECT_EQ(width, std::trunc(full) + 1);
    // Fits: unchanged, right-aligned.
    EXPECT_EQ(truncateStringMiddle(text, QRectF(0, 0, 1000, 16), &width, &x, 12, attrs()), text);
    EXPECT_EQ(x, std::trunc(1000 - full));
}

TEST(MiddleTruncation, BadSizesAndScriptsStayDefined) {
    const QString text = QStringLiteral("Ωμέγα 😀😀😀😀😀😀😀 東京ステージ");
    for (const int size : {0, -12, 12, 400})
        for (const double w : {0.0, -50.0, 40.0, qQNaN(), 1e9}) {
            const QString cut =
                truncateStringMiddle(text, QRectF(0, 0, w, 10), nullptr, nullptr, size, attrs());
            EXPECT_TRUE(cut.isValidUtf16()) << size << " " << w;
            EXPECT_LE(cut.size(), text.size());
        }
    EXPECT_EQ(truncateStringMiddle(QString(), QRectF(0, 0, 10, 10), nullptr, nullptr, 12, attrs()),
              QString());
    int descender = 1;
    for (const int size : {0, -4, 100, 1000})
        EXPECT_EQ(adjustFrameToVerticallyCenterText(QRectF(0, 0, 50, 20), size, &descender),
                  QRectF(0, 0, 50, 20));
    const QRectF centred = adjustFrameToVerticallyCenterText(QRectF(0, 0, 50, 40), 12, &descender);
    EXPECT_LE(descender, 0);
    EXPECT_GT(centred.y(), 0);
    EXPECT_NEAR(centred.center().y(), 20, 1);
}

// A cell whose two slots the test fills directly.
class SlotCell : public KeloRemoteCell {
public:
    thumbref one, two;
    thumbref* getThumbNail() override { return &one; }
    thumbref* getThumbNail2() override { return &two; }
    void setRunning(bool running) { isRunning_ = running; }
};

QImage picture(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image;
}

TEST(AspectRatio, VoteAndMemory) {
    KeloObject kelo;
    kelo.setName("Kelo on A");
    RecordingHost host;
    SlotCell cell;
    cell.setView(&host);
    cell.setKeloObject(&kelo);
    cell.one.image = picture(140, 100);
    cell.one.originalSize = QSizeF(1400, 1000);  // exactly 1.4: stays 4:3
    cell.updateAspectRatio();
    EXPECT_FALSE(cell.isAspect_16x9());
    EXPECT_FALSE(host.needsLayout);

    cell.two.image = picture(150, 100);
    cell.two.originalSize = QSizeF(1500, 1000);  // a 16:9 vote wins
    cell.updateAspectRatio();
    EXPECT_FLOAT_EQ(cell.thumbAspect(), 16.0f / 9.0f);
    EXPECT_TRUE(cell.forceTotalRedraw());
    EXPECT_TRUE(host.needsLayout);
    EXPECT_TRUE(cell.isAspect_16x9());
    EXPECT_TRUE(UserDefaults::standard()
                    .object(kAspectRatioForKeloKey)
                    .toMap()
                    .value("Kelo on A")
                    .toBool());

    cell.two.image = QImage();  // only the 4:3 vote is left
    cell.updateAspectRatio();
    EXPECT_FLOAT_EQ(cell.thumbAspect(), 4.0f / 3.0f);

    // A layer cell changes only itself; a zero-height original does not vote.
    SlotCell layerCell;
    layerCell.setLayerNumber(2);
    layerCell.setKeloObject(&kelo);
    layerCell.one.image = picture(16, 9);
    layerCell.one.originalSize = QSizeF(16, 0);
    layerCell.updateAspectRatio();
    EXPECT_FLOAT_EQ(layerCell.thumbAspect(), 4.0f / 3.0f);
    layerCell.setIsAspect_16x9(true);
    EXPECT_FALSE(UserDefaults::standard()
                     .object(kAspectRatioForKeloKey)
                     .toMap()
                     .value("Kelo on A")
                     .toBool());
}

TEST(CellWidth, IsAtLeastTwoSixteenByNineThumbnailsWide) {
    for (const int height : {0, 54, 55, 80, 200}) {
        const int w = int(height * 16.0 / 9.0);
        EXPECT_GE(KeloRemoteCell::widthForThumbHeight(height, 4.0f / 3.0f), 2 * w + 60);
        EXPECT_EQ(KeloRemoteCell::widthForThumbHeight(height, 4.0f / 3.0f),
                  KeloRemoteCell::widthForThumbHeight(height, 16.0f / 9.0f));
    }
}

TEST(InfoTexts, LayerInformation) {
    SlotCell cell;
    keloLayerProgressRec rec{};
    EXPECT_EQ(cell.appendLayerInfo(&rec, ""), "\n-Idle");
    rec.level = 0.5f;
    rec.flags = 0x100;
    rec.media = 3 * 256 + 7;
    std::strcpy(rec.texname, "Wasser-Ωμέγα.mov");
    EXPECT_EQ(cell.appendLayerInfo(&rec, "L"), "L\n-Media: 003.007\n  Wasser-Ωμέγα.mov");
    rec.flags = 0x100 | 0x4 | 0x1 | 0x40;
    EXPECT_EQ(cell.appendLayerInfo(&rec, ""),
              "\n-Media: 003.007\n  Wasser-Ωμέγα.mov\n-Flags:\n ✓\tCannot play audio due to "
              "playmode!\n ✓\tHad Error");
    rec.flags = 0x102;
    std::memset(rec.texname, 'x', sizeof rec.texname);  // no terminating NUL
    const QString text = cell.appendLayerInfo(&rec, "");
    EXPECT_TRUE(text.endsWith("\n-Flags:\n\tNot Playing Audio\n\tNo Errors"));
    EXPECT_EQ(text.count('x'), 64);
    EXPECT_EQ(cell.appendLayerInfo(nullptr, "x"), "x\n-Idle");
}

TEST(InfoTexts, ServerInformation) {
    KeloObject kelo;
    SlotCell cell;
    cell.setKeloObject(&kelo);
    EXPECT_EQ(cell.appendServerInfo("A"), "A\n• Not Found on Network");
    kelo.setAddress(0x0A000009, 0x0A000009);
    const QString notRunning = cell.appendServerInfo("A");
    EXPECT_TRUE(notRunning.contains("\n• Not Running\nKelo Daemon version unknown"));
    statustest::fillServer(kelo, 3, 0);
    cell.setRunning(true);
    const QString running = cell.appendServerInfo("A");
    EXPECT_TRUE(running.contains("\n- Layers: 3\n- Universe: 7\n")) << running.toStdString();
}

TEST(Thumbnails, SlotFollowsTheServersPicture) {
    KeloObject kelo;
    statustest::fillServer(kelo, 2, 0);
    thumbref slot;
    slot.imageRequest = statustest::outputRequest(kelo);
    CellRect part;
    EXPECT_FALSE(updateThumb(&slot, &kelo, &part));  // nothing arrived
    statustest::setPreview(kelo, slot.imageRequest, statustest::jpeg(160, 90, Qt::red), {160, 90},
                           {1920, 1080});
    EXPECT_TRUE(updateThumb(&slot, &kelo, &part));
    EXPECT_TRUE(part.dirty());
    EXPECT_EQ(slot.image.size(), QSize(160, 90));
    EXPECT_FALSE(updateThumb(&slot, &kelo, &part));  // same picture
    // A JPEG announced at a size other than its own, then garbage: the slot
    // keeps a sound picture.
    statustest::setPreview(kelo, slot.imageRequest, statustest::jpeg(64, 64, Qt::blue), {160, 90},
                           {1920, 1080});
    updateThumb(&slot, &kelo, &part);
    EXPECT_FALSE(slot.image.isNull());
    statustest::setPreview(kelo, slot.imageRequest, QByteArray("\xFF\xD8garbage", 9), {160, 90},
                           {0, 0});
    updateThumb(&slot, &kelo, &part);
    EXPECT_FALSE(slot.image.isNull());
    // No server: the slot lets its picture go.
    EXPECT_TRUE(updateThumb(&slot, nullptr, &part));
    EXPECT_TRUE(slot.image.isNull());
    EXPECT_FALSE(updateThumb(&slot, nullptr, nullptr));
    EXPECT_FALSE(updateThumb(nullptr, &kelo, &part));
}

// The test cell of the drawing helpers: every helper in the palette's colours.
class HelperCell : public KeloRemoteCell {
public:
    QString name = QStringLiteral("Ωμέγα 東京 Stage");
    keloLayerProgressRec rec{};

protected:
    void buildRectList() override {
        addCellRect(QRectF(10, 60, 100, 30));  // 0 bevelled preview
        addCellRect(QRectF(10, 10, 14, 14));   // 1 badge
        addCellRect(QRectF(30, 8, 150, 16));   // 2 name
        addCellRect(QRectF(120, 60, 60, 30));  // 3 flag marks
    }
    void drawStructure() override {
        ctx()->fillRect(layerRect(QRectF(QPointF(0, 0), currSize())), attrs()->bgCol());
        drawBezelForCGRectInContext(*ctx(), layerRect(rectlist()[0]->rect()), attrs(), 3, 3);
    }
    void drawDirtyParts() override {
        drawCollection(2, true, *ctx(), layerRect(rectlist()[1]->rect()));
        drawStringInRect(name, layerRect(rectlist()[2]->rect()), *ctx(), attrs(), 12);
        drawLayerIcons(&rec, false, layerRect(rectlist()[3]->rect()), *ctx(), attrs());
        for (const auto& r : rectlist()) r->setDirty(false);
    }
};

TEST(HelperDrawing, TestCellInThePalettesColours) {
    HelperCell cell;
    cell.rec.level = 0.5f;
    cell.rec.flags = 0x100 | 0x40;
    cell.rec.length = 256 * 100;
    cell.rec.in_pt = 256 * 20;
    cell.rec.out_pt = 256 * 80;
    cell.rec.posn = 256 * 50;
    RecordingHost host;
    QImage view = canvas(200, 110);
    view.fill(Qt::black);
    const QRectF frame(0, 10, 200, 100);
    cell.setFrame(frame);
    {
        QPainter painter(&view);
        cell.drawWithFrame(painter, frame, &host);
        // The bars of the same layer without its error flag, which would drop the time scale.
        keloLayerProgressRec playing = cell.rec;
        playing.flags = 0x100;
        const QRectF preview = QRectF(10, frame.bottom() - 90, 100, 30);
        drawProgressIndicator(&playing, preview, painter, attrs());
        drawOpacityIndicator(&playing, preview, painter, attrs());
    }
    ASSERT_TRUE(view.save(artefactPath("status-helper-cell.png")));

    // Sunken bevel outside the preview (y 20..50 on screen): dark above, lit below.
    EXPECT_RGB(view.pixelColor(50, 18), attrs()->drkCol());
    EXPECT_RGB(view.pixelColor(50, 52), attrs()->litCol());
    EXPECT_RGB(view.pixelColor(8, 40), attrs()->angCol());
    EXPECT_RGB(view.pixelColor(50, 30), attrs()->bgCol());
    // Level bar: half of the 30-point preview, left of it.
    EXPECT_RGB(view.pixelColor(6, 40), attrs()->opacityCol());
    EXPECT_RGB(view.pixelColor(6, 30), attrs()->bgCol());
    // Range bar 20..80 % of 100 points below the preview, playhead at 50 %.
    EXPECT_RGB(view.pixelColor(40, 54), kFPColorHighlightAmber);
    EXPECT_RGB(view.pixelColor(100, 54), attrs()->bgCol());
    EXPECT_RGB(view.pixelColor(60, 54), attrs()->playheadCol());
    // Master badge of the letter c in amber.
    EXPECT_RGB(view.pixelColor(13, 94), kFPColorHighlightAmber);
    // Error mark (third slot) in red; the audio slot stays background.
    EXPECT_RGB(view.pixelColor(185, 20 + int(30 * 0.9 / 4 * 2) + 1), attrs()->redStateCol());
    // The name is drawn in the text colour: some pixels of the name row come near it.
    int textPixels = 0;
    for (int x = 30; x < 180; ++x)
        for (int y = 86; y < 104; ++y)
            if (nearColour(view.pixelColor(x, y), attrs()->textCol(), 40)) ++textPixels;
    EXPECT_GT(textPixels, 20);
}

TEST(HelperDrawing, NamesInAnyScriptAreNotReplaced) {
    auto render = [](const QString& text) {
        QImage image = canvas(160, 20);
        QPainter painter(&image);
        drawStringInRect(text, QRectF(0, 0, 160, 20), painter, attrs(), 12);
        return image;
    };
    EXPECT_NE(render(QStringLiteral("Ωμέγα")), render(QStringLiteral("?????")));
    EXPECT_NE(render(QStringLiteral("東京")), render(QStringLiteral("??")));
}

TEST(HelperDrawing, BadInputDrawsDefinedResults) {
    QImage image = canvas(60, 60);
    QPainter painter(&image);
    keloLayerProgressRec rec{};
    rec.flags = 0x100;
    rec.level = qQNaN();
    rec.length = 0;  // duration 0
    rec.out_pt = 10;
    rec.posn = 5;
    drawProgressIndicator(&rec, QRectF(10, 10, 40, 20), painter, attrs());
    drawOpacityIndicator(&rec, QRectF(10, 10, 40, 20), painter, attrs());
    rec.level = 7.0f;  // above 1: a full bar, no more
    drawOpacityIndicator(&rec, QRectF(10, 10, 40, 20), painter, attrs());
    EXPECT_RGB(image.pixelColor(7, 10), attrs()->opacityCol());
    EXPECT_EQ(image.pixelColor(7, 8).alpha(), 0);
    drawProgressIndicator(nullptr, QRectF(), painter, attrs());
    drawLayerIcons(nullptr, true, QRectF(), painter, attrs());
    // A rectangle smaller than its corners, negative and zero widths.
    drawBezelForCGRectInContext(painter, QRectF(0, 0, 3, 3), attrs(), 10, 0);
    drawBezelForCGRectInContext(painter, QRectF(0, 0, -5, 8), attrs(), 2, 0);
    drawBezelForCGRectInContext(painter, QRectF(0, 40, 10, 10), attrs(), -2, 2);
    EXPECT_EQ(image.pixelColor(5, 45).alpha(), 0);
    drawStringInRect(QString(), QRectF(0, 0, 10, 10), painter, attrs(), 0);
    drawStringInRect("x", QRectF(0, 0, 0, 0), painter, attrs(), -12);
    EXPECT_EQ(drawStringRight(QString(), QRectF(0, 0, 30, 10), painter, attrs(), 10), 0);
    EXPECT_EQ(drawStringRight("abc", QRectF(0, 0, 30, 10), painter, attrs(), 0), 0);
    EXPECT_EQ(collectionImage(26, false), nullptr);
    EXPECT_EQ(collectionImage(-1, true), nullptr);
    ASSERT_NE(collectionImage(25, false), nullptr);
    EXPECT_EQ(collectionImage(25, false)->cgImageRef().size(), QSize(14, 14));
    drawCollection(99, false, painter, QRectF(0, 0, 14, 14));
}

}  // namespace

KELO_TEST_MAIN_GUI()
