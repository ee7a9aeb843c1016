// The bezels of HUDButtonCell, one per bezel style or HUD style.
#include "hud/cells/ButtonImage.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/theme/HUDShadow.h"
#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include "foundation/VNSStringUtilCategory.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <utility>

namespace {

void strokePath(QPainter& p, const QPainterPath& path, const QColor& colour, double width) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour, width));
    p.drawPath(path);
    p.restore();
}

void strokeUnderShadow(QPainter& p, const QPainterPath& path, const QColor& colour, double width,
                       const HUDShadow& shadow) {
    shadow.paint(p, path.boundingRect().adjusted(-width, -width, width, width),
                 [&](QPainter& sp) { strokePath(sp, path, colour, width); });
    strokePath(p, path, colour, width);
}

void fillPath(QPainter& p, const QPainterPath& path, const HUDGradient& gradient) {
    if (!gradient.isNull()) gradient.drawInBezierPath(p, path, 90);
}

// Two half circles of radius half the height joined into a pill.
QPainterPath capsule(const QRectF& r) {
    const double radius = std::max(0.0, r.height() / 2);
    QPainterPath path;
    path.addRoundedRect(QRectF(r.x(), r.center().y() + 0.5 - radius, r.width(), 2 * radius), radius,
                        radius);
    return path;
}

// The dark tinted-button fill, made once.
const HUDGradient& darkTintGradient() {
    static const HUDGradient* gradient = new HUDGradient(
        {colorWithContrastWhite(40 / 255.0, 1), colorWithContrastWhite(32 / 255.0, 1),
         colorWithContrastWhite(28 / 255.0, 1)},
        {0.0, 0.25, 1.0});
    return *gradient;
}

const HUDGradient& hoverImageGradient(const HUDTheme* t) {
    static const HUDGradient* gradient =
        new HUDGradient(t->grayCellHighlightColor(), t->normalSolidFill());
    return *gradient;
}

struct CheckBox {
    double width;
    double height;
    double offset;
};

CheckBox checkBoxForSize(int controlSize, bool isRadio) {
    switch (controlSize) {
        case 1:
            return {11, isRadio ? 11.0 : 10.0, 3};
        case 2:
            return {9, isRadio ? 9.0 : 8.0, 5};
        default:
            return {13, isRadio ? 13.0 : 12.0, 2};
    }
}

QFont titleImageFont(int size) {
    QFont font(QStringLiteral("Helvetica"));
    font.setBold(true);
    font.setPixelSize(size);
    return font;
}

}  // namespace

std::pair<QRectF, double> HUDButtonCell::texturedBezelRect(const QRectF& frame,
                                                           bool isMatrix) const {
    QRectF r(isMatrix ? QPointF(0, 0) : frame.topLeft(), frame.size());
    double titleOffset = 0;
    if (bordered_ || showsBorderOnlyWhileMouseInside_) {
        r.translate(0.5, 0.5);
        r.setWidth(r.width() - 3);
        r.setHeight(r.height() - 4);
        switch (controlSize_) {
            case 0:
            case 3:
                r.translate(0, 1);
                if (bezelStyle_ == kTexturedSquareBezelStyle) {
                    r.setHeight(r.height() - 1);
                    titleOffset = -1;
                }
                if (isMatrix && viewIsTable()) r.translate(0, 2);
                break;
            case 1:
                r.setHeight(r.height() - 1);
                titleOffset = 1;
                break;
            case 2:
                r.translate(0, 5);
                r.setHeight(r.height() + 1);
                break;
            default:
                break;
        }
    }
    return {r, titleOffset};
}

