#include "hud/cells/HUDPopUpButtonCell.h"

#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"
#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/cells/PopUpImage.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// The last frame height drawn and the cell-size height found for it. The
// control size is remembered too: the natural height depends on it.
int32_t sCellHeight = -1;
int32_t sCellSizeHeight = 0;
int sCellControlSize = -1;

constexpr double kArrowColumn = 15;
// Four times the right cap: the stretched image then keeps 38-point ends.
constexpr double kBezelImageWidth = 4 * 38;

}  // namespace

HUDPopUpButtonCell::HUDPopUpButtonCell() {
    bordered_ = true;
    font_ = AttributedString::defaultFont();
}

HUDPopUpButtonCell::~HUDPopUpButtonCell() = default;

std::unique_ptr<HUDPopUpButtonCell> HUDPopUpButtonCell::initWithCoder(const QVariantMap& archive) {
    auto cell = std::make_unique<HUDPopUpButtonCell>();
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) cell->themeKey_ = key.toString();
    return cell;
}

QVariantMap HUDPopUpButtonCell::encodeWithCoder() const {
    QVariantMap archive;
    archive.insert(QStringLiteral("themeKey"), themeKey_);
    return archive;
}

void HUDPopUpButtonCell::setAttributedColor(const QColor& color) {
    if (color == attributedColor_) return;
    attributedColor_ = color;
    if (controlView_) controlView_->update();
}

void HUDPopUpButtonCell::addItem(const QString& title) {
    items_.append(Item{title, true});
    if (selected_ < 0) selected_ = 0;
}

void HUDPopUpButtonCell::addItems(const QStringList& titles) {
    for (const QString& title : titles) addItem(title);
}

void HUDPopUpButtonCell::removeAllItems() {
    items_.clear();
    selected_ = -1;
}

void HUDPopUpButtonCell::setItemEnabled(int index, bool enabled) {
    if (index >= 0 && index < items_.size()) items_[index].enabled = enabled;
}

void HUDPopUpButtonCell::selectItemAtIndex(int index) {
    selected_ = (index >= 0 && index < items_.size()) ? index : -1;
}

QString HUDPopUpButtonCell::title() const {
    if (pullsDown_) return items_.isEmpty() ? QString() : items_.first().title;
    return selected_ >= 0 ? items_.at(selected_).title : QString();
}

QSizeF HUDPopUpButtonCell::cellSize() const {
    TextAttributes attributes;
    attributes.font = font_;
    double width = AttributedString(title(), attributes).size().width() + 5 + 6 + kArrowColumn + 8;
    if (!image_.isNull()) width += image_.deviceIndependentSize().width();
    double height;
    switch (controlSize_) {
        case 1:
            height = 22;
            break;
        case 2:
            height = 15;
            break;
        default:
            height = 26;
            break;
    }
    return {std::ceil(width), height};
}

HUDTheme* HUDPopUpButtonCell::hudTheme() const {
    return theme(this);
}

QWidget* HUDPopUpButtonCell::drawingView() const {
    return drawingView_ ? drawingView_ : controlView_.data();
}

bool HUDPopUpButtonCell::inKeyWindow() const {
    const QWidget* view = drawingView();
    return view && view->window()->isActiveWindow();
}

bool HUDPopUpButtonCell::viewIsTable() const {
    return qobject_cast<QAbstractItemView*>(drawingView()) != nullptr;
}

QRectF HUDPopUpButtonCell::bezelRect(const QRectF& frame) const {
    QRectF r(frame.x() + 0.5, frame.y() + 0.5 - (viewIsTable() ? 2 : 0), frame.width(),
             sCellSizeHeight);
    switch (controlSize_) {
        case 0:
        case 3:
        case 1:
            r.setWidth(r.width() - 3);
            r.translate(0, 1);
            r.setHeight(r.height() - 6);
            break;
        case 2:
            r.setWidth(r.width() - 3);
            r.setHeight(r.height() - 2);
            break;
        default:
            break;
    }
    return r;
}

