#include "hud/theme/HUDImageUtilColours.h"
#include "hud/theme/HUDThemeKelo.h"
#include "support/HudGalleryWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    registerKeloThemes();
    HUDImageUtilColours::install();
    HudGalleryWindow window;
    window.show();
    return app.exec();
}
