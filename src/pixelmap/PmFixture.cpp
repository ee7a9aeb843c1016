#include "pixelmap/PmFixture.h"

#include "foundation/OmLog.h"
#include "pixelmap/PixelMapConstants.h"
#include "pixelmap/PmLogPanel.h"
#include "pixelmap/PmValueCategory.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kFixUniv = QStringLiteral("fix_univ");
const QString kFixProtocol = QStringLiteral("fix_protocol");
const QString kFixReference = QStringLiteral("fix_reference");
const QString kFixRotation = QStringLiteral("fix_rotation");
const QString kPixels = QStringLiteral("pixels");
const QString kPixAddr = QStringLiteral("pix_addr");
const QString kProfileName = QStringLiteral("profile_name");

// Reads one key, counting a value of the wrong type under the key's name.
struct Reader {
    const QVariantMap& dict;
    PmTypeRepairs* repairs;

    void note(const QString& key, bool wrong) const {
        if (wrong && repairs) ++(*repairs)[key];
    }
    int32_t i(const QString& key) const {
        bool wrong = false;
        const int32_t v = pmIntValue(dict.value(key), &wrong);
        note(key, wrong);
        return v;
    }
    double d(const QString& key) const {
        bool wrong = false;
        const double v = pmDoubleValue(dict.value(key), &wrong);
        note(key, wrong);
        return v;
    }
    QString s(const QString& key) const {
        bool wrong = false;
        const QString v = pmStringValue(dict.value(key), &wrong);
        note(key, wrong);
        return v;
    }
};

QVariant integer(int32_t value) { return QVariant(qint64(value)); }

QString numberText(const QVariant& value) {
    const double d = value.toDouble();
    if (value.typeId() == QMetaType::Double && d != std::floor(d)) return QString::number(d, 'g', 17);
    return QString::number(value.toLongLong());
}

QStringList build(std::initializer_list<const char*> keys) {
    QStringList list;
    for (const char* key : keys) list << QString::fromLatin1(key);
    return list;
}

// Old profile names and the names that replaced them, tried in order; the
// first prefix that matches is the only one tried.
constexpr std::pair<const char*, const char*> kRenamedProfiles[] = {
    {"Intensity16", "Luma601 16"}, {"Intensity", "Luma601"}, {"RGB16", "RGB 16"},
    {"CMY16", "CMY 16"},           {"CYM16", "CYM 16"},
};

}  // namespace

PmFixture::PmFixture(const QVariantMap& dict, const QVariantList& profiles,
                     int32_t contextUniqueId, PmTypeRepairs* repairs)
    : mContext_unique_id_(contextUniqueId) {
    setDict(dict, profiles, repairs);
}

std::unique_ptr<PmFixture> PmFixture::initDummyFixtureForProfile(const QVariantMap& profile) {
    std::unique_ptr<PmFixture> fixture(new PmFixture());
    fixture->readProfileAttributes(profile, true);
    fixture->initPixels();
    return fixture;
}

std::unique_ptr<PmFixture> PmFixture::copyWithProfiles(const QVariantList& profiles) {
    auto copy = std::make_unique<PmFixture>(mutableCopyDeep(), profiles, mContext_unique_id_);
    copy->mSelected_ = mSelected_;
    copy->mOrigPosition_ = mOrigPosition_;
    copy->mTestingSoloCookie_ = mTestingSoloCookie_;
    copy->mTestingSoloGreen_ = mTestingSoloGreen_;
    return copy;
}

void PmFixture::copyFromFixture(PmFixture& other, const QVariantList& profiles) {
    QVariantMap dict;
    other.dictFromFixture(dict);
    setDict(dict, profiles);
}

QVariantMap PmFixture::mutableCopyDeep() {
    QVariantMap dict;
    dictFromFixture(dict);
    return dict;
}

bool PmFixture::isEqualTo(PmFixture& other) { return mutableCopyDeep() == other.mutableCopyDeep(); }

bool PmFixture::isEqualTo(const QVariantMap& dict) { return mutableCopyDeep() == dict; }

QString PmFixture::description() const {
    return QString::asprintf("<PmFixture: %p> x%0.2fy%0.2f, n'%s' p'%s' c%d u%d/%d grp%d mu%d ma%d mt%d",
                             static_cast<const void*>(this), mPosition_.x(), mPosition_.y(),
                             qPrintable(mFixName_), qPrintable(mReference_), mContext_unique_id_,
                             mUniverse_, mAddress_, mGroup_, mMergeUniv_, mMergeAddr_, mMergeType_);
}

