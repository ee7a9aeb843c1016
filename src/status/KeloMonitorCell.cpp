#include "status/KeloMonitorCell.h"

#include "graphics/ImageGeometry.h"
#include "graphics/ImageUtilCategory.h"
#include "graphics/StretchImage.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/KeloUIAttributes.h"
#include "serverlink/ChangeIncrementsDict.h"
#include "serverlink/KeloObject.h"
#include "serverlink/keloLayerProgressRec.h"
#include "status/KeloCellHost.h"
#include "status/KeloStatusImages.h"
#include "status/ServersUI.h"
#include "status/StatusTabServices.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

int gSyncRotateDegrees = 0;

namespace {

// Alternates the indexing colour on every draw of any monitor cell.
bool gIndexingFlash = false;

int textWidth(const KeloUIAttributes* attributes, int size, const QString& text) {
    return int(std::trunc(QFontMetricsF(cellFont(attributes, size)).horizontalAdvance(text)));
}

int systemDescender(int size) {
    QFont font = qGuiApp ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont();
    font.setPixelSize(std::max(1, size));
    return int(std::trunc(QFontMetricsF(font).descent()));
}

QString ipText(uint32_t a) {
    return QString::asprintf("%i.%i.%i.%i", int(a >> 24), int((a >> 16) & 255), int((a >> 8) & 255),
                             int(a & 255));
}

}  // namespace

KeloMonitorCell::KeloMonitorCell() = default;
KeloMonitorCell::~KeloMonitorCell() = default;

void KeloMonitorCell::setDrawTextAboveImage(bool above) {
    drawTextAboveImage_ = above;
    if (above) textX_ = imageSeparation_ + 2;
}

QSizeF KeloMonitorCell::sizeForCurrentSettings(bool setTextX) {
    imageSeparation_ = 8;
    thumbWidth_ = int32_t(std::trunc(float(thumbHeight_) * thumbAspect_));
    drawTextAboveImage_ = true;
    if (setTextX) textX_ = imageSeparation_ + 2;
    return QSizeF(std::max(thumbWidth_ + 2 * imageSeparation_ + 4, 284),
                  imageSeparation_ + thumbHeight_ + 66);
}

QSizeF KeloMonitorCell::size() const {
    return const_cast<KeloMonitorCell*>(this)->sizeForCurrentSettings(textX_ == 0);
}

void KeloMonitorCell::setCollectionID(int collectionID, int currentSelected, int syncState,
                                      uint16_t progressSecs, uint16_t progressMax) {
    if (collectionID != collectionID_ || currentSelected != currentSelectedCollectionID_) {
        collectionID_ = collectionID;
        currentSelectedCollectionID_ = currentSelected;
        setAllDirty();
    }
    const bool syncing = syncState >= 3 && syncState <= 5;
    if (!syncing && syncState == syncState_ && progressSecs == progressSecs_ &&
        progressMax == progressMax_)
        return;
    syncState_ = syncState;
    progressSecs_ = progressSecs;
    progressMax_ = progressMax;
    markPartDirty(7);
    makeDirty();
    redisplay(view(), frame());
}

void KeloMonitorCell::setIsMaster(bool master) {
    if (master == isMaster_) return;
    isMaster_ = master;
    setAllDirty();
}

void KeloMonitorCell::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    setAllDirty();
}

void KeloMonitorCell::markPartDirty(int64_t index) {
    if (CellRect* r = cellRectAtindex(index)) r->makeDirty();
}

