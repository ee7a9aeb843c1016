#include "serverlink/KeloObject.h"

#include "foundation/OmLog.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObjectLink.h"
#include "serverlink/KeloProfileNameProvider.h"
#include "serverlink/ServerLinkNotifications.h"

#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// Seconds between the Unix epoch and the reference date 2001-01-01 UTC.
constexpr double kReferenceDateOffset = 978307200.0;

std::function<bool(uint32_t)>& localAddressTest() {
    static std::function<bool(uint32_t)> test;
    return test;
}

std::function<double()>& clockFunction() {
    static std::function<double()> clock;
    return clock;
}

std::atomic<bool> sLiveImageFeedbackEnabled{true};
std::atomic<bool> sFeedbackSpeedup{false};
std::atomic<bool> sFeedbackSpeedupAlertShown{false};

bool isLocalAddress(uint32_t address) {
    if (localAddressTest()) return localAddressTest()(address);
    return (address >> 24) == 127;
}

QDateTime dateForTime(double referenceSeconds) {
    return QDateTime::fromMSecsSinceEpoch(
        qint64((referenceSeconds + kReferenceDateOffset) * 1000.0), QTimeZone::utc());
}

float fixed24_8ToSeconds(const BigEndian32& v) {
    return float(v.value()) / 256.0f;
}

}  // namespace

KeloObject::KeloObject() {
    for (int i = 0; i < kLayerImages; ++i) {
        layerImages_[i] = std::make_unique<KeloImage>();
        layerImages_[i]->setKeloObjectImageIndex(i);
    }
    for (int i = 0; i < kDMX_MasterImages; ++i) {
        DMX_MasterImages_[i] = std::make_unique<KeloImage>();
        DMX_MasterImages_[i]->setKeloObjectImageIndex(i);
    }
}

KeloObject::~KeloObject() = default;

void KeloObject::setLocalAddressTest(std::function<bool(uint32_t)> test) {
    localAddressTest() = std::move(test);
}

double KeloObject::now() {
    if (clockFunction()) return clockFunction()();
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kReferenceDateOffset;
}

void KeloObject::setClock(std::function<double()> clock) {
    clockFunction() = std::move(clock);
}

// --- Filing received records ----------------------------------------------------

bool KeloObject::setGeneralStatus(const void* bytes, size_t size) {
    if (!bytes || size < sizeof(kle_general_stat)) {
        OmLogNoFlood(kOmLogWarning, "%s: general status of %zu bytes refused\n", qPrintable(name_),
                     size);
        return false;
    }
    kle_general_stat s;
    std::memcpy(&s, bytes, sizeof s);
    kle_general_stat& old = generalStatus_;

    const bool major = std::memcmp(old.universe.b, s.universe.b, 2) != 0 ||
                       old.profile != s.profile || old.expanded != s.expanded ||
                       old.layercount != s.layercount || old.portrait != s.portrait ||
                       old.vMajor != s.vMajor || old.vMinor != s.vMinor ||
                       old.DMX_MasterCount != s.DMX_MasterCount;
    if (major) {
        addChanges(ServerChanges::kServer | ServerChanges::kGeneralStatusMajorChange);
        // Layers the server no longer has must not keep showing old values.
        if (old.layercount != s.layercount && old.layercount < kLayerImages) {
            std::fill(layer_stats_.begin() + old.layercount, layer_stats_.begin() + kLayerImages,
                      short_layer_status_2{});
        }
    }
    generalStatus_ = s;

    if (s.flex_data < 5) {
        // flex_data up to 4 names layers up to 69: only those the array holds are taken.
        const int first = 14 * s.flex_data;
        const int last = std::min({first + 14, int(s.layercount), kLayerSlots});
        for (int i = first; i < last; ++i) layer_stats_[i] = s.flex_layer_stats[i - first];
    }

    const bool windowed = s.is_windowed != 0;
    if (windowed != isInWindow_) addChanges(ServerChanges::kGeneralStatusMajorChange);
    isInWindow_ = windowed;

    if (s.prefUpdates != 0 && s.prefUpdates != prefUpdates_) {
        prefUpdates_ = s.prefUpdates;
        const bool anticipated = anticipatingPrefUpdates_ != 0 &&
                                 now() <= anticipatingPrefUpdates_ + 5.0 &&
                                 (s.prefUpdates & 0x40) != 0;
        if (!anticipated) {
            addChanges(ServerChanges::kServer | ServerChanges::kGeneralStatusMajorChange);
            needsPrefUpdate_ = true;
        }
    }

    if (s.vMajor >= 4 && s._pref_incr_t <= 12) {
        const int t = s._pref_incr_t;
        if (tracker_._pref_incr[t] != s._pref_incr) {
            tracker_._pref_incr[t] = s._pref_incr;
            ++tracker_.statusIncrement[t];
            // Announced only when the counter moved: every status carries one
            // type, and announcing it unchanged would keep marking that
            // type's preferences for refresh 30 times a second.
            const QVariantMap note{{"notificationName", kKeloPref_IncrNotification},
                                   {"type", t},
                                   {"statusIncrement", qulonglong(tracker_.statusIncrement[t])}};
            // Queued, so observers run after the whole record is stored.
            std::weak_ptr<int> alive = alive_;
            MainThread::runOnMain([this, alive, note] {
                if (alive.lock()) postNotification(note);
            });
        }
    }

    if (std::memcmp(s.alias, user_defined_name_, sizeof user_defined_name_) != 0) {
        std::memcpy(user_defined_name_, s.alias, sizeof user_defined_name_);
        addChanges(ServerChanges::kGeneralStatusMajorChange | ServerChanges::kName);
    }
    return true;
}

