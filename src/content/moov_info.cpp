#include "content/moov_info.h"

#include "content/keloMediaFileRef.h"
#include "foundation/OmLog.h"

#include <QFile>
#include <QImageReader>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr uint32_t fourCC(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint64_t be64(const uint8_t* p) {
    return uint64_t(be32(p)) << 32 | be32(p + 4);
}

bool readFileBytes(std::FILE* file, uint64_t offset, uint64_t size, void* buffer) {
    if (offset > uint64_t(INT64_MAX)) return false;
    if (fseeko(file, off_t(offset), SEEK_SET) != 0) return false;
    return std::fread(buffer, 1, size, file) == size;
}

uint64_t fileLength(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) return 0;
    const off_t end = ftello(file);
    return end < 0 ? 0 : uint64_t(end);
}

// An atom inside the buffered header: where it starts and how long it is,
// both already checked against the buffer.
struct Atom {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint64_t contents() const { return offset + 8; }
    uint64_t end() const { return offset + size; }
};

// The buffered movie header. Every read is checked against its length, so
// truncated or lying tables read as missing rather than past the buffer.
class Header {
public:
    std::vector<uint8_t> bytes;

    bool has(uint64_t offset, uint64_t size) const {
        return offset <= bytes.size() && size <= bytes.size() - offset;
    }
    bool u32(uint64_t offset, uint32_t* out) const {
        if (!has(offset, 4)) return false;
        *out = be32(bytes.data() + offset);
        return true;
    }
    bool u64(uint64_t offset, uint64_t* out) const {
        if (!has(offset, 8)) return false;
        *out = be64(bytes.data() + offset);
        return true;
    }
    // The first atom of the type among the atoms from `from` to `limit`. A
    // size that would not advance the walk or that runs past the level ends
    // the walk as not found.
    bool find(uint32_t type, uint64_t from, uint64_t limit, Atom* out) const {
        limit = std::min<uint64_t>(limit, bytes.size());
        uint64_t pos = from;
        while (pos + 8 <= limit) {
            const uint32_t size = be32(bytes.data() + pos);
            if (size < 8 || size > limit - pos) return false;
            if (be32(bytes.data() + pos + 4) == type) {
                *out = {pos, size};
                return true;
            }
            pos += size;
        }
        return false;
    }
    bool find(uint32_t type, const Atom& parent, Atom* out) const {
        return find(type, parent.contents(), parent.end(), out);
    }
};

// Reads the first top-level "moov" atom whole; false when there is none or
// it cannot be read.
bool readMoov(std::FILE* file, uint64_t length, Header* header) {
    uint64_t offset = 0;
    while (offset + 8 <= length) {
        atom_hdr h;
        readAtomHeader(file, offset, &h);
        uint64_t size = h.size;
        if (size == 1) {
            uint8_t large[8];
            if (!readFileBytes(file, offset + 8, 8, large)) return false;
            size = be64(large);
            if (size < 16) return false;
        } else if (size == 0) {
            size = length - offset;
        } else if (size < 8) {
            return false;
        }
        if (size > length - offset) return false;
        if (h.type == fourCC("moov")) {
            // Buffered with a plain 8-byte header whatever the file used.
            const uint64_t skip = h.size == 1 ? 16 : 8;
            if (size - skip + 8 > kMoovMaxHeaderBytes) return false;
            header->bytes.resize(size - skip + 8);
            const uint32_t buffered = uint32_t(header->bytes.size());
            const uint8_t head[8] = {uint8_t(buffered >> 24),
                                     uint8_t(buffered >> 16),
                                     uint8_t(buffered >> 8),
                                     uint8_t(buffered),
                                     'm',
                                     'o',
                                     'o',
                                     'v'};
            std::memcpy(header->bytes.data(), head, 8);
            return readFileBytes(file, offset + skip, size - skip, header->bytes.data() + 8);
        }
        offset += size;
    }
    return false;
}

// Replaces a compressed header ("cmov") by its expansion; true when there
// was nothing to expand or it expanded.
bool expandCompressedHeader(Header* header) {
    Atom moov{0, header->bytes.size()};
    Atom cmov;
    if (!header->find(fourCC("cmov"), moov, &cmov)) return true;
    uint32_t kind = 0;
    header->u32(cmov.offset + 16, &kind);
    char kindText[5] = {char(kind >> 24), char(kind >> 16), char(kind >> 8), char(kind), 0};
    uint32_t storedSize = 0;
    uint32_t expandedSize = 0;
    const bool fields =
        header->u32(cmov.offset + 20, &storedSize) && header->u32(cmov.offset + 28, &expandedSize);
    const uint64_t dataStart = cmov.offset + 32;
    if (kind == fourCC("zlib") && fields && storedSize >= 12 && expandedSize >= 8 &&
        expandedSize <= kMoovMaxHeaderBytes && header->has(dataStart, storedSize - 12u)) {
        std::vector<uint8_t> expanded;
        const int64_t got = zlib_inflate(header->bytes.data() + dataStart, storedSize - 12u,
                                         &expanded, expandedSize);
        if (got >= 8) {
            expanded.resize(size_t(got));
            header->bytes = std::move(expanded);
            return true;
        }
    }
    OmLogNoFlood(kOmLogWarning, "can't decompress '%.4s' cmov\n", kindText);
    return false;
}