bool KeloMonitorCell::update() {
    KeloObject* kelo = keloObject_;
    if (!kelo) return false;
    bool changed = false;
    if (renamed_) {
        labelText_ = StatusTabServices::instance()->screenNameForKeloObject(kelo);
        markPartDirty(3);
        markPartDirty(2);
        renamed_ = false;
        changed = true;
    }
    if (!isVisibleInView()) return false;

    if (!changeIncrementsDict_) changeIncrementsDict_ = std::make_unique<ChangeIncrementsDict>();
    ServerChanges* seen = changeIncrementsDict_->changesForKelo(kelo->name());
    const ServerChanges now = kelo->changes();
    bool noted = false;
    if (address_ != kelo->address() || seen->address != now.address ||
        seen->network != now.network || seen->name != now.name) {
        *seen = now;
        address_ = kelo->address();
        labelText_ = StatusTabServices::instance()->screenNameForKeloObject(kelo);
        noted = true;
    }
    const int32_t running = kelo->isRunning() ? 1 : 0;
    if (running != isRunning_) {
        isRunning_ = running;
        setAllDirty();
        noted = true;
    }
    if (noted) {
        forceTotalRedraw_ = true;
        return true;
    }

    changed |= updateThumb(&outputThumbnail_, kelo, cellRectAtindex(0));
    updateAspectRatio();
    const bool backup = kelo->isBackup();
    const bool b = backup || backup != isBackup_;
    isBackup_ = backup;

    if (isRunning_ && kelo->isInWindow()) {
        isInWindow_ = true;
        if (++flashCount_ % 4 == 0) {
            markPartDirty(4);
            flashState_ = !flashState_;
            changed = true;
        }
    } else if (b || flashState_ || isInWindow_) {
        isInWindow_ = false;
        flashCount_ = 0;
        flashState_ = false;
        markPartDirty(4);
        changed = true;
    }
    if (int32_t(kelo->rxTimeCode()) != tc_value_) {
        tc_value_ = int32_t(kelo->rxTimeCode());
        markPartDirty(6);
        changed = true;
    }
    if (int32_t(kelo->dmxSourceIP()) != dmx_source_ip_address_) {
        dmx_source_ip_address_ = int32_t(kelo->dmxSourceIP());
        markPartDirty(8);
        changed = true;
    }
    if (changed) {
        makeDirty();
        redisplay(view(), frame());
    }
    return false;
}

QRectF KeloMonitorCell::addCollectionAndLabelRects(const QRectF& origin) {
    const int l = largeTextSize_;
    QRectF badge = QRectF(origin.x(), origin.y(), l + 3, l + 3).adjusted(-1, -1, 1, 1);
    badge.translate(0, std::abs(systemDescender(l)));
    addCellRect(badge);
    labelOffset_ = int32_t(std::trunc(l + 9.0));
    const double w = currSize().width();
    addCellRect(
        QRectF(origin.x() + labelOffset_, origin.y(), w - origin.x() - labelOffset_ - 8, l + 3));
    return rectlist().back()->rect();
}

void KeloMonitorCell::compactTextLayout() {
    compactTextLayout_ = true;
    const double w = currSize().width();
    const double h = currSize().height();
    const int tx = textX_;
    const int l = largeTextSize_;
    const int g = generalTextSize_;
    const double y = h - 25;
    const int sep = imageSeparation_;
    canShowTime_ = w > timeFieldWidth_ + ipFieldWidth_ + 3 * sep;
    addCollectionAndLabelRects(QRectF(tx, y, 0, 0));
    addCellRect(QRectF(150, y, w - 153, l + 3));
    addCellRect(QRectF(tx, y - (g + 6), ipFieldWidth_, g + 3));
    addCellRect(QRectF(tx, y - (g + 6) - 17, canShowTime_ ? timeFieldWidth_ : 0, g + 3));
    addCellRect(QRectF(tx + ipFieldWidth_ + 8, y - g - 5, w - tx - ipFieldWidth_ - 8, l + 3));
    addCellRect(
        QRectF(thumbWidth_ + 2 * sep + 4, y - g - 55, w - thumbWidth_ - 2 * sep - 8, 2 * l + 6));
}

void KeloMonitorCell::buildRectList() {
    if (!attributes_) attributes_ = KeloUIAttributes::attributes();
    largeTextSize_ = generalTextSize_ = attributes_->mediumFontSize();
    const int sep = imageSeparation_;
    thumbWidth_ = int32_t(std::trunc(float(thumbHeight_) * thumbAspect_));
    const double y0 = drawTextAboveImage_ ? sep + 2 : currSize().height() - thumbHeight_ - sep - 2;
    addCellRect(QRectF(sep + 2, y0, thumbWidth_, thumbHeight_));
    KlReqV4 request;
    if (keloObject_) keloObject_->imageRequest_V4(&request, 0, 0, 0, -1);
    outputThumbnail_.imageRequest = request;
    outputThumbnail_.rectIndex = 0;
    addCellRect(QRectF(2 * sep + thumbWidth_ + 2, y0, 0, 0));
    rightThumbnail_v3_.imageRequest = request;
    rightThumbnail_v3_.rectIndex = 1;
    timeFieldWidth_ = textWidth(attributes_, generalTextSize_, QStringLiteral("88:88:88:88"));
    ipFieldWidth_ = textWidth(attributes_, generalTextSize_, QStringLiteral("255.255.255.255"));
    compactTextLayout();
}

