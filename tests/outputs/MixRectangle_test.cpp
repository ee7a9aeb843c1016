// The mix model: fields, counters, naming, renumbering, titles and queries.

#include "outputs/MixRectangle.h"
#include "support/TestMain.h"
#include "outputs/OutputsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using MixModel = MixTableTest;

MixRectangle* add(bool output, int screen = 0, QSizeF size = {100, 50}) {
    return MixRectangle::mixRectangleAtIndex(
        MixRectangle::addNewMix(size, screen, output, 0, 0));
}

TEST_F(MixModel, FreshRectangleReadsItsDefaults) {
    MixRectangle m;
    m.setMixIndex(7);
    EXPECT_EQ(m.name(), "Untitled Mix 007");
    EXPECT_STREQ(m.idText(), "007");
    EXPECT_EQ(m.customColor(), QColor::fromRgbF(0.5f, 0.5f, 0.5f, 1.0f));
    EXPECT_EQ(m.screen_uuid(), "");
    EXPECT_FALSE(m.screen_uuid().isNull());
}

TEST_F(MixModel, SettersRaiseTheCountersTheyShould) {
    MixRectangle m;
    m.setRect({1, 2, 3, 4});
    int updated = m.updated();
    m.setRect({1, 2, 3, 4});
    EXPECT_EQ(m.updated(), updated) << "an equal rectangle changes nothing";
    m.setParent(0);
    EXPECT_EQ(m.updated(), updated + 1) << "the same parent still forces an update";

    m.setBmd_sync_group(4);
    EXPECT_EQ(m.bmd_sync_group(), 4);
    m.setBmd_sync_group(5);
    EXPECT_EQ(m.bmd_sync_group(), 0);

    const int screens = MixRectangle::screenIncrement();
    m.setScreen_uid(9);
    m.setScreen_uid(9);
    m.setScreen_real_uid(3);
    EXPECT_EQ(MixRectangle::screenIncrement(), screens + 2);

    m.setNeedsSave(false);
    m.setName("A");
    EXPECT_TRUE(m.needsSave());
    m.setNeedsSave(false);
    m.setName("A");
    m.setUnique_ui_color_id(0);
    EXPECT_FALSE(m.needsSave()) << "unchanged name and colour id";

    m.setMix_offset({0, 1});
    EXPECT_TRUE(m.unnatural());
    m.setMix_offset({0, 0});
    EXPECT_FALSE(m.unnatural());
}

TEST_F(MixModel, MatricesAreValidUntilTheWorldChanges) {
    MixRectangle m;
    const float values[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    m.setMatrix3d(values, false);
    EXPECT_EQ(m.matrix3d()[15], 16);
    EXPECT_EQ(m.matrix3d()[16], 0) << "no eye asked for";
    m.setMatrix3d(values, true);
    EXPECT_EQ(m.matrix3d()[19], 20);
    m.setMatrix3d(nullptr, true);
    EXPECT_EQ(m.matrix3d()[19], 20);

    m.setMatrixValid(true);
    EXPECT_TRUE(m.matrixValid());
    MixRectangle surface;
    surface.setMixIndex(0);
    surface.recalculate();  // the world changed
    EXPECT_FALSE(m.matrixValid());
    m.setMatrixValid(true);
    EXPECT_TRUE(m.matrixValid());

    m.setMatrixControls({{"fov", "30"}});
    EXPECT_TRUE(m.hasMatrix());
    EXPECT_FALSE(m.matrixValid());
}

TEST_F(MixModel, OutputsAreNamedByTheirMaster) {
    const struct {
        const char* what;
        QString name;
        unsigned master;
        QString expected;
    } cases[] = {
        {"another master is added", "Output 005", 3, "Output 005 (Master3)"},
        {"short index form", "Output 5", 3, "Output 5 (Master3)"},
        {"its own index stays", "Output 005", 5, "Output 005"},
        {"the operator's own name", "Left wall", 3, "Left wall"},
        {"an old master is replaced", "Output 005 (Master2)", 3, "Output 005 (Master3)"},
        {"no master is said", "Output 005", 0, "Output 005 - NO DMX Master"},
        {"said once only", "Output 005 - NO DMX Master", 0, "Output 005 - NO DMX Master"},
        {"a master ends the warning", "Output 005 - NO DMX Master", 3, "Output 005 (Master3)"},
        {"text after the master stays", "Output 005 (Master2) left", 0,
         "Output 005 left - NO DMX Master"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MixRectangle::removeAll();
        MixRectangle* m = MixRectangle::mixRectangleAtIndex(
            MixRectangle::addNewMix({10, 10}, 0, true, 0, 5));
        ASSERT_NE(m, nullptr);
        m->setIsOutput(true);
        m->setName(c.name);
        m->setMaster_num(c.master);
        EXPECT_EQ(m->name(), c.expected);
    }
}

TEST_F(MixModel, ChildOutputsNeverCarryTheWarning) {
    MixRectangle* parent = add(false);
    MixRectangle* child = add(true);
    child->setIsOutput(true);
    child->setParent(unsigned(parent->mixIndex()));
    child->setName("Output 001 - NO DMX Master");
    MixRectangle::updateConfiguration();
    child->setMaster_num(0);
    EXPECT_EQ(child->name(), "Output 001 - NO DMX Master") << "a child has no master of its own";
    parent->setIsOutput(true);
    parent->setMaster_num(4);
    EXPECT_EQ(child->name(), "Output 001") << "the parent's master covers the child";
    // A plain mix is never renamed.
    MixRectangle* mix = add(false);
    mix->setMaster_num(0);
    EXPECT_EQ(mix->name(), "Mix 034");
}

TEST_F(MixModel, ChangeIndexMovesEveryReference) {
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    MixRectangle* stage = MixRectangle::mixRectangleAtIndex(33);
    MixRectangle::mixRectangleAtIndex(1)->setTex_source(33);
    const uint64_t revision = MixRectangle::tableRevision();

    EXPECT_FALSE(stage->changeIndex(1000));
    EXPECT_FALSE(stage->changeIndex(-1));
    EXPECT_FALSE(stage->changeIndex(34)) << "taken";
    EXPECT_EQ(stage->mixIndex(), 33);
    EXPECT_EQ(MixRectangle::tableRevision(), revision) << "a refused renumbering changes nothing";

    ASSERT_TRUE(stage->changeIndex(999));
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(999), stage);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(33), nullptr);
    EXPECT_STREQ(stage->idText(), "999");
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(2)->parent(), 999u);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(34)->parent(), 999u);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(1)->tex_source(), 999u);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(35)->multi_mix(), QStringList({"999", "34"}));

    // Renumbered to 999, it can still be deleted.
    EXPECT_TRUE(MixRectangle::_privateDeleteMix(999));
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(999), nullptr);
    EXPECT_FALSE(MixRectangle::_privateDeleteMix(0)) << "the global surface stays";
}

