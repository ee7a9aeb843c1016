#include "pixelmap/PixelMapModel.h"

#include "pixelmap/PixelMapModelDelegate.h"
#include "pixelmap/PixelMapTestDocs.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace pmtest;

namespace {

struct Recorder : PixelMapModelDelegate {
    void showPixelMapRepairs(const QString& text) override { repairs << text; }
    void invalidPixelMapFileReported(const QString& text) override { invalid << text; }
    QStringList repairs;
    QStringList invalid;
};

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray xmlOf(const QVariantMap& dict) { return PropertyList::write(dict, PropertyList::Format::Xml); }

class PixelMapModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        model.loadStockProfiles();
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString load(const QVariantMap& dict) { return model.loadPixelMapData(&dict); }

    QTemporaryDir dir;
    Recorder recorder;
    PixelMapModel model{&recorder};
};

}  // namespace

TEST_F(PixelMapModelTest, ABar3AtTheEndOfAUniverseSpillsIntoTheNext) {
    QVariantMap doc = document({context(qint64(0), {fixture("Bar3", qint64(7), 510)})});
    doc.remove("sACN_priority");
    ASSERT_EQ(load(doc), "");
    EXPECT_TRUE(model.lastRepairs().isEmpty());
    EXPECT_TRUE(recorder.repairs.isEmpty());
    ASSERT_EQ(model.fixList(0).size(), 1u);
    const PmFixture& bar = *model.fixList(0)[0];
    EXPECT_EQ(bar.addrRange().location, 510);
    EXPECT_EQ(bar.addrRange().length, 9);
    EXPECT_EQ(bar.highestAddr(), 518);
    EXPECT_EQ(model.sACNPriority(), 100);

    const KlUniverseMap& map = model.universeMap(0);
    for (int i = 0; i < 512; ++i) EXPECT_EQ(map.isUsed(7, i), i >= 509) << i;
    for (int i = 0; i < 512; ++i) EXPECT_EQ(map.isUsed(8, i), i <= 5) << i;
    EXPECT_EQ(model.patchListErrorCount(), 0);
}

TEST_F(PixelMapModelTest, ConflictsAndOutOfRangeAddresses) {
    ASSERT_EQ(load(document({context(qint64(0), {fixture("Bar3", "1", 1), fixture("Bar3", "1", 9),
                                                  fixture("Bar3", "2", 2045), fixture("RGB", "3", 600),
                                                  fixture("RGB", "33000", 1)})})),
              "");
    const auto& list = model.fixList(0);
    EXPECT_TRUE(list[0]->mAddrConflict());
    EXPECT_TRUE(list[1]->mAddrConflict());
    EXPECT_TRUE(list[2]->mAddrOutOfRange());
    EXPECT_FALSE(list[3]->mAddrConflict());
    // Address 600 lies in the following universe.
    EXPECT_TRUE(model.universeMap(0).isUsed(4, 87));
    EXPECT_FALSE(model.universeMap(0).isUsed(3, 0));
    EXPECT_TRUE(list[4]->mAddrOutOfRange());
    EXPECT_EQ(model.patchListErrorCount(), 3);
}

TEST_F(PixelMapModelTest, RefusedDocumentsLeaveTheModelAlone) {
    ASSERT_EQ(load(document({context(qint64(0), {fixture("RGB", "1", 1)})})), "");
    const QVariantMap before = model.pixelMapFile().dict();

    QVariantMap later = document({});
    later.insert("pmap_version", qint64(3951));
    QVariantMap old{{"context", QVariantMap()}};
    QVariantMap nullFixtures = document({context(qint64(1), {}), QVariantMap{{"context", QVariantMap()}}});
    QVariantMap badContexts = document({});
    badContexts.insert("contexts", "none");
    const std::pair<QVariantMap, QString> cases[] = {
        {later, "File was created with a later version of Kelo Verozo!\n"},
        {old, "Old pixelmap file format"},
        {QVariantMap(), "No 'contexts' key"},
        {nullFixtures, "Context invalid (null fixtures)"},
        {badContexts, "No 'contexts' key"},
    };
    for (const auto& [doc, error] : cases) {
        EXPECT_EQ(load(doc), error);
        EXPECT_EQ(model.contextList().size(), 1u);
        EXPECT_EQ(model.fixList(0).size(), 1u);
    }
    EXPECT_EQ(model.loadPixelMapData(nullptr), "Empty File");
    EXPECT_EQ(model.pixelMapFile().dict(), before);

    QVariantMap readable = document({});
    readable.insert("pmap_version", qint64(3950));
    EXPECT_EQ(load(readable), "");
}

