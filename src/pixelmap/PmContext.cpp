#include "pixelmap/PmContext.h"

#include "hud/views/VNSViewCategory.h"
#include "pixelmap/PixelMapConstants.h"
#include "pixelmap/PmBackgroundImageSource.h"
#include "pixelmap/PmValueCategory.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kContext = QStringLiteral("context");
const QString kFixtures = QStringLiteral("fixtures");
const QString kUniqueId = QStringLiteral("unique_id");
const QString kBgImage = QStringLiteral("ctx_bgimage");

const QString kLiveStream = QStringLiteral("Live stream");
const QString kAVFoundation = QStringLiteral("AVFoundation");
const QString kNDI = QStringLiteral("NDI");

void note(PmTypeRepairs* repairs, const QString& key, bool wrong) {
    if (wrong && repairs) ++(*repairs)[key];
}

bool finite(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height());
}

QRectF readRect(const QVariantMap& dict, const QString& key, PmTypeRepairs* repairs) {
    bool wrong = false;
    const QString text = pmStringValue(dict.value(key), &wrong);
    note(repairs, key, wrong);
    const QRectF rect = NSRectFromString(text);
    return finite(rect) ? rect : QRectF();
}

QSizeF readSize(const QVariantMap& dict, const QString& key, PmTypeRepairs* repairs) {
    bool wrong = false;
    const QString text = pmStringValue(dict.value(key), &wrong);
    note(repairs, key, wrong);
    const QSizeF size = NSSizeFromString(text);
    return std::isfinite(size.width()) && std::isfinite(size.height()) ? size : QSizeF();
}

// A file's id, or -1 when it has none that can be used.
int32_t readUniqueId(const QVariantMap& contextDict, PmTypeRepairs* repairs) {
    const QVariant value = contextDict.value(kUniqueId);
    if (!value.isValid()) return -1;
    bool wrong = false;
    const int32_t id = pmIntValue(value, &wrong);
    if (wrong || id < 0 || id > PmContext::kMaxUniqueId) {
        note(repairs, kUniqueId, true);
        return -1;
    }
    return id;
}

}  // namespace

PmContext::PmContext(const QVariantMap& dict, const QVariantList& profiles, PmTypeRepairs* repairs) {
    const int32_t id = readUniqueId(dict.value(kContext).toMap(), repairs);
    if (id >= 0) {
        unique_id_ = id;
        if (id >= sNext_unique_id_) sNext_unique_id_ = id + 1;
    } else {
        unique_id_ = sNext_unique_id_++;
    }
    setDict(dict, profiles, repairs);
    QVariantMap contextDict = dict_.value(kContext).toMap();
    contextDict.insert(kUniqueId, qint64(unique_id_));
    dict_.insert(kContext, contextDict);
}

std::unique_ptr<PmContext> PmContext::initDummyWithPixelSize(QSizeF pixelSize, QSizeF zoomSize) {
    std::unique_ptr<PmContext> context(new PmContext());
    context->basePixelSize_ = pixelSize;
    context->zoomedPixelSize_ = zoomSize;
    return context;
}

std::unique_ptr<PmContext> PmContext::context(PmContext& source, const QVariantList& profiles,
                                              bool copyFixtures) {
    QVariantMap dict = source.mutableCopyDeep();
    if (!copyFixtures) dict.insert(kFixtures, QVariantList());
    QVariantMap contextDict = dict.value(kContext).toMap();
    contextDict.insert(kUniqueId, qint64(sNext_unique_id_));
    dict.insert(kContext, contextDict);
    return std::make_unique<PmContext>(dict, profiles);
}

void PmContext::setDict(const QVariantMap& dict, const QVariantList& profiles,
                        PmTypeRepairs* repairs) {
    const QVariant contextValue = dict.value(kContext);
    note(repairs, kContext, contextValue.isValid() && contextValue.typeId() != QMetaType::QVariantMap);
    readContextDict(contextValue.toMap(), repairs);

    dict_ = dict;
    if (contextValue.typeId() != QMetaType::QVariantMap) dict_.insert(kContext, QVariantMap());
    fixtures_.clear();
    const QVariant fixtures = dict.value(kFixtures);
    if (fixtures.typeId() == QMetaType::QVariantList) {
        const QVariantList list = fixtures.toList();
        fixtures_.reserve(size_t(list.size()));
        for (const QVariant& entry : list) {
            if (entry.typeId() != QMetaType::QVariantMap) {
                note(repairs, kFixtures, true);
                continue;
            }
            fixtures_.push_back(std::make_unique<PmFixture>(entry.toMap(), profiles, unique_id_, repairs));
            if (fixtures_.size() == 1) ctx_protocol_ = protocolForString(fixtures_.front()->mProtocol());
        }
    } else {
        note(repairs, kFixtures, fixtures.isValid());
        dict_.insert(kFixtures, QVariantList());
    }
    basePixelSize_ = QSizeF(1, 1);
    zoomedPixelSize_ = QSizeF(1, 1);
}

