#include "status/KeloLayerBreakoutCell.h"

#include "hud/theme/KeloUIAttributes.h"
#include "serverlink/KeloObject.h"
#include "status/KeloCellHost.h"
#include "status/StatusTabServices.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char* const kLabels[7] = {"In:", "Out:", "Len:", "Pos:", "Tex:", "File:", "Remaining:"};

QString timeText(uint32_t time, const keloLayerProgressRec& rec) {
    return i24_8toTC(int(time), rec.fps != 0 ? rec.fps : 30.0f, 0);
}

// The codec as delivered, with bytes that do not print shown as '?'.
QString codecText(const char codec[4]) {
    QString text;
    for (int i = 0; i < 4; ++i) {
        const uchar c = uchar(codec[i]);
        text += c >= 0x20 && c < 0x7F ? QChar(c) : QChar('?');
    }
    return text;
}

QString nameText(const char* bytes, size_t capacity) {
    return QString::fromUtf8(bytes, qsizetype(strnlen(bytes, capacity)));
}

}  // namespace

KeloLayerBreakoutCell::KeloLayerBreakoutCell() {
    thumbAspect_ = 16.0f / 9.0f;
}

KeloLayerBreakoutCell::~KeloLayerBreakoutCell() = default;

QString KeloLayerBreakoutCell::fieldText(int part) const {
    return part >= 2 && part <= 8 ? strings_[size_t(part - 2)] : QString();
}

QString KeloLayerBreakoutCell::kindSuffix() {
    if (DMX_MasterNumber_ >= 1) return QStringLiteral(" - DMX Master %1").arg(DMX_MasterNumber_);
    if (mixNumber_ >= 1) {
        const QString name = keloObject_ ? keloObject_->mixName(mixNumber_) : QString();
        if (!name.isNull())
            subName_ = QStringLiteral("Mix %1 '%2'").arg(mixNumber_).arg(name);
        else if (subName_.isNull())
            subName_ = QStringLiteral("Mix %1").arg(mixNumber_);
        return QStringLiteral(" - %1").arg(subName_);
    }
    return QStringLiteral(" - Layer %1").arg(layerNumber_);
}

void KeloLayerBreakoutCell::setKeloObject(KeloObject* kelo) {
    KeloRemoteCell::setKeloObject(kelo);
    labelText_ += kindSuffix();
    for (QString& s : strings_) s = QString();
}

bool KeloLayerBreakoutCell::showsFields() const {
    return keloObject_ && isRunning_ && numLayers_ >= layerNumber_;
}

QSizeF KeloLayerBreakoutCell::size() const {
    if (showsFields()) {
        auto* self = const_cast<KeloLayerBreakoutCell*>(this);
        self->thumbWidth_ = int32_t(std::trunc(float(thumbHeight_) * thumbAspect_));
        if (!self->attributes_) self->attributes_ = KeloUIAttributes::attributes();
        return QSizeF(cellWidth_, thumbHeight_ + 60);
    }
    return QSizeF(cellWidth_, labelText_.isEmpty() ? 0 : 32);
}

void KeloLayerBreakoutCell::buildRectList() {
    if (!attributes_) attributes_ = KeloUIAttributes::attributes();
    const int th = thumbHeight_;
    if (th <= 54) {
        largeTextSize_ = attributes_->mediumFontSize();
        generalTextSize_ = attributes_->tinyFontSize();
    } else if (th <= 79) {
        largeTextSize_ = attributes_->mediumFontSize();
        generalTextSize_ = attributes_->smallFontSize();
    } else {
        largeTextSize_ = attributes_->largeFontSize();
        generalTextSize_ = attributes_->mediumFontSize();
    }
    const int gs = generalTextSize_;
    timeFieldWidth_ = int32_t(std::trunc(
        QFontMetricsF(cellFont(attributes_, gs)).horizontalAdvance(QStringLiteral("88:88:88:88"))));
    const double h = currSize().height();
    const int tw = thumbWidth_;
    const int cw = cellWidth_;
    const int tfw = timeFieldWidth_;
    addCellRect(QRectF(20, h - 35 - th, tw, th));
    addCellRect(QRectF(20, h - 25, cw - 40, 24));
    thumbnail_.imageRequest = KlReqV4();
    const double lh = std::trunc(1.3 * gs);
    const double a = th - gs;
    const double step = std::trunc(std::min(0.2667 * a, lh + 3));
    const double gap = std::trunc(0.0667 * a);
    const double x1 = tw + 70;
    const double x2 = tw + 105 + tfw + (th >= 55 ? 5 : 0);
    const double y1 = std::trunc(h - 35 - th + a);
    const double y2 = y1 - step;
    const double y3 = y2 - gap - step;
    const double y4 = y3 - step;
    const double y5 = y4 - gap - step;
    addCellRect(QRectF(x1, y3, tfw, lh));
    addCellRect(QRectF(x2, y3, tfw, lh));
    addCellRect(QRectF(x1, y4, tfw, lh));
    addCellRect(QRectF(x2, y4, tfw, lh));
    addCellRect(QRectF(x1, y1, cw - tw - 72, lh));
    addCellRect(QRectF(x1, y2, cw - tw - 72, lh));
    addCellRect(QRectF(tw + 110, y5, tfw, lh));
}