TEST_F(PixelMapModelTest, ForeignProtocolsAreForcedWithTenRepairLines) {
    // The first fixture's protocol is the context's.
    QVariantList fixtures{fixture("RGB", "1", 100, "Art-Net")};
    for (int i = 0; i < 11; ++i) fixtures.append(fixture("RGB", "1", 1 + 3 * i, "sACN"));
    ASSERT_EQ(load(document({context(qint64(0), fixtures, 1)})), "");
    ASSERT_EQ(model.lastRepairs().size(), 10);
    EXPECT_EQ(model.lastRepairs()[0], "Error: multiple protocols in context 0");
    EXPECT_EQ(model.lastRepairs()[1], "Protocol forced to Art-Net (from sACN)");
    EXPECT_EQ(model.fixList(0).size(), 12u);
    EXPECT_TRUE(model.fixList(1).empty());
    for (PmFixture* f : model.fixList(0)) EXPECT_EQ(f->mProtocol(), "Art-Net");
    ASSERT_EQ(recorder.repairs.size(), 1);
    EXPECT_TRUE(recorder.repairs[0].startsWith("Errors were found.\nThe following repairs were made:\n"));
}

TEST_F(PixelMapModelTest, ContextIdsAreKeptUniqueWithARepair) {
    ASSERT_EQ(load(document({context(qint64(5), {}), context(qint64(2), {}), context(QVariant(), {})})), "");
    ASSERT_EQ(model.contextList().size(), 3u);
    EXPECT_EQ(model.contextList()[2]->unique_id(), 6);
    EXPECT_EQ(PmContext::next_unique_id(), 7);

    ASSERT_EQ(load(document({context(qint64(4), {fixture("RGB", "1", 1)}), context(qint64(4), {fixture("RGB", "1", 9)}),
                             context(qint64(1) << 40, {})})),
              "");
    EXPECT_EQ(model.contextList()[0]->unique_id(), 4);
    EXPECT_EQ(model.contextList()[1]->unique_id(), 5);
    EXPECT_EQ(model.contextList()[1]->fixtures()[0]->mContext_unique_id(), 5);
    EXPECT_EQ(model.contextList()[2]->unique_id(), 6);
    EXPECT_TRUE(model.lastRepairs().contains("Context unique_id 4 was used twice; the second became 5."));
    EXPECT_TRUE(model.lastRepairs().contains("Context unique_id '1099511627776' was invalid; it became 6."));
}

TEST_F(PixelMapModelTest, UniverseKeysAreValidated) {
    struct Case {
        const char* key;
        int protocol;
        bool dest;
        const char* accepted;
        bool refused;
    };
    const Case cases[] = {
        {"12", 0, true, "12", false},
        {"12a", 0, true, "12", false},
        {"40000", 0, true, "<none>", true},
        {"32767", 0, true, "32767", false},
        {"abc", 0, true, "<none>", true},
        {"<none>", 1, true, "<none>", false},
        {"0", 1, true, "<none>", true},
        {"63999", 1, true, "63999", false},
        {"u5", 1, true, "5", false},
        {"12.16", 2, false, "12.16", false},
        {"12.17", 2, false, "12.17", true},
        {"12", 2, false, "12", true},
        {"12.3", 2, true, "12.3", true},
        {"12", 2, true, "12", false},
        {"dev", 3, true, "<none>", true},
        {"7x", 3, true, "7", false},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_EQ(PixelMapModel::validateUnivKey(c.key, c.protocol, &error, c.dest), c.accepted) << c.key;
        EXPECT_EQ(!error.isEmpty(), c.refused) << c.key;
    }
    QString error;
    PixelMapModel::validateUnivKey("40000", 0, &error, true);
    EXPECT_EQ(error, "Invalid Art-Net universe '40000'. Universe must be a number from 0 to 32767.");
    PixelMapModel::validateUnivKey("0", 1, &error, true);
    EXPECT_EQ(error, "Invalid sACN universe '0'. Universe must be a number from 1 to 63999.");
    PixelMapModel::validateUnivKey("1.17", 2, &error, false);
    EXPECT_EQ(error, "Invalid KiNet device.port '1.17'. Expecting device.port number with format '###.##'. "
                     "Port must be number from 1 to 16.\nRefer to documentation for details.");
}

