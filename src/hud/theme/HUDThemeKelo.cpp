#include "hud/theme/HUDThemeKelo.h"

#include "hud/theme/FPColorPalette.h"
#include "hud/theme/HUDThemeKeloPanel.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KLColor.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/KeloUIAttributes.h"
#include "hud/theme/VNSColorCategory.h"

#include <QMutexLocker>

#include <atomic>

namespace {
std::atomic<bool> gFlipShadow{false};

QColor contrastGrey(int level) {
    return colorWithContrastWhite(level / 255.0, 1.0);
}
QColor calibrated(double r, double g, double b) {
    return QColor::fromRgbF(r, g, b, 1.0);
}

HUDGradient contrastGradient(std::initializer_list<int> levels, QList<double> locations) {
    QList<QColor> colors;
    for (int level : levels) colors.append(contrastGrey(level));
    return HUDGradient(colors, locations);
}

// NSString-style float reading: the longest leading number, 0 without one.
double leadingFloat(const QString& digits) {
    qsizetype end = 0;
    bool seenPoint = false;
    while (end < digits.size()) {
        const QChar c = digits[end];
        if (c == '.') {
            if (seenPoint) break;
            seenPoint = true;
        } else if (!c.isDigit()) {
            break;
        }
        ++end;
    }
    bool ok = false;
    const double value = digits.left(end).toDouble(&ok);
    return ok ? value : 0.0;
}

const QMap<QString, QString>& defaultColourTable() {
    static const QMap<QString, QString> table{
        {"scrollerStroke", "57"},
        {"sliderTrackColor", "38"},
        {"disabledSliderTrackColor", "40"},
        {"textFillColor", "59"},
        {"selectionHighlightActiveColor", "80"},
        {"selectionHighlightInActiveColor", "65"},
        {"selectionTextActiveColor", "255"},
        {"selectionTextInActiveColor", "255"},
        {"placeholderTextColor", "127"},
        {"cellHighlightColor", "61,1,0,255"},
        {"cellSelectedTextColor", "240"},
        {"cellEditingFillColor", "17"},
        {"strokeColor", "217"},
        {"disabledStrokeColor", "70"},
        {"darkStrokeColor", "38"},
        {"darkerStrokeColor", "20"},
        {"textColor", "217"},
    };
    return table;
}
}  // namespace

HUDThemeKelo::HUDThemeKelo() : userPrefsDict_(defaultColourTable()) {
    litCol_ = CGColorCreateWithNSColor(strokeColor());
    textCol_ = CGColorCreateWithNSColor(textColor());
    drkCol_ = CGColorCreateWithNSColor(::boxFillColor());
    angCol_ = CGColorCreateWithNSColor(colorWithContrastWhite(0.17, 1.0));
    bgCol_ = KeloUIAttributes::attributes()->bgCol();
    progCol_ = CGColorCreateWithNSColor(calibrated(0.1, 0.6, 0.3));
    playheadCol_ = CGColorCreateWithNSColor(calibrated(0.9, 0.9, 0));
    smallTextFont_ = {textColour(), labelFontOfSize(10)};
    mediumTextFont_ = {textColour(), systemFontOfRegularControlSize()};
    menuTextFont_ = {QColor::fromRgbF(0.5, 0.5, 0.5, 1.0), menuFontOfSize(9)};
}

HUDThemeKelo* HUDThemeKelo::instance() {
    static HUDThemeKelo* const shared = new HUDThemeKelo;
    return shared;
}

QColor HUDThemeKelo::colorFromUserPrefString(const QString& text) {
    static const QString accepted = QStringLiteral("01234567890.");
    const QStringList parts = text.split(',');
    const qsizetype count = parts.size();
    if (count == 0 || count > 4) return {};
    double components[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < count; ++i) {
        QString digits;
        for (const QChar c : parts[i])
            if (accepted.contains(c)) digits.append(c);
        if (digits.isEmpty()) continue;
        const double value = leadingFloat(digits);
        if (value > 255 || value < 0) return {};
        components[i] = value / 255.0;
        if (count == 1) return colorWithContrastWhite(components[0], 1.0);
        if (count == 3 && i == 2)
            return colorWithContrastRed(components[0], components[1], components[2], 1.0);
        if (count == 4 && i == 3)
            return colorWithContrastRed(components[0], components[1], components[2], components[3]);
    }
    return {};
}

QColor HUDThemeKelo::getUserPref(const QString& key) const {
    QString text;
    {
        QMutexLocker lock(&tableMutex_);
        const auto found = userPrefsDict_.constFind(key);
        if (found == userPrefsDict_.constEnd()) return {};
        text = *found;
    }
    return colorFromUserPrefString(text);
}

