#include "settings/KlPatchCommon.h"

#include "serverlink/KeloObject.h"
#include "support/TestMain.h"

#include <algorithm>
#include <vector>

namespace {

struct Placed {
    int universe;
    int address;
};

std::vector<Placed> placements(const QVariantMap& set, const QString& typePrefix) {
    std::vector<Placed> found;
    for (const QVariant& v : set.value(kKlPatchKeyBlueprints).toList()) {
        const QVariantMap b = v.toMap();
        if (b.value(kKlPatchKeyType).toString().startsWith(typePrefix))
            found.push_back({b.value(kKlPatchKeyUniverseOffset).toInt(),
                             b.value(kKlPatchKeyDmxAddress).toInt()});
    }
    return found;
}

QVariantMap profilesWith(const QString& key, int global, int output, int layer) {
    const auto channels = [](int n) { return QVariantMap{{"Channels", n}}; };
    return {{"Kelo Global Master " + key, channels(global)},
            {"Kelo Master " + key, channels(output)},
            {"Kelo Layer " + key, channels(layer)}};
}

bool operator==(const Placed& a, const Placed& b) {
    return a.universe == b.universe && a.address == b.address;
}

}  // namespace

TEST(KlPatchCommon, ProfileNames) {
    const struct {
        int profile;
        const char* name;
    } cases[] = {
        {16, "Falcon v4.x"}, {17, "Heron v4.x"}, {18, "Wren v4.x"}, {19, "Falcon v5.x"},
        {20, "Heron v5.x"},  {21, "Wren v5.x"},  {22, "Kelo Ibis"}, {23, "Plover v4.x"},
        {24, "Plover v5.x"}, {15, "Unknown"},    {25, "Unknown"},   {0, "Unknown"},
        {-1, "Unknown"},     {255, "Unknown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KlPatchCommon::profileNameForProfile(c.profile), QString(c.name)) << c.profile;
}

TEST(KlPatchCommon, ServerObjectsNameTheirProfileOnceInstalled) {
    KeloObject k;
    kle_general_stat s{};
    s.profile = 20;
    ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
    k.setIsRunning(true);
    KlPatchCommon patch;
    KeloProfileNameProvider::install(&patch);
    EXPECT_EQ(k.profileName(), QString("Heron v5.x"));
    KeloProfileNameProvider::install(nullptr);
}

TEST(KlPatchCommon, ReducedEditionPutsLayersAfterTheOutputsAndNeverUsesSlot512) {
    const QVariantMap set =
        KlPatchCommon::createBlueprints(1, 2, 9, profilesWith("V4 Wren", 5, 40, 52), 18);
    EXPECT_EQ(set.value(kKlPatchKeyBlueprintsVersion).toInt(), 2);
    EXPECT_EQ(placements(set, "Kelo Global Master"), (std::vector<Placed>{{0, 1}}));
    EXPECT_EQ(placements(set, "Kelo Master"), (std::vector<Placed>{{0, 6}, {0, 46}}));
    // 502 + 52 reaches 513: the ninth layer starts the next universe.
    EXPECT_EQ(placements(set, "Kelo Layer"), (std::vector<Placed>{{0, 86},
                                                                  {0, 138},
                                                                  {0, 190},
                                                                  {0, 242},
                                                                  {0, 294},
                                                                  {0, 346},
                                                                  {0, 398},
                                                                  {0, 450},
                                                                  {1, 1}}));
    const QVariantMap last = set.value(kKlPatchKeyBlueprints).toList().last().toMap();
    EXPECT_EQ(last.value(kKlPatchKeyLayerNum).toInt(), 9);
    EXPECT_EQ(last.value(kKlPatchKeySibling).toInt(), 11);
    EXPECT_EQ(last.value(kKlPatchKeySuffix).toString(), "Layer 9");
}

TEST(KlPatchCommon, FullEditionsStartLayersInTheirOwnUniverse) {
    const QVariantMap set =
        KlPatchCommon::createBlueprints(1, 6, 8, KlPatchCommon::klPatchProfilesFlat(), 16);
    // Four 93-channel outputs fit after the 50-channel master: 423 + 93 passes 512.
    const auto outputs = placements(set, "Kelo Master");
    ASSERT_EQ(outputs.size(), 6u);
    EXPECT_EQ(outputs[3], (Placed{0, 330}));
    EXPECT_EQ(outputs[4], (Placed{1, 1}));
    const auto layers = placements(set, "Kelo Layer");
    ASSERT_EQ(layers.size(), 8u);
    EXPECT_EQ(layers[0], (Placed{2, 1}));
    EXPECT_EQ(layers[6], (Placed{3, 1})) << "6 x 81 + 1 = 487, and 487 + 81 > 512";
}

TEST(KlPatchCommon, LayersNeedingAThirteenthUniverseAreLeftOut) {
    // One 400-channel layer per universe: offsets 1..12 hold twelve layers.
    const QVariantMap set =
        KlPatchCommon::createBlueprints(1, 1, 20, profilesWith("V5", 10, 10, 400), 19);
    const auto layers = placements(set, "Kelo Layer");
    ASSERT_EQ(layers.size(), 12u);
    EXPECT_EQ(layers.back(), (Placed{12, 1}));
}

TEST(KlPatchCommon, RefusesProfilesWithoutAPatch) {
    for (int profile : {0, 15, 22, 25, -3})
        EXPECT_TRUE(KlPatchCommon::createBlueprints(1, 2, 4, {}, profile).isEmpty()) << profile;
}

TEST(KlPatchCommon, HostileCountsStayBounded) {
    const QVariantMap set = KlPatchCommon::createBlueprints(1, 1 << 30, 1 << 30, {}, 17);
    // Zero-channel profiles (missing entries) still give one blueprint per slot at most.
    EXPECT_EQ(placements(set, "Kelo Master").size(), size_t(KlPatchDMX::kOutputs));
    EXPECT_EQ(placements(set, "Kelo Layer").size(), size_t(KlPatchDMX::kLayers));
    EXPECT_EQ(KlPatchCommon::createBlueprints(1, -5, -5, {}, 17)
                  .value(kKlPatchKeyBlueprints)
                  .toList()
                  .size(),
              1);
}

TEST(KlPatchCommon, UniverseRangeCheck) {
    const QString artNetWarning =
        "DMX Universe out of range.\nMinimum is 0, Maximum ArtNet universe 32767\n"
        "The selected patch requires 3 universes, 32765 through 32767\n"
        "so the adjusted maximum universe should be 32765";
    const struct {
        int universe;
        bool sACN;
        int offset;
        int expected;
        bool warns;
    } cases[] = {
        {32767, false, 2, 32765, true}, {32765, false, 2, 32765, false},
        {63990, true, 12, 63987, true}, {63987, true, 12, 63987, false},
        {-4, false, 1, 0, false},       {0, true, 1, 1, true},
        {5, true, 70000, 1, true},      {40000, false, 1, 32766, true},
    };
    for (const auto& c : cases) {
        QString warning = "stale";
        EXPECT_EQ(KlPatchCommon::rangeCheckUniverse(c.universe, c.sACN, c.offset, &warning),
                  c.expected)
            << c.universe << " offset " << c.offset;
        EXPECT_EQ(!warning.isEmpty(), c.warns) << c.universe;
        EXPECT_EQ(KlPatchCommon::rangeCheckUniverse(c.universe, c.sACN, c.offset, nullptr),
                  c.expected);
    }
    QString warning;
    KlPatchCommon::rangeCheckUniverse(32767, false, 2, &warning);
    EXPECT_EQ(warning, artNetWarning);
    KlPatchCommon::rangeCheckUniverse(63990, true, 12, &warning);
    EXPECT_TRUE(warning.contains("requires 13 universes, 63987 through 63999"))
        << qPrintable(warning);
}

TEST(KlPatchCommon, ZeroOffsetUsesTheCurrentBlueprints) {
    ASSERT_TRUE(KlPatchCommon::updatePatchBlueprints(16, 8, 6));
    EXPECT_FALSE(KlPatchCommon::updatePatchBlueprints(16, 8, 6));
    EXPECT_EQ(KlPatchCommon::patchBlueprintsMaxUniverseOffset(), 3);
    EXPECT_EQ(KlPatchCommon::rangeCheckUniverse(32767, false, 0, nullptr), 32764);
    ASSERT_TRUE(KlPatchCommon::updatePatchBlueprints(12, 8, 6));
    EXPECT_TRUE(KlPatchCommon::patchBlueprints().isEmpty());
    EXPECT_EQ(KlPatchCommon::patchBlueprintsMaxUniverseOffset(), 0);
}

TEST(KlPatchCommon, PatchRecordFollowsTheBlueprints) {
    KlPatchDMX patch;
    KlPatchCommon::initPatchDMX(&patch, true, 18, 9, 2);
    for (int i = 0; i < KlPatchDMX::kUniverses; ++i) EXPECT_EQ(patch.universes[i].index, i);
    EXPECT_EQ(patch.maxUniverseOffset, 1);
    EXPECT_EQ(patch.globalMaster.dmxAddress, 0);
    EXPECT_EQ(patch.outputs[1].dmxAddress, 45);
    EXPECT_EQ(patch.layers[0].dmxAddress, 85);
    EXPECT_EQ(patch.layers[8].univOffset, 1);
    EXPECT_EQ(patch.layers[8].dmxAddress, 0);
    EXPECT_EQ(patch.layers[9].dmxAddress, 0) << "no tenth layer";

    KlPatchCommon::initPatchDMX(&patch, true, 12, 7, 2);
    EXPECT_EQ(patch.maxUniverseOffset, 1) << "older servers: seven layers or more";
    KlPatchCommon::initPatchDMX(&patch, true, 12, 6, 2);
    EXPECT_EQ(patch.maxUniverseOffset, 0);
}

TEST(KlPatchCommon, FlattensParametersDepthFirst) {
    const QVariantList profile{
        QVariantMap{
            {"Name", "Intensity"}, {"DmxAddressOneBased", 1}, {"valueRanges", QVariantList{1}}},
        QVariantList{QVariantMap{{"Name", "Media File Select"},
                                 {"DmxAddressOneBased", 2},
                                 {"Type", 10},
                                 {"VProfileDict", QVariantMap{{"x", 1}}}},
                     QString("ignored")},
        QVariantMap{{"Name", "No Address"}, {"DmxAddressOneBased", 0}},
        QVariantMap{{"Name", "Rotation Control Object"},
                    {"DmxAddressOneBased", 4},
                    {"mEncoderSensitivity", 3}},
    };
    QVariantList flat;
    KlPatchCommon::addParametersFromArray(profile, &flat);
    ASSERT_EQ(flat.size(), 4);
    EXPECT_EQ(flat[0].toMap(),
              (QVariantMap{{"Name", "Intensity"}, {"DmxAddressOneBased", qint64(1)}}));
    EXPECT_EQ(flat[1].toMap().value("Type").toInt(), 1);
    EXPECT_FALSE(flat[1].toMap().contains("VProfileDict"));
    EXPECT_EQ(flat[2].toMap().value("Name").toString(), "File");
    EXPECT_EQ(flat[2].toMap().value("DmxAddressOneBased").toInt(), 3);
    EXPECT_EQ(flat[3].toMap(),
              (QVariantMap{{"Name", "Rot Ctrl Object"}, {"DmxAddressOneBased", qint64(4)}}));

    QVariantList sorted = flat;
    std::sort(sorted.begin(), sorted.end(), [](const QVariant& a, const QVariant& b) {
        return SortByDmxAddress(b.toMap(), a.toMap()) < 0;
    });
    EXPECT_EQ(sorted.first().toMap().value("Name").toString(), "Rot Ctrl Object");
}

TEST(KlPatchCommon, TrimsLongTitlesOnly) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Rotation Control Object", "Rot Ctrl Object"},
        {"Pan", "Pan"},
        {"Rotation Con", "Rotation Con"},
        {"Select object X", "Select obj X"},
        {"Translation Y", "Translate Y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KlPatchCommon::trimParameterTitle(c.in), QString(c.out)) << c.in;
}

KELO_TEST_MAIN()
