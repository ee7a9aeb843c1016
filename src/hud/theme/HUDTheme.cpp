#include "hud/theme/HUDTheme.h"

#include "graphics/StretchImage.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"

#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

std::atomic<HUDTheme*> HUDTheme::sharedBGTheme{nullptr};

namespace {
QColor rgb(double r, double g, double b, double a = 1.0) {
    return QColor::fromRgbF(r, g, b, a);
}
QColor grey(double w, double a = 1.0) {
    return QColor::fromRgbF(w, w, w, a);
}
QColor contrastGrey(int level) {
    return colorWithContrastWhite(level / 255.0, 1.0);
}

HUDGradient contrastGradient(std::initializer_list<int> levels, QList<double> locations) {
    QList<QColor> colors;
    for (int level : levels) colors.append(contrastGrey(level));
    return HUDGradient(colors, locations);
}

HUDGradient fourColor(const double (&c)[4][3], double alpha) {
    QList<QColor> colors;
    for (const auto& v : c) colors.append(rgb(v[0], v[1], v[2], alpha));
    return HUDGradient(colors, {0, 0.5, 0.5, 1});
}
constexpr double kNormalComplex[4][3] = {
    {0.324, 0.331, 0.347}, {0.245, 0.253, 0.269}, {0.206, 0.214, 0.233}, {0.139, 0.147, 0.167}};
constexpr double kPushedComplex[4][3] = {
    {0.524, 0.531, 0.547}, {0.445, 0.453, 0.469}, {0.406, 0.414, 0.433}, {0.339, 0.347, 0.367}};

HUDGradient normalPair(double alpha) {
    return HUDGradient(rgb(0.251, 0.251, 0.255, alpha), grey(0.118, alpha));
}
HUDGradient pushedPair(double alpha) {
    return HUDGradient(rgb(0.451, 0.451, 0.455, alpha), grey(0.318, alpha));
}

// A frame of the given width drawn inside the rectangle.
void frameWithWidth(QPainter& painter, const QRectF& r, double w, const QColor& color) {
    if (r.width() <= 0 || r.height() <= 0) return;
    if (r.width() <= 2 * w || r.height() <= 2 * w) {
        painter.fillRect(r, color);
        return;
    }
    painter.fillRect(QRectF(r.x(), r.y(), r.width(), w), color);
    painter.fillRect(QRectF(r.x(), r.bottom() - w, r.width(), w), color);
    painter.fillRect(QRectF(r.x(), r.y() + w, w, r.height() - 2 * w), color);
    painter.fillRect(QRectF(r.right() - w, r.y() + w, w, r.height() - 2 * w), color);
}

void strokePath(QPainter& painter, const QPainterPath& path, const QColor& color, double width) {
    if (!color.isValid()) return;
    painter.strokePath(path, QPen(color, width));
}
}  // namespace

HUDGradient HUDTheme::fourColorNormal(double alpha) {
    return fourColor(kNormalComplex, alpha);
}
HUDGradient HUDTheme::fourColorPushed(double alpha) {
    return fourColor(kPushedComplex, alpha);
}

HUDGradient HUDTheme::defaultGradient() const {
    return {};
}

HUDGradient HUDTheme::controlGradient() const {
    static const HUDGradient g({grey(77 / 255.0), grey(64 / 255.0), grey(57 / 255.0)}, {0, 0.1, 1});
    return g;
}

HUDGradient HUDTheme::darkControlGradient() const {
    static const HUDGradient g = contrastGradient({76, 50, 43}, {0, 0.25, 1});
    return g;
}

HUDGradient HUDTheme::blackControlGradient() const {
    static const HUDGradient g = contrastGradient({63, 53, 33}, {0, 0.25, 1});
    return g;
}

HUDGradient HUDTheme::gradientWithColor(const QColor& color) const {
    return HUDGradient({blendedColorWithFraction(color, 0.5, contrastGrey(76)),
                        blendedColorWithFraction(color, 0.15, contrastGrey(59)), color},
                       {0, 0.2, 1});
}