QMap<QString, QString> HUDThemeKelo::userPrefsDict() const {
    QMutexLocker lock(&tableMutex_);
    return userPrefsDict_;
}

void HUDThemeKelo::setUserPrefsDict(const QMap<QString, QString>& table) {
    QMutexLocker lock(&tableMutex_);
    userPrefsDict_ = table;
}

void HUDThemeKelo::setFlipShadow(bool flip) {
    gFlipShadow = flip;
}
bool HUDThemeKelo::flipShadow() {
    return gFlipShadow;
}

QColor HUDThemeKelo::tableColor(const Once<QColor>& slot, const char* key,
                                const std::function<QColor()>& fallback) const {
    return slot.get([&] {
        const QColor fromTable = getUserPref(key);
        return fromTable.isValid() ? fromTable : fallback();
    });
}

QColor HUDThemeKelo::tableColorUncachedFallback(std::optional<QColor>& slot, const char* key,
                                                const QColor& fallback) const {
    QMutexLocker lock(&fallbackMutex_);
    if (!slot) {
        const QColor fromTable = getUserPref(key);
        if (!fromTable.isValid()) return fallback;
        slot = fromTable;
    }
    return *slot;
}

HUDShadow HUDThemeKelo::flippable(const Once<HUDShadow>& shadow, const Once<HUDShadow>& flipped,
                                  const std::function<HUDShadow()>& make) const {
    const HUDShadow& first = shadow.get(make);
    if (!flipShadow()) return first;
    return flipped.get([&] {
        const QPointF offset = first.shadowOffset();
        return HUDShadow(first.shadowColor(), QPointF(offset.x(), -offset.y()),
                         first.shadowBlurRadius());
    });
}

QColor HUDThemeKelo::headerFillColor() const {
    return ::headerFillColor();
}

HUDGradient HUDThemeKelo::defaultGradient() const {
    return defaultGradient_.get([] {
        return HUDGradient(
            {contrastGrey(76), contrastGrey(57), contrastGrey(50), ::headerFillColor()},
            {0, 0.1, 0.5, 1});
    });
}

HUDGradient HUDThemeKelo::controlGradient() const {
    return controlGradient_.get([] { return contrastGradient({76, 59, 53}, {0, 0.2, 1}); });
}

HUDGradient HUDThemeKelo::darkControlGradient() const {
    return darkControlGradient_.get([] { return contrastGradient({76, 50, 43}, {0, 0.25, 1}); });
}

HUDGradient HUDThemeKelo::blackControlGradient() const {
    return blackControlGradient_.get([] { return contrastGradient({63, 53, 33}, {0, 0.25, 1}); });
}

QColor HUDThemeKelo::scrollerStroke() const {
    return tableColor(scrollerStroke_, "scrollerStroke", [] { return contrastGrey(57); });
}

HUDGradient HUDThemeKelo::scrollerKnobGradient() const {
    return controlGradient();
}

HUDGradient HUDThemeKelo::scrollerTrackGradient() const {
    return HUDGradient(contrastGrey(25), contrastGrey(25));
}

double HUDThemeKelo::scrollerAlphaValue() const {
    return 1.0;
}

QColor HUDThemeKelo::sliderTrackColor() const {
    return tableColor(sliderTrackColor_, "sliderTrackColor", [] { return contrastGrey(38); });
}

HUDShadow HUDThemeKelo::sliderTrackShadow() const {
    return flippable(sliderTrackShadow_, sliderTrackShadowFlipped_, [] {
        return HUDShadow(contrastGrey(80), {0, -2}, 1);
    });
}

QColor HUDThemeKelo::disabledSliderTrackColor() const {
    return tableColor(disabledSliderTrackColor_, "disabledSliderTrackColor",
                      [this] { return colorWithContrastWhite(40 / 255.0, disabledAlphaValue()); });
}

HUDGradient HUDThemeKelo::knobColor() const {
    return controlGradient();
}
HUDGradient HUDThemeKelo::highlightKnobColor() const {
    return knobColor();
}
HUDGradient HUDThemeKelo::disabledKnobColor() const {
    return defaultGradient();
}
QColor HUDThemeKelo::textFillColor() const {
    return ::textFillColor();
}

QColor HUDThemeKelo::selectionHighlightActiveColor() const {
    return tableColor(selectionHighlightActive_, "selectionHighlightActiveColor",
                      [] { return contrastGrey(80); });
}

