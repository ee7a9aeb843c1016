#include "app/KeloCompositionRoot.h"
#include "app/KeloHeadlessFrontEnd.h"
#include "support/HudGalleryTour.h"
#include "support/HudGalleryWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    KeloHeadlessFrontEnd frontEnd;
    KeloCompositionRoot root(frontEnd.frontEnd());
    if (!root.install()) return 1;
    HudGalleryWindow window;
    window.show();
    // Every family of the kit, one page at a time.
    HudGalleryTour tour;
    tour.move(window.x() + 40, window.y() + 40);
    tour.show();
    return app.exec();
}