void HUDButtonCell::paintTexturedBezel(QPainter& ctx, const QRectF& rect, bool isMatrix) {
    HUDTheme* t = hudTheme();
    QPainterPath path;
    path.addRoundedRect(rect, 4.5, 4.5);
    if (bgButtonType_ == kHUDHoverButton && image_.isNull() && !mouseInside_) {
        strokePath(ctx, path, t->darkStrokeColor(), 1.0);
        return;
    }
    if (bordered_) {
        if (enabled_ && !isMatrix) {
            const HUDShadow shadow =
                (bgButtonType_ & kHUDTintDark) ? t->darkerShadow() : t->dropShadow();
            strokeUnderShadow(ctx, path, t->darkStrokeColor(), 1.0, shadow);
        } else {
            strokePath(ctx, path, t->darkStrokeColor(), 1.0);
        }
    }
    if (!(bgButtonType_ == kHUDHoverButton && (!enabled_ || isMatrix))) {
        const int gray = kChangeGrayCellMask | kChangeBackgroundCellMask;
        HUDGradient gradient;
        if (!enabled_) {
            gradient = t->disabledNormalGradient();
        } else if (bgButtonType_ == kHUDPushOnPushOff) {
            gradient = state_ == kCellOnState ? t->pushedComplexGradient() : t->controlGradient();
        } else if ((highlightsBy_ & gray) == gray && showsStateBy_ == gray) {
            gradient = state_ == kCellOnState ? t->highlightGradient() : t->controlGradient();
        } else if (highlighted_) {
            gradient = t->pushedComplexGradient();
        } else if (bgButtonType_ & kHUDTintDark) {
            gradient = darkTintGradient();
        } else if (bgButtonType_ == kHUDHoverButton && !image_.isNull()) {
            gradient = hoverImageGradient(t);
        } else if (backgroundColor_.isValid()) {
            gradient = HUDGradient(backgroundColor_, t->normalSolidFill());
        } else {
            gradient = t->controlGradient();
        }
        fillPath(ctx, path, gradient);
    }
    if (bordered_) {
        QColor stroke = t->darkStrokeColor();
        if (bgButtonType_ & kHUDTintDark) {
            stroke = t->darkerStrokeColor();
        } else if (showsBorderOnlyWhileMouseInside_) {
            stroke = t->rowOutlineColor();
        }
        strokePath(ctx, path, stroke, 1.0);
    }
}

void HUDButtonCell::drawTexturedRoundedButtonInFrame(QPainter& ctx, const QRectF& frame, bool cache,
                                                     bool isMatrix) {
    ButtonState key{};
    key.bgButtonType = uint32_t(bgButtonType_);
    key.cache = cache;
    key.isMatrixOrTable = isMatrix;
    key.hasImage = !image_.isNull();
    key.mouseInside_ = mouseInside_;
    ButtonImage* entry = ButtonImage::imageForCell(this, &key, frame);
    if (entry && entry->img &&
        (entry->img->width() > frame.width() || entry->img->height() > frame.height())) {
        entry->img.reset();
    }
    const auto [rect, titleOffset] = texturedBezelRect(frame, isMatrix);
    // A border shown only under the pointer is left out while it is away.
    const bool showBezel =
        !(showsBorderOnlyWhileMouseInside_ && !mouseInside_) || bgButtonType_ == kHUDHoverButton;
    if (entry) {
        if (!entry->img) {
            // Painted y-down like the view itself, so the shadows need no flipping.
            entry->img = std::make_unique<StretchImage>(8, 8, int(std::ceil(frame.width())),
                                                        int(std::ceil(frame.height())));
            if (QPainter* p = entry->img->lockFocusAndClear()) {
                if (!isMatrix) p->translate(-frame.topLeft());
                paintTexturedBezel(*p, rect, isMatrix);
            }
            entry->img->unlockFocusAndDraw(false);
        }
        if (showBezel) entry->img->drawCGImageInFrame(frame, ctx);
    } else if (showBezel) {
        ctx.save();
        if (isMatrix) ctx.translate(frame.topLeft());
        paintTexturedBezel(ctx, rect, isMatrix);
        ctx.restore();
    }

    QRectF bezel = rect;
    if (isMatrix) {
        bezel.translate(frame.topLeft());
        if (bgButtonType_ == kHUDHoverButton) bezel.translate(0, -2);
    }
    if (imagePosition_ != kImageOnly && !title_.isEmpty()) {
        QRectF titleRect = bezel;
        if (imagePosition_ >= kImageLeft && imagePosition_ <= kImageAbove) {
            titleRect = titleRectForBounds(viewBounds(frame));
        } else if (viewIsTable()) {
            const double width = std::min(title_.size().width(), bezel.width());
            titleRect =
                QRectF(bezel.x() + (bezel.width() - width) / 2, bezel.y(), width, bezel.height());
        }
        drawTitle(ctx, title_, titleRect.translated(0, titleOffset), drawingView());
    }
    drawBezelImage(ctx, bezel);
}

