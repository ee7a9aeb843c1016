#include "hud/theme/VNSColorCategory.h"

#include "hud/theme/FPColorPalette.h"
#include "hud/theme/HUDGradient.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

std::atomic<double> gUIContrast{0};
std::atomic<double> gUITextBrightness{0};

namespace {
double contrastWhite(double white) {
    if (gUIContrast == 0) Init_gUIContrast();
    if (white > kUIContrastThreshold) {
        // Light colours, text mostly, move toward white.
        const double brightness = gUITextBrightness;
        if (brightness != 1) white = std::min(1.0, 1.0 - (1.0 - white) * brightness * brightness);
    } else if (const double contrast = gUIContrast; contrast != 1) {
        white *= 1.0 - (1.0 - contrast) / 1.5;
    }
    return white;
}

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

double srgbCompand(double linear) {
    linear = clamp01(linear);
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}
}  // namespace

void Init_gUIContrast() {
    // Worked out in locals, so that readers never see a value out of range.
    UserDefaults& defaults = UserDefaults::standard();
    double brightness = defaults.doubleValue("TextBrightness");
    double contrast = defaults.doubleValue("Contrast");
    if (contrast <= 0 || contrast >= 1) {
        contrast = 1;
    } else if (brightness == 0) {
        brightness = contrast;
        defaults.setObject("TextBrightness", brightness);
    }
    if (brightness <= 0 || brightness >= 1) brightness = 1;
    gUITextBrightness = brightness;
    gUIContrast = contrast;
}

QColor colorWithContrastWhite(double white, double alpha) {
    const double w = clamp01(contrastWhite(white));
    return QColor::fromRgbF(w, w, w, clamp01(alpha));
}

QColor colorWithContrastHue(double hue, double saturation, double brightness, double alpha) {
    return QColor::fromHsvF(clamp01(hue), clamp01(saturation), clamp01(contrastWhite(brightness)),
                            clamp01(alpha));
}

QColor colorWithContrastRed(double red, double green, double blue, double alpha) {
    if (gUIContrast == 0) Init_gUIContrast();
    const double contrast = gUIContrast;
    if (red <= kUIContrastThreshold && green <= kUIContrastThreshold &&
        blue <= kUIContrastThreshold && contrast != 1) {
        const double factor = 1.0 - (1.0 - contrast) / 1.5;
        red *= factor;
        green *= factor;
        blue *= factor;
    }
    return QColor::fromRgbF(clamp01(red), clamp01(green), clamp01(blue), clamp01(alpha));
}

QColor getCGColor(const QColor& color) {
    return color.isValid() ? color.toRgb() : QColor();
}

void getGLfloats(const QColor& color, float out[4]) {
    out[0] = out[1] = out[2] = out[3] = 0;
    if (!color.isValid()) return;
    const QColor rgb = color.toRgb();
    out[0] = rgb.redF();
    out[1] = rgb.greenF();
    out[2] = rgb.blueF();
    out[3] = rgb.alphaF();
}

QColor colorWithX(float x, float y, float z) {
    // XYZ relative to D50, adapted to the sRGB primaries and white point.
    const double r = 3.1338561 * x - 1.6168667 * y - 0.4906146 * z;
    const double g = -0.9787684 * x + 1.9161415 * y + 0.0334540 * z;
    const double b = 0.0719453 * x - 0.2289914 * y + 1.4052427 * z;
    if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) return QColor(Qt::black);
    return QColor::fromRgbF(srgbCompand(r), srgbCompand(g), srgbCompand(b), 1.0);
}

QColor colorWithRGBColor(const RGBColor& rgb) {
    return QColor::fromRgbF(rgb.red / 65535.0, rgb.green / 65535.0, rgb.blue / 65535.0, 1.0);
}

#define KELO_ONCE_COLOR(name, expr)         \
    QColor name() {                         \
        static const QColor color = (expr); \
        return color;                       \
    }

