#include "hud/cells/HUDButtonCell.h"

#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilCategory.h"
#include "hud/controls/HUDButton.h"
#include "hud/theme/HUDShadow.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include "foundation/VNSStringUtilCategory.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The width of the HUD check or radio box and the gap before its title.
double boxWidthForSize(int controlSize) {
    switch (controlSize) {
        case 1:
            return 11;
        case 2:
            return 9;
        default:
            return 13;
    }
}

bool isDarkOrUnset(const std::optional<QColor>& colour) {
    if (!colour || !colour->isValid()) return true;
    const QColor rgb = colour->toRgb();
    return rgb.redF() <= 0.5 && rgb.greenF() <= 0.5 && rgb.blueF() <= 0.5;
}

// The system's own control text colour is black, as is a plain white 0.
bool isUnsetOrBlack(const std::optional<QColor>& colour) {
    if (!colour || !colour->isValid()) return true;
    const QColor rgb = colour->toRgb();
    return rgb.red() == 0 && rgb.green() == 0 && rgb.blue() == 0;
}

void colourWhole(AttributedString& text, const QColor& colour) {
    text.modifyAttributes({0, text.length()},
                          [&](TextAttributes& attributes) { attributes.foreground = colour; });
}

}  // namespace

HUDButtonCell::HUDButtonCell() {
    bordered_ = true;
    bezelStyle_ = kRoundedBezelStyle;
    font_ = AttributedString::defaultFont();
}

HUDButtonCell::HUDButtonCell(const QString& title) : HUDButtonCell() {
    setTitle(title);
}

HUDButtonCell::~HUDButtonCell() = default;

std::unique_ptr<HUDButtonCell> HUDButtonCell::initWithCoder(const QVariantMap& archive) {
    auto cell = std::make_unique<HUDButtonCell>();
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) cell->themeKey_ = key.toString();
    if (archive.contains(QStringLiteral("NSContents")))
        cell->setTitle(archive.value(QStringLiteral("NSContents")).toString());
    cell->bgButtonType_ = 0;
    const QVariant normal = archive.value(QStringLiteral("NSNormalImage"));
    if (normal.typeId() == QMetaType::QString) {
        const QString name = normal.toString();
        if (name == QLatin1String("NSSwitch")) cell->bgButtonType_ = kHUDCheckBox;
        if (name == QLatin1String("NSRadioButton")) cell->bgButtonType_ = kHUDRadioButton;
    } else if (normal.typeId() == QMetaType::QImage) {
        const QImage image = normal.value<QImage>();
        if (image.text(QStringLiteral("description")).contains(QLatin1String("checkbox")))
            cell->bgButtonType_ = kHUDCheckBox;
    }
    return cell;
}

QVariantMap HUDButtonCell::encodeWithCoder() const {
    QVariantMap archive;
    archive.insert(QStringLiteral("NSContents"), title());
    archive.insert(QStringLiteral("themeKey"), themeKey_);
    return archive;
}

HUDTheme* HUDButtonCell::hudTheme() const {
    return theme(this);
}

QImage HUDButtonCell::tinted(const QImage& image) const {
    if (image.isNull()) return image;
    // Our painters are y-down, so the tinted copy is always drawn upright.
    if (bgButtonType_ & (kHUDTintDefault | kHUDTintDark))
        return tintedImageWithColor(image, defaultTextColor(), false);
    if (bgButtonType_ & kHUDTintRed) return tintedImageWithColor(image, QColor(Qt::red), false);
    return image;
}

void HUDButtonCell::redrawControl() const {
    if (controlView_) controlView_->update();
}

QWidget* HUDButtonCell::drawingView() const {
    return drawingView_ ? drawingView_ : controlView_.data();
}

QRectF HUDButtonCell::viewBounds(const QRectF& fallback) const {
    const QWidget* view = drawingView();
    return view ? QRectF(view->rect()) : fallback;
}

bool HUDButtonCell::viewIsMatrix() const {
    return dynamic_cast<HUDCellMatrix*>(drawingView()) != nullptr;
}

bool HUDButtonCell::viewIsTable() const {
    return qobject_cast<QAbstractItemView*>(drawingView()) != nullptr;
}

