#include "serverlink/KeloObject.h"
#include "serverlink/keloLayerProgressRec.h"

#include "support/TestMain.h"

#include <cstring>

namespace {

short_layer_status_2 layerStatus(uint8_t level, uint32_t length, uint32_t posn = 0, uint32_t in = 0,
                                 uint32_t out = 0) {
    short_layer_status_2 s{};
    s.level = level;
    s.allegiance = 2;
    s.media_folder = 3;
    s.media_file = 7;
    s.object_folder = 1;
    s.object_file = 4;
    s.flags = 0x01;
    s.length.set(length);
    s.posn.set(posn);
    s.in_pt.set(in);
    s.out_pt.set(out);
    return s;
}

kle_layer_stat layerDetail(uint16_t fileFps, uint8_t level = 200) {
    kle_layer_stat d{};
    d.level = level;
    d.texlib = 3;
    d.texnum = 7;
    d.objlib = 1;
    d.objnum = 4;
    d.width.set(1920);
    d.height.set(1080);
    std::memcpy(d.codec, "avc1", 4);
    d.file_fps.set(fileFps);
    d.play_fps.set(7680);
    std::strcpy(d.texname, "clip.mov");
    std::strcpy(d.objname, "plane");
    return d;
}

// A record with timing at `fps`, 300 frames long at 30 fps (10 s).
keloLayerProgressRec timedRec(float fps, uint32_t length = 256 * 10) {
    keloLayerProgressRec rec{};
    rec.hasTiming = 1;
    rec.fps = fps;
    rec.length = length;
    return rec;
}

TEST(LayerProgress, SummaryFromStatusAndDetail) {
    const auto s = layerStatus(255, 256 * 10, 256 * 5, 256, 256 * 9);
    const auto d = layerDetail(7680);
    keloLayerProgressRec rec;
    std::memset(&rec, 0xAB, sizeof rec);
    ASSERT_EQ(getLayerProgressInfo(&rec, &s, &d, true), 0u);
    EXPECT_EQ(rec.flags, 0x101u);
    EXPECT_EQ(rec.allegiance, 2u);
    EXPECT_EQ(rec.media, 3u * 256 + 7);
    EXPECT_EQ(rec.object, 1u * 256 + 4);
    EXPECT_FLOAT_EQ(rec.level, 1.0f);
    EXPECT_EQ(rec.length, 2560u);
    EXPECT_EQ(rec.posn, 1280u);
    EXPECT_EQ(rec.in_pt, 256u);
    EXPECT_EQ(rec.out_pt, 2304u);
    EXPECT_EQ(rec.hasTiming, 1);
    EXPECT_EQ(rec.isRunning, 1);
    EXPECT_EQ(rec.width, 1920);
    EXPECT_EQ(rec.height, 1080);
    EXPECT_EQ(std::memcmp(rec.codec, "avc1", 4), 0);
    EXPECT_EQ(rec.file_fps, 7680);
    EXPECT_EQ(rec.play_fps, 7680);
    EXPECT_EQ(rec.mediaMatches, 1);
    EXPECT_FLOAT_EQ(rec.fps, 30.0f);
    EXPECT_EQ(rec.lengthFrames, 300u);
    EXPECT_EQ(rec.posnFrames, 150u);
    EXPECT_EQ(rec.inFrames, 30u);
    EXPECT_EQ(rec.outFrames, 270u);
    EXPECT_STREQ(rec.texname, "clip.mov");
    EXPECT_STREQ(rec.objname, "plane");
}

TEST(LayerProgress, FileFrameRates) {
    const struct {
        uint16_t fileFps;
        float fps;
    } cases[] = {
        {3840, 15.0f},   {6137, 23.976f}, {6144, 24.0f},         {6156, 24.0f},
        {6400, 25.0f},   {7672, 29.97f},  {7680, 30.0f},         {12800, 50.0f},
        {15344, 59.94f}, {15360, 60.0f},  {3000, 3000 / 256.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileFps);
        const auto s = layerStatus(128, 256 * 100);
        const auto d = layerDetail(c.fileFps);
        keloLayerProgressRec rec{};
        getLayerProgressInfo(&rec, &s, &d, false);
        EXPECT_EQ(rec.hasTiming, 1);
        EXPECT_FLOAT_EQ(rec.fps, c.fps);
        EXPECT_EQ(rec.lengthFrames, i24_8toFrameCount(256 * 100, c.fps));
    }
    // Only the playback rate known: timing, but nothing to count frames with.
    const auto s = layerStatus(128, 256 * 100);
    const auto d = layerDetail(0);
    keloLayerProgressRec rec{};
    getLayerProgressInfo(&rec, &s, &d, false);
    EXPECT_EQ(rec.hasTiming, 1);
    EXPECT_EQ(rec.fps, 0.0f);
    EXPECT_EQ(rec.lengthFrames, 0u);
}

TEST(LayerProgress, NoTimingWithoutLevelOrWithErrors) {
    const struct {
        const char* what;
        uint8_t level;
        uint8_t statusFlags;
        uint8_t texError;
        uint32_t flags;
    } cases[] = {
        {"level 0", 0, 0x00, 0, 0x000},
        {"not shown", 200, 0x80, 0, 0x180},
        {"media error 1", 200, 0x00, 1, 0x140},
        {"media error 2", 200, 0x00, 2, 0x140},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto s = layerStatus(c.level, 256 * 10, 256 * 5);
        s.flags = c.statusFlags;
        auto d = layerDetail(7680);
        d.tex_error_code = c.texError;
        keloLayerProgressRec rec;
        std::memset(&rec, 0xAB, sizeof rec);
        getLayerProgressInfo(&rec, &s, &d, false);
        EXPECT_EQ(rec.flags, c.flags);
        EXPECT_EQ(rec.hasTiming, 0);
        EXPECT_EQ(rec.fps, 0.0f);
        EXPECT_EQ(rec.lengthFrames | rec.posnFrames | rec.inFrames | rec.outFrames, 0u);
    }
    auto s = layerStatus(200, 256 * 10);
    auto d = layerDetail(7680);
    d.tex_error_code = 3;
    keloLayerProgressRec rec{};
    getLayerProgressInfo(&rec, &s, &d, false);
    EXPECT_EQ(rec.hasTiming, 1);
    EXPECT_EQ(rec.flags & 0x40, 0u);
}

TEST(LayerProgress, DetailAloneAndUnterminatedNames) {
    auto d = layerDetail(7680, 51);
    d.texlib = 9;
    d.texnum = 8;
    std::memset(d.texname, 'x', sizeof d.texname);
    std::memset(d.objname, 'y', sizeof d.objname);
    keloLayerProgressRec rec;
    std::memset(&rec, 0xAB, sizeof rec);
    ASSERT_EQ(getLayerProgressInfo(&rec, nullptr, &d, true), 0u);
    EXPECT_EQ(rec.flags, 0x100u);
    EXPECT_EQ(rec.media, 9u * 256 + 8);
    EXPECT_EQ(rec.object, 1u * 256 + 4);
    EXPECT_FLOAT_EQ(rec.level, 0.2f);
    EXPECT_EQ(rec.hasTiming, 0);
    // Fields the detail has no word on are left as they were.
    EXPECT_EQ(rec.allegiance, 0xABABABABu);
    EXPECT_EQ(rec.length, 0xABABABABu);
    EXPECT_EQ(rec.mediaMatches, 0xAB);
    EXPECT_EQ(std::strlen(rec.texname), 63u);
    EXPECT_EQ(std::strlen(rec.objname), 63u);

    EXPECT_EQ(getLayerProgressInfo(&rec, nullptr, nullptr, true), 0xFFFFFFFFu);
    EXPECT_EQ(rec.flags, 0u);
}

TEST(LayerProgress, FrameCounts) {
    const struct {
        uint32_t time;
        double fps;
        uint32_t frames;
    } toFrames[] = {
        {0, 30, 0},
        {256 * 10, 30, 300},
        {256 * 10 - 1, 30, 300},  // one unit short still reaches the frame
        {256 * 3 + 253, 0.5, 2},  // fraction above 0.99 rounds up
        {256 * 100, 29.97, 2997},
        {0xFFFFFFFF, 60, 0},
        {256 * 10, 0, 0},
        {256 * 10, -30, 0},
    };
    for (const auto& c : toFrames) {
        SCOPED_TRACE(testing::Message() << c.time << " @ " << c.fps);
        EXPECT_EQ(i24_8toFrameCount(c.time, c.fps), c.frames);
    }
    EXPECT_EQ(frameCountTo_i24_8(300, 30), 2560u);
    EXPECT_EQ(frameCountTo_i24_8(1, 29.97), 8u);
    EXPECT_EQ(frameCountTo_i24_8(300, 0), 0u);
    EXPECT_EQ(frameCountTo_i24_8(0xFFFFFFFF, 0.001), 0xFFFFFFFFu);
}

TEST(LayerProgress, DmxConversions) {
    const auto rec = timedRec(30);  // 300 frames
    const struct {
        int frame;
        int dmx;
    } toDmx[] = {{0, 0}, {150, 32769}, {299, 65318}, {300, 65535}, {400, 65535}, {-1, 65535}};
    for (const auto& c : toDmx) {
        SCOPED_TRACE(c.frame);
        EXPECT_EQ(convertFrameCountToDmx(c.frame, &rec), c.dmx);
    }
    const struct {
        int dmx;
        int frame;
    } toFrame[] = {{0, 0}, {32800, 150}, {65535, 299}};
    for (const auto& c : toFrame) {
        SCOPED_TRACE(c.dmx);
        EXPECT_EQ(convertDmxToFrameCount(c.dmx, &rec), c.frame);
    }

    // Longer than 65536 frames: DMX values still span the whole length.
    const auto longRec = timedRec(30, 256 * 3000);  // 90000 frames
    EXPECT_EQ(convertDmxToFrameCount(32768, &longRec), 45000);
    EXPECT_NEAR(convertDmxToFrameCount(65535, &longRec), 89999, 1);

    auto noTimingRec = rec;
    noTimingRec.hasTiming = 0;
    const keloLayerProgressRec& noTiming = noTimingRec;
    const keloLayerProgressRec slow = timedRec(0.5f);
    const keloLayerProgressRec oneFrame = timedRec(30, 8);
    for (const keloLayerProgressRec* r : {&noTiming, &slow, &oneFrame}) {
        EXPECT_EQ(convertFrameCountToDmx(100, r), 0);
        EXPECT_EQ(convertDmxToFrameCount(30000, r), 0);
    }
}

TEST(LayerProgress, TimeCodeTexts) {
    const struct {
        int time;
        float fps;
        signed char negative;
        const char* text;
    } cases[] = {
        {256 * 3661, 30, 0, "01:01:01:00"},
        {256 * 61, 30, 1, "-00:01:01:00"},
        {256 * 61 + 128, 30, 0, "00:01:01:15"},
        {256 * 61 + 128, 0, 0, "00:01:01:15"},  // no rate: 30
        {256 * 61 + 128, 25, 0, "00:01:01:12"},
        {252, 30, 0, "00:00:01:00"},  // rounds up to the next second
        {-256 * 61, 30, 0, "-00:01:01:00"},
        {256 * 360000, 30, 0, "100:00:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(i24_8toTC(c.time, c.fps, c.negative), QString::fromLatin1(c.text));
    }

    const auto rec = timedRec(30);
    EXPECT_EQ(progressTimeString(256 * 61, &rec, 0), "00:01:01:00");
    setShowMovieFileFrames(true);
    EXPECT_EQ(progressTimeString(256 * 61, &rec, 0), "00001830");
    const auto noRate = timedRec(0);
    EXPECT_EQ(progressTimeString(256 * 61, &noRate, 0), "00:01:01:00");
    setShowMovieFileFrames(false);
}

TEST(LayerProgress, DmxTimeTexts) {
    const struct {
        int dmx;
        double fps;
        int totalFrames;
        const char* text;
    } cases[] = {
        {65535, 30, 300, "00:00:10:00"},     {-32768, 30, 300, "-00:00:05:00"},
        {65535, 29.97, 1000, "00:00:33:10"}, {0, 30, 300, "00:00:00:00"},
        {65535, 30, 0, "00:00:00:00"},       {65535, 0, 300, "00:00:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dmxToTimeString(c.dmx, c.fps, c.totalFrames), QString::fromLatin1(c.text));
    }
    const auto rec = timedRec(30);
    EXPECT_EQ(dmxProgressToTimeString(65535, &rec), "00:00:10:00");
    EXPECT_EQ(dmxProgressToTimeString(65535, nullptr), "00:00:00:00");
}

TEST(LayerProgress, ProfileClassesAndLimits) {
    const int classes[25] = {0, 0, 0, 0, 0, 1, 1, 1, 1,  1, 2, 2, 3,
                             3, 4, 4, 5, 6, 7, 8, 9, 10, 0, 0, 0};
    for (int p = 0; p < 25; ++p) EXPECT_EQ(KeloObject::profileCompatibility(p), classes[p]) << p;
    for (int p : {-1, 25, 255}) EXPECT_EQ(KeloObject::profileCompatibility(p), 0) << p;

    EXPECT_EQ(KeloObject::profileIsCompatible(10, 11), 2);
    EXPECT_EQ(KeloObject::profileIsCompatible(5, 9), 1);
    EXPECT_EQ(KeloObject::profileIsCompatible(16, 16), 5);
    EXPECT_EQ(KeloObject::profileIsCompatible(10, 12), 0);
    EXPECT_EQ(KeloObject::profileIsCompatible(3, 3), 0);
    EXPECT_EQ(KeloObject::profileIsCompatible(22, 24), 0);
    EXPECT_EQ(KeloObject::profileIsCompatible(30, 30), 0);

    const struct {
        int profile;
        const char* variant;
        int layers;
    } layerLimits[] = {
        {17, "", 12},
        {17, "Kelo Falcon", 24},
        {16, "Kelo Development kit", 24},
        {7, "", 6},
        {9, "", 6},
        {5, "", 12},
        {10, "", 8},
        {12, "", 8},
        {14, "", 4},
        {16, "", 24},
        {18, "", 6},
        {19, "", 24},
        {21, "", 24},
        {0, "", 12},
        {22, "Kelo Falcon", 24},
        {15, "Kelo Falcon", 4},
        {3, "Kelo Falcon", 12},
        {18, "The Kelo Falcon", 6},
    };
    for (const auto& c : layerLimits) {
        EXPECT_EQ(KeloObject::profileLayerLimitPilot(c.profile, QString::fromLatin1(c.variant)),
                  c.layers)
            << c.profile << " " << c.variant;
    }
    const int outputs[25] = {32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 0,  0, 0,
                             0,  0,  0,  32, 16, 4,  16, 16, 16, 32, 32, 32};
    for (int p = 0; p < 25; ++p) EXPECT_EQ(KeloObject::profileOutputLimitPilot(p), outputs[p]) << p;
    EXPECT_EQ(KeloObject::profileOutputLimitPilot(40), 32);
}

TEST(LayerProgress, ServerObjectLayerSummary) {
    KeloObject k;
    keloLayerProgressRec rec;
    std::memset(&rec, 0xAB, sizeof rec);
    EXPECT_EQ(k.layerProgressInfo(&rec, 0), 0xFFFFFFFFu);  // no general status yet
    EXPECT_EQ(rec.flags, 0u);

    kle_general_stat g{};
    g.vMajor = 4;
    g.layercount = 30;
    ASSERT_TRUE(k.setGeneralStatus(&g, sizeof g));
    k.setGeneralStatusArrived(800000000.0);
    k.setIsRunning(true);
    auto d = layerDetail(7680);
    d.length.set(256 * 10);
    d.posn.set(256 * 2);
    ASSERT_TRUE(k.setLayerDetailStatus(&d, sizeof d, 5));

    ASSERT_EQ(k.layerProgressInfo(&rec, 5), 0u);
    EXPECT_EQ(rec.hasTiming, 1);
    EXPECT_EQ(rec.isRunning, 1);
    EXPECT_EQ(rec.media, 3u * 256 + 7);
    EXPECT_EQ(rec.posnFrames, 60u);
    EXPECT_EQ(rec.mediaMatches, 1);
    EXPECT_STREQ(rec.texname, "clip.mov");

    for (int idx : {24, 29, -1}) {
        std::memset(&rec, 0xAB, sizeof rec);
        EXPECT_EQ(k.layerProgressInfo(&rec, idx), 0xFFFFFFFFu) << idx;
        const keloLayerProgressRec zero{};
        EXPECT_EQ(std::memcmp(&rec, &zero, sizeof rec), 0) << idx;
    }
    g.layercount = 4;
    ASSERT_TRUE(k.setGeneralStatus(&g, sizeof g));
    EXPECT_EQ(k.layerProgressInfo(&rec, 5), 0xFFFFFFFFu);
}

}  // namespace

KELO_TEST_MAIN()
