#include "app/KeloCompositionRoot.h"
#include "app/KeloHeadlessFrontEnd.h"
#include "support/HudGalleryWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    KeloHeadlessFrontEnd frontEnd;
    KeloCompositionRoot root(frontEnd.frontEnd());
    if (!root.install()) return 1;
    HudGalleryWindow window;
    window.show();
    return app.exec();
}