void KeloLayerBreakoutCell::rebuildTexts(const keloLayerProgressRec& rec, bool all) {
    const keloLayerProgressRec& old = layerRec_;
    const bool notFound = rec.flags & 0x80;
    const int folder = int((rec.media >> 8) & 255);
    const int file = int(rec.media & 255);
    const QString texname = nameText(rec.texname, sizeof rec.texname);
    const struct {
        int slot;
        bool inputsChanged;
    } fields[] = {
        {2, rec.length != old.length},
        {0, rec.in_pt != old.in_pt},
        {1, rec.out_pt != old.out_pt},
        {3, rec.posn != old.posn},
        {4, rec.media != old.media || rec.file_fps != old.file_fps ||
                std::memcmp(rec.codec, old.codec, 4) != 0},
        {5, texname != nameText(old.texname, sizeof old.texname)},
        {6, rec.posn != old.posn || rec.out_pt != old.out_pt},
    };
    for (const auto& f : fields) {
        QString& text = strings_[size_t(f.slot)];
        if (!all && !text.isNull() && !f.inputsChanged) continue;
        switch (f.slot) {
            case 0:
                text = timeText(rec.in_pt, rec);
                break;
            case 1:
                text = timeText(rec.out_pt, rec);
                break;
            case 2:
                text = timeText(rec.length, rec);
                break;
            case 3:
                text = timeText(rec.posn, rec);
                break;
            case 4:
                text = notFound ? QString::asprintf("%03d.%03d (Media Not Found)", folder, file)
                                : QString::asprintf("%03d.%03d ('", folder, file) +
                                      codecText(rec.codec) +
                                      QString::asprintf("', %0.2f fps)", rec.file_fps / 256.0);
                break;
            case 5:
                text = texname;
                break;
            case 6:
                text = timeText(rec.out_pt - rec.posn, rec);
                break;
        }
        if (CellRect* part = cellRectAtindex(f.slot + 2)) part->makeDirty();
    }
}