void HUDButtonCell::setBGButtonType(int32_t bits) {
    bgButtonType_ = bits;
    if (bits & kHUDTintMask) {
        setImage(image_);
        setAlternateImage(alternateImage_);
        redrawControl();
    } else if (bits & kHUDTitleImage) {
        image_ = QImage();
    }
}

void HUDButtonCell::setButtonType(int type) {
    if (type == kSwitchButton) bgButtonType_ = kHUDCheckBox;
    if (type == kRadioButton) bgButtonType_ = kHUDRadioButton;
    buttonType_ = type;
    switch (type) {
        case kMomentaryLightButton:
            highlightsBy_ = kPushInCellMask | kChangeGrayCellMask | kChangeBackgroundCellMask;
            showsStateBy_ = kNoCellMask;
            break;
        case kPushOnPushOffButton:
            highlightsBy_ = kPushInCellMask | kChangeGrayCellMask | kChangeBackgroundCellMask;
            showsStateBy_ = kChangeGrayCellMask | kChangeBackgroundCellMask;
            break;
        case kToggleButton:
            highlightsBy_ = kPushInCellMask | kContentsCellMask;
            showsStateBy_ = kContentsCellMask;
            break;
        case kSwitchButton:
        case kRadioButton:
            highlightsBy_ = kContentsCellMask;
            showsStateBy_ = kContentsCellMask;
            bordered_ = false;
            imagePosition_ = kImageLeft;
            alignment_ = Qt::AlignLeft;
            break;
        case kMomentaryChangeButton:
            highlightsBy_ = kContentsCellMask;
            showsStateBy_ = kNoCellMask;
            break;
        case kOnOffButton:
            highlightsBy_ = kChangeGrayCellMask | kChangeBackgroundCellMask;
            showsStateBy_ = kChangeGrayCellMask | kChangeBackgroundCellMask;
            break;
        default:
            highlightsBy_ = kPushInCellMask | kChangeGrayCellMask;
            showsStateBy_ = kNoCellMask;
            break;
    }
}

void HUDButtonCell::setPushOnPushOffButton() {
    bgButtonType_ = kHUDPushOnPushOff;
    if (auto* button = qobject_cast<HUDButton*>(controlView_.data()))
        button->setButtonType(kToggleButton);
}

void HUDButtonCell::setShowsBorderOnlyWhileMouseInside(bool show) {
    mouseInside_ = false;
    showsBorderOnlyWhileMouseInside_ = show;
}

void HUDButtonCell::mouseEntered() {
    mouseInside_ = true;
    if (showsBorderOnlyWhileMouseInside_ || bgButtonType_ == kHUDHoverButton) redrawControl();
}

void HUDButtonCell::mouseExited() {
    mouseInside_ = false;
    if (showsBorderOnlyWhileMouseInside_ || bgButtonType_ == kHUDHoverButton) redrawControl();
}

void HUDButtonCell::setAttributedColor(const QColor& color) {
    AttributedString text = attrStringWithColor(title(), color);
    const QFont font = font_;
    text.modifyAttributes({0, text.length()},
                          [&](TextAttributes& attributes) { attributes.font = font; });
    title_ = text;
}

void HUDButtonCell::setTitle(const QString& title) {
    TextAttributes attributes;
    attributes.font = font_;
    title_ = AttributedString(title, attributes);
}

void HUDButtonCell::setAlternateTitle(const QString& title) {
    TextAttributes attributes;
    attributes.font = font_;
    alternateTitle_ = AttributedString(title, attributes);
}

void HUDButtonCell::setFont(const QFont& font) {
    font_ = font;
    title_.modifyAttributes({0, title_.length()},
                            [&](TextAttributes& attributes) { attributes.font = font; });
}

void HUDButtonCell::setImage(const QImage& image) {
    image_ = tinted(image);
}

void HUDButtonCell::setAlternateImage(const QImage& image) {
    alternateImage_ = tinted(image);
}

void HUDButtonCell::setState(int state) {
    if (state == kCellMixedState && !allowsMixedState_) state = kCellOnState;
    state_ = state < 0 ? kCellMixedState : (state > 0 ? kCellOnState : kCellOffState);
}

int HUDButtonCell::nextState() const {
    if (state_ == kCellOffState) return kCellOnState;
    if (state_ == kCellOnState && allowsMixedState_) return kCellMixedState;
    return kCellOffState;
}

