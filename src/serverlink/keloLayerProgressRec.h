#pragma once

#include "serverlink/KeloStatusRecords.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// One layer of a server as the status views draw it: level, media, times in
// 24.8 fixed point and, when the timing is known, the same times in frames.
// Packed so that its layout is the same wherever it is copied.
struct __attribute__((packed)) keloLayerProgressRec {
    uint32_t flags;  // layer status flags; 0x100 level non-zero; 0x40 media error
    uint32_t allegiance;
    uint32_t media;   // folder * 256 + file
    uint32_t object;  // folder * 256 + file
    float level;      // 0..1
    uint32_t length;  // 24.8, host order
    uint32_t in_pt;
    uint32_t out_pt;
    uint32_t posn;
    uint8_t hasTiming;  // the frame fields below are valid
    uint8_t isRunning;
    uint16_t width;
    uint16_t height;
    char codec[4];
    uint16_t file_fps;  // 8.8, host order
    uint16_t play_fps;
    uint8_t mediaMatches;  // the detail is of the media the layer plays
    float fps;             // rate used for the frame counts
    uint32_t lengthFrames;
    uint32_t inFrames;
    uint32_t outFrames;
    uint32_t posnFrames;
    char texname[64];
    char objname[64];
};
static_assert(sizeof(keloLayerProgressRec) == 199);
static_assert(offsetof(keloLayerProgressRec, fps) == 51);
static_assert(offsetof(keloLayerProgressRec, texname) == 71);

// Fills `rec` from a layer status (may be null: then from the detail alone)
// and its detail. Returns 0; a null record or detail zeroes what there is and
// returns 0xFFFFFFFF.
uint32_t getLayerProgressInfo(keloLayerProgressRec* rec, const short_layer_status_2* status,
                              const kle_layer_stat* detail, bool isRunning);

// 24.8 time <-> frames; 0 for a frame rate that is not positive.
uint32_t i24_8toFrameCount(uint32_t time, double fps);
uint32_t frameCountTo_i24_8(uint32_t frames, double fps);

// Play position as a 16-bit DMX value and back; 0 without timing.
int convertFrameCountToDmx(int frame, const keloLayerProgressRec* rec);
int convertDmxToFrameCount(int dmx, const keloLayerProgressRec* rec);

// "hh:mm:ss:ff" texts ("-" in front for negative values).
QString i24_8toTC(int time, float fps, signed char negative);
QString progressTimeString(uint32_t time, const keloLayerProgressRec* rec, signed char negative);
QString dmxProgressToTimeString(int dmx, const keloLayerProgressRec* rec);
QString dmxToTimeString(int dmx, double fps, int totalFrames);

// Process-wide: frame numbers instead of time codes. Initially off.
bool showMovieFileFrames();
void setShowMovieFileFrames(bool flag);
