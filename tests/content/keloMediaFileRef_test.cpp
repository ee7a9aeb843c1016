#include "content/keloMediaFileRef.h"
#include "content/keloRootPath.h"
#include "platform/PropertyList.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

class MediaScan : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/Kelo";
        QDir().mkpath(root);
        setKeloRootPathSearchList({root});
        setKeloRootPathVolumeLister([] { return QStringList{}; });
        setMediaScanMode(0);
    }
    void TearDown() override {
        setKeloRootPathSearchList({});
        setKeloRootPathVolumeLister(nullptr);
        setMediaScanMode(0);
    }
    QString touch(const QString& rel, const QByteArray& data = "x") {
        const QString path = root + "/" + rel;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }
    void writeSettings(const QVariantMap& settings) {
        touch("KeloSettings.plist", PropertyList::write(settings, PropertyList::Format::Xml));
    }
    keloMediaFileRefList scanRoot() {
        EXPECT_EQ(keloRootPath(true), root);
        auto list = rawMediaScan(false);
        EXPECT_TRUE(list.has_value());
        return list ? *list : keloMediaFileRefList{};
    }
    static const keloMediaFileRef* find(const keloMediaFileRefList& list, const QString& suffix) {
        for (const auto& ref : list)
            if (ref.path().endsWith(suffix)) return &ref;
        return nullptr;
    }
    static int count(const keloMediaFileRefList& list, const QString& suffix) {
        int n = 0;
        for (const auto& ref : list) n += ref.path().endsWith(suffix);
        return n;
    }
    static bool hasMessage(const char* kind, const QString& text) {
        for (const QVariant& m : mediaScanErrors())
            if (m.toMap().value(kind).toString() == text) return true;
        return false;
    }

    QTemporaryDir tmp;
    QString root;
};

TEST(MediaNames, TypeCodesAndParentNames) {
    EXPECT_EQ(keloTypeCodeForExtension("M_O_V"), keloTypeCodeForExtension("mov"));
    EXPECT_EQ(keloTypeCodeForExtension("mov"), 0x6D6F7620u);
    EXPECT_EQ(keloTypeCodeForExtension("sequence"), 0x73657175u);
    EXPECT_EQ(keloTypeCodeForExtension(""), 0x20202020u);

    struct Case {
        const char* name;
        bool valid;
        int folder;
        int bank;
    };
    const Case cases[] = {
        {"[2] 17.Title", true, 17, 2},
        {"[2]17.Title", true, 17, 2},
        {"[2].17.Title", true, 17, 2},
        {"[3] Title", true, 0, 3},
        {"17.Title", true, 17, 0},
        {"5.Clips.group 3", true, 5, 3},
        {"", true, 0, 0},
        {"Title", false, 0, 0},
        {"300.Big", false, 0, 0},
        {"[999] 4.x", false, 0, 999},
        {"[x] 4", false, 0, 0},
        {"-5.Negative", false, 0, 0},
        {"99999999999999.x", false, 0, 0},
    };
    for (const Case& c : cases) {
        int folder = -1, bank = -1;
        EXPECT_EQ(scanParentName(c.name, &folder, &bank), c.valid) << c.name;
        EXPECT_EQ(folder, c.folder) << c.name;
        if (c.valid) {
            EXPECT_EQ(bank, c.bank) << c.name;
        }
    }

    EXPECT_EQ(sequenceIndexForFile("frame_00042.png"), 42);
    EXPECT_EQ(sequenceIndexForFile("17_frame.png"), 17);
    EXPECT_EQ(sequenceIndexForFile("frame.png"), -1);
}

