// The "mixes" dictionary: writing, reading, checking, merging a server's
// copy, the update pass, and adding, pasting and deleting.

#include "foundation/OmLog.h"
#include "outputs/KlOutputsNotifications.h"
#include "outputs/MixRectangle.h"
#include "outputs/OutputsTestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "support/TestMain.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using MixDictionary = MixTableTest;

QVariantMap with(QVariantMap dict, const QString& key, const char* field, const QVariant& value) {
    QVariantMap e = dict.value(key).toMap();
    if (value.isValid())
        e.insert(field, value);
    else
        e.remove(field);
    dict.insert(key, e);
    return dict;
}

QVariantMap plus(QVariantMap dict, const QString& key, const QVariant& value) {
    dict.insert(key, value);
    return dict;
}

int countPosts(const QString& name, const std::function<void()>& action) {
    int posts = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        name, nullptr, [&](const Notification&) { ++posts; });
    action();
    return posts;
}

TEST_F(MixDictionary, NewOutputOnADisplayWritesItsEntry) {
    const int index = MixRectangle::addNewMix({1920, 1080}, 1, true, 1, 0);
    ASSERT_EQ(index, 1);
    LogCapture log;
    MixRectangle::updateConfiguration();
    EXPECT_TRUE(log.text().contains("MixRectangles: creating default mix 000"));
    const QVariantMap dict = MixRectangle::rebuildDict();
    EXPECT_EQ(dict.value("001").toMap(),
              entry({{"rect", "0,0,1920,1080"},
                     {"name", "Output 001 - NO DMX Master"},
                     {"unique_ui_color_id", "0"},
                     {"custom_color", "127,127,127"},
                     {"screen_index", "1"},
                     {"fit_mode", "0"},
                     {"screen_uuid", ""},
                     {"show_hud", "1"},
                     {"is_output", "1"},
                     {"screen_group", "1"}}));
    EXPECT_EQ(dict.value("000").toMap(), entry({{"rect", "0,0,1920,1080"},
                                                {"name", "global surface (default)"},
                                                {"kKlMixVersion", "4100"},
                                                {"fit_mode", "0"},
                                                {"screen_uuid", ""}}));
    EXPECT_EQ(MixRectangle::_direct_summary(), "1 Output, 0 Mixes");
    EXPECT_FALSE(MixRectangle::mixRectangleAtIndex(1)->needsSave()) << "written";
}

TEST_F(MixDictionary, ReadAndWrittenBackUnchanged) {
    EXPECT_EQ(MixRectangle::_direct_summary(), "?");
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    EXPECT_EQ(MixRectangle::rebuildDict(), sampleMixes());
    EXPECT_EQ(MixRectangle::_direct_summary(), "2 Outputs, 3 Mixes");
    EXPECT_EQ(MixRectangle::klMixVersion(), 4100);
    EXPECT_EQ(MixRectangle::worldRect(), QRectF(0, 0, 3840, 1080));
    EXPECT_EQ(MixRectangle::applyRemoteChanges(sampleMixes()), 0);

    const MixRectangle* red = MixRectangle::mixRectangleAtIndex(1);
    EXPECT_EQ(red->customColor(), QColor(255, 0, 0));
    EXPECT_TRUE(red->customColorEnable());
    const MixRectangle* both = MixRectangle::mixRectangleAtIndex(35);
    EXPECT_TRUE(both->multiMix());
    ASSERT_EQ(both->multiMixes().size(), 2u);
    EXPECT_EQ(both->multiMixes()[1]->mixIndex(), 34);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(33)->children().size(), 2u);
    EXPECT_EQ(MixRectangle::screenMixes().size(), 2u);

    // The text sent is the writer's own, also after an edit.
    EXPECT_EQ(MixRectangle::oldStyleText(),
              PropertyList::write(MixRectangle::rebuildDict(), PropertyList::Format::OpenStep));
    MixRectangle::mixRectangleAtIndex(34)->setName("Inset \"left\"\n");
    MixRectangle::mixRectangleAtIndex(33)->setRect({1900, 0, 1920, 1080});  // with its children
    MixRectangle::mixRectangleAtIndex(35)->changeIndex(36);
    EXPECT_EQ(MixRectangle::oldStyleText(),
              PropertyList::write(MixRectangle::rebuildDict(), PropertyList::Format::OpenStep));
    ASSERT_EQ(MixRectangle::applyRemoteChanges(sampleMixes()), 2);

    // The same layout as old-style and as XML text.
    for (auto format : {PropertyList::Format::OpenStep, PropertyList::Format::Xml}) {
        const QByteArray text = PropertyList::write(sampleMixes(), format);
        EXPECT_EQ(MixRectangle::applyRemoteChanges(QString::fromUtf8(text)), 0);
    }
}

