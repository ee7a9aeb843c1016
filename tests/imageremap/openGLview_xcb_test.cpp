// The image-remap preview on the X display with Mesa: what the window shows,
// read back from its framebuffer, and its status line.

#include "imageremap/openGLview.h"

#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QVBoxLayout>

namespace {

bool near(const QColor& a, const QColor& b) {
    return nearColour(a, b, 6);
}

// Texture 200 x 100 on an output of 400 x 200: a full-size screen at the top
// left, a half-dimmed one at the bottom right, and a perspective screen that
// the preview leaves out.
PlistNode::Ptr document() {
    auto screen = [](const char* rect, QVariantList controls = {}, qint64 ortho = 1) {
        return QVariantMap{{"activeRect", rect},
                           {"texRect", "{{0, 0}, {200, 100}}"},
                           {"ortho", ortho},
                           {"controls", controls}};
    };
    const QVariantMap dimmer{{"parameter", qint64(4)}, {"scale", 0.0}, {"offset", 0.5}};
    return PlistNode::fromVariant(
        QVariantMap{{"configurations",
                     QVariantList{QVariantMap{
                         {"texSize", "{200, 100}"},
                         {"displaySize", "{400, 200}"},
                         {"screens", QVariantList{screen("{{0, 0}, {200, 100}}"),
                                                  screen("{{200, 100}, {200, 100}}", {dimmer}),
                                                  screen("{{0, 100}, {100, 100}}", {}, 0)}}}}},
                    {"universes", QVariantList{"0"}}});
}

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        window.setFixedSize(408, 208);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new openGLview(&window);
        layout->addWidget(view);
        window.show();
        waitForExposure(window);
    }
    QImage frame() {
        QApplication::processEvents();
        return view->grabFramebuffer();
    }
    // The pixel of the output surface point (x, y) (y down) at zoom 1, fitted.
    static QColor at(const QImage& image, int x, int y) { return image.pixelColor(4 + x, 4 + y); }

    QWidget window;
    openGLview* view = nullptr;
};

TEST_F(Preview, NothingSelectedShowsOnlyTheBackground) {
    view->setDictionary(document());
    const QImage image = frame();
    for (const QPoint p : {QPoint(1, 1), QPoint(204, 104), QPoint(400, 200)})
        EXPECT_RGB(image.pixelColor(p), QColor(102, 102, 102));
    EXPECT_EQ(view->statusText().toStdString(), "Preview Scale 1.00");
}

TEST_F(Preview, ScreensShowTheTestGridOverTheSurface) {
    view->setDictionary(document());
    view->setTextureSize(QSizeF(200, 100));
    view->setSize(QSizeF(400, 200));
    view->setConfig(0);
    view->setScale(0);
    const QImage image = frame();
    image.save(artefactPath("ImageRemapPreview.png"));
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.0);
    EXPECT_EQ(view->origin(), QPointF(4, 4));
    EXPECT_RGB(image.pixelColor(1, 1), QColor(102, 102, 102)) << "around the surface";
    EXPECT_RGB(at(image, 300, 50), QColor(51, 51, 51)) << "the surface where no screen is";
    EXPECT_RGB(at(image, 55, 55), QColor(230, 255, 230)) << "the grid's ground";
    EXPECT_RGB(at(image, 50, 55), QColor(179, 230, 179)) << "a 10-pixel line";
    EXPECT_RGB(at(image, 100, 55), QColor(128, 153, 128)) << "a 100-pixel line";
    EXPECT_RGB(at(image, 255, 155), QColor(115, 128, 115)) << "the dimmed screen";
    EXPECT_RGB(at(image, 50, 150), QColor(51, 51, 51)) << "no perspective screens";
    // The labels "x =0" and "y =0" in the grid's top-left cell are blue text.
    int blue = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x) {
            const QColor c = at(image, x, y);
            if (c.blue() > c.red() + 60) ++blue;
        }
    EXPECT_GT(blue, 20);
    EXPECT_EQ(view->lastVertexCount(), 12u) << "the perspective screen is built, not shown";
}

TEST_F(Preview, HighlightMarksItsScreenAndDimsTheRest) {
    const PlistNode::Ptr doc = document();
    view->setDictionary(doc);
    view->setTextureSize(QSizeF(200, 100));
    view->setSize(QSizeF(400, 200));
    view->setConfig(0);
    view->setScale(0);
    view->setHighlight(doc->value("configurations")->at(0)->value("screens")->at(1).get());
    const QImage image = frame();
    image.save(artefactPath("ImageRemapPreview-highlight.png"));
    EXPECT_RGB(at(image, 55, 55), QColor(115, 128, 115)) << "half tint";
    EXPECT_RGB(at(image, 255, 155), QColor(115, 128, 115)) << "the highlighted one as it was";
    // The diamond sits on the screen's corner (200, 100).
    const QColor mark = at(image, 200, 100);
    EXPECT_GT(mark.red(), 150);
    EXPECT_LT(mark.green(), 30);
    EXPECT_EQ(view->statusText().toStdString(),
              "Preview Scale 1.00  |  Screen at (200,100)  |  Texture at (0,0)");
}

TEST_F(Preview, ZoomStaysWithinItsLimits) {
    view->setDictionary(document());
    view->setSize(QSizeF(400, 200));
    view->setConfig(0);
    double expected = view->zoomFactor();
    for (int i = 0; i < 40; ++i) {
        view->setScale(1);
        expected = std::min(expected * 1.1, 10.0);
        EXPECT_NEAR(view->zoomFactor(), expected, 1e-9) << i;
    }
    view->adjustScale(0.01);
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 0.05);
    view->setScale(3);
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.0);
    frame();
    EXPECT_EQ(view->statusText().toStdString(), "Preview Scale 1.00");
}

}  // namespace

KELO_TEST_MAIN_GUI()