QColor HUDTheme::headerFillColor() const {
    return {};
}
QColor HUDTheme::scrollerStroke() const {
    return rgb(0.749, 0.761, 0.788);
}
HUDGradient HUDTheme::scrollerKnobGradient() const {
    return HUDGradient(rgb(0.631, 0.639, 0.655), rgb(0.439, 0.447, 0.471));
}
HUDGradient HUDTheme::scrollerTrackGradient() const {
    return HUDGradient(grey(0.137, 0.75), grey(0.278, 0.75));
}
HUDGradient HUDTheme::scrollerArrowNormalGradient() const {
    return normalPair(scrollerAlphaValue());
}
HUDGradient HUDTheme::scrollerArrowPushedGradient() const {
    return pushedPair(scrollerAlphaValue());
}
double HUDTheme::scrollerAlphaValue() const {
    return 0.5;
}
QColor HUDTheme::sliderTrackColor() const {
    return grey(0.318, alphaValue());
}
HUDShadow HUDTheme::sliderTrackShadow() const {
    return {};
}
QColor HUDTheme::disabledSliderTrackColor() const {
    return grey(0.318, disabledAlphaValue());
}
HUDGradient HUDTheme::knobColor() const {
    return normalPair(1.0);
}
HUDGradient HUDTheme::highlightKnobColor() const {
    return pushedPair(1.0);
}
HUDGradient HUDTheme::disabledKnobColor() const {
    return normalPair(1.0);
}
QColor HUDTheme::textFillColor() const {
    return grey(0.224, 0.95);
}
QColor HUDTheme::selectionHighlightActiveColor() const {
    return grey(1.0 / 3.0);
}
QColor HUDTheme::selectionHighlightInActiveColor() const {
    return grey(1.0 / 3.0);
}
QColor HUDTheme::selectionTextActiveColor() const {
    return grey(1.0);
}
QColor HUDTheme::selectionTextInActiveColor() const {
    return grey(1.0);
}
QColor HUDTheme::placeholderTextColor() const {
    return grey(0.5);
}
HUDGradient HUDTheme::progressTrackGradient() const {
    return HUDGradient(grey(0.125), grey(0.208));
}

QColor HUDTheme::grayCellHighlightColor() const {
    static const QColor c = grey(104 / 255.0);
    return c;
}

QColor HUDTheme::cellHighlightColor() const {
    return rgb(0.549, 0.561, 0.588);
}

QList<QColor> HUDTheme::cellAlternatingRowColors() const {
    static const QList<QColor> colors{tableBackgroundColor(), contrastGrey(54)};
    return colors;
}

QColor HUDTheme::alternatingRowColor(int rowParity) const {
    if (rowParity) {
        static const QColor odd = tableBackgroundColor();
        return odd;
    }
    static const QColor even = contrastGrey(54);
    return even;
}

QColor HUDTheme::emptyTableColor() const {
    static const QColor c = contrastGrey(42);
    return c;
}

QColor HUDTheme::rowOutlineColor() const {
    static const QColor c = contrastGrey(90);
    return c;
}

