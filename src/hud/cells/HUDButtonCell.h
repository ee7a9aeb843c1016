#pragma once

#include "hud/cells/HUDCell.h"
#include "platform/AttributedString.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <utility>

class HUDTheme;
class QPainter;

// HUD style bits of HUDButtonCell::bgButtonType().
enum HUDButtonStyleBits : int32_t {
    kHUDCheckBox = 2,
    kHUDRadioButton = 4,
    kHUDTintDefault = 8,
    kHUDTintRed = 16,
    kHUDTitleImage = 32,
    kHUDSymbolPlain = 64,
    kHUDSymbolSquare = 128,
    kHUDSymbolDiamond = 256,
    kHUDSymbolDisc = 512,
    kHUDTintDark = 1024,
    kHUDTintedForView = 2048,
    kHUDHoverButton = 4096,
    kHUDPushOnPushOff = 8192,
    kHUDTintMask = 0x418,
    kHUDSymbolMask = 0x3C0,
};

// Cell states.
enum : int { kCellOffState = 0, kCellOnState = 1, kCellMixedState = -1 };

// What a cell shows while highlighted (highlightsBy) or on (showsStateBy).
enum : int {
    kNoCellMask = 0,
    kContentsCellMask = 1,
    kPushInCellMask = 2,
    kChangeGrayCellMask = 4,
    kChangeBackgroundCellMask = 8,
};

enum HUDButtonType : int {
    kMomentaryLightButton = 0,
    kPushOnPushOffButton = 1,
    kToggleButton = 2,
    kSwitchButton = 3,
    kRadioButton = 4,
    kMomentaryChangeButton = 5,
    kOnOffButton = 6,
    kMomentaryPushInButton = 7,
};

enum HUDBezelStyle : int {
    kRoundedBezelStyle = 1,
    kRegularSquareBezelStyle = 2,
    kDisclosureBezelStyle = 5,
    kShadowlessSquareBezelStyle = 6,
    kSmallSquareBezelStyle = 10,
    kTexturedSquareBezelStyle = 8,
    kTexturedRoundedBezelStyle = 11,
    kRoundRectBezelStyle = 12,
};

enum HUDImagePosition : int {
    kNoImage = 0,
    kImageOnly = 1,
    kImageLeft = 2,
    kImageRight = 3,
    kImageBelow = 4,
    kImageAbove = 5,
    kImageOverlaps = 6,
};

enum HUDImageScaling : int {
    kImageScaleProportionallyDown = 0,
    kImageScaleAxesIndependently = 1,
    kImageScaleNone = 2,
    kImageScaleProportionallyUpOrDown = 3,
};

// Compositing of drawImage(): source over, or added light (a glow).
enum : int { kCompositeSourceOver = 2, kCompositePlusLighter = 13 };

// A control view that lays cells out in rows (the buttons of a radio group,
// say). Views that are not matrices simply do not implement it.
class HUDCellMatrix {
public:
    virtual ~HUDCellMatrix() = default;
    virtual int numberOfRows() const = 0;
    virtual QSizeF intercellSpacing() const = 0;
};

// Draws every push button, check box, radio button, symbol button and image
// button of the HUD. The bezel follows the bezel style, refined by the HUD
// style bits; textured and symbol bezels are rendered once per look into the
// shared ButtonImage list. The control view's coordinates are y-down, which
// is what every geometry here assumes; a null control view means the cell is
// drawn on its own and its frame stands in for the view's bounds.
class HUDButtonCell : public HUDCell {
public:
    HUDButtonCell();
    explicit HUDButtonCell(const QString& title);
    ~HUDButtonCell() override;
    HUDButtonCell(const HUDButtonCell&) = delete;
    HUDButtonCell& operator=(const HUDButtonCell&) = delete;

    // Archiving to and from a dictionary. "themeKey" is read and written;
    // "NSNormalImage" is the name of a system image ("NSSwitch",
    // "NSRadioButton") or an image whose "description" text names it.
    static std::unique_ptr<HUDButtonCell> initWithCoder(const QVariantMap& archive);
    QVariantMap encodeWithCoder() const;

    // HUD properties.
    int32_t bgButtonType() const { return bgButtonType_; }
    void setBGButtonType(int32_t bits);
    bool mouseInside() const { return mouseInside_; }
    void setMouseInside(bool inside) { mouseInside_ = inside; }
    // Invalid means white.
    QColor outlineColor() const { return outlineColor_; }
    void setOutlineColor(const QColor& color) { outlineColor_ = color; }

    void setButtonType(int type);
    int buttonType() const { return buttonType_; }
    void setPushOnPushOffButton();
    void setShowsBorderOnlyWhileMouseInside(bool show);
    bool showsBorderOnlyWhileMouseInside() const { return showsBorderOnlyWhileMouseInside_; }
    void mouseEntered();
    void mouseExited();
    void setAttributedColor(const QColor& color);

