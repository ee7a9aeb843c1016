#include "outputs/MixRectangle.h"

#include "serverlink/KeloObject.h"
#include "serverlink/MixRectangleServices.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

namespace {

QVariantMap mix(const QString& name = QString()) {
    return name.isNull() ? QVariantMap{{"x", 1}} : QVariantMap{{"name", name}};
}

std::vector<std::pair<int, QString>> table() {
    std::vector<std::pair<int, QString>> list;
    for (const MixRectangle* m : MixRectangle::sortedMixRectangles())
        list.emplace_back(m->mixIndex(), m->name());
    return list;
}

class MixTable : public ::testing::Test {
protected:
    void SetUp() override { MixRectangle::removeAll(); }
    void TearDown() override {
        MixRectangle::removeAll();
        MixRectangleServices::install(nullptr);
    }
};

TEST_F(MixTable, RemoteChangesMergeOrRebuild) {
    using Table = std::vector<std::pair<int, QString>>;
    const struct {
        const char* what;
        QVariant value;
        int result;
        Table after;
    } cases[] = {
        {"first mixes",
         QVariantMap{{"002", mix()}, {"001", mix("Left")}},
         2,
         {{1, "Left"}, {2, "Mix 2"}}},
        {"the same again",
         QVariantMap{{"001", mix("Left")}, {"002", mix()}},
         0,
         {{1, "Left"}, {2, "Mix 2"}}},
        {"a new name",
         QVariantMap{{"001", mix("Stage")}, {"002", mix()}},
         1,
         {{1, "Stage"}, {2, "Mix 2"}}},
        {"not a dictionary", QVariant("mixes"), 0, {{1, "Stage"}, {2, "Mix 2"}}},
        {"key of two digits", QVariantMap{{"01", mix()}}, 0, {{1, "Stage"}, {2, "Mix 2"}}},
        {"key of other characters", QVariantMap{{"0x1", mix()}}, 0, {{1, "Stage"}, {2, "Mix 2"}}},
        {"entry that is no dictionary",
         QVariantMap{{"001", "Left"}},
         0,
         {{1, "Stage"}, {2, "Mix 2"}}},
        {"another set",
         QVariantMap{{"000", mix("All")}, {"010", mix("Ten")}},
         2,
         {{0, "All"}, {10, "Ten"}}},
        {"no mixes", QVariantMap{}, 2, {}},
        {"still none", QVariantMap{}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MixRectangle::applyRemoteChanges(c.value), c.result);
        EXPECT_EQ(table(), c.after);
    }
}

TEST_F(MixTable, ConfigurationCounterGrows) {
    const int start = MixRectangle::updateConfigIncrement();
    MixRectangle::updateConfiguration();
    MixRectangle::updateConfiguration();
    EXPECT_EQ(MixRectangle::updateConfigIncrement(), start + 2);
}

TEST_F(MixTable, ServerObjectsReadTheirMixesAndPicturesThroughTheTable) {
    MixRectangleTableServices services;
    MixRectangleServices::install(&services);
    KeloObject kelo;
    kelo.setIsRunning(true);
    kle_general_stat s{};
    s.vMajor = 4;
    kelo.setGeneralStatus(&s, sizeof s);
    const QVariantMap mixes{{"001", mix("Left")}, {"003", mix("Right")}};
    kelo.setPrefsDict({{"mixes", QVariantMap{{"_value", mixes}, {"_prefUpdates", 0}}}});

    const std::vector<MixRectangleRecord> expected{{1, "Left"}, {3, "Right"}};
    EXPECT_EQ(kelo.sortedMixes(), expected);
    EXPECT_EQ(kelo.mixName(3), "Right");
    EXPECT_TRUE(kelo.mixName(2).isNull());
    // Pictures exist for the mixes the table lists, up to the highest index.
    EXPECT_NE(kelo.mixImageAtIndex(3), nullptr);
    EXPECT_EQ(kelo.mixImagesMax(), 4);
}

}  // namespace

KELO_TEST_MAIN()