void KeloMonitorCell::drawStructure() {
    QPainter& p = *ctx();
    const QRectF all = layerRect(QRectF(QPointF(0, 0), currSize()));
    if (selected_) {
        static StretchImage* const highlight = [] {
            // Made once for the process.
            auto* image = new StretchImage(10, 10, 20, 20);
            if (QPainter* painter = image->lockFocusAndClear())
                painter->fillRect(QRectF(0, 0, 20, 20),
                                  HUDThemeKelo::instance()->cellHighlightColor());
            image->unlockFocusAndDraw(false);
            return image;
        }();
        highlight->drawCGImageInFrame(all, p);
    } else if (!pixMapSession_) {
        p.fillRect(all, attributes_->bgCol());
    }
    if (CellRect* thumb = cellRectAtindex(0))
        drawBezelForCGRectInContext(p, layerRect(thumb->rect()), attributes_, 2, 3);
}

void KeloMonitorCell::drawLabel(CellRect* part, const QColor& bg) {
    (void)bg;
    if (labelText_.isEmpty()) return;
    const QRectF r = layerRect(part->rect());
    const QString shown =
        truncateStringMiddle(labelText_, r, nullptr, nullptr, largeTextSize_, attributes_);
    QPainter& p = *ctx();
    p.save();
    p.setFont(cellFont(attributes_, largeTextSize_));
    p.setPen(keloObject_ && keloObject_->address() ? attributes_->textCol() : dimTextColor());
    p.drawText(QPointF(r.x(), r.bottom() - 5), shown);
    p.restore();
}

KeloMonitorCell::Lamp KeloMonitorCell::lamp() const {
    // Asked before the first draw too: the shared attributes then.
    const KeloUIAttributes* attributes = attributes_ ? attributes_ : KeloUIAttributes::attributes();
    Lamp lamp{QString(), QStringLiteral("KLR_Status Green"), attributes->textCol()};
    const KeloObject* kelo = keloObject_;
    if (!kelo || kelo->address() == 0) {
        lamp.word = QStringLiteral("Offline");
        lamp.imageName = QStringLiteral("KLR_Status Red");
        lamp.colour = dimTextColor();
    } else if (!isRunning_) {
        lamp.word = QStringLiteral("Kelo Not Running");
        lamp.imageName = QStringLiteral("KLR_Status Yellow");
    } else {
        lamp.word = isBackup_ ? QStringLiteral("Online Bkup") : QStringLiteral("Online");
        if (isBackup_) lamp.imageName = QStringLiteral("KLR_Status Blue");
        if (isInWindow_) {
            lamp.word = QStringLiteral("Window");
            if (flashState_) lamp.imageName = QStringLiteral("KLR_Status Yellow");
        }
    }
    return lamp;
}

void KeloMonitorCell::drawServerStatusText(CellRect* part, const QColor& bg) {
    const Lamp state = lamp();
    const QString& word = state.word;
    const QString& lampName = state.imageName;
    const QColor& colour = state.colour;
    const QImage green = keloStatusImageNamed(QStringLiteral("KLR_Status Green"));
    QSizeF lampSize = green.size();
    if (generalTextSize_ == attributes_->mediumFontSize()) lampSize *= 1.4;
    const QRectF r = part->rect();
    QPainter& p = *ctx();
    const QRectF lampRect = layerRect(QRectF(r.x() + r.width() - lampSize.width(), r.y() + 2,
                                             lampSize.width(), lampSize.height()));
    p.fillRect(lampRect, bg);
    p.drawImage(lampRect, keloStatusImageNamed(lampName));
    const QRectF wordRect(r.x(), r.y() + 5, r.width() - lampSize.width() - 3, r.height());
    const double width =
        drawStringRight(word, layerRect(wordRect), p, attributes_, largeTextSize_, colour, bg);
    if (CellRect* label = cellRectAtindex(3)) {
        QRectF l = label->rect();
        const double wordX = wordRect.x() + wordRect.width() - width;
        l.setWidth(std::max(0.0, wordX - 2 - l.x()));
        label->setRect(l);
        drawLabel(label, bg);
    }
}