void PmFixture::setDict(const QVariantMap& source, const QVariantList& profiles,
                        PmTypeRepairs* repairs) {
    QVariantMap dict = source;
    Reader in{dict, repairs};

    QString universeText;
    const QVariant univ = dict.value(kFixUniv);
    if (pmIsNumber(univ))
        universeText = numberText(univ);
    else
        universeText = in.s(kFixUniv);

    mPort_ = 0;
    const QVariant protocol = dict.value(kFixProtocol);
    if (protocol.typeId() == QMetaType::QString) {
        const QString name = protocol.toString();
        if (name.compare(QStringLiteral("KiNet_PORTOUT"), Qt::CaseInsensitive) == 0) {
            mProtocol_ = kPmKinetPortOut;
            setKinetDeviceAndPort(universeText);
        } else if (name.compare(QStringLiteral("KiNet_DMXOUT"), Qt::CaseInsensitive) == 0) {
            mProtocol_ = kPmKinetDmxOut;
        } else {
            mProtocol_ = name;
        }
    } else {
        in.note(kFixProtocol, protocol.isValid());
        mProtocol_ = QString();
    }
    setMUniverse(pmLeadingInt(universeText));

    setMAddress(in.i(QStringLiteral("fix_addr")));
    setMPosition(QPointF(in.d(QStringLiteral("fix_xpos")), in.d(QStringLiteral("fix_ypos"))));
    mFixName_ = in.s(QStringLiteral("fix_name"));
    mGroup_ = in.i(QStringLiteral("fix_group"));
    mMergeUniv_ = in.i(QStringLiteral("fix_merge_univ"));
    mMergeAddr_ = in.i(QStringLiteral("fix_merge_addr"));
    mMergeType_ = in.i(QStringLiteral("fix_merge_type"));
    mTrackingType_ = in.i(QStringLiteral("fix_track_type"));
    mTrackingUniv_ = in.i(QStringLiteral("fix_track_univ"));
    mTrackingAddr_ = static_cast<float>(in.d(QStringLiteral("fix_track_addr")));
    const QVariant scale = dict.value(QStringLiteral("fix_track_scale"));
    mTrackingScale_ = pmIsNumber(scale) ? numberText(scale) : in.s(QStringLiteral("fix_track_scale"));
    mTrackingMin_ = in.i(QStringLiteral("fix_track_min"));
    mTrackingMax_ = in.i(QStringLiteral("fix_track_max"));
    mReference_ = in.s(kFixReference);

    QVariantMap overrides;
    if (mReference_.isEmpty()) {
        dict = fixMissingProfileReference(dict, profiles, &overrides);
        mReference_ = pmStringValue(dict.value(kFixReference));
        if (!mReference_.isEmpty())
            PmLogPanel::shared().log(
                kOmLogWarning,
                QStringLiteral("fixed missing profile reference %1 for fixture").arg(mReference_));
    }

    int profileIndex = -1;
    if (!mReference_.isEmpty()) {
        profileIndex = findProfile(mReference_, profiles);
        if (profileIndex < 0) {
            for (const auto& [oldName, newName] : kRenamedProfiles) {
                const QString prefix = QString::fromLatin1(oldName);
                if (!mReference_.startsWith(prefix)) continue;
                const QString renamed = QString::fromLatin1(newName) + mReference_.mid(prefix.size());
                const int found = findProfile(renamed, profiles);
                if (found >= 0) {
                    mReference_ = renamed;
                    profileIndex = found;
                }
                break;
            }
        }
        if (profileIndex >= 0)
            readProfileAttributes(profiles[profileIndex].toMap(), true, repairs);
        else
            PmLogPanel::shared().log(
                kOmLogError,
                QStringLiteral("ERROR: missing profile reference %1 for fixture").arg(mReference_));
    }

    readProfileAttributes(dict, false, repairs);

    if (dict.contains(kFixRotation))
        mFreeRotation_ = static_cast<float>(in.d(kFixRotation));
    else if (profileIndex >= 0)
        mFreeRotation_ = static_cast<float>(pmDoubleValue(profiles[profileIndex].toMap().value(kFixRotation)));
    else
        mFreeRotation_ = 0;

    for (const QString& key : profileKeys()) {
        const auto it = dict.constFind(key);
        if (it != dict.constEnd()) overrides.insert(key, it.value());
    }
    mProfileOverrides_ = overrides;

    initPixels();
}

