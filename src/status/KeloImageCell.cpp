#include "status/KeloImageCell.h"

#include "status/KeloCellHost.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

double gEventTrackingLoop = 0.0;

namespace {
// The platform's point-in-rect rule: left and bottom edges in, right and top out.
bool containsPoint(const QRectF& r, const QPointF& p) {
    return p.x() >= r.x() && p.x() < r.x() + r.width() && p.y() >= r.y() &&
           p.y() < r.y() + r.height();
}
}  // namespace

KeloImageCell::KeloImageCell() = default;

KeloImageCell::~KeloImageCell() {
    releaseThumbLayers();
}

void KeloImageCell::addCellRect(const QRectF& rect, const QString& toolTip) {
    auto cellRect = std::make_unique<CellRect>();
    cellRect->setRect(rect);
    cellRect->setIndex(int64_t(rectlist_.size()));
    cellRect->setDirty(true);
    cellRect->setToolTip(toolTip);
    rectlist_.push_back(std::move(cellRect));
}

CellRect* KeloImageCell::cellRectAtindex(int64_t index) const {
    if (index < 0 || index >= int64_t(rectlist_.size())) return nullptr;
    return rectlist_[size_t(index)].get();
}

int KeloImageCell::clickedPart(const QPointF& point) const {
    QPointF local = point - frame_.topLeft();
    if (view_ && view_->isFlipped()) local.setY(frame_.height() - local.y());
    for (const auto& r : rectlist_)
        if (containsPoint(r->rect(), local)) return int(r->part());
    return 0;
}

QRectF KeloImageCell::cellRectForPart(int part) const {
    if (part < 1) return QRectF(QPointF(0, 0), currSize_);
    for (const auto& r : rectlist_)
        if (r->part() == part) return r->rect();
    return QRectF();
}

QString KeloImageCell::toolTipAtPoint(const QPointF& point) const {
    for (auto it = rectlist_.rbegin(); it != rectlist_.rend(); ++it)
        if (containsPoint((*it)->rect(), point)) return (*it)->toolTip();
    return QString();
}

QString KeloImageCell::toolTip() const {
    return rectlist_.empty() ? QString() : rectlist_.front()->toolTip();
}

void KeloImageCell::setToolTip(const QString& toolTip) {
    buildRectList();
    for (auto it = rectlist_.rbegin(); it != rectlist_.rend(); ++it) (*it)->setToolTip(toolTip);
}

QRectF KeloImageCell::layerRect(const QRectF& r) const {
    return QRectF(r.x(), currSize_.height() - r.y() - r.height(), r.width(), r.height());
}

QRectF KeloImageCell::viewRect(const QRectF& r) const {
    return layerRect(r).translated(frame_.topLeft());
}

void KeloImageCell::releaseThumbLayers() {
    if (!view_) return;
    for (const auto& layer : view_->thumbLayers())
        for (const auto& r : rectlist_)
            if (layer->owningCellRect() == r.get()) {
                layer->setOwningCellRect(nullptr);
                layer->setHidden(true);
            }
}

void KeloImageCell::drawInteriorWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) {
    if (host) view_ = host;
    const bool sameFrame =
        !layer_.isNull() && frame.size() == currSize_ && frame.topLeft() == currOrigin_;
    if (!sameFrame || dirty_) {
        if (!sameFrame) {
            layer_ = QImage();
            QSizeF size = frame.size();
            if (!(size.width() > 0)) size.setWidth(10);
            if (!(size.height() > 0)) size.setHeight(10);
            currSize_ = size;
            currOrigin_ = frame.topLeft();
            const qreal ratio = view.device() ? view.device()->devicePixelRatioF() : 1.0;
            const QSize pixels(int(std::ceil(std::min(size.width(), 16384.0) * ratio)),
                               int(std::ceil(std::min(size.height(), 16384.0) * ratio)));
            layer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            layer_.setDevicePixelRatio(ratio);
            layer_.fill(Qt::transparent);
            releaseThumbLayers();
            rectlist_.clear();
            buildRectList();
            QPainter painter(&layer_);
            painter.setRenderHint(QPainter::Antialiasing);
            ctx_ = &painter;
            drawStructure();
            ctx_ = nullptr;
            ++structureDraws_;
            dirty_ = true;
        }
        QPainter painter(&layer_);
        painter.setRenderHint(QPainter::Antialiasing);
        ctx_ = &painter;
        drawDirtyParts();
        ctx_ = nullptr;
        ++dirtyPartDraws_;
        dirty_ = false;
    }
    view.drawImage(QRectF(frame.topLeft(), currSize_), layer_);
}

void KeloImageCell::drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) {
    if (host) view_ = host;
    drawInteriorWithFrame(view, frame, host);
}

void KeloImageCell::redisplay(KeloCellHost* host, const QRectF& rect) {
    if (!host) return;
    if (gEventTrackingLoop != 0.0)
        host->displayRectIgnoringOpacity(rect);
    else
        host->setNeedsDisplayInRect(rect);
}

void KeloImageCell::setState(int state) {
    const int previous = HUDButtonCell::state();
    HUDButtonCell::setState(state);
    if (HUDButtonCell::state() == previous) return;
    dirty_ = true;
    for (const auto& r : rectlist_) r->makeDirty();
    redisplay(view_, frame_);
}

void KeloImageCell::displayInView(KeloCellHost* host) {
    dirty_ = true;
    for (const auto& r : rectlist_) r->makeDirty();
    redisplay(host, frame_);
}

void clearLayerOwners(KeloCellHost* view) {
    if (!view) return;
    for (const auto& layer : view->thumbLayers()) layer->setOwningCellRect(nullptr);
}