void KeloMonitorCell::drawSyncPart(CellRect* part, const QColor& bg) {
    QPainter& p = *ctx();
    const QRectF r = part->rect();
    p.fillRect(layerRect(r), bg);
    QRectF t(r.x(), r.y() + 3, r.width(), r.height() - 3);
    const QString v = ServersUI::instance()->daemonVersionForKelo(keloObject_, true);
    const QString trouble = ServersUI::instance()->troubleShootStringForKelo(keloObject_, true);
    if (!trouble.isNull()) {
        const QString text = v.isNull() ? trouble : trouble + QStringLiteral(", %1").arg(v);
        drawStringRight(text, layerRect(t), p, attributes_, largeTextSize_,
                        attributes_->redStateCol(), bg);
        return;
    }
    QColor colour = v.isNull() ? attributes_->textCol() : attributes_->yellowStateCol();
    QString word;
    bool icon = true;
    if (syncState_ >= 3 && syncState_ <= 5) {
        word = isMaster_ ? QStringLiteral("Master") : QStringLiteral("Syncing");
    } else if (syncState_ == 1) {
        word = QStringLiteral("Unavailable");
        colour = attributes_->redStateCol();
    } else {
        word = v;
        icon = false;
    }
    if (icon) {
        const QImage sync = rotatedSyncImage(gSyncRotateDegrees);
        const QRectF fitted = getCenteredRect(r, sync.width(), sync.height());
        const QRectF iconRect(r.x() + r.width() - 2 - fitted.width(), r.y(), fitted.width(),
                              fitted.height());
        p.drawImage(layerRect(iconRect), sync);
        t.setWidth(t.width() - fitted.width() - 3);
        if ((syncState_ == 4 || syncState_ == 5) && StatusTabServices::instance()->showTurtle()) {
            static const QImage yellow =
                tintedImageWithColor(keloStatusImageNamed(QStringLiteral("Turtle")), Qt::yellow);
            static const QImage white =
                tintedImageWithColor(keloStatusImageNamed(QStringLiteral("Turtle")), Qt::white);
            const QImage& turtle = syncState_ == 4 ? yellow : white;
            const QRectF place(iconRect.x() - 33, r.y(), 30, iconRect.height());
            p.drawImage(layerRect(getCenteredRect(place, turtle.width(), turtle.height())), turtle);
            t.setWidth(t.width() - 33);
        }
        if (!v.isNull()) word = QStringLiteral("%1, %2").arg(v, word);
    }
    if (progressMax_ >= 13) {
        word = QString::asprintf("indexing: %0.1f%% done", progressSecs_ * 100.0 / progressMax_);
        gIndexingFlash = !gIndexingFlash;
        colour =
            gIndexingFlash ? attributes_->yellowStateCol() : QColor::fromRgbF(0.6f, 0.2f, 0.4f);
    }
    drawStringRight(word.isNull() ? QStringLiteral("") : word, layerRect(t), p, attributes_,
                    largeTextSize_, colour, bg);
}

