#include "serverlink/keloLayerProgressRec.h"

#include "serverlink/KeloObject.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

std::atomic<bool> gShowMovieFileFrames{false};

// The rates the servers report for the common video formats are not exact
// multiples of 1/256; a few of them stand for the familiar rates.
float fpsForFileRate(uint16_t fileFps) {
    switch (fileFps) {
        case 3840:
            return 15.0f;
        case 6137:
            return 23.976f;
        case 6156:
            return 24.0f;
        case 7672:
            return 29.97f;
        case 7680:
            return 30.0f;
        case 15344:
            return 59.94f;
        case 15360:
            return 60.0f;
        default:
            return float(fileFps) / 256.0f;
    }
}

void copyName(char (&to)[64], const char (&from)[64]) {
    std::memset(to, 0, sizeof to);
    std::memcpy(to, from, strnlen(from, sizeof to - 1));
}

QString timeCode(bool negative, int64_t hours, int64_t minutes, int64_t seconds, int64_t frames) {
    return QString::asprintf(
        negative ? "-%02lld:%02lld:%02lld:%02lld" : "%02lld:%02lld:%02lld:%02lld",
        static_cast<long long>(hours), static_cast<long long>(minutes),
        static_cast<long long>(seconds), static_cast<long long>(frames));
}

int clampToInt(double v) {
    if (v >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(v);
}

// Compatibility class of each DMX profile 0-24; 0 is compatible with nothing.
constexpr int kProfileClass[25] = {0, 0, 0, 0, 0, 1, 1, 1, 1,  1, 2, 2, 3,
                                   3, 4, 4, 5, 6, 7, 8, 9, 10, 0, 0, 0};
// Limits of classes 2-10.
constexpr int kClassLayerLimit[11] = {0, 0, 8, 8, 4, 24, 12, 6, 24, 24, 24};
constexpr int kClassOutputLimit[11] = {0, 0, 0, 0, 0, 32, 16, 4, 16, 16, 16};

}  // namespace

uint32_t getLayerProgressInfo(keloLayerProgressRec* rec, const short_layer_status_2* s,
                              const kle_layer_stat* d, bool isRunning) {
    if (!rec) return 0xFFFFFFFF;
    if (!d) {
        std::memset(rec, 0, sizeof *rec);
        return 0xFFFFFFFF;
    }
    if (s) {
        rec->flags = s->flags | (s->level ? 0x100u : 0u);
        rec->allegiance = s->allegiance;
        rec->media = uint32_t(s->media_folder) * 256 + s->media_file;
        rec->object = uint32_t(s->object_folder) * 256 + s->object_file;
        rec->level = float(s->level) / 255.0f;
        rec->length = s->length.value();
        rec->in_pt = s->in_pt.value();
        rec->out_pt = s->out_pt.value();
        rec->posn = s->posn.value();
    } else {
        rec->flags = d->level ? 0x100u : 0u;
        rec->media = uint32_t(d->texlib) * 256 + d->texnum;
        rec->object = uint32_t(d->objlib) * 256 + d->objnum;
        rec->level = float(d->level) / 255.0f;
    }
    std::memcpy(rec->codec, d->codec, sizeof rec->codec);
    copyName(rec->texname, d->texname);
    copyName(rec->objname, d->objname);
    rec->file_fps = d->file_fps.value();
    rec->play_fps = d->play_fps.value();
    if (s) rec->mediaMatches = d->texlib == s->media_folder && d->texnum == s->media_file;

    rec->fps = 0;
    rec->lengthFrames = rec->inFrames = rec->outFrames = rec->posnFrames = 0;
    if (d->tex_error_code == 1 || d->tex_error_code == 2) rec->flags |= 0x40;

    const bool timing =
        !(rec->flags & 0xC0) && (rec->file_fps || rec->play_fps) && s && s->level != 0;
    rec->hasTiming = timing ? 1 : 0;
    if (timing && rec->file_fps) {
        const float fps = fpsForFileRate(rec->file_fps);
        rec->fps = fps;
        rec->lengthFrames = i24_8toFrameCount(rec->length, fps);
        rec->inFrames = i24_8toFrameCount(rec->in_pt, fps);
        rec->outFrames = i24_8toFrameCount(rec->out_pt, fps);
        rec->posnFrames = i24_8toFrameCount(rec->posn, fps);
    }
    rec->isRunning = isRunning ? 1 : 0;
    rec->width = d->width.value();
    rec->height = d->height.value();
    return 0;
}

uint32_t i24_8toFrameCount(uint32_t time, double fps) {
    const float f = float(fps);
    if (!(f > 0) || std::isinf(f)) return 0;
    // One unit more, so that a time stored one unit short of a frame boundary
    // still counts that frame.
    const uint32_t u = time + 1;
    const float x = float(u / 256) * f + float(u % 256) * f / 256.0f;
    if (x >= 4294967296.0f) return std::numeric_limits<uint32_t>::max();
    uint32_t n = uint32_t(x);
    if (x - float(n) > 0.99f) ++n;
    return n;
}

