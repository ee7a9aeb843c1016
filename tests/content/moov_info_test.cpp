#include "content/moov_info.h"
#include "support/MovieAtoms.h"
#include "support/TestMain.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <zlib.h>

using namespace MovieAtoms;

namespace {

class MovieHeader : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // A movie: "ftyp", a media-data atom, then the header.
    QString movie(const QByteArray& header,
                  const QByteArray& mdat = atom("mdat", QByteArray(64, 'x'))) {
        return write("clip.mov", atom("ftyp", "qt  ") + mdat + header);
    }
    int load(const QString& path, bool index = true, const QString& ext = "mov") {
        return loadFileInfo(&info, path, ext, index);
    }

    QTemporaryDir dir;
    moov_info info;
};

TEST_F(MovieHeader, ReadsTheVideoTrackBesideASoundTrack) {
    Track sound;
    sound.handler = "soun";
    sound.codec = "sowt";
    Track video;
    video.width = 1280;
    video.height = 720;
    video.timeScale = 2997;
    video.stts = {{10, 100}, {5, 200}};
    video.sizes.assign(30, 77);
    ASSERT_EQ(load(movie(moov({trak(sound), trak(video)}, 0xABCD1234)), false), 1);
    EXPECT_EQ(info.width, 1280);
    EXPECT_EQ(info.height, 720u);
    EXPECT_EQ(info.mediaTimeScale, 2997u);
    EXPECT_EQ(info.duration, 10u * 100 + 5u * 200);
    EXPECT_EQ(info.sampleCount, 30u);
    EXPECT_EQ(QByteArray(info.codecText, 4), "avc1");
    EXPECT_EQ(info.codec, 0x61766331u);
    EXPECT_STREQ(info.compressorName, "H.264");
    EXPECT_EQ(info.movieHeaderValue, 0xABCD1234u);
    EXPECT_TRUE(info.sampleIndex.empty());
    EXPECT_FALSE(info.openFile);
}

TEST_F(MovieHeader, FindsTheHeaderAfterA64BitMediaAtom) {
    Track video;
    video.sizes.assign(30, 1);
    const QString path = movie(moov({trak(video)}), largeAtom("mdat", QByteArray(100000, 'm')));
    EXPECT_EQ(load(path, false), 1);
    EXPECT_EQ(info.fileLength, uint64_t(QFile(path).size()));
}

TEST_F(MovieHeader, SoundOnlyAndMissingPartsFail) {
    Track sound;
    sound.handler = "soun";
    EXPECT_EQ(load(movie(moov({trak(sound)}))), -1);
    EXPECT_EQ(load(write("none.mov", atom("mdat", "abc"))), -1);
    EXPECT_EQ(load(dir.path() + "/missing.mov"), -1);
    EXPECT_FALSE(info.openFile);
}

TEST_F(MovieHeader, CompressedHeaderReadsLikeThePlainOne) {
    Track video;
    video.stsc = {{1, 10, 1}};
    video.chunkOffsets = {1000, 5000, 9000};
    video.sizes.assign(30, 3);
    const QByteArray plain = moov({trak(video)}, 42);
    ASSERT_EQ(load(movie(plain)), 1);
    const moov_info expected = [&] {
        moov_info copy;
        copy.width = info.width;
        copy.duration = info.duration;
        copy.sampleCount = info.sampleCount;
        copy.sampleIndex = info.sampleIndex;
        copy.movieHeaderValue = info.movieHeaderValue;
        return copy;
    }();
    ASSERT_EQ(load(movie(compressedMoov(plain))), 1);
    EXPECT_EQ(info.width, expected.width);
    EXPECT_EQ(info.duration, expected.duration);
    EXPECT_EQ(info.sampleCount, expected.sampleCount);
    EXPECT_EQ(info.movieHeaderValue, 42u);
    ASSERT_EQ(info.sampleIndex.size(), expected.sampleIndex.size());
    for (size_t i = 0; i < info.sampleIndex.size(); ++i)
        EXPECT_EQ(info.sampleIndex[i].offset, expected.sampleIndex[i].offset) << i;

    EXPECT_EQ(load(movie(compressedMoov(plain, "lzw "))), -2);
}

TEST_F(MovieHeader, SampleIndexFromChunksAndSizes) {
    // 10 samples per chunk in 3 chunks; every sample 1024 bytes.
    Track common;
    common.commonSize = 1024;
    common.sampleCount = 30;
    common.stsc = {{1, 10, 1}};
    common.chunkOffsets = {100, 50000, 90000};
    ASSERT_EQ(load(movie(moov({trak(common)}))), 1);
    ASSERT_EQ(info.sampleIndex.size(), 30u);
    for (const moov_sample& s : info.sampleIndex) EXPECT_EQ(s.size, 1024u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(info.sampleIndex[10 + i].offset, 50000u + 1024u * i);
        EXPECT_EQ(info.sampleIndex[10 + i].chunk, 2u);
    }
    EXPECT_TRUE(info.openFile);

    // Per-sample sizes, two stsc runs and 64-bit chunk offsets.
    Track table;
    table.sampleCount = 5;
    table.sizes = {1, 2, 3, 4, 5};
    table.stsc = {{1, 2, 1}, {3, 1, 1}};
    table.chunkOffsets = {0x100000000ull, 0x200000000ull, 0x300000000ull};
    table.co64 = true;
    ASSERT_EQ(load(movie(moov({trak(table)}))), 1);
    const std::vector<std::array<uint64_t, 3>> want = {{0x100000000ull, 1, 1},
                                                       {0x100000001ull, 2, 1},
                                                       {0x200000000ull, 3, 2},
                                                       {0x200000003ull, 4, 2},
                                                       {0x300000000ull, 5, 3}};
    ASSERT_EQ(info.sampleIndex.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(info.sampleIndex[i].offset, want[i][0]) << i;
        EXPECT_EQ(info.sampleIndex[i].size, want[i][1]) << i;
        EXPECT_EQ(info.sampleIndex[i].chunk, want[i][2]) << i;
    }
}