bool KeloObject::setGeneralStatusArrived(double time) {
    if (time == 0 || generalStatusArrived_ == 0)
        addChanges(ServerChanges::kGeneralStatusMajorChange);
    generalStatusArrived_ = time;
    if (time != 0 && changes_._waitingForGeneralStatus) {
        changes_._waitingForGeneralStatus = 0;
        return true;
    }
    return false;
}

bool KeloObject::setLayerDetailStatus(const void* bytes, size_t size, int layer) {
    if (layer < 0 || layer >= kLayerImages) return false;
    if (!bytes || size < sizeof(kle_layer_stat)) {
        OmLogNoFlood(kOmLogWarning, "%s: layer detail of %zu bytes refused\n", qPrintable(name_),
                     size);
        return false;
    }
    kle_layer_stat& d = layerdetail_[layer];
    std::memcpy(&d, bytes, sizeof d);
    short_layer_status_2& s = layer_stats_[layer];
    s.level = d.level;
    s.media_folder = d.texlib;
    s.media_file = d.texnum;
    s.length = d.length;
    s.posn = d.posn;
    s.in_pt = d.in_pt;
    s.out_pt = d.out_pt;
    return true;
}

// --- Discovery bookkeeping ----------------------------------------------------

void KeloObject::setAddress(uint32_t address, uint32_t realEthernetAddress) {
    realEthernetAddress_ = realEthernetAddress;
    if (address_ != 0 && address_ != address) {
        oldAddr_ = address_;
        const double t = now();
        const double since = t - addressChangeTime_;
        if (since > 0 && since < 5.0) ++addressChangeCount_;
        addressChangeTime_ = t;
    }
    if (address_ != address) addChanges(ServerChanges::kAddress);
    address_ = address;
    if (isLocalAddress(address) != isLocalIP_) addChanges(ServerChanges::kAddress);
}

QString KeloObject::addressChangeWarning() {
    if (addressChangeCount_ < 11) return {};
    const double since = now() - addressChangeTime_;
    if (since > 0 && since < 5.0) {
        return QString::asprintf(
            "Warning: Do 2 Keloes have same Name?\nCheck Mac System Preferences -> Sharing.\n"
            "(2 IP addr %u.%u.%u.%u & %u.%u.%u.%u)",
            oldAddr_ >> 24, (oldAddr_ >> 16) & 0xFF, (oldAddr_ >> 8) & 0xFF, oldAddr_ & 0xFF,
            address_ >> 24, (address_ >> 16) & 0xFF, (address_ >> 8) & 0xFF, address_ & 0xFF);
    }
    addressChangeCount_ = 0;
    return {};
}