uint32_t frameCountTo_i24_8(uint32_t frames, double fps) {
    if (!(fps > 0)) return 0;
    const double t = double(frames) * 256.0 / fps;
    if (t >= 4294967295.0) return std::numeric_limits<uint32_t>::max();
    return uint32_t(t);
}

int convertFrameCountToDmx(int frame, const keloLayerProgressRec* rec) {
    if (!rec || !rec->hasTiming || !(rec->fps >= 1)) return 0;
    const double fps = rec->fps;
    const uint32_t total = i24_8toFrameCount(rec->length, fps);
    const double step = total >= 2 ? 65536.0 * fps / total : 0.0;
    // Unsigned on purpose: a negative frame counts as past the end.
    const uint32_t f = std::min(uint32_t(frame), total);
    double v = double(f) * step / fps;
    if (v > 0.5) v += 1;
    return int(std::min(v, 65535.0));
}

int convertDmxToFrameCount(int dmx, const keloLayerProgressRec* rec) {
    if (!rec || !rec->hasTiming || !(rec->fps >= 1)) return 0;
    const double fps = rec->fps;
    const uint32_t total = i24_8toFrameCount(rec->length, fps);
    if (total < 2) return 0;
    const double step = total <= 65536 ? 65536.0 * fps / total : 65535.0 * fps / (total - 1);
    if (!(step > 0)) return 0;
    return clampToInt(double(dmx) / step * fps);
}

QString i24_8toTC(int time, float fps, signed char negative) {
    int64_t v = int64_t(time) + 4;  // rounds to the nearest frame
    bool minus = negative != 0;
    if (v < 0) {
        // Fields of a negative time are shown as its magnitude behind the sign.
        minus = true;
        v = -int64_t(time) + 4;
    }
    const int64_t s = v >> 8;
    const double rate = fps > 0 ? fps : 30.0;
    const int64_t frames = int64_t(double(v & 0xFF) * rate / 256.0);
    return timeCode(minus, s / 3600, (s % 3600) / 60, s % 60, frames);
}

QString progressTimeString(uint32_t time, const keloLayerProgressRec* rec, signed char negative) {
    const float fps = rec ? rec->fps : 0.0f;
    if (showMovieFileFrames() && fps != 0)
        return QString::asprintf("%08u", i24_8toFrameCount(time, fps));
    return i24_8toTC(int(time), fps, negative);
}

QString dmxToTimeString(int dmx, double fps, int totalFrames) {
    if (totalFrames < 1 || !(fps > 0) || std::isinf(fps)) return QStringLiteral("00:00:00:00");
    const double perFrame = 65535.0 * fps / totalFrames;
    const int64_t f = int64_t(std::fabs(double(dmx)) * fps / perFrame + 0.5);
    const int64_t s = int64_t(double(f) / fps);
    const int64_t frames = int64_t(double(f) - double(s) * fps);
    return timeCode(dmx < 0, s / 3600, (s % 3600) / 60, s % 60, frames);
}

QString dmxProgressToTimeString(int dmx, const keloLayerProgressRec* rec) {
    if (!rec) return dmxToTimeString(dmx, 0, 0);
    const int total = clampToInt(i24_8toFrameCount(rec->length, rec->fps));
    return dmxToTimeString(dmx, rec->fps, total);
}

bool showMovieFileFrames() {
    return gShowMovieFileFrames.load(std::memory_order_relaxed);
}

void setShowMovieFileFrames(bool flag) {
    gShowMovieFileFrames.store(flag, std::memory_order_relaxed);
}

// --- KeloObject: the layer summary and the profile tables --------------------

uint32_t KeloObject::layerProgressInfo(keloLayerProgressRec* rec, int layerIdx) const {
    if (!rec) return 0xFFFFFFFF;
    if (layerIdx >= 0 && layerIdx < kLayerImages && layerIdx < layerCount() &&
        generalStatusArrived_ != 0)
        return getLayerProgressInfo(rec, &layer_stats_[layerIdx], &layerdetail_[layerIdx],
                                    isRunning_);
    std::memset(rec, 0, sizeof *rec);
    return 0xFFFFFFFF;
}

int KeloObject::profileCompatibility(int profile) {
    return profile >= 0 && profile <= 24 ? kProfileClass[profile] : 0;
}

int KeloObject::profileIsCompatible(int profile1, int profile2) {
    const int c = profileCompatibility(profile1);
    return c != 0 && c == profileCompatibility(profile2) ? c : 0;
}

int KeloObject::profileLayerLimitPilot(int profile, const QString& variant) {
    int limit = 12;
    const int c = profileCompatibility(profile);
    if (profile == 7 || profile == 9)
        limit = 6;
    else if (c >= 2 && c <= 10)
        limit = kClassLayerLimit[c];
    if (profile >= 16 && (variant.startsWith(QLatin1String("Kelo Falcon")) ||
                          variant.startsWith(QLatin1String("Kelo Development"))))
        limit = 24;
    return limit;
}

int KeloObject::profileOutputLimitPilot(int profile) {
    const int c = profileCompatibility(profile);
    return c >= 2 && c <= 10 ? kClassOutputLimit[c] : 32;
}