bool HUDButtonCell::hasToggleLook() const {
    const int gray = kChangeGrayCellMask | kChangeBackgroundCellMask;
    return ((highlightsBy_ & gray) == gray && showsStateBy_ == gray) ||
           (highlightsBy_ == 3 && showsStateBy_ == kContentsCellMask);
}

bool HUDButtonCell::isPressed() const {
    return (state_ == kCellOnState && hasToggleLook()) ||
           (showsStateBy_ == 0 && highlightsBy_ != 0 && highlighted_);
}

QSizeF HUDButtonCell::cellSize() const {
    const QSizeF text = title_.size();
    double width = text.width();
    // An empty title still takes a line.
    double height = std::max(text.height(), QFontMetricsF(font_).height());
    if (bgButtonType_ & (kHUDCheckBox | kHUDRadioButton)) {
        width += boxWidthForSize(controlSize_) + 8;
        height = std::max(height, boxWidthForSize(controlSize_) + 4);
    } else if (!image_.isNull() && imagePosition_ != kNoImage) {
        const QSizeF image = image_.deviceIndependentSize();
        if (imagePosition_ == kImageOnly) {
            width = image.width();
            height = image.height();
        } else if (imagePosition_ == kImageBelow || imagePosition_ == kImageAbove) {
            width = std::max(width, image.width());
            height += image.height();
        } else {
            width += image.width() + 4;
            height = std::max(height, image.height());
        }
    }
    if (bordered_) {
        const double natural = controlSize_ == 1 ? 19 : controlSize_ == 2 ? 16 : 22;
        width += 24;
        height = std::max(height + 8, natural);
    }
    return {std::ceil(width), std::ceil(height)};
}

QRectF HUDButtonCell::titleRectForBounds(const QRectF& bounds) const {
    QRectF rect = bounds;
    if (bordered_) rect.adjust(6, 0, -6, 0);
    QSizeF image;
    if (bgButtonType_ & (kHUDCheckBox | kHUDRadioButton)) {
        const double box = boxWidthForSize(controlSize_);
        image = QSizeF(box + (controlSize_ == 1 ? 3 : controlSize_ == 2 ? 4 : 2), box);
    } else if (!image_.isNull()) {
        image = image_.deviceIndependentSize();
    }
    switch (imagePosition_) {
        case kImageLeft:
            rect.setLeft(rect.left() + image.width() + 4);
            break;
        case kImageRight:
            rect.setRight(rect.right() - image.width() - 4);
            break;
        case kImageBelow:
            rect.setBottom(rect.bottom() - image.height());
            break;
        case kImageAbove:
            rect.setTop(rect.top() + image.height());
            break;
        default:
            break;
    }
    if (rect.width() < 0) rect.setWidth(0);
    if (rect.height() < 0) rect.setHeight(0);
    return rect;
}

QRectF HUDButtonCell::imageRectForBounds(const QRectF& bounds) const {
    QRectF rect = bounds;
    if (bordered_) rect.adjust(6, 2, -6, -2);
    const QSizeF image = image_.isNull() ? QSizeF(0, 0) : image_.deviceIndependentSize();
    switch (imagePosition_) {
        case kImageLeft:
            rect.setWidth(std::min(rect.width(), image.width()));
            break;
        case kImageRight:
            rect.setLeft(std::max(rect.left(), rect.right() - image.width()));
            break;
        case kImageBelow:
            rect.setTop(std::max(rect.top(), rect.bottom() - image.height()));
            break;
        case kImageAbove:
            rect.setHeight(std::min(rect.height(), image.height()));
            break;
        default:
            break;
    }
    return rect;
}

