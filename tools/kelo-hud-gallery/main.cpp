#include "hud/HUDThemeKelo.h"
#include "support/HudGalleryWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    registerKeloThemes();
    HudGalleryWindow window;
    window.show();
    return app.exec();
}
