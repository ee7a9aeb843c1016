#include "hud/theme/HUDImageUtilColours.h"
#include "hud/theme/HUDThemeKelo.h"
#include "support/HudGalleryTour.h"
#include "support/HudGalleryWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    registerKeloThemes();
    HUDImageUtilColours::install();
    HudGalleryWindow window;
    window.show();
    // Every family of the kit, one page at a time.
    HudGalleryTour tour;
    tour.move(window.x() + 40, window.y() + 40);
    tour.show();
    return app.exec();
}