void HUDPopUpButtonCell::drawWithFrame(QPainter& ctx, const QRectF& cellFrame,
                                       QWidget* controlView) {
    waitIfNeeded(controlView);
    QWidget* const previous = drawingView_;
    drawingView_ = controlView;
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, true);
    ctx.setRenderHint(QPainter::SmoothPixmapTransform, true);

    const QWidget* view = drawingView();
    const bool matrixOrTable = dynamic_cast<const HUDCellMatrix*>(view) != nullptr || viewIsTable();
    const bool caching = !matrixOrTable && cellFrame.width() >= 40 && cellFrame.height() >= 10;
    const int32_t height = int32_t(cellFrame.height());
    if (height != sCellHeight || controlSize_ != sCellControlSize) {
        sCellHeight = height;
        sCellControlSize = controlSize_;
        sCellSizeHeight = int32_t(cellSize().height());
    }
    const QRectF bezel = bezelRect(cellFrame);

    if (caching) {
        PopUpImage* entry = PopUpImage::imageForCell(this, height);
        if (!entry->backgroundImg) {
            // Painted y-down and drawn y-down, so the shadows need no flipping.
            // One width for every entry, whatever the first pop-up's: wide
            // enough that the stretched image's ends are whole caps, so the
            // arrow column never stretches and narrow pop-ups keep both ends.
            const QRectF canonical(0, 0, kBezelImageWidth, cellFrame.height());
            entry->backgroundImg = std::make_unique<StretchImage>(8, 30, int32_t(kBezelImageWidth),
                                                                  int32_t(cellFrame.height()));
            if (QPainter* p = entry->backgroundImg->lockFocusAndClear()) {
                drawBezel(*p, bezelRect(canonical));
            }
            entry->backgroundImg->unlockFocusAndDraw(false);
        }
        entry->backgroundImg->drawCGImageInFrame(cellFrame, ctx);
    } else {
        drawBezel(ctx, bezel);
    }
    // The arrows depend on the pull-down flag and the highlight, which the
    // shared bezel does not, so they are drawn afresh each time.
    drawArrowsInRect(ctx, bezel);
    drawTitle(ctx, cellFrame, bezel);
    ctx.restore();
    drawingView_ = previous;
}

void HUDPopUpButtonCell::drawBezel(QPainter& ctx, const QRectF& bezel) {
    if (!bordered_) return;
    HUDTheme* t = hudTheme();
    if (backgroundStyle_ == kBackgroundStyleLowered) {
        const QRectF box = integralRect(bezel).adjusted(0, 1, 0, -1);
        HUDTheme::drawTimelineControl(ctx, box, box, 0);
        return;
    }
    QPainterPath path;
    path.addRoundedRect(bezel, 2.0, 2.0);
    const HUDControlSize size =
        controlSize_ == 1 ? HUDSmallControlSize
                          : (controlSize_ == 2 ? HUDMiniControlSize : HUDRegularControlSize);
    HUDTheme::drawControl(ctx, enabled_, size, path, t);
    ctx.save();
    ctx.setClipRect(QRectF(bezel.right() - 15.5, bezel.y(), 15.5, bezel.height()),
                    Qt::IntersectClip);
    HUDTheme::drawDarkerControl(ctx, enabled_, path, t);
    ctx.restore();
}

void HUDPopUpButtonCell::drawArrowsInRect(QPainter& ctx, const QRectF& rect) {
    double column = kArrowColumn;
    if (!bordered_) column = controlSize_ == 1 ? 8 : (controlSize_ == 2 ? 5 : 11);
    const double cx = rect.right() - column / 2;
    const double cy = rect.center().y();
    HUDTheme* t = hudTheme();
    QColor colour;
    if (!enabled_) {
        colour = t->disabledTextColor();
    } else if (highlighted_) {
        colour = inKeyWindow() ? t->selectionTextActiveColor() : t->selectionTextInActiveColor();
    } else {
        colour = t->textColor();
    }
    const bool smallest = controlSize_ == 2;
    QPainterPath arrows;
    if (pullsDown_) {
        const double w = smallest ? 2.5 : 3.5, h = smallest ? 1.5 : 2.5;
        arrows.addPolygon(QPolygonF({{cx - w, cy - h}, {cx + w, cy - h}, {cx, cy + h}}));
    } else {
        const double w = smallest ? 2.0 : 2.5, h = smallest ? 1.5 : 2.0;
        arrows.addPolygon(QPolygonF({{cx - w, cy - h}, {cx + w, cy - h}, {cx, cy - 2 * h - 2}}));
        arrows.closeSubpath();
        arrows.addPolygon(QPolygonF({{cx - w, cy + h}, {cx + w, cy + h}, {cx, cy + 2 * h + 2}}));
    }
    arrows.closeSubpath();
    ctx.save();
    ctx.setRenderHint(QPainter::Antialiasing, true);
    ctx.fillPath(arrows, colour);
    ctx.restore();
}