QColor HUDTheme::cellSelectedTextColor() const {
    return grey(0.0);
}
QColor HUDTheme::cellEditingFillColor() const {
    return grey(0.141, alphaValue());
}
QColor HUDTheme::tableBackgroundColor() const {
    return rgb(0, 0, 0, 0);
}
QColor HUDTheme::tableHeaderCellBorderColor() const {
    return rgb(0.349, 0.361, 0.388);
}
HUDGradient HUDTheme::tableHeaderCellNormalFill() const {
    return normalPair(1.0);
}
HUDGradient HUDTheme::tableHeaderCellPushedFill() const {
    return pushedPair(1.0);
}
HUDGradient HUDTheme::tableHeaderCellSelectedFill() const {
    return HUDGradient(rgb(0.651, 0.651, 0.655), grey(0.518));
}
HUDGradient HUDTheme::normalGradient() const {
    return normalPair(alphaValue());
}
HUDGradient HUDTheme::disabledNormalGradient() const {
    return normalPair(disabledAlphaValue());
}
HUDGradient HUDTheme::pushedGradient() const {
    return pushedPair(alphaValue());
}
HUDGradient HUDTheme::pressureGradient() const {
    return pushedGradient();
}
HUDGradient HUDTheme::highlightGradient() const {
    return pushedPair(alphaValue());
}
HUDGradient HUDTheme::normalComplexGradient() const {
    return fourColorNormal(alphaValue());
}
HUDGradient HUDTheme::disabledNormalComplexGradient() const {
    return fourColorNormal(disabledAlphaValue());
}
HUDGradient HUDTheme::pushedComplexGradient() const {
    return fourColorPushed(alphaValue());
}
HUDGradient HUDTheme::highlightComplexGradient() const {
    return fourColorPushed(alphaValue());
}
QColor HUDTheme::normalSolidFill() const {
    return grey(0.141, alphaValue());
}
QColor HUDTheme::disabledNormalSolidFill() const {
    return grey(0.141, disabledAlphaValue());
}
QColor HUDTheme::pushedSolidFill() const {
    return grey(0.941, alphaValue());
}
QColor HUDTheme::highlightSolidFill() const {
    return grey(0.941, alphaValue());
}
QColor HUDTheme::strokeColor() const {
    return rgb(0.749, 0.761, 0.788);
}
QColor HUDTheme::disabledStrokeColor() const {
    return rgb(0.749, 0.761, 0.788, disabledAlphaValue());
}
QColor HUDTheme::darkStrokeColor() const {
    return grey(0.149);
}
QColor HUDTheme::darkerStrokeColor() const {
    const double v = 20 / 255.0;
    return rgb(v, v, v, v);
}
QColor HUDTheme::textColor() const {
    return grey(1.0);
}
QColor HUDTheme::disabledTextColor() const {
    return grey(1.0, disabledAlphaValue());
}
HUDShadow HUDTheme::miniDropShadow() const {
    return HUDShadow(Qt::black, {0, -1}, 2);
}
HUDShadow HUDTheme::dropShadow() const {
    return HUDShadow(Qt::black, {0, -1}, 2);
}
HUDShadow HUDTheme::darkerShadow() const {
    return {};
}
double HUDTheme::alphaValue() const {
    return 0.6;
}
double HUDTheme::disabledAlphaValue() const {
    return 0.2;
}
HUDShadow HUDTheme::focusRing() const {
    return HUDShadow(Qt::white, {0, 0}, 3);
}
QColor HUDTheme::boxFillColor() const {
    return {};
}

void HUDTheme::setDefaultTheme(HUDTheme* theme) {
    sharedBGTheme = theme;
}

HUDTheme* theme(const HUDThemeKeyProtocol* object) {
    if (HUDTheme* shared = HUDTheme::sharedBGTheme.load()) return shared;
    const QString key = object ? object->themeKey() : QString(kHUDGradientThemeKey);
    return HUDThemeManager::keyedManager()->themeForKey(key);
}

namespace {
struct BandArea {
    QRectF area;
    bool flipped;
};
BandArea bandArea(const QRectF& rect, const QWidget* view) {
    if (view) return {QRectF(view->rect()), true};
    return {rect, false};
}
}  // namespace

void HUDTheme::drawDefaultGradient(QPainter& painter, const QRectF& rect, const QWidget* view) {
    const auto [area, flipped] = bandArea(rect, view);
    const HUDTheme* gradientTheme =
        HUDThemeManager::keyedManager()->themeForKey(kHUDGradientThemeKey);
    QRectF band = area;
    if (area.height() > 20) {
        QRectF rest;
        if (flipped) {
            band = QRectF(area.x(), area.y(), area.width(), 20);
            rest = QRectF(area.x(), area.y() + 20, area.width(), area.height() - 20);
        } else {
            band = QRectF(area.x(), area.bottom() - 20, area.width(), 20);
            rest = QRectF(area.x(), area.y(), area.width(), area.height() - 20);
        }
        rest = rest.intersected(rect);
        const QColor fill = gradientTheme->headerFillColor();
        if (!rest.isEmpty() && fill.isValid()) painter.fillRect(rest, fill);
    }
    if (band.intersects(rect))
        gradientTheme->defaultGradient().drawInRect(painter, band, flipped ? 90 : 270);
    frameWithWidth(painter, area, 1.0, gradientTheme->darkStrokeColor());
}

