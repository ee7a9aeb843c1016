#include "settings/KlPatchCommon.h"

#include "foundation/OmLog.h"
#include "foundation/VNSDictionaryCategory.h"

#include <algorithm>
#include <iterator>
#include <mutex>

namespace {

// Profiles 16 and up; older servers' profiles have no names.
constexpr const char* kProfileNames[] = {
    "Falcon v4.x", "Heron v4.x", "Wren v4.x",   "Falcon v5.x", "Heron v5.x",
    "Wren v5.x",   "Kelo Ibis",  "Plover v4.x", "Plover v5.x",
};
constexpr const char* kProfileKeys[] = {
    "V4", "V4 Heron", "V4 Wren", "V5", "V5 Heron", "V5 Wren", "V4", "V4 Plover", "V5 Plover",
};
constexpr int kFirstNamedProfile = 16;
constexpr int kIbisProfile = 22;  // named, but has no patch of its own

constexpr int kUniverseSlots = 512;  // the last one is never assigned
constexpr int kMaxUniverseOffset = KlPatchDMX::kUniverses - 1;
constexpr int kArtNetMaxUniverse = 32767;
constexpr int kSacnMaxUniverse = 63999;

// Block sizes (channels) the servers use for each profile.
struct PatchCrossCheck {
    int profile;
    int globalMaster;
    int outputMaster;
    int layer;
};
constexpr PatchCrossCheck sPatchCrossCheck[] = {
    {16, 50, 93, 81}, {17, 50, 63, 58}, {18, 5, 40, 52}, {23, 50, 93, 81},
    {19, 50, 98, 84}, {20, 50, 68, 63}, {21, 5, 45, 57}, {24, 50, 98, 84},
};

const PatchCrossCheck* crossCheckFor(int profile) {
    for (const PatchCrossCheck& row : sPatchCrossCheck)
        if (row.profile == profile) return &row;
    return nullptr;
}

QString profileKey(int profile) {
    const int i = profile - kFirstNamedProfile;
    if (i < 0 || i >= int(std::size(kProfileKeys))) return {};
    return QString::fromLatin1(kProfileKeys[i]);
}

QString globalMasterType(const QString& key) {
    return QStringLiteral("Kelo Global Master %1").arg(key);
}
QString outputMasterType(const QString& key) {
    return QStringLiteral("Kelo Master %1").arg(key);
}
QString layerType(const QString& key) {
    return QStringLiteral("Kelo Layer %1").arg(key);
}

int channelsOf(const QVariantMap& profiles, const QString& type) {
    return std::max(0, profiles.value(type).toMap().value(QStringLiteral("Channels")).toInt());
}

// Leaked on purpose: logs may be written while statics are torn down.
OmLog& patchLog() {
    static OmLog* log = [] {
        auto* l = new OmLog;
        l->setLoggingTag(QStringLiteral("PATCH"));
        return l;
    }();
    return *log;
}

// The servers' own profile table carries the channel counts of the
// cross-check table; the flat profiles are built from it.
QVariantMap builtInProfilesFlat() {
    QVariantMap flat;
    for (const PatchCrossCheck& row : sPatchCrossCheck) {
        const QString key = profileKey(row.profile);
        const auto entry = [](int channels) {
            return QVariantMap{{QStringLiteral("Channels"), qint64(channels)}};
        };
        flat.insert(globalMasterType(key), entry(row.globalMaster));
        flat.insert(outputMasterType(key), entry(row.outputMaster));
        flat.insert(layerType(key), entry(row.layer));
    }
    return flat;
}

struct PatchState {
    std::mutex lock;
    bool profilesLoaded = false;
    QVariantMap sKlPatchProfilesFlat;
    QVariantMap blueprintSet;
    QVariantList sPatchBlueprints;
    int sPrevProfile = -1;
    int sPrevLayerCount = -1;
    int sPrevOutputCount = -1;
};

PatchState& state() {
    static PatchState s;
    return s;
}

// Caller holds the state's lock.
void loadProfilesLocked(PatchState& s) {
    if (s.profilesLoaded) return;
    s.sKlPatchProfilesFlat = builtInProfilesFlat();
    s.profilesLoaded = true;
}

QVariantMap blueprint(const QString& type, int sibling, int universe, int address,
                      const QString& suffix) {
    return {{kKlPatchKeyType, type},
            {kKlPatchKeySibling, qint64(sibling)},
            {kKlPatchKeyUniverseOffset, qint64(universe)},
            {kKlPatchKeyDmxAddress, qint64(address)},
            {kKlPatchKeySuffix, suffix}};
}

int maxOffsetOf(const QVariantList& blueprints) {
    int highest = 0;
    for (const QVariant& b : blueprints)
        highest = std::max(highest, b.toMap().value(kKlPatchKeyUniverseOffset).toInt());
    return highest;
}

}  // namespace