TEST_F(MixDictionary, FieldsReadAsTheirValues) {
    QVariantMap d = sampleMixes();
    d = with(d, "034", "parent", "1000");
    d = with(d, "033", "bmd_sync_group", "7");
    d = with(d, "033", "decklink_format", "Hp60");
    d = with(d, "033", "screen_uid", "-1");
    d = with(d, "033", "decklink_uid", "18446744073709551615");
    d = with(d, "033", "screen_index", "4");
    d = with(d, "033", "projection", QVariantMap{{"warp", QVariantMap{{"000.000", "0.1,0.2"}}}});
    MixRectangle::setUiAutoresizeSurface(true);
    ASSERT_TRUE(MixRectangle::configureWithDictionary(d));
    EXPECT_FALSE(MixRectangle::uiAutoresizeSurface()) << "reading mix 000 turns it off";
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(34)->parent(), 0u);
    const MixRectangle* m = MixRectangle::mixRectangleAtIndex(33);
    EXPECT_EQ(m->bmd_sync_group(), 0);
    EXPECT_EQ(m->decklink_format(), 0x48703630u);
    EXPECT_EQ(m->screen_uid(), ~uint64_t(0));
    EXPECT_EQ(m->decklink_uid(), ~uint64_t(0));
    EXPECT_TRUE(m->isOutput()) << "bound to a display";
    EXPECT_TRUE(m->hasProjection());
    const QVariantMap written = MixRectangle::rebuildDict().value("033").toMap();
    EXPECT_EQ(written.value("decklink_format"), "Hp60");
    EXPECT_EQ(written.value("screen_uid"), "-1");
    EXPECT_EQ(written.value("decklink_uid"), "18446744073709551615");
    EXPECT_EQ(written.value("projection"), d.value("033").toMap().value("projection"));
    EXPECT_FALSE(MixRectangle::rebuildDict().value("034").toMap().contains("parent"));
}

TEST_F(MixDictionary, ServerCopiesMergeOrReplace) {
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    QVariantMap renumbered = sampleMixes();
    renumbered.insert("036", renumbered.take("034"));
    QVariantMap fewer = sampleMixes();
    fewer.remove("034");
    fewer.remove("000");
    const struct {
        const char* what;
        QVariantMap incoming;
        int answer;
        int genlockNotices;
    } cases[] = {
        {"the same", sampleMixes(), 0, 0},
        {"one more", plus(sampleMixes(), "040", sampleMixes().value("033")), 2, 0},
        {"renumbered", renumbered, 2, 0},
        {"a new name", with(sampleMixes(), "033", "name", "Main"), 1, 0},
        {"genlock alone", with(sampleMixes(), "002", "bmd_genlock_lock_to_master", "1"), 1, 1},
        {"genlock after another change",
         with(with(sampleMixes(), "001", "fit_mode", "2"), "002", "bmd_genlock_lock_to_master",
              "1"),
         1, 0},
        {"a multi-mix's parts", with(sampleMixes(), "035", "multi_mix", QVariantList{"33"}), 1, 0},
        {"fewer, without the surface", fewer, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MixRectangle::removeAll();
        ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
        int answer = -1;
        const int notices = countPosts(kKeloGenlockRuntimeConfigChangedNotification, [&] {
            answer = MixRectangle::applyRemoteChanges(c.incoming);
        });
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(notices, c.genlockNotices);
        QVariantMap expected = c.incoming;
        if (!expected.contains("000")) expected.insert("000", sampleMixes().value("000"));
        EXPECT_EQ(MixRectangle::rebuildDict(), expected) << "the table holds the server's copy";
    }
    MixRectangle::removeAll();
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(35)->multiMixes().size(), 2u);
    ASSERT_EQ(MixRectangle::applyRemoteChanges(with(sampleMixes(), "035", "multi_mix",
                                                    QVariantList{"33"})),
              1);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(35)->multiMixes().size(), 1u)
        << "a changed multi-mix runs the update pass";

    // A forced merge runs even when nothing differs.
    const unsigned passes = MixRectangle::updateConfigIncrement();
    MixRectangle::setRemoteUpdateMixFlag();
    EXPECT_EQ(MixRectangle::applyRemoteChanges(MixRectangle::rebuildDict()), 1);
    EXPECT_EQ(MixRectangle::updateConfigIncrement(), passes + 1);
    EXPECT_EQ(MixRectangle::applyRemoteChanges(MixRectangle::rebuildDict()), 0);
}