bool KeloLayerBreakoutCell::update() {
    KeloObject* kelo = keloObject_;
    if (!kelo) return false;
    bool changed = false;
    if (renamed_) {
        labelText_ = StatusTabServices::instance()->screenNameForKeloObject(kelo) + kindSuffix();
        if (CellRect* name = cellRectAtindex(1)) name->makeDirty();
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
    if (relayout) {
        forceTotalRedraw_ = true;
        return true;
    }
    keloLayerProgressRec rec{};
    bool active = true;
    if (isLayerCell()) {
        if (layerNumber_ > numLayers_) return false;
        kelo->layerProgressInfo(&rec, layerNumber_ - 1);
        active = (rec.flags & 0x100) && rec.level != 0;
    }
    if (active != active_) {
        active_ = active;
        flagchange_ = true;
        for (const auto& r : rectlist()) r->makeDirty();
        changed = true;
    }
    if (active_) {
        kelo->imageRequest_V4(&thumbnail_.imageRequest, layerNumber_, DMX_MasterNumber_, mixNumber_,
                              -1);
        bool all = false;
        if (isLayerCell()) {
            if (std::memcmp(&rec.level, &layerRec_.level, sizeof rec.level) != 0 ||
                std::isnan(rec.level))
                changed = true;
            if ((rec.flags & 0x80) != (layerRec_.flags & 0x80)) {
                if (CellRect* preview = cellRectAtindex(0)) preview->makeDirty();
                changed = true;
                all = true;
                std::memset(layerRec_.texname, 0, sizeof layerRec_.texname);
                layerRec_.texname[0] = '*';
            }
            if (rec.flags & 0x80) std::memset(rec.texname, 0, sizeof rec.texname);
        }
        changed |= updateThumb(&thumbnail_, kelo, cellRectAtindex(0));
        if (isLayerCell()) {
            const std::array<QString, 7> before = strings_;
            rebuildTexts(rec, all);
            if (before != strings_) changed = true;
            flagchange_ = rec.flags != layerRec_.flags;
            if (flagchange_) changed = true;
        }
    }
    if (isLayerCell()) layerRec_ = rec;
    if (changed) {
        makeDirty();
        redisplay(view(), frame());
    }
    return false;
}

void KeloLayerBreakoutCell::drawStructure() {
    QPainter& p = *ctx();
    const QRectF all = layerRect(QRectF(QPointF(0, 0), currSize()));
    p.fillRect(all, attributes_->bgCol());
    drawBezelForCGRectInContext(p, all, attributes_, 2, 0);
    const QRectF r = rectlist()[0]->rect();
    drawBezelForCGRectInContext(p, layerRect(r), attributes_, 2, 3);
    drawBezelForCGRectInContext(p, layerRect(QRectF(r.x(), r.y() - 6, r.width(), 2)), attributes_,
                                0.5, 3);
    drawBezelForCGRectInContext(p, layerRect(QRectF(r.x() - 4, r.y(), 2, r.height())), attributes_,
                                0.5, 3);
    if (!isLayerCell() || !showsFields()) return;
    for (int i = 0; i < 7; ++i) {
        const QRectF field = rectlist()[size_t(2 + i)]->rect();
        const double shift = i == 6 ? 68 : 28;
        drawStringInRect(QString::fromLatin1(kLabels[i]), layerRect(field.translated(-shift, 0)), p,
                         attributes_, generalTextSize_);
    }
}

void KeloLayerBreakoutCell::drawDirtyParts() {
    if (labelText_.isEmpty()) return;
    QPainter& p = *ctx();
    const bool fields = isLayerCell() && showsFields();
    for (const auto& part : rectlist()) {
        if (!part->dirty()) continue;
        part->setDirty(false);
        const int64_t index = part->index();
        const QRectF r = layerRect(part->rect());
        if (index == 0) {
            const bool missing = (layerRec_.flags & 0x100) && (layerRec_.flags & 0x80);
            drawThumbnailInCellRect(active_ ? &thumbnail_ : nullptr, part.get(),
                                    attributes_->blkCol(),
                                    missing ? attributes_->textCol() : QColor());
        } else if (index == 1) {
            const QString shown =
                truncateStringMiddle(labelText_, r, nullptr, nullptr, largeTextSize_, attributes_);
            drawStringInRect(shown, r, p, attributes_, largeTextSize_, attributes_->bgCol());
        } else if (fields) {
            QString text = strings_[size_t(index - 2)];
            if (index == 6 || index == 7)
                text =
                    truncateStringMiddle(text, r, nullptr, nullptr, generalTextSize_, attributes_);
            drawStringInRect(text, r, p, attributes_, generalTextSize_, attributes_->bgCol());
        }
    }
    if (flagchange_ && !rectlist().empty())
        drawLayerIcons(&layerRec_, false, layerRect(rectlist()[0]->rect()), p, attributes_);
}

void KeloLayerBreakoutCell::drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) {
    KeloRemoteCell::drawWithFrame(view, frame, host);
    if (selected_) {
        view.save();
        view.setPen(QPen(attributes_->textColour(), 1));
        view.setBrush(Qt::NoBrush);
        view.drawRect(frame.adjusted(4.5, 4.5, -4.5, -4.5));
        view.restore();
    }
    if (rectlist().empty()) return;
    const QRectF preview = viewRect(rectlist()[0]->rect());
    drawProgressIndicator(&layerRec_, preview, view, attributes_);
    drawOpacityIndicator(&layerRec_, preview, view, attributes_);
    if (addToolTips_ && this->view()) {
        this->view()->addToolTipForRect(rectlist()[0]->rect(), this->frame(), this);
        addToolTips_ = false;
    }
}

QString KeloLayerBreakoutCell::toolTipForPoint(const QPointF& point) {
    (void)point;
    return isLayerCell() ? appendLayerInfo(&layerRec_, labelText_) : labelText_;
}