TEST_F(MovieHeader, DispatchByExtension) {
    const QString path = write("x.TXLK", "never read");
    ASSERT_TRUE(QFile(path).remove());  // the file is not even there
    EXPECT_EQ(loadFileInfo(&info, path, "TXLK", false), -1);
    EXPECT_EQ(loadFileInfo(&info, path, "T_X_L_K", false), -1);
    EXPECT_EQ(loadFileInfo(nullptr, path, "mov", false), 0);
    EXPECT_EQ(loadFileInfo(&info, write("a.rtf", "x"), "rtf", false), -1);

    QImage image(33, 17, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString png = dir.path() + "/still.PNG";
    ASSERT_TRUE(image.save(png, "PNG"));
    EXPECT_EQ(loadFileInfo(&info, png, "P_N_G", false), 1);
    EXPECT_EQ(info.width, 33);
    EXPECT_EQ(info.height, 17u);
    EXPECT_EQ(loadFileInfo(&info, write("bad.png", "not an image"), "png", false), -1);

    Track video;
    video.sizes.assign(30, 1);
    EXPECT_EQ(loadFileInfo(&info, movie(moov({trak(video)})), "M_O_V", false), 1);
}

// Hostile headers: every one fails or reads within bounds, never crashes
// and never allocates what it claims.
TEST_F(MovieHeader, HostileAtoms) {
    Track video;
    video.sizes.assign(30, 1);
    const QByteArray good = moov({trak(video)});

    std::vector<std::pair<const char*, QByteArray>> cases;
    // Sizes that do not advance or overrun the file.
    cases.push_back({"zero-size top atom", be32(0) + QByteArray("free") + good});
    cases.push_back({"size 4", be32(4) + QByteArray("free") + good});
    cases.push_back({"huge moov", be32(0xFFFFFFF0u) + QByteArray("moov") + good.mid(8)});
    cases.push_back({"64-bit size 0", be32(1) + QByteArray("mdat") + be64(0) + good});
    cases.push_back({"64-bit size wraps", be32(1) + QByteArray("mdat") + be64(~0ull - 4) + good});
    // Inner atoms with zero or lying sizes.
    QByteArray zeroInner = good;
    zeroInner.replace(zeroInner.indexOf("trak") - 4, 4, be32(0));
    cases.push_back({"zero trak", zeroInner});
    QByteArray bigInner = good;
    bigInner.replace(bigInner.indexOf("stbl") - 4, 4, be32(0x7FFFFFFF));
    cases.push_back({"stbl past the end", bigInner});
    // Table counts far beyond the tables.
    for (const char* table : {"stts", "stsc", "stco", "stsz"}) {
        QByteArray b = good;
        const int at = b.indexOf(table) + (QByteArray(table) == "stsz" ? 12 : 8);
        b.replace(at, 4, be32(0xFFFFFFFFu));
        cases.push_back({table, b});
    }
    // A truncated header.
    cases.push_back({"truncated", good.left(good.size() / 2)});
    // Compressed headers: a bomb that expands past its claimed size, a lie
    // about the stored length, and garbage.
    {
        QByteArray bomb(64 << 20, '\0');
        QByteArray packed = compressedMoov(bomb);
        packed.replace(packed.indexOf("cmvd") + 4, 4, be32(1000));
        cases.push_back({"zlib bomb", packed});
        QByteArray lying = compressedMoov(good);
        lying.replace(lying.indexOf("cmvd") - 4, 4, be32(0xFFFFFFF0u));
        cases.push_back({"cmvd length", lying});
        QByteArray garbage = compressedMoov(good);
        garbage.replace(garbage.indexOf("cmvd") + 8, 8, QByteArray(8, '\x5a'));
        cases.push_back({"garbage stream", garbage});
    }
    for (const auto& [name, header] : cases) {
        const int status = load(write("h.mov", atom("ftyp", "qt  ") + header));
        EXPECT_TRUE(status == 1 || status == -1 || status == -2) << name << " " << status;
        EXPECT_LE(info.sampleIndex.size(), size_t(info.sampleCount)) << name;
        EXPECT_LE(info.sampleIndex.size(), 30u) << name;
    }
}

TEST(ZlibInflate, StopsAtTheRoomGiven) {
    const QByteArray data(100000, 'k');
    uLongf room = compressBound(uLong(data.size()));
    std::vector<uint8_t> packed(room);
    compress2(packed.data(), &room, reinterpret_cast<const Bytef*>(data.constData()),
              uLong(data.size()), 9);
    std::vector<uint8_t> out;
    EXPECT_EQ(zlib_inflate(packed.data(), room, &out, 100000), 100000);
    EXPECT_EQ(out.size(), 100000u);
    EXPECT_EQ(zlib_inflate(packed.data(), room, &out, 99999), Z_BUF_ERROR);
    EXPECT_LT(zlib_inflate(packed.data(), room / 2, &out, 100000), 0);
}

}  // namespace

KELO_TEST_MAIN_GUI()
