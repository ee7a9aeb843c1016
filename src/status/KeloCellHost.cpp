#include "status/KeloCellHost.h"

void KeloCellHost::paintThumbLayers(QPainter& painter, const QRectF& dirty) {
    for (const auto& layer : thumbLayers_)
        if (!layer->hidden() && layer->frame().intersects(dirty)) layer->paint(painter);
}
