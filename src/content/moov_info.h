#pragma once

#include <QString>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// One video sample of a movie, in decode order.
struct moov_sample {
    uint64_t offset = 0;  // in the movie file
    uint32_t size = 0;
    uint32_t chunk = 0;  // 1-based, as the sample-to-chunk table counts
};

// Big-endian atom header of a movie file.
struct atom_hdr {
    uint32_t size = 0;
    uint32_t type = 0;
};

// What the header reader found in one media file: picture size and, for
// movies, codec, duration, time scales and optionally an index of every video
// sample. Owns the movie file while an index was built, so that a player can
// read the samples from it. A plain record: one thread at a time.
struct moov_info {
    int32_t width = 0;
    uint32_t height = 0;
    uint32_t sampleCount = 0;
    uint32_t codec = 0;  // the sample description's format, read big-endian
    char codecText[4] = {};
    char compressorName[32] = {};
    // In media time units; 64 bits so that long tables cannot wrap it.
    uint64_t duration = 0;
    uint32_t mediaTimeScale = 0;
    uint32_t movieHeaderValue = 0;  // the 32-bit field at byte 88 of "mvhd"
    uint64_t fileLength = 0;
    // 0 or 1 read, -1 failed, -2 compressed header that cannot be expanded.
    int32_t status = 0;
    std::vector<moov_sample> sampleIndex;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> openFile{nullptr, &std::fclose};

    void clear();
};

// The largest movie header read or expanded; a header claiming more is
// refused rather than allocated.
inline constexpr uint64_t kMoovMaxHeaderBytes = 128ull << 20;

// Dispatches on the extension ("_" skipped, any case): movies are parsed
// from their "moov" atom, still images asked of the image reader. "txlk"
// fails at once without opening the file.
int loadFileInfo(moov_info* info, const QString& path, const QString& extension, bool index);
int loadMovFileInfo(moov_info* info, const QString& path, bool index);

// Reads 8 bytes at the offset; a short read leaves the header all zero.
void readAtomHeader(std::FILE* file, uint64_t offset, atom_hdr* header);

// Expands one zlib or gzip stream into at most `destLength` bytes: the
// expanded length when the stream ended inside that room, else a negative
// zlib error code (Z_BUF_ERROR when it would need more).
int64_t zlib_inflate(const uint8_t* source, uint64_t sourceLength, std::vector<uint8_t>* dest,
                     uint64_t destLength);