int KeloObject::updateEthIfNames(const QString& ifName) {
    const double t = now();
    const QDateTime nowDate = dateForTime(t);
    bool removedStale = false;
    bool known = false;
    if (ifName.isEmpty()) {
        ethIfNames_.clear();
    } else {
        known = ethIfNames_.contains(ifName);
        for (auto it = ethIfNames_.begin(); it != ethIfNames_.end(); ++it) {
            if (it.key() == ifName) continue;
            const qint64 ageMs = it.value().msecsTo(nowDate);
            if (ageMs < 0 || ageMs > 3000) {
                ethIfNames_.erase(it);
                removedStale = true;
                break;
            }
        }
        ethIfNames_.insert(ifName, nowDate);
    }
    if (ethIfNames_.size() >= 2) {
        if (multipleInterfaces_ == 0) multipleInterfaces_ = t;
    } else {
        multipleInterfaces_ = 0;
    }
    const int bits =
        (removedStale || !known) ? (ServerChanges::kAddress | ServerChanges::kNetwork) : 0;
    setEthIfName(ifName);
    addChanges(bits);
    return bits;
}

void KeloObject::setEthIfName(const QString& ifName) {
    if (ethIfName_.isEmpty() || ifName.isEmpty()) addChanges(ServerChanges::kNetwork);
    ethIfName_ = ifName;
}

int KeloObject::updateQuarantineState(bool quarantined) {
    const bool changed = quarantined != quarantineState_;
    quarantineState_ = quarantined;
    if (!changed) return 0;
    addChanges(ServerChanges::kServer);
    return ServerChanges::kServer;
}

void KeloObject::setOtherSideSubnetMask(uint32_t mask) {
    if (mask != otherSideSubnetMask_) addChanges(ServerChanges::kServer);
    addChanges(ServerChanges::kGeneralStatusMajorChange);
    otherSideSubnetMask_ = mask;
}

void KeloObject::setProductName(const QString& name) {
    productName_ = name;
}

void KeloObject::sendContentEditorMessage(const QString& text, bool set) {
    if (link_) link_->sendContentEditorMessage(this, text, set);
}

void KeloObject::setPrefsDict(const QVariantMap& prefs) {
    prefsDict_ = prefs;
    hasPrefsDict_ = true;
}

void KeloObject::setContentTimeStamp(const QString& stamp) {
    std::lock_guard lock(contentLock_);
    contentTimeStamp_ = stamp;
}

QString KeloObject::contentTimeStamp() const {
    std::lock_guard lock(contentLock_);
    return contentTimeStamp_;
}

void KeloObject::setContentDatabase(const QVariantMap& database) {
    std::lock_guard lock(contentLock_);
    contentDatabase_ = database;
}

QVariantMap KeloObject::contentDatabase() const {
    std::lock_guard lock(contentLock_);
    return contentDatabase_;
}

// --- Read accessors -----------------------------------------------------------

const short_layer_status_2* KeloObject::layerStatus(int layer) const {
    if (layer < 0 || layer >= kLayerSlots) return nullptr;
    return &layer_stats_[layer];
}

const kle_layer_stat* KeloObject::layerDetail(int layer) const {
    if (layer < 0 || layer >= kLayerSlots) return nullptr;
    return &layerdetail_[layer];
}

uint64_t KeloObject::pref_IncrForType(int type) const {
    if (type < 0 || type > 12) return 0;
    return tracker_.statusIncrement[type];
}

QString KeloObject::addressString() const {
    if (address_ == 0) return QString("");
    return QString::asprintf("%u.%u.%u.%u", address_ >> 24, (address_ >> 16) & 0xFF,
                             (address_ >> 8) & 0xFF, address_ & 0xFF);
}

QString KeloObject::description() const {
    return QString::asprintf("KeloObject:[%s] IP:%08x TCP:%d (%s) %s", active_ ? "Y" : "N",
                             address_, tcpPort_, isRunning_ ? "Running" : "Idle",
                             qPrintable(name_));
}

QSize KeloObject::sizeOfScreen(int) const {
    if (!isRunning_) return QSize(0, 0);
    return QSize(generalStatus_.width.value(), generalStatus_.height.value());
}

int KeloObject::dimmerLevelForOutput(int output) const {
    if (!isRunning_) return 0;
    return output == 0 ? generalStatus_.dimmer1 : generalStatus_.dimmer2;
}

int KeloObject::groupNumberForScreen(int screen) const {
    switch (screen) {
        case 0:
            return generalStatus_.group0;
        case 1:
            return generalStatus_.group1;
        case 2:
            return generalStatus_.group2;
        default:
            return 0;
    }
}

int KeloObject::numberOfIOModules() const {
    if (!isRunning_) return 0;
    return generalStatus_.usb_stat & 7;
}