// The first track whose media handler is "vide".
bool findVideoMedia(const Header& h, const Atom& moov, Atom* mdia) {
    uint64_t pos = moov.contents();
    Atom trak;
    while (h.find(fourCC("trak"), pos, moov.end(), &trak)) {
        pos = trak.end();
        Atom hdlr;
        uint32_t handler = 0;
        if (h.find(fourCC("mdia"), trak, mdia) && h.find(fourCC("hdlr"), *mdia, &hdlr) &&
            h.u32(hdlr.offset + 16, &handler) && handler == fourCC("vide"))
            return true;
    }
    return false;
}

// Entry count at byte 12 of a table atom, bounded by what the atom holds.
uint64_t tableCount(const Header& h, const Atom& table, uint64_t entrySize, uint64_t first) {
    uint32_t count = 0;
    if (!h.u32(table.offset + 12, &count) || table.size < first) return 0;
    return std::min<uint64_t>(count, (table.size - first) / entrySize);
}

void buildSampleIndex(const Header& h, moov_info* info, const Atom& stsz, const Atom* stsc,
                      const Atom* stco, const Atom* co64) {
    uint32_t commonSize = 0;
    h.u32(stsz.offset + 12, &commonSize);
    uint64_t wanted = info->sampleCount;
    // Every sample holds at least a byte of the file, and a table of sizes
    // must have an entry for each.
    wanted = std::min<uint64_t>(wanted, info->fileLength);
    if (commonSize == 0)
        wanted = std::min(wanted, (stsz.size - std::min<uint64_t>(stsz.size, 20)) / 4);

    const Atom* chunks = stco ? stco : co64;
    const uint64_t chunkEntry = stco ? 4 : 8;
    const uint64_t chunkCount = chunks ? tableCount(h, *chunks, chunkEntry, 16) : 0;
    const uint64_t stscCount = stsc ? tableCount(h, *stsc, 12, 16) : 0;
    if (chunkCount == 0 || stscCount == 0) return;

    auto stscField = [&](uint64_t entry, int field) {
        uint32_t v = 0;
        h.u32(stsc->offset + 16 + entry * 12 + uint64_t(field) * 4, &v);
        return v;
    };
    info->sampleIndex.reserve(size_t(std::min<uint64_t>(wanted, 1u << 20)));
    uint64_t entry = 0;
    uint64_t sample = 0;
    for (uint64_t chunk = std::max<uint32_t>(stscField(0, 0), 1);
         chunk <= chunkCount && sample < wanted; ++chunk) {
        while (entry + 1 < stscCount && stscField(entry + 1, 0) <= chunk) ++entry;
        uint64_t offset = 0;
        if (stco) {
            uint32_t o32 = 0;
            h.u32(stco->offset + 16 + (chunk - 1) * 4, &o32);
            offset = o32;
        } else {
            h.u64(co64->offset + 16 + (chunk - 1) * 8, &offset);
        }
        const uint32_t perChunk = stscField(entry, 1);
        for (uint32_t i = 0; i < perChunk && sample < wanted; ++i, ++sample) {
            uint32_t size = commonSize;
            if (commonSize == 0) h.u32(stsz.offset + 20 + sample * 4, &size);
            info->sampleIndex.push_back({offset, size, uint32_t(chunk)});
            offset += size;
        }
    }
}

int parseHeader(Header& h, moov_info* info, bool index) {
    if (!expandCompressedHeader(&h)) return -2;
    const Atom moov{0, h.bytes.size()};

    Atom mvhd;
    if (h.find(fourCC("mvhd"), moov, &mvhd) && mvhd.size >= 92)
        h.u32(mvhd.offset + 88, &info->movieHeaderValue);

    Atom mdia, minf, stbl;
    if (!findVideoMedia(h, moov, &mdia)) return -1;
    h.u32(mdia.offset + 28, &info->mediaTimeScale);
    if (!h.find(fourCC("minf"), mdia, &minf) || !h.find(fourCC("stbl"), minf, &stbl)) return -1;

    Atom stsd, stsz, stts, stsc, stco, co64;
    const bool hasStsd = h.find(fourCC("stsd"), stbl, &stsd);
    const bool hasStsz = h.find(fourCC("stsz"), stbl, &stsz);
    const bool hasStts = h.find(fourCC("stts"), stbl, &stts);
    const bool hasStsc = h.find(fourCC("stsc"), stbl, &stsc);
    const bool hasStco = h.find(fourCC("stco"), stbl, &stco);
    const bool hasCo64 = h.find(fourCC("co64"), stbl, &co64);
    if (!hasStsd || !hasStsz) return -1;

    if (hasStts) {
        const uint64_t n = tableCount(h, stts, 8, 16);
        for (uint64_t i = 0; i < n; ++i) {
            uint32_t count = 0, delta = 0;
            h.u32(stts.offset + 16 + i * 8, &count);
            h.u32(stts.offset + 20 + i * 8, &delta);
            info->duration += uint64_t(count) * delta;
        }
    }
    h.u32(stsz.offset + 16, &info->sampleCount);

    // The first sample description; a header that ends early reads as zeros.
    uint8_t desc[256] = {};
    const uint64_t descStart = stsd.offset + 16;
    if (descStart < stsd.end())
        std::memcpy(desc, h.bytes.data() + descStart,
                    size_t(std::min<uint64_t>(sizeof desc, stsd.end() - descStart)));
    info->codec = be32(desc + 4);
    std::memcpy(info->codecText, desc + 4, 4);
    info->width = int32_t(uint32_t(desc[32]) << 8 | desc[33]);
    info->height = uint32_t(desc[34]) << 8 | desc[35];
    const size_t nameLength = desc[50] & 31;
    std::memcpy(info->compressorName, desc + 51, nameLength);
    info->compressorName[nameLength] = 0;

    if (index)
        buildSampleIndex(h, info, stsz, hasStsc ? &stsc : nullptr, hasStco ? &stco : nullptr,
                         hasCo64 ? &co64 : nullptr);
    return 1;
}

}  // namespace