TEST_F(MixDictionary, BadInputIsRefusedAndTheTableKept) {
    // Every refusal is to be seen here, not summarised as a repeat.
    if (!OmLog::isFloodCheckDisabled()) OmLog::toggleAllowFlood();
    const QVariantMap d = sampleMixes();
    const struct {
        const char* what;
        QVariant value;
        const char* logged;
    } cases[] = {
        {"a foreign version", with(d, "000", "kKlMixVersion", "4000"),
         "[Mixes] ERROR: incompatible Kelo App mixes version 4000"},
        {"a text that is no property list", QString("{ \"001\" = { rect = "), "not a property list"},
        {"a text that is no dictionary", QString("( a, b )"), "not a dictionary"},
        {"a number", QVariant(12), "not a dictionary"},
        {"an entry that is no dictionary", plus(d, "002", "x"), "entry 002 is no dictionary"},
        {"a key below 0", QVariantMap{{"-01", entry({{"rect", "0,0,1,1"}})}}, "key '-01'"},
        {"a key from 1000", QVariantMap{{"1000", entry({{"rect", "0,0,1,1"}})}}, "key '1000'"},
        {"a key of letters", QVariantMap{{"abc", entry({{"rect", "0,0,1,1"}})}}, "key 'abc'"},
        {"three numbers", with(d, "033", "rect", "1,2,3"), "entry 033: bad \"rect\""},
        {"five numbers", with(d, "033", "rect", "1,2,3,4,5"), "entry 033: bad \"rect\""},
        {"words", with(d, "033", "rect", "a,b,c,d"), "entry 033: bad \"rect\""},
        {"nan", with(d, "033", "rect", "nan,0,10,10"), "entry 033: bad \"rect\""},
        {"infinity", with(d, "033", "rect", "1e400,0,10,10"), "entry 033: bad \"rect\""},
        {"a negative size", with(d, "033", "rect", "0,0,-5,5"), "entry 033: bad \"rect\""},
        {"a 2-part colour", with(d, "033", "custom_color", "255,0"), "bad \"custom_color\""},
        {"a nan rotation", with(d, "033", "mix_rotation", "nan"), "bad \"mix_rotation\""},
        {"a nan offset", with(d, "034", "mix_offset", "nan,1"), "bad \"mix_offset\""},
        {"a word for a number", with(d, "033", "fit_mode", "wide"), "bad \"fit_mode\""},
        {"a multi-mix of no array", with(d, "035", "multi_mix", "33"), "\"multi_mix\" is no array"},
        {"a projection of no dictionary", with(d, "033", "projection", "x"),
         "\"projection\" is no dictionary"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MixRectangle::removeAll();
        ASSERT_TRUE(MixRectangle::configureWithDictionary(d));
        const uint64_t revision = MixRectangle::tableRevision();
        LogCapture log;
        EXPECT_EQ(MixRectangle::applyRemoteChanges(c.value), 0);
        if (c.value.typeId() == QMetaType::QVariantMap) {
            EXPECT_FALSE(MixRectangle::configureWithDictionary(c.value.toMap()));
        }
        const QByteArray logged = log.text();
        EXPECT_TRUE(logged.contains("ERROR")) << logged.constData();
        if (c.logged) {
            EXPECT_TRUE(logged.contains(c.logged)) << logged.constData();
        }
        EXPECT_EQ(MixRectangle::tableRevision(), revision) << "the open configuration untouched";
        EXPECT_EQ(MixRectangle::rebuildDict(), d);
    }
    OmLog::toggleAllowFlood();
}

TEST_F(MixDictionary, LargeAndEmptyLayoutsAreRead) {
    // 998 entries: the surface and every mix from 001 to 997, 0 x 0 ones among them.
    QVariantMap d{{"000", entry({{"rect", "0,0,16384,16384"}, {"kKlMixVersion", "4100"}})}};
    for (int i = 1; i < 998; ++i)
        d.insert(QString::asprintf("%03d", i),
                 entry({{"rect", i % 7 ? QString("%1,%2,100,50").arg(i * 16).arg(i) : "0,0,0,0"},
                        {"screen_index", i <= 32 ? QString::number(i) : "0"}}));
    ASSERT_EQ(MixRectangle::applyRemoteChanges(d), 2);
    EXPECT_EQ(MixRectangle::mixRectangles().size(), 998u);
    EXPECT_EQ(MixRectangle::_direct_summary(), "32 Outputs, 965 Mixes");
    EXPECT_EQ(MixRectangle::applyRemoteChanges(MixRectangle::rebuildDict()), 0);
    EXPECT_EQ(MixRectangle::addNewMix({10, 10}, 0, false, 0, 0), 998);
    EXPECT_EQ(MixRectangle::addNewMix({10, 10}, 0, false, 0, 0), 0) << "998 is the last";

    ASSERT_EQ(MixRectangle::applyRemoteChanges(QVariantMap{}), 2);
    EXPECT_EQ(MixRectangle::mixRectangles().size(), 1u) << "only the surface is never deleted";
}

TEST_F(MixDictionary, UpdatePassBuildsTheSurfaceAndTheSummary) {
    MixRectangle::addNewMix({1001, 500}, 0, false, 0, 0);
    MixRectangle::updateConfiguration();
    EXPECT_EQ(MixRectangle::worldRect(), QRectF(0, 0, 1008, 500));
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(0)->name(), "global surface (default)");
    EXPECT_DOUBLE_EQ(MixRectangle::worldAspect(), 1008.0 / 500);
    // Narrower than a sixteenth, the surface still gets one.
    MixRectangle::removeAll();
    MixRectangle::addNewMix({0.5, 10}, 0, false, 0, 0);
    MixRectangle::updateConfiguration();
    EXPECT_EQ(MixRectangle::worldRect(), QRectF(0, 0, 16, 10));

    const struct {
        int outputs, mixes;
        const char* summary;
    } cases[] = {{2, 2, "2 Outputs, 2 Mixes"}, {1, 1, "1 Output, 1 Mix"}, {0, 0, "0 Outputs, 0 Mixes"}};
    for (const auto& c : cases) {
        MixRectangle::removeAll();
        ASSERT_TRUE(MixRectangle::setWorldRect({0, 0, 1920, 1080}).isNull());
        MixRectangle::configureWithDictionary({{"000", entry({{"rect", "0,0,1920,1080"}})}});
        for (int i = 0; i < c.outputs; ++i) MixRectangle::addNewMix({100, 100}, i + 1, true, 0, 0);
        for (int i = 0; i < c.mixes; ++i) MixRectangle::addNewMix({100, 100}, 0, false, 0, 0);
        const unsigned passes = MixRectangle::updateConfigIncrement();
        EXPECT_EQ(countPosts(kKeloScreenCheckConfigurationsNotification,
                             [] { MixRectangle::updateConfiguration(); }),
                  1);
        EXPECT_EQ(MixRectangle::_direct_summary(), c.summary);
        EXPECT_EQ(MixRectangle::updateConfigIncrement(), passes + 1);
    }

    // A top-level DeckLink output is wanted; the first display shows the HUD.
    MixRectangle::removeAll();
    ASSERT_TRUE(MixRectangle::configureWithDictionary(
        with(with(with(sampleMixes(), "001", "screen_type", "1"), "001", "decklink_uid", "77"),
             "001", "show_hud", QVariant())));
    EXPECT_TRUE(MixRectangle::decklinkWanted());
    EXPECT_TRUE(MixRectangle::mixRectangleAtIndex(1)->showHUD());
}