QString KeloObject::profileName() const {
    if (!isRunning_) return QString("");
    return KeloProfileNameProvider::shared().profileName(generalStatus_.profile);
}

bool KeloObject::isBackup() const {
    if (generalStatus_.vMajor >= 4) return (generalStatus_.flags & 0x80) != 0;
    if (generalStatus_.vMinor >= 6) return (generalStatus_.flags & 0x08) != 0;
    return false;
}

int KeloObject::DMX_MasterCount() const {
    if (generalStatus_.vMajor >= 4) return generalStatus_.DMX_MasterCount;
    if (generalStatus_.vMinor >= 6 && (generalStatus_.flags & 7) != 0)
        return generalStatus_.flags & 7;
    return numberOfOutputsForProfile_V3(generalStatus_.profile);
}

bool KeloObject::isVersionAtLeast(int major, int minor) const {
    return generalStatus_.vMajor > major ||
           (generalStatus_.vMajor == major && generalStatus_.vMinor >= minor);
}

void KeloObject::getVMajor(int* major, int* minor) const {
    if (major) *major = generalStatus_.vMajor;
    if (minor) *minor = generalStatus_.vMinor;
}

QString KeloObject::userDefinedName() const {
    if (!hasGeneralStatus() || !isVersionAtLeast(3, 5) || generalStatus_.alias[0] == 0) return {};
    const char* alias = generalStatus_.alias;
    return QString::fromUtf8(alias, qsizetype(strnlen(alias, sizeof generalStatus_.alias)));
}

QString KeloObject::keloVariant() const {
    if (!productName_.isEmpty()) return productName_;
    if (!hasGeneralStatus()) return QString("Kelo");
    switch (generalStatus_.expanded & 0xF7) {
        case 0xA2:
            return QString("Kelo Heron");
        case 0x22:
            return QString("Kelo Falcon");
        case 0xB2:
            return QString("Kelo Wren");
        default:
            return QString("Kelo");
    }
}

QVariant KeloObject::valueFor(int code) const {
    if (!hasGeneralStatus()) return {};
    switch (code) {
        case 1:
            return int(generalStatus_.layercount);
        case 2:
            return int(generalStatus_.profile);
        case 3:
            // The field is big-endian like every other; reading it unswapped
            // would show universe 1 as 256.
            return int(generalStatus_.universe.value());
        default:
            return {};
    }
}

QVariant KeloObject::valueFor(int code, int layer) const {
    if (!hasGeneralStatus() || layer < 0 || layer >= generalStatus_.layercount ||
        layer >= kLayerSlots)
        return {};
    const short_layer_status_2& s = layer_stats_[layer];
    switch (code) {
        case 1:
            return float(s.level) / 255.0f;
        case 2:
            return int(s.media_folder);
        case 3:
            return int(s.media_file);
        case 4:
            return fixed24_8ToSeconds(s.posn);
        case 5:
            return fixed24_8ToSeconds(s.length);
        case 6:
            return fixed24_8ToSeconds(s.in_pt);
        case 7:
            return fixed24_8ToSeconds(s.out_pt);
        default:
            return {};
    }
}

int KeloObject::numberOfOutputsForProfile_V3(int) {
    return 1;
}

// --- Destinations -------------------------------------------------------------

std::shared_ptr<KeloDestination> KeloObject::destinationWithTag(int tag) const {
    for (const auto& d : destinations_)
        if (d && d->tag() == tag) return d;
    return nullptr;
}

void KeloObject::addDestination(const std::shared_ptr<KeloDestination>& destination) {
    if (!destination) return;
    if (std::find(destinations_.begin(), destinations_.end(), destination) != destinations_.end())
        return;
    destinations_.push_back(destination);
}

void KeloObject::removeDestination(const std::shared_ptr<KeloDestination>& destination) {
    destinations_.erase(std::remove(destinations_.begin(), destinations_.end(), destination),
                        destinations_.end());
}

// --- Request schedule and preview pictures --------------------------------------