void HUDPopUpButtonCell::drawTitle(QPainter& ctx, const QRectF& frame, const QRectF& bezel) {
    lastTitleRect_ = QRectF();
    lastTitle_ = AttributedString();
    TextAttributes attributes;
    attributes.font = font_;
    AttributedString text(title(), attributes);
    if (!text.isEmpty()) {
        HUDTheme* t = hudTheme();
        const bool selectedDisabled =
            selected_ >= 0 && !pullsDown_ && !items_.at(selected_).enabled;
        QColor colour;
        if (!enabled_) {
            colour = t->disabledTextColor();
        } else if (selectedDisabled) {
            colour = t->placeholderTextColor();
        } else if (!highlighted_) {
            colour = t->textColor();
        } else {
            colour =
                inKeyWindow() ? t->selectionTextActiveColor() : t->selectionTextInActiveColor();
        }
        if (attributedColor_.isValid()) colour = attributedColor_;
        setColor(text, colour);

        const bool rightAligned = alignment_ & Qt::AlignRight;
        double width = bezel.width() - kArrowColumn - (rightAligned ? 10 : 8);
        QSizeF size = text.size();
        if (size.width() > width) {
            text = shrinkAndTrimToWidth(text, std::max(0.0, width), size);
            size = text.size();
        }
        double x = bezel.x() + 5;
        const bool hasImage = !image_.isNull();
        if (imagePosition_ == kNoImage || imagePosition_ == kImageLeft)
            x += 6 + (hasImage ? image_.deviceIndependentSize().width() : 0);
        if (imagePosition_ == kImageOnly) width = 0;
        const double height = bordered_ ? frame.height() - 2 : frame.height();
        const double y = frame.y() + height / 2 - size.height() / 2 - 1;
        const double shown = std::max(0.0, std::min(size.width(), width));
        if (rightAligned) x += std::max(0.0, width - shown);
        lastTitleRect_ = QRectF(x, y, shown, size.height());
        lastTitle_ = text;
        if (shown > 0) drawInRectEmbossed(text, ctx, lastTitleRect_);
    }
    drawImage(ctx, image_, bezel.adjusted(0, 1, 0, -1), drawingView());
}

void HUDPopUpButtonCell::drawImage(QPainter& ctx, const QImage& image, const QRectF& frame,
                                   QWidget*) {
    QImage shown = image;
    if (!alternateImage_.isNull() &&
        ((showsStateBy_ == 0 && highlightsBy_ == 1 && highlighted_) ||
         (showsStateBy_ == 1 && highlightsBy_ == 3 && state_ == kCellOnState))) {
        shown = alternateImage_;
    }
    if (shown.isNull()) return;
    const QSizeF size = shown.deviceIndependentSize();
    QRectF rect = getCenteredRect(frame, size.width(), size.height());
    switch (imagePosition_) {
        case kNoImage:
        case kImageLeft:
            rect.moveLeft(frame.x() + 6);
            break;
        case kImageOnly:
            rect.moveLeft(frame.x() + (frame.width() - rect.width()) / 2);
            break;
        case kImageRight:
            rect.moveLeft(frame.right() - rect.width() - 8);
            break;
        case kImageBelow:
        case kImageAbove:
        case kImageOverlaps:
            break;
        default:
            rect.moveLeft(frame.x() + 5);
            break;
    }
    ctx.save();
    ctx.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    ctx.setOpacity(ctx.opacity() * (enabled_ ? 1.0 : hudTheme()->disabledAlphaValue()));
    ctx.drawImage(rect, shown);
    ctx.restore();
}