TEST_F(PixelMapModelTest, DestinationsAreReadRepairedAndWrittenBack) {
    QVariantMap doc = document({context(qint64(0), {fixture("RGB", "12", 1)})});
    doc.insert("destinations",
               QVariantMap{{"Art-Net", QVariantMap{{"12", "2.0.0.12"}, {"40000", "x"}, {"3", "2.0.0.3"}}},
                           {"sACN", QVariantMap{{"7", "239.0.0.7"}}},
                           {"99", QVariantMap{{"protocol", "sACN"}, {"ip_address", "10.0.0.99"}}},
                           {"98", QVariantMap{{"protocol", "DMX"}, {"ip_address", "10.0.0.98"}}},
                           {"bogus", "text"}});
    ASSERT_EQ(load(doc), "");
    const QStringList& repairs = model.lastRepairs();
    EXPECT_TRUE(repairs.contains("Destinations error. Missing 'default' key. Resetting defaults."));
    EXPECT_TRUE(repairs.contains("Destinations error. Invalid Art-Net universe '40000'. Universe must be a number from 0 to 32767."));
    EXPECT_TRUE(repairs.contains("Destinations error. Deleting unrecognized protocol 'DMX'"));
    EXPECT_TRUE(repairs.contains("Destinations error. Non Dictionary 'bogus'."));

    const auto& artNet = model.destList(0);
    ASSERT_EQ(artNet.size(), 3);
    EXPECT_EQ(artNet[0].value("univKey").toString(), "default");
    EXPECT_EQ(artNet[1].value("univKey").toString(), "3");
    EXPECT_EQ(artNet[2].value("univKey").toString(), "12");
    ASSERT_EQ(model.destList(1).size(), 3);
    EXPECT_EQ(model.destList(1)[2].value("ip_address").toString(), "10.0.0.99");

    EXPECT_EQ(model.destinationForFixture(*model.fixList(0)[0]), "2.0.0.12");
    bool found = true;
    PmFixture stray(fixture("RGB", "77", 1), model.profileList(), 0);
    EXPECT_EQ(model.destinationForFixture(stray, &found), "<None>");
    EXPECT_FALSE(found);

    const QVariantMap written = model.pixelMapFile().dict().value("destinations").toMap();
    EXPECT_EQ(written.value("Art-Net").toMap(), (QVariantMap{{"3", "2.0.0.3"}, {"12", "2.0.0.12"}}));
    EXPECT_EQ(written.value("sACN").toMap(), (QVariantMap{{"7", "239.0.0.7"}, {"99", "10.0.0.99"}}));
    EXPECT_TRUE(written.value("default").toMap().contains("Art-Net"));
}

TEST_F(PixelMapModelTest, SourcesFollowTheContexts) {
    const QVariantMap doc = document({context(qint64(0), {}, 0, 3), context(qint64(1), {}, 0, 0),
                                      context(qint64(2), {}, 0, -2), context(qint64(3), {}, 0, 1),
                                      context(qint64(4), {}, 0, -1)});
    ASSERT_EQ(load(doc), "");
    QList<int> ids;
    for (const auto& s : model.pixMapSources()) ids << s->source_id;
    EXPECT_EQ(ids, (QList<int>{0, -1, -2, 1, 3}));
    EXPECT_EQ(model.sourceForId(3)->source_width, 1920);

    model.setSelectedSource(3);
    EXPECT_EQ(model.currentPixMapSource()->source_id, 1);
    ASSERT_EQ(model.contextListForCurrentSource().size(), 1u);
    EXPECT_EQ(model.contextListForCurrentSource()[0]->unique_id(), 3);

    model.setSelectedSource(-1);
    model.selectContextNum(1);
    EXPECT_EQ(model.currentPixMapSource()->source_id, 3);

    ASSERT_EQ(load(document({})), "");
    model.setSelectedSource(-1);
    model.selectContextNum(0);
    PixMapSource* fallback = model.currentPixMapSource();
    EXPECT_EQ(fallback->source_id, 0);
    EXPECT_EQ(fallback->source_width, 1920);
    EXPECT_EQ(fallback->source_height, 1080);
    EXPECT_TRUE(model.pixMapSources().empty());
}