    // The standard cell state.
    QString title() const { return title_.string(); }
    void setTitle(const QString& title);
    const AttributedString& attributedTitle() const { return title_; }
    void setAttributedTitle(const AttributedString& title) { title_ = title; }
    const AttributedString& attributedAlternateTitle() const { return alternateTitle_; }
    void setAlternateTitle(const QString& title);
    void setAttributedAlternateTitle(const AttributedString& title) { alternateTitle_ = title; }
    const QImage& image() const { return image_; }
    void setImage(const QImage& image);
    const QImage& alternateImage() const { return alternateImage_; }
    void setAlternateImage(const QImage& image);
    // Template images are drawn in the theme's text colour.
    bool imageIsTemplate() const { return imageIsTemplate_; }
    void setImageIsTemplate(bool isTemplate) { imageIsTemplate_ = isTemplate; }
    int state() const { return state_; }
    void setState(int state);
    bool allowsMixedState() const { return allowsMixedState_; }
    void setAllowsMixedState(bool allows) { allowsMixedState_ = allows; }
    // The state a click moves to: on and off alternate, through mixed when
    // allowed.
    int nextState() const;
    void setNextState() { setState(nextState()); }
    int highlightsBy() const { return highlightsBy_; }
    void setHighlightsBy(int mask) { highlightsBy_ = mask; }
    int showsStateBy() const { return showsStateBy_; }
    void setShowsStateBy(int mask) { showsStateBy_ = mask; }
    int imagePosition() const { return imagePosition_; }
    void setImagePosition(int position) { imagePosition_ = position; }
    int imageScaling() const { return imageScaling_; }
    void setImageScaling(int scaling) { imageScaling_ = scaling; }
    // Invalid means none.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) { backgroundColor_ = color; }
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment) { alignment_ = alignment; }
    QFont font() const { return font_; }
    void setFont(const QFont& font);
    // Room the cell needs: title, image or box, and bezel margins.
    QSizeF cellSize() const;
    QRectF titleRectForBounds(const QRectF& bounds) const;
    QRectF imageRectForBounds(const QRectF& bounds) const;

    // Drawing. All take the painter of the control view (y-down).
    void drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView);
    QRectF drawTitle(QPainter& ctx, const AttributedString& title, const QRectF& frame,
                     QWidget* controlView);
    void drawImage(QPainter& ctx, const QImage& image, const QRectF& frame, QWidget* controlView);
    void drawImage(QPainter& ctx, const QImage& image, const QRectF& frame, QWidget* controlView,
                   int op);
    void drawImageHighlighted(QPainter& ctx, const QImage& image, const QRectF& frame,
                              QWidget* controlView);
    // The image for the current state and, through op, how to composite it.
    QImage imageToDraw(int* op);
    // The button's image over a bezel, unless it has none or is a check box or radio.
    void drawBezelImage(QPainter& ctx, const QRectF& rect);
    // True when the text has no colour of its own or a dark one, which the
    // theme's light text colour then replaces.
    static bool needDefaultTextColor(const AttributedString& text);

    // Bezels.
    void drawTexturedRoundedButtonInFrame(QPainter& ctx, const QRectF& frame, bool cache,
                                          bool isMatrix);
    void drawRoundRectButtonInFrame(QPainter& ctx, const QRectF& frame);
    void drawSmallSquareButtonInFrame(QPainter& ctx, const QRectF& frame);
    void drawRoundedButtonInFrame(QPainter& ctx, const QRectF& frame);
    void drawCheckInFrame(QPainter& ctx, const QRectF& frame, bool isRadio);
    void drawSymbolInFrame(QPainter& ctx, const QRectF& frame, QWidget* controlView);
    // The title rendered as a pill (or a disc for one character) on a
    // textured bezel, as the cell's image.
    void initImages(const QRectF& frame, QWidget* controlView);
    QImage drawStringAsImage(const AttributedString& title, const QRectF& frame);

    // The two recurring conditions of the bezel drawing.
    bool hasToggleLook() const;
    bool isPressed() const;

private:
    HUDTheme* hudTheme() const;
    QImage tinted(const QImage& image) const;
    void redrawControl() const;
    // The view drawn in: the one passed to drawWithFrame(), else the cell's.
    QWidget* drawingView() const;
    QRectF viewBounds(const QRectF& fallback) const;
    bool viewIsMatrix() const;
    bool viewIsTable() const;
    void drawStandardCell(QPainter& ctx, const QRectF& frame);
    void paintTexturedBezel(QPainter& ctx, const QRectF& rect, bool isMatrix);
    void paintSymbol(QPainter& ctx, const QSizeF& size);
    std::pair<QRectF, double> texturedBezelRect(const QRectF& frame, bool isMatrix) const;

    int32_t bgButtonType_ = 0;
    bool mouseInside_ = false;
    QColor outlineColor_;

    AttributedString title_;
    AttributedString alternateTitle_;
    QImage image_;
    QImage alternateImage_;
    bool imageIsTemplate_ = false;
    int buttonType_ = kMomentaryPushInButton;
    int state_ = kCellOffState;
    bool allowsMixedState_ = false;
    bool showsBorderOnlyWhileMouseInside_ = false;
    int highlightsBy_ = kPushInCellMask | kChangeGrayCellMask;
    int showsStateBy_ = kNoCellMask;
    int imagePosition_ = kNoImage;
    int imageScaling_ = kImageScaleProportionallyDown;
    QColor backgroundColor_;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    QFont font_;
    // The view of the drawWithFrame() in progress.
    QWidget* drawingView_ = nullptr;
    // The bezel being drawn is light: a default-coloured title goes dark.
    bool titleOnLightFill_ = false;
};