QColor HUDThemeKelo::selectionHighlightInActiveColor() const {
    return tableColor(selectionHighlightInActive_, "selectionHighlightInActiveColor",
                      [] { return contrastGrey(65); });
}

QColor HUDThemeKelo::selectionTextActiveColor() const {
    return tableColorUncachedFallback(selectionTextActive_, "selectionTextActiveColor", Qt::white);
}

QColor HUDThemeKelo::selectionTextInActiveColor() const {
    return tableColorUncachedFallback(selectionTextInActive_, "selectionTextInActiveColor",
                                      Qt::white);
}

QColor HUDThemeKelo::placeholderTextColor() const {
    return tableColorUncachedFallback(placeholderText_, "placeholderTextColor",
                                      QColor::fromRgbF(0.5, 0.5, 0.5, 1.0));
}

HUDGradient HUDThemeKelo::progressTrackGradient() const {
    return HUDGradient(colorWithContrastWhite(0.125, 1.0), colorWithContrastWhite(0.208, 1.0));
}

QColor HUDThemeKelo::cellHighlightColor() const {
    return cellHighlight_.get([this] { return getUserPref("cellHighlightColor"); });
}

QColor HUDThemeKelo::keloPlayerPreviewColor() const {
    return keloPlayerPreview_.get([] { return calibrated(35 / 255.0, 35 / 255.0, 58 / 255.0); });
}

QColor HUDThemeKelo::keloPlayerTakeColor() const {
    return keloPlayerTake_.get([] { return calibrated(25 / 255.0, 48 / 255.0, 25 / 255.0); });
}

QColor HUDThemeKelo::keloPlayerProgramColor() const {
    return cellHighlightColor();
}

QList<QColor> HUDThemeKelo::cellAlternatingRowColors() const {
    return alternatingRows_.get([this] {
        return QList<QColor>{alternatingRowColor(0), alternatingRowColor(1)};
    });
}

QColor HUDThemeKelo::alternatingRowColor(int rowParity) const {
    if (rowParity) return oddRow_.get([] { return contrastGrey(43); });
    return evenRow_.get([] { return contrastGrey(36); });
}

QColor HUDThemeKelo::emptyTableColor() const {
    return emptyTable_.get([] { return contrastGrey(40); });
}

QColor HUDThemeKelo::rowOutlineColor() const {
    return rowOutline_.get([] { return contrastGrey(90); });
}

QColor HUDThemeKelo::cellSelectedTextColor() const {
    return tableColor(cellSelectedText_, "cellSelectedTextColor", [] { return contrastGrey(240); });
}

QColor HUDThemeKelo::cellEditingFillColor() const {
    return tableColor(cellEditingFill_, "cellEditingFillColor", [] { return contrastGrey(17); });
}

QColor HUDThemeKelo::tableBackgroundColor() const {
    return ::boxFillColor();
}
QColor HUDThemeKelo::tableHeaderCellBorderColor() const {
    return sliderTrackColor();
}

HUDGradient HUDThemeKelo::tableHeaderCellNormalFill() const {
    return tableHeaderCellNormalFill_.get([] {
        return HUDGradient({contrastGrey(57), contrastGrey(50), ::headerFillColor()}, {0, 0.5, 1});
    });
}

HUDGradient HUDThemeKelo::tableHeaderCellSelectedFill() const {
    return tableHeaderCellSelectedFill_.get([] {
        return HUDGradient({contrastGrey(57), contrastGrey(50), ::darkerStrokeColor()},
                           {0, 0.1, 1});
    });
}

HUDGradient HUDThemeKelo::normalGradient() const {
    return normalGradient_.get([] { return HUDGradient::withSingleColor(::normalSolidFill()); });
}

HUDGradient HUDThemeKelo::disabledNormalGradient() const {
    return disabledNormalGradient_.get([this] {
        const double alpha = disabledAlphaValue();
        return HUDGradient(colorWithContrastWhite(49 / 255.0, alpha),
                           colorWithContrastWhite(22 / 255.0, alpha));
    });
}

HUDGradient HUDThemeKelo::pushedGradient() const {
    return pushedGradient_.get([] { return contrastGradient({25, 32, 38}, {0, 0.2, 1}); });
}

HUDGradient HUDThemeKelo::pressureGradient() const {
    return pressureGradient_.get([] { return contrastGradient({10, 25, 32}, {0, 0.2, 1}); });
}

HUDGradient HUDThemeKelo::highlightGradient() const {
    return highlightGradient_.get([] {
        return HUDGradient(QColor::fromRgbF(0.451, 0.451, 0.455, 1.0),
                           QColor::fromRgbF(0.318, 0.318, 0.318, 1.0));
    });
}

