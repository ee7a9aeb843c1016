#pragma once

#include <QColor>
#include <QtGlobal>

#include <atomic>

// Contrast state read from the user defaults "Contrast" and "TextBrightness"
// on the first contrast-adjusted colour. Both lie in (0, 1); 1 means no change.
// Atomic, no lock: Init_gUIContrast writes them (main thread, or the first
// thread that makes a colour) and any thread that makes colours reads them,
// the image utilities' drawing threads too; a reader sees an old or a new
// value, never a torn one.
extern std::atomic<double> gUIContrast;
extern std::atomic<double> gUITextBrightness;

// Colours at or below this white level count as dark and follow "Contrast";
// lighter ones follow "TextBrightness".
constexpr double kUIContrastThreshold = 110.0 / 255.0;

// (Re)reads the two defaults. Called on first use; a later call picks up new
// values for colours made afterwards.
void Init_gUIContrast();

QColor colorWithContrastWhite(double white, double alpha);
// Hue and saturation in 0..1; the brightness is adjusted like a white.
QColor colorWithContrastHue(double hue, double saturation, double brightness, double alpha);
// Only colours whose three components are all dark are adjusted.
QColor colorWithContrastRed(double red, double green, double blue, double alpha);

// The colour for 2-D drawing: RGB components, alpha kept.
QColor getCGColor(const QColor& color);
// Red, green, blue, alpha for OpenGL; an invalid colour gives zeros.
void getGLfloats(const QColor& color, float out[4]);

// A colour from CIE XYZ (D50, the profile connection space), alpha 1.
QColor colorWithX(float x, float y, float z);

struct RGBColor {
    quint16 red = 0;
    quint16 green = 0;
    quint16 blue = 0;
};
QColor colorWithRGBColor(const RGBColor& rgb);

// Named colours of the general library, made once.
QColor defaultTextColor();
QColor toolTipColor();
QColor blueValChangedColor();
QColor greenIntensityDownColor();
QColor purpleValTrackedColor();
QColor submasterTextColor();
QColor manualControlTextColor();
QColor brownOtherConsoleColor();
QColor brownPassthroughArtnetAllColor();
QColor brownPassthroughArtnetAnyColor();
QColor darkBlueIndependentColor();
QColor darkBlueSearchColor();
QColor darkBlueSearchSelColor();
QColor ospreyHighlight();
QColor ospreyDimHighlight();
QColor ospreyStatusHighlight();
QColor ospreyConflict();
QColor grabHighlight();

// HSV of 0..1 components: hue 0..6, or -1 when undefined (a grey).
void rgbToHsv(float red, float green, float blue, float* hue, float* saturation, float* value);
void hsvToRgb(float hue, float saturation, float value, float* red, float* green, float* blue);
bool isOdd(int value);