KlReqV4 KeloObject::request() {
    KlReqV4 req;
    const int major = generalStatus_.vMajor;
    phase_ = int32_t(uint32_t(phase_) + 1u);

    // Only the layers that have pictures take part, whatever count the server claims.
    const int layers = std::min(int(generalStatus_.layercount), kLayerImages);
    // With feedback off no view can draw a picture, so none is asked for,
    // not even one that was wanted before the switch.
    if (phase_ % 4 == 0 && layers > 0 && isLiveImageFeedbackEnabled()) {
        for (int step = 0; step < layers; ++step) {
            const int L = lnum_ >= layers || lnum_ < 0 ? 0 : lnum_;
            lnum_ = L + 1;
            const short_layer_status_2& s = layer_stats_[L];
            if (s.level == 0 || (s.flags & 0x80) != 0) continue;
            // The packed form has four bits for the code: layers past 12 cannot be named.
            if (major == 3 && L + 3 > 0xF) continue;
            if (!spendImageWanted(layerImages_[L].get())) continue;
            if (major == 3) {
                const uint16_t c = uint16_t(L + 3);
                req = {KlReqV4::kPacked, uint16_t(c << 8 | c), 0};
            } else if (major >= 4) {
                req = {KlReqV4::kLayerImage, uint16_t(L + 1), 0};
            }
            break;
        }
    }
    if (req.type != KlReqV4::kNone) return req;
    if (!isLiveImageFeedbackEnabled()) return {KlReqV4::kStatus, 0, 0};

    KeloImage* globalSurface = DMX_MasterImages_[0].get();
    if (major < 4) {
        req = spendImageWanted(globalSurface) ? KlReqV4{KlReqV4::kPacked, 0x101, 0}
                                              : KlReqV4{KlReqV4::kStatus, 0, 0};
        onum_ = int32_t(uint32_t(onum_) + 1u);
        return req;
    }

    if (serviceGlobalSurface_ == 0 && spendImageWanted(globalSurface)) {
        req = {KlReqV4::kOutputImage, 0, 0};
    } else {
        const int outputs = std::clamp(DMX_MasterCount(), 0, kDMX_MasterImages - 1);
        const int mixes = mixImagesMax_;
        for (int step = 0; step < outputs + mixes; ++step) {
            if (onum_ <= 0) onum_ = 1;
            if (onum_ > outputs) {
                if (mixes == 0) {
                    onum_ = 1;
                } else {
                    onum_ = std::max(onum_, 1001);
                    int found = 0;
                    for (int m = onum_ - 1000; m < mixes; ++m) {
                        if (spendImageWanted(mixImages_[m].get())) {
                            found = m;
                            break;
                        }
                    }
                    onum_ = found ? 1000 + found : 1;
                }
            }
            if (onum_ >= 1001) {
                const int m = onum_ - 1000;
                if (m < mixes && spendImageWanted(mixImages_[m].get())) {
                    req = {KlReqV4::kMixImage, uint16_t(m), 0};
                    ++onum_;
                    break;
                }
            } else if (onum_ <= outputs && spendImageWanted(DMX_MasterImages_[onum_].get())) {
                req = {KlReqV4::kOutputImage, uint16_t(onum_), 0};
                ++onum_;
                break;
            }
            ++onum_;
        }
    }
    serviceGlobalSurface_ = serviceGlobalSurface_ < 6 ? serviceGlobalSurface_ + 1 : 0;

    if (req.type == KlReqV4::kNone) {
        if (spendImageWanted(globalSurface)) {
            req = {KlReqV4::kOutputImage, 0, 0};
            serviceGlobalSurface_ = 1;
        } else {
            req = {KlReqV4::kStatus, 0, 0};
        }
    }
    return req;
}

KeloImage* KeloObject::imageWithRequest(const KlReqV4& req) {
    switch (req.type) {
        case KlReqV4::kLayerImage:
            return req.num == 0 ? nullptr : layerImageAtIndex(req.num - 1);
        case KlReqV4::kMixImage:
            return mixImageAtIndex(req.num);
        case KlReqV4::kOutputImage:
            return DMX_MasterImageAtIndex(req.num);
        case KlReqV4::kPacked: {
            const int c = (req.num >> 8) & 0xF;
            if (c == 0) return nullptr;
            return c <= 2 ? DMX_MasterImageAtIndex(c - 1) : layerImageAtIndex(c - 3);
        }
        default:
            return nullptr;
    }
}

KeloImage* KeloObject::freshImageWithRequest(const KlReqV4& req) {
    KeloImage* image = imageWithRequest(req);
    if (!image || !isRunning_) return nullptr;
    return now() - image->arrived() < 5.0 ? image : nullptr;
}