void KeloMonitorCell::drawPart(int64_t index, const QColor& bg) {
    CellRect* part = cellRectAtindex(index);
    if (!part) return;
    QPainter& p = *ctx();
    KeloObject* kelo = keloObject_;
    const QRectF r = part->rect();
    const int g = generalTextSize_;
    const int l = largeTextSize_;
    switch (index) {
        case 0:
            drawThumbnailInCellRect(&outputThumbnail_, part, attributes_->blkCol());
            break;
        case 2:
            if (collectionID_ >= 0)
                drawCollection(collectionID_, isMaster_, p, layerRect(r.translated(0, 3)));
            break;
        case 3:
        case 4:
            if (CellRect* label = cellRectAtindex(3)) p.fillRect(layerRect(label->rect()), bg);
            p.fillRect(layerRect(cellRectAtindex(4)->rect()), bg);
            drawServerStatusText(cellRectAtindex(4), bg);
            if (CellRect* other = cellRectAtindex(index == 3 ? 4 : 3)) other->setDirty(false);
            break;
        case 5:
            drawStringInRect(kelo ? kelo->addressString() : QString(), layerRect(r), p, attributes_,
                             kelo && kelo->isReachable() ? g : -g, bg);
            break;
        case 6:
            if (isRunning_ && canShowTime_) {
                if (tc_value_ == -1) {
                    drawStringInRect(QStringLiteral("--:--:--:--"), layerRect(r), p, attributes_, g,
                                     bg);
                } else {
                    const bool error = uint32_t(tc_value_) & 0x80000000u;
                    const int time = tc_value_ & 0x7FFFFFFF;
                    drawStringInRect(i24_8toTC(time, 30, 0), layerRect(r), p, attributes_,
                                     error ? -g : g, bg);
                    tc_value_ = time;
                }
            }
            break;
        case 7:
            drawSyncPart(part, bg);
            break;
        case 8: {
            p.fillRect(layerRect(r), bg);
            const QRectF caption(r.x(), r.y() - 10, r.width(), l + 3);
            drawStringRight(QStringLiteral("Control Source IP:"), layerRect(caption), p,
                            attributes_, l, attributes_->textCol(), bg);
            const QRectF value = caption.translated(0, -(l + 8));
            const uint32_t source = uint32_t(dmx_source_ip_address_);
            drawStringRight(source ? ipText(source) : QStringLiteral("No Input"), layerRect(value),
                            p, attributes_, l,
                            source ? attributes_->textCol() : attributes_->redStateCol(), bg);
            break;
        }
        default:
            break;
    }
}

void KeloMonitorCell::drawDirtyParts() {
    const QString warningText = keloObject_ ? keloObject_->addressChangeWarning() : QString();
    drawDirtyPartsWithWarning(warningText);
    if (warningText.isNull() == warning_) {
        // The warning came or went: everything under its frame is drawn again.
        warning_ = !warningText.isNull();
        setAllDirty();
        drawDirtyPartsWithWarning(warningText);
    }
}

void KeloMonitorCell::drawDirtyPartsWithWarning(const QString& warningText) {
    const QColor bg =
        selected_ ? HUDThemeKelo::instance()->cellHighlightColor() : attributes_->bgCol();
    for (const auto& r : rectlist()) {
        if (!r->dirty()) continue;
        r->setDirty(false);
        drawPart(r->index(), bg);
    }
    QPainter& p = *ctx();
    const double w = currSize().width();
    const double h = currSize().height();
    const QColor highlight = HUDThemeKelo::instance()->cellHighlightColor();
    if (pixMapSession_ && !selected_) {
        p.setPen(QPen(highlight, 3));
        p.setBrush(Qt::NoBrush);
        p.drawRect(layerRect(QRectF(1, 1, w - 2, h - 2)));
        drawStringRight(QStringLiteral("Pixel Map Session"), layerRect(QRectF(w - 112, 5, 110, 12)),
                        p, attributes_, largeTextSize_, attributes_->greenStateColour(), highlight);
    }
    if (warningText.isNull()) return;
    p.setPen(QPen(attributes_->redStateCol(), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(layerRect(QRectF(1, 1, w - 2, h - 2)));
    double y = 45;
    for (const QString& line : warningText.split(QLatin1Char('\n'))) {
        drawStringRight(line, layerRect(QRectF(4, y, w - 10, 16)), p, attributes_, largeTextSize_,
                        attributes_->redStateCol(), highlight);
        y -= 20;
    }
}

void KeloMonitorCell::drawWithFrame(QPainter& view, const QRectF& frame, KeloCellHost* host) {
    KeloRemoteCell::drawWithFrame(view, frame, host);
    if (addToolTips_ && this->view()) {
        this->view()->addToolTipForRect(QRectF(QPointF(0, 0), frame.size()), frame, this);
        addToolTips_ = false;
    }
}

QString KeloMonitorCell::toolTipForPoint(const QPointF& point) {
    (void)point;
    const QString info = appendServerInfo(labelText_);
    const QString trouble = ServersUI::instance()->troubleShootStringForKelo(keloObject_, false);
    return trouble.isNull() ? info : trouble + QStringLiteral("\n\n%1").arg(info);
}
