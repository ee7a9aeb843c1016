#include "hud/theme/KLColor.h"

#include "foundation/OmLog.h"
#include "hud/theme/HUDGradient.h"
#include "hud/theme/VNSColorCategory.h"

#include <algorithm>
#include <mutex>
#include <vector>

const QString KLColor::kCalibratedRGB = QStringLiteral("CalibratedRGB");
const QString KLColor::kDeviceRGB = QStringLiteral("DeviceRGB");
const QString KLColor::kCalibratedWhite = QStringLiteral("CalibratedWhite");
const QString KLColor::kCalibratedBlack = QStringLiteral("CalibratedBlack");
const QString KLColor::kGenericRGB = QStringLiteral("Generic RGB");
const QString KLColor::kGenericGray = QStringLiteral("Generic Gray");
const QString KLColor::kGenericGrayGamma22 = QStringLiteral("Generic Gray Gamma 2.2 Profile");
const QString KLColor::kCustom = QStringLiteral("Custom");

namespace {
constexpr int kCGColorSlots = 255;

int eightBit(double v) {
    return std::clamp(int(v * 255.0), 0, 255);
}

std::mutex& tableMutex() {
    static std::mutex mutex;
    return mutex;
}

// Shared greys by [8-bit white][8-bit alpha]; made on first use, never freed.
KLColor*& greySlot(int white, int alpha) {
    static std::vector<KLColor*>* const greys = new std::vector<KLColor*>(256 * 256, nullptr);
    return (*greys)[size_t(white) * 256 + size_t(alpha)];
}

struct CGSlot {
    QColor cgColor;
    KLColor* color = nullptr;
};
std::vector<CGSlot>& cgSlots() {
    static std::vector<CGSlot>* const table = new std::vector<CGSlot>(kCGColorSlots);
    return *table;
}
}  // namespace

KLColor* KLColor::colorWithCalibratedWhite(double white, double alpha) {
    std::lock_guard lock(tableMutex());
    KLColor*& slot = greySlot(eightBit(white), eightBit(alpha));
    if (!slot) slot = initWithWhite(white, alpha);
    return slot;
}

KLColor* KLColor::colorWithCGColor(const QColor& cgColor) {
    if (!cgColor.isValid()) return nullptr;
    const QColor rgb = cgColor.toRgb();
    std::lock_guard lock(tableMutex());
    for (CGSlot& slot : cgSlots()) {
        if (slot.color && slot.cgColor == rgb) return slot.color;
        if (!slot.color) {
            slot.cgColor = rgb;
            slot.color = initWithCGColor(rgb);
            return slot.color;
        }
    }
    return nullptr;
}

KLColor* KLColor::initWithWhite(double white, double alpha) {
    auto* color = new KLColor;
    Vars& v = color->v_;
    v.cgColor = QColor::fromRgbF(white, white, white, alpha);
    v.isGray = true;
    v.white = v.r = v.g = v.b = white;
    v.whiteInt = v.rInt = v.gInt = v.bInt = eightBit(white);
    v.alpha = alpha;
    v.alphaInt = eightBit(alpha);
    const double w = v.whiteInt / 255.0;
    v.sharedColor = QColor::fromRgbF(w, w, w, v.alphaInt / 255.0);
    color->spaceName_ = kCalibratedRGB;
    color->sharedDeviceColor();
    color->makeDescription();
    color->makeChildren();
    return color;
}

KLColor* KLColor::initWithCGColor(const QColor& cgColor) {
    auto* color = new KLColor;
    Vars& v = color->v_;
    v.cgColor = cgColor;
    v.r = cgColor.redF();
    v.g = cgColor.greenF();
    v.b = cgColor.blueF();
    v.alpha = cgColor.alphaF();
    v.white = (v.r + v.g + v.b) / 3.0;
    v.isGray = v.r == v.g && v.g == v.b;
    v.rInt = eightBit(v.r);
    v.gInt = eightBit(v.g);
    v.bInt = eightBit(v.b);
    v.whiteInt = eightBit(v.white);
    v.alphaInt = eightBit(v.alpha);
    v.sharedColor =
        QColor::fromRgbF(v.rInt / 255.0, v.gInt / 255.0, v.bInt / 255.0, v.alphaInt / 255.0);
    color->spaceName_ = kCalibratedRGB;
    color->sharedDeviceColor();
    color->makeDescription();
    color->makeChildren();
    return color;
}

KLColor* KLColor::initChild(const QString& spaceName, const KLColor* parent) {
    parent_ = parent;
    v_ = parent->v_;
    spaceName_ = spaceName;
    isDevice_ = spaceName == kDeviceRGB;
    makeDescription();
    return this;
}

void KLColor::sharedDeviceColor() {
    // Device and calibrated RGB are the same space here.
    v_.sharedDeviceColor = v_.sharedColor;
    const QColor& d = v_.sharedDeviceColor;
    v_.deviceRed = d.redF();
    v_.deviceGreen = d.greenF();
    v_.deviceBlue = d.blueF();
    v_.deviceRedInt = eightBit(v_.deviceRed);
    v_.deviceGreenInt = eightBit(v_.deviceGreen);
    v_.deviceBlueInt = eightBit(v_.deviceBlue);
    v_.deviceWhite = (v_.deviceRed + v_.deviceGreen + v_.deviceBlue) / 3.0;
    v_.deviceWhiteInt = (v_.deviceRedInt + v_.deviceGreenInt + v_.deviceBlueInt) / 3;
    v_.deviceCGColor = getCGColor(d);
}