QString KlPatchCommon::profileNameForProfile(int profile) {
    const int i = profile - kFirstNamedProfile;
    if (i < 0 || i >= int(std::size(kProfileNames))) return QStringLiteral("Unknown");
    return QString::fromLatin1(kProfileNames[i]);
}

QVariantMap KlPatchCommon::createBlueprints(int, int outputCount, int layerCount,
                                            const QVariantMap& profiles, int subProfile) {
    const QString key = profileKey(subProfile);
    if (key.isEmpty() || subProfile == kIbisProfile) {
        patchLog().e("bad profile type");
        return {};
    }
    const QString name = profileNameForProfile(subProfile);
    const PatchCrossCheck* check = crossCheckFor(subProfile);
    if (!check) patchLog().w("no cross checker for profile %d!", subProfile);
    // The record has slots for this many; counts beyond come from a damaged
    // status and would only grow the array.
    outputCount = std::clamp(outputCount, 0, int(KlPatchDMX::kOutputs));
    layerCount = std::clamp(layerCount, 0, int(KlPatchDMX::kLayers));

    QVariantList blueprints;
    const int globalChannels = channelsOf(profiles, globalMasterType(key));
    blueprints << blueprint(globalMasterType(key), 0, 0, 1, QStringLiteral("Master"));
    int u = 0;
    int a = globalChannels + 1;

    const QString outputType = outputMasterType(key);
    const int outputChannels = channelsOf(profiles, outputType);
    int firstOutputInUniverse = 1;
    for (int k = 1; k <= outputCount; ++k) {
        if (a + outputChannels > kUniverseSlots) {
            ++u;
            a = 1;
            firstOutputInUniverse = k;
        }
        if (check) {
            const int expected = (k - firstOutputInUniverse) * check->outputMaster +
                                 (u == 0 ? check->globalMaster : 0) + 1;
            if (expected != a)
                patchLog().w("Profile '%s' Output %d dmx offset mismatch %d vs. %d",
                             qPrintable(name), k, a, expected);
        }
        blueprints << blueprint(outputType, k, u, a, QStringLiteral("Output %1").arg(k));
        a += outputChannels;
    }

    // The reduced editions put their layers right after the outputs.
    if (subProfile != 18 && subProfile != 21) {
        ++u;
        a = 1;
    }
    const QString type = layerType(key);
    const int layerChannels = channelsOf(profiles, type);
    int firstLayerInUniverse = 1;
    int firstLayerAddress = a;
    for (int j = 1; j <= layerCount; ++j) {
        if (a + layerChannels > kUniverseSlots) {
            if (u > kMaxUniverseOffset - 1) {
                patchLog().e("Profile '%s' Layer %d too many dmx universes %d!", qPrintable(name),
                             j, u + 1);
                break;
            }
            ++u;
            a = 1;
            firstLayerInUniverse = j;
            firstLayerAddress = a;
        }
        if (check) {
            const int expected = (j - firstLayerInUniverse) * check->layer + firstLayerAddress;
            if (expected != a)
                patchLog().w("Profile '%s' Layer %d dmx offset mismatch %d vs. %d",
                             qPrintable(name), j, a, expected);
        }
        QVariantMap b = blueprint(type, outputCount + j, u, a, QStringLiteral("Layer %1").arg(j));
        b.insert(kKlPatchKeyLayerNum, qint64(j));
        blueprints << b;
        a += layerChannels;
    }
    return {{kKlPatchKeyBlueprintsVersion, qint64(2)}, {kKlPatchKeyBlueprints, blueprints}};
}