KELO_ONCE_COLOR(defaultTextColor, colorWithContrastWhite(217 / 255.0, 1))
KELO_ONCE_COLOR(toolTipColor, QColor::fromRgbF(254 / 255.0, 254 / 255.0, 150 / 255.0, 1))
KELO_ONCE_COLOR(blueValChangedColor, colorWithRGBColor({0, 39321, 65535}))
KELO_ONCE_COLOR(greenIntensityDownColor, colorWithRGBColor({0, 49151, 0}))
KELO_ONCE_COLOR(purpleValTrackedColor, colorWithRGBColor({65535, 0, 65535}))
KELO_ONCE_COLOR(submasterTextColor, QColor::fromRgbF(0.8, 0.8, 0.8, 1))
KELO_ONCE_COLOR(manualControlTextColor, QColor::fromRgbF(1, 1, 0, 1))
KELO_ONCE_COLOR(brownOtherConsoleColor, QColor::fromRgbF(0.5, 0.4, 0.3, 1))
KELO_ONCE_COLOR(brownPassthroughArtnetAllColor, QColor::fromRgbF(0.5, 0.4, 0.3, 1))
KELO_ONCE_COLOR(brownPassthroughArtnetAnyColor,
                blendedColorWithFraction(brownOtherConsoleColor(), 0.4, defaultTextColor()))
KELO_ONCE_COLOR(darkBlueIndependentColor, colorWithRGBColor({0, 0, 30583}))
KELO_ONCE_COLOR(darkBlueSearchColor, colorWithRGBColor({0, 0, 10000}))
KELO_ONCE_COLOR(darkBlueSearchSelColor, colorWithRGBColor({0, 5000, 20000}))
KELO_ONCE_COLOR(ospreyHighlight, kFPColorHighlightAmber)
KELO_ONCE_COLOR(ospreyDimHighlight, QColor::fromRgbF(1.0, 0.79, 0.49, 1))
KELO_ONCE_COLOR(ospreyStatusHighlight, QColor::fromRgbF(0.6, 0, 0.6, 1))
KELO_ONCE_COLOR(ospreyConflict, QColor::fromRgbF(1.0, 0, 0, 1))
KELO_ONCE_COLOR(grabHighlight, QColor::fromRgbF(0.024, 0.271, 0.071, 1))

#undef KELO_ONCE_COLOR

void rgbToHsv(float red, float green, float blue, float* hue, float* saturation, float* value) {
    const float largest = std::max({red, green, blue});
    const float smallest = std::min({red, green, blue});
    *value = largest;
    if (largest == smallest) {
        *hue = -1;
        *saturation = 0;
        return;
    }
    const float d = largest - smallest;
    float f;
    int i;
    if (red == smallest) {
        f = green - blue;
        i = 3;
    } else if (green == smallest) {
        f = blue - red;
        i = 5;
    } else {
        f = red - green;
        i = 1;
    }
    *hue = i - f / d;
    *saturation = d / largest;
}

void hsvToRgb(float hue, float saturation, float value, float* red, float* green, float* blue) {
    if (hue == -1) {
        *red = *green = *blue = value;
        return;
    }
    const int i = int(std::floor(hue));
    float f = hue - i;
    if (!isOdd(i)) f = 1 - f;
    const float m = value * (1 - saturation);
    const float n = value * (1 - saturation * f);
    switch (i) {
        case 6:
        case 0:
            *red = value, *green = n, *blue = m;
            break;
        case 1:
            *red = n, *green = value, *blue = m;
            break;
        case 2:
            *red = m, *green = value, *blue = n;
            break;
        case 3:
            *red = m, *green = n, *blue = value;
            break;
        case 4:
            *red = n, *green = m, *blue = value;
            break;
        case 5:
            *red = value, *green = m, *blue = n;
            break;
        default:
            *red = *green = *blue = value;
            break;
    }
}

bool isOdd(int value) {
    const float half = value / 2.0f;
    return half != std::floor(half);
}
