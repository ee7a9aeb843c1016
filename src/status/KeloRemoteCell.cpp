#include "status/KeloRemoteCell.h"

#include "foundation/OmLog.h"
#include "hud/theme/KeloUIAttributes.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/keloLayerProgressRec.h"
#include "status/KeloCellHost.h"
#include "status/ServersUI.h"
#include "status/StatusConstants.h"
#include "status/StatusTabServices.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QVariantMap>

#include <cmath>
#include <cstring>

namespace {

// Server name -> 16:9, read once from the user defaults and written back whole.
QVariantMap& aspectRatios() {
    static QVariantMap ratios =
        UserDefaults::standard().object(QString::fromLatin1(kAspectRatioForKeloKey)).toMap();
    return ratios;
}

QString cString(const char* bytes, size_t capacity) {
    return QString::fromUtf8(bytes, qsizetype(strnlen(bytes, capacity)));
}

}  // namespace

KeloRemoteCell::KeloRemoteCell() = default;
KeloRemoteCell::~KeloRemoteCell() = default;

void KeloRemoteCell::drawThumbnailInCellRect(const thumbref* thumb, const CellRect* cellRect,
                                             const QColor& fill, const QColor& square) {
    KeloCellHost* host = view();
    if (!host || !cellRect) return;
    auto& layers = host->thumbLayers();
    KeloThumbLayer* layer = nullptr;
    for (const auto& candidate : layers)
        if (candidate->owningCellRect() == cellRect) layer = candidate.get();
    if (!layer) {
        for (auto it = layers.rbegin(); it != layers.rend(); ++it)
            if (!(*it)->owningCellRect()) {
                layer = it->get();
                break;
            }
        if (!layer) {
            OmLogNoFlood(kOmLogDebug, "  creating new sublayer index %d, prev layer count %lu\n",
                         int(layers.size()), (unsigned long)layers.size());
            layers.push_back(std::make_unique<KeloThumbLayer>(int32_t(layers.size())));
            layer = layers.back().get();
        }
        layer->setHidden(true);
        layer->setContents(QImage());
        layer->setOwningCellRect(cellRect);
    }
    const QRectF r = cellRect->rect();
    QRectF frame = viewRect(r);
    if (square.isValid()) {
        const double side = 0.6 * r.height();
        frame = QRectF(frame.center().x() - side / 2, frame.center().y() - side / 2, side, side);
    }
    if (layer->frame() != frame) layer->setFrame(frame);
    layer->setBackgroundColor(fill);
    layer->setHidden(false);
    if (!square.isValid() && thumb && !thumb->image.isNull()) {
        layer->setContents(thumb->image);
    } else {
        // No picture: neither contents nor background, so the place stays empty.
        layer->setContents(QImage());
        layer->setBackgroundColor(QColor());
    }
}

void KeloRemoteCell::setAllDirty() {
    makeDirty();
    for (const auto& r : rectlist()) r->makeDirty();
    forceTotalRedraw_ = true;
    if (view()) view()->setNeedsDisplayInRect(view()->visibleRect());
}

void KeloRemoteCell::updateAspectRatio() {
    bool vote16x9 = false;
    bool vote4x3 = false;
    for (const thumbref* thumb : {getThumbNail(), getThumbNail2()}) {
        // A size the server cannot mean (negative, not a number) does not vote.
        const QSizeF& original = thumb ? thumb->originalSize : QSizeF();
        if (!thumb || thumb->image.isNull() || !(original.height() > 0) || !(original.width() > 0))
            continue;
        const float r = float(original.width() / original.height());
        if (double(r) > 1.4)
            vote16x9 = true;
        else
            vote4x3 = true;
    }
    bool changed = false;
    if (vote16x9) {
        if (!isAspect_16x9_) {
            setIsAspect_16x9(true);
            thumbAspect_ = 16.0f / 9.0f;
            changed = true;
        }
    } else if (vote4x3 && isAspect_16x9_) {
        setIsAspect_16x9(false);
        thumbAspect_ = 4.0f / 3.0f;
        changed = true;
    }
    if (!changed) return;
    setAllDirty();
    if (isWholeServer() && view()) view()->setNeedsLayout(true);
}

bool KeloRemoteCell::isAspect_16x9() {
    isAspect_16x9_ = keloObject_ && aspectRatios().value(keloObject_->name()).toBool();
    return isAspect_16x9_;
}

void KeloRemoteCell::setIsAspect_16x9(bool is16x9) {
    if (is16x9 != isAspect_16x9_ && isWholeServer() && keloObject_) {
        QVariantMap& ratios = aspectRatios();
        ratios.insert(keloObject_->name(), is16x9);
        UserDefaults::standard().setObject(QString::fromLatin1(kAspectRatioForKeloKey), ratios);
        UserDefaults::standard().synchronize();
    }
    isAspect_16x9_ = is16x9;
}