TEST_F(MixDictionary, AddPasteAndDelete) {
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    EXPECT_EQ(MixRectangle::nextAvailableMixIndex(true, 0), 3);
    EXPECT_EQ(MixRectangle::nextAvailableMixIndex(false, 0), 36);
    EXPECT_EQ(MixRectangle::nextAvailableMixIndex(false, 999), 999);

    const MixRectangle* two = MixRectangle::mixRectangleAtIndex(2);
    const int pasted = MixRectangle::pasteMix(two, true);
    ASSERT_EQ(pasted, 3);
    const MixRectangle* copy = MixRectangle::mixRectangleAtIndex(pasted);
    EXPECT_EQ(copy->name(), "Output 002 (copy)") << "the master suffix goes with the plain name";
    EXPECT_EQ(copy->parent(), 33u);
    EXPECT_EQ(copy->screen_index(), 0) << "a child copy keeps no display";
    EXPECT_EQ(copy->fitMode(), 1);
    EXPECT_EQ(copy->mix_rotation(), 90.0f);
    const int topLevel = MixRectangle::pasteMix(MixRectangle::mixRectangleAtIndex(1), true);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(topLevel)->screen_index(), -1);
    EXPECT_EQ(MixRectangle::pasteMix(nullptr, false), 0);
    const int mix = MixRectangle::pasteMix(MixRectangle::mixRectangleAtIndex(34), false);
    EXPECT_EQ(mix, 36);

    LogCapture log;
    MixRectangle::deleteMixes({34, 33, 500});
    const QByteArray logged = log.text();
    EXPECT_TRUE(logged.contains("deleteMix 33, MixRectangle 33: 'Stage'"));
    EXPECT_TRUE(logged.contains("deleteMix: couldn't find mix 500"));
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(33), nullptr);
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(35)->multiMixes().size(), 0u)
        << "no pointer to a deleted mix is left";
    EXPECT_EQ(MixRectangle::mixRectangleAtIndex(2)->parent(), 33u) << "children are kept";
}