bool KlPatchCommon::updatePatchBlueprints(int profile, int layerCount, int outputCount) {
    PatchState& s = state();
    std::lock_guard guard(s.lock);
    const bool loadedNow = !s.profilesLoaded;
    loadProfilesLocked(s);
    const bool changed = loadedNow || profile != s.sPrevProfile ||
                         layerCount != s.sPrevLayerCount || outputCount != s.sPrevOutputCount;
    if (!changed) return false;
    s.sPrevProfile = profile;
    s.sPrevLayerCount = layerCount;
    s.sPrevOutputCount = outputCount;
    if (profile >= kFirstNamedProfile && profile != kIbisProfile)
        s.blueprintSet =
            createBlueprints(1, outputCount, layerCount, s.sKlPatchProfilesFlat, profile);
    else
        s.blueprintSet.clear();
    s.sPatchBlueprints = s.blueprintSet.value(kKlPatchKeyBlueprints).toList();
    return true;
}

QVariantMap KlPatchCommon::klPatchProfilesFlat() {
    PatchState& s = state();
    std::lock_guard guard(s.lock);
    loadProfilesLocked(s);
    return s.sKlPatchProfilesFlat;
}

QVariantList KlPatchCommon::patchBlueprints() {
    PatchState& s = state();
    std::lock_guard guard(s.lock);
    return s.sPatchBlueprints;
}

int KlPatchCommon::patchBlueprintsMaxUniverseOffset() {
    return maxOffsetOf(patchBlueprints());
}

int KlPatchCommon::rangeCheckUniverse(int universe, bool sACN, int maxOffset, QString* warnStr) {
    if (warnStr) warnStr->clear();
    const int maximum = sACN ? kSacnMaxUniverse : kArtNetMaxUniverse;
    const int minimum = sACN ? 1 : 0;
    const QString protocol = sACN ? QStringLiteral("sACN") : QStringLiteral("ArtNet");
    if (maxOffset == 0) maxOffset = patchBlueprintsMaxUniverseOffset();
    maxOffset = std::max(0, maxOffset);
    const int u = std::max(0, universe);

    QString message;
    int result = u;
    if (maxOffset + int64_t(u) > maximum) {
        // A patch wider than the protocol's range still gets a valid universe.
        const int adjusted = std::max(minimum, maximum - maxOffset);
        result = adjusted;
        message = QStringLiteral(
                      "DMX Universe out of range.\nMinimum is %1, Maximum %2 universe %3\nThe "
                      "selected patch requires %4 universes, %5 through %6\nso the adjusted "
                      "maximum universe should be %7")
                      .arg(minimum)
                      .arg(protocol)
                      .arg(maximum)
                      .arg(maxOffset + 1)
                      .arg(adjusted)
                      .arg(maximum)
                      .arg(adjusted);
    } else if (u < minimum) {
        // sACN has no universe 0.
        result = minimum;
        message =
            QStringLiteral("DMX Universe out of range.\nMinimum is %1, Maximum %2 universe %3")
                .arg(minimum)
                .arg(protocol)
                .arg(maximum);
    }
    if (message.isEmpty() || !warnStr) return result;
    *warnStr = message;
    patchLog().e("%s", qPrintable(message));
    return result;
}

QString KlPatchCommon::universeToolTip(bool sACN) {
    return sACN ? QStringLiteral("Enter sACN universe 1 to 63999")
                : QStringLiteral("Enter Art-Net universe 0 to 32767");
}