int KeloRemoteCell::widthForThumbHeight(int height, float aspect) {
    (void)aspect;  // the cell is as wide as a 16:9 thumbnail, whatever the aspect
    const KeloUIAttributes* attributes = KeloUIAttributes::attributes();
    const int size = height < 55   ? attributes->tinyFontSize()
                     : height < 80 ? attributes->smallFontSize()
                                   : attributes->mediumFontSize();
    const int w = int(std::trunc(double(height) * 16.0 / 9.0));
    QFont font = qGuiApp ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont();
    font.setPixelSize(size);
    const int t = int(std::trunc(QFontMetricsF(font).horizontalAdvance(
        QStringLiteral("Len:  88:88:88:88   Pos: 88:88:88:88 "))));
    return (t > w ? t + w : 2 * w) + 60;
}

void KeloRemoteCell::drawInteriorWithFrame(QPainter& view, const QRectF& frame,
                                           KeloCellHost* host) {
    if (forceTotalRedraw_) {
        forceTotalRedraw_ = false;
        setCurrSize(QSizeF());
    }
    KeloImageCell::drawInteriorWithFrame(view, frame, host);
}

void KeloRemoteCell::setKeloObject(KeloObject* kelo) {
    keloObject_ = kelo;
    labelText_ = StatusTabServices::instance()->screenNameForKeloObject(kelo);
    forceTotalRedraw_ = true;
    redisplay(view(), frame());
}

QImage KeloRemoteCell::imageForDragging(float alpha, const QRectF& part) const {
    const bool whole = !(part.width() > 0);
    const QSizeF size = whole ? currSize() : part.size();
    const QSize pixels = size.toSize();
    QImage image(pixels.isEmpty() ? QSize(1, 1) : pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (layer().isNull()) return image;
    QPainter painter(&image);
    painter.setOpacity(std::isfinite(alpha) ? std::clamp(double(alpha), 0.0, 1.0) : 1.0);
    const QPointF origin = whole ? QPointF(0, 0) : -layerRect(part).topLeft();
    painter.drawImage(QRectF(origin, currSize()), layer());
    return image;
}

QString KeloRemoteCell::appendLayerInfo(const keloLayerProgressRec* rec,
                                        const QString& text) const {
    QString result = text;
    if (!rec || rec->level == 0 || !(rec->flags & 0x100)) return result + QStringLiteral("\n-Idle");
    const QString media = cString(rec->texname, sizeof rec->texname);
    if (!media.isEmpty())
        result += QString::asprintf("\n-Media: %03d.%03d\n  ", int((rec->media >> 8) & 255),
                                    int(rec->media & 255)) +
                  media;
    if ((rec->flags & 127) == 0) return result;
    result += QStringLiteral("\n-Flags:");
    if ((rec->flags & 0x1) && (rec->flags & 0x4))
        result += QStringLiteral("\n ✓\tCannot play audio due to playmode!");
    else if (rec->flags & 0x4)
        result += QStringLiteral("\n ✓\tPlaying Audio");
    else
        result += QStringLiteral("\n\tNot Playing Audio");
    result +=
        (rec->flags & 0x40) ? QStringLiteral("\n ✓\tHad Error") : QStringLiteral("\n\tNo Errors");
    return result;
}

QString KeloRemoteCell::appendServerInfo(const QString& text) {
    QString result = text;
    if (!keloObject_) return result + QStringLiteral("\n• Not Found on Network");
    QString version = ServersUI::instance()->daemonVersionForKelo(keloObject_, false);
    if (version.isNull()) version = QStringLiteral("Kelo Daemon version unknown");
    if (!isRunning_) {
        if (keloObject_->address() == 0) return result + QStringLiteral("\n• Not Found on Network");
        return result +
               QStringLiteral("\n- %1\n• Not Running\n%2").arg(keloObject_->keloVariant(), version);
    }
    if (keloObject_->isInWindow()) result += QStringLiteral("\n• Window Mode");
    result += QStringLiteral("\n- %1\n- %2 profile")
                  .arg(keloObject_->keloVariant(), keloObject_->profileName());
    result += QStringLiteral("\n- Layers: %1").arg(keloObject_->layerCount());
    int universe = keloObject_->valueFor(3).toInt();
    const auto polled = keloObject_->addPolledPref(QStringLiteral("DMX_Univ"), nullptr, 1);
    if (polled && polled->contains(QStringLiteral("_value")))
        universe = polled->value(QStringLiteral("_value")).toInt();
    result += QStringLiteral("\n- Universe: %1").arg(universe);
    return result + QStringLiteral("\n") + version;
}

void KeloRemoteCell::getTypeKey(QString* key, int* number) const {
    QString k;
    int n = 0;
    if (DMX_MasterNumber_ != 0) {
        k = QStringLiteral("DMX_Master");
        n = DMX_MasterNumber_;
    } else if (mixNumber_ != 0) {
        k = QStringLiteral("mix");
        n = mixNumber_;
    } else {
        k = QStringLiteral("layer");
        n = layerNumber_;
    }
    if (key) *key = k;
    if (number) *number = n;
}

bool KeloRemoteCell::isVisibleInView() const {
    KeloCellHost* host = view();
    return host && host->hasWindow() && frame().intersects(host->visibleRect());
}