void HUDButtonCell::drawRoundRectButtonInFrame(QPainter& ctx, const QRectF& frame) {
    HUDTheme* t = hudTheme();
    QRectF r = frame;
    if (bordered_) {
        r.translate(1.5, 0);
        r.setWidth(r.width() - 3);
        if (controlSize_ == 2) {
            r.setHeight(r.height() - 5);
            r.translate(0, 1);
        } else {
            r.setHeight(r.height() - 3);
        }
    }
    const QPainterPath path = capsule(r);
    if (bordered_) {
        if (enabled_) {
            strokeUnderShadow(ctx, path, t->darkStrokeColor(), 1.0, t->dropShadow());
        } else {
            strokePath(ctx, path, t->darkStrokeColor(), 1.0);
        }
    }
    const int gray = kChangeGrayCellMask | kChangeBackgroundCellMask;
    HUDGradient gradient;
    if (!enabled_) {
        gradient = t->disabledNormalGradient();
    } else if ((highlightsBy_ & gray) == gray && showsStateBy_ == gray) {
        gradient = state_ == kCellOnState ? t->highlightGradient() : t->controlGradient();
    } else {
        gradient = highlighted_ ? t->pushedGradient() : t->controlGradient();
    }
    fillPath(ctx, path, gradient);
    if (bordered_) strokePath(ctx, path, t->darkStrokeColor(), 1.0);
    if (imagePosition_ != kImageOnly) drawTitle(ctx, title_, r.translated(0, 1), drawingView());
    drawBezelImage(ctx, r);
}

void HUDButtonCell::drawRoundedButtonInFrame(QPainter& ctx, const QRectF& frame) {
    HUDTheme* t = hudTheme();
    QRectF r = frame;
    switch (controlSize_) {
        case 0:
            r.translate(4.5, 4.5);
            r.setHeight(r.height() - 13);
            r.setWidth(r.width() - 9);
            break;
        case 1:
            r.translate(4.5, 4.5);
            r.setHeight(r.height() - 12);
            r.setWidth(r.width() - 9);
            break;
        case 2:
            r.translate(0.5, -0.5);
            r.setHeight(r.height() - 1);
            r.setWidth(r.width() - 1);
            break;
        default:
            r.setHeight(r.height() - 1);
            r.setWidth(r.width() - 9);
            break;
    }
    const QPainterPath path = capsule(r);
    const int gray = kChangeGrayCellMask | kChangeBackgroundCellMask;
    QColor fill;
    if (!enabled_) {
        fill = t->disabledNormalSolidFill();
    } else if ((highlightsBy_ & gray) == gray && showsStateBy_ == gray) {
        fill = state_ == kCellOnState ? t->highlightSolidFill() : t->normalSolidFill();
    } else {
        fill = highlighted_ ? t->pushedSolidFill() : t->normalSolidFill();
    }
    if (fill.isValid()) ctx.fillPath(path, fill);
    // The "on" fill is almost white: the light title colour would vanish on
    // it, so the title takes a dark one there.
    titleOnLightFill_ = fill.isValid() && fill.lightness() > 160;
    if (imagePosition_ != kImageOnly)
        drawTitle(ctx, title_, titleRectForBounds(viewBounds(frame)), drawingView());
    titleOnLightFill_ = false;
    drawBezelImage(ctx, r);
}

