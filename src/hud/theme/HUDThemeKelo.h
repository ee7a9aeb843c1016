#pragma once

#include "hud/theme/HUDTheme.h"
#include "hud/windows/KlUIProtocol.h"

#include <QMap>
#include <QMutex>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>

// The application's dark theme: contrast-adjusted greys, a few colours read
// from a colour table of strings, and cached values. Caches belong to the
// instance; the application only ever uses the shared instances.
class HUDThemeKelo : public HUDTheme, public KlUIProtocol {
public:
    HUDThemeKelo();
    static HUDThemeKelo* instance();

    // The colour of a colour-table string: one value (a grey), three (red,
    // green, blue) or four (with alpha), each 0..255, separated by commas.
    // Invalid for anything else.
    static QColor colorFromUserPrefString(const QString& text);
    // The colour of the table entry for the key, or invalid.
    QColor getUserPref(const QString& key) const;

    QMap<QString, QString> userPrefsDict() const;
    void setUserPrefsDict(const QMap<QString, QString>& table);

    // Selects the flipped copies of the shadows, for drawing into images
    // that are turned over afterwards.
    static void setFlipShadow(bool flip);
    static bool flipShadow();

    HUDGradient defaultGradient() const override;
    HUDGradient controlGradient() const override;
    HUDGradient darkControlGradient() const override;
    HUDGradient blackControlGradient() const override;
    QColor headerFillColor() const override;
    QColor scrollerStroke() const override;
    HUDGradient scrollerKnobGradient() const override;
    HUDGradient scrollerTrackGradient() const override;
    double scrollerAlphaValue() const override;
    QColor sliderTrackColor() const override;
    HUDShadow sliderTrackShadow() const override;
    QColor disabledSliderTrackColor() const override;
    HUDGradient knobColor() const override;
    HUDGradient highlightKnobColor() const override;
    HUDGradient disabledKnobColor() const override;
    QColor textFillColor() const override;
    QColor selectionHighlightActiveColor() const override;
    QColor selectionHighlightInActiveColor() const override;
    QColor selectionTextActiveColor() const override;
    QColor selectionTextInActiveColor() const override;
    QColor placeholderTextColor() const override;
    HUDGradient progressTrackGradient() const override;
    QColor cellHighlightColor() const override;
    virtual QColor keloPlayerPreviewColor() const;
    virtual QColor keloPlayerTakeColor() const;
    virtual QColor keloPlayerProgramColor() const;
    QList<QColor> cellAlternatingRowColors() const override;
    QColor alternatingRowColor(int rowParity) const override;
    QColor emptyTableColor() const override;
    QColor rowOutlineColor() const override;
    QColor cellSelectedTextColor() const override;
    QColor cellEditingFillColor() const override;
    QColor tableBackgroundColor() const override;
    QColor tableHeaderCellBorderColor() const override;
    HUDGradient tableHeaderCellNormalFill() const override;
    HUDGradient tableHeaderCellSelectedFill() const override;
    HUDGradient normalGradient() const override;
    HUDGradient disabledNormalGradient() const override;
    HUDGradient pushedGradient() const override;
    HUDGradient pressureGradient() const override;
    HUDGradient highlightGradient() const override;
    HUDGradient normalComplexGradient() const override;
    HUDGradient pushedComplexGradient() const override;
    HUDGradient highlightComplexGradient() const override;
    QColor normalSolidFill() const override;
    QColor disabledNormalSolidFill() const override;
    QColor pushedSolidFill() const override;
    QColor highlightSolidFill() const override;
    QColor strokeColor() const override;
    QColor disabledStrokeColor() const override;
    QColor darkStrokeColor() const override;
    QColor darkerStrokeColor() const override;
    QColor textColor() const override;
    HUDShadow dropShadow() const override;
    HUDShadow miniDropShadow() const override;
    HUDShadow darkerShadow() const override;
    double alphaValue() const override;
    HUDShadow focusRing() const override;
    virtual HUDShadow yellowFocusRing() const;
    virtual HUDShadow greenTimingFocusRing() const;
    QColor boxFillColor() const override;