void KLColor::makeChildren() {
    const QString names[6] = {kDeviceRGB,  kCalibratedWhite, kCalibratedBlack,
                              kGenericRGB, kGenericGray,     kGenericGrayGamma22};
    for (int i = 0; i < 6; ++i) {
        childColors_[i].reset(new KLColor);
        childColors_[i]->initChild(names[i], this);
    }
}

void KLColor::makeDescription() {
    if (v_.isGray) {
        v_.descr =
            QString::asprintf("%s %f %f", qPrintable(spaceName_), whiteComponent(), v_.alpha);
        return;
    }
    double r, g, b, a;
    getRed(&r, &g, &b, &a);
    v_.descr = QString::asprintf("%s %f %f %f %f", qPrintable(spaceName_), r, g, b, a);
}

void KLColor::getRed(double* red, double* green, double* blue, double* alpha) const {
    if (red) *red = redComponent();
    if (green) *green = greenComponent();
    if (blue) *blue = blueComponent();
    if (alpha) *alpha = v_.alpha;
}

double KLColor::redComponent() const {
    return isDevice_ ? v_.deviceRed : v_.r;
}
double KLColor::greenComponent() const {
    return isDevice_ ? v_.deviceGreen : v_.g;
}
double KLColor::blueComponent() const {
    return isDevice_ ? v_.deviceBlue : v_.b;
}
double KLColor::whiteComponent() const {
    return isDevice_ ? v_.deviceWhite : v_.white;
}

void KLColor::getWhite(double* white, double* alpha) const {
    if (white) *white = whiteComponent();
    if (alpha) *alpha = v_.alpha;
}

void KLColor::hsv(float out[3]) const {
    rgbToHsv(float(redComponent()), float(greenComponent()), float(blueComponent()), &out[0],
             &out[1], &out[2]);
}

double KLColor::hueComponent() const {
    float v[3];
    hsv(v);
    return v[0] < 0 ? 0.0 : v[0] / 6.0;
}

double KLColor::saturationComponent() const {
    float v[3];
    hsv(v);
    return v[1];
}

bool KLColor::isEqual(const KLColor* other) const {
    if (!other) return false;
    if (other == this) return true;
    if (v_.isGray && other->v_.isGray)
        return v_.whiteInt == other->v_.whiteInt && v_.alphaInt == other->v_.alphaInt;
    return v_.rInt == other->v_.rInt && v_.gInt == other->v_.gInt && v_.bInt == other->v_.bInt &&
           v_.alphaInt == other->v_.alphaInt;
}

bool KLColor::isEqual(const QColor& other) const {
    return other.isValid() && v_.sharedColor == other.toRgb();
}

quint32 KLColor::uniqueID() const {
    return quint32(v_.rInt) << 24 | quint32(v_.gInt) << 16 | quint32(v_.bInt) << 8 |
           quint32(v_.alphaInt);
}

int KLColor::numberOfComponents() const {
    if (spaceName_ == kCalibratedWhite || spaceName_ == kCalibratedBlack ||
        spaceName_.contains(kGenericGray))
        return 2;
    if (spaceName_ == kCalibratedRGB || spaceName_ == kDeviceRGB || spaceName_ == kGenericRGB ||
        spaceName_.contains(QStringLiteral("RGB")))
        return 4;
    OmLogNoFlood(kOmLogWarning, "unknown KLColor space %s", qPrintable(spaceName_));
    return 2;
}

void KLColor::getComponents(double* out) const {
    if (!out) return;
    if (numberOfComponents() == 4) {
        getRed(&out[0], &out[1], &out[2], &out[3]);
    } else {
        getWhite(&out[0], &out[1]);
    }
}

QColor KLColor::colorUsingType() const {
    return v_.sharedColor;
}

const KLColor* KLColor::colorUsingColorSpaceName(const QString& name) const {
    if (parent_) return parent_->colorUsingColorSpaceName(name);
    if (name == kCalibratedRGB) return this;
    for (int i = 5; i >= 0; --i)
        if (childColors_[i]->spaceName_ == name) return childColors_[i].get();
    if (name != kCustom) OmLogNoFlood(kOmLogWarning, "unknown KLColor space %s", qPrintable(name));
    return this;
}

QColor KLColor::blendedColorWithFraction(double fraction, const QColor& other) const {
    return ::blendedColorWithFraction(v_.sharedColor, fraction, other);
}

QColor KLColor::colorWithAlphaComponent(double alpha) const {
    if (v_.isGray || numberOfComponents() == 2)
        return QColor::fromRgbF(v_.white, v_.white, v_.white, alpha);
    QColor color = v_.sharedColor;
    color.setAlphaF(alpha);
    return color;
}