void HUDButtonCell::drawSmallSquareButtonInFrame(QPainter& ctx, const QRectF& frame) {
    HUDTheme* t = hudTheme();
    const bool isMatrix = viewIsMatrix();
    const QRectF bounds = viewBounds(frame);
    QRectF r = frame;
    if (bordered_ && !isMatrix) {
        r = QRectF(r.x() + 1.5, r.y() + 0.5, r.width() - 3, bounds.height() - 3);
    }
    QPainterPath path;
    path.addRect(r);
    const QString text = title_.string();
    const bool circledOperator =
        text.size() == 1 && text[0].unicode() >= 0x2295 && text[0].unicode() <= 0x229D;
    if (circledOperator) {
        QPainterPath oval;
        oval.addEllipse(QRectF(r.x(), r.y() + 1, r.width(), r.height() - 1));
        ctx.fillPath(oval, Qt::black);
        drawTitle(ctx, title_, QRectF(r.x() - 9, r.y() - 6, r.width() + 18, r.height() + 3),
                  drawingView());
    } else {
        if (bordered_) {
            if (bezelStyle_ == kShadowlessSquareBezelStyle) {
                if (backgroundColor_.isValid()) {
                    ctx.fillRect(frame, backgroundColor_);
                    if (highlighted_) {
                        ctx.save();
                        ctx.setBrush(Qt::NoBrush);
                        ctx.setPen(
                            QPen(outlineColor_.isValid() ? outlineColor_ : QColor(Qt::white), 1));
                        ctx.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
                        ctx.restore();
                    }
                } else {
                    ctx.fillRect(frame.adjusted(2, 2, -2, -2), t->textFillColor());
                }
            } else {
                ctx.fillPath(path, t->textFillColor());
                if (enabled_)
                    strokeUnderShadow(ctx, path, t->darkStrokeColor(), 1.0, t->dropShadow());
                HUDGradient gradient;
                if (!enabled_) {
                    gradient = t->disabledNormalComplexGradient();
                } else if (hasToggleLook()) {
                    gradient = state_ == kCellOnState ? t->highlightComplexGradient()
                                                      : t->controlGradient();
                } else if (highlighted_) {
                    gradient = t->pushedComplexGradient();
                } else if (backgroundColor_.isValid()) {
                    gradient = HUDGradient(backgroundColor_, t->normalSolidFill());
                } else {
                    gradient = t->controlGradient();
                }
                fillPath(ctx, path, gradient);
                strokePath(ctx, path, t->darkStrokeColor(), 1.0);
            }
        }
        if (!title_.isEmpty() && imagePosition_ != kImageOnly) {
            if (text == QString(QChar(0x2022))) {
                const AttributedString bullet =
                    needDefaultTextColor(title_) ? whiteString(title_) : title_;
                const QSizeF size = bullet.size();
                const QRectF at(bounds.x() + (bounds.width() - size.width()) / 2,
                                bounds.y() + (bounds.height() - frame.height()) / 3, size.width(),
                                size.height());
                bullet.draw(ctx, at);
            } else {
                const QRectF area = (bordered_ && !isMatrix) ? bounds : frame;
                drawTitle(ctx, title_, titleRectForBounds(area), drawingView());
            }
        }
    }
    if (imagePosition_ != kNoImage && !image_.isNull() &&
        !(bgButtonType_ & (kHUDCheckBox | kHUDRadioButton))) {
        int op = kCompositeSourceOver;
        const QImage image = imageToDraw(&op);
        if (showsBorderOnlyWhileMouseInside_ && mouseInside_)
            drawImageHighlighted(ctx, image, r, drawingView());
        drawImage(ctx, image, r, drawingView(), op);
    }
}

