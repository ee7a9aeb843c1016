#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <vector>

// Builders of movie-file atoms for the header reader's tests, fuzz seeds and
// benchmark: written from the atom layout alone, with none of the reader's
// code.
namespace MovieAtoms {

QByteArray be32(uint32_t v);
QByteArray be64(uint64_t v);
// An atom with a 32-bit size.
QByteArray atom(const char* type, const QByteArray& body);
// An atom with size 1 and a 64-bit size after the type.
QByteArray largeAtom(const char* type, const QByteArray& body);

struct Track {
    const char* handler = "vide";
    uint32_t timeScale = 600;
    uint16_t width = 1920;
    uint16_t height = 1080;
    const char* codec = "avc1";
    const char* compressor = "H.264";
    std::vector<std::array<uint32_t, 2>> stts{{30, 20}};  // count, delta
    uint32_t commonSize = 0;
    uint32_t sampleCount = 30;
    std::vector<uint32_t> sizes;                            // when commonSize is 0
    std::vector<std::array<uint32_t, 3>> stsc{{1, 30, 1}};  // first chunk, samples, description
    std::vector<uint64_t> chunkOffsets{4096};
    bool co64 = false;
};

QByteArray trak(const Track& track);
QByteArray moov(const std::vector<QByteArray>& traks, uint32_t mvhdValue = 0);
// The same movie header stored zlib-compressed inside "cmov".
QByteArray compressedMoov(const QByteArray& moov, const char* kind = "zlib");

}  // namespace MovieAtoms
