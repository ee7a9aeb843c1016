#include "hud/windows/KlUIProtocol.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace {
QFont systemFont() {
    return qGuiApp ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont();
}
}  // namespace

QFont labelFontOfSize(double points) {
    QFont font = systemFont();
    font.setPointSizeF(points);
    return font;
}

QFont menuFontOfSize(double points) {
    QFont font = qGuiApp ? QGuiApplication::font() : QFont();
    font.setPointSizeF(points);
    return font;
}

QFont systemFontOfRegularControlSize() {
    return systemFont();
}
