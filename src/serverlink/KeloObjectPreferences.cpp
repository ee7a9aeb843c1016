// Preference side of the server object: the polled preference table, the
// per-type increment notification and the mix list read from "mixes".

#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectLink.h"
#include "serverlink/ServerLinkNotifications.h"

namespace {

constexpr double kRepollInterval = 1.0;   // seconds between two requests of one key
constexpr double kWantedLifetime = 10.0;  // poll type 0 stays this long after the last ask

bool readAtUpdate(const QVariantMap& entry, int32_t prefUpdates) {
    const auto it = entry.constFind("_prefUpdates");
    if (it == entry.constEnd()) return false;
    bool ok = false;
    const qlonglong value = it->toLongLong(&ok);
    return ok && value == prefUpdates;
}

void askServer(const QString& key, KeloObject* kelo) {
    if (KeloObjectLink* link = kelo->link()) link->getPrefValue(key, kelo);
}

QString nameOf(const std::vector<MixRectangleRecord>& mixes, int mixIndex) {
    for (const MixRectangleRecord& m : mixes)
        if (m.mixIndex == mixIndex) return m.name;
    return {};
}

}  // namespace

void KeloObject::clearPrefsDict() {
    prefsDict_.clear();
    hasPrefsDict_ = false;
}

std::optional<QVariantMap> KeloObject::addPolledPref(const QString& key, QString* errStr,
                                                     int type) {
    const double t = now();
    auto it = polledPrefs_.find(key);
    const bool refresh = it == polledPrefs_.end() || t - it->second.lastPollDate > kRepollInterval;
    if (refresh) polledPrefs_[key] = KeloPolledPref{t, t, type};

    if (errStr) *errStr = QString();
    if (needsPrefUpdate_) {
        if (errStr) *errStr = QStringLiteral("waiting for Kelo status");
        return std::nullopt;
    }
    const auto entry = prefsDict_.constFind(key);
    if (hasPrefsDict_ && entry == prefsDict_.constEnd()) {
        if (errStr) {
            *errStr =
                QString("%1 unavailable.\nAre you running old Kelo software version?").arg(key);
        }
        return std::nullopt;
    }
    if (refresh) askServer(key, this);
    if (entry != prefsDict_.constEnd()) {
        const QVariantMap v = entry->toMap();
        if (readAtUpdate(v, prefUpdates_)) return v;
    }
    if (errStr) *errStr = QStringLiteral("fetching Kelo preferences");
    return std::nullopt;
}

void KeloObject::updatePolledPrefsWithGracePeriod(double gracePeriod) {
    const double t = now();
    std::vector<QString> expired;
    for (auto& [key, polled] : polledPrefs_) {
        if (polled.pollType != 0) {
            const auto entry = prefsDict_.constFind(key);
            if (entry != prefsDict_.constEnd() && readAtUpdate(entry->toMap(), prefUpdates_))
                continue;
        } else if (gracePeriod == 0 && t - polled.prefWanted > kWantedLifetime) {
            expired.push_back(key);
            continue;
        }
        if (t - polled.lastPollDate > kRepollInterval) {
            askServer(key, this);
            polled.lastPollDate = t;
        }
    }
    for (const QString& key : expired) polledPrefs_.erase(key);
}

void KeloObject::postNotification(const QVariantMap& notification) {
    const QString name = notification.value("notificationName").toString();
    if (name == kKeloPref_IncrNotification) {
        const int type = notification.value("type").toInt();
        for (auto it = prefsDict_.begin(); it != prefsDict_.end(); ++it) {
            if (it->typeId() != QMetaType::QVariantMap) continue;
            QVariantMap entry = it->toMap();
            const auto incr = entry.constFind("_pref_incr_t");
            if (incr == entry.constEnd()) continue;
            bool ok = false;
            const int entryType = incr->toString().toInt(&ok, 16);
            if (!ok || entryType != type) continue;
            entry.insert("_needs_refresh", QStringLiteral("1"));
            *it = entry;
        }
    }
    NotificationCenter::defaultCenter().post(name, this, notification);
}

std::vector<MixRectangleRecord> KeloObject::sortedMixes() {
    const std::optional<QVariantMap> entry = addPolledPref(QStringLiteral("mixes"), nullptr, 2);
    const QVariant value = entry ? entry->value("_value") : QVariant();
    if (!value.isValid()) {
        _cachedSortedMixesIncrement = int32_t(uint32_t(_cachedSortedMixesIncrement) + 1u);
        return {};
    }
    MixRectangleServices& mixes = MixRectangleServices::shared();
    if (mixes.applyRemoteChanges(value) != 0) {
        _cachedSortedMixes = mixes.sortedMixRectangles();
        _cachedSortedMixesIncrement = int32_t(uint32_t(_cachedSortedMixesIncrement) + 1u);
        _cachedSortedMixesNeedsUpdate = 0;
    }
    return _cachedSortedMixes;
}

std::vector<MixRectangleRecord> KeloObject::cachedSortedMixes() {
    if (!_cachedSortedMixesNeedsUpdate) return _cachedSortedMixes;
    return sortedMixes();
}

bool KeloObject::populateMixesForMenu(std::vector<KeloMixMenuItem>* items) {
    const std::vector<MixRectangleRecord> mixes = sortedMixes();
    for (const MixRectangleRecord& mix : mixes) {
        if (mix.mixIndex <= 0 || !items) continue;
        items->push_back({mix.name, mix.mixIndex});
    }
    return !mixes.empty();
}

QString KeloObject::mixName(int mixIndex) {
    return nameOf(sortedMixes(), mixIndex);
}

QString KeloObject::cachedMixName(int mixIndex) {
    return nameOf(cachedSortedMixes(), mixIndex);
}

void KeloObject::setKeloCollectionID(int collectionID) {
    if (link_) link_->setKeloCollectionID(collectionID, this);
}
