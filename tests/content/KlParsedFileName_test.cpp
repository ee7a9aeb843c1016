#include "content/KlParsedFileName.h"
#include "support/TestMain.h"

#include <QUrl>

namespace {

TEST(KlParsedFileName, Names) {
    const struct {
        const char* path;
        const char* identStr;  // null: none
        int ident;
        const char* number;  // null: none
        const char* body;
    } cases[] = {
        {"/Kelo/Media/001.Clip.mov", nullptr, 0, "001", "Clip.mov"},
        {"[12]003.Intro.mov", "[12]", 12, "003", "Intro.mov"},
        {"12Clip.mov", nullptr, 0, "12", "Clip.mov"},
        {"0001.Clip.mov", nullptr, 0, "0001", ".Clip.mov"},
        {"12345.mov", nullptr, 0, "1234", "5.mov"},
        {"7.", nullptr, 0, "7", ""},
        {"Clip.mov", nullptr, 0, nullptr, "Clip.mov"},
        {"[12]Clip.mov", nullptr, 0, nullptr, "[12]Clip.mov"},
        {"[12", nullptr, 0, nullptr, "[12"},
        {"[12]", nullptr, 0, nullptr, "[12]"},
        {"[x]5 Loop", "[x]", 0, "5", " Loop"},
        {"[-3]5", "[-3]", -3, "5", ""},
        {".mov", nullptr, 0, nullptr, ".mov"},
        // Only ASCII digits count.
        {"\u0663\u0661.mov", nullptr, 0, nullptr, "\u0663\u0661.mov"},
        {"", nullptr, 0, nullptr, ""},
        {"/Kelo/Media/", nullptr, 0, nullptr, "Media"},
    };
    for (const auto& c : cases) {
        const KlParsedFileName p(QString::fromUtf8(c.path));
        EXPECT_EQ(p.fullPath(), QString::fromUtf8(c.path));
        EXPECT_EQ(p.identStr(), c.identStr ? QString(c.identStr) : QString()) << c.path;
        EXPECT_EQ(p.identStr().isNull(), c.identStr == nullptr) << c.path;
        EXPECT_EQ(p.ident(), c.ident) << c.path;
        EXPECT_EQ(p.number(), c.number ? QString(c.number) : QString()) << c.path;
        EXPECT_EQ(p.number().isNull(), c.number == nullptr) << c.path;
        EXPECT_EQ(p.bodyWithExtension(), QString::fromUtf8(c.body)) << c.path;
    }
    const KlParsedFileName clip("/a/[2]010.Big Clip.mov");
    EXPECT_EQ(clip.name(), "[2]010.Big Clip.mov");
    EXPECT_EQ(clip.bodyWithoutExtension(), "Big Clip");
    EXPECT_EQ(clip.pathExtension(), "mov");
}

TEST(KlParsedFileName, Completion) {
    const auto folder5 = KeloContentID::contentWithType(0, 0, 5, 0);
    const auto folder6 = KeloContentID::contentWithType(0, 0, 6, 0);
    EXPECT_EQ(KlParsedFileName::nameWithPath("/m/5 Loops", folder5, true).number(), "5");
    EXPECT_EQ(KlParsedFileName::nameWithPath("/m/005 Loops", folder5, true).number(), "005");
    EXPECT_EQ(KlParsedFileName::nameWithPath("/m/5 Loops", folder6, true).number(), "6");
    EXPECT_EQ(KlParsedFileName::nameWithPath("/m/Loops", std::nullopt, true).number(), "0");

    const auto audio = KlParsedFileName::nameWithPath(
        "/m/007.a.mov", KeloContentID::contentWithType(11, 1, 2, 7), false);
    EXPECT_EQ(audio.fileKey(), "007_audio");
    EXPECT_FALSE(audio.isFolder());
    EXPECT_EQ(audio.contentID(), KeloContentID::contentWithType(11, 1, 2, 7));
    EXPECT_EQ(KlParsedFileName::nameWithPath("/m/9.a.mov",
                                             KeloContentID::contentWithType(0, 1, 2, 9), false)
                  .fileKey(),
              "009");
    EXPECT_TRUE(
        KlParsedFileName::nameWithPath("/m/9.a.mov", std::nullopt, false).fileKey().isNull());
}

TEST(KlParsedFileName, DatabasePmaps) {
    const struct {
        const char* path;
        bool valid;
    } cases[] = {
        {"/srv/kelo/PIXELMAPPING/0.pmap", true},
        {"/srv/Kelo/PixelMapping/12 Stage.pmap", true},
        {"/srv/Kelo/PixelMapping/Stage.pmap", false},
        {"/srv/Kelo/PixelMapping/12.PMAP", false},
        {"/srv/Kelo/PixelMapping/sub/12 Stage.pmap", false},
        {"/srv/Kelo/PixelMappingX/12 Stage.pmap", false},
        {"12 Stage.pmap", false},
        {"/srv/Kelo/PixelMapping/12 Stage", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KlParsedFileName::isValidDatabasePmap(c.path), c.valid) << c.path;
}

TEST(KlParsedFileName, PmapConflicts) {
    const QString dir = "/srv/Kelo/PixelMapping/";
    const QString front = dir + "3 Front.pmap";
    const QList<QUrl> urls = {
        QUrl::fromLocalFile(dir + "3 Back.pmap"),     QUrl::fromLocalFile(front),
        QUrl::fromLocalFile(dir + "03 Side.pmap"),    QUrl::fromLocalFile(dir + "4 Top.pmap"),
        QUrl::fromLocalFile(dir + "[1]3 Other.pmap"), QUrl::fromLocalFile("/elsewhere/3 Far.pmap")};
    QString problem = "stale";
    const QList<QUrl> clashes = KlParsedFileName::wouldCreatePmapConflict(front, urls, &problem);
    EXPECT_EQ(clashes, (QList<QUrl>{urls[0], urls[2]}));
    EXPECT_EQ(
        problem,
        "File '3 Front.pmap' will conflict with existing file(s):\n3 Back.pmap\n03 Side.pmap\n");

    EXPECT_TRUE(
        KlParsedFileName::wouldCreatePmapConflict(dir + "5 New.pmap", urls, &problem).isEmpty());
    EXPECT_TRUE(problem.isNull());

    problem = "kept";
    EXPECT_TRUE(
        KlParsedFileName::wouldCreatePmapConflict("/tmp/3 Front.pmap", urls, &problem).isEmpty());
    EXPECT_EQ(problem, "kept");
    EXPECT_EQ(KlParsedFileName::wouldCreatePmapConflict(front, urls).size(), 2);
}

}  // namespace

KELO_TEST_MAIN()