void HUDButtonCell::drawCheckInFrame(QPainter& ctx, const QRectF& frame, bool isRadio) {
    HUDTheme* t = hudTheme();
    const CheckBox box = checkBoxForSize(controlSize_, isRadio);
    QWidget* view = drawingView();
    const QRectF bounds = viewBounds(frame);
    double y = frame.y();
    if (const auto* matrix = dynamic_cast<const HUDCellMatrix*>(view)) {
        if (matrix->intercellSpacing().height() <= 2 && matrix->numberOfRows() > 0)
            y = frame.y() + bounds.height() / 2 / matrix->numberOfRows() - frame.height() / 2;
    } else if (qobject_cast<QAbstractItemView*>(view)) {
        if (!isRadio) y += 1;
    } else if (frame.height() > 16) {
        // A 16-point slot in the middle of the control.
        y += frame.height() / 2 - 8;
    }
    y += box.offset;

    double x = frame.x();
    switch (imagePosition_) {
        case kImageOnly:
            x = frame.x() + frame.width() / 2 - box.width / 2;
            if (controlSize_ == 0) x -= 0.5;
            if (controlSize_ == 2) x += 0.5;
            break;
        case kImageRight:
            x = frame.x() + frame.width() - box.width - 1.5;
            break;
        case kImageLeft:
            x += controlSize_ == 1 ? 3 : controlSize_ == 2 ? 4 : 2;
            break;
        default:
            break;
    }
    const QRectF r(x, y, box.width, box.height);
    QPainterPath path;
    if (isRadio) {
        path.addEllipse(r);
    } else {
        path.addRoundedRect(r, 2, 2);
    }
    if (enabled_ && bordered_) strokeUnderShadow(ctx, path, t->strokeColor(), 1.0, t->dropShadow());
    HUDGradient gradient;
    if (!enabled_) {
        gradient = t->disabledNormalGradient();
    } else if (highlighted_) {
        gradient = t->highlightGradient();
    } else {
        gradient = t->controlGradient();
    }
    fillPath(ctx, path, gradient);
    strokePath(ctx, path, enabled_ ? t->strokeColor() : t->grayCellHighlightColor(), 1.0);

    const double midY = r.center().y();
    if (state_ == kCellOnState) {
        if (isRadio) {
            const double inset = controlSize_ == 1 ? 3.5 : controlSize_ == 2 ? 3.0 : 4.0;
            QPainterPath dot;
            dot.addEllipse(r.adjusted(inset, inset, -inset, -inset));
            ctx.fillPath(dot, enabled_ ? t->strokeColor() : t->disabledTextColor());
        } else {
            QPainterPath tick;
            tick.moveTo(x + 3, midY - 2);
            tick.lineTo(x + box.width / 2, midY + 2);
            tick.lineTo(x + box.width - 1, y - 2);
            ctx.save();
            ctx.setBrush(Qt::NoBrush);
            ctx.setPen(QPen(enabled_ ? t->strokeColor() : t->grayCellHighlightColor(),
                            controlSize_ == 2 ? 1.5 : 2.0, Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
            ctx.drawPath(tick);
            ctx.restore();
        }
    } else if (state_ == kCellMixedState) {
        ctx.save();
        ctx.setPen(QPen(enabled_ ? t->strokeColor() : QColor::fromRgbF(0.26, 0.26, 0.26), 2.0));
        ctx.drawLine(QPointF(x + 3, midY), QPointF(x + box.width - 3, midY));
        ctx.restore();
    }
}

void HUDButtonCell::paintSymbol(QPainter& ctx, const QSizeF& size) {
    HUDTheme* t = hudTheme();
    const QChar symbol = title_.isEmpty() ? QChar(u' ') : title_.string()[0];
    const bool bar = symbol.unicode() == 0xFF0D;
    const bool pressed = isPressed();
    QFont font = qGuiApp ? QGuiApplication::font() : QFont();
    font.setBold(true);
    font.setPixelSize(14);
    const QFontMetricsF metrics(font);
    const double side = metrics.height();

    QRectF square(size.width() / 2 - side / 2, size.height() / 2 - side / 2, side, side);
    square = QRectF(square.x(), square.y() - 1, square.width(), square.height() - 1)
                 .adjusted(1, 1, -1, -1);
    QColor textColour = dimTextColor();
    QPainterPath shape;
    if (bgButtonType_ & kHUDSymbolSquare) {
        shape.addRect(square);
    } else if (bgButtonType_ & kHUDSymbolDiamond) {
        shape.moveTo(square.center().x(), square.top());
        shape.lineTo(square.right(), square.center().y());
        shape.lineTo(square.center().x(), square.bottom());
        shape.lineTo(square.left(), square.center().y());
        shape.closeSubpath();
    } else if (bgButtonType_ & kHUDSymbolDisc) {
        shape.addEllipse(square.translated(-0.5, 0));
    }
    if (!shape.isEmpty()) {
        QColor fill;
        if (bar) {
            textColour = t->darkStrokeColor();
            fill = QColor::fromRgbF(188 / 255.0, 188 / 255.0, 188 / 255.0);
        } else {
            fill = HUDThemeKelo::instance()->selectionHighlightInActiveColor();
        }
        ctx.fillPath(shape, fill);
        strokePath(ctx, shape, t->darkStrokeColor(), 1.0);
    }

    const auto drawMark = [&](QPainter& p) {
        if (bar) {
            QPainterPath line;
            line.addRoundedRect(
                QRectF(square.x() + 1.5, square.center().y() - 1, square.width() - 3, 2), 1.0, 1.0);
            p.fillPath(line, pressed ? QColor(Qt::white) : boxFillColor());
            return;
        }
        const double width = metrics.horizontalAdvance(symbol);
        const QRectF at(square.center().x() - width / 2, square.center().y() - side / 2, width,
                        side);
        p.save();
        p.setFont(font);
        p.setPen(t->darkerStrokeColor());
        p.drawText(at.translated(0, 1), Qt::AlignCenter, QString(symbol));
        p.setPen(pressed ? QColor(Qt::white) : textColour);
        p.drawText(at, Qt::AlignCenter, QString(symbol));
        p.restore();
    };
    HUDShadow(Qt::black, QPointF(0, 0), 3.0).paint(ctx, square.adjusted(-2, -2, 2, 2), drawMark);
    drawMark(ctx);
}

void HUDButtonCell::drawSymbolInFrame(QPainter& ctx, const QRectF& frame, QWidget* controlView) {
    QWidget* const previous = drawingView_;
    if (controlView) drawingView_ = controlView;
    ButtonState key{};
    key.bgButtonType = uint32_t(bgButtonType_);
    key.cache = 1;
    key.isMatrixOrTable = viewIsMatrix() || viewIsTable();
    key.hasImage = !image_.isNull();
    key.mouseInside_ = mouseInside_;
    ButtonImage* entry = ButtonImage::imageForCell(this, &key, frame);
    if (entry && entry->img &&
        (entry->img->width() > frame.width() || entry->img->height() > frame.height())) {
        entry->img.reset();
    }
    QImage direct;
    if (entry && !entry->img) {
        entry->img = std::make_unique<StretchImage>(8, 8, int(std::ceil(frame.width())),
                                                    int(std::ceil(frame.height())));
        if (QPainter* p = entry->img->lockFocusAndClear()) paintSymbol(*p, frame.size());
        entry->img->unlockFocusAndDraw(false);
    } else if (!entry) {
        direct = QImage(int(std::ceil(frame.width())), int(std::ceil(frame.height())),
                        QImage::Format_ARGB32_Premultiplied);
        if (!direct.isNull()) {
            direct.fill(Qt::transparent);
            QPainter p(&direct);
            p.setRenderHint(QPainter::Antialiasing, true);
            paintSymbol(p, frame.size());
        }
    }
    const auto drawResult = [&](QPainter& p) {
        if (entry && entry->img) {
            entry->img->drawCGImageInFrame(frame, p);
        } else if (!direct.isNull()) {
            p.drawImage(frame.topLeft(), direct);
        }
    };
    if (bordered_ && showsBorderOnlyWhileMouseInside_ && mouseInside_) {
        static const HUDShadow* glow =
            new HUDShadow(hudTheme()->rowOutlineColor(), QPointF(0, 0), 2.0);
        glow->paint(ctx, frame, drawResult);
        ctx.save();
        ctx.setCompositionMode(QPainter::CompositionMode_Plus);
        drawResult(ctx);
        ctx.restore();
    }
    drawResult(ctx);
    drawingView_ = previous;
}

void HUDButtonCell::initImages(const QRectF& frame, QWidget* controlView) {
    QWidget* const previous = drawingView_;
    if (controlView) drawingView_ = controlView;
    const bool wasEnabled = enabled_;
    const bool wasHighlighted = highlighted_;
    const QString text = title();
    enabled_ = true;
    // The title lives in the image from now on.
    title_ = AttributedString();
    static const QFont* bold11 = new QFont(titleImageFont(11));
    static const QFont* bold10 = new QFont(titleImageFont(10));
    TextAttributes attributes;
    attributes.foreground = headerFillColor();
    attributes.font = text.size() == 1 ? *bold11 : *bold10;
    highlighted_ = false;
    const QImage rendered = drawStringAsImage(AttributedString(text, attributes), frame);
    setImage(rendered);
    enabled_ = wasEnabled;
    highlighted_ = wasHighlighted;
    drawingView_ = previous;
}

QImage HUDButtonCell::drawStringAsImage(const AttributedString& title, const QRectF& frame) {
    StretchImage canvas(0, 0, int(std::ceil(frame.width())), int(std::ceil(frame.height())));
    QPainter* p = canvas.lockFocusAndClear();
    if (!p) return {};
    bordered_ = true;
    const QRectF area(0, 0, frame.width(), frame.height());
    // Only the bezel goes under the text: no title or older title image.
    const AttributedString keptTitle = std::exchange(title_, AttributedString());
    const QImage keptImage = std::exchange(image_, QImage());
    drawTexturedRoundedButtonInFrame(*p, area, false, false);
    title_ = keptTitle;
    image_ = keptImage;
    QRectF r = area;
    if (bordered_ || showsBorderOnlyWhileMouseInside_) {
        r.translate(0.5, 0);
        r.setWidth(r.width() - 3);
    }
    const QSizeF text = title.size();
    const double height = std::max(0.0, std::min(text.height(), frame.height() - 6));
    QPainterPath shape;
    if (title.length() == 1) {
        shape.addEllipse(
            QRectF(r.center().x() - height / 2, r.center().y() - height / 2, height, height));
    } else {
        const double width = text.width() + height;
        shape.addRoundedRect(
            QRectF(r.center().x() - width / 2, r.center().y() - height / 2, width, height),
            height / 2, height / 2);
    }
    p->fillPath(shape, colorWithContrastWhite(200 / 255.0, 1));
    strokePath(*p, shape, darkStrokeColor(), 1.0);
    QRectF at(r.center().x() - text.width() / 2, r.center().y() - text.height() / 2, text.width(),
              text.height());
    if (title.length() > 1) at.translate(0, 1);
    title.draw(*p, at);
    canvas.unlockFocusAndDraw(false);
    return canvas.nsImage();
}

void HUDButtonCell::drawBezelImage(QPainter& ctx, const QRectF& rect) {
    // Check boxes and radio buttons draw their image as the mark itself.
    if (imagePosition_ == kNoImage || image_.isNull() ||
        (bgButtonType_ & (kHUDCheckBox | kHUDRadioButton)))
        return;
    int op = kCompositeSourceOver;
    const QImage image = imageToDraw(&op);
    drawImage(ctx, image, rect, drawingView(), op);
}
