#pragma once

#include <QColor>
#include <QFont>

// A text attribute set: foreground colour and font.
struct HUDTextAttributes {
    QColor foreground;
    QFont font;
};

// Fonts of the kind the kit's cells ask for. They need a QGuiApplication.
QFont labelFontOfSize(double points);
QFont menuFontOfSize(double points);
QFont systemFontOfRegularControlSize();

// The interface colours, text attributes and sizes shared by the application
// theme and KeloUIAttributes. The ...Col colours are the RGB equivalents for
// code that draws with plain 2-D colours.
class KlUIProtocol {
public:
    virtual ~KlUIProtocol() = default;

    virtual QColor textCol() const = 0;
    virtual QColor litCol() const = 0;
    virtual QColor drkCol() const = 0;
    virtual QColor angCol() const = 0;
    virtual QColor bgCol() const = 0;
    virtual QColor progCol() const = 0;
    virtual QColor playheadCol() const = 0;

    virtual QColor textColour() const = 0;
    virtual QColor textBgColour() const = 0;
    virtual QColor textFieldColour() const = 0;
    virtual QColor bgColour() const = 0;
    virtual QColor drkColour() const = 0;
    virtual QColor redStateColour() const = 0;
    virtual QColor yellowStateColour() const = 0;
    virtual QColor greenStateColour() const = 0;
    virtual QColor blueStateColour() const = 0;
    virtual QColor brightGreenColour() const = 0;

    virtual HUDTextAttributes smallTextFont() const = 0;
    virtual HUDTextAttributes mediumTextFont() const = 0;
    virtual const char* fontName() const = 0;
    virtual qint32 mediumFontSize() const = 0;
    virtual qint32 smallFontSize() const = 0;
};
