#include "settings/KlPatchCommon.h"

#include "serverlink/KeloObject.h"
#include "support/TestMain.h"

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

KELO_TEST_MAIN()
