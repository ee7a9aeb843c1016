#include "content/ContentSyncCell.h"

#include "content/ContentUIPanel.h"
#include "graphics/ImageGeometry.h"
#include "hud/theme/VNSColorCategory.h"
#include "status/KeloStatusImages.h"

#include <QPainter>

namespace {

// Made once: a blurred white copy of the image, drawn under it as the glow.
QImage glowOf(const QImage& image) {
    static QHash<qint64, QImage> glows;
    const qint64 key = image.cacheKey();
    const auto it = glows.constFind(key);
    if (it != glows.constEnd()) return *it;
    const int pad = 3;
    QImage mask(image.size() + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    for (int dx = -pad; dx <= pad; ++dx)
        for (int dy = -pad; dy <= pad; ++dy) {
            p.setOpacity(1.0 / (1 + dx * dx + dy * dy));
            p.drawImage(pad + dx, pad + dy, image);
        }
    p.setOpacity(1);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(mask.rect(), Qt::white);
    p.end();
    glows.insert(key, mask);
    return mask;
}

}  // namespace

void drawWithHoverGlow(QPainter& painter, bool hovering, const QRectF& rect, const QImage& image,
                       double opacity) {
    painter.save();
    if (hovering) painter.drawImage(rect.topLeft() - QPointF(3, 3), glowOf(image));
    painter.setOpacity(opacity);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(rect, image);
    painter.restore();
}

QImage ContentSyncCell::syncImage(int angle) {
    return rotatedSyncImage(angle);
}

void ContentSyncCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    drawInteriorWithFrame(painter, frame, view);
}

void ContentSyncCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame, QWidget*) {
    if (!delegate_) return;
    ContentTableRow* row = delegate_->contentTableRow(row_, isFolder_);
    if (!row) return;
    if (!row->isMasterSelected && !row->isSeparatorRow)
        painter.fillRect(frame, colorWithContrastWhite(32.0 / 255.0, 0.5));
    const bool canSync = row->canTakeSyncAction(false);
    double opacity = 1.0;
    int angle = 0;
    bool glow = false;
    if (!row->isWatched) {
        if (!mouseInside_ || !canSync) return;
        glow = true;
    } else if (row->needsSync()) {
        glow = canSync;
    } else {
        if (row->parsedName.isConflicted()) return;
        opacity = 0.15;
        if (row->syncProgress > 0 && row->syncAnimatingStep != 0 && !row->syncComplete)
            angle = (row->syncAnimatingStep * 30) % 360;
    }
    const QImage image = syncImage(angle);
    const QRectF at = getCenteredRectNoScaling(frame, image.width(), image.height());
    drawWithHoverGlow(painter, glow && mouseInside_, at, image, opacity);
}
