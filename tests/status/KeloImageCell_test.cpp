#include "status/KeloImageCell.h"
#include "status/KeloCellHost.h"

#include "StatusTestSupport.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QPainter>

namespace {

using statustest::RecordingHost;

// Two numbered parts: a 10 × 10 square at the bottom-left and one at the top-right.
class PartsCell : public KeloImageCell {
public:
    int builds = 0;
    std::vector<int64_t> drawnParts;

protected:
    void buildRectList() override {
        ++builds;
        addCellRect(QRectF(0, 0, 10, 10), "bottom-left");
        addCellRect(QRectF(currSize().width() - 10, currSize().height() - 10, 10, 10), "top-right");
        rectlist()[0]->setPart(1);
        rectlist()[1]->setPart(2);
    }
    void drawStructure() override { ctx()->fillRect(layerRect({0, 0, 1e4, 1e4}), Qt::blue); }
    void drawDirtyParts() override {
        for (const auto& r : rectlist()) {
            if (!r->dirty()) continue;
            ctx()->fillRect(layerRect(r->rect()), r->part() == 1 ? Qt::red : Qt::green);
            drawnParts.push_back(r->part());
            r->setDirty(false);
        }
    }
};

class ImageCell : public ::testing::Test {
protected:
    void draw(const QRectF& frame) {
        QPainter painter(&view);
        cell.drawWithFrame(painter, frame, &host);
    }
    QImage view = canvas(200, 100);
    RecordingHost host;
    PartsCell cell;
};

TEST_F(ImageCell, SecondDrawOfTheSameFrameOnlyCopiesTheCache) {
    draw({20, 10, 60, 40});
    EXPECT_EQ(cell.structureDraws(), 1);
    EXPECT_EQ(cell.dirtyPartDraws(), 1);
    draw({20, 10, 60, 40});
    EXPECT_EQ(cell.structureDraws(), 1);
    EXPECT_EQ(cell.dirtyPartDraws(), 1);
    // The y-up bottom-left part lands at the bottom-left of the frame on screen.
    EXPECT_EQ(view.pixelColor(25, 45), QColor(Qt::red));
    EXPECT_EQ(view.pixelColor(75, 15), QColor(Qt::green));
    EXPECT_EQ(view.pixelColor(50, 30), QColor(Qt::blue));
}

TEST_F(ImageCell, OnlyDirtyPartsAreDrawnAgain) {
    draw({0, 0, 60, 40});
    cell.drawnParts.clear();
    cell.rectlist()[1]->makeDirty();
    cell.makeDirty();
    draw({0, 0, 60, 40});
    EXPECT_EQ(cell.drawnParts, std::vector<int64_t>{2});
    EXPECT_EQ(cell.structureDraws(), 1);
}

TEST_F(ImageCell, MovingOrResizingRebuildsPartsAndFreesThumbnailLayers) {
    draw({0, 0, 60, 40});
    host.thumbLayers().push_back(std::make_unique<KeloThumbLayer>(0));
    host.thumbLayers()[0]->setOwningCellRect(cell.rectlist()[0].get());
    draw({5, 0, 60, 40});
    EXPECT_EQ(cell.builds, 2);
    EXPECT_EQ(cell.structureDraws(), 2);
    EXPECT_EQ(host.thumbLayers()[0]->owningCellRect(), nullptr);
}

TEST_F(ImageCell, DegenerateFramesBecomeTenPointsAndRebuildEachTime) {
    for (const QRectF frame :
         {QRectF(0, 0, 0, 40), QRectF(0, 0, -5, -5), QRectF(0, 0, qQNaN(), 3)}) {
        const int before = cell.structureDraws();
        draw(frame);
        draw(frame);
        EXPECT_EQ(cell.structureDraws(), before + 2);
        EXPECT_GE(cell.currSize().width(), 3);
        EXPECT_EQ(cell.layer().isNull(), false);
    }
    EXPECT_EQ(cell.currSize(), QSizeF(10, 3));
}

TEST_F(ImageCell, HitTestsAndPartRectangles) {
    cell.setFrame({100, 50, 60, 40});
    draw({100, 50, 60, 40});
    // Flipped host: a point near the frame's top-left is near the y-up top.
    EXPECT_EQ(cell.clickedPart({155, 52}), 2);
    EXPECT_EQ(cell.clickedPart({101, 89}), 1);
    EXPECT_EQ(cell.clickedPart({110, 80}), 0);  // right edge of part 1 is outside
    EXPECT_EQ(cell.clickedPart({130, 70}), 0);
    EXPECT_EQ(cell.cellRectForPart(0), QRectF(0, 0, 60, 40));
    EXPECT_EQ(cell.cellRectForPart(2), QRectF(50, 30, 10, 10));
    EXPECT_EQ(cell.cellRectForPart(7), QRectF());
    EXPECT_EQ(cell.cellRectAtindex(-1), nullptr);
    EXPECT_EQ(cell.cellRectAtindex(2), nullptr);
    EXPECT_EQ(cell.toolTipAtPoint({55, 35}), "top-right");
    EXPECT_EQ(cell.toolTip(), "bottom-left");
}

TEST_F(ImageCell, StateChangesRedrawEverythingOnce) {
    cell.setFrame({0, 0, 60, 40});
    draw({0, 0, 60, 40});
    cell.setState(kCellOffState);
    EXPECT_TRUE(host.displayRequests.empty());
    cell.setState(kCellOnState);
    ASSERT_EQ(host.displayRequests.size(), 1u);
    EXPECT_TRUE(cell.rectlist()[0]->dirty() && cell.rectlist()[1]->dirty());
    gEventTrackingLoop = 1.0;
    cell.setState(kCellOffState);
    gEventTrackingLoop = 0.0;
    EXPECT_EQ(host.immediate.size(), 1u);
}

TEST(ThumbLayer, ScalesEachNewPictureOnce) {
    KeloThumbLayer layer(0);
    layer.setFrame({0, 0, 64, 36});
    layer.setHidden(false);
    QImage picture(320, 180, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    layer.setContents(picture);
    QImage view = canvas(64, 36);
    for (int i = 0; i < 5; ++i) {
        QPainter painter(&view);
        layer.paint(painter);
    }
    EXPECT_EQ(layer.scaleCount(), 1);
    EXPECT_EQ(view.pixelColor(32, 18), QColor(Qt::darkCyan));
    layer.setContents(picture);  // the same picture again: no new scale
    QPainter painter(&view);
    layer.paint(painter);
    EXPECT_EQ(layer.scaleCount(), 1);
}

}  // namespace

KELO_TEST_MAIN_GUI()
