#pragma once

#include "hud/theme/HUDGradient.h"
#include "hud/theme/HUDShadow.h"

#include <QColor>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QSizeF>
#include <QtGlobal>

#include <atomic>

class HUDThemeKeyProtocol;
class QPainter;
class QWidget;

enum HUDControlSize { HUDRegularControlSize = 0, HUDSmallControlSize = 1, HUDMiniControlSize = 2 };

// Edge bits of HUDTheme::frameRect.
enum HUDFrameEdge : quint32 {
    HUDFrameLeftEdge = 1,
    HUDFrameRightEdge = 2,
    HUDFrameBottomEdge = 4,
    HUDFrameTopEdge = 8,
};

// The colours, gradients, shadows and alpha values every control of the kit
// draws with. The base values here are what a theme subclass inherits for an
// accessor it does not override. A null gradient, null shadow or invalid
// colour means "none".
class HUDTheme {
public:
    HUDTheme() = default;
    virtual ~HUDTheme() = default;
    HUDTheme(const HUDTheme&) = delete;
    HUDTheme& operator=(const HUDTheme&) = delete;

    virtual HUDGradient defaultGradient() const;
    virtual HUDGradient controlGradient() const;
    virtual HUDGradient darkControlGradient() const;
    virtual HUDGradient blackControlGradient() const;
    virtual HUDGradient gradientWithColor(const QColor& color) const;
    virtual QColor headerFillColor() const;
    virtual QColor scrollerStroke() const;
    virtual HUDGradient scrollerKnobGradient() const;
    virtual HUDGradient scrollerTrackGradient() const;
    virtual HUDGradient scrollerArrowNormalGradient() const;
    virtual HUDGradient scrollerArrowPushedGradient() const;
    virtual double scrollerAlphaValue() const;
    virtual QColor sliderTrackColor() const;
    virtual HUDShadow sliderTrackShadow() const;
    virtual QColor disabledSliderTrackColor() const;
    virtual HUDGradient knobColor() const;
    virtual HUDGradient highlightKnobColor() const;
    virtual HUDGradient disabledKnobColor() const;
    virtual QColor textFillColor() const;
    virtual QColor selectionHighlightActiveColor() const;
    virtual QColor selectionHighlightInActiveColor() const;
    virtual QColor selectionTextActiveColor() const;
    virtual QColor selectionTextInActiveColor() const;
    virtual QColor placeholderTextColor() const;
    virtual HUDGradient progressTrackGradient() const;
    virtual QColor grayCellHighlightColor() const;
    virtual QColor cellHighlightColor() const;
    virtual QList<QColor> cellAlternatingRowColors() const;
    virtual QColor alternatingRowColor(int rowParity) const;
    virtual QColor emptyTableColor() const;
    virtual QColor rowOutlineColor() const;
    virtual QColor cellSelectedTextColor() const;
    virtual QColor cellEditingFillColor() const;
    virtual QColor tableBackgroundColor() const;
    virtual QColor tableHeaderCellBorderColor() const;
    virtual HUDGradient tableHeaderCellNormalFill() const;
    virtual HUDGradient tableHeaderCellPushedFill() const;
    virtual HUDGradient tableHeaderCellSelectedFill() const;
    virtual HUDGradient normalGradient() const;
    virtual HUDGradient disabledNormalGradient() const;
    virtual HUDGradient pushedGradient() const;
    virtual HUDGradient pressureGradient() const;
    virtual HUDGradient highlightGradient() const;
    virtual HUDGradient normalComplexGradient() const;
    virtual HUDGradient disabledNormalComplexGradient() const;
    virtual HUDGradient pushedComplexGradient() const;
    virtual HUDGradient highlightComplexGradient() const;
    virtual QColor normalSolidFill() const;
    virtual QColor disabledNormalSolidFill() const;
    virtual QColor pushedSolidFill() const;
    virtual QColor highlightSolidFill() const;
    virtual QColor strokeColor() const;
    virtual QColor disabledStrokeColor() const;
    virtual QColor darkStrokeColor() const;
    virtual QColor darkerStrokeColor() const;
    virtual QColor textColor() const;
    virtual QColor disabledTextColor() const;
    virtual HUDShadow miniDropShadow() const;
    virtual HUDShadow dropShadow() const;
    virtual HUDShadow darkerShadow() const;
    virtual double alphaValue() const;
    virtual double disabledAlphaValue() const;
    virtual HUDShadow focusRing() const;
    virtual QColor boxFillColor() const;

    // Never read; kept for themes that want to mark themselves translucent.
    bool useAlpha = false;

    // The class-wide default theme, which every theme() lookup returns first.
    static void setDefaultTheme(HUDTheme* theme);

    // Header-band fills. With a view, its bounds are the area and the band
    // lies at the top of the widget (y-down); without one the rect is the
    // area in y-up user space.
    static void drawDefaultGradient(QPainter& painter, const QRectF& rect, const QWidget* view);
    static void drawGradient(QPainter& painter, const HUDGradient& gradient, const QRectF& rect,
                             const QSizeF& cornerSize, const QWidget* view);

    // Bezel fills of a control's outline.
    static void drawControl(QPainter& painter, bool enabled, HUDControlSize size,
                            const QPainterPath& path, const HUDTheme* theme);
    static void drawDarkerControl(QPainter& painter, bool enabled, const QPainterPath& path,
                                  const HUDTheme* theme);
    static void drawMiniControl(QPainter& painter, bool enabled, const QPainterPath& path,
                                const HUDTheme* theme);

    // The sunken box behind panels and groups; flipped means y-down user space.
    static void drawInsetBoxInRect(QPainter& painter, const QRectF& rect, bool flipped);
    static void drawInsetBoxInRect(QPainter& painter, const QRectF& rect, bool flipped,
                                   const QColor& backgroundColor, bool squareBottom,
                                   bool drawShadow);

    // A rounded entry box; boxes of ordinary size stretch one cached image.
    static void drawTimelineControl(QPainter& painter, const QRectF& frame, const QRectF& subRect,
                                    quint32 options);
    // Whether drawTimelineControl has made its cached image yet.
    static bool hasTimelineControlImage();

    static void drawUnderline(QPainter& painter, const QRectF& rect, const QRectF& dirtyRect);
    static void frameRect(QPainter& painter, const QRectF& rect, quint32 edges, bool isFlipped,
                          double strokeWidth, const QColor& color);

    // Themes the editor of a text field (a QLineEdit, QTextEdit or
    // QPlainTextEdit) when the edited object carries a theme key.
    static void setupFieldEditorColors(const HUDTheme* theme, QWidget* editor,
                                       const QWidget* window, const HUDThemeKeyProtocol* object);

protected:
    // The base four-colour bezels (a light upper half over a darker lower
    // half) at the given alpha, at 0, 0.5, 0.5, 1.
    static HUDGradient fourColorNormal(double alpha);
    static HUDGradient fourColorPushed(double alpha);

private:
    friend HUDTheme* theme(const HUDThemeKeyProtocol* object);
    static std::atomic<HUDTheme*> sharedBGTheme;
};

// The theme an object of the kit draws with: the class-wide default theme if
// one is set, else the registry's theme for the object's key ("gradientTheme"
// for objects without one).
HUDTheme* theme(const HUDThemeKeyProtocol* object = nullptr);