TEST_F(PixelMapModelTest, SettingsAndGroupsFromTheDefaultMapOrAnImport) {
    QVariantMap old = document({});
    old.remove("pmap_version");
    old.insert("sACN_priority", qint64(0));
    old.insert("sACN_sync_universe", qint64(70000));
    old.insert("max_group_number", qint64(150000));
    old.insert("groups", QVariantMap{{"default", QVariantMap{{"univ", "1"}, {"address", "1"}}}});
    ASSERT_EQ(load(old), "");
    EXPECT_EQ(model.sACNPriority(), 100);
    EXPECT_EQ(model.sACNSyncUniverse(), 63999);
    QVariantMap& doc = model.pixelMapFile().dict();
    EXPECT_EQ(doc.value("max_group_number").toInt(), 100000);
    EXPECT_TRUE(doc.contains("groups"));
    EXPECT_TRUE(doc.value("groups_always_merge_non_pixels").toBool());

    old.remove("groups");
    old.insert("max_group_number", qint64(5000));
    ASSERT_EQ(load(old), "");
    EXPECT_FALSE(doc.contains("groups"));
    EXPECT_EQ(doc.value("max_group_number").toInt(), 5000);
    old.remove("max_group_number");
    ASSERT_EQ(load(old), "");
    EXPECT_EQ(doc.value("max_group_number").toInt(), 2000);
}

TEST_F(PixelMapModelTest, TheDefaultMapAndStockProfilesLoad) {
    const QVariantMap& builtIn = PixelMapModel::defaultPixelMap();
    ASSERT_FALSE(builtIn.isEmpty());
    EXPECT_TRUE(builtIn.value("destinations").toMap().contains("default"));
    EXPECT_FALSE(builtIn.value("profiles").toList().isEmpty());
    EXPECT_EQ(model.loadDefaultPixelMapData(), "");
    EXPECT_EQ(model.contextList().size(), 1u);
    EXPECT_TRUE(model.lastRepairs().isEmpty());
    EXPECT_FALSE(model.findFixtureProfile("Bar3").isEmpty());
    EXPECT_TRUE(model.findFixtureProfile("Bar3").value("stock_type").toBool());
}

TEST_F(PixelMapModelTest, SavingWritesVersionUuidAndNoObsoleteKeys) {
    QVariantMap doc = document({context(qint64(0), {fixture("Bar3", "1", 1)})}, {profile("Custom", 2)});
    doc.insert("dmx_rects", QVariantList{1, 2});
    doc.insert("pmap_version", qint64(3100));
    writeFile(path("doc.pmap"), xmlOf(doc));
    ASSERT_EQ(model.openPixelMap(path("doc.pmap")), "");
    EXPECT_FALSE(model.findFixtureProfile("Custom").value("stock_type").toBool());
    ASSERT_TRUE(model.pixelMapFile().save());
    const QVariantMap saved = *dictionaryWithPmapData(readFile(path("doc.pmap")));
    EXPECT_EQ(saved.value("pmap_version").toInt(), 3900);
    EXPECT_EQ(saved.value("uuid").toString().size(), 36);
    EXPECT_FALSE(saved.contains("dmx_rects"));
    ASSERT_EQ(saved.value("contexts").toList().size(), 1);

    PixelMapModel reopened;
    ASSERT_EQ(reopened.openPixelMap(path("doc.pmap")), "");
    ASSERT_EQ(reopened.fixList(0).size(), 1u);
    EXPECT_EQ(reopened.fixList(0)[0]->mReference(), "Bar3");
    EXPECT_EQ(reopened.fixList(0)[0]->pixels().size(), 3u);
}

TEST_F(PixelMapModelTest, AFailedOpenKeepsTheOpenDocumentAndModel) {
    writeFile(path("good.pmap"), xmlOf(document({context(qint64(0), {fixture("RGB", "1", 1)})})));
    writeFile(path("later.pmap"), xmlOf(QVariantMap{{"pmap_version", qint64(4000)}, {"contexts", QVariantList()}}));
    writeFile(path("short.pmap"), QByteArray(28, '<'));
    ASSERT_EQ(model.openPixelMap(path("good.pmap")), "");
    EXPECT_EQ(model.openPixelMap(path("later.pmap")), "File was created with a later version of Kelo Verozo!\n");
    EXPECT_FALSE(model.openPixelMap(path("short.pmap")).isEmpty());
    bool notFound = false;
    EXPECT_FALSE(model.openPixelMap(path("gone.pmap"), &notFound).isEmpty());
    EXPECT_TRUE(notFound);
    EXPECT_EQ(model.pixelMapFile().fileName(), path("good.pmap"));
    EXPECT_EQ(model.fixList(0).size(), 1u);

    model.invalidPixelMapFile(path("later.pmap"), "File was created with a later version of Kelo Verozo!\n");
    ASSERT_EQ(recorder.invalid.size(), 1);
    EXPECT_TRUE(recorder.invalid[0].startsWith("ERROR: The pixel map file "));
    EXPECT_FALSE(model.pixelMapFile().isOpen());
    EXPECT_EQ(model.contextList().size(), 1u);
    EXPECT_TRUE(model.fixList(0).empty());
}

