#include "status/KeloBreakoutCell.h"

#include "hud/theme/KeloUIAttributes.h"
#include "serverlink/KeloObject.h"
#include "status/KeloCellHost.h"
#include "status/StatusTabServices.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

KeloBreakoutCell::KeloBreakoutCell() {
    thumbAspect_ = 16.0f / 9.0f;
}

KeloBreakoutCell::~KeloBreakoutCell() = default;

int KeloBreakoutCell::shownLayers() const {
    return std::clamp(int(numLayers_), 0, kMaxLayers);
}

QSizeF KeloBreakoutCell::size() const {
    if (keloObject_ && isRunning_ && numLayers_ > 0) {
        const_cast<KeloBreakoutCell*>(this)->thumbWidth_ =
            int32_t(std::trunc(float(thumbHeight_) * thumbAspect_));
        layerXspace_ = 12;
        layerWidth_ = (cellWidth_ - 40) / 4 - (3 * layerXspace_) / 4;
        layerThumbHeight_ =
            thumbAspect_ > 0 ? int32_t(std::trunc(float(layerWidth_) / thumbAspect_)) : 0;
        layerHeight_ = layerThumbHeight_ + 25;
        const int layers = shownLayers();
        layerRowCount_ = layers / 4 + (layers % 4 ? 1 : 0);
        return QSizeF(cellWidth_, thumbHeight_ + layerRowCount_ * layerHeight_ + 60);
    }
    return QSizeF(cellWidth_, labelText_.isEmpty() ? 0 : 32);
}

void KeloBreakoutCell::buildRectList() {
    if (!attributes_) attributes_ = KeloUIAttributes::attributes();
    const int th = thumbHeight_;
    HUDTextAttributes measured;
    if (th <= 54) {
        giantTextSize_ = largeTextSize_ = attributes_->mediumFontSize();
        generalTextSize_ = attributes_->tinyFontSize();
        measured = attributes_->tinyTextFont();
        mLabelOffset_ = -18;
    } else {
        giantTextSize_ = th <= 124 ? attributes_->largeFontSize() : attributes_->giantFontSize();
        largeTextSize_ = attributes_->largeFontSize();
        generalTextSize_ = attributes_->mediumFontSize();
        measured = attributes_->mediumTextFont();
        mLabelOffset_ = th <= 124 ? -20 : -22;
    }
    const QFontMetricsF metrics(measured.font);
    mLabelSize_ = QSizeF(metrics.horizontalAdvance(QStringLiteral("888.888")), metrics.height());

    const double w = currSize().width();
    const double h = currSize().height();
    const int tw = thumbWidth_;
    const int pick = th <= 54 ? 0 : th <= 124 ? 1 : 2;
    const int nameInset[] = {82, 110, 115};
    const int timeX[] = {80, 105, 130};
    const int timeY[] = {4, -1, -5};
    addCellRect(QRectF(20, h - 35 - th, tw, th));
    rectlist().back()->setPart(-1);
    KlReqV4 request;
    if (keloObject_) keloObject_->imageRequest_V4(&request, 0, 0, 0, -1);
    outputThumbnail_.imageRequest = request;
    rightThumbnail_v3_.imageRequest = request;
    addCellRect(QRectF(tw + 40, h - 35 - th, 0, 0));
    addCellRect(QRectF(20, h - 25, w - 20 - nameInset[pick], 24));
    addCellRect(QRectF(w - timeX[pick], h - 25 + timeY[pick], w - 20, 24));
    const double lw = layerWidth_;
    const double xs = layerXspace_;
    const double col3 = std::trunc(w - 20 - lw);
    const double cols[4] = {20, 20 + lw + xs, col3 - (lw + xs), col3};
    for (int i = 0; i < kMaxLayers; ++i) {
        addCellRect(QRectF(cols[i % 4], h - th - 25 - (i / 4 + 1) * double(layerHeight_), lw,
                           layerThumbHeight_));
        rectlist().back()->setPart(i + 1);
        KlReqV4 layerRequest;
        if (keloObject_) keloObject_->imageRequest_V4(&layerRequest, i + 1, 0, 0, -1);
        layerThumbNails_[size_t(i)].imageRequest = layerRequest;
        layerThumbNails_[size_t(i)].rectIndex = 4 + i;
        std::memset(&layerRecs_[size_t(i)], 0, sizeof(keloLayerProgressRec));
    }
}

