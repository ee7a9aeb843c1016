#include "hud/views/HUDBox.h"

#include "hud/theme/HUDShadow.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KeloPilotColorCategory.h"

#include "foundation/VNSStringUtilCategory.h"
#include "platform/AttributedString.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The light edge below and right of the sunken box.
const HUDShadow& embossingShadow() {
    static const HUDShadow* shadow =
        new HUDShadow(QColor::fromRgbF(97 / 255.0, 97 / 255.0, 97 / 255.0, 1.0), QPointF(2, -2), 0);
    return *shadow;
}

const char* const kFlagKeys[] = {"flipGradient",     "drawTopBorder",   "drawBottomBorder",
                                 "drawLeftBorder",   "drawRightBorder", "drawTopShadow",
                                 "drawBottomShadow", "drawLeftShadow",  "drawRightShadow"};

}  // namespace

HUDBox::HUDBox(QWidget* parent)
    : QWidget(parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {
    const HUDTheme* t = theme(this);
    borderColor_ = t->darkStrokeColor();
    shadowColor_ = QColor(0, 0, 0);
    color1_ = t->normalSolidFill();
    color2_ = t->normalSolidFill();
    titleFont_ = AttributedString::defaultFont();
    titleFont_.setPixelSize(11);
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
}

HUDBox::~HUDBox() = default;

std::unique_ptr<HUDBox> HUDBox::initWithCoder(const QVariantMap& archive, QWidget* parent) {
    auto box = std::make_unique<HUDBox>(parent);
    bool* flags[] = {&box->flipGradient_,     &box->drawTopBorder_,   &box->drawBottomBorder_,
                     &box->drawLeftBorder_,   &box->drawRightBorder_, &box->drawTopShadow_,
                     &box->drawBottomShadow_, &box->drawLeftShadow_,  &box->drawRightShadow_};
    for (size_t i = 0; i < std::size(kFlagKeys); ++i) {
        const QVariant v = archive.value(QString::fromLatin1(kFlagKeys[i]));
        if (v.isValid()) *flags[i] = v.toBool();
    }
    auto colour = [&](const char* key, QColor* slot) {
        const QVariant v = archive.value(QString::fromLatin1(key));
        if (v.canConvert<QColor>() && v.value<QColor>().isValid()) *slot = v.value<QColor>();
    };
    colour("borderColor", &box->borderColor_);
    box->shadowColor_ = theme(box.get())->normalSolidFill();
    colour("shadowColor", &box->shadowColor_);
    colour("color1", &box->color1_);
    colour("color2", &box->color2_);
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) box->themeKey_ = key.toString();
    box->useTheme_ = true;
    return box;
}

QVariantMap HUDBox::encodeWithCoder() const {
    QVariantMap archive;
    const bool flags[] = {flipGradient_,     drawTopBorder_,   drawBottomBorder_,
                          drawLeftBorder_,   drawRightBorder_, drawTopShadow_,
                          drawBottomShadow_, drawLeftShadow_,  drawRightShadow_};
    for (size_t i = 0; i < std::size(kFlagKeys); ++i)
        archive.insert(QString::fromLatin1(kFlagKeys[i]), flags[i]);
    archive.insert(QStringLiteral("borderColor"), borderColor_);
    archive.insert(QStringLiteral("shadowColor"), shadowColor_);
    archive.insert(QStringLiteral("color1"), color1_);
    archive.insert(QStringLiteral("color2"), color2_);
    archive.insert(QStringLiteral("themeKey"), themeKey_);
    archive.insert(QStringLiteral("useTheme"), useTheme_);
    return archive;
}

void HUDBox::setTitle(const QString& title) {
    title_ = title;
    update();
}

void HUDBox::setTitlePosition(int position) {
    titlePosition_ = position;
    backgroundImg_.reset();
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
    update();
}

void HUDBox::setTitleFont(const QFont& font) {
    titleFont_ = font;
    update();
}

QRectF HUDBox::titleRect() const {
    const double lineHeight = std::ceil(QFontMetricsF(titleFont_).height());
    const double y = titlePosition_ >= kAboveBottom ? height() - lineHeight : 0;
    return QRectF(6, y, std::max(0, width() - 12), lineHeight);
}

QColor HUDBox::roundedFill() const {
    const auto* themed = qobject_cast<const HUDThemeKeloWindow*>(window());
    return themed && themed->isPanel() ? darkerStrokeColor() : boxFillColor();
}

void HUDBox::drawRoundedBox(QPainter& painter, const QRectF& rect, const QColor& fill) const {
    QPainterPath path;
    path.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    painter.save();
    embossingShadow().paint(painter, rect.adjusted(-1, -1, 1, 1),
                            [&](QPainter& p) { p.fillPath(path, fill); });
    painter.fillPath(path, fill);
    painter.restore();
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(theme(this)->darkStrokeColor(), 1));
    painter.drawPath(path);
    painter.restore();
}

void HUDBox::paintEvent(QPaintEvent* event) {
    waitIfNeeded(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawRect(painter, QRectF(event->rect()));
}

void HUDBox::drawRect(QPainter& painter, const QRectF& dirtyRect) {
    const HUDTheme* t = theme(this);
    const QRectF bounds(rect());
    QRectF r = bounds;
    if (titlePosition_ == kAtTop || titlePosition_ == kBelowTop)
        r = QRectF(bounds.x() + 2, bounds.y() + 15, bounds.width() - 2, bounds.height() - 16);

    if (titlePosition_ == kBelowTop) {
        drawRoundedBox(painter, r, roundedFill());
    } else if (titlePosition_ != kAtTop) {
        painter.fillRect(r, t->boxFillColor());
    } else {
        if (backgroundImg_ && (backgroundImg_->width() != bounds.width() ||
                               backgroundImg_->height() != bounds.height()))
            backgroundImg_.reset();
        if (!backgroundImg_) {
            backgroundImg_ =
                std::make_unique<StretchImage>(0, 0, int(bounds.width()), int(bounds.height()));
            if (QPainter* p = backgroundImg_->lockFocusAndClear()) {
                p->fillRect(bounds, t->normalSolidFill());
                drawRoundedBox(*p, r, roundedFill());
            }
            backgroundImg_->unlockFocusAndDraw(false);
        }
        if (dirtyRect == bounds) {
            backgroundImg_->drawCGImageInFrame(bounds, painter);
        } else {
            // The image is opaque, so copying the part equals compositing it in.
            painter.save();
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(dirtyRect, backgroundImg_->nsImage(), dirtyRect);
            painter.restore();
        }
    }

    if (titlePosition_ == kNoTitle || title_.isEmpty()) return;
    TextAttributes attributes;
    attributes.foreground = t->textColor();
    attributes.font = titleFont_;
    QRectF titleFrame = titleRect();
    const double needed = ::heightForWidth(title_, titleFrame.width(), attributes);
    if (needed > titleFrame.height()) {
        titleFrame.setHeight(needed);
        if (titleFrame.bottom() > bounds.height())
            titleFrame.translate(0, bounds.height() - titleFrame.bottom());
    }
    if (titlePosition_ == kBelowTop) titleFrame.translate(0, 4);
    AttributedString(title_, attributes).draw(painter, titleFrame);
}
