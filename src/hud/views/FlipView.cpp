#include "hud/views/FlipView.h"

#include "foundation/OmxImageUtil.h"
#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilCategory.h"

#include <QPaintEvent>
#include <QPainter>

FlipView::FlipView(QWidget* parent) : HUDView(parent) {}

QImage FlipView::splashImageForGrey(double grey) {
    const QImage image = cgImageWithResourceNamed(QStringLiteral("SplashImage.png"));
    if (image.isNull()) return image;
    const QByteArray cube = colorLookupForAlpha(1.0f, float(grey), float(grey + 0.06), 0.0f, 0.05f);
    return imageWithColorLookup(image, cube, false);
}

void FlipView::paintEvent(QPaintEvent* event) {
    drawBackground(event);
    bool hasChildren = false;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow()) hasChildren = true;
    }
    if (!hasChildren) {
        // Made once, from the first view's grey; kept for the process.
        const QColor bg = backgroundColor().toRgb();
        static const QImage splash =
            splashImageForGrey(0.299 * bg.redF() + 0.587 * bg.greenF() + 0.114 * bg.blueF());
        if (!splash.isNull()) {
            const QRectF at =
                getCenteredRectNoScaling(QRectF(rect()), splash.width(), splash.height());
            QPainter painter(this);
            painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            for (const QRect& r : event->region()) {
                const QRectF part = QRectF(r).intersected(at);
                if (part.isEmpty()) continue;
                painter.drawImage(part, splash, part.translated(-at.topLeft()));
            }
        }
    }
    clipSubviewsRecursively(this);
}