bool KeloBreakoutCell::update() {
    KeloObject* kelo = keloObject_;
    if (!kelo) return false;
    bool changed = false;
    if (renamed_) {
        labelText_ = StatusTabServices::instance()->screenNameForKeloObject(kelo);
        if (CellRect* name = cellRectAtindex(2)) name->makeDirty();
        renamed_ = false;
        changed = true;
    }
    if (!isVisibleInView()) return false;
    bool relayout = false;
    if (kelo->layerCount() != numLayers_) {
        numLayers_ = kelo->layerCount();
        relayout = true;
    }
    const int32_t running = kelo->isRunning() ? 1 : 0;
    if (running != isRunning_) {
        isRunning_ = running;
        relayout = true;
    }
    if (int32_t(kelo->rxTimeCode()) != tc_value_) {
        tc_value_ = int32_t(kelo->rxTimeCode());
        if (CellRect* time = cellRectAtindex(3)) time->makeDirty();
        changed = true;
    }
    if (relayout) {
        forceTotalRedraw_ = true;
        return true;
    }
    changed |= updateThumb(&outputThumbnail_, kelo, cellRectAtindex(0));
    updateAspectRatio();
    for (int i = 0; i < shownLayers(); ++i) {
        keloLayerProgressRec rec;
        if (kelo->layerProgressInfo(&rec, i) != 0) continue;
        KeloObject* source = (rec.flags & 0x100) && rec.level != 0 ? kelo : nullptr;
        CellRect* part = cellRectAtindex(4 + i);
        const bool t = updateThumb(&layerThumbNails_[size_t(i)], source, part);
        keloLayerProgressRec& seen = layerRecs_[size_t(i)];
        if (std::memcmp(&rec, &seen, sizeof rec) != 0) {
            const bool flagsDiffer = rec.flags != seen.flags;
            if ((rec.media != seen.media || flagsDiffer) && part) part->makeDirty();
            layerFlagChanges_[size_t(i)] = flagsDiffer;
            seen = rec;
            changed = true;
        } else {
            changed |= t;
        }
    }
    if (changed) {
        makeDirty();
        redisplay(view(), frame());
    }
    return false;
}

void KeloBreakoutCell::drawStructure() {
    QPainter& p = *ctx();
    const QRectF all = layerRect(QRectF(QPointF(0, 0), currSize()));
    p.fillRect(all, attributes_->bgCol());
    drawBezelForCGRectInContext(p, all, attributes_, 2, 0);
    if (numLayers_ == 0) return;
    drawBezelForCGRectInContext(p, layerRect(rectlist()[0]->rect()), attributes_, 2, 3);
    for (int i = 0; i < shownLayers(); ++i) {
        const QRectF r = rectlist()[size_t(4 + i)]->rect();
        drawBezelForCGRectInContext(p, layerRect(r), attributes_, 1, 3);
        drawBezelForCGRectInContext(p, layerRect(QRectF(r.x(), r.y() - 6, r.width(), 2)),
                                    attributes_, 0.5, 3);
        drawBezelForCGRectInContext(p, layerRect(QRectF(r.x() - 4, r.y(), 2, r.height())),
                                    attributes_, 0.5, 3);
    }
}

