#include "support/MovieAtoms.h"

#include <zlib.h>

#include <cstring>

namespace MovieAtoms {

QByteArray be32(uint32_t v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

QByteArray be64(uint64_t v) {
    return be32(uint32_t(v >> 32)) + be32(uint32_t(v));
}

namespace {

QByteArray be16(uint16_t v) {
    const char b[2] = {char(v >> 8), char(v)};
    return QByteArray(b, 2);
}

QByteArray zeros(int n) {
    return QByteArray(n, '\0');
}

// Version and flags, then the body.
QByteArray fullAtom(const char* type, const QByteArray& body) {
    return atom(type, zeros(4) + body);
}

QByteArray sampleDescription(const Track& t) {
    QByteArray d;
    d += zeros(6) + be16(1);  // reserved, data reference index
    d += zeros(16);           // version, revision, vendor, qualities
    d += be16(t.width) + be16(t.height);
    d += be32(0x00480000) + be32(0x00480000) + zeros(4) + be16(1);
    QByteArray name(32, '\0');
    const int n = int(std::strlen(t.compressor));
    name[0] = char(n);
    std::memcpy(name.data() + 1, t.compressor, size_t(n));
    d += name + be16(24) + be16(0xFFFF);
    // Entry: size, format, then the rest.
    return be32(uint32_t(8 + d.size())) + QByteArray(t.codec, 4) + d;
}

}  // namespace

QByteArray atom(const char* type, const QByteArray& body) {
    return be32(uint32_t(8 + body.size())) + QByteArray(type, 4) + body;
}

QByteArray largeAtom(const char* type, const QByteArray& body) {
    return be32(1) + QByteArray(type, 4) + be64(uint64_t(16 + body.size())) + body;
}

QByteArray trak(const Track& t) {
    QByteArray stts = be32(uint32_t(t.stts.size()));
    for (const auto& e : t.stts) stts += be32(e[0]) + be32(e[1]);
    QByteArray stsz = be32(t.commonSize) + be32(t.sampleCount);
    if (t.commonSize == 0)
        for (uint32_t s : t.sizes) stsz += be32(s);
    QByteArray stsc = be32(uint32_t(t.stsc.size()));
    for (const auto& e : t.stsc) stsc += be32(e[0]) + be32(e[1]) + be32(e[2]);
    QByteArray chunks = be32(uint32_t(t.chunkOffsets.size()));
    for (uint64_t o : t.chunkOffsets) chunks += t.co64 ? be64(o) : be32(uint32_t(o));

    const QByteArray stbl =
        atom("stbl", fullAtom("stsd", be32(1) + sampleDescription(t)) + fullAtom("stts", stts) +
                         fullAtom("stsc", stsc) + fullAtom("stsz", stsz) +
                         fullAtom(t.co64 ? "co64" : "stco", chunks));
    const QByteArray mdhd = fullAtom("mdhd", zeros(8) + be32(t.timeScale) + be32(0) + zeros(4));
    const QByteArray hdlr = fullAtom(
        "hdlr", QByteArray("mhlr") + QByteArray(t.handler, 4) + zeros(12) + QByteArray(1, '\0'));
    const QByteArray minf = atom("minf", fullAtom("vmhd", zeros(8)) + stbl);
    return atom("trak", fullAtom("tkhd", zeros(80)) + atom("mdia", mdhd + hdlr + minf));
}

QByteArray moov(const std::vector<QByteArray>& traks, uint32_t mvhdValue) {
    // mvhd: the value sits at byte 88 of the atom.
    QByteArray mvhd = zeros(100);
    mvhd.replace(76, 4, be32(mvhdValue));
    QByteArray body = fullAtom("mvhd", mvhd);
    for (const QByteArray& t : traks) body += t;
    return atom("moov", body);
}

QByteArray compressedMoov(const QByteArray& moov, const char* kind) {
    uLongf room = compressBound(uLong(moov.size()));
    QByteArray packed(int(room), '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &room,
              reinterpret_cast<const Bytef*>(moov.constData()), uLong(moov.size()), 9);
    packed.truncate(int(room));
    const QByteArray dcom = atom("dcom", QByteArray(kind, 4));
    const QByteArray cmvd = atom("cmvd", be32(uint32_t(moov.size())) + packed);
    return atom("moov", atom("cmov", dcom + cmvd));
}

}  // namespace MovieAtoms