void HUDTheme::drawGradient(QPainter& painter, const HUDGradient& gradient, const QRectF& rect,
                            const QSizeF& cornerSize, const QWidget* view) {
    const auto [area, flipped] = bandArea(rect, view);
    const double ch = cornerSize.height();
    QRectF band = area;
    if (area.height() > ch) {
        QRectF rest;
        if (flipped) {
            band = QRectF(area.x(), area.y(), area.width(), 20);
            rest = QRectF(area.x(), area.y() + 20 - ch, area.width(), area.height() - 20 + ch);
        } else {
            band = QRectF(area.x(), area.bottom() - 20, area.width(), 20);
            rest = QRectF(area.x(), area.y(), area.width(), area.height() - 20 + ch);
        }
        rest = rest.intersected(rect);
        // The fill reaches under the band by the corner height to square off
        // the band's lower corners.
        if (!rest.isEmpty() && !gradient.isNull())
            painter.fillRect(rest, gradient.interpolatedColorAtLocation(1.0));
    }
    if (band.intersects(rect)) {
        QPainterPath path;
        path.addRoundedRect(band, cornerSize.width(), ch);
        gradient.drawInBezierPath(painter, path, flipped ? 90 : 270);
    }
}

namespace {
void drawBezel(QPainter& painter, bool enabled, const QPainterPath& path, const HUDTheme* theme,
               const HUDShadow& shadow, const HUDGradient& enabledFill,
               const QColor& enabledStroke) {
    if (!shadow.isNull()) {
        painter.save();
        const QColor stroke = theme->darkStrokeColor();
        shadow.paint(painter, path.boundingRect().adjusted(-1, -1, 1, 1),
                     [&](QPainter& p) { strokePath(p, path, stroke, 1); });
        strokePath(painter, path, stroke, 1);
        painter.restore();
    }
    if (enabled) {
        enabledFill.drawInBezierPath(painter, path, 90);
        strokePath(painter, path, enabledStroke, 1);
    } else {
        theme->disabledNormalGradient().drawInBezierPath(painter, path, 90);
        strokePath(painter, path, theme->disabledStrokeColor(), 1);
    }
}
}  // namespace

void HUDTheme::drawControl(QPainter& painter, bool enabled, HUDControlSize size,
                           const QPainterPath& path, const HUDTheme* theme) {
    if (!theme) return;
    const HUDShadow shadow =
        size == HUDMiniControlSize ? theme->miniDropShadow() : theme->dropShadow();
    drawBezel(painter, enabled, path, theme, shadow, theme->controlGradient(),
              theme->darkStrokeColor());
}

void HUDTheme::drawDarkerControl(QPainter& painter, bool enabled, const QPainterPath& path,
                                 const HUDTheme* theme) {
    if (!theme) return;
    drawBezel(painter, enabled, path, theme, {}, theme->blackControlGradient(),
              theme->darkerStrokeColor());
}

void HUDTheme::drawMiniControl(QPainter& painter, bool enabled, const QPainterPath& path,
                               const HUDTheme* theme) {
    if (!theme) return;
    drawBezel(painter, enabled, path, theme, {}, theme->controlGradient(),
              theme->darkStrokeColor());
}

void HUDTheme::drawInsetBoxInRect(QPainter& painter, const QRectF& rect, bool flipped) {
    drawInsetBoxInRect(painter, rect, flipped, QColor(), false, true);
}