TEST_F(MediaScan, NumbersClassesAndSettingsFiles) {
    touch("Media/[2] 17.Title/005.Clip.mov");
    touch("Media/[2] 17.Title/300.x.mov");
    touch("Media/[2] 17.Title/006.Song.wav");
    touch("Media/3.Stills/001.Pic.J_P_G");
    touch("Media/NoNumber/001.Lost.mov");
    touch("Media/3.Stills/.hidden.mov");
    touch("Media/3.Stills/002.notes.xyz");
    touch("Models/4.Objects/001.Cube.obj");
    touch("Plugins/Images/masks/001.Mask.png");
    touch("Plugins/Effects/000.Off.txfx");
    touch("Plugins/Effects/012.Blur.txfx");
    touch("MediaTimeCodes.plist");
    writeSettings({{"k", 1}});
    touch("KeloAddress.plist",
          PropertyList::write(QVariantMap{{"a", 1}}, PropertyList::Format::Xml));

    const auto list = scanRoot();
    const keloMediaFileRef* clip = find(list, "005.Clip.mov");
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->medianum(), 0x01021105u);
    EXPECT_TRUE(clip->numValid());
    EXPECT_TRUE(clip->parentValid());
    EXPECT_EQ(clip->type(), 1);

    const keloMediaFileRef* big = find(list, "300.x.mov");
    ASSERT_TRUE(big);
    EXPECT_FALSE(big->numValid());
    EXPECT_EQ(big->medianum(), 0x01000000u);  // file number 0 before the class bits

    EXPECT_EQ(find(list, "006.Song.wav")->medianum(), 0x11021106u);
    EXPECT_EQ(find(list, "001.Pic.J_P_G")->medianum(), 0x01000301u);
    EXPECT_EQ(find(list, "001.Lost.mov")->medianum(), kMediaNumInvalid);
    EXPECT_EQ(find(list, "002.notes.xyz")->medianum(), kMediaNumInvalid);
    EXPECT_EQ(find(list, "001.Cube.obj")->medianum(), 0x02000401u);
    EXPECT_EQ(find(list, "001.Mask.png")->medianum(), 0x08000101u);
    EXPECT_EQ(find(list, "012.Blur.txfx")->medianum(), 0x0300000Cu);
    EXPECT_FALSE(find(list, "000.Off.txfx"));
    EXPECT_FALSE(find(list, ".hidden.mov"));
    EXPECT_EQ(find(list, "KeloSettings.plist")->medianum(), 0x0F000000u);
    EXPECT_EQ(find(list, "KeloAddress.plist")->medianum(), 0x0F000001u);
    // Found by the scan only as a settings file is looked up by name.
    EXPECT_FALSE(find(list, "MediaTimeCodes.plist"));
    EXPECT_TRUE(hasMessage("error", "Can't locate file"));  // no CITP file
    EXPECT_TRUE(hasMessage("error", "Kelo App bundle not available for scan"));

    // Plain folders carry number 0 and come first, by folder then phase.
    EXPECT_EQ(list.front().type(), 0);
    for (size_t i = 1; i < list.size(); ++i)
        EXPECT_FALSE(list[i].compareMediaNumbers(list[i - 1])) << i;

    EXPECT_EQ(KeloSettingsDict().value("k").toInt(), 1);
    EXPECT_EQ(KeloAddressDict().value("a").toInt(), 1);
    EXPECT_TRUE(clip->description().contains("01021105"));
}

TEST_F(MediaScan, ConflictsDuplicatesAndSequences) {
    touch("Media/1.A/001.One.mov");
    touch("Media/1.B/001.Two.mov");
    touch("Media/2.Seq/004.Run.sequence/run_0001.png");
    touch("Media/2.Seq/004.Run.sequence/run_0002.png");
    touch("Media/2.Seq/004.Run.sequence/readme.txt");
    // The Media folder is also an extra volume: its items are met twice.
    writeSettings({{"extra_volumes", QVariantMap{{"again", root + "/Media"}}}});

    const auto list = scanRoot();
    EXPECT_EQ(count(list, "001.One.mov"), 1);
    EXPECT_TRUE(find(list, "001.One.mov")->conflict());
    EXPECT_TRUE(find(list, "001.Two.mov")->conflict());

    const keloMediaFileRef* second = find(list, "run_0002.png");
    ASSERT_TRUE(second);
    EXPECT_EQ(count(list, "run_0002.png"), 1);
    EXPECT_EQ(second->type(), 12);
    EXPECT_EQ(second->fileIndex(), 2u);
    EXPECT_EQ(second->medianum(), 0x0C000204u);
    EXPECT_FALSE(second->conflict());
    EXPECT_FALSE(find(list, "readme.txt"));
    EXPECT_TRUE(second->description().contains(":0002"));
}