TEST_F(PixelMapModelTest, HostileValuesUnderEveryKeyNeverCrash) {
    const QVariant hostile[] = {QVariantList{1}, QVariantMap{{"x", 1}}, QByteArray("d"), QString("zz"),
                                std::numeric_limits<double>::quiet_NaN(), qint64(std::numeric_limits<qint64>::min())};
    const QVariantMap base = document({context(qint64(0), {fixture("Bar3", "1", 1)})});
    const QStringList topKeys{"pmap_version", "sources", "destinations", "profiles", "sACN_priority",
                              "art_sync_enable", "sACN_sync_enable", "sACN_sync_universe", "artSyncEnabled",
                              "groups", "max_group_number", "groups_always_merge_non_pixels", "uuid"};
    const QStringList contextKeys{"unique_id", "source_rect", "source_auto", "source_id", "context_size",
                                  "context_tile_size", "dmx_ghost", "ctx_bgimage", "bgimage_rect",
                                  "bgimage_rotate", "bgimage_scale", "ctx_protocol"};
    for (const QVariant& value : hostile) {
        for (const QString& key : topKeys) {
            QVariantMap doc = base;
            doc.insert(key, value);
            model.loadPixelMapData(&doc);
            model.updateAllPixelMapData();
        }
        for (const QString& key : contextKeys) {
            QVariantMap doc = base;
            QVariantMap ctx = doc.value("contexts").toList()[0].toMap();
            QVariantMap settings = ctx.value("context").toMap();
            settings.insert(key, value);
            ctx.insert("context", settings);
            doc.insert("contexts", QVariantList{ctx});
            EXPECT_EQ(model.loadPixelMapData(&doc), "") << qPrintable(key);
            EXPECT_GE(model.contextList()[0]->ctx_protocol(), 0);
        }
        QVariantMap doc = base;
        doc.insert("contexts", QVariantList{QVariantMap{{"context", value}, {"fixtures", QVariantList{value}}}});
        model.loadPixelMapData(&doc);
    }
}

TEST_F(PixelMapModelTest, AHundredThousandFixturesLoad) {
    QVariantList fixtures;
    for (int i = 0; i < 100000; ++i) fixtures.append(fixture("RGB", QString::number(i / 170), 1 + 3 * (i % 170)));
    ASSERT_EQ(load(document({context(qint64(0), fixtures)})), "");
    EXPECT_EQ(model.mergedFixList().size(), 100000u);
    EXPECT_EQ(model.patchListErrorCount(), 0);
}

namespace {

// Lets the file-system watch deliver what it saw.
void settle(int milliseconds = 400) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

TEST_F(PixelMapModelTest, TheWatchIgnoresOurSavesAndSeesOthers) {
    writeFile(path("watched.pmap"), xmlOf(document({context(qint64(0), {})})));
    ASSERT_EQ(model.openPixelMap(path("watched.pmap")), "");
    settle();
    ASSERT_TRUE(model.pixelMapFile().save());
    ASSERT_TRUE(model.pixelMapFile().save());
    settle();
    EXPECT_FALSE(model.fileMayHaveChangedOnDisk());
    EXPECT_TRUE(model.pixelMapFile().isEventStreamActive());

    // Another program rewrites the file in place, a second later.
    settle(1100);
    writeFile(path("watched.pmap"), xmlOf(document({context(qint64(0), {fixture("RGB", "1", 1)})})));
    settle();
    EXPECT_TRUE(model.fileMayHaveChangedOnDisk());
    const double now = model.pixelMapFile().lastSaveTime();
    EXPECT_EQ(model.checkFileChangedOnDisk(now + 1), PixelMapModel::DiskState::Unchanged);
    EXPECT_EQ(model.checkFileChangedOnDisk(now + 6), PixelMapModel::DiskState::Changed);
    EXPECT_FALSE(model.fileMayHaveChangedOnDisk());

    // Replaced by rename, then removed: the watch follows both.
    writeFile(path("other.pmap"), "x");
    ASSERT_TRUE(QFile::remove(path("watched.pmap")));
    settle();
    EXPECT_TRUE(model.fileMayHaveChangedOnDisk());
    EXPECT_EQ(model.checkFileChangedOnDisk(now + 6), PixelMapModel::DiskState::Gone);
    EXPECT_TRUE(model.pixelMapFile().needsSave());
}

KELO_TEST_MAIN_CORE()
