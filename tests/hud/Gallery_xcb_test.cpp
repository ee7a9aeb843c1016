#include "support/HudGalleryTour.h"
#include "support/HudGalleryWindow.h"
#include "support/PixelTestSupport.h"

#include "hud/controls/HUDButton.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/views/KeloPopOverView.h"
#include "hud/views/OverlayView.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdlib>

namespace {

bool near(const QColor& a, const QColor& b, int tolerance = 2) {
    return nearColour(a, b, tolerance);
}

#define EXPECT_COLOUR(actual, expected)     \
    EXPECT_TRUE(near((actual), (expected))) \
        << "got " << (actual).name().toStdString() << ", want " << (expected).name().toStdString()

TEST(HudGallery, ScreenshotShowsEveryPieceInTheThemeColours) {
    QTemporaryDir defaults;
    ASSERT_TRUE(defaults.isValid());
    UserDefaults::setStandardFile(defaults.filePath("defaults.plist"));
    registerKeloThemes();

    HudGalleryWindow window;
    window.move(40, 40);
    window.show();
    waitForExposure(window);
    ASSERT_TRUE(window.windowHandle()->isExposed());

    const QImage shot = window.grab().toImage();
    const QString path = artefactPath("hud-gallery.png");
    ASSERT_TRUE(shot.save(path)) << path.toStdString();

    // Window background, away from every piece.
    EXPECT_COLOUR(shot.pixelColor(window.width() - 6, 80), headerFillColor());
    // The stretched control: theme fill in the middle, the corners kept rounded.
    const QRect control = window.controlRect();
    EXPECT_COLOUR(shot.pixelColor(control.x() + 20, control.center().y() + 8),
                  HUDThemeKelo::instance()->normalSolidFill());
    EXPECT_COLOUR(shot.pixelColor(control.right() - 20, control.y() + 4),
                  HUDThemeKelo::instance()->normalSolidFill());
    EXPECT_COLOUR(shot.pixelColor(control.x(), control.y()), headerFillColor());
    // The tinted arrow's shaft.
    const QRect arrow = window.tintedImageRect();
    EXPECT_COLOUR(shot.pixelColor(arrow.x() + 10, arrow.center().y()),
                  HudGalleryWindow::tintColour());
    // The info bar, with its text.
    const QRect bar = window.infoBarRect();
    EXPECT_COLOUR(shot.pixelColor(bar.right() - 4, bar.center().y()), floatingWindowColor());
    EXPECT_EQ(window.infoBar()->text(), "Info bar: ready");
    // The list button's face shows its chosen item on the box fill.
    const QRect list = window.listButton()->geometry();
    EXPECT_COLOUR(shot.pixelColor(list.right() - 3, list.y() + 3), boxFillColor());
    EXPECT_EQ(window.listButton()->text(), "Layer 3");
    // A textured button's bezel, and the tick of the check box in the stroke colour.
    const QRect take = window.texturedButton()->geometry();
    EXPECT_COLOUR(shot.pixelColor(take.x() + 10, take.center().y() + 2),
                  HUDThemeKelo::instance()->controlGradient().interpolatedColorAtLocation(
                      (take.height() / 2.0 + 2) / (take.height() - 4)));
    const QRect check = window.checkBox()->geometry();
    int tick = 0;
    for (int y = check.y() + 3; y < check.y() + 15; ++y)
        for (int x = check.x() + 4; x < check.x() + 14; ++x)
            if (near(shot.pixelColor(x, y), HUDThemeKelo::instance()->strokeColor(), 8)) ++tick;
    EXPECT_GT(tick, 4);

    // Open the grid pop-over and keep a picture of it too.
    KeloPopOverButton* grid = window.gridButton();
    const QPointF at = grid->mapToGlobal(QPointF(10, 10));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), at, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grid, &press);
    KeloPopOverView* view = KeloPopOverButton::sharedPopOverView();
    ASSERT_NE(view, nullptr);
    waitForExposure(*view->window());
    const QImage popOver = view->window()->grab().toImage();
    ASSERT_TRUE(popOver.save(artefactPath("hud-gallery-popover.png")));
    EXPECT_EQ(view->gridSize(), QSizeF(3, 3));
    const QRectF firstSwatch = view->cellFrameForItem(0);
    EXPECT_COLOUR(popOver.pixelColor(firstSwatch.center().toPoint()), QColor(Qt::red));
    EXPECT_COLOUR(popOver.pixelColor(popOver.width() / 2, 3), floatingWindowColor());

    // Choosing a swatch by clicking inside the pop-over reaches the info bar.
    const QPointF swatch = view->mapToGlobal(view->cellFrameForItem(4).center());
    QMouseEvent choose(QEvent::MouseButtonPress, view->mapFromGlobal(swatch), swatch,
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &choose);
    EXPECT_FALSE(view->window()->isVisible());
    EXPECT_EQ(grid->indexOfSelectedItem(), 4);
    EXPECT_EQ(window.infoBar()->text(), "Chose Amber");
}

// Pixels of a control that differ from the page behind it.
int paintedPixels(const QImage& shot, const QRect& rect, const QColor& background) {
    int painted = 0;
    const QRect inside = rect & shot.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (!near(shot.pixelColor(x, y), background, 6)) ++painted;
    return painted;
}

QString fileName(const QString& page) {
    QString name = page;
    name.replace(QRegularExpression(QStringLiteral("[^a-z]+")), QStringLiteral("-"));
    return QStringLiteral("hud-tour-%1.png").arg(name);
}

TEST(HudGallery, TourPicturesEveryFamilyAndEachControlPaints) {
    QTemporaryDir defaults;
    ASSERT_TRUE(defaults.isValid());
    UserDefaults::setStandardFile(defaults.filePath("defaults.plist"));
    registerKeloThemes();

    HudGalleryTour tour;
    tour.move(60, 60);
    tour.show();
    waitForExposure(tour);
    ASSERT_GE(tour.pageCount(), 12);
    for (int i = 0; i < tour.pageCount(); ++i) {
        SCOPED_TRACE(tour.pageName(i).toStdString());
        tour.showPage(i);
        QApplication::processEvents();
        QWidget* page = tour.page(i);
        const QImage shot = page->grab().toImage();
        ASSERT_TRUE(shot.save(artefactPath(fileName(tour.pageName(i)))));
        const QColor background = shot.pixelColor(2, 2);
        for (QWidget* control : tour.controls(i)) {
            SCOPED_TRACE(control->metaObject()->className());
            const QRect rect(control->mapTo(page, QPoint(0, 0)), control->size());
            const int area = rect.width() * rect.height();
            EXPECT_GT(paintedPixels(shot, rect, background), area / 20)
                << "the control painted (almost) nothing";
        }
    }
    // The overlay message floats in a window of its own.
    OverlayView* overlay = tour.overlay();
    ASSERT_NE(overlay, nullptr);
    waitForExposure(*overlay->window());
    const QImage bubble = overlay->grab().toImage();
    ASSERT_TRUE(bubble.save(artefactPath("hud-tour-overlay-bubble.png")));
    EXPECT_GT(paintedPixels(bubble, bubble.rect(), QColor(0, 0, 0, 0)),
              bubble.width() * bubble.height() / 3);
}

}  // namespace

KELO_TEST_MAIN_GUI()