TEST_F(MediaScan, AliasesCyclesAndUnreadableFolders) {
    touch("Media/1.A/001.One.mov");
    const QString outside = tmp.path() + "/Outside/5.Far";
    QDir().mkpath(outside);
    QFile(outside + "/002.Far.mov").open(QIODevice::WriteOnly);
    // An alias in Media to a folder elsewhere, and inside that folder an
    // alias back to Media.
    ASSERT_TRUE(QFile::link(outside, root + "/Media/far alias"));
    ASSERT_TRUE(QFile::link(root + "/Media", outside + "/back alias"));
    ASSERT_TRUE(QFile::link(tmp.path() + "/gone", root + "/Media/dangling alias"));
    ASSERT_TRUE(QFile::link(root + "/Media/1.A/001.One.mov", root + "/Media/file alias"));
    const QString locked = root + "/Media/9.Locked";
    QDir().mkpath(locked);
    QFile(locked + "/001.x.mov").open(QIODevice::WriteOnly);
    QFile::setPermissions(locked, QFileDevice::Permissions());

    const auto list = scanRoot();
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(count(list, "002.Far.mov"), 1);
    EXPECT_EQ(find(list, "002.Far.mov")->medianum(), 0x01000502u);
    EXPECT_EQ(count(list, "001.One.mov"), 1);
    EXPECT_TRUE(hasMessage("info", "Alias resolved"));
    EXPECT_TRUE(hasMessage("error", "Alias could not be resolved"));
    EXPECT_TRUE(hasMessage("error", "Alias is not a directory"));
    // Root reads every folder whatever its permissions.
    if (geteuid() != 0) {
        EXPECT_TRUE(hasMessage("warning", "Folder could not be read"));
    }
}

TEST_F(MediaScan, NewerLayoutAndPaths) {
    setMediaScanMode(1);
    touch("Preferences/KeloSettings.plist",
          PropertyList::write(QVariantMap{{"new", true}}, PropertyList::Format::Xml));
    touch("KeloAddress.plist");
    touch("Preferences/CITPInfo.plist");
    touch("Preferences/Info/MediaInfo.plist");
    touch("Projection/001.Proj.prjn");
    EXPECT_EQ(keloRootPath(true), root);
    EXPECT_TRUE(keloHasPrefsFolder());
    EXPECT_EQ(getKeloSettingsPath(), root + "/Preferences/KeloSettings.plist");
    EXPECT_EQ(getKeloAddressPath(), root + "/KeloAddress.plist");
    EXPECT_TRUE(KeloSettingsDict().value("new").toBool());
    EXPECT_EQ(mediaInfoPath(), root + "/Preferences/Info/MediaInfo.plist");
    EXPECT_EQ(modelInfoPath(), root + "/Models/ModelInfo.plist");

    const auto list = *rawMediaScan(false);
    EXPECT_EQ(projectionFilesPath(), root + "/Projection");
    EXPECT_EQ(find(list, "001.Proj.prjn")->medianum(), 0x0B000001u);
    EXPECT_EQ(find(list, "CITPInfo.plist")->medianum(), 0x0F000006u);
    EXPECT_TRUE(hasMessage("warning", "File in v3.9 location"));

    ASSERT_TRUE(daemonSetPref("added", 7));
    reloadKeloSettings();
    EXPECT_EQ(KeloSettingsDict().value("added").toInt(), 7);
    EXPECT_TRUE(KeloSettingsDict().value("new").toBool());
    ASSERT_TRUE(archiveKeloSettings());
    EXPECT_EQ(QDir(getArchiveKeloSettingsFolder()).entryList({"KeloSettings_*.plist"}).size(), 1);
}

TEST_F(MediaScan, ReScanOneItem) {
    const QString seq = root + "/Media/2.S/001.S.sequence";
    touch("Media/2.S/001.S.sequence/f1.tif");
    EXPECT_FALSE(reScanItem(root + "/nothing").has_value());
    const auto items = reScanItem(seq);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 2u);
    EXPECT_EQ(items->at(1).fileIndex(), 1u);
}

}  // namespace

KELO_TEST_MAIN()