void PmFixture::dictFromFixture(QVariantMap& dict) {
    dict.insert(QStringLiteral("fix_xpos"), mPosition_.x());
    dict.insert(QStringLiteral("fix_ypos"), mPosition_.y());
    if (!mFixName_.isNull()) dict.insert(QStringLiteral("fix_name"), mFixName_);
    if (mGroup_ != 0) dict.insert(QStringLiteral("fix_group"), integer(mGroup_));
    if (mMergeUniv_ != 0) dict.insert(QStringLiteral("fix_merge_univ"), integer(mMergeUniv_));
    if (mMergeAddr_ != 0) dict.insert(QStringLiteral("fix_merge_addr"), integer(mMergeAddr_));
    if (mMergeType_ != 0) dict.insert(QStringLiteral("fix_merge_type"), integer(mMergeType_));
    if (!mProtocol_.isNull()) dict.insert(kFixProtocol, mProtocol_);
    if (!mUniverseStr_.isNull()) dict.insert(kFixUniv, mUniverseStr_);
    dict.insert(QStringLiteral("fix_addr"), integer(mAddress_));
    dict.insert(kFixRotation, double(mFreeRotation_));
    if (mTrackingAddr_ != 0) {
        if (mTrackingType_ == 0) mTrackingType_ = 1;
        dict.insert(QStringLiteral("fix_track_type"), integer(mTrackingType_));
        dict.insert(QStringLiteral("fix_track_univ"), integer(mTrackingUniv_));
        dict.insert(QStringLiteral("fix_track_addr"), double(mTrackingAddr_));
        if (!mTrackingScale_.isNull()) dict.insert(QStringLiteral("fix_track_scale"), mTrackingScale_);
        dict.insert(QStringLiteral("fix_track_min"), integer(mTrackingMin_));
        dict.insert(QStringLiteral("fix_track_max"), integer(mTrackingMax_));
    }
    if (mReference_.isNull()) {
        PmLogPanel::shared().log(kOmLogError,
                                 QStringLiteral("missing profile for fixture %1").arg(mFixName_));
        return;
    }
    dict.insert(kFixReference, mReference_);
    for (auto it = mProfileOverrides_.constBegin(); it != mProfileOverrides_.constEnd(); ++it)
        dict.insert(it.key(), it.value());
}

