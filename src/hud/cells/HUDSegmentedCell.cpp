#include "hud/cells/HUDSegmentedCell.h"

#include "hud/theme/HUDTheme.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/cells/SegCellImage.h"

#include "foundation/VNSStringUtilCategory.h"
#include "graphics/ImageGeometry.h"
#include "platform/AttributedString.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kCellHeight = 24;

HUDControlSize hudControlSize(int controlSize) {
    switch (controlSize) {
        case 1:
            return HUDSmallControlSize;
        case 2:
            return HUDMiniControlSize;
        default:
            return HUDRegularControlSize;
    }
}

// Two shapes that overlap fill as one.
QPainterPath windingPath() {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    return path;
}

}  // namespace

HUDSegmentedCell::HUDSegmentedCell() = default;

std::unique_ptr<HUDSegmentedCell> HUDSegmentedCell::initWithCoder(const QVariantMap& archive) {
    auto cell = std::make_unique<HUDSegmentedCell>();
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) cell->themeKey_ = key.toString();
    return cell;
}

QVariantMap HUDSegmentedCell::encodeWithCoder() const {
    QVariantMap archive;
    archive.insert(QStringLiteral("themeKey"), themeKey_);
    return archive;
}

void HUDSegmentedCell::setSegmentTextColors(const std::optional<QList<QColor>>& colors) {
    segmentTextColors_ = colors;
    if (controlView_) controlView_->update();
}

void HUDSegmentedCell::setSegmentStyle(int style) {
    if (style == kSegmentStyleRounded || style == kSegmentStyleSmallSquare) segmentStyle_ = style;
}

void HUDSegmentedCell::setSegmentCount(int count) {
    segments_.resize(std::max(0, count));
    if (selectedSegment_ >= segmentCount()) selectedSegment_ = -1;
}

QString HUDSegmentedCell::labelForSegment(int segment) const {
    return segment >= 0 && segment < segmentCount() ? segments_[segment].label : QString();
}

void HUDSegmentedCell::setLabel(const QString& label, int segment) {
    if (segment >= 0 && segment < segmentCount()) segments_[segment].label = label;
}

QImage HUDSegmentedCell::imageForSegment(int segment) const {
    return segment >= 0 && segment < segmentCount() ? segments_[segment].image : QImage();
}

void HUDSegmentedCell::setImage(const QImage& image, int segment) {
    if (segment >= 0 && segment < segmentCount()) segments_[segment].image = image;
}

int HUDSegmentedCell::imageScalingForSegment(int segment) const {
    return segment >= 0 && segment < segmentCount() ? segments_[segment].imageScaling : 0;
}

void HUDSegmentedCell::setImageScaling(int scaling, int segment) {
    if (segment >= 0 && segment < segmentCount()) segments_[segment].imageScaling = scaling;
}

double HUDSegmentedCell::widthForSegment(int segment) const {
    return segment >= 0 && segment < segmentCount() ? segments_[segment].width : 0;
}

void HUDSegmentedCell::setWidth(double width, int segment) {
    if (segment >= 0 && segment < segmentCount()) segments_[segment].width = std::max(0.0, width);
}

bool HUDSegmentedCell::isEnabledForSegment(int segment) const {
    return segment >= 0 && segment < segmentCount() && segments_[segment].enabled;
}

void HUDSegmentedCell::setEnabled(bool enabled, int segment) {
    if (segment >= 0 && segment < segmentCount()) segments_[segment].enabled = enabled;
}

void HUDSegmentedCell::setSelectedSegment(int segment) {
    selectedSegment_ = segment >= 0 && segment < segmentCount() ? segment : -1;
}

QSizeF HUDSegmentedCell::cellSize() const {
    const QFontMetricsF metrics(font());
    double fixed = 0, shared = 0;
    int sharing = 0;
    for (const Segment& s : segments_) {
        if (s.width > 0) {
            fixed += s.width;
            continue;
        }
        ++sharing;
        double natural = s.label.isEmpty() ? 0 : std::ceil(metrics.horizontalAdvance(s.label));
        if (!s.image.isNull()) natural += s.image.width() + (natural > 0 ? 5 : 0);
        shared = std::max(shared, natural + 16);
    }
    // The outline sits 1.5 points inside each side and 2.5 above the bottom.
    return QSizeF(std::ceil(fixed + sharing * shared) + 3, kCellHeight);
}