void HUDTheme::drawInsetBoxInRect(QPainter& painter, const QRectF& rect, bool flipped,
                                  const QColor& backgroundColor, bool squareBottom,
                                  bool drawShadow) {
    const bool hasBackground = backgroundColor.isValid();
    const QColor fill = hasBackground ? backgroundColor : ::normalSolidFill();
    const double dx = drawShadow ? 1.5 : 0.5;
    const QRectF box = rect.adjusted(dx, 0.5, -dx, -0.5);
    constexpr double r = 4;

    QPainterPath path;
    if (!squareBottom) {
        path.addRoundedRect(box, r, r);
    } else if (flipped) {
        path.moveTo(box.left(), box.bottom());
        path.lineTo(box.right(), box.bottom());
        path.lineTo(box.right(), box.top() + r);
        path.arcTo(QRectF(box.right() - 2 * r, box.top(), 2 * r, 2 * r), 0, 90);
        path.lineTo(box.left() + r, box.top());
        path.arcTo(QRectF(box.left(), box.top(), 2 * r, 2 * r), 90, 90);
        path.closeSubpath();
    } else {
        path.moveTo(box.left(), box.top());
        path.lineTo(box.right(), box.top());
        path.lineTo(box.right(), box.bottom() - r);
        path.arcTo(QRectF(box.right() - 2 * r, box.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
        path.lineTo(box.left() + r, box.bottom());
        path.arcTo(QRectF(box.left(), box.bottom() - 2 * r, 2 * r, 2 * r), -90, -90);
        path.closeSubpath();
    }

    painter.save();
    if (drawShadow) {
        static const QColor plainShadow = contrastGrey(100);
        static const QColor colouredShadow = contrastGrey(62);
        // The light edge falls down and right on screen, the sunken look,
        // whichever way the user space runs.
        const HUDShadow shadow(hasBackground ? colouredShadow : plainShadow, {2, -2}, 0);
        shadow.paint(painter, box, [&](QPainter& p) { p.fillPath(path, fill); });
    }
    painter.fillPath(path, fill);
    painter.restore();
    strokePath(painter, path, ::darkStrokeColor(), 1);

    if (drawShadow) {
        const QColor line = contrastGrey(hasBackground ? 50 : 62);
        // Heights follow the box's maximum Y, which suits boxes drawn over a
        // view's own bounds; the lines are kept inside the rect.
        const QRectF left(rect.x(), rect.y() + 4, 0.1, rect.bottom() - 10);
        const QRectF right(rect.right() - 1, rect.y() + 4, 0.1, rect.bottom() - 12);
        frameWithWidth(painter, left.intersected(rect), 1.0, line);
        frameWithWidth(painter, right.intersected(rect), 1.0, line);
    }
}

namespace {
// Made for the first entry box of ordinary size; later boxes stretch it.
std::atomic<StretchImage*> gTimelineImage{nullptr};

void drawTimelineBox(QPainter& painter, const QRectF& box) {
    const HUDThemeKelo* app = HUDThemeKelo::instance();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath outer;
    outer.addRoundedRect(box, 2, 2);
    painter.fillPath(outer, ::textFillColor());
    strokePath(painter, outer, app->selectionHighlightActiveColor(), 0.5);
    painter.save();
    const QRectF strip = QRectF(0.5, box.y() + 0.5, box.width(), 0.5).adjusted(2.5, 0, -2.5, 0);
    QPainterPath line;
    line.addRoundedRect(strip, 2, 2);
    strokePath(painter, line, app->darkerStrokeColor(), 0.3);
    painter.restore();
    strokePath(painter, outer, app->rowOutlineColor(), 0.5);
    painter.restore();
}

StretchImage* makeTimelineImage(const QRectF& subRect) {
    auto* image = new StretchImage(8, 8, int(subRect.width() + 2), int(subRect.height() + 4));
    QPainter* p = image->lockFocusAndClear();
    if (p) {
        // Drawn bottom-up, so the dark inner line sits at the bottom of the box.
        image->flipContext();
        HUDThemeKelo::setFlipShadow(true);
        drawTimelineBox(*p, QRectF(0.5, 2, image->width() - 1, image->height() - 4));
        HUDThemeKelo::setFlipShadow(false);
    }
    image->unlockFocusAndDraw(false);
    return image;
}
}  // namespace

void HUDTheme::drawTimelineControl(QPainter& painter, const QRectF& frame, const QRectF& subRect,
                                   quint32 options) {
    const bool small = subRect.width() < 18 || subRect.height() < 10;
    StretchImage* image = gTimelineImage.load();
    if (!small && !image) {
        image = makeTimelineImage(subRect);
        gTimelineImage = image;
    }
    if (small && (options == 0 || !image)) {
        drawTimelineBox(painter, QRectF(0.5, subRect.y(), subRect.width() - 1, subRect.height()));
        return;
    }
    image->drawCGImageInFrameOptionFlags(frame.adjusted(0, -2, 0, 2), int32_t(options), painter);
}

bool HUDTheme::hasTimelineControlImage() {
    return gTimelineImage.load() != nullptr;
}

void HUDTheme::drawUnderline(QPainter& painter, const QRectF& rect, const QRectF& dirtyRect) {
    const QRectF line =
        QRectF(rect.x(), rect.height() - 0.3, rect.width(), 0.3).intersected(dirtyRect);
    if (line.width() == 0) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    frameWithWidth(painter, line, 0.3, HUDThemeKelo::instance()->rowOutlineColor());
    painter.restore();
}

void HUDTheme::frameRect(QPainter& painter, const QRectF& rect, quint32 edges, bool isFlipped,
                         double strokeWidth, const QColor& color) {
    if (rect.width() == 0) return;
    const double w = strokeWidth;
    const double lowY = rect.y();
    const double highY = rect.bottom() - w;
    if (edges & HUDFrameLeftEdge)
        frameWithWidth(painter, QRectF(rect.x(), rect.y(), w, rect.height()), w, color);
    if (edges & HUDFrameRightEdge)
        frameWithWidth(painter, QRectF(rect.right() - w, rect.y(), w, rect.height()), w, color);
    if (edges & HUDFrameBottomEdge)
        frameWithWidth(painter, QRectF(rect.x(), isFlipped ? highY : lowY, rect.width(), w), w,
                       color);
    if (edges & HUDFrameTopEdge)
        frameWithWidth(painter, QRectF(rect.x(), isFlipped ? lowY : highY, rect.width(), w), w,
                       color);
}

void HUDTheme::setupFieldEditorColors(const HUDTheme* theme, QWidget* editor, const QWidget* window,
                                      const HUDThemeKeyProtocol* object) {
    if (!theme || !editor || !object) return;
    auto* lineEdit = qobject_cast<QLineEdit*>(editor);
    auto* textEdit = qobject_cast<QTextEdit*>(editor);
    auto* plainEdit = qobject_cast<QPlainTextEdit*>(editor);
    if (!lineEdit && !textEdit && !plainEdit) return;

    if (textEdit) textEdit->document()->setDocumentMargin(2);
    if (plainEdit) plainEdit->document()->setDocumentMargin(2);

    const bool key = window && window->isActiveWindow();
    const QColor highlight =
        key ? theme->selectionHighlightActiveColor() : theme->selectionHighlightInActiveColor();
    const QColor highlightedText =
        key ? theme->selectionTextActiveColor() : theme->selectionTextInActiveColor();

    QPalette palette = editor->palette();
    const QPalette before = palette;
    // The caret is drawn in the text colour.
    palette.setColor(QPalette::Text, theme->textColor());
    palette.setColor(QPalette::Base, theme->cellEditingFillColor());
    if (highlight.isValid()) palette.setColor(QPalette::Highlight, highlight);
    if (highlightedText.isValid()) palette.setColor(QPalette::HighlightedText, highlightedText);
    if (palette != before) editor->setPalette(palette);
    editor->setAutoFillBackground(true);
}
