#pragma once

#include "hud/windows/KlUIProtocol.h"

#include <QColor>
#include <QObject>

class QWidget;

// The shared interface colours, text attributes, font name and sizes of the
// application's own cells and views, made once with the contrast settings of
// the first call. Each ...Colour has its RGB equivalent ...Col.
class KeloUIAttributes : public KlUIProtocol {
public:
    static KeloUIAttributes* attributes();

    KeloUIAttributes(const KeloUIAttributes&) = delete;
    KeloUIAttributes& operator=(const KeloUIAttributes&) = delete;

    QColor textCol() const override { return textCol_; }
    QColor textColour() const override { return textColour_; }
    QColor bgCol() const override { return bgCol_; }
    QColor bgColour() const override { return bgColour_; }
    QColor litCol() const override { return litCol_; }
    QColor litColour() const { return litColour_; }
    QColor drkCol() const override { return drkCol_; }
    QColor drkColour() const override { return drkColour_; }
    QColor angCol() const override { return angCol_; }
    QColor angColour() const { return angColour_; }
    QColor blkCol() const { return blkCol_; }
    QColor blkColour() const { return blkColour_; }
    QColor progCol() const override { return progCol_; }
    QColor progColour() const { return progColour_; }
    QColor playheadCol() const override { return playheadCol_; }
    QColor playheadColour() const { return playheadColour_; }
    QColor alertCol() const { return alertCol_; }
    QColor alertColour() const { return alertColour_; }
    QColor opacityCol() const { return opacityCol_; }
    QColor opacityColour() const { return opacityColour_; }
    QColor TC_Col() const { return TC_Col_; }
    QColor TC_Colour() const { return TC_Colour_; }
    QColor textBgCol() const { return textBgCol_; }
    QColor textBgColour() const override { return textBgColour_; }
    QColor textFieldCol() const { return textFieldCol_; }
    QColor textFieldColour() const override { return textFieldColour_; }
    QColor redStateCol() const { return redStateCol_; }
    QColor redStateColour() const override { return redStateColour_; }
    QColor yellowStateCol() const { return yellowStateCol_; }
    QColor yellowStateColour() const override { return yellowStateColour_; }
    QColor greenStateCol() const { return greenStateCol_; }
    QColor greenStateColour() const override { return greenStateColour_; }
    QColor blueStateCol() const { return blueStateCol_; }
    QColor blueStateColour() const override { return blueStateColour_; }
    QColor brightGreenCol() const { return brightGreenCol_; }
    QColor brightGreenColour() const override { return brightGreenColour_; }

    HUDTextAttributes smallTextFont() const override { return smallTextFont_; }
    HUDTextAttributes smallHighlightFont() const { return smallHighlightFont_; }
    HUDTextAttributes mediumTextFont() const override { return mediumTextFont_; }
    HUDTextAttributes tinyTextFont() const { return tinyTextFont_; }
    const char* fontName() const override { return "LucidaGrande"; }
    qint32 giantFontSize() const { return 20; }
    qint32 largeFontSize() const { return 16; }
    qint32 mediumFontSize() const override { return 12; }
    qint32 smallFontSize() const override { return 10; }
    qint32 tinyFontSize() const { return 8; }

private:
    KeloUIAttributes();

    QColor textCol_, textColour_, bgCol_, bgColour_, litCol_, litColour_, drkCol_, drkColour_,
        angCol_, angColour_, blkCol_, blkColour_, progCol_, progColour_, playheadCol_,
        playheadColour_, alertCol_, alertColour_, opacityCol_, opacityColour_, TC_Col_, TC_Colour_,
        textBgCol_, textBgColour_, textFieldCol_, textFieldColour_, redStateCol_, redStateColour_,
        yellowStateCol_, yellowStateColour_, greenStateCol_, greenStateColour_, blueStateCol_,
        blueStateColour_, brightGreenCol_, brightGreenColour_;
    HUDTextAttributes smallTextFont_, smallHighlightFont_, mediumTextFont_, tinyTextFont_;
};

// A 2-D colour of the four components (the colour-space argument of the
// original drawing API has no counterpart: all our colours are RGB).
QColor CGColorCreateWithRGBA(double red, double green, double blue, double alpha);
// The colour's RGB components and alpha as a 2-D colour.
QColor CGColorCreateWithNSColor(const QColor& color);

// Replaces a pop-up button (a QComboBox) by a KeloPopOverButton with the
// same items, inset by 3 points, in the same parent, and returns it; any
// other widget is returned unchanged. The combo box leaves the parent but
// lives on hidden, owned by the new button, so its connections still fire:
// a choice in the pop-over selects the same index in it and emits its
// activated() signal.
QWidget* convertToPopOver(QWidget* object);

// Restyles the descendants of a view built from a form: tables get the
// background colour, editable fields and anything else with text or a
// background get the interface's text and field colours.
void setTextColourforView(QWidget* view);
