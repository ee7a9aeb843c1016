#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

// The 4-byte item reference that content-database queries and transfer
// requests carry: {type, ident, folder, file}, in this byte order on the wire.
// The content subsystem's identifier converts to and from it.
struct KlContentRef {
    uint8_t type = 0;
    uint8_t ident = 0;
    uint8_t folder = 0;
    uint8_t file = 0;

    static constexpr size_t kSize = 4;

    // The first 4 bytes; nothing when fewer are given.
    static std::optional<KlContentRef> fromBytes(const void* bytes, size_t size) {
        if (!bytes || size < kSize) return std::nullopt;
        const auto* b = static_cast<const uint8_t*>(bytes);
        return KlContentRef{b[0], b[1], b[2], b[3]};
    }
    static std::optional<KlContentRef> fromData(const QByteArray& data) {
        return fromBytes(data.constData(), size_t(data.size()));
    }

    QByteArray data() const {
        const char b[kSize] = {char(type), char(ident), char(folder), char(file)};
        return QByteArray(b, int(kSize));
    }
    void copyTo(uint8_t out[kSize]) const {
        out[0] = type;
        out[1] = ident;
        out[2] = folder;
        out[3] = file;
    }

    friend bool operator==(const KlContentRef&, const KlContentRef&) = default;
};