KeloImage* KeloObject::layerImageAtIndex(int index) {
    active_ = true;
    if (index < 0 || index >= kLayerImages || !isRunning_ || !isLiveImageFeedbackEnabled())
        return nullptr;
    return layerImages_[index].get();
}

KeloImage* KeloObject::DMX_MasterImageAtIndex(int index) {
    active_ = true;
    if (index < 0 || index >= kDMX_MasterImages || !isRunning_ || !isLiveImageFeedbackEnabled())
        return nullptr;
    return DMX_MasterImages_[index].get();
}

KeloImage* KeloObject::mixImageAtIndex(int index) {
    active_ = true;
    if (index < 1 || !isLiveImageFeedbackEnabled()) return nullptr;
    if (mixImagesMax_ == 0 && generalStatus_.vMajor >= 4 && isRunning_ && hasPrefsDict_ &&
        !needsPrefUpdate_ && (mixImagesWanted_ == 0 || now() - mixImagesWanted_ > 5.0))
        rebuildMixImages();
    if (index >= mixImagesMax_) return nullptr;
    return mixImages_[index].get();
}

bool KeloObject::spendImageWanted(KeloImage* image) {
    if (!image) return false;
    image->spendWanted();
    return image->wanted() != 0;
}

void KeloObject::rebuildMixImages() {
    mixImagesWanted_ = now();
    const std::vector<int> indexes = MixRectangleServices::shared().sortedMixIndexes(*this);
    if (indexes.empty()) return;
    int n = *std::max_element(indexes.begin(), indexes.end()) + 1;
    if (n > kMaxMixImages) {
        OmLogNoFlood(kOmLogWarning, "%s: mix index %d has no preview (limit %d)\n",
                     qPrintable(name_), n - 1, kMaxMixImages - 1);
        n = kMaxMixImages;
    }
    if (n <= 0) return;
    if (size_t(n) > mixImages_.size()) mixImages_.resize(size_t(n));
    mixImagesMax_ = n;
    for (int mixIndex : indexes) {
        if (mixIndex <= 0 || mixIndex >= n) continue;
        auto& slot = mixImages_[size_t(mixIndex)];
        if (!slot) slot = std::make_unique<KeloImage>();
        slot->setKeloObjectImageIndex(mixIndex);
    }
}

void KeloObject::rereadMixesIfWanted() {
    _cachedSortedMixesNeedsUpdate = 1;
    if (mixImagesWanted_ != 0) {
        mixImagesMax_ = 0;
        mixImagesWanted_ = 0;
    }
}

void KeloObject::imageRequest_V4(KlReqV4* req, int layer, int output, int mix, int) const {
    if (!req) return;
    const int profile = generalStatus_.profile;
    if (profile >= 1 && profile <= 15)
        *req = {KlReqV4::kOutputImage, 0, 0};
    else if (layer != 0)
        *req = {KlReqV4::kLayerImage, uint16_t(layer), 0};
    else if (mix != 0)
        *req = {KlReqV4::kMixImage, uint16_t(mix), 0};
    else
        *req = {KlReqV4::kOutputImage, uint16_t(output), 0};
}

void KeloObject::setLiveImageFeedbackEnabled(bool enabled) {
    sLiveImageFeedbackEnabled = enabled;
}

bool KeloObject::isLiveImageFeedbackEnabled() {
    return sLiveImageFeedbackEnabled;
}

void KeloObject::setFeedbackSpeedup(bool on) {
    if (on && !sFeedbackSpeedup && !sFeedbackSpeedupAlertShown.exchange(true)) {
        static const qint64 betaFeature =
            UserDefaults::standard().integer(QStringLiteral("sBetaFeatureSyphon"));
        if (betaFeature != 2) {
            NotificationCenter::defaultCenter().post(
                kKeloFeedbackSpeedupNoticeNotification, nullptr,
                {{"title", QStringLiteral("Live Image Feedback")},
                 {"message",
                  QStringLiteral("Requesting 30 FPS feedback rate.  Actual rate may be lower.  In "
                                 "rare circumstances, speeding up live image feedback can have a "
                                 "very small impact on Kelo performance.  For this reason, "
                                 "feedback rate will automatically revert to normal rate after 1 "
                                 "hour.")},
                 {"button", QStringLiteral("OK")}});
        }
    }
    sFeedbackSpeedup = on;
}

bool KeloObject::isFeedbackSpeedup() {
    return sFeedbackSpeedup;
}