QRectF HUDSegmentedCell::fittedFrame(const QRectF& frame) const {
    // Segments of fixed widths end where their widths end: the rest of a
    // wider control stays empty rather than widening the last one.
    const bool allFixed = std::all_of(segments_.begin(), segments_.end(),
                                      [](const Segment& s) { return s.width > 0; });
    if (!allFixed || segments_.isEmpty()) return frame;
    QRectF fitted = frame;
    fitted.setWidth(std::min(frame.width(), cellSize().width()));
    return fitted;
}

QRectF HUDSegmentedCell::rectForSegment(int segment, const QRectF& frame) const {
    if (segment < 0 || segment >= segmentCount()) return {};
    double fixed = 0;
    int shared = 0;
    for (const Segment& s : segments_) {
        fixed += s.width;
        if (s.width == 0) ++shared;
    }
    const double sharedWidth = shared ? std::max(0.0, (frame.width() - fixed) / shared) : 0;
    double x = frame.x();
    for (int i = 0; i < segment; ++i)
        x += segments_[i].width > 0 ? segments_[i].width : sharedWidth;
    const double w = segments_[segment].width > 0 ? segments_[segment].width : sharedWidth;
    return QRectF(x, frame.y(), w, frame.height());
}

int HUDSegmentedCell::segmentAtPoint(const QPointF& point, const QRectF& frame) const {
    for (int i = 0; i < segmentCount(); ++i) {
        const QRectF r = rectForSegment(i, frame);
        if (point.x() >= r.left() && point.x() < r.right() && point.y() >= r.top() &&
            point.y() < r.bottom())
            return i;
    }
    return -1;
}

bool HUDSegmentedCell::hasText() const {
    return std::any_of(segments_.begin(), segments_.end(),
                       [](const Segment& s) { return !s.label.isEmpty(); });
}

QFont HUDSegmentedCell::font() const {
    QFont f = AttributedString::defaultFont();
    f.setPixelSize(controlSize_ == 1 ? 11 : controlSize_ == 2 ? 9 : 13);
    return f;
}

HUDTheme* HUDSegmentedCell::keyedTheme() const {
    return HUDThemeManager::keyedManager()->themeForKey(themeKey_);
}

QColor HUDSegmentedCell::labelColor(int segment) const {
    if (selectedTextColor_.isValid() && segment == selectedSegment_) return selectedTextColor_;
    if (segmentTextColors_ && segment >= 0 && segment < segmentTextColors_->size())
        return segmentTextColors_->at(segment);
    return keyedTheme()->textColor();
}

void HUDSegmentedCell::drawWithFrame(QPainter& ctx, const QRectF& wholeFrame,
                                     QWidget* controlView) {
    const QRectF cellFrame = fittedFrame(wholeFrame);
    const bool cache = cellFrame.width() >= 16 && cellFrame.height() >= 10;
    SegCellImage* entry = nullptr;
    bool render = true;
    if (cache) {
        entry = SegCellImage::imageForCell(this, -1, cellFrame);
        if (!entry) return;
        if (entry->img && entry->img->width() <= cellFrame.width() &&
            entry->img->height() <= cellFrame.height()) {
            render = false;
        } else {
            entry->img.reset();
        }
    }
    const QRectF frame = cellFrame.adjusted(1.5, 0.5, -1.5, -2.5);
    if (render) {
        QPainterPath outline;
        if (segmentStyle_ == kSegmentStyleRounded) {
            outline.addRoundedRect(frame, 4, 4);
        } else {
            outline.addRect(frame);
        }
        const HUDControlSize size = hudControlSize(controlSize_);
        if (cache) {
            // Painted y-down like the view itself, so the shadows need no flipping.
            entry->img = std::make_unique<StretchImage>(8, 8, int(cellFrame.width()),
                                                        int(cellFrame.height()));
            if (QPainter* p = entry->img->lockFocusAndClear()) {
                p->translate(-cellFrame.topLeft());
                HUDTheme::drawControl(*p, enabled_, size, outline, theme(this));
            }
            entry->img->unlockFocusAndDraw(false);
        } else {
            HUDTheme::drawControl(ctx, enabled_, size, outline, theme(this));
        }
    }
    // Back into the frame it was rendered for, so that the cached outline
    // lies exactly where a direct draw puts it.
    if (cache) entry->img->drawCGImageInFrame(cellFrame, ctx);
    for (int i = 0; i < segmentCount(); ++i) drawSegment(ctx, i, frame, controlView);
}