TEST_F(MixDictionary, SavingPostsTheLayout) {
    ASSERT_TRUE(MixRectangle::configureWithDictionary(sampleMixes()));
    QVariantMap saved;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kKeloSaveMixes, nullptr, [&](const Notification& n) { saved = n.userInfo; });
    MixRectangle::saveIfModified();
    EXPECT_TRUE(saved.isEmpty()) << "nothing modified";
    MixRectangle::mixesModified();
    EXPECT_NE(MixRectangle::lastModified(), 0u);
    MixRectangle::saveIfModified();
    EXPECT_EQ(saved.value("mixes").toMap(), sampleMixes());
    EXPECT_EQ(saved.value("_direct_summary"), "2 Outputs, 3 Mixes");
    EXPECT_EQ(saved.value("archive"), false);
    EXPECT_EQ(MixRectangle::lastModified(), 0u);
}

TEST_F(MixDictionary, FilesAreReadOrRefused) {
    QTemporaryDir dir;
    const QString good = dir.filePath("mixes.plist"), bad = dir.filePath("bad.plist");
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(PropertyList::write(sampleMixes(), PropertyList::Format::Xml));
    f.close();
    QFile b(bad);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("<?xml version=\"1.0\"?><plist><dict><key>001</key>");
    b.close();
    ASSERT_TRUE(MixRectangle::configureWithFileAtPath(good));
    const uint64_t revision = MixRectangle::tableRevision();
    LogCapture log;
    EXPECT_FALSE(MixRectangle::configureWithFileAtPath(bad));
    EXPECT_FALSE(MixRectangle::configureWithFileAtPath(dir.filePath("none.plist")));
    EXPECT_TRUE(log.text().contains("refused"));
    EXPECT_EQ(MixRectangle::tableRevision(), revision);
}

}  // namespace

KELO_TEST_MAIN()
