#pragma once

#include "serverlink/KeloProfileNameProvider.h"

#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>

// Keys of a blueprint set and of its blueprints.
inline constexpr char kKlPatchKeyBlueprintsVersion[] = "kKlPatchKeyBlueprintsVersion";
inline constexpr char kKlPatchKeyBlueprints[] = "kKlPatchKeyBlueprints";
inline constexpr char kKlPatchKeyType[] = "Type";
inline constexpr char kKlPatchKeySibling[] = "Sibling";
inline constexpr char kKlPatchKeyLayerNum[] = "LayerNum";
inline constexpr char kKlPatchKeyUniverseOffset[] = "UniverseOffsetV4";
inline constexpr char kKlPatchKeyDmxAddress[] = "DmxAddressOneBased";
inline constexpr char kKlPatchKeySuffix[] = "suffix";

// One patched fixture: universe offset from the server's base universe and
// 0-based DMX address.
struct KlPatchSlot {
    int32_t univOffset = 0;
    int32_t dmxAddress = 0;
};

struct KlPatchUniverse {
    int32_t index = 0;
};

// Where the server's control fixtures sit, as the server computes it.
struct KlPatchDMX {
    static constexpr int kUniverses = 13;
    static constexpr int kLayers = 24;
    static constexpr int kOutputs = 32;
    // Highest universe offset used; for profiles below 16 instead 1 when the
    // server has at least 7 layers.
    int32_t maxUniverseOffset = 0;
    KlPatchUniverse universes[kUniverses];
    KlPatchSlot globalMaster;
    KlPatchSlot layers[kLayers];    // layer 1 in [0]
    KlPatchSlot outputs[kOutputs];  // output 1 in [0]
};

// Rules of the server's DMX control patch: one block of channels for the
// global master, one per output master and one per layer, laid out by the
// profile of the server's edition in universes of which slot 512 is never
// used (servers compute the same patch). Class operations; the
// process-wide blueprint state carries its own lock, so any thread. An
// instance names profiles for the server link (it sits below this library);
// the composition root installs one.
class KlPatchCommon : public KeloProfileNameProvider {
public:
    // Display name of a server profile code; "Unknown" for codes without one.
    static QString profileNameForProfile(int profile);
    QString profileName(int profile) override { return profileNameForProfile(profile); }

    // The blueprint set for a profile: {"kKlPatchKeyBlueprintsVersion": 2,
    // "kKlPatchKeyBlueprints": [global master, outputs, layers]}; empty for a
    // profile outside 16..24 or 22. `unused` is not read.
    static QVariantMap createBlueprints(int unused, int outputCount, int layerCount,
                                        const QVariantMap& profiles, int subProfile);
    // Rebuilds the current blueprints when the profile or a count changed;
    // true when they did, or the flat profiles were loaded just now.
    static bool updatePatchBlueprints(int profile, int layerCount, int outputCount);
    // Fixture type name -> {"Channels": count, ...}, made on first use.
    static QVariantMap klPatchProfilesFlat();
    static QVariantList patchBlueprints();
    // Largest universe offset of the current blueprints; 0 without any.
    static int patchBlueprintsMaxUniverseOffset();

    // The universe to use, lowered (or raised to the protocol's minimum) when
    // the patch would not fit; `warnStr` (may be null) receives the
    // operator's message, empty when the universe fits. A `maxOffset` of 0
    // means the current blueprints' own.
    static int rangeCheckUniverse(int universe, bool sACN, int maxOffset, QString* warnStr);
    // The hint of a universe field that holds a valid universe.
    static QString universeToolTip(bool sACN);

    static void initPatchDMX(KlPatchDMX* patch, bool updateBlueprints, int profile, int layerCount,
                             int outputCount);
    static void initPatchDMX_Default(KlPatchSlot* slot, const QString& fixtureType, int univOffset,
                                     int fixAddrOffset, const QVariantMap& profiles);

    // Parameters of a profile with an address, flattened depth first into
    // `flatParams` with shortened names; a file parameter (Type 10) becomes
    // two channels.
    static void addParametersFromArray(const QVariantList& array, QVariantList* flatParams);
    // Shortens titles longer than 12 characters.
    static QString trimParameterTitle(const QString& title);
};

// Orders parameter dictionaries by "DmxAddressOneBased", ascending.
int SortByDmxAddress(const QVariantMap& a, const QVariantMap& b);