void HUDSegmentedCell::drawSegment(QPainter& ctx, int segment, const QRectF& frame,
                                   QWidget* controlView) {
    Q_UNUSED(controlView);
    const QRectF rect = rectForSegment(segment, frame);
    if (rect.isNull()) return;
    const QRectF whole = integralRect(rect);
    const bool small = whole.width() < 16 || whole.height() < 10;
    const bool direct = small || (selectedBgColor_.isValid() && segment == selectedSegment_);
    if (direct) {
        renderSegment(ctx, segment, rect, frame, QPointF(0, 0));
    } else {
        SegCellImage* entry = SegCellImage::imageForCell(this, segment, whole);
        if (!entry) return;
        if (!entry->img || entry->img->width() > whole.width() ||
            entry->img->height() > whole.height()) {
            entry->img =
                std::make_unique<StretchImage>(8, 8, int(whole.width()), int(whole.height()));
            if (QPainter* p = entry->img->lockFocusAndClear())
                renderSegment(*p, segment, rect, frame, -whole.topLeft());
            entry->img->unlockFocusAndDraw(false);
        }
        entry->img->drawCGImageInFrame(whole, ctx);
    }
    drawInteriorForSegment(ctx, segment, rect);
}

void HUDSegmentedCell::renderSegment(QPainter& ctx, int segment, const QRectF& rect,
                                     const QRectF& frame, const QPointF& shift) {
    HUDTheme* t = keyedTheme();
    const bool last = segment == segmentCount() - 1;
    ctx.save();
    ctx.translate(shift);
    if (segment == selectedSegment_) {
        QRectF s = rect;
        QPainterPath path = windingPath();
        if (segmentStyle_ == kSegmentStyleRounded && segment == 0) {
            path.addRoundedRect(s, 4, 4);
            path.addRect(QRectF(s.x() + 4, s.y(), s.width() - 4, s.height()));
        } else if (segmentStyle_ == kSegmentStyleRounded && last) {
            const double edge = std::trunc(frame.right());
            if (s.right() > edge) s.setRight(edge);
            path.addRoundedRect(s, 4, 4);
            path.addRect(QRectF(s.x(), s.y(), s.width() - 4, s.height()));
        } else {
            if (segmentStyle_ != kSegmentStyleRounded && last && !hasText())
                s.setWidth(s.width() - 3);
            path.addRect(s);
        }
        t->pushedGradient().drawInBezierPath(ctx, path, 90);
        if (selectedBgColor_.isValid()) ctx.fillPath(path, selectedBgColor_);
    }
    if (!last) {
        ctx.setPen(QPen(t->darkerStrokeColor(), 1));
        ctx.drawLine(QPointF(rect.right(), rect.top()), QPointF(rect.right(), rect.bottom()));
    }
    ctx.restore();
}

void HUDSegmentedCell::drawInteriorForSegment(QPainter& ctx, int segment, const QRectF& frame) {
    const QString label = labelForSegment(segment);
    TextAttributes attributes;
    attributes.font = font();
    attributes.foreground = labelColor(segment);
    AttributedString text(label, attributes);
    if (!enabled_ && !label.isEmpty()) setColor(text, dimTextColor());
    const QSizeF labelSize = label.isEmpty() ? QSizeF(0, 0) : text.size();
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();

    QImage image = imageForSegment(segment);
    if (image.isNull()) {
        if (label.isEmpty()) return;
        const double lx = std::max(3.0, x + w / 2 - labelSize.width() / 2);
        text.draw(ctx, QRectF(QPointF(lx, y + h / 2 - labelSize.height() / 2), labelSize));
        return;
    }

    QSizeF imageSize = image.size();
    if (imageScalingForSegment(segment) == 0 && imageSize.height() > 0) {
        const double height = std::max(0.0, h - 4);
        imageSize = QSizeF(imageSize.width() * height / imageSize.height(), height);
    }
    QRectF imageRect(QPointF(0, y + h / 2 - imageSize.height() / 2), imageSize);
    if (!label.isEmpty()) {
        imageRect.moveLeft(x + w / 2 - (labelSize.width() + imageSize.width() + 5) / 2);
    } else {
        imageRect.moveLeft(x + w / 2 - imageSize.width() / 2);
    }
    ctx.save();
    ctx.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    ctx.setOpacity(keyedTheme()->alphaValue());
    ctx.drawImage(imageRect, image);
    ctx.restore();
    if (!label.isEmpty())
        text.draw(ctx, QRectF(QPointF(imageRect.right() + 5, y + h / 2 - labelSize.height() / 2),
                              labelSize));
}