void PmContext::readContextDict(const QVariantMap& c, PmTypeRepairs* repairs) {
    bool wrong = false;
    source_rect_ = readRect(c, QStringLiteral("source_rect"), repairs);
    source_auto_ = pmBoolValue(c.value(QStringLiteral("source_auto")), &wrong);
    note(repairs, QStringLiteral("source_auto"), std::exchange(wrong, false));
    source_id_ = pmIntValue(c.value(QStringLiteral("source_id")), &wrong);
    note(repairs, QStringLiteral("source_id"), std::exchange(wrong, false));
    context_size_ = readSize(c, QStringLiteral("context_size"), repairs);
    tile_size_ = readSize(c, QStringLiteral("context_tile_size"), repairs);
    const QVariant ghost = c.value(QStringLiteral("dmx_ghost"));
    dmx_ghost_ = ghost.isValid() ? float(pmDoubleValue(ghost, &wrong)) : 0.25f;
    note(repairs, QStringLiteral("dmx_ghost"), std::exchange(wrong, false));

    // Both halves of the background texture are dropped.
    bgImgDataIncrement_ += 2;
    hasBgImage_ = false;
    const QVariant bgValue = c.value(kBgImage);
    const QString bg = pmStringValue(bgValue, &wrong);
    note(repairs, kBgImage, std::exchange(wrong, false));
    usesLiveImage_ = bg == kLiveStream;
    usesAvfImage_ = bg == kAVFoundation;
    usesNdiImage_ = bg == kNDI;
    wantsBgImage_ = bgValue.isValid();
    if (!bg.isEmpty() && !usesLiveImage_ && !usesAvfImage_ && !usesNdiImage_) {
        const QByteArray data = PmBackgroundImageSource::shared().bgImageData(bg);
        if (data != bgImgData_) {
            bgImgData_ = data;
            ++bgImgDataIncrement_;
        }
    } else {
        bgImgData_.clear();
        ++bgImgDataIncrement_;
    }

    QRectF bgRect(QPointF(0, 0), context_size_);
    if (c.contains(QStringLiteral("bgimage_rect"))) bgRect = readRect(c, QStringLiteral("bgimage_rect"), repairs);
    if (bgRect != bgimage_rect_) {
        bgimage_rect_ = bgRect;
        ++bgImgDataIncrement_;
    }
    const float rotate = float(pmDoubleValue(c.value(QStringLiteral("bgimage_rotate")), &wrong));
    note(repairs, QStringLiteral("bgimage_rotate"), std::exchange(wrong, false));
    if (rotate != bgimage_rotate_) {
        bgimage_rotate_ = rotate;
        ++bgImgDataIncrement_;
    }
    float scale = float(pmDoubleValue(c.value(QStringLiteral("bgimage_scale")), &wrong));
    note(repairs, QStringLiteral("bgimage_scale"), std::exchange(wrong, false));
    if (!(scale > 0)) scale = 1.0f;
    if (scale != bgimage_scale_) {
        bgimage_scale_ = scale;
        ++bgImgDataIncrement_;
    }

    // The editor indexes its per-protocol lists by this number.
    const int32_t protocol = pmIntValue(c.value(QStringLiteral("ctx_protocol")), &wrong);
    const bool outOfRange = protocol < 0 || protocol >= kPmProtocolCount;
    note(repairs, QStringLiteral("ctx_protocol"), wrong || outOfRange);
    ctx_protocol_ = outOfRange ? 0 : protocol;
}

void PmContext::updateContextDict(const QVariantMap& contextDict, const QVariantList& profiles) {
    (void)profiles;
    readContextDict(contextDict);
    dict_.insert(kContext, contextDict);
}

QVariantMap PmContext::mutableCopyDeep() {
    QVariantMap copy = dict_;
    QVariantList fixtures;
    fixtures.reserve(qsizetype(fixtures_.size()));
    for (const auto& fixture : fixtures_) fixtures.append(fixture->mutableCopyDeep());
    copy.insert(kFixtures, fixtures);
    return copy;
}

PmFixture* PmContext::addFixture(std::unique_ptr<PmFixture> fixture) {
    fixture->setMContext_unique_id(unique_id_);
    fixtures_.push_back(std::move(fixture));
    return fixtures_.back().get();
}

void PmContext::removeFixturesInArray(const std::vector<PmFixture*>& fixtures) {
    std::erase_if(fixtures_, [&](const std::unique_ptr<PmFixture>& f) {
        return std::find(fixtures.begin(), fixtures.end(), f.get()) != fixtures.end();
    });
}

QString PmContext::bgImageName() const {
    return pmStringValue(dict_.value(kContext).toMap().value(kBgImage));
}

QString PmContext::avfSourceName() const {
    return pmStringValue(dict_.value(kContext).toMap().value(QStringLiteral("ctx_avfsourcename")));
}

void PmContext::setPixelSizes(QSizeF size, double zoom) {
    basePixelSize_ = size;
    zoomedPixelSize_ = QSizeF(size.width() * zoom, size.height() * zoom);
}

QPointF PmContext::pixelForMousePt(QPointF point, bool* isInContext) const {
    const QRectF& r = drawableContextRect_;
    const bool inside = r.contains(point);
    if (isInContext) *isInContext = inside;
    QPointF offset = point - r.topLeft();
    if (!inside) {
        offset.setX(std::clamp(offset.x(), 0.0, std::max(0.0, r.width() - 1)));
        offset.setY(std::clamp(offset.y(), 0.0, std::max(0.0, r.height() - 1)));
    }
    const double w = zoomedPixelSize_.width() != 0 ? zoomedPixelSize_.width() : 1;
    const double h = zoomedPixelSize_.height() != 0 ? zoomedPixelSize_.height() : 1;
    return QPointF(offset.x() / w, offset.y() / h);
}

QString PmContext::description() const {
    return QString::asprintf("<PmContext: %p> %d", static_cast<const void*>(this), unique_id_);
}