HUDGradient HUDThemeKelo::normalComplexGradient() const {
    return darkControlGradient();
}
HUDGradient HUDThemeKelo::pushedComplexGradient() const {
    return pushedGradient();
}
HUDGradient HUDThemeKelo::highlightComplexGradient() const {
    return fourColorPushed(1.0);
}
QColor HUDThemeKelo::normalSolidFill() const {
    return ::normalSolidFill();
}
QColor HUDThemeKelo::disabledNormalSolidFill() const {
    return ::normalSolidFill();
}
QColor HUDThemeKelo::pushedSolidFill() const {
    return QColor::fromRgbF(0.941, 0.941, 0.941, 1.0);
}
QColor HUDThemeKelo::highlightSolidFill() const {
    return QColor::fromRgbF(0.941, 0.941, 0.941, 1.0);
}
QColor HUDThemeKelo::strokeColor() const {
    return textColor();
}
QColor HUDThemeKelo::disabledStrokeColor() const {
    return colorWithContrastWhite(70 / 255.0, disabledAlphaValue());
}
QColor HUDThemeKelo::darkStrokeColor() const {
    return ::darkStrokeColor();
}
QColor HUDThemeKelo::darkerStrokeColor() const {
    return ::darkerStrokeColor();
}

QColor HUDThemeKelo::textColor() const {
    const QColor color = defaultTextColor();
    return color.isValid() ? color : QColor(Qt::white);
}

QColor HUDThemeKelo::textColour() const {
    return textColor();
}

QColor HUDThemeKelo::textBgColour() const {
    return textBg_.get([] { return colorWithContrastWhite(0.4, 1.0); });
}

QColor HUDThemeKelo::textFieldColour() const {
    return textField_.get([] { return contrastGrey(45); });
}

QColor HUDThemeKelo::bgColour() const {
    return bg_.get([] { return contrastGrey(45); });
}

QColor HUDThemeKelo::drkColour() const {
    return ::boxFillColor();
}

QColor HUDThemeKelo::redStateColour() const {
    return redState_.get([] { return calibrated(0.9, 0, 0); });
}

QColor HUDThemeKelo::yellowStateColour() const {
    return yellowState_.get([] { return calibrated(0.9, 0.9, 0); });
}

QColor HUDThemeKelo::greenStateColour() const {
    return greenState_.get([] { return calibrated(0, 0.7, 0); });
}

QColor HUDThemeKelo::blueStateColour() const {
    return blueState_.get([] { return calibrated(0.2, 0.4, 1.0); });
}

QColor HUDThemeKelo::brightGreenColour() const {
    return brightGreen_.get([] { return calibrated(0, 0.9, 0); });
}

HUDShadow HUDThemeKelo::dropShadow() const {
    return flippable(dropShadow_, dropShadowFlipped_, [] {
        return HUDShadow(colorWithContrastWhite(100 / 255.0, 0.7), {1.5, -1.5}, 1.5);
    });
}

HUDShadow HUDThemeKelo::miniDropShadow() const {
    return flippable(miniDropShadow_, miniDropShadowFlipped_, [] {
        return HUDShadow(colorWithContrastWhite(90 / 255.0, 0.5), {0.5, -0.5}, 0.5);
    });
}

HUDShadow HUDThemeKelo::darkerShadow() const {
    return flippable(darkerShadow_, darkerShadowFlipped_, [] {
        return HUDShadow(KLColor::colorWithCalibratedWhite(50 / 255.0, 1.0)->color(), {1.5, -1.5},
                         1.5);
    });
}

double HUDThemeKelo::alphaValue() const {
    return 1.0;
}

HUDShadow HUDThemeKelo::focusRing() const {
    return focusRing_.get([] { return HUDShadow(Qt::white, {0, 0}, 2); });
}

HUDShadow HUDThemeKelo::yellowFocusRing() const {
    return yellowFocusRing_.get([] { return HUDShadow(Qt::yellow, {0, 0}, 2); });
}

HUDShadow HUDThemeKelo::greenTimingFocusRing() const {
    return greenTimingFocusRing_.get([] { return HUDShadow(kFPColorTimingText, {0, 0}, 2); });
}

QColor HUDThemeKelo::boxFillColor() const {
    return ::boxFillColor();
}

void registerKeloThemes() {
    HUDThemeManager* manager = HUDThemeManager::keyedManager();
    manager->setTheme(HUDThemeKeloPanel::instance(), kHUDFlatThemeKey);
    manager->setTheme(HUDThemeKelo::instance(), kHUDGradientThemeKey);
}
