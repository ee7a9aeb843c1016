#include "hud/controls/HUDProgressIndicator.h"

#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {
// The stripes' phase advances by one point per tick.
constexpr int kAnimationTickMs = 1000 / 30;

void strokeRect(QPainter& painter, const QRectF& rect, const QColor& colour) {
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 1));
    painter.drawRect(rect);
    painter.restore();
}
}  // namespace

HUDProgressIndicator::HUDProgressIndicator(QWidget* parent)
    : QWidget(parent), themeKey_(QString::fromLatin1(kHUDGradientThemeKey)) {
    timer_.setInterval(kAnimationTickMs);
    connect(&timer_, &QTimer::timeout, this, &HUDProgressIndicator::advanceAnimation);
}

HUDProgressIndicator::~HUDProgressIndicator() = default;

std::unique_ptr<HUDProgressIndicator> HUDProgressIndicator::initWithCoder(
    const QVariantMap& archive, QWidget* parent) {
    auto indicator = std::make_unique<HUDProgressIndicator>(parent);
    const QVariant key = archive.value(QStringLiteral("themeKey"));
    if (key.isValid()) indicator->themeKey_ = key.toString();
    return indicator;
}

QVariantMap HUDProgressIndicator::encodeWithCoder() const {
    return {{QStringLiteral("themeKey"), themeKey_}};
}

void HUDProgressIndicator::setCustomTitle(const std::optional<AttributedString>& title) {
    customTitle_ = title;
    update();
}

void HUDProgressIndicator::setDoubleValue(double value) {
    value_ = value;
    update();
}

void HUDProgressIndicator::setMinValue(double value) {
    minValue_ = value;
    update();
}

void HUDProgressIndicator::setMaxValue(double value) {
    maxValue_ = value;
    update();
}

void HUDProgressIndicator::setIndeterminate(bool flag) {
    indeterminate_ = flag;
    update();
}

void HUDProgressIndicator::setControlSize(int size) {
    controlSize_ = size;
    update();
}

void HUDProgressIndicator::startAnimation() {
    timer_.start();
}

void HUDProgressIndicator::stopAnimation() {
    timer_.stop();
}

void HUDProgressIndicator::setAnimationIndex(int index) {
    animationIndex_ = index;
    update();
}

void HUDProgressIndicator::advanceAnimation() {
    // One stripe period later the pattern looks the same again.
    const int period = std::max(1, int(std::lround(2 * barRect().height())));
    setAnimationIndex((animationIndex_ + 1) % period);
}

QRectF HUDProgressIndicator::barRect() const {
    const QRectF b(rect());
    switch (controlSize_) {
        case 0:
        case 3:
            return b.adjusted(2.5, 0.5, -2.5, -4.5);
        case 1:
            return b.adjusted(0.5, 0.5, -0.5, -2.5);
        case 2:
            return b.adjusted(1.5, 0.5, -1.5, -4.5);
        default:
            return b;
    }
}

void HUDProgressIndicator::_drawThemeBackground(QPainter& painter) {
    const HUDTheme* t = theme(this);
    const QRectF bar = barRect();
    t->dropShadow().paint(painter, bar.adjusted(-1, -1, 1, 1),
                          [&](QPainter& p) { strokeRect(p, bar, t->darkStrokeColor()); });
    strokeRect(painter, bar, t->darkStrokeColor());
    t->progressTrackGradient().drawInRect(painter, bar, 90);
    strokeRect(painter, bar, t->darkStrokeColor());

    if (indeterminate_) {
        const double h = bar.height();
        progressPath_ = QPainterPath();
        if (h <= 0) return;
        // One extra stripe period on the left keeps tall bars covered while
        // the phase runs through a whole period.
        for (double sx = bar.x() - 40 - 2 * h; sx <= bar.right() + 40; sx += 2 * h) {
            QPolygonF stripe;
            stripe << QPointF(sx, bar.y()) << QPointF(sx + h, bar.y())
                   << QPointF(sx + 2 * h, bar.y() + h) << QPointF(sx + h, bar.y() + h);
            progressPath_.addPolygon(stripe);
            progressPath_.closeSubpath();
        }
        return;
    }
    // An empty or reversed range shows no progress rather than a bar of
    // unbounded width; values outside it stop at the ends of the track.
    if (!(maxValue_ > minValue_)) return;
    const double fraction = std::clamp((value_ - minValue_) / (maxValue_ - minValue_), 0.0, 1.0);
    const double width = fraction * bar.width();
    if (width > 0)
        t->highlightGradient().drawInRect(painter, QRectF(bar.x(), bar.y(), width, bar.height()),
                                          90);
}

void HUDProgressIndicator::_drawThemeProgressArea(QPainter& painter) {
    if (!indeterminate_) return;
    const HUDTheme* t = theme(this);
    const QRectF bar = barRect();
    painter.save();
    painter.setClipRect(bar.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    t->normalGradient().drawInRect(painter, bar, 90);
    t->highlightGradient().drawInBezierPath(painter,
                                            progressPath_.translated(animationIndex_ - 37, 0), 90);
    painter.restore();
}

void HUDProgressIndicator::drawRect(QPainter& painter) {
    _drawThemeBackground(painter);
    _drawThemeProgressArea(painter);
    if (!customTitle_) return;
    const QRectF bounds(rect());
    const QSizeF size = customTitle_->size().boundedTo(bounds.size());
    customTitle_->draw(painter, QRectF(QPointF(bounds.center().x() - size.width() / 2,
                                               bounds.y() + bounds.height() - 12),
                                       size));
}

void HUDProgressIndicator::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    waitIfNeeded(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawRect(painter);
}