TEST_F(MixModel, TitlesAndDescriptions) {
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(0)->mixTitle(), "GS:000");
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(34)->mixTitle(), "Mix:034 (1932,9 200x100)");
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(1)->mixTitle(), "Out:001 (0,0 1920x1080)");

    MixRectangle* big = MixRectangle::mixRectangleAtIndex(33);
    big->setRect({-1e7, 1e7, 1e7, 1e7});
    const QString title = big->mixTitle();
    EXPECT_LE(title.size(), 35) << "huge coordinates are cut, not undefined";

    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(1)->description(),
              "MixRectangle 1: 'Output 001 (Master2)' {{0, 0}, {1920, 1080}}"
              "\r      Screen: 1, DisplayID: 1234");
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(33)->description().section("\r      ", 1, -1),
              "Child 1: 002\r      Child 2: 034");
    MixRectangle* inset = MixRectangle::mixRectangleAtIndex(34);
    inset->setOrgOffset({1.25, -2});
    EXPECT_TRUE(inset->description().contains("\r      Parent: 033 - worldrect {{1930, 10}, {200, 100}}"
                                              "\r      Offset: 1.2,-2.0"))
        << qPrintable(inset->description());
}

TEST_F(MixModel, FamilyQueries) {
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    MixRectangle* stage = MixRectangle::mixRectangleAtIndex(33);
    EXPECT_TRUE(stage->hasChildOutputs());
    EXPECT_FALSE(stage->allChildOutputsHaveSameRotation()) << "output 002 is turned by 90";
    MixRectangle::mixRectangleAtIndex(2)->setMix_rotation(0);
    EXPECT_TRUE(stage->allChildOutputsHaveSameRotation());
    MixRectangle::mixRectangleAtIndex(34)->setMix_rotation(NAN);
    EXPECT_TRUE(stage->allChildOutputsHaveSameRotation()) << "mix 034 is no output";
    EXPECT_FALSE(stage->allChildrenHaveSameRotation()) << "a NaN never matches";

    EXPECT_EQ(MixRectangle::firstMixForDMX_Master(0), 0u);
    EXPECT_EQ(MixRectangle::firstMixForDMX_Master(2), 1u);
    EXPECT_EQ(MixRectangle::firstMixForDMX_Master(3), 2u);
    EXPECT_EQ(MixRectangle::firstMixForDMX_Master(9), 0u);

    MixRectangle* one = MixRectangle::mixRectangleAtIndex(1);
    EXPECT_TRUE(one->needScreenWarning()) << "display 1234 chosen, none found";
    one->setScreen_real_uid(0x1234);
    EXPECT_FALSE(one->needScreenWarning());
    MixRectangle* two = MixRectangle::mixRectangleAtIndex(2);
    two->setScreen_real_uid(0x1234);
    EXPECT_TRUE(two->needScreenWarning()) << "found a display another output has chosen";
    two->setScreen_real_uid(0x99);
    EXPECT_FALSE(two->needScreenWarning());
}

TEST_F(MixModel, ParentLoopsEndWithoutRecursingForever) {
    MixRectangle* a = add(false);
    MixRectangle* b = add(false);
    a->setParent(unsigned(b->mixIndex()));
    b->setParent(unsigned(a->mixIndex()));
    a->setRect({5, 5, 10, 10});
    MixRectangle::updateConfiguration();
    a->forceUpdate();
    EXPECT_TRUE(std::isfinite(a->worldrect().x()));
    EXPECT_TRUE(std::isfinite(b->worldrect().x()));
}

TEST_F(MixModel, FourCharacterCodes) {
    EXPECT_TRUE(fourCCfromInt(0).isNull());
    EXPECT_EQ(fourCCfromInt(0x48703630), "Hp60");
    EXPECT_EQ(fourCCfromInt(0x48700000), "Hp") << "stops at the first NUL";
    EXPECT_EQ(intFromFourCC(QString()), 0u);
    EXPECT_EQ(intFromFourCC("Hp60"), 0x48703630u);
    EXPECT_EQ(intFromFourCC("Hp"), 0x48700000u);
    EXPECT_EQ(intFromFourCC("Hp60xyz"), 0x48703630u);
}

TEST_F(MixModel, SortByMixIndex) {
    MixRectangle a, b;
    a.setMixIndex(1);
    b.setMixIndex(2);
    EXPECT_TRUE(SortByMixIndex(&a, &b));
    EXPECT_FALSE(SortByMixIndex(&b, &a));
    EXPECT_FALSE(SortByMixIndex(nullptr, &a));
}

}  // namespace

KELO_TEST_MAIN()
