// The content editor's panels in a real window under X: loaded, jogged and
// clicked, then saved as screenshots; the checks read the widgets.

#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "platform/UserDefaults.h"
#include "settings/KeloJoystickControl.h"
#include "settings/KeloWarpEditorView.h"
#include "settings/TopoTextureControl.h"
#include "settings/VignetteControl.h"
#include "support/MouseEvents.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QTest>

namespace {

TEST(EditorPanels, ScreenshotOfEveryPanel) {
    QTemporaryDir defaults;
    UserDefaults::setStandardFile(defaults.filePath("defaults.plist"));
    QWidget window;
    window.setWindowTitle("Projection Editor Window");
    auto* row = new QHBoxLayout(&window);
    auto* texture = new TopoTextureControl(&window);
    auto* vignette = new VignetteControl(&window);
    auto* warp = new KeloWarpEditorView(&window);
    warp->setFixedSize(240, 180);
    row->addWidget(texture);
    row->addWidget(vignette);
    row->addWidget(warp);
    texture->loadFromDictionary(
        QVariantMap{{"texsize", "1920, 1080"}, {"texrect", "0, 0, 960, 540"}, {"texorient", "6"}});
    vignette->loadFromDictionary(
        QVariantMap{{"scale", "1920, 1080"}, {"left", "96, 1, 1.5"}, {"top_bk", "54"}});
    warp->setCols(3);
    warp->setRows(3);
    warp->setDictionary({{"fivepoint", "1"}});
    window.move(20, 20);
    window.show();
    waitForExposure(window);
    ASSERT_TRUE(window.windowHandle()->isExposed());

    // Select the top-right corner and nudge it; jog the texture width.
    QTest::mouseClick(warp, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(warp->clickedCell(), 9);
    warp->setFocus();
    QTest::keyClick(warp, Qt::Key_Left);
    EXPECT_EQ(warp->dictionary().value("002.002").toString(), "-0.010,0.000");
    KeloJoystickControl* width = texture->joystick(6);
    const QPoint mid(width->width() / 2, width->height() / 2);
    QTest::mousePress(width, Qt::LeftButton, {}, mid);
    drag(width, mid + QPoint(40, 0));
    width->timerProc();
    QTest::mouseRelease(width, Qt::LeftButton, {}, mid + QPoint(40, 0));
    EXPECT_GT(texture->texRect().width(), 960);
    QApplication::processEvents();

    const QImage shot = window.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(artefactPath("content_editor_panels.png")));
    EXPECT_EQ(texture->texOrient()->currentText(), "V-Flip");
    EXPECT_EQ(vignette->edge(VignetteControl::kLeft).toCurve->currentText(), "Raised Cosine");
    EXPECT_TRUE(vignette->edge(VignetteControl::kLeft).toEnable->isChecked());
    EXPECT_FALSE(vignette->edge(VignetteControl::kTop).toAmount->controlEnabled());
    EXPECT_EQ(texture->sourceWidth()->text(), "1920");
    // The selected handle is drawn yellow where the view places the point.
    const QPointF handle = warp->convertPointForDisplay(warp->pointForCell(9));
    const QImage grid = warp->grab().toImage();
    const QColor at = grid.pixelColor(int(handle.x()), warp->height() - 1 - int(handle.y()));
    EXPECT_EQ(at, QColor(Qt::yellow));
    EXPECT_TRUE(grid.save(artefactPath("warp_grid.png")));
}

}  // namespace

KELO_TEST_MAIN_GUI()