int PmFixture::findProfile(const QString& name, const QVariantList& profiles) {
    for (qsizetype i = 0; i < profiles.size(); ++i) {
        const QVariant& entry = profiles[i];
        if (entry.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap* profile = static_cast<const QVariantMap*>(entry.constData());
        const auto it = profile->constFind(kProfileName);
        if (it != profile->constEnd() && it->typeId() == QMetaType::QString && it->toString() == name)
            return int(i);
    }
    return -1;
}

void PmFixture::readProfileAttributes(const QVariantMap& dict, bool isProfile,
                                      PmTypeRepairs* repairs) {
    Reader in{dict, repairs};
    auto readInt = [&](const QString& key, int32_t& field) {
        const auto it = dict.constFind(key);
        if (it != dict.constEnd()) {
            bool wrong = false;
            field = pmIntValue(*it, &wrong);
            in.note(key, wrong);
        }
    };
    auto readFloat = [&](const QString& key, float& field) {
        const auto it = dict.constFind(key);
        if (it != dict.constEnd()) {
            bool wrong = false;
            field = static_cast<float>(pmDoubleValue(*it, &wrong));
            in.note(key, wrong);
        }
    };
    auto readText = [&](const QString& key, QString& field) {
        const auto it = dict.constFind(key);
        if (it != dict.constEnd() && it->typeId() == QMetaType::QString) field = it->toString();
    };
    readInt(QStringLiteral("fix_cnt"), mDMXCount_);
    readInt(QStringLiteral("fix_type"), mType_);
    readFloat(QStringLiteral("fix_pixfill"), mPixelFill_);
    readFloat(QStringLiteral("fix_level"), mLevel_);
    readInt(QStringLiteral("fix_refresh"), mRefresh_);
    readInt(QStringLiteral("fix_mask"), mMask_);
    readInt(QStringLiteral("fix_slew"), mSlew_);
    readFloat(QStringLiteral("fix_cie_factor"), mCieFactor_);
    readInt(QStringLiteral("fix_cie_whitepoint"), mCieWhitepoint_);
    readInt(QStringLiteral("fix_cie_linearFunc"), mCieLinearFunc_);
    readInt(QStringLiteral("fix_rgbw2_whiteTuneEnable"), mRgbw2WhiteTuningEnable_);
    readInt(QStringLiteral("fix_amber_whitePointEnable"), mAmberWhitePointEnable_);
    readInt(QStringLiteral("fix_lime_whitePointEnable"), mLimeWhitePointEnable_);
    readText(QStringLiteral("fix_rgbw2_whiteTuneVal"), mRgbw2WhiteTuningValue_);
    readText(QStringLiteral("fix_amber_whitePointVal"), mAmberWhitePointValue_);
    readText(QStringLiteral("fix_lime_whitePointVal"), mLimeWhitePointValue_);

    const auto pixels = dict.constFind(kPixels);
    if (pixels == dict.constEnd()) return;
    if (pixels->typeId() != QMetaType::QVariantList) {
        in.note(kPixels, true);
        return;
    }
    if (isProfile) {
        mPixArray_ = pixels->toList();
    } else {
        QVariantList merged = mPixArray_;
        applyPixOverrides(pixels->toList(), merged);
        mPixArray_ = merged;
    }
}

QVariantMap PmFixture::fixMissingProfileReference(const QVariantMap& dict,
                                                  const QVariantList& profiles,
                                                  QVariantMap* overrides) {
    auto withReference = [&](const QVariantMap& profile) {
        QVariantMap copy = dict;
        for (const QString& key : profileKeys()) copy.remove(key);
        copy.insert(kFixReference, profile.value(kProfileName));
        return copy;
    };

    const QString name = pmStringValue(dict.value(QStringLiteral("fix_name")));
    int found = name.isEmpty() ? -1 : findProfile(name, profiles);
    if (found >= 0) {
        const QVariantMap profile = profiles[found].toMap();
        if (overrides) {
            for (const QString& key : profileKeys()) {
                if (key == kPixels) continue;
                const QVariant value = dict.value(key);
                if (!value.isValid() || value.isNull()) continue;
                const QVariant existing = profile.value(key);
                if (value == existing) continue;
                overrides->insert(key, value);
                PmLogPanel::shared().log(
                    kOmLogInfo,
                    QStringLiteral("Import overriding %1 for fixture key %2 value %3 vs. profile %4 ")
                        .arg(name, key, value.toString(), existing.toString()));
            }
        }
        return withReference(profile);
    }

    for (QString stripped = name; stripped.startsWith(u'*') && stripped.size() >= 2;) {
        stripped.remove(0, 1);
        found = findProfile(stripped, profiles);
        if (found >= 0) return withReference(profiles[found].toMap());
    }

    for (const QVariant& entry : profiles) {
        if (entry.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap profile = entry.toMap();
        const bool same = std::all_of(profileKeys().cbegin(), profileKeys().cend(),
                                      [&](const QString& key) { return dict.value(key) == profile.value(key); });
        if (same) return withReference(profile);
    }
    return dict;
}

void PmFixture::rebuildWithProfiles(const QVariantList& profiles, const QVariantMap& oldProfile,
                                    const QVariantMap& newProfile) {
    QVariantMap dict;
    dictFromFixture(dict);
    setDict(dict, profiles);
    if (mProfileOverrides_.isEmpty()) return;
    const QVariant pixels = mProfileOverrides_.take(kPixels);
    QVariantList kept;
    for (const QVariant& entry : pixels.toList())
        if (isOverrideValid(entry.toMap(), oldProfile, newProfile)) kept.append(entry);
    if (!kept.isEmpty()) mProfileOverrides_.insert(kPixels, kept);
}

bool PmFixture::isOverrideValid(const QVariantMap& pixelOverride, const QVariantMap& oldProfile,
                                const QVariantMap& newProfile) {
    const int32_t address = pmIntValue(pixelOverride.value(kPixAddr));
    int32_t oldIndex = -1;
    const QVariantMap oldPixel = findPixelWithAddr(address, oldProfile.value(kPixels).toList(), &oldIndex);
    if (oldIndex < 0) return false;
    int32_t newIndex = -1;
    const QVariantMap newPixel = findPixelWithAddr(address, newProfile.value(kPixels).toList(), &newIndex);
    return newIndex >= 0 && oldPixel == newPixel;
}

void PmFixture::addOverride(const QVariant& value, const QString& key) {
    mProfileOverrides_.insert(key, value);
}

void PmFixture::clearOverride(const QString& key) { mProfileOverrides_.remove(key); }

namespace {

// Most fixtures share their profile's pixel array untouched: the records built
// from one array are kept for the next fixture that shares it. Each entry
// holds its array, so that the array's storage cannot be reused by another
// while the entry lives. Main thread only, as the fixtures.
struct PixelRecords {
    QVariantList pixels;
    std::vector<OmFixturePixel> records;
    int32_t firstDrawn = -1;
};

std::vector<PixelRecords>& pixelRecordCache() {
    static std::vector<PixelRecords> cache;
    return cache;
}

constexpr size_t kPixelRecordCacheSize = 64;

}  // namespace

void PmFixture::initPixels() {
    if (!mPixArray_.isEmpty()) {
        for (const PixelRecords& entry : pixelRecordCache()) {
            if (entry.pixels.constData() != mPixArray_.constData() || entry.pixels.size() != mPixArray_.size())
                continue;
            mPixels_ = entry.records;
            mFirstDrawnPix_ = entry.firstDrawn;
            return;
        }
    }
    mFirstDrawnPix_ = -1;
    mPixels_.clear();
    mPixels_.reserve(size_t(mPixArray_.size()));
    static const QString kX = QStringLiteral("pix_x"), kY = QStringLiteral("pix_y"),
                         kCnt = QStringLiteral("pix_cnt"), kShape = QStringLiteral("pix_shape"),
                         kType = QStringLiteral("pix_type");
    for (const QVariant& entry : std::as_const(mPixArray_)) {
        if (entry.typeId() != QMetaType::QVariantMap) {
            // Not a pixel: kept as a record so that indexes stay aligned, but never drawn.
            addPixel(0, 0, 0, -1, 0);
            continue;
        }
        const QVariantMap& pixel = *static_cast<const QVariantMap*>(entry.constData());
        addPixel(pmDoubleValue(pixel.value(kX)), pmDoubleValue(pixel.value(kY)),
                 pmIntValue(pixel.value(kCnt)), pmIntValue(pixel.value(kShape)),
                 pmIntValue(pixel.value(kType)));
    }
    if (mPixArray_.isEmpty()) return;
    auto& cache = pixelRecordCache();
    if (cache.size() >= kPixelRecordCacheSize) cache.erase(cache.begin());
    cache.push_back({mPixArray_, mPixels_, mFirstDrawnPix_});
}

void PmFixture::addPixel(double x, double y, int32_t count, int32_t shape, int32_t type) {
    addPixel(OmFixturePixel{x, y, count, shape, type, false});
}

void PmFixture::addPixel(const OmFixturePixel& pixel) {
    if (mFirstDrawnPix_ < 0 && pixel.shape != -1) mFirstDrawnPix_ = int32_t(mPixels_.size());
    mPixels_.push_back(pixel);
}

void PmFixture::setMPosition(QPointF position) {
    auto clean = [](double v) { return std::isfinite(v) && v > 0 ? v : 0.0; };
    mPosition_ = QPointF(clean(position.x()), clean(position.y()));
}

void PmFixture::rebuildUniverseStr() {
    if (mProtocol_ == kPmKinetPortOut)
        mUniverseStr_ = QStringLiteral("%1.%2").arg(mUniverse_).arg(mPort_);
    else
        mUniverseStr_ = QString::number(mUniverse_);
}

void PmFixture::setMProtocol(const QString& protocol) {
    if (protocol == mProtocol_ && protocol.isNull() == mProtocol_.isNull()) return;
    mProtocol_ = protocol;
    rebuildUniverseStr();
}

void PmFixture::setMUniverse(int32_t universe) {
    mUniverse_ = universe;
    rebuildUniverseStr();
}

void PmFixture::setMPort(int32_t port) {
    mPort_ = port;
    if (mProtocol_ == kPmKinetPortOut) rebuildUniverseStr();
}

void PmFixture::setMAddress(int32_t address) {
    if (address < 1)
        OmLogNoFlood(kOmLogWarning, "setMAddress, input address <= 0");
    else if (address > 2048)
        OmLogNoFlood(kOmLogWarning, "setMAddress, input address > 2048");
    mAddress_ = address;
}

void PmFixture::setKinetDeviceAndPort(const QVariant& value) {
    if (mProtocol_ != kPmKinetPortOut || value.typeId() != QMetaType::QString) return;
    const QString text = value.toString();
    mUniverse_ = pmLeadingInt(text);
    const qsizetype dot = text.indexOf(u'.');
    if (dot >= 0 && dot + 1 < text.size()) mPort_ = pmLeadingInt(text.mid(dot + 1));
    rebuildUniverseStr();
}

int32_t PmFixture::spanFrom(int32_t count, int32_t address) const {
    if (mPixels_.empty()) return count;
    // 64-bit so that hostile channel counts cannot overflow.
    qint64 span = count;
    qint64 a = address;
    for (const OmFixturePixel& pixel : mPixels_) {
        const qint64 e = a + pixel.count;
        if (a <= 512 && e >= 514) {
            span += 513 - a;
            a = 513;
        } else if (a <= 1024 && e >= 1026) {
            span += 1025 - a;
            a = 1025;
        } else if (a <= 1536 && e >= 1538) {
            span += 1537 - a;
            a = 1537;
        } else {
            a = e;
        }
    }
    return int32_t(std::clamp<qint64>(span, INT32_MIN, INT32_MAX));
}

int32_t PmFixture::modifiedDMXCountFromUniverseSpan() const { return spanFrom(mDMXCount_, mAddress_); }

int32_t PmFixture::modifiedMergeDMXCountFromUniverseSpan() const {
    return spanFrom(mergeDMXCount(), mMergeAddr_);
}

int32_t PmFixture::highestAddr() const {
    const qint64 last = qint64(mAddress_) + modifiedDMXCountFromUniverseSpan() - 1;
    return int32_t(std::clamp<qint64>(std::max<qint64>(mAddress_, last), INT32_MIN, INT32_MAX));
}

int32_t PmFixture::highestMergeAddr() const {
    const qint64 last = qint64(mMergeAddr_) + modifiedMergeDMXCountFromUniverseSpan() - 1;
    return int32_t(std::clamp<qint64>(std::max<qint64>(mMergeAddr_, last), INT32_MIN, INT32_MAX));
}

PmFixture::Range PmFixture::addrRange() const {
    return {mAddress_, std::max(modifiedDMXCountFromUniverseSpan(), 1)};
}

bool PmFixture::overlapsFixture(const PmFixture& other) const {
    if (mUniverse_ != other.mUniverse_) return false;
    const Range mine = addrRange();
    const Range theirs = other.addrRange();
    const qint64 mineEnd = qint64(mine.location) + mine.length;
    const qint64 theirEnd = qint64(theirs.location) + theirs.length;
    if (mine.location >= theirEnd || theirs.location >= mineEnd) return false;
    if (mProtocol_ == kPmKinetPortOut) return mPort_ == other.mPort_;
    return true;
}

int32_t PmFixture::mergeDMXCount() const {
    switch (mMergeType_) {
    case 0: return 0;
    case 1:
    case 3: return 3;
    case 2:
    case 4: return 6;
    case 5: return 1;
    case 6: return 2;
    case 7:
    case 8:
    case 9: return mDMXCount_;
    default: OmLogNoFlood(kOmLogError, "[PixelMap] undefined merge type"); return 0;
    }
}

QString PmFixture::slewString() const {
    if (mSlew_ < 1) return QStringLiteral("0s");
    if (mSlew_ > 84) return QStringLiteral(".1s");
    if (mSlew_ >= 34) return QStringLiteral(".25s");
    if (mSlew_ >= 17) return QStringLiteral(".5s");
    if (mSlew_ >= 11) return QStringLiteral(".75s");
    if (mSlew_ >= 8) return QStringLiteral("1s");
    if (mSlew_ >= 4) return QStringLiteral("2s");
    if (mSlew_ >= 2) return QStringLiteral("4s");
    return QStringLiteral("8s");
}

void PmFixture::setTestingSoloCookie(int32_t green) {
    sTestingSoloActive_ = true;
    mTestingSoloCookie_ = sTestingSoloCookie_;
    mTestingSoloGreen_ = green;
}

void PmFixture::incrementTestingSoloCookie() {
    ++sTestingSoloCookie_;
    sTestingSoloActive_ = false;
}

void PmFixture::clearTestingSoloActive() { sTestingSoloActive_ = false; }

bool PmFixture::isSoloed() const {
    return sTestingSoloActive_ && mTestingSoloCookie_ == sTestingSoloCookie_;
}

const QStringList& PmFixture::fixtureKeys() {
    static const QStringList keys =
        build({"fix_reference", "fix_univ", "fix_addr", "fix_xpos", "fix_ypos", "fix_protocol",
               "fix_rotation", "fix_name", "fix_group", "fix_merge_univ", "fix_merge_addr",
               "fix_merge_type"});
    return keys;
}

const QStringList& PmFixture::requiredFixtureKeys() {
    static const QStringList keys =
        build({"fix_reference", "fix_univ", "fix_addr", "fix_xpos", "fix_ypos"});
    return keys;
}

const QStringList& PmFixture::profileOverrideKeys() {
    static const QStringList keys =
        build({"fix_pixfill", "fix_level", "fix_refresh", "fix_mask", "fix_slew", "fix_cie_factor",
               "fix_cie_whitepoint", "fix_cie_linearFunc", "fix_rgbw2_whiteTuneEnable",
               "fix_rgbw2_whiteTuneVal", "fix_amber_whitePointEnable", "fix_amber_whitePointVal",
               "fix_lime_whitePointEnable", "fix_lime_whitePointVal"});
    return keys;
}

const QStringList& PmFixture::profileKeys() {
    static const QStringList keys = [] {
        QStringList list = build({"fix_cnt", "fix_height", "fix_width", "fix_type"});
        list << profileOverrideKeys() << QStringLiteral("pixels");
        return list;
    }();
    return keys;
}

const QStringList& PmFixture::destinationImportKeys() {
    static const QStringList keys = build({"protocol", "universe", "ip_addr"});
    return keys;
}

const QStringList& PmFixture::destinationExportKeys() {
    static const QStringList keys = build({"univKey", "ip_address"});
    return keys;
}

void applyPixOverrides(const QVariantList& overrides, QVariantList& pixels) {
    for (const QVariant& entry : overrides) {
        const QVariantMap pixelOverride = entry.toMap();
        const int32_t address = pmIntValue(pixelOverride.value(kPixAddr));
        int32_t index = -1;
        QVariantMap pixel = findPixelWithAddr(address, pixels, &index);
        if (index < 0) continue;
        for (auto it = pixelOverride.constBegin(); it != pixelOverride.constEnd(); ++it)
            pixel.insert(it.key(), it.value());
        pixels[index] = pixel;
    }
}

int32_t dmxCountForPixType(int32_t type, int32_t* shape) {
    switch (type) {
    case 21:
        if (shape) *shape = -1;
        return 1;
    case 22:
        if (shape) *shape = -1;
        return 2;
    case 2: case 8: case 9: case 10: case 11: case 12: case 13: case 28: case 31: case 32:
    case 33: case 44: case 46: case 50: case 56:
        return 1;
    case 23: case 34: case 35: case 36: case 45: case 47: case 51: case 52: case 57:
        return 2;
    case 1: case 3: case 4: case 5: case 6: case 7: case 14: case 15: case 16: case 17:
    case 18: case 29: case 42: case 54: case 58:
        return 3;
    case 19: case 27: case 37: case 38: case 48: case 53:
        return 4;
    case 20: case 60: case 62:
        return 5;
    case 24: case 25: case 26: case 30: case 43: case 55: case 59:
        return 6;
    case 39: case 40: case 41: case 49:
        return 8;
    case 61: case 63:
        return 10;
    default:
        if (shape) *shape = -1;
        OmLogNoFlood(kOmLogError, "[PixelMap] Unsupported pix_type %d.", type);
        return 0;
    }
}

QVariantMap findPixelWithAddr(int32_t address, const QVariantList& pixels, int32_t* index) {
    if (index) *index = -1;
    if (address == 0) return {};
    for (qsizetype i = 0; i < pixels.size(); ++i) {
        if (pixels[i].typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap& pixel = *static_cast<const QVariantMap*>(pixels[i].constData());
        if (pmIntValue(pixel.value(kPixAddr)) == address) {
            if (index) *index = int32_t(i);
            return pixel;
        }
    }
    return {};
}