void HUDButtonCell::drawWithFrame(QPainter& ctx, const QRectF& cellFrame, QWidget* controlView) {
    waitIfNeeded(controlView);
    QWidget* const previous = drawingView_;
    drawingView_ = controlView;
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, true);
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, true);

    QRectF frame = cellFrame;
    bool isMatrix = false;
    if (viewIsMatrix() || viewIsTable()) {
        const double height = cellSize().height();
        if (height < frame.height()) frame.setHeight(height);
        isMatrix = true;
    }
    if (bgButtonType_ & kHUDSymbolMask) {
        drawSymbolInFrame(ctx, frame, controlView);
    } else {
        int op = kCompositeSourceOver;
        const QImage image = imageToDraw(&op);
        bool drawImageNow = true;
        if (!(bgButtonType_ & kHUDTitleImage)) {
            if (imagePosition_ == kImageOnly && !image.isNull() &&
                image.deviceIndependentSize() == frame.size()) {
                drawImage(ctx, image, frame, controlView, op);
                drawImageNow = false;
            } else {
                switch (bezelStyle_) {
                    case kRoundedBezelStyle:
                        drawRoundedButtonInFrame(ctx, frame);
                        break;
                    case kDisclosureBezelStyle:
                        drawStandardCell(ctx, frame);
                        break;
                    case kTexturedSquareBezelStyle:
                    case kTexturedRoundedBezelStyle:
                        drawTexturedRoundedButtonInFrame(ctx, frame, true, isMatrix);
                        break;
                    case kRoundRectBezelStyle:
                        drawRoundRectButtonInFrame(ctx, frame);
                        break;
                    default:
                        drawSmallSquareButtonInFrame(ctx, frame);
                        break;
                }
                drawImageNow = bgButtonType_ & (kHUDCheckBox | kHUDRadioButton);
            }
        }
        if (drawImageNow) drawImage(ctx, image, frame, controlView, op);
    }
    ctx.restore();
    drawingView_ = previous;
}

void HUDButtonCell::drawStandardCell(QPainter& ctx, const QRectF& frame) {
    // The disclosure triangle: pointing right when closed, down when open.
    const double side = std::min({frame.width(), frame.height(), 9.0});
    const QPointF centre = frame.center();
    QPainterPath triangle;
    if (state_ == kCellOnState) {
        triangle.moveTo(centre.x() - side / 2, centre.y() - side / 3);
        triangle.lineTo(centre.x() + side / 2, centre.y() - side / 3);
        triangle.lineTo(centre.x(), centre.y() + side / 2);
    } else {
        triangle.moveTo(centre.x() - side / 3, centre.y() - side / 2);
        triangle.lineTo(centre.x() + side / 2, centre.y());
        triangle.lineTo(centre.x() - side / 3, centre.y() + side / 2);
    }
    triangle.closeSubpath();
    HUDTheme* t = hudTheme();
    ctx.fillPath(triangle, enabled_ ? t->textColor() : t->disabledTextColor());
}

QImage HUDButtonCell::imageToDraw(int* op) {
    if ((bgButtonType_ & kHUDTintMask) && !(bgButtonType_ & kHUDTintedForView)) {
        setImage(image_);
        setAlternateImage(alternateImage_);
        bgButtonType_ |= kHUDTintedForView;
    }
    int operation = kCompositeSourceOver;
    QImage result = image_;
    if (isPressed()) {
        if (!alternateImage_.isNull()) {
            result = alternateImage_;
        } else {
            operation = kCompositePlusLighter;
        }
    }
    if (op) *op = operation;
    return result;
}

void HUDButtonCell::drawImage(QPainter& ctx, const QImage& image, const QRectF& frame,
                              QWidget* controlView) {
    drawImage(ctx, image, frame, controlView, kCompositeSourceOver);
}

void HUDButtonCell::drawImage(QPainter& ctx, const QImage& image, const QRectF& frame,
                              QWidget* controlView, int op) {
    QWidget* const previous = drawingView_;
    if (controlView) drawingView_ = controlView;
    HUDTheme* t = hudTheme();
    const bool noView = drawingView() == nullptr;
    if (imageIsTemplate_ && !image.isNull()) {
        const QImage shown = tintedImageWithColor(image, t->textColor(), false);
        ctx.drawImage(nsImageGetCenteredRect(shown, imageRectForBounds(frame)), shown);
    } else if (bgButtonType_ == kHUDCheckBox) {
        drawCheckInFrame(ctx, frame, false);
    } else if (bgButtonType_ == kHUDRadioButton ||
               ((bgButtonType_ & kHUDRadioButton) && (noView || viewIsMatrix()))) {
        // Only radio cells: an image button in a matrix still shows its image.
        drawCheckInFrame(ctx, frame, true);
    } else if (!image.isNull()) {
        const double fraction = enabled_ ? 1.0 : t->disabledAlphaValue();
        const QSizeF size = image.deviceIndependentSize();
        QRectF rect;
        if ((imagePosition_ == kImageOnly || (bgButtonType_ & 0x3E0)) &&
            (imageScaling_ == kImageScaleNone || size == frame.size())) {
            rect = QRectF(frame.x() + (frame.width() - size.width()) / 2,
                          frame.y() + (frame.height() - size.height()) / 2, size.width(),
                          size.height());
        } else {
            rect = nsImageGetCenteredRect(image, imageRectForBounds(viewBounds(frame)));
        }
        ctx.save();
        if (op == kCompositePlusLighter) {
            const QColor background =
                backgroundColor_.isValid() ? backgroundColor_ : boxFillColor();
            ctx.fillRect(rect, background);
            ctx.setCompositionMode(QPainter::CompositionMode_Plus);
        }
        ctx.setOpacity(ctx.opacity() * fraction);
        ctx.drawImage(rect, image);
        ctx.restore();
    }
    drawingView_ = previous;
}