void moov_info::clear() {
    *this = moov_info();
}

void readAtomHeader(std::FILE* file, uint64_t offset, atom_hdr* header) {
    uint8_t raw[8];
    if (!readFileBytes(file, offset, 8, raw)) {
        *header = {};
        return;
    }
    header->size = be32(raw);
    header->type = be32(raw + 4);
}

int64_t zlib_inflate(const uint8_t* source, uint64_t sourceLength, std::vector<uint8_t>* dest,
                     uint64_t destLength) {
    z_stream stream{};
    // 47: a zlib or a gzip header, detected, with a 32 KB window.
    int rc = inflateInit2(&stream, 47);
    if (rc != Z_OK) return rc;
    stream.next_in = const_cast<uint8_t*>(source);
    stream.avail_in = uInt(std::min<uint64_t>(sourceLength, UINT32_MAX));
    // Grown as the stream yields, so that a stream claiming a large size
    // costs only what it really expands to.
    dest->clear();
    size_t room = size_t(std::min<uint64_t>(destLength, 1u << 16));
    for (;;) {
        dest->resize(room);
        stream.next_out = dest->data() + stream.total_out;
        stream.avail_out = uInt(room - stream.total_out);
        rc = inflate(&stream, Z_FINISH);
        if (rc == Z_STREAM_END) break;
        if (rc != Z_BUF_ERROR && rc != Z_OK) break;
        if (stream.avail_out != 0 || room >= destLength) {
            rc = Z_BUF_ERROR;
            break;
        }
        room = size_t(std::min<uint64_t>(destLength, uint64_t(room) * 2));
    }
    const uint64_t total = stream.total_out;
    inflateEnd(&stream);
    if (rc != Z_STREAM_END) return rc < 0 ? rc : Z_DATA_ERROR;
    dest->resize(size_t(total));
    return int64_t(total);
}

int loadMovFileInfo(moov_info* info, const QString& path, bool index) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file) {
        OmLogNoFlood(kOmLogWarning, "couldn't open file (%d) %s\n", errno, qPrintable(path));
        info->status = -1;
        return -1;
    }
    info->openFile.reset(file);
    info->fileLength = fileLength(file);

    Header header;
    info->status =
        readMoov(file, info->fileLength, &header) ? parseHeader(header, info, index) : -1;
    if (info->status <= 0 && info->status != -2) info->status = -1;
    if (info->status < 0 || !index) info->openFile.reset();
    if (info->status < 0) info->sampleIndex.clear();
    return info->status;
}

int loadFileInfo(moov_info* info, const QString& path, const QString& extension, bool index) {
    const uint32_t type = keloTypeCodeForExtension(extension);
    if (type == fourCC("txlk")) return -1;
    OmLogNoFlood(kOmLogDebug, "loadFileInfo %s\n", qPrintable(path));
    if (!info) {
        OmLogNoFlood(kOmLogError, "loadFileInfo MUST have 'info'");
        return 0;
    }
    info->clear();
    switch (type) {
        case fourCC("dv  "):
        case fourCC("m4v "):
        case fourCC("mov "):
        case fourCC("mp4 "):
        case fourCC("vid "):
            return loadMovFileInfo(info, path, index);
        case fourCC("gif "):
        case fourCC("jpeg"):
        case fourCC("jpg "):
        case fourCC("png "):
        case fourCC("tga "):
        case fourCC("tif "):
        case fourCC("tiff"): {
            QImageReader reader(path);
            const QSize size = reader.size();
            if (!size.isValid()) {
                info->status = -1;
                break;
            }
            info->width = size.width();
            info->height = uint32_t(size.height());
            info->status = 1;
            break;
        }
        default:
            OmLogNoFlood(kOmLogWarning, "  can't loadFileInfo for file extn '%s'\n",
                         extension.isEmpty() ? "unknown" : qPrintable(extension));
            info->status = -1;
    }
    return info->status;
}