void KlPatchCommon::initPatchDMX(KlPatchDMX* patch, bool updateBlueprints, int profile,
                                 int layerCount, int outputCount) {
    if (!patch) return;
    *patch = KlPatchDMX{};
    for (int i = 0; i < KlPatchDMX::kUniverses; ++i) patch->universes[i].index = i;
    if (updateBlueprints) updatePatchBlueprints(profile, layerCount, outputCount);
    if (profile < kFirstNamedProfile) {
        patch->maxUniverseOffset = layerCount >= 7 ? 1 : 0;
        return;
    }
    const QVariantMap profiles = klPatchProfilesFlat();
    OmLog& log = patchLog();
    for (const QVariant& item : patchBlueprints()) {
        const QVariantMap b = item.toMap();
        const int offset = b.value(kKlPatchKeyUniverseOffset).toInt();
        const int address = b.value(kKlPatchKeyDmxAddress).toInt() - 1;
        if (offset < 0 || offset > kMaxUniverseOffset) {
            log.errorDev("bad blueprints univOffset %d", offset);
            continue;
        }
        if (address < 0 || address >= kUniverseSlots) {
            log.errorDev("bad blueprints kKlProfileKeyDmxAddress %d", address);
            continue;
        }
        patch->maxUniverseOffset = std::max(patch->maxUniverseOffset, offset);
        const QString type = b.value(kKlPatchKeyType).toString();
        KlPatchSlot* slot = nullptr;
        if (type.startsWith(QStringLiteral("Kelo Global Master"))) {
            slot = &patch->globalMaster;
        } else if (type.startsWith(QStringLiteral("Kelo Master"))) {
            const int output = b.value(kKlPatchKeySibling).toInt();
            if (output < 1 || output > KlPatchDMX::kOutputs) {
                log.errorDev("bad blueprints outputNum (Sibling) %d", output);
                continue;
            }
            slot = &patch->outputs[output - 1];
        } else if (b.contains(kKlPatchKeyLayerNum)) {
            const int layer = b.value(kKlPatchKeyLayerNum).toInt();
            if (layer < 1 || layer > KlPatchDMX::kLayers) {
                log.errorDev("bad blueprints LayerNum %d", layer);
                continue;
            }
            slot = &patch->layers[layer - 1];
        } else {
            continue;
        }
        initPatchDMX_Default(slot, type, offset, address, profiles);
    }
}

void KlPatchCommon::initPatchDMX_Default(KlPatchSlot* slot, const QString& fixtureType,
                                         int univOffset, int fixAddrOffset,
                                         const QVariantMap& profiles) {
    if (!slot) return;
    slot->univOffset = univOffset;
    slot->dmxAddress = fixAddrOffset;
    const int channels = channelsOf(profiles, fixtureType);
    if (fixAddrOffset < 0 || fixAddrOffset + channels >= kUniverseSlots)
        patchLog().errorDev("bad blueprints fixAddrOffset %d + Channels %d = %d (range 0 to 512)",
                            fixAddrOffset, channels, fixAddrOffset + channels);
}

void KlPatchCommon::addParametersFromArray(const QVariantList& array, QVariantList* flatParams) {
    if (!flatParams) return;
    for (const QVariant& item : array) {
        if (item.typeId() == QMetaType::QVariantList) {
            addParametersFromArray(item.toList(), flatParams);
            continue;
        }
        if (item.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap source = item.toMap();
        const int address = source.value(kKlPatchKeyDmxAddress).toInt();
        if (address <= 0) continue;
        std::optional<QVariantMap> copy = mutableCopyDeepPropertyList(source);
        if (!copy) continue;
        for (const char* key : {"mEncoderSensitivity", "valueRanges", "VProfileDict"})
            copy->remove(QString::fromLatin1(key));
        const QString nameKey = QStringLiteral("Name");
        if (copy->contains(nameKey))
            copy->insert(nameKey, trimParameterTitle(copy->value(nameKey).toString()));
        if (copy->value(kKlPatchKeyType).toInt() == 10) {
            copy->insert(kKlPatchKeyType, qint64(1));
            QVariantMap file = *copy;
            file.insert(nameKey, QStringLiteral("File"));
            file.insert(kKlPatchKeyDmxAddress, qint64(address) + 1);
            *flatParams << *copy << file;
        } else {
            *flatParams << *copy;
        }
    }
}

QString KlPatchCommon::trimParameterTitle(const QString& title) {
    constexpr int kShort = 12;
    QString t = title;
    if (t.size() > kShort) {
        t.replace(QStringLiteral("object "), QStringLiteral("obj "));
        t.replace(QStringLiteral("Object "), QStringLiteral("Obj "));
    }
    if (t.size() > kShort) t.replace(QStringLiteral("Control"), QStringLiteral("Ctrl"));
    if (t.size() > kShort) t.replace(QStringLiteral("control"), QStringLiteral("ctrl"));
    if (t.size() > kShort)
        t.replace(QStringLiteral("ation"), QStringLiteral("ate"), Qt::CaseInsensitive);
    if (t.size() > kShort) t.remove(QStringLiteral("ate"), Qt::CaseInsensitive);
    return t;
}

int SortByDmxAddress(const QVariantMap& a, const QVariantMap& b) {
    const int x = a.value(kKlPatchKeyDmxAddress).toInt();
    const int y = b.value(kKlPatchKeyDmxAddress).toInt();
    return x < y ? -1 : (x > y ? 1 : 0);
}
