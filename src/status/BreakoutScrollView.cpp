#include "status/BreakoutScrollView.h"

#include "graphics/ImageGeometry.h"
#include "hud/theme/HUDThemeKelo.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

BreakoutScrollView::BreakoutScrollView(QWidget* parent) : HUDScrollView(parent) {}

void BreakoutScrollView::setHelpText(const QString& text) {
    if (text == helpText_) return;
    helpText_ = text;
    viewport()->update();
}

void BreakoutScrollView::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(event->rect(), HUDThemeKelo::instance()->boxFillColor());
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (helpText_.isEmpty()) return;
    const QFontMetricsF metrics(p.font());
    const QRectF textSize =
        metrics.boundingRect(QRectF(0, 0, 1e4, 1e4), Qt::AlignCenter, helpText_);
    const QRectF place =
        getCenteredRectNoScaling(QRectF(viewport()->rect()), textSize.width(), textSize.height());
    QPainterPath back;
    back.addRoundedRect(place.adjusted(-20, -20, 20, 20), 8, 8);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(back, QColor::fromRgbF(0, 0, 0, 0.8f));
    p.setPen(Qt::white);
    p.drawText(QRectF(place.topLeft(), textSize.size()), Qt::AlignCenter, helpText_);
}