void HUDButtonCell::drawImageHighlighted(QPainter& ctx, const QImage& image, const QRectF& frame,
                                         QWidget* controlView) {
    static const HUDShadow* glow = new HUDShadow(hudTheme()->rowOutlineColor(), QPointF(0, 0), 3.0);
    ctx.save();
    if (bezelStyle_ == kShadowlessSquareBezelStyle) {
        ctx.setPen(QPen(hudTheme()->rowOutlineColor(), 1));
        ctx.setBrush(Qt::NoBrush);
        ctx.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    if (!image.isNull()) {
        const QRectF rect = nsImageGetCenteredRect(image, frame);
        glow->paint(ctx, rect, [&](QPainter& p) { p.drawImage(rect, image); });
    }
    drawImage(ctx, image, frame, controlView, kCompositePlusLighter);
    ctx.restore();
}

QRectF HUDButtonCell::drawTitle(QPainter& ctx, const AttributedString& title, const QRectF& frame,
                                QWidget* controlView) {
    if (frame.width() <= 0 || frame.height() <= 0) return {};
    QWidget* const previous = drawingView_;
    if (controlView) drawingView_ = controlView;
    AttributedString text = title;
    if (!alternateTitle_.isEmpty() &&
        ((showsStateBy_ == 0 && highlightsBy_ == 1 && highlighted_) ||
         (showsStateBy_ == 1 && highlightsBy_ == 3 && state_ == kCellOnState))) {
        text = alternateTitle_;
    }
    QRectF drawn;
    HUDTheme* t = hudTheme();
    if (text.isEmpty()) {
        drawn = QRectF();
    } else if (text.length() <= 3 && text.string()[0].unicode() >= 0xA1) {
        // A symbol: drawn at its own size in the middle of the frame.
        if (text.length() == 1 && isUnsetOrBlack(text.attributesAt(0).foreground)) {
            colourWhole(text, defaultTextColor());
        }
        const QSizeF size = text.size();
        QRectF area = frame;
        if (frame.height() > size.height()) area.translate(0, -2);
        drawn = getCenteredRectNoScaling(area, size.width(), size.height());
        drawn.moveLeft(std::round(drawn.x()));
        text.draw(ctx, drawn);
    } else {
        if (!enabled_) {
            colourWhole(text, t->disabledTextColor());
        } else if (needDefaultTextColor(text)) {
            colourWhole(text, titleOnLightFill_ ? darkerStrokeColor() : t->textColor());
        }
        const QSizeF size = text.size();
        const double width = std::min(size.width(), frame.width());
        double x = frame.x();
        if (alignment_ & Qt::AlignHCenter) x += (frame.width() - width) / 2;
        if (alignment_ & Qt::AlignRight) x += frame.width() - width;
        const double y = frame.y() + (frame.height() - size.height()) / 2;
        drawn = QRectF(x, y, width, size.height());
        text.draw(ctx, drawn);
    }
    drawingView_ = previous;
    return drawn;
}

bool HUDButtonCell::needDefaultTextColor(const AttributedString& text) {
    if (text.isEmpty()) return true;
    // Colours carry no class here, so only their lightness decides.
    return isDarkOrUnset(text.attributesAt(0).foreground);
}