    // KlUIProtocol
    QColor textCol() const override { return textCol_; }
    QColor litCol() const override { return litCol_; }
    QColor drkCol() const override { return drkCol_; }
    QColor angCol() const override { return angCol_; }
    QColor bgCol() const override { return bgCol_; }
    QColor progCol() const override { return progCol_; }
    QColor playheadCol() const override { return playheadCol_; }
    QColor textColour() const override;
    QColor textBgColour() const override;
    QColor textFieldColour() const override;
    QColor bgColour() const override;
    QColor drkColour() const override;
    QColor redStateColour() const override;
    QColor yellowStateColour() const override;
    QColor greenStateColour() const override;
    QColor blueStateColour() const override;
    QColor brightGreenColour() const override;
    HUDTextAttributes smallTextFont() const override { return smallTextFont_; }
    HUDTextAttributes mediumTextFont() const override { return mediumTextFont_; }
    HUDTextAttributes menuTextFont() const { return menuTextFont_; }
    const char* fontName() const override { return "LucidaGrande"; }
    qint32 mediumFontSize() const override { return 12; }
    qint32 smallFontSize() const override { return 10; }

protected:
    // A value made on first use and kept.
    template <typename T>
    class Once {
    public:
        const T& get(const std::function<T()>& make) const {
            std::call_once(flag_, [&] { value_ = make(); });
            return value_;
        }

    private:
        mutable std::once_flag flag_;
        mutable T value_{};
    };

private:
    // Cached table colour with a computed fallback, both kept.
    QColor tableColor(const Once<QColor>& slot, const char* key,
                      const std::function<QColor()>& fallback) const;
    // Table colour kept once found; the fallback is made afresh each time.
    QColor tableColorUncachedFallback(std::optional<QColor>& slot, const char* key,
                                      const QColor& fallback) const;
    HUDShadow flippable(const Once<HUDShadow>& shadow, const Once<HUDShadow>& flipped,
                        const std::function<HUDShadow()>& make) const;

    QColor textCol_, litCol_, drkCol_, angCol_, bgCol_, progCol_, playheadCol_;
    HUDTextAttributes smallTextFont_, mediumTextFont_, menuTextFont_;

    mutable QMutex tableMutex_;
    QMap<QString, QString> userPrefsDict_;
    mutable QMutex fallbackMutex_;
    mutable std::optional<QColor> selectionTextActive_, selectionTextInActive_, placeholderText_;

    Once<HUDGradient> defaultGradient_, controlGradient_, darkControlGradient_,
        blackControlGradient_, tableHeaderCellNormalFill_, tableHeaderCellSelectedFill_,
        normalGradient_, disabledNormalGradient_, pushedGradient_, pressureGradient_,
        highlightGradient_;
    Once<QColor> scrollerStroke_, sliderTrackColor_, disabledSliderTrackColor_,
        selectionHighlightActive_, selectionHighlightInActive_, cellHighlight_, keloPlayerPreview_,
        keloPlayerTake_, oddRow_, evenRow_, emptyTable_, rowOutline_, cellSelectedText_,
        cellEditingFill_, textBg_, textField_, bg_, redState_, yellowState_, greenState_,
        blueState_, brightGreen_;
    Once<QList<QColor>> alternatingRows_;
    Once<HUDShadow> sliderTrackShadow_, sliderTrackShadowFlipped_, dropShadow_, dropShadowFlipped_,
        miniDropShadow_, miniDropShadowFlipped_, darkerShadow_, darkerShadowFlipped_, focusRing_,
        yellowFocusRing_, greenTimingFocusRing_;
};

// Registers the application's themes: the panel theme as "flatTheme", then
// the main theme as "gradientTheme", which makes it the default theme.
void registerKeloThemes();