void KeloBreakoutCell::drawPart(CellRect* part) {
    QPainter& p = *ctx();
    const QRectF r = part->rect();
    const int64_t index = part->index();
    if (index == 0) {
        if (numLayers_ != 0)
            drawThumbnailInCellRect(&outputThumbnail_, part, attributes_->blkCol());
    } else if (index == 2) {
        const QRectF target = layerRect(r);
        p.fillRect(target, attributes_->bgCol());
        const QString shown =
            truncateStringMiddle(labelText_, target, nullptr, nullptr, largeTextSize_, attributes_);
        p.save();
        p.setFont(cellFont(attributes_, largeTextSize_));
        p.setPen(attributes_->textCol());
        p.drawText(QPointF(target.x(), target.bottom() - 5), shown);
        p.restore();
    } else if (index == 3) {
        if (!isRunning_) return;
        if (tc_value_ == -1) {
            drawTimecodeStringInRect(QStringLiteral("--:--:--:--"), layerRect(r), p, attributes_,
                                     giantTextSize_, attributes_->bgCol(), attributes_->textCol());
        } else {
            const bool error = uint32_t(tc_value_) & 0x80000000u;
            const int time = tc_value_ & 0x7FFFFFFF;
            drawTimecodeStringInRect(i24_8toTC(time, 30, 0), layerRect(r), p, attributes_,
                                     error ? -giantTextSize_ : giantTextSize_, attributes_->bgCol(),
                                     attributes_->yellowStateCol());
            tc_value_ = time;
        }
    } else if (index >= 4) {
        const int i = int(index - 4);
        const keloLayerProgressRec& rec = layerRecs_[size_t(i)];
        const bool missing = (rec.flags & 0x100) && (rec.flags & 0x80);
        drawThumbnailInCellRect(&layerThumbNails_[size_t(i)], part, attributes_->blkCol(),
                                missing ? attributes_->textCol() : QColor());
        if (layerFlagChanges_[size_t(i)]) drawLayerIcons(&rec, true, layerRect(r), p, attributes_);
        const QRectF label(r.x() + (r.width() - mLabelSize_.width()) / 2, r.y() + mLabelOffset_,
                           mLabelSize_.width() + 4, mLabelSize_.height());
        const QRectF target = layerRect(label);
        p.fillRect(target, attributes_->bgCol());
        p.save();
        p.setFont(cellFont(attributes_, generalTextSize_));
        p.setPen(attributes_->textCol());
        p.drawText(
            QPointF(target.x(), target.bottom() - 0.14 * generalTextSize_),
            QString::asprintf("%03d.%03d", int((rec.media >> 8) & 255), int(rec.media & 255)));
        p.restore();
    }
}

void KeloBreakoutCell::drawDirtyParts() {
    if (labelText_.isEmpty()) return;
    for (const auto& r : rectlist()) {
        if (!r->dirty()) continue;
        if (r->index() >= shownLayers() + 4) break;  // layers the server does not have
        drawPart(r.get());
        r->setDirty(false);
    }
}

void KeloBreakoutCell::drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) {
    if (labelText_.isEmpty()) return;
    KeloRemoteCell::drawWithFrame(view, frame, host);
    if (selected_) {
        view.save();
        view.setPen(QPen(attributes_->textColour(), 1));
        view.setBrush(Qt::NoBrush);
        view.drawRect(frame.adjusted(4.5, 4.5, -4.5, -4.5));
        view.restore();
    }
    const int layers = std::min(shownLayers(), int(rectlist().size()) - 4);
    for (int i = 0; i < layers; ++i) {
        const QRectF part = viewRect(rectlist()[size_t(4 + i)]->rect());
        drawProgressIndicator(&layerRecs_[size_t(i)], part, view, attributes_);
        drawOpacityIndicator(&layerRecs_[size_t(i)], part, view, attributes_);
    }
    if (addToolTips_ && this->view() && !rectlist().empty()) {
        this->view()->addToolTipForRect(rectlist()[0]->rect(), this->frame(), this);
        for (int i = 0; i < layers; ++i)
            this->view()->addToolTipForRect(rectlist()[size_t(4 + i)]->rect(), this->frame(), this);
        addToolTips_ = false;
    }
}

QString KeloBreakoutCell::toolTipForPoint(const QPointF& point) {
    const int p = clickedPart(point);
    if (p < 0) return appendServerInfo(labelText_);
    if (p == 0) return labelText_;
    const QString text = labelText_ + QStringLiteral(" - Layer %1").arg(p);
    if (p <= shownLayers()) return appendLayerInfo(&layerRecs_[size_t(p - 1)], text);
    return text;
}
