#include "status/BreakoutScrollView.h"

#include "graphics/ImageGeometry.h"
#include "hud/theme/HUDThemeKelo.h"
#include "status/KeloStatusView.h"
#include "status/StatusConstants.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

BreakoutScrollView::BreakoutScrollView(QWidget* parent) : HUDScrollView(parent) {
    // Drag events reach a scroll area only through its viewport.
    viewport()->setAcceptDrops(true);
}

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

namespace {

bool carriesStatusCells(const QDropEvent* event) {
    return event->mimeData() &&
           event->mimeData()->hasFormat(QString::fromLatin1(kKeloObjectNamePboardType));
}

}  // namespace

void BreakoutScrollView::dragEnterEvent(QDragEnterEvent* event) {
    if (!carriesStatusCells(event) || !qobject_cast<KeloStatusView*>(widget()))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void BreakoutScrollView::dragMoveEvent(QDragMoveEvent* event) {
    if (!carriesStatusCells(event) || !qobject_cast<KeloStatusView*>(widget()))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void BreakoutScrollView::dropEvent(QDropEvent* event) {
    auto* view = qobject_cast<KeloStatusView*>(widget());
    if (!view || !carriesStatusCells(event)) return event->ignore();
    const QPointF point = view->mapFrom(viewport(), event->position());
    const QByteArray data =
        event->mimeData()->data(QString::fromLatin1(kKeloObjectNamePboardType));
    if (!view->performDragOperation(data, point, qobject_cast<KeloStatusView*>(event->source())))
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
